// Defined types: named, reusable constraints on values (deftype, or an anonymous type written
// inline in a slot definition) and the checks slots run against them.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/core/IEValue.h"
#include "fuzzy/Fuzzy.h"

namespace norvale {

class IReasoner;
class TIEDefinedType;
using IIEDefinedType = Ref<TIEDefinedType>;

// A defined type restricts the primitive types a value may have (BaseTypes), may list allowed
// atoms, strings, integers and floats (each list is active while its kind is in Constraints),
// may bound numbers to a range and lists to a number of elements, may extend another type
// (Ancestor), and for a fuzzy type carries the linguistic variable (FuzzyType).
//
// Every setter that changes the type fires OnChange; BeginUpdate/EndUpdate nest and the
// outermost EndUpdate fires it once more. Errors are raised before the type changes.
class TIEDefinedType : public TCloneable {
 public:
  // The bounds that mean "no limit".
  static constexpr double UnboundedMinRange = -2147483648.0;
  static constexpr double UnboundedMaxRange = 2147483647.0;
  static constexpr int32_t UnboundedMaxCardinality = 2147483647;

  explicit TIEDefinedType(IReasoner* Reasoner = nullptr);
  ~TIEDefinedType() override;

  // --- properties ------------------------------------------------------------------------------
  // The engine that owns the type (not counted). When it is also the fuzzy library's parser
  // (IFuzzyParser) it is the fuzzy variable's parser.
  IReasoner* Reasoner() const noexcept { return FReasoner; }
  void SetReasoner(IReasoner* Value);

  TIETypes BaseTypes() const noexcept { return FBaseTypes; }
  // "Cannot mix fuzzy type with other primitive types" for dtFuzzy with anything else. Exactly
  // {dtFuzzy} creates a fuzzy variable named like the type when there is none; any other set
  // drops the fuzzy variable.
  void SetBaseTypes(TIETypes Value);
  const std::string& Name() const noexcept { return FName; }
  void SetName(const std::string& Value);
  const std::string& Comment() const noexcept { return FComment; }
  void SetComment(const std::string& Value);
  // Also the fuzzy variable's units.
  const std::string& Units() const noexcept { return FUnits; }
  void SetUnits(const std::string& Value);

  // The range keeps MinRange <= MaxRange by moving the other bound; the fuzzy variable's
  // universe follows.
  double MinRange() const noexcept { return FMinRange; }
  double MaxRange() const noexcept { return FMaxRange; }
  void SetMinRange(double Value);
  void SetMaxRange(double Value);
  bool RangeLimited() const noexcept { return FRangeLimited; }
  void SetRangeLimited(bool Value);

  // Negative values are stored as 0; the other bound moves to keep minimum <= maximum.
  int32_t MinCardinality() const noexcept { return FMinCardinality; }
  int32_t MaxCardinality() const noexcept { return FMaxCardinality; }
  void SetMinCardinality(int32_t Value);
  void SetMaxCardinality(int32_t Value);
  bool CardinalityLimited() const noexcept { return FCardinalityLimited; }
  void SetCardinalityLimited(bool Value);

  // Kinds that leave the set lose their allowed values; kinds that join start empty.
  TValueConstraints Constraints() const noexcept { return FConstraints; }
  void SetConstraints(TValueConstraints Value);

  // With a variable BaseTypes becomes {dtFuzzy} and the range and units are the variable's.
  const IFuzzyVariable& FuzzyType() const noexcept { return FFuzzyType; }
  void SetFuzzyType(const IFuzzyVariable& Value);

  // "Type inheritance loop detected, %s type cannot be an ancestor of itself" when this type is
  // among Value's ancestors (or Value itself). A type with an ancestor is not implicit.
  const IIEDefinedType& Ancestor() const noexcept { return FAncestor; }
  void SetAncestor(const IIEDefinedType& Value);

  // An anonymous inline type (stored without OnChange).
  bool Implicit() const noexcept { return FImplicit; }
  void SetImplicit(bool Value) noexcept { FImplicit = Value; }

  TNotifyEvent OnChange;
  void BeginUpdate() noexcept { ++FUpdateCount; }
  void EndUpdate();

  // --- allowed values --------------------------------------------------------------------------
  // "Defined Type %s cannot contain %s constraint types" unless the value's kind is active.
  // Atoms and strings are compared without regard to case, integers and floats by value.
  void AddConstraint(const IIEValue& Value);
  // Removes the matching entry of an active kind; other values are ignored.
  void RemoveConstraint(const IIEValue& Value);
  // "Defined Type %s does not have %s constraints" unless Kind is active.
  void DeleteConstraint(int Index, TValueConstraint Kind);
  void ClearConstraints();
  void ClearConstraints(TValueConstraints Kinds);
  // The getters raise the "does not have" message for an inactive kind; the counts are 0 then.
  const std::string& GetConstraintAtom(int Index) const;
  int GetConstraintAtomsCount() const noexcept;
  const std::string& GetConstraintString(int Index) const;
  int GetConstraintStringsCount() const noexcept;
  int32_t GetConstraintInteger(int Index) const;
  int GetConstraintIntegersCount() const noexcept;
  double GetConstraintFloat(int Index) const;
  int GetConstraintFloatsCount() const noexcept;

  // The kind of allowed value a value is checked as: an integer counts as a float when only
  // floats are listed, a whole float as an integer when only integers are. Raises the "cannot
  // contain" message for values other than atoms, strings, integers and floats.
  TValueConstraint GetValueConstraint(const IIEValue& Value) const;
  // Whether the value is one of the allowed values of its (active) kind.
  bool IsConstraint(const IIEValue& Value, TValueConstraint& Kind) const;

  // --- checking --------------------------------------------------------------------------------
  bool IsValid(const IIEValue& Value) const;
  // "Value "<v>" is not valid, <reason>", or "" for a valid value.
  std::string GetInvalidValueString(const IIEValue& Value) const;
  // A value this type accepts: a list of MinCardinality single defaults (or an empty list) for
  // a multislot, otherwise by the first base type: the first allowed value, a bound of the
  // range, or the type's zero.
  IIEValue CreateValidDefault(bool AsMultiSlot);

  // --- copying, comparison, text ---------------------------------------------------------------
  IIEDefinedType Clone() const;
  ICloneable CloneObject() const override { return Clone(); }
  void AssignFrom(const TCloneable* Source) override;
  void Assign(TPersistent* Source) override;
  // Same name (case-sensitive), base types, range, cardinality, limits and allowed values (in
  // order, texts case-sensitive); fuzzy types compare their variables.
  bool Equals(const TCloneable* Other) const override;
  // The deftype text (or the "(type ...)" text of an implicit type): the reasoner's
  // PrettyPrint when there is a reasoner, otherwise DefinedTypePrettyPrint.
  std::string GetToString() const override;
  std::string ToString() const { return GetToString(); }
  // A value's printed form.
  std::string GetValueToString(const IIEValue& Value) const;

 protected:
  // Fires OnChange.
  virtual void Change();
  // A new type of this object's class with the same reasoner (what Clone fills).
  virtual IIEDefinedType NewInstance() const;

 private:
  void CopyFrom(const TIEDefinedType& Source);
  void CheckConstraint(TValueConstraint Kind) const;
  bool TryValueConstraint(const TIEValue& Value, TValueConstraint& Kind) const;
  bool PassesAllowed(const IIEValue& Value) const;
  void BindParser();
  std::string InvalidReason(const IIEValue& Value) const;
  IIEValue SingleDefault();

  IReasoner* FReasoner;
  TIETypes FBaseTypes = IESlotTypes;
  std::string FName = SImplicitDefinedType;
  std::string FComment;
  std::string FUnits;
  double FMinRange = UnboundedMinRange;
  double FMaxRange = UnboundedMaxRange;
  int32_t FMinCardinality = 0;
  int32_t FMaxCardinality = UnboundedMaxCardinality;
  bool FRangeLimited = false;
  bool FCardinalityLimited = false;
  bool FImplicit = false;
  TValueConstraints FConstraints;
  std::vector<std::string> FAtoms;
  std::vector<std::string> FStrings;
  std::vector<int32_t> FIntegers;
  std::vector<double> FFloats;
  // The allowed values hashed (texts in lower case), built when first needed, so that a long list
  // is checked and filled in constant time per value.
  struct TAllowedIndex {
    std::unordered_set<std::string> Atoms, Strings;
    std::unordered_set<int32_t> Integers;
    std::unordered_set<double> Floats;
  };
  mutable TAllowedIndex FIndex;
  mutable bool FIndexed = false;
  const TAllowedIndex& Index() const;
  IFuzzyVariable FFuzzyType;
  IIEDefinedType FAncestor;
  int FUpdateCount = 0;
};

// The printed form of a defined type, as the knowledge language's parser reads it back (what the
// engine's printer gives a type). Range bounds that are whole numbers print as integers, others
// in the shortest text that reads back as the same number.
std::string DefinedTypePrettyPrint(const TIEDefinedType& Type);

}  // namespace norvale
