// Facts: records of slot values that conform to a fact template.
#pragma once

#include <string>
#include <vector>

#include "engine/facts/FactTemplate.h"

namespace norvale {

// A fact. Its values are a flat table indexed by the template's slot positions, so reading a slot
// on the match path costs an index. A slot that was never set reads as a copy of its default.
class TFact : public TCloneable {
 public:
  explicit TFact(const IFactTemplate& Template = nullptr);
  TFact(const IFactTemplate& Template, const IFact& Source);
  ~TFact() override;

  int32_t ID() const noexcept { return FID; }
  virtual void SetID(int32_t Value) { FID = Value; }
  // Which restructured copy of a fact this is (multifield matching makes several copies of one
  // fact, each with the fact's ID); 0 for the fact itself.
  int32_t Segment() const noexcept { return FSegment; }
  void SetSegment(int32_t Value) noexcept { FSegment = Value; }
  const IFactTemplate& Template() const noexcept { return FTemplate; }
  TFactTemplate* TemplatePtr() const noexcept { return FTemplate.Get(); }
  virtual void SetTemplate(const IFactTemplate& Value);

  // The value of a slot ("No such slot name" for a name that is no slot of the template).
  IIEValue GetValue(const std::string& Name);
  bool ContainsKey(const std::string& Name, IIEValue& Value);
  virtual void SetValue(const std::string& Name, const IIEValue& Value);
  // The value at a slot position (a copy of the default is stored first when there is none);
  // nil for a position that holds no slot.
  const IIEValue& ValueAt(int Index);
  // The stored value at a position without filling defaults (nil when none).
  const IIEValue& StoredValueAt(int Index) const noexcept {
    static const IIEValue None;
    return Index >= 0 && Index < static_cast<int>(FValues.size()) ? FValues[Index] : None;
  }
  // Stores a value at a slot position without checks (the caller validated it).
  void PutValueAt(int Index, const IIEValue& Value);
  std::vector<std::string> GetSlotNames() const;
  std::vector<IIEValue> GetSlotValues();
  void AssignValues(const IFact& Fact);
  void ClearValues() noexcept { FValues.clear(); }

  IFact Clone() const;
  ICloneable CloneObject() const override { return Clone(); }
  void Assign(TPersistent* Source) override;
  void AssignFrom(const TCloneable* Source) override;
  // Same template object and equal values slot by slot; fuzzy slots are not compared.
  bool Equals(const TCloneable* Other) const override;
  bool Equals(const TFact& Other) const;
  int32_t GetHashCode() const override;
  std::string GetToString() const override;
  // "f-007 (colour red )": the ID padded to the digits of the engine's next fact ID.
  std::string GetToIDString() const;
  std::string ToString() const { return GetToString(); }

 private:
  void CopyFrom(const TFact& Source);
  IIEValue& Entry(int Index);
  IIEValue CheckedValue(TFactSlot* Slot, const IIEValue& Value) const;
  friend class TFacts;
  std::vector<IIEValue> FValues;
  int32_t FID = -1;
  int32_t FSegment = 0;
  int32_t FBaseSlot = -1;  // the fact base's slot while asserted
  int32_t FBaseKey = 0;    // and the key its duplicate index holds it under
  IFactTemplate FTemplate;
};

// Folds the printed form of a value into a running string hash (h = h * 31 + byte) without
// building the text.
uint32_t FoldPrintedHash(uint32_t Hash, const TIEValue& Value);

}  // namespace norvale
