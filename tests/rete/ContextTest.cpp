#include <gtest/gtest.h>

#include "TestSupport.h"

#include <functional>
#include <memory>
#include <vector>

#include "engine/core/ValueVector.h"
#include "engine/rete/IEContext.h"

namespace norvale {
namespace {

using test::MessageOf;

IIEValue ListValue(std::initializer_list<IIEValue> Items) {
  return NewList(NewRef<TValueVector>(Items));
}

struct TContextFree {
  void operator()(TIEContext* C) const { Free(C); }
};
using TContextHolder = std::unique_ptr<TIEContext, TContextFree>;

// A global context with three nested scopes (G > C1 > C2 > C3).
class ScopeTest : public ::testing::Test {
 protected:
  TIEContext G{nullptr, nullptr};
  TContextHolder C1{G.Push()};
  TContextHolder C2{C1->Push()};
  TContextHolder C3{C2->Push()};
};

TEST_F(ScopeTest, LookupRunsFromTheInnermostScopeOutwards) {
  IIEValue Global = NewInteger(1);
  G.AddLocalBinding("x", Global);
  EXPECT_EQ(C3->GetVariable("x"), Global);  // the bound object itself
  EXPECT_EQ(C3->Parent(), C2.get());
  EXPECT_EQ(C3->Outermost(), &G);

  IIEValue Local = NewInteger(2);
  C3->AddLocalBinding("x", Local);
  EXPECT_EQ(C3->GetVariable("x"), Local);
  EXPECT_EQ(C2->GetVariable("x"), Global);
  EXPECT_EQ(C3->FindGlobalBinding("x")->Value(), Global);
  EXPECT_EQ(C2->FindGlobalBinding("y"), nullptr);

  // Names are case-sensitive.
  EXPECT_EQ(C3->FindBinding("X"), nullptr);
  EXPECT_EQ(MessageOf([&] { C3->GetVariable("X"); }), "Unknown variable name: X");
}

TEST_F(ScopeTest, WritesGoToTheScopeThatHoldsTheName) {
  G.AddLocalBinding("g", NewInteger(1));
  C1->AddLocalBinding("m", NewInteger(1));

  C3->SetVariable("n", NewInteger(5));  // wholly new: local to C3
  EXPECT_NE(C3->Bindings().Find("n"), nullptr);
  EXPECT_EQ(C2->FindBinding("n"), nullptr);

  C2->SetVariable("g", NewInteger(6));  // exists only globally: the global changes
  EXPECT_EQ(C2->Bindings().Count(), 0);
  EXPECT_EQ(G.GetVariable("g")->AsInteger(), 6);

  C3->SetVariable("m", NewInteger(7));  // held by a middle scope
  EXPECT_EQ(C1->Bindings().Find("m")->Value()->AsInteger(), 7);
  EXPECT_EQ(C3->Bindings().Count(), 1);

  C3->AddBinding("g", NewInteger(8));  // AddBinding finds it in any scope, too
  EXPECT_EQ(G.GetVariable("g")->AsInteger(), 8);
  C3->AddBinding("k", NewInteger(9));
  EXPECT_NE(C3->Bindings().Find("k"), nullptr);

  C3->AddGlobalBinding("g", NewInteger(10));
  C3->AddGlobalBinding("h", NewInteger(11));
  EXPECT_EQ(G.GetVariable("g")->AsInteger(), 10);
  EXPECT_NE(G.Bindings().Find("h"), nullptr);
  EXPECT_EQ(C3->Bindings().Find("h"), nullptr);

  C3->AddLocalBinding("g", NewInteger(12));  // shadows, the global stays
  EXPECT_EQ(G.GetVariable("g")->AsInteger(), 10);
  EXPECT_EQ(C3->GetVariable("g")->AsInteger(), 12);
}

TEST_F(ScopeTest, AReferenceBindingShadowsAnOuterBindingWithoutFreeingIt) {
  IIEValue Outer = NewInteger(1);
  TBinding* Held = C1->AddLocalBinding("x", Outer);
  TBinding* Ref = C3->AddBinding("x", 0, "colour", NoSubIndex);
  EXPECT_EQ(C3->FindBinding("x"), Ref);
  EXPECT_EQ(Ref->FactIndex(), 0);
  EXPECT_EQ(Ref->SlotIndex(), "colour");
  EXPECT_EQ(Ref->Value(), nullptr);
  EXPECT_EQ(C2->FindBinding("x"), Held);
  EXPECT_EQ(Held->Value(), Outer);  // still alive: the sanitizer run would catch a stray free
  C3.reset();
  EXPECT_EQ(C2->GetVariable("x"), Outer);
}

TEST_F(ScopeTest, PopCarriesTheReturnState) {
  EXPECT_EQ(G.Pop(), &G);

  IIEValue R = NewAtom("done");
  C3->SetReturnValue(R);
  EXPECT_TRUE(C3->ReturnFlag());
  EXPECT_EQ(C3->Pop(), C2.get());
  EXPECT_TRUE(C2->ReturnFlag());
  EXPECT_EQ(C2->ReturnValue(), R);
  EXPECT_TRUE(C3->ReturnFlag());  // the popped scope keeps its own
  EXPECT_FALSE(C1->ReturnFlag());

  // A child without a return carries the cleared state out as well.
  C1->SetReturnValue(R);
  C2->ClearReturnValue();
  C2->Pop();
  EXPECT_FALSE(C1->ReturnFlag());
  EXPECT_EQ(C1->ReturnValue(), nullptr);

  // Binding values stay where they were bound.
  C3->AddLocalBinding("local", NewInteger(1));
  C3->Pop();
  EXPECT_EQ(C2->FindBinding("local"), nullptr);
}

TEST_F(ScopeTest, ClearEmptiesTheOwnTableAndTheReturnState) {
  G.AddLocalBinding("g", NewInteger(1));
  C1->AddLocalBinding("a", NewInteger(1));
  C1->SetReturnValue(NewInteger(3));
  C1->Clear();
  EXPECT_EQ(C1->Bindings().Count(), 0);
  EXPECT_FALSE(C1->ReturnFlag());
  EXPECT_EQ(C1->ReturnValue(), nullptr);
  EXPECT_NE(C2->FindBinding("g"), nullptr);

  C2->SetReturnValue(NewInteger(4));  // no bindings at all
  C2->Clear();
  EXPECT_FALSE(C2->ReturnFlag());
}

TEST(Context, AssignCopiesTheReturnStateAsAClone) {
  TIEContext A(nullptr, nullptr);
  TIEContext B(nullptr, nullptr);
  IIEValue R = ListValue({NewInteger(1)});
  A.SetReturnValue(R);
  B.Assign(&A);
  EXPECT_TRUE(B.ReturnFlag());
  ASSERT_NE(B.ReturnValue(), nullptr);
  EXPECT_NE(B.ReturnValue(), R);
  EXPECT_TRUE(B.ReturnValue()->Equals(R));
  TIEContext C(nullptr, nullptr);
  B.Assign(&C);
  EXPECT_FALSE(B.ReturnFlag());
  EXPECT_EQ(B.ReturnValue(), nullptr);
}

// Records the notifications of its table.
class TRecordingContext : public TIEContext {
 public:
  TRecordingContext() : TIEContext(nullptr, nullptr) {}
  void Notify(TBinding* Binding, TTableNotification Action) override {
    Log.push_back({Action, Binding ? Binding->Name() : std::string("-")});
    TIEContext::Notify(Binding, Action);
  }
  std::vector<std::pair<TTableNotification, std::string>> Log;
};

TEST(Bindings, ReplacingRemovingAndClearingNotifyTheContext) {
  TRecordingContext C;
  C.AddLocalBinding("b", NewInteger(1));
  C.AddLocalBinding("a", NewInteger(2));
  C.AddLocalBinding("c", NewInteger(3));
  std::vector<std::string> Names;
  for (TBinding* B : C.Bindings().Items()) Names.push_back(B->Name());
  EXPECT_EQ(Names, (std::vector<std::string>{"b", "a", "c"}));

  IIEValue New = NewInteger(4);
  C.AddLocalBinding("a", New);
  EXPECT_EQ(C.Bindings().Count(), 3);
  EXPECT_EQ(C.GetVariable("a"), New);
  C.Bindings().Remove("b");
  C.Bindings().Remove("nothing");
  EXPECT_EQ(C.Bindings().Count(), 2);
  C.SetReturnValue(New);
  C.Clear();
  EXPECT_FALSE(C.ReturnFlag());

  using L = std::vector<std::pair<TTableNotification, std::string>>;
  EXPECT_EQ(C.Log, (L{{tnAdded, "b"},
                      {tnAdded, "a"},
                      {tnAdded, "c"},
                      {tnDeleted, "a"},
                      {tnAdded, "a"},
                      {tnDeleted, "b"},
                      {tnCleared, "-"}}));
}

TEST(Bindings, EqualityAndPrintedForms) {
  TBinding Local("x", NewInteger(1));
  EXPECT_EQ(Local.FactIndex(), LocalBindingIndex);
  EXPECT_EQ(Local.SlotIndex(), SLocalBinding);
  EXPECT_EQ(Local.SubIndex(), NoSubIndex);
  EXPECT_EQ(Local.ToString(), "name=x value=1 FactIdx=-2 SlotIdx=__LOCAL");
  TBinding Ref("y", 1, "items", 2);
  EXPECT_EQ(Ref.ToString(), "name=y FactIdx=1 SlotIdx=items SubIdx=2");

  TBinding SameValue("x", NewInteger(1));
  TBinding OtherValue("x", NewInteger(2));
  TBinding OtherName("X", NewInteger(1));
  TBindingInfo Info(LocalBindingIndex, SLocalBinding, NoSubIndex);
  EXPECT_TRUE(Local.Equals(&SameValue));
  EXPECT_FALSE(Local.Equals(&OtherValue));
  EXPECT_FALSE(Local.Equals(&OtherName));
  EXPECT_FALSE(Local.Equals(&Info));
  EXPECT_TRUE(Ref.Equals(&Ref));
}

TEST(Context, ExpandListSplicesResolvedListsRecursively) {
  TIEContext C(nullptr, nullptr);
  // (1 (2 3) 4)
  IValueVector L = NewRef<TValueVector>(std::initializer_list<IIEValue>{
      NewInteger(1), ListValue({NewInteger(2), NewInteger(3)}), NewInteger(4)});
  IValueVector R = C.ExpandList(*L);
  EXPECT_EQ(R->ToString(), "1 2 3 4 ");
  EXPECT_EQ(R->Count(), 4);
  EXPECT_NE(R, L);
  EXPECT_EQ(L->Count(), 3);

  // Variables read their bindings; a bound list, and lists nested in it, are spliced in.
  C.AddLocalBinding("m", ListValue({NewAtom("a"), ListValue({NewAtom("b"), NewVariable("v")})}));
  C.AddLocalBinding("v", NewAtom("c"));
  IValueVector V = NewRef<TValueVector>(
      std::initializer_list<IIEValue>{NewMultiVariable("m"), NewVariable("v"), ListValue({})});
  IValueVector E = C.ExpandList(*V);
  EXPECT_EQ(E->ToString(), "a b c c ");
  EXPECT_EQ(E->Count(), 4);
}

TEST(Context, FlattenListResolvesNothing) {
  IValueVector L = NewRef<TValueVector>(std::initializer_list<IIEValue>{
      NewInteger(1), ListValue({ListValue({NewInteger(2)}), NewInteger(3)}), NewVariable("v"),
      ListValue({})});
  IValueVector R = TIEContext::FlattenList(*L);
  ASSERT_EQ(R->Count(), 4);
  EXPECT_EQ(R->ToString(), "1 2 3 ?v ");
  EXPECT_EQ(R->Get(3), L->Get(2));  // the same value objects
}

TEST(Context, ResolvingVariables) {
  TIEContext C(nullptr, nullptr);
  IIEValue Bound = NewAtom("red");
  C.AddLocalBinding("x", Bound);
  TContextHolder Inner(C.Push());
  EXPECT_EQ(NewVariable("x")->Resolve(Inner.get()), Bound);
  EXPECT_EQ(NewMultiVariable("x")->Resolve(Inner.get()), Bound);

  Inner->AddBinding("r", 0, "colour", NoSubIndex);  // a reference that holds no value
  TBindingInfo NotAContext;
  struct Case {
    IIEValue Value;
    TObject* Context;
    std::string Message;
  };
  const Case Cases[] = {
      {NewVariable("y"), Inner.get(), "Corrupted Binding, variable not found: y"},
      {NewVariable("r"), Inner.get(), "Corrupted Binding, variable not found: r"},
      {NewMultiVariable("X"), Inner.get(), "Corrupted Binding, variable not found: X"},
      {NewVariable("x"), &NotAContext,
       "No context found when trying to resolve a dtVariable value"},
      {NewMultiVariable("x"), &NotAContext,
       "No context found when trying to resolve a dtMultiVariable value"},
      {NewRef<TIEValue>(new TBindingInfo(0, "colour", NoSubIndex), true), &NotAContext,
       "No context found when trying to resolve a dtObject value"},
  };
  for (const Case& K : Cases)
    EXPECT_EQ(MessageOf([&] { K.Value->Resolve(K.Context); }), K.Message) << K.Value->ToString();

  // Other values are themselves.
  IIEValue Atom = NewAtom("a");
  EXPECT_EQ(Atom->Resolve(Inner.get()), Atom);
  TPersistent Other;
  IIEValue Plain = NewRef<TIEValue>(&Other, false);
  EXPECT_EQ(Plain->Resolve(Inner.get()), Plain);
}

// Facts of a template p (slot colour, multislot items) matched by a partial match of two facts.
class BindingReferenceTest : public ::testing::Test {
 protected:
  IFact MakeFact(int32_t Id, const std::string& Colour, std::initializer_list<IIEValue> Items) {
    IFact F = Template->NewFact();
    F->SetID(Id);
    F->SetValue("colour", NewAtom(Colour));
    F->SetValue("items", ListValue(Items));
    return F;
  }
  static IIEValue Reference(int FactIndex, const std::string& Slot, int SubIndex = NoSubIndex) {
    return NewRef<TIEValue>(new TBindingInfo(FactIndex, Slot, SubIndex), true);
  }

  IFactTemplate Template = [] {
    IFactTemplate T = NewRef<TFactTemplate>(nullptr, "p");
    T->AddSlot("colour", NewAtom("none"));
    T->AddMultiSlot("items", NewList());
    return T;
  }();
  IFact F1 = MakeFact(1, "red", {NewAtom("a"), NewAtom("b"), NewAtom("c")});
  IFact F2 = MakeFact(2, "green", {});
  IFact F3 = MakeFact(3, "blue", {NewAtom("z")});
  IReteToken Token = NewRef<TIEToken>(NewRef<TIEToken>(taAdd, F1), F2);
  TIEContext C{nullptr, nullptr};
};

TEST_F(BindingReferenceTest, ReferencesReadTheTokenAndTheCurrentFact) {
  C.SetToken(Token);
  struct Case {
    int FactIndex;
    const char* Slot;
    int SubIndex;
    bool WithCurrent;
    std::string Expected;
  };
  const Case Cases[] = {
      {0, "colour", NoSubIndex, false, "red"},
      {1, "colour", NoSubIndex, false, "green"},
      {1, "__PATTERN", NoSubIndex, false, "<Fact-2>"},
      {0, "items", 1, false, "b"},
      {0, "items", NoSubIndex, false, "a b c "},
      {2, "colour", NoSubIndex, true, "blue"},  // the token holds two facts: the current one
      {2, "__PATTERN", NoSubIndex, true, "<Fact-3>"},
      {0, "items", 2, true, "c"},  // a position inside the token
      {1, "colour", NoSubIndex, true, "green"},
  };
  for (const Case& K : Cases) {
    C.SetFact(K.WithCurrent ? F3 : IFact());
    IIEValue V = Reference(K.FactIndex, K.Slot, K.SubIndex)->Resolve(&C);
    ASSERT_NE(V, nullptr);
    EXPECT_EQ(V->ToString(), K.Expected) << K.FactIndex << " " << K.Slot << " " << K.SubIndex;
  }

  // A slot reference gives the fact's own value object; __PATTERN a new fact ID.
  C.SetFact(nullptr);
  EXPECT_EQ(Reference(0, "colour")->Resolve(&C), F1->GetValue("colour"));
  IIEValue Id = Reference(0, "__PATTERN")->Resolve(&C);
  EXPECT_EQ(Id->DType(), dtFactId);
  EXPECT_EQ(Id->AsFactId(), 1);

  // Without a token the current fact stands at position 0 (an alpha test).
  C.SetToken(nullptr);
  C.SetFact(F3);
  EXPECT_EQ(Reference(0, "colour")->Resolve(&C)->ToString(), "blue");
}

TEST_F(BindingReferenceTest, AReferenceToSomethingMissingFailsCleanly) {
  struct Case {
    bool WithToken;
    bool WithCurrent;
    int FactIndex;
    const char* Slot;
    int SubIndex;
    std::string Message;
  };
  const Case Cases[] = {
      {true, false, 2, "colour", NoSubIndex,
       "Binding refers to a missing fact: FactIdx=2 SlotIdx=colour"},
      {true, false, 5, "colour", NoSubIndex,
       "Binding refers to a missing fact: FactIdx=5 SlotIdx=colour"},
      {true, true, 5, "colour", NoSubIndex,
       "Binding refers to a missing fact: FactIdx=5 SlotIdx=colour"},
      {true, false, -1, "__PATTERN", NoSubIndex,
       "Binding refers to a missing fact: FactIdx=-1 SlotIdx=__PATTERN"},
      {false, false, 0, "colour", NoSubIndex,
       "Binding refers to a missing fact: FactIdx=0 SlotIdx=colour"},
      {false, true, 1, "colour", NoSubIndex,
       "Binding refers to a missing fact: FactIdx=1 SlotIdx=colour"},
      {true, false, 0, "size", NoSubIndex, "No such slot name: \"size\""},
      {true, false, 0, "Colour", NoSubIndex, "No such slot name: \"Colour\""},
      {true, false, 0, "items", 3,
       "Binding refers to a missing field: FactIdx=0 SlotIdx=items SubIdx=3"},
      {true, false, 1, "items", 0,
       "Binding refers to a missing field: FactIdx=1 SlotIdx=items SubIdx=0"},
      {true, false, 0, "items", -5,
       "Binding refers to a missing field: FactIdx=0 SlotIdx=items SubIdx=-5"},
      {true, false, 0, "colour", 0,
       "Binding refers to a missing field: FactIdx=0 SlotIdx=colour SubIdx=0"},
  };
  for (const Case& K : Cases) {
    C.SetToken(K.WithToken ? Token : IReteToken());
    C.SetFact(K.WithCurrent ? F3 : IFact());
    EXPECT_EQ(MessageOf([&] { Reference(K.FactIndex, K.Slot, K.SubIndex)->Resolve(&C); }),
              K.Message);
  }

  // A position of the token that holds no fact (an extension by nil).
  C.SetToken(NewRef<TIEToken>(Token, IFact()));
  C.SetFact(nullptr);
  EXPECT_EQ(MessageOf([&] { Reference(2, "colour")->Resolve(&C); }),
            "Binding refers to a missing fact: FactIdx=2 SlotIdx=colour");
}

TEST_F(BindingReferenceTest, ResolvingAFactPutsNewValuesAndExpandsLists) {
  C.AddLocalBinding("c", NewAtom("violet"));
  C.AddLocalBinding("rest", ListValue({NewAtom("y"), NewAtom("z")}));
  IFact F = Template->NewFact();
  IIEValue Colour = NewVariable("c");
  IIEValue Items = ListValue({NewAtom("x"), NewMultiVariable("rest"), ListValue({NewAtom("w")})});
  F->SetValue("colour", Colour);
  F->SetValue("items", Items);
  IValueVector Original = Items->AsList();

  EXPECT_EQ(C.Resolve(F), F);
  EXPECT_EQ(F->GetValue("colour"), C.GetVariable("c"));
  IIEValue Expanded = F->GetValue("items");
  EXPECT_NE(Expanded, Items);
  EXPECT_EQ(Expanded->ToString(), "x y z w ");
  // The original value objects are untouched.
  EXPECT_EQ(Colour->DType(), dtVariable);
  EXPECT_EQ(Items->DType(), dtList);
  EXPECT_EQ(Items->AsList(), Original);
  EXPECT_EQ(Original->ToString(), "x $?rest w  ");
  EXPECT_EQ(F->ToString(), "(p (colour violet) (items x y z w ))");

  // A variable bound to a list, in a single slot, is expanded as well.
  IFact G = Template->NewFact();
  G->SetValue("colour", NewMultiVariable("rest"));
  C.Resolve(G);
  EXPECT_NE(G->GetValue("colour"), C.GetVariable("rest"));
  EXPECT_EQ(G->GetValue("colour")->ToString(), "y z ");
  EXPECT_EQ(C.GetVariable("rest")->AsList()->Count(), 2);
}

class FuzzyFactTest : public BindingReferenceTest {
 protected:
  FuzzyFactTest() {
    Fuzzy = NewRef<TFactTemplate>(nullptr, "f");
    Fuzzy->AddSlot("level", FCNil);
    Fuzzy->AddMultiSlot("items", NewList());
    Fuzzy->FindSlot("level")->SetSlotType(TIETypes{dtFuzzy});
  }
  ~FuzzyFactTest() override { SetFuzzyFactResolver(nullptr); }

  IFactTemplate Fuzzy;
  static inline TFact* Seen = nullptr;
};

TEST_F(FuzzyFactTest, FuzzyFactsGoToTheInstalledResolverOrKeepTheirLists) {
  ASSERT_TRUE(Fuzzy->IsFuzzy());
  C.AddLocalBinding("rest", ListValue({NewAtom("y")}));
  C.AddLocalBinding("lv", NewAtom("high"));
  IFact F = Fuzzy->NewFact();
  IIEValue Items = ListValue({NewAtom("x"), NewMultiVariable("rest")});
  F->SetValue("items", Items);
  F->SetValue("level", NewVariable("lv"));

  // Without a resolver: slots resolved, lists left as they are.
  C.Resolve(F);
  EXPECT_EQ(F->GetValue("level"), C.GetVariable("lv"));
  EXPECT_EQ(F->GetValue("items"), Items);

  SetFuzzyFactResolver([](TIEContext&, TFact& Fact) { Seen = &Fact; });
  IFact G = Fuzzy->NewFact();
  G->SetValue("level", NewVariable("lv"));
  EXPECT_EQ(C.Resolve(G), G);
  EXPECT_EQ(Seen, G.Get());
  EXPECT_EQ(G->GetValue("level")->DType(), dtVariable);  // the resolver did the whole job

  // Other templates never reach it.
  Seen = nullptr;
  C.Resolve(Template->NewFact());
  EXPECT_EQ(Seen, nullptr);
}

}  // namespace
}  // namespace norvale
