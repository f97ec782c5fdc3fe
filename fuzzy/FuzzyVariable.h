// TIFuzzyVariable: a linguistic variable, i.e. a universe of discourse with units, an equality
// threshold and named terms (fuzzy sets).
#pragma once

#include <string>
#include <vector>

#include "fuzzy/Fuzzy.h"

namespace norvale {

using TFuzzySetNotifyEvent = TEvent<TIFuzzyVariable*, TIFuzzySet*>;

// Ownership: the variable holds its items (terms and the empty set) counted; an item points back
// without counting, and the variable clears that pointer when it goes, so there is no cycle and
// no dangling pointer. Sets that are not items hold their variable counted. Like every counted
// object a variable must be held by a Ref (NewRef) before sets are made for it.
class TIFuzzyVariable : public TInterfacedPersistent {
 public:
  TIFuzzyVariable();
  explicit TIFuzzyVariable(const std::string& Name);
  ~TIFuzzyVariable() override;

  const std::string& Name() const noexcept { return FName; }
  void SetName(const std::string& Value) { FName = Value; }

  // The universe of discourse (0 .. 1 for a new variable). The setters keep the pair ordered:
  // a lower bound above the upper one raises the upper one with it, and the other way round.
  double From() const noexcept { return FFrom; }
  double To() const noexcept { return FTo; }
  void SetFrom(double Value);
  void SetTo(double Value);
  void SetUniverse(double From, double To);

  const std::string& Units() const noexcept { return FUnits; }
  void SetUnits(const std::string& Value) { FUnits = Value; }
  // Sets of the variable compare equal when they meet above it; kept within 0 .. 1.
  double Threshold() const noexcept { return FThreshold; }
  void SetThreshold(double Value);
  // Not counted: the parser (the engine) outlives its variables.
  IFuzzyParser* Parser() const noexcept { return FParser; }
  void SetParser(IFuzzyParser* Value) noexcept { FParser = Value; }

  // --- items, in the order of their position numbers ---
  int TermCount() const noexcept { return static_cast<int>(FTerms.size()); }
  const IFuzzySet& Term(int Index) const;
  // The item named Name (compared without regard to case), nil when there is none.
  IFuzzySet FindTerm(const std::string& Name) const;
  int IndexOfTerm(const std::string& Name) const;
  // Makes Set an item: it points back to this variable and gets the next position number. An
  // item of the same name is replaced in its place; an item of another variable moves here.
  void AddTerm(const IFuzzySet& Set);
  // A new set made by CreateSet, added as an item.
  IFuzzySet NewTerm(const std::string& Name);
  // The removed set keeps this variable, now counted. False when there is no such item.
  bool RemoveTerm(const std::string& Name);
  bool RemoveTerm(TIFuzzySet* Set);
  void ClearTerms();

  // The class of the sets this variable makes; the default makes a TIFuzzySet of this variable.
  virtual IFuzzySet CreateSet(const std::string& Name);
  // A new variable of this object's class; subclasses override it.
  virtual IFuzzyVariable NewInstance() const;
  IFuzzyVariable Copy() const;

  // Reads a set of this variable through the parser; EFuzzyError when there is none.
  IFuzzySet ParseExpression(const std::string& Text);

  // Through the parser when there is one; else "(range f t) (units u) (values <term>...)".
  virtual std::string ToString() const;
  // Name (without regard to case), universe (within 0.0001), units and terms (names and points).
  virtual bool Equals(const TIFuzzyVariable& Other) const;
  // Copies everything but the events, the terms as copies made by CreateSet.
  void Assign(TPersistent* Source) override;

  TFuzzySetNotifyEvent OnSetAdded;
  TFuzzySetNotifyEvent OnSetRemoved;
  TFuzzySetNotifyEvent OnSetChanged;

 private:
  friend class TIFuzzySet;
  // Detaches item Index from the list (it keeps this variable, counted) and returns it.
  IFuzzySet Detach(int Index);
  void SetChanged(TIFuzzySet* Set) { OnSetChanged(this, Set); }

  std::string FName;
  double FFrom = 0;
  double FTo = 1;
  std::string FUnits;
  double FThreshold = 0;
  IFuzzyParser* FParser = nullptr;
  std::vector<IFuzzySet> FTerms;
  int FNextPosition = 0;
};

}  // namespace norvale
