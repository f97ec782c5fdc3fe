#include <gtest/gtest.h>

#include "TestSupport.h"

#include "engine/core/ValueVector.h"
#include "engine/facts/Fact.h"

namespace norvale {
namespace {

using test::MessageOf;

IValueVector ListOf(std::initializer_list<IIEValue> Items) { return NewRef<TValueVector>(Items); }

// The parts of an engine that facts rely on.
class TStubEngine : public TComponent, public IFactEngine {
 public:
  TStubEngine() : TComponent(nullptr) {}
  TTypeChecks Checks{tcStatic};
  int32_t Counter = 0;
  TTypeChecks FactTypeChecks() const override { return Checks; }
  int32_t FactIdCounter() const override { return Counter; }
  TObject* FactContext() override { return nullptr; }
  void FactTemplateRenaming(TFactTemplate*, const std::string& Old,
                            const std::string& New) override {
    Renames.push_back(Old + "->" + New);
  }
  IFactTemplate FindFactTemplate(const std::string&) override { return {}; }
  void RegisterFactTemplate(const IFactTemplate&) override {}
  IFactSlot ParseFactSlotText(const std::string&) override { return {}; }
  IFact ParseFactText(const std::string&) override { return {}; }
  std::vector<std::string> Renames;
};

IFactTemplate OrderedTemplate(TComponent* Owner, const std::string& Name) {
  IFactTemplate T = NewRef<TFactTemplate>(Owner, Name);
  T->AddMultiSlot(SDefaultSlotName, FCNilList);
  return T;
}

TEST(FactTemplate, OrderedWhileItsOnlySlotIsData) {
  IFactTemplate T = OrderedTemplate(nullptr, "colour");
  EXPECT_TRUE(T->IsOrdered());
  T->AddSlot("extra", FCNil);
  EXPECT_FALSE(T->IsOrdered());
  T->RemoveSlot("extra");
  EXPECT_TRUE(T->IsOrdered());
}

TEST(FactTemplate, SlotNamesSortWithoutRegardToCaseSlotsKeepTheirOrder) {
  IFactTemplate T = NewRef<TFactTemplate>(nullptr, "t");
  for (const char* N : {"zeta", "Alpha", "beta"}) T->AddSlot(N, FCNil);
  EXPECT_EQ(T->GetSlotNames(), (std::vector<std::string>{"Alpha", "beta", "zeta"}));
  std::vector<std::string> Order;
  for (const IFactSlot& S : T->Slots()) Order.push_back(S->Name());
  EXPECT_EQ(Order, (std::vector<std::string>{"zeta", "Alpha", "beta"}));
  IFact F = T->NewFact();
  F->SetValue("zeta", NewInteger(3));
  F->SetValue("Alpha", NewInteger(1));
  F->SetValue("beta", NewInteger(2));
  EXPECT_EQ(F->ToString(), "(t (Alpha 1) (beta 2) (zeta 3))");
}

TEST(FactTemplate, NamesRejectUnexpectedCharacters) {
  for (char C : std::string(SInvalidNameCharacters)) {
    std::string Name = std::string("bad") + C + "name";
    EXPECT_EQ(MessageOf([&] { NewRef<TFactTemplate>(nullptr, Name); }),
              Format(SUnexpectedCharacter, {Name, C}));
    IFactTemplate T = NewRef<TFactTemplate>(nullptr, "ok");
    EXPECT_EQ(MessageOf([&] { T->AddSlot(Name, FCNil); }), Format(SUnexpectedCharacter, {Name, C}));
    EXPECT_EQ(T->GetSlotCount(), 0);
  }
}

TEST(FactTemplate, SlotOperationMessages) {
  IFactTemplate T = NewRef<TFactTemplate>(nullptr, "t");
  T->AddSlot("single", NewInteger(1));
  T->AddMultiSlot("many", FCNilList);
  struct Case {
    std::function<void()> Call;
    std::string Message;
  };
  const Case Cases[] = {
      {[&] { T->AddSlot("x", nullptr); }, "Bad Slot Type"},
      {[&] { T->AddSlot("x", NewList(ListOf({NewAtom("a")}))); }, "Invalid default slot value: a "},
      {[&] { T->AddMultiSlot("x", NewAtom("a")); },
       "Invalid default value for a multislot, must be a multifield: a"},
      {[&] { T->AddMultiSlot("  ", FCNilList); }, "Bad Slot Name:   "},
      {[&] { T->AddSlot("many", NewAtom("a")); },
       "Invalid value for existing slot, multislot is not slot"},
      {[&] { T->AddMultiSlot("single", FCNilList); },
       "Invalid value for existing slot, slot is not multislot"},
      {[&] { T->GetSlot("none"); }, "No such slot name: \"none\""},
      {[&] { T->RemoveSlot("none"); }, "No such slot name: \"none\""},
      {[&] { T->SetSlot("other", T->GetSlot("single")); },
       "Index does not match fact slot name: other and single"},
  };
  for (const Case& C : Cases) EXPECT_EQ(MessageOf(C.Call), C.Message);
}

TEST(Fact, UnsetSlotReadsAsACopyOfItsDefault) {
  IFactTemplate T = NewRef<TFactTemplate>(nullptr, "t");
  T->AddSlot("n", NewInteger(5));
  IFact F = NewRef<TFact>(T);  // no defaults filled in yet
  IIEValue V = F->GetValue("n");
  EXPECT_EQ(V->AsInteger(), 5);
  V->SetAsInteger(6);
  EXPECT_EQ(T->GetSlot("n")->SlotDefault()->AsInteger(), 5);
  EXPECT_EQ(F->GetValue("n")->AsInteger(), 6);  // the stored copy
  EXPECT_EQ(MessageOf([&] { F->GetValue("m"); }), "No such slot name: \"m\"");
  IIEValue Out;
  EXPECT_FALSE(F->ContainsKey("m", Out));
  EXPECT_EQ(MessageOf([] { NewRef<TFact>()->GetValue("n"); }), "Fact Template is missing");
}

TEST(Fact, DynamicChecksConvertIntoNewValuesOrRaise) {
  TStubEngine* Engine = NewObject<TStubEngine>();
  Engine->Checks = {tcStatic, tcDynamic};
  IFactTemplate T = NewRef<TFactTemplate>(Engine, "t");
  IFactSlot Ratio = T->AddSlot("ratio", NewFloat(0));
  Ratio->SetSlotType({dtFloat});
  IFactSlot Count = T->AddSlot("count", NewInteger(0));
  Count->SetSlotType({dtInteger});
  IFact F = T->NewFact();

  IIEValue Three = NewInteger(3);
  F->SetValue("ratio", Three);
  EXPECT_EQ(F->GetValue("ratio")->DType(), dtFloat);
  EXPECT_EQ(F->GetValue("ratio")->AsFloat(), 3.0);
  // The given value may be shared (another fact, a pattern constant): it stays as it was.
  EXPECT_EQ(Three->DType(), dtInteger);

  EXPECT_EQ(MessageOf([&] { F->SetValue("count", NewAtom("high")); }),
            "Not a INTEGER type.  Value (high) is a dtAtom type for count slot");
  EXPECT_EQ(F->GetValue("count")->AsInteger(), 0);
  // Variables and calls are always valid: their values come later.
  F->SetValue("count", NewVariable("x"));
  EXPECT_EQ(MessageOf([&] { Count->SetSlotDefault(NewAtom("z")); }),
            "Invalid default slot value: z");

  // Without dynamic checks anything is stored as it is.
  Engine->Checks = {tcStatic};
  F->SetValue("count", NewAtom("high"));
  EXPECT_EQ(F->GetValue("count")->AsString(), "high");
  F = nullptr;
  T = nullptr;
  Free(Engine);
}

TEST(Fact, EqualFactsHashAlikeAtomAndStringDiffer) {
  IFactTemplate T = NewRef<TFactTemplate>(nullptr, "p");
  T->AddSlot("name", FCNil);
  T->AddMultiSlot("tags", FCNilList);
  auto Make = [&](IIEValue Name, std::initializer_list<IIEValue> Tags) {
    IFact F = T->NewFact();
    F->SetValue("name", Name);
    F->SetValue("tags", NewList(ListOf(Tags)));
    return F;
  };
  IFact A = Make(NewAtom("abc"), {NewInteger(1), NewFloat(2)});
  IFact B = Make(NewAtom("abc"), {NewInteger(1), NewFloat(2)});
  IFact C = Make(NewString("abc"), {NewInteger(1), NewFloat(2)});
  IFact D = Make(NewAtom("abc"), {NewFloat(2), NewInteger(1)});
  EXPECT_TRUE(A->Equals(B.Get()));
  EXPECT_EQ(A->GetHashCode(), B->GetHashCode());
  EXPECT_FALSE(A->Equals(C.Get()));
  EXPECT_NE(A->GetHashCode(), C->GetHashCode());
  EXPECT_FALSE(A->Equals(D.Get()));
  // The hash is the template's hash and the printed values folded without building the text.
  std::string Values = A->GetValue("name")->ToString() + A->GetValue("tags")->ToString();
  EXPECT_EQ(A->GetHashCode(),
            static_cast<int32_t>(static_cast<uint32_t>(T->GetHashCode()) * 31u +
                                 static_cast<uint32_t>(CalculateHash(Values, 1))));
  EXPECT_EQ(T->GetHashCode(), CalculateHash(std::string("pname\r\ntags\r\n"), 1));
  // Facts of another template with the same content are different facts.
  IFactTemplate U = NewRef<TFactTemplate>(nullptr, "p");
  U->AddSlot("name", FCNil);
  U->AddMultiSlot("tags", FCNilList);
  IFact E = U->NewFact();
  EXPECT_FALSE(A->Equals(E.Get()));
  EXPECT_EQ(MessageOf([&] { E->AssignValues(A); }),
            "Unable to assign slot values, fact templates are different: p and p");
}

TEST(Fact, FuzzySlotsDoNotTakePartInEquality) {
  IFactTemplate T = NewRef<TFactTemplate>(nullptr, "temp");
  T->AddSlot("room", FCNil);
  T->AddSlot("level", FCNil)->SetSlotType({dtFuzzy});
  EXPECT_TRUE(T->IsFuzzy());
  auto Make = [&](double Peak) {
    IFuzzySet S = NewRef<TIFuzzySet>();
    S->Triangle(Peak - 1, Peak, Peak + 1);
    IFact F = T->NewFact();
    F->SetValue("room", NewAtom("kitchen"));
    F->SetValue("level", NewRef<TIEValue>(S));
    return F;
  };
  EXPECT_TRUE(Make(10)->Equals(Make(50).Get()));
}

TEST(Fact, PrintedForms) {
  IFactTemplate Colour = OrderedTemplate(nullptr, "colour");
  IFact C = Colour->NewFact();
  EXPECT_EQ(C->ToString(), "(colour)");
  C->SetValue(SDefaultSlotName, NewList(ListOf({NewAtom("red"), NewAtom("green")})));
  EXPECT_EQ(C->ToString(), "(colour red green )");

  IFactTemplate P = NewRef<TFactTemplate>(nullptr, "p");
  P->AddSlot("a", FCNil);
  P->AddSlot("b", NewString("x\"y"));
  P->AddMultiSlot("empty", FCNilList);
  P->AddMultiSlot("kept", NewList(ListOf({NewAtom("d")})));
  IFact F = P->NewFact();
  EXPECT_EQ(F->ToString(), "(p (b \"x\\\"y\") (kept d ))");
  // An emptied multislot whose default is not empty prints, or it would read back as the default.
  F->SetValue("kept", NewList());
  EXPECT_EQ(F->ToString(), "(p (b \"x\\\"y\") (kept))");

  IFact Bare = NewRef<TFact>();
  Bare->PutValueAt(0, NewAtom("x"));
  Bare->PutValueAt(1, NewInteger(2));
  EXPECT_EQ(Bare->ToString(), "(x 2 )");

  F->SetID(7);
  EXPECT_EQ(F->GetToIDString(), "f-7 " + F->ToString());
  TStubEngine* Engine = NewObject<TStubEngine>();
  Engine->Counter = 123;
  IFactTemplate Q = OrderedTemplate(Engine, "q");
  IFact G = Q->NewFact();
  G->SetID(7);
  EXPECT_EQ(G->GetToIDString(), "f-007 (q)");
  G = nullptr;
  Q = nullptr;
  Free(Engine);
}

TEST(FactTemplate, PrintedForms) {
  IFactTemplate T = NewRef<TFactTemplate>(nullptr, "person");
  T->SetComment("say \"hi\" \\ bye");
  T->AddSlot("name", FCNil);
  T->AddSlot("age", NewInteger(0))->SetSlotType({dtInteger});
  IFactSlot Tags = T->AddMultiSlot("tags", NewList(ListOf({NewInteger(1), NewInteger(2)})));
  Tags->SetSlotType(TIETypes{dtInteger} + IEMultiSlotTypes);
  T->AddSlot("when", NewInteger(1))->SetDefaultDynamic(true);
  EXPECT_EQ(T->GetSlot("name")->ToString(), "(slot name )");
  EXPECT_EQ(T->GetSlot("age")->ToString(), "(slot age (type INTEGER)\r\n        (default 0) )");
  EXPECT_EQ(Tags->ToString(), "(multislot tags (type INTEGER) \r\n        (default 1 2 ) )");
  EXPECT_EQ(T->GetSlot("when")->ToString(), "(slot when (default-dynamic 1) )");
  EXPECT_EQ(T->ToString(),
            "(deftemplate person \"say \\\"hi\\\" \\\\ bye\"\r\n"
            "    (slot name )\r\n"
            "    (slot age (type INTEGER)\r\n"
            "            (default 0) )\r\n"
            "    (multislot tags (type INTEGER) \r\n"
            "            (default 1 2 ) )\r\n"
            "    (slot when (default-dynamic 1) )\r\n"
            ")");
  IFactTemplate Child = NewRef<TFactTemplate>(nullptr, T, "", "student");
  EXPECT_EQ(Child->GetSlotCount(), 4);
  EXPECT_EQ(Child->Parent(), T);
  EXPECT_EQ(Child->ToString().substr(0, 40), "(deftemplate student\r\n    extends person");
  EXPECT_EQ(OrderedTemplate(nullptr, "colour")->ToString(), "(deftemplate colour)");
}

TEST(FactTemplate, EqualityAndRenaming) {
  auto Make = [](const std::string& Name, bool Extra) {
    IFactTemplate T = NewRef<TFactTemplate>(nullptr, Name);
    T->AddSlot("a", NewInteger(1));
    if (Extra) T->AddSlot("b", FCNil);
    return T;
  };
  EXPECT_TRUE(Make("t", false)->Equals(Make("t", false).Get()));
  EXPECT_TRUE(Make("t", false)->Equals(Make("t", true).Get()));  // only this side's slots count
  EXPECT_FALSE(Make("t", true)->Equals(Make("t", false).Get()));
  EXPECT_FALSE(Make("t", false)->Equals(Make("T", false).Get()));

  TStubEngine* Engine = NewObject<TStubEngine>();
  IFactTemplate T = NewRef<TFactTemplate>(Engine, "old");
  int32_t Before = T->GetHashCode();
  T->SetTemplateName("new");
  EXPECT_EQ(Engine->Renames, (std::vector<std::string>{"old->new"}));
  T->AddSlot("s", FCNil);
  EXPECT_NE(T->GetHashCode(), Before);
  T = nullptr;
  Free(Engine);
}

TEST(Fact, SetTemplateRebindsByName) {
  IFactTemplate A = NewRef<TFactTemplate>(nullptr, "a");
  A->AddSlot("x", FCNil);
  A->AddSlot("y", FCNil);
  IFactTemplate B = NewRef<TFactTemplate>(nullptr, "b");
  B->AddSlot("z", NewInteger(9));
  B->AddSlot("x", FCNil);
  IFact F = A->NewFact();
  F->SetValue("x", NewInteger(1));
  F->SetValue("y", NewInteger(2));
  F->SetTemplate(B);
  EXPECT_EQ(F->GetValue("x")->AsInteger(), 1);
  EXPECT_EQ(F->GetValue("z")->AsInteger(), 9);
  EXPECT_EQ(MessageOf([&] { F->GetValue("y"); }), "No such slot name: \"y\"");
  F->SetTemplate(nullptr);
  EXPECT_EQ(F->ToString(), "()");
}

TEST(Fact, CloneCopiesValuesAndKeepsTheID) {
  IFactTemplate T = NewRef<TFactTemplate>(nullptr, "t");
  T->AddMultiSlot("l", FCNilList);
  IFact F = T->NewFact();
  F->SetValue("l", NewList(ListOf({NewAtom("a")})));
  F->SetID(4);
  IFact G = F->Clone();
  EXPECT_EQ(G->ID(), 4);
  EXPECT_TRUE(G->Equals(F.Get()));
  G->GetValue("l")->AsList()->Add(NewAtom("b"));
  EXPECT_EQ(F->GetValue("l")->AsList()->Count(), 1);
}

}  // namespace
}  // namespace norvale
