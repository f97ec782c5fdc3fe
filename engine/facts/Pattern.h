// Rule patterns: one conditional element of a rule's left-hand side with its slot tests, and the
// join tests that compare a fact with the facts of a partial match.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/facts/Fact.h"

namespace norvale {

class TIEContext;
class TIEPattern;
class IReasoner;
class TFunctionCall;
class TIEToken;

enum TSlotTestType { sttEquals, sttNotEquals };
NORVALE_ENUM(TSlotTestType, "sttEquals", "sttNotEquals")

// A test on one slot of a fact.
class TIESlotTest : public TPersistent {
 public:
  TSlotTestType SlotTestType() const noexcept { return FSlotTestType; }
  void SetSlotTestType(TSlotTestType Value) noexcept { FSlotTestType = Value; }
  void Assign(TPersistent* Source) override;
  // "=" or "<>".
  virtual std::string GetToString() const;
  virtual std::unique_ptr<TIESlotTest> CloneTest() const = 0;
  virtual bool Equals(const TIESlotTest* Test) const;
  virtual bool PerformTest(TIEContext* Context) = 0;
  // The test on a pair of a join: Right is the fact being matched, Left the partial match. The
  // default runs PerformTest with them in Context (cleared again afterwards).
  virtual bool Matches(TFact* Right, const Ref<TIEToken>& Left, TIEContext* Context);

 protected:
  TSlotTestType FSlotTestType = sttEquals;
};

// A slot (or field) compared with a constant, a variable or the result of a call.
class TIEPatternMatchTest : public TIESlotTest {
 public:
  explicit TIEPatternMatchTest(TIEPattern* Pattern = nullptr) : FPattern(Pattern) {}
  TIEPatternMatchTest(TIEPattern* Pattern, bool Negated, const IIEValue& Value, int SubIndex,
                      bool Conjunction = true);

  TIEPattern* Pattern() const noexcept { return FPattern; }
  const IIEValue& SlotValue() const noexcept { return FSlotValue; }
  // Keeps a private copy of Value.
  void SetSlotValue(const IIEValue& Value);
  // Takes Value as it is (the caller made it for this test).
  void SetSlotValueNoCopy(const IIEValue& Value);
  int MultiSlotSubIndex() const noexcept { return FMultiSlotSubIndex; }
  void SetMultiSlotSubIndex(int Value);
  bool Conjunction() const noexcept { return FConjunction; }
  void SetConjunction(bool Value);

  void Assign(TPersistent* Source) override;
  std::unique_ptr<TIESlotTest> CloneTest() const override;
  bool Equals(const TIESlotTest* Test) const override;
  bool Equals(bool IsEquals, bool Conjunction, const IIEValue& Value, int SubIndex) const;
  bool Equals(bool IsEquals, int SubIndex, const IIEValue& Value) const;
  // The value resolved in the context; passes when it is not FALSE (sttEquals) or is
  // (sttNotEquals).
  bool PerformTest(TIEContext* Context) override;
  // The test as a call: a call value itself (wrapped in `not` for "<>"), else (eq value Variable)
  // or (neq value Variable).
  Ref<TFunctionCall> ConvertToFunCall(IReasoner* Reasoner, const IIEValue& Variable) const;
  // "= SubIdx: -1 Slot: red"
  std::string GetToString() const override;

 private:
  friend class TIEPattern;
  TIEPattern* FPattern;
  IIEValue FSlotValue;
  int FMultiSlotSubIndex = NoSubIndex;
  bool FConjunction = true;
};

// The value of a fact's slot by name, or with SubIndex >= 0 that field of its list; nil when the
// fact lacks the slot or the field. Caches the slot position per template.
struct TSlotReader {
  std::string Name;
  int SubIndex = NoSubIndex;
  mutable const TFactTemplate* CachedTemplate = nullptr;
  mutable int CachedIndex = -1;
  const TIEValue* Read(TFact* Fact) const;
};

// A slot of the fact being matched compared with a slot of a fact already in the partial match.
class TIEJoinTest : public TIESlotTest {
 public:
  TIEJoinTest() = default;
  TIEJoinTest(TSlotTestType Type, int TokenIndex, const std::string& RightIndex,
              const std::string& LeftIndex);
  TIEJoinTest(TSlotTestType Type, int TokenIndex, int RightSubIndex, const std::string& RightIndex,
              int LeftSubIndex, const std::string& LeftIndex);

  const std::string& RightIndex() const noexcept { return FRightIndex; }
  int RightSubIndex() const noexcept { return FRightSubIndex; }
  const std::string& LeftIndex() const noexcept { return FLeftIndex; }
  int LeftSubIndex() const noexcept { return FLeftSubIndex; }
  int TokenIndex() const noexcept { return FTokenIndex; }
  TJoinTestType JoinTestType() const noexcept { return FJoinTestType; }

  void Assign(TPersistent* Source) override;
  std::unique_ptr<TIESlotTest> CloneTest() const override;
  bool Equals(const TIESlotTest* Test) const override;
  bool PerformTest(TIEContext* Context) override;
  bool Matches(TFact* Right, const Ref<TIEToken>& Left, TIEContext*) override {
    return Compare(Right, Left.Get());
  }
  // The comparison itself, between the context's current fact and the token's fact.
  bool Compare(TFact* Right, const TIEToken* Token) const;
  std::string GetToString() const override;

 private:
  void InitReaders();
  // Read the two sides with their slot positions cached per template.
  TSlotReader FLeft, FRight;
  std::string FRightIndex;
  int FRightSubIndex = NoSubIndex;
  std::string FLeftIndex;
  int FLeftSubIndex = NoSubIndex;
  int FTokenIndex = 0;
  TJoinTestType FJoinTestType = tstSlot;
};

// What a pattern needs of the rule that owns it (TRule implements it).
class IPatternOwner {
 public:
  virtual ~IPatternOwner() = default;
  virtual void PatternChanged(TIEPattern* Pattern) = 0;
  // Adds a binding of Name to this pattern's slot and field (the rule knows the position).
  virtual void AddPatternBinding(TIEPattern* Pattern, const TIEName& Name, const std::string& Slot,
                                 int SubIndex) = 0;
  virtual std::string GenerateSymbol(const std::string& Prefix) = 0;
  virtual IReasoner* PatternReasoner() = 0;
};

// One slot of a pattern with its tests.
struct TPatternSlot {
  std::string Name;
  std::vector<std::unique_ptr<TIEPatternMatchTest>> Tests;
  int SlotLength = -1;
};

// A conditional element: a template, per-slot tests, negation levels, the unique and explicit
// marks, an optional fact variable; or a `test` element.
class TIEPattern : public TPersistent {
 public:
  TIEPattern(TComponent* Owner, int NegatedCount, const IFactTemplate& FactTemplate,
             const TIEName& Name);
  // A copy of Pattern's tests on its template; anonymous variables get fresh names.
  TIEPattern(TComponent* Owner, int NegatedCount, const TIEName& Name, const TIEPattern& Pattern);
  ~TIEPattern() override;

  TComponent* Owner() const noexcept { return FOwner; }
  virtual void SetOwner(TComponent* Value);
  const IFactTemplate& FactTemplate() const noexcept { return FFactTemplate; }
  const TIEName& Name() const noexcept { return FName; }
  virtual void SetName(const TIEName& Value) { FName = Value; }
  bool IsTest() const noexcept { return FName == STestCE; }
  int NegatedCount() const noexcept { return FNegatedCount; }
  virtual void SetNegatedCount(int Value);
  bool IsNegated() const noexcept { return FNegatedCount > 0 && (FNegatedCount % 2) == 1; }
  bool Unique() const noexcept { return FUnique; }
  virtual void SetUnique(bool Value);
  bool Explicit() const noexcept { return FExplicit; }
  virtual void SetExplicit(bool Value);
  const TIEName& BoundName() const noexcept { return FBoundName; }
  virtual void SetBoundName(const TIEName& Value);
  const std::string& Comment() const noexcept { return FComment; }
  void SetComment(const std::string& Value) { FComment = Value; }
  TNotifyEvent OnChange;

  // --- slots and tests ---
  int GetSlotCount() const noexcept { return static_cast<int>(FSlots.size()); }
  const std::string& GetSlotName(int Index) const { return FSlots.at(Index).Name; }
  int IndexOfSlotName(const std::string& Name) const;
  int GetSlotTestCount(int Index) const { return static_cast<int>(FSlots.at(Index).Tests.size()); }
  TIEPatternMatchTest* GetSlotTest(int Index, int Test) const {
    return FSlots.at(Index).Tests.at(Test).get();
  }
  const std::vector<std::unique_ptr<TIEPatternMatchTest>>& GetSlotTests(int Index) const {
    return FSlots.at(Index).Tests;
  }
  int GetSlotLength(int Index) const { return FSlots.at(Index).SlotLength; }
  void SetSlotLength(int Index, int Length);
  int TestCount() const noexcept { return FTestCount; }
  int NonConjunctionCount() const noexcept { return FNonConjunctionCount; }

  TIEPatternMatchTest* AddTest(const std::string& SlotName, const IIEValue& Value,
                               bool Conjunction = true, bool Negated = false,
                               int SubIndex = NoSubIndex);
  TIEPatternMatchTest* AddTest(const std::string& SlotName,
                               std::unique_ptr<TIEPatternMatchTest> Test);
  // Compiles "|" alternatives into a binding variable and an or-call test.
  void FixTests();

  void BeginUpdate() noexcept { ++FUpdateCount; }
  void EndUpdate();
  virtual void Change();

  void Assign(TPersistent* Source) override;
  TIEPattern* Clone(TComponent* Owner) const;
  // The conditional element in the knowledge language.
  virtual std::string GetToString() const;
  std::string ToString() const { return GetToString(); }

  // Test bookkeeping, told by the tests.
  void TestNotification(TIEPatternMatchTest* Test, bool Added);
  void TestChange(TIEPatternMatchTest* Test);
  void TestConjunctionChange(TIEPatternMatchTest* Test);

 private:
  IPatternOwner* OwnerLink() const noexcept { return dynamic_cast<IPatternOwner*>(FOwner); }
  void InitSlots();
  std::string Generate(const std::string& Prefix) const;

  bool FUnique = false;
  bool FExplicit = false;
  IFactTemplate FFactTemplate;
  int FNegatedCount = 0;
  TIEName FBoundName;
  TIEName FName;
  std::vector<TPatternSlot> FSlots;
  int FUpdateCount = 0;
  TComponent* FOwner;
  int FTestCount = 0;
  int FNonConjunctionCount = 0;
  std::string FComment;
};


}  // namespace norvale
