// Fact templates and their slot definitions.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "engine/core/DefinedType.h"
#include "engine/core/IEValue.h"

namespace norvale {

class TFactSlot;
class TFactTemplate;
class TFact;
using IFactSlot = Ref<TFactSlot>;
using IFactTemplate = Ref<TFactTemplate>;
using IFact = Ref<TFact>;

// What templates and facts need of the engine that owns them. The engine implements it; a
// template owned by any other component (or by none) works stand-alone and skips these steps.
class IFactEngine {
 public:
  virtual ~IFactEngine() = default;
  // The engine's TypeChecks: tcDynamic makes facts validate values when they are set.
  virtual TTypeChecks FactTypeChecks() const = 0;
  // The next fact ID the engine hands out (the ID form pads IDs to its number of digits).
  virtual int32_t FactIdCounter() const = 0;
  // The engine's root evaluation context (a TIEContext), for dynamic slot defaults.
  virtual TObject* FactContext() = 0;
  // Told before a registered template changes its name.
  virtual void FactTemplateRenaming(TFactTemplate* Template, const std::string& OldName,
                                    const std::string& NewName) = 0;
  // The registered template of a name, or nil.
  virtual IFactTemplate FindFactTemplate(const std::string& Name) = 0;
  // Registers Template (used when a fact or pattern of another engine is brought over).
  virtual void RegisterFactTemplate(const IFactTemplate& Template) = 0;
  // Reads a slot definition or a fact from its printed form, bound to this engine's templates
  // and types.
  virtual IFactSlot ParseFactSlotText(const std::string& Text) = 0;
  virtual IFact ParseFactText(const std::string& Text) = 0;
};

// The characters a template or slot name may not contain.
inline constexpr const char* SInvalidNameCharacters = " '\"#()[]?:$&;<>";
// Raises "%s contains unexpected character" when Name holds one of them.
void CheckConstructName(const std::string& Name);

// A slot definition: name, allowed value types, an optional defined type and a default.
class TFactSlot : public TCloneable {
 public:
  explicit TFactSlot(TFactTemplate* Template = nullptr);
  ~TFactSlot() override;

  TFactTemplate* Template() const noexcept { return FTemplate; }
  const TIEName& Name() const noexcept { return FName; }
  virtual void SetName(const TIEName& Value);
  TIETypes SlotType() const noexcept { return FSlotType; }
  virtual void SetSlotType(TIETypes Value);
  const IIEValue& SlotDefault() const noexcept { return FSlotDefault; }
  virtual void SetSlotDefault(const IIEValue& Value);
  const IIEDefinedType& ExtendedTypeInfo() const noexcept { return FExtendedTypeInfo; }
  virtual void SetExtendedTypeInfo(const IIEDefinedType& Value);
  bool DefaultDynamic() const noexcept { return FDefaultDynamic; }
  void SetDefaultDynamic(bool Value) noexcept { FDefaultDynamic = Value; }
  bool IsMultiSlot() const noexcept { return FSlotType.Contains(dtMultiSlot); }
  bool IsFuzzy() const noexcept { return FSlotType.Contains(dtFuzzy); }
  std::string GetTemplateName() const;
  // The slot's position in its template's value tables (-1 for a free slot).
  int Index() const noexcept { return FIndex; }

  bool IsValid(const IIEValue& Value) const;
  std::string GetInvalidValueString(const IIEValue& Value) const;
  virtual IIEValue CreateValidDefault(bool AsMultiSlot) const;

  void Assign(TPersistent* Source) override;
  void AssignFrom(const TCloneable* Source) override;
  IFactSlot Clone() const;
  ICloneable CloneObject() const override { return Clone(); }
  bool Equals(const TCloneable* Other) const override;
  // "(slot name ...)" or "(multislot name ...)".
  std::string GetToString() const override;

 protected:
  // A changed default with dynamic type checks on must stay valid.
  virtual void ValueChanged(const IIEValue& Value);

 private:
  friend class TFactTemplate;
  bool DynamicChecks() const;
  TFactTemplate* FTemplate;
  IIEValue FSlotDefault;
  TIEName FName;
  TIETypes FSlotType;
  IIEDefinedType FExtendedTypeInfo;
  bool FDefaultDynamic = false;
  int FIndex = -1;
};

// A named set of slot definitions. Slots keep the order in which they were added (the printed
// form lists them so); SlotNames lists them sorted without regard to case, the order facts print
// and hash in. Every slot has a fixed position into the value tables of the template's facts.
class TFactTemplate : public TCloneable {
 public:
  explicit TFactTemplate(TComponent* Owner = nullptr);
  TFactTemplate(TComponent* Owner, const std::string& Name);
  TFactTemplate(TComponent* Owner, const IFactTemplate& Template, const std::string& Comment,
                const std::string& Name);
  ~TFactTemplate() override;

  TComponent* Owner() const noexcept { return FOwner; }
  IFactEngine* Engine() const noexcept { return FEngine; }
  const TIEName& TemplateName() const noexcept { return FTemplateName; }
  virtual void SetTemplateName(const TIEName& Value);
  const std::string& Comment() const noexcept { return FComment; }
  virtual void SetComment(const std::string& Value) { FComment = Value; }
  bool IsBackwardChaining() const noexcept { return FBackwardChaining; }
  virtual void SetBackwardChaining(bool Value) { FBackwardChaining = Value; }
  const IFactTemplate& Parent() const noexcept { return FParent; }
  virtual void SetParent(const IFactTemplate& Value);
  // True when the template holds at most one slot and it is "__Data".
  bool IsOrdered() const noexcept { return FOrdered; }
  bool IsFuzzy() const;

  // --- slots ---
  int GetSlotCount() const noexcept { return static_cast<int>(FByName.size()); }
  // The slot of a name; raises "No such slot name" for a name that is no slot.
  IFactSlot GetSlot(const std::string& Name) const;
  TFactSlot* FindSlot(const std::string& Name) const;
  bool ContainsSlot(const std::string& Name) const { return FindSlot(Name) != nullptr; }
  bool ContainsSlot(const std::string& Name, IFactSlot& Slot) const;
  // The slot at a value-table position (nil for a removed slot).
  TFactSlot* SlotAt(int Index) const noexcept {
    return Index >= 0 && Index < static_cast<int>(FSlots.size()) ? FSlots[Index].Get() : nullptr;
  }
  // The positions of the value tables (slots removed since leave holes).
  int SlotCapacity() const noexcept { return static_cast<int>(FSlots.size()); }
  // Slots in the order they were added.
  std::vector<IFactSlot> Slots() const;
  // Slot names, sorted without regard to case.
  std::vector<std::string> GetSlotNames() const;
  // Slot positions in sorted-name order.
  const std::vector<int>& SortedSlots() const noexcept { return FSorted; }
  // The first slot (in slot order) whose defined type is that very object; nil when none.
  IFactSlot ContainsType(const TIEDefinedType* DefinedType) const;

  virtual IFactSlot AddSlot(const std::string& Name, const IIEValue& Default);
  virtual IFactSlot AddMultiSlot(const std::string& Name, const IIEValue& Default);
  virtual IFactSlot AddSlot(const IFactSlot& Slot);
  virtual void SetSlot(const std::string& Name, const IFactSlot& Slot);
  virtual void RemoveSlot(const std::string& Name);
  virtual void ClearSlots();
  // Replaces the slots by copies of Template's, read back through the owning engine.
  void AssignSlots(const IFactTemplate& Template);

  // --- facts ---
  // A new fact of this template filled with the slot defaults.
  IFact NewFact();
  virtual void FillFactWithDefaults(TFact& Fact);

  // --- copying, comparing, printing ---
  IFactTemplate Clone() const;
  IFactTemplate Clone(TComponent* Owner) const;
  ICloneable CloneObject() const override { return Clone(); }
  void Assign(TPersistent* Source) override;
  void AssignFrom(const TCloneable* Source) override;
  bool Equals(const TCloneable* Other) const override;
  int32_t GetHashCode() const override;
  // The deftemplate text.
  std::string GetToString() const override;

  // Notifications a slot sends before it changes.
  virtual void NewSlotName(TFactSlot* Slot, const std::string& NewName);
  virtual void NewSlotDefault(TFactSlot* Slot, IIEValue& Default);
  virtual void NewSlotType(TFactSlot* Slot, TIETypes NewTypes);

 private:
  void CopyFrom(const TFactTemplate& Source);
  void RebuildSorted();
  void UpdateOrdered();
  void InvalidateNames() noexcept { FHashValid = false; }
  void InvalidateTypes() noexcept { FFuzzyValid = false; }

  TComponent* FOwner;
  IFactEngine* FEngine;
  TIEName FTemplateName;
  std::string FComment;
  bool FBackwardChaining = false;
  IFactTemplate FParent;
  std::vector<IFactSlot> FSlots;  // by position; nil where a slot was removed
  std::unordered_map<std::string, int> FByName;
  std::vector<int> FOrder;   // positions in the order slots were added
  std::vector<int> FSorted;  // positions sorted by name
  bool FOrdered = false;
  mutable bool FFuzzyValid = false;
  mutable bool FFuzzy = false;
  mutable bool FHashValid = false;
  mutable int32_t FHash = 0;
};

// Quotes a comment the way a string value prints, so it reads back.
std::string QuoteComment(const std::string& Comment);

}  // namespace norvale
