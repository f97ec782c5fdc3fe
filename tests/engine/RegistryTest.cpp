#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "TestSupport.h"
#include "engine/engine/FactSet.h"
#include "platform/TypeInfo.h"

namespace norvale {
namespace {

using test::MessageOf;

class RegistryTest : public test::EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    Function("log", [this](const std::vector<IIEValue>&, TIEContext*) { return FCTrue; });
  }
  TRule* On(const std::string& Name, const std::string& Template) {
    return Rule(Name, [&](TRule* R) {
      R->Patterns().Add(Pattern(R, Template, {NewVariable("x")}));
      R->Actions().Add(Call("log", {NewVariable("x")}));
    });
  }
  IFactTemplate Unordered(const std::string& Name, std::initializer_list<const char*> Slots,
                          bool Register = true) {
    IFactTemplate T = NewRef<TFactTemplate>(Engine, Name);
    for (const char* S : Slots) T->AddSlot(S, FCNil);
    if (Register) Engine->FactTemplates().Add(T);
    return T;
  }
};

TEST_F(RegistryTest, ANewEngineHoldsInitialFactAsFactZero) {
  EXPECT_EQ(FactTexts(), (std::vector<std::string>{"f-0 (Initial-Fact)"}));
  EXPECT_EQ(Engine->Assert(OrderedFact("a", {NewInteger(1)})), 1);
  // A rule whose only pattern is negated matches on (Initial-Fact).
  Rule("none", [&](TRule* R) { R->Patterns().Add(Pattern(R, "b", {}, 1)); });
  EXPECT_EQ(Engine->ActivationCount(), 1);
}

TEST_F(RegistryTest, TheSameFactObjectIsNotAssertedTwiceEvenWithDuplicatesAllowed) {
  Engine->SetFactDuplication(true);
  IFact F = OrderedFact("a", {NewInteger(1)});
  EXPECT_EQ(Engine->Assert(F), 1);
  EXPECT_EQ(Engine->Assert(F), -1);
  EXPECT_EQ(F->ID(), 1);
  // An equal copy is another fact and is kept.
  EXPECT_EQ(Engine->Assert(F->Clone()), 2);
  Engine->Retract(1);
  EXPECT_EQ(FactTexts(), (std::vector<std::string>{"f-0 (Initial-Fact)", "f-2 (a 1 )"}));
}

TEST_F(RegistryTest, PreservedIDsAndTheCounterAfterThem) {
  struct TCase {
    int CounterBefore;
    int Id;
    int Expected;  // the ID the fact gets
    int Next;      // the next ordinary assertion's ID
  };
  for (const TCase& C : {TCase{3, 57, 57, 58}, TCase{100, 57, 57, 100}, TCase{3, 0, 3, 4}}) {
    Engine->Reset();
    Engine->SetFactIdCounter(C.CounterBefore);
    Engine->Facts().SetPreserveIDs(true);
    IFact F = OrderedFact("kept", {});
    F->SetID(C.Id);
    Engine->Facts().Add(F);
    EXPECT_EQ(F->ID(), C.Expected) << C.Id;  // ID 0 is taken: an ordinary assertion
    EXPECT_EQ(Engine->GetFactByID(C.Expected), F);
    EXPECT_EQ(Engine->Assert(OrderedFact("after", {})), C.Next) << C.Id;
    Engine->Facts().SetPreserveIDs(false);
    Engine->SetFactIdCounter(0);
  }
}

TEST_F(RegistryTest, FactsInsertedOutOfOrderAreStillFoundByID) {
  for (int I = 1; I <= 8; ++I) Engine->Assert(OrderedFact("n", {NewInteger(I)}));
  IFact Moved = OrderedFact("moved", {});
  Engine->Facts().Insert(2, Moved);
  ASSERT_EQ(Engine->Facts().Items(2), Moved);
  EXPECT_EQ(Engine->FindFact(Moved->ID()), 2);
  for (int Id = 1; Id <= 8; ++Id) EXPECT_EQ(Engine->Facts().Items(Engine->FindFact(Id))->ID(), Id);
  Engine->Retract(Moved->ID());
  EXPECT_EQ(Engine->FindFact(Moved->ID()), -1);
  EXPECT_EQ(Engine->FactCount(), 9);
  // Delete from a host retracts through the engine, with the event.
  int Retracted = 0;
  Engine->OnRetraction = [&](TObject*, const IFact&) { ++Retracted; };
  Engine->Facts().Delete(1);
  EXPECT_EQ(Retracted, 1);
  EXPECT_EQ(Engine->FactCount(), 8);
}

TEST_F(RegistryTest, TheDuplicateConstructsPolicy) {
  struct TCase {
    TDuplicateConstructs Policy;
    bool NewKept;
    std::string Message;
  };
  IFactTemplate Kind = Unordered("kind", {"v"});
  for (const TCase& C :
       {TCase{dcOverwrite, true, "<no exception>"}, TCase{dcIgnore, false, "<no exception>"},
        TCase{dcError, false, "error"}}) {
    Engine->SetDuplicateConstructs(dcOverwrite);
    TRule* OldRule = On("r", "a");
    IFactTemplate OldT = Unordered("t", {"x"});
    IIEDefinedType OldType = NewRef<TIEDefinedType>();
    OldType->SetName("ty");
    Engine->DefinedTypes().Add(OldType);
    IUserFunction OldF = NewRef<test::TLambdaFunction>(
        "f", [](const std::vector<IIEValue>&, TIEContext*) { return FCNil; });
    Engine->AddUserFunction(OldF);
    Engine->Assert(OrderedFact("a", {NewInteger(1)}));
    ASSERT_EQ(Engine->ActivationCount(), 1);

    Engine->SetDuplicateConstructs(C.Policy);
    auto* NewRule = NewObject<TRule>(Engine);
    NewRule->SetRuleName("r");
    NewRule->Patterns().Add(Pattern(NewRule, "a", {NewVariable("y")}));
    std::string RuleMessage = MessageOf([&] { Engine->Rules().Add(NewRule); });
    IFactTemplate NewT = Unordered("t", {"y"}, false);
    std::string TemplateMessage = MessageOf([&] { Engine->FactTemplates().Add(NewT); });
    IIEDefinedType NewType = NewRef<TIEDefinedType>();
    NewType->SetName("ty");
    std::string TypeMessage = MessageOf([&] { Engine->DefinedTypes().Add(NewType); });
    IUserFunction NewF = NewRef<test::TLambdaFunction>(
        "f", [](const std::vector<IIEValue>&, TIEContext*) { return FCTrue; });
    std::string FunctionMessage = MessageOf([&] { Engine->AddUserFunction(NewF); });

    if (C.Policy == dcError) {
      EXPECT_EQ(RuleMessage, "Duplicate Rules defined with same name: \"r\"");
      EXPECT_EQ(TemplateMessage, "Fact Template Name already exists: \"t\"");
      EXPECT_EQ(TypeMessage, "Defined Type Name already exists: \"ty\"");
      EXPECT_EQ(FunctionMessage, "Function Name already exists: \"f\"");
    } else {
      for (const std::string& M : {RuleMessage, TemplateMessage, TypeMessage, FunctionMessage})
        EXPECT_EQ(M, C.Message);
    }
    EXPECT_EQ(Engine->Rules().Find("r") == NewRule, C.NewKept);
    EXPECT_EQ(Engine->FactTemplates().Find("t") == NewT, C.NewKept);
    EXPECT_EQ(Engine->DefinedTypes().Find("ty") == NewType, C.NewKept);
    EXPECT_EQ(Engine->GetUserFunction("f") == NewF, C.NewKept);
    // The old rule's activation made way for the new one's; a rule not taken is not compiled.
    EXPECT_EQ(Engine->ActivationCount(), 1);
    EXPECT_EQ(Engine->Agenda().First()->Rule(), C.NewKept ? NewRule : OldRule);
    if (!C.NewKept) {
      EXPECT_EQ(Engine->Network().GetRuleNodesList(NewRule), nullptr);
      Free(NewRule);
    }
    Engine->SetDuplicateConstructs(dcOverwrite);
    Engine->Clear();
  }
}

TEST_F(RegistryTest, RemovingATemplateTakesItsFactsFactSetLinesAndRules) {
  IFactTemplate Gone = Unordered("gone", {"v"});
  IFactTemplate Kept = Unordered("kept", {"v"});
  Rule("uses-gone", [&](TRule* R) {
    R->Patterns().Add(Pattern(R, "other", {NewVariable("x")}));
    R->Patterns().Add(NewObject<TIEPattern>(R, 1, Gone, "gone"));
  });
  Rule("uses-kept",
       [&](TRule* R) { R->Patterns().Add(NewObject<TIEPattern>(R, 0, Kept, "kept")); });
  IFact G = Gone->NewFact();
  IFact K = Kept->NewFact();
  Engine->Assert(G);
  Engine->Assert(K);
  auto* Set = NewObject<TFactSet>(Engine);
  Set->AddFact(Gone->NewFact());
  Set->AddFact(Kept->NewFact());
  std::vector<std::string> Events;
  Engine->OnRetraction = [&](TObject*, const IFact& F) {
    Events.push_back("retract " + F->ToString());
  };
  Engine->OnRemoveFactTemplate = [&](TObject*, const IFactTemplate& T) {
    Events.push_back("template " + T->TemplateName());
  };
  Engine->OnRemoveRule = [&](TObject*, TRule* R) { Events.push_back("rule " + R->RuleName()); };

  Engine->FactTemplates().Remove("gone");
  EXPECT_EQ(Events,
            (std::vector<std::string>{"template gone", "retract (gone)", "rule uses-gone"}));
  EXPECT_FALSE(Engine->FactTemplates().Find("gone"));
  EXPECT_EQ(Engine->FindFact(K->ID()), 1);
  EXPECT_EQ(Engine->Rules().Count(), 1);
  ASSERT_EQ(Set->Count(), 1);
  EXPECT_EQ(Set->GetFact(0)->TemplatePtr(), Kept.Get());
  EXPECT_EQ(Engine->ActivationCount(), 1);
  Free(Set);
}

TEST_F(RegistryTest, RemovingADefinedTypeTakesTheTemplatesUsingIt) {
  IIEDefinedType Money = NewRef<TIEDefinedType>();
  Money->SetName("money");
  Engine->DefinedTypes().Add(Money);
  EXPECT_EQ(Money->Reasoner(), Engine);
  IFactTemplate Price = Unordered("price", {"amount"});
  Price->FindSlot("amount")->SetExtendedTypeInfo(Money);
  IFactTemplate Plain = Unordered("plain", {"v"});
  Rule("pricing",
       [&](TRule* R) { R->Patterns().Add(NewObject<TIEPattern>(R, 0, Price, "price")); });
  Engine->Assert(Price->NewFact());
  Engine->Assert(Plain->NewFact());

  Engine->DefinedTypes().Remove("money");
  EXPECT_EQ(Money->Reasoner(), nullptr);
  EXPECT_FALSE(Engine->FactTemplates().Find("price"));
  EXPECT_TRUE(Engine->FactTemplates().Find("plain"));
  EXPECT_EQ(Engine->Rules().Count(), 0);
  EXPECT_EQ(FactTexts(), (std::vector<std::string>{"f-0 (Initial-Fact)", "f-2 (plain)"}));
}

TEST_F(RegistryTest, TemplatesPrintParentsBeforeChildrenAndRefuseCycles) {
  IFactTemplate Child = Unordered("child", {"c"}, false);
  IFactTemplate Parent = Unordered("parent", {"p"}, false);
  Child->SetParent(Parent);
  Engine->FactTemplates().Add(Child);
  Engine->FactTemplates().Add(Parent);
  IFactTemplate Bare = NewRef<TFactTemplate>(Engine, "bare");
  Engine->FactTemplates().Add(Bare);
  EXPECT_EQ(Bare->FindSlot(SDefaultSlotName) != nullptr, true);
  EXPECT_EQ(Bare->GetSlotCount(), 1);

  std::string Text = Engine->FactTemplates().GetToString();
  EXPECT_LT(Text.find("(deftemplate parent"), Text.find("(deftemplate child"));
  EXPECT_LT(Text.find("(deftemplate bare"), Text.find("(deftemplate child"));

  Parent->SetParent(Child);
  EXPECT_EQ(MessageOf([&] { Engine->FactTemplates().GetToString(); }),
            "Fact templates inheritance structure corrupted");
  Parent->SetParent(nullptr);
}

// A function that counts as defined in the knowledge language.
class TInterpreted : public test::TLambdaFunction {
 public:
  explicit TInterpreted(const std::string& Name)
      : TLambdaFunction(Name, [](const std::vector<IIEValue>&, TIEContext*) { return FCNil; }) {}
  bool IsInterpreted() const override { return true; }
};

TEST_F(RegistryTest, ClearRemovesInterpretedFunctionsOnly) {
  Engine->AddUserFunction(NewRef<TInterpreted>("mine"));
  Engine->AddUserFunction(NewRef<TInterpreted>("yours"));
  EXPECT_EQ(Engine->UserFunctions().InterpretedCount(), 2);
  Engine->UserFunctions().Remove("yours");
  EXPECT_EQ(Engine->UserFunctions().InterpretedCount(), 1);
  std::vector<std::string> Removed;
  Engine->OnRemoveUserFunction = [&](TObject*, const IUserFunction& F) {
    Removed.push_back(F->FunctionName());
  };
  Engine->Clear();
  EXPECT_EQ(Removed, (std::vector<std::string>{"mine"}));
  EXPECT_EQ(Engine->UserFunctions().InterpretedCount(), 0);
  EXPECT_TRUE(Engine->ContainsUserFunction("log"));
  EXPECT_EQ(
      MessageOf([&] { Engine->UserFunctions().Put("alias", Engine->GetUserFunction("log")); }),
      "Function names do not match: alias and log");
}

TEST_F(RegistryTest, AssigningFunctionsSharesBuiltInsAndReadsInterpretedOnesAgain) {
  Engine->AddUserFunction(NewRef<TInterpreted>("mine"));
  auto* Other = NewObject<TInferenceEngine>(nullptr);
  // Without a parser the interpreted function cannot be read again: tolerated, or raised.
  EXPECT_FALSE(Other->UserFunctions().Assign(Engine->UserFunctions(), true));
  IUserFunction Log = Engine->GetUserFunction("log");
  EXPECT_EQ(Other->GetUserFunction("log"), Log);
  EXPECT_GE(Log->IndexOfReasoner(Other), 0);
  EXPECT_GE(Log->IndexOfReasoner(Engine), 0);
  EXPECT_FALSE(Other->ContainsUserFunction("mine"));
  EXPECT_NE(MessageOf([&] { Other->UserFunctions().Assign(Engine->UserFunctions(), false); }),
            "<no exception>");
  Free(Other);
  // The other engine is gone from the shared function's reasoners.
  EXPECT_LT(Log->IndexOfReasoner(Other), 0);
  EXPECT_EQ(Engine->GetUserFunction("log"), Log);
}

TEST_F(RegistryTest, GlobalVariablesAreBoundWhenPut) {
  Function("twice", [](const std::vector<IIEValue>& Args, TIEContext*) {
    return NewInteger(Args.at(0)->AsInteger() * 2);
  });
  Engine->GlobalVariables().Put("x", NewInteger(1));
  Engine->GlobalVariables().Put("y", NewRef<TIEValue>(Call("twice", {NewInteger(21)})));
  EXPECT_EQ(Engine->GlobalContext()->GetVariable("x")->AsInteger(), 1);
  EXPECT_EQ(Engine->GlobalContext()->GetVariable("y")->AsInteger(), 42);
  // The table keeps the initial value as written.
  EXPECT_EQ(Engine->GlobalVariables().Get("y")->DType(), dtFunCall);
  EXPECT_EQ(Engine->GlobalVariables().GetToString(), "(defglobal ?x = 1 ?y = (twice 21))");
  Engine->GlobalVariables().Clear();
  EXPECT_EQ(MessageOf([&] { Engine->GlobalContext()->GetVariable("x"); }),
            "Unknown variable name: x");
}

// An engine that substitutes its own rule table.
class TCountingRules : public TRules {
 public:
  using TRules::TRules;
};

class TCustomEngine : public TInferenceEngine {
 public:
  using TInferenceEngine::TInferenceEngine;
  TObject* CreateIEObject(TIEObjectType ObjectType) override {
    if (ObjectType == otRules) return new TCountingRules(this);
    return TInferenceEngine::CreateIEObject(ObjectType);
  }
};

TEST(EngineConfiguration, DefaultsAndSubstitutedObjects) {
  auto* E = NewObject<TCustomEngine>(nullptr);
  EXPECT_NE(dynamic_cast<TCountingRules*>(&E->Rules()), nullptr);
  EXPECT_EQ(E->DuplicateConstructs(), dcOverwrite);
  EXPECT_FALSE(E->FactDuplication());
  EXPECT_TRUE(E->Facts().CacheHashCodes());
  EXPECT_TRUE(E->FuzzyAutoTerms());
  EXPECT_FLOAT_EQ(E->FuzzyEqualsThreshold(), 0.01f);
  EXPECT_FLOAT_EQ(E->MinActivationStrength(), 0);
  EXPECT_EQ(E->ParserErrorHandling(), ehRaiseImmediate);
  EXPECT_EQ(E->ParserMaxErrors(), 10);
  EXPECT_TRUE(E->ResetGlobals());
  EXPECT_EQ(E->Strategy(), ssDepthFirst);
  EXPECT_EQ(E->SymbolIndex(), 1);
  EXPECT_EQ(E->TypeChecks(), TTypeChecks{tcStatic});
  EXPECT_TRUE(E->Watch().Empty());
  EXPECT_TRUE(E->Packages().Contains(pStandard) && E->Packages().Contains(pFuzzyLogic));
  // A new engine equals every stored default, so streaming it writes none of these properties.
  const TClassInfo& Info = TClassRegistry::Instance().Get("TInferenceEngine");
  int WithDefault = 0;
  for (const TPropInfo* P : Info.Properties()) {
    if (!P->HasDefault) continue;
    ++WithDefault;
    EXPECT_EQ(PropValueToString(*P, GetPropValue(E, P->Name)), PropValueToString(*P, P->Default))
        << P->Name;
  }
  EXPECT_EQ(WithDefault, 15);
  SetPropValue(E, "FactDuplication",
               PropValueFromString(*Info.FindProperty("FactDuplication"), "True"));
  EXPECT_TRUE(E->FactDuplication());
  EXPECT_FALSE(E->Facts().CacheHashCodes());
  // The lock can be taken again by its holder, and a spare Unlock does nothing.
  E->Unlock();
  E->Lock();
  E->Lock();
  E->Unlock();
  E->Unlock();
  Free(E);
}

}  // namespace
}  // namespace norvale
