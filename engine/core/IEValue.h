// The value model: every datum the engine stores, matches, passes to functions or prints.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/core/Cloneable.h"
#include "engine/core/IEConsts.h"
#include "fuzzy/Fuzzy.h"

namespace norvale {

class TIEValue;
class TValueVector;
class TSingletonsVector;
class TFact;
class TFunctionCall;
class TBindingInfo;
struct TClassInfo;
using IIEValue = Ref<TIEValue>;
using IValueVector = Ref<TValueVector>;
using ISingletonsVector = Ref<TSingletonsVector>;
using IFact = Ref<TFact>;
using IFunCall = Ref<TFunctionCall>;

class TIEValueNexus;

// A typed value: a type tag and one payload (a text, a 32-bit integer, a double, a counted
// reference to a fact, call, list, singletons vector or fuzzy set, an object or class reference,
// or an address). Values are counted and compared by type and value (Equals) or by value only
// (EqualsStar). The shared constants (FCTrue, FCNil, ...) are never changed: their setters raise.
class TIEValue : public TCloneable {
 public:
  TIEValue() noexcept {}
  TIEValue(std::string Text, TIEType Type);
  TIEValue(int32_t Value, TIEType Type = dtInteger);
  explicit TIEValue(double Value) noexcept : FType(dtFloat) { FFloat = Value; }
  explicit TIEValue(const IValueVector& List);
  explicit TIEValue(const IIEValue& Source);
  explicit TIEValue(const IFuzzySet& Set);
  explicit TIEValue(const IFact& Fact);
  explicit TIEValue(const IFunCall& Call);
  explicit TIEValue(const ISingletonsVector& Singletons);
  TIEValue(TObject* Object, bool Owned);
  explicit TIEValue(void* Address) noexcept : FType(dtExternalAddress) { FAddress = Address; }
  explicit TIEValue(const TClassInfo* Class) noexcept : FType(dtClass) { FClass = Class; }
  ~TIEValue() override;
  void BeforeDestruction() override;

  TIEType DType() const noexcept { return FType; }
  bool Is(TIETypes Types) const noexcept { return Types.Contains(FType); }

  // --- getters (EIEException "Not a %s type.  Value (%s) is a %s type" on a type they do not
  // accept) --------------------------------------------------------------------------------------
  std::string AsString() const { return IEStringTypes.Contains(FType) ? FText : AsStringSlow(); }
  // The text of a text value without a copy (empty for other types).
  const std::string& Text() const noexcept { return FText; }
  std::string AsAtom() const { return AsString(); }
  std::string AsVariable() const { return AsString(); }
  std::string AsMultiVariable() const { return AsString(); }
  std::string AsSlot() const { return AsString(); }
  std::string AsMultiSlot() const { return AsString(); }
  int32_t AsInteger() const { return FType == dtInteger ? FInteger : AsIntegerSlow(); }
  double AsNumeric() const { return FType == dtFloat ? FFloat : AsNumericSlow(); }
  double AsFloat() const { return AsNumeric(); }
  int32_t AsFactId() const;
  int32_t AsDescriptor() const;
  void* AsExternalAddress() const;
  TObject* AsObject() const;
  TObject* AsOwnedObject() const { return AsObject(); }
  const TClassInfo* AsClass() const;
  IFact AsFact() const;
  IFunCall AsFunCall() const;
  IValueVector AsList() const;
  ISingletonsVector AsSingletons() const;
  IFuzzySet AsFuzzy() const;
  // Unchecked payload access for the match path; valid only for the matching type.
  TValueVector* ListPtr() const noexcept;
  TFact* FactPtr() const noexcept;
  TFunctionCall* FunCallPtr() const noexcept;
  TIFuzzySet* FuzzyPtr() const noexcept;
  TSingletonsVector* SingletonsPtr() const noexcept;

  // --- setters: Changing, store, Changed -------------------------------------------------------
  virtual void SetAsAtom(const std::string& Value) { SetText(dtAtom, Value); }
  virtual void SetAsString(const std::string& Value) { SetText(dtString, Value); }
  virtual void SetAsVariable(const std::string& Value) { SetText(dtVariable, Value); }
  virtual void SetAsMultiVariable(const std::string& Value) { SetText(dtMultiVariable, Value); }
  virtual void SetAsSlot(const std::string& Value) { SetText(dtSlot, Value); }
  virtual void SetAsMultiSlot(const std::string& Value) { SetText(dtMultiSlot, Value); }
  virtual void SetAsInteger(int32_t Value) { SetInt(dtInteger, Value); }
  virtual void SetAsFactId(int32_t Value) { SetInt(dtFactId, Value); }
  virtual void SetAsDescriptor(int32_t Value) { SetInt(dtDescriptor, Value); }
  virtual void SetAsFloat(double Value);
  virtual void SetAsFunCall(const IFunCall& Value);
  virtual void SetAsFact(const IFact& Value);
  virtual void SetAsList(const IValueVector& Value);
  virtual void SetAsSingletons(const ISingletonsVector& Value);
  virtual void SetAsFuzzy(const IFuzzySet& Value);
  virtual void SetAsObject(TObject* Value);
  virtual void SetAsOwnedObject(TObject* Value);
  virtual void SetAsClass(const TClassInfo* Value);
  virtual void SetAsExternalAddress(void* Value);
  // Back to dtNone, releasing the payload; does not fire OnChange.
  virtual void Reset();

  // --- copying ---------------------------------------------------------------------------------
  // Copy of Source: lists are cloned, other references shared, owned objects duplicated.
  void Assign(const IIEValue& Source);
  // The persistent form: the value record as it is (lists shared too); any other source raises the
  // assignment error.
  void Assign(TPersistent* Source) override;
  // The reverse of Assign: calls Target's setter for this value's type.
  void AssignTo(const IIEValue& Target) const;
  void AssignTo(TPersistent* Dest) override;
  virtual IIEValue Clone() const;
  ICloneable CloneObject() const override { return Clone(); }
  void AssignFrom(const TCloneable* Source) override;

  // --- comparison, hashing, printing -----------------------------------------------------------
  // By type and value: an atom never equals a string, nor an integer a float.
  virtual bool Equals(const TIEValue* Value) const;
  bool Equals(const IIEValue& Value) const { return Equals(Value.Get()); }
  bool Equals(const TCloneable* Other) const override;
  // By value only: converts the other value with this value's getter.
  virtual bool EqualsStar(const TIEValue* Value) const;
  bool EqualsStar(const IIEValue& Value) const { return EqualsStar(Value.Get()); }
  int32_t GetHashCode() const override;
  std::string GetToString() const override;
  std::string ToString() const { return GetToString(); }

  bool IsOwningObject() const noexcept { return FType == dtObject && (FOwned || FNexus); }
  // The run-time value of this value in an evaluation context (a TIEContext): variables read
  // their bindings, calls execute, binding references read the matched facts, singletons become
  // fuzzy sets; every other value is itself.
  virtual IIEValue Resolve(TObject* Context) const;

  const TIEValueChangeEvent* OnChange() const noexcept { return FOnChange.get(); }
  void SetOnChange(TIEValueChangeEvent Handler);
  void SetTag(int32_t Value) override;
  // True for the shared constants, which are never changed.
  bool IsFrozen() const noexcept { return IsPermanent(); }

 protected:
  // Runs before every setter and Reset: releases an owned object or a counted reference.
  virtual void Changing();
  // Runs after every setter: fires OnChange.
  virtual void Changed();
  // The owned component was freed elsewhere.
  virtual void OwnedComponentFreed(TComponent* Component);

 private:
  friend class TIEValueNexus;
  friend struct TIEConstants;
  void SetText(TIEType Type, const std::string& Value);
  void SetInt(TIEType Type, int32_t Value);
  void SetRef(TIEType Type, TInterfacedPersistent* Value);
  void CheckNotFrozen() const;
  [[noreturn]] void RaiseNotType(const char* Word) const;
  std::string AsStringSlow() const;
  int32_t AsIntegerSlow() const;
  double AsNumericSlow() const;
  // Copies the payload of Source into this value (which is dtNone), by the Assign rules.
  void CopyPayload(const TIEValue& Source, bool CloneLists);
  void ReleasePayload();
  TObject* DuplicateOwned(TObject* Object) const;

  TIEType FType = dtNone;
  bool FOwned = false;
  std::string FText;
  union {
    int32_t FInteger;
    double FFloat;
    TInterfacedPersistent* FRef;
    TObject* FObject;
    void* FAddress;
    const TClassInfo* FClass;
  };
  TIEValueNexus* FNexus = nullptr;
  std::unique_ptr<TIEValueChangeEvent> FOnChange;
};

// The small component that watches an owned component for its value.
class TIEValueNexus : public TComponent {
 public:
  explicit TIEValueNexus(TIEValue* Value) : TComponent(nullptr), FValue(Value) {}
  TIEValue* Value() const noexcept { return FValue; }

 protected:
  void Notification(TComponent* Component, TOperation Operation) override;

 private:
  friend class TIEValue;
  TIEValue* FValue;
};

// --- the shared constants (created once, never changed, compared by identity) ----------------
extern const IIEValue& FCTrue;
extern const IIEValue& FCFalse;
extern const IIEValue& FCEmptyString;
extern const IIEValue& FCNil;
extern const IIEValue& FCNilList;
extern const IIEValue& FCCatch;
extern const IIEValue& FCFinally;
extern const IIEValue& FCExcept;
extern const IIEValue& FCElse;
extern const IIEValue& FCDo;
extern const IIEValue& FCEOF;
extern const IIEValue& FCThen;
extern const IIEValue& FCPI;
extern const IIEValue& FCZero;

bool IsValueConstant(const TIEValue* Value) noexcept;
inline bool IsValueConstant(const IIEValue& Value) noexcept { return IsValueConstant(Value.Get()); }
// FCTrue or FCFalse.
inline const IIEValue& BoolValue(bool B) noexcept { return B ? FCTrue : FCFalse; }

// Short hands for new values.
IIEValue NewAtom(const std::string& Text);
IIEValue NewString(const std::string& Text);
IIEValue NewVariable(const std::string& Name);
IIEValue NewMultiVariable(const std::string& Name);
IIEValue NewInteger(int32_t Value);
IIEValue NewFloat(double Value);
IIEValue NewFactId(int32_t Id);
IIEValue NewList(const IValueVector& List);
IIEValue NewList();

// The printed form of a string value: backslashes doubled, double quotes escaped, the whole in
// double quotes.
std::string QuoteString(std::string_view Text);

// The enumeration name of a type, "dtAtom".
const std::string& GetIETypeName(TIEType Type);

// Resolution of variables and binding references needs an evaluation context; the module that
// defines the context installs the resolver. Without it, resolving raises "No context found".
using TContextResolver = IIEValue (*)(const TIEValue& Value, TObject* Context);
void SetContextResolver(TContextResolver Resolver);
// Executing a function-call value; installed by the function-call module.
void SetFunCallResolver(TContextResolver Resolver);
// The class of fuzzy sets the engine makes (the engine's own set class once it is linked in).
using TFuzzySetFactory = IFuzzySet (*)();
void SetFuzzySetFactory(TFuzzySetFactory Factory);
IFuzzySet NewEngineFuzzySet();

// The string hash: h = h * 31 + byte over every byte of texts shorter than 16, else over the bytes
// at 1-based positions 1, 1 + k, 1 + 2k, ... with k = length div 8.
int32_t CalculateHash(std::string_view Text);
// The same over positions 1, 1 + Skip, 1 + 2 * Skip, ... (Skip below 1 counts as 1).
int32_t CalculateHash(std::string_view Text, int Skip);

}  // namespace norvale
