#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/engine/InferenceEngine.h"
#include "engine/functions/FunctionCall.h"
#include "engine/functions/IEPackages.h"
#include "engine/packages/StandardPackage.h"
#include "engine/rete/IEContext.h"
#include "platform/Streaming.h"
#include "platform/TypeInfo.h"

namespace norvale {
namespace {

// --- a small package -------------------------------------------------------------------------

// (twice x): 2x.
class TTwiceFunction : public TIEUserFunction {
 public:
  void AfterConstruction() override {
    TIEUserFunction::AfterConstruction();
    SetFunctionName("twice");
    SetMinArgumentCount(1);
    SetMaxArgumentCount(1);
  }

 protected:
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TIEUserFunction::Call(FunCall, Context, Result);
    Result = NewInteger(2 * FunCall->GetArgument(0)->Resolve(Context)->AsInteger());
  }
};

// (answer): 42.
class TAnswerFunction : public TIEUserFunction {
 public:
  void AfterConstruction() override {
    TIEUserFunction::AfterConstruction();
    SetFunctionName("answer");
    SetComment("The answer");
  }

 protected:
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TIEUserFunction::Call(FunCall, Context, Result);
    Result = NewInteger(42);
  }
};

class TTestPackage : public TUserPackage {
 public:
  using TUserPackage::TUserPackage;

 protected:
  void CreateFunctions() override {
    TUserPackage::CreateFunctions();
    Functions().Add(NewRef<TTwiceFunction>());
    Functions().Add(NewRef<TAnswerFunction>());
  }
};

const bool Registered = (RegisterClass<TTwiceFunction, TIEUserFunction>("TTwiceFunction"),
                         RegisterClass<TAnswerFunction, TIEUserFunction>("TAnswerFunction"),
                         RegisterClass<TTestPackage, TUserPackage>("TTestPackage"), true);

// An engine without built-in packages, so that only the test package's functions are there.
TInferenceEngine* NewBareEngine() {
  TInferenceEngine* E = NewObject<TInferenceEngine>(nullptr);
  E->SetPackages({});
  return E;
}

// The printed result of one call in E, or the message of what it raises.
std::string Call(TInferenceEngine* E, const std::string& Text) {
  try {
    IIEValue V = E->ParseNExecuteFunCall(Text);
    return V ? V->GetToString() : "<none>";
  } catch (const Exception& X) {
    return X.Message();
  }
}

const std::string NoAnswer = "Function is unimplemented or unassigned: answer";

// --- registration ----------------------------------------------------------------------------

TEST(Package, OwnedByAnEngineItsFunctionsAreCallableAtOnce) {
  TInferenceEngine* E = NewBareEngine();
  TTestPackage* P = NewObject<TTestPackage>(E);
  EXPECT_EQ(Call(E, "(answer)"), "42");
  EXPECT_EQ(Call(E, "(twice 4)"), "8");
  EXPECT_EQ(P->Reasoners().Count(), 1);
  EXPECT_EQ(P->Engine(), nullptr);
  EXPECT_EQ(P->Functions().GetToString(), "twice\r\nanswer\r\n");
  EXPECT_EQ(P->IndexOf("answer"), 1);
  EXPECT_EQ(P->IndexOf("Answer"), -1);
  Free(E);
}

TEST(Package, SettingTheEngineMovesTheFunctions) {
  TInferenceEngine* E1 = NewBareEngine();
  TInferenceEngine* E2 = NewBareEngine();
  TTestPackage* P = NewObject<TTestPackage>(nullptr);
  EXPECT_EQ(P->Reasoners().Count(), 0);

  P->SetEngine(E1);
  EXPECT_EQ(Call(E1, "(answer)"), "42");
  EXPECT_EQ(Call(E2, "(answer)"), NoAnswer);
  // The published property does the same.
  SetPropValue(P, "Engine", static_cast<TObject*>(E2));
  EXPECT_EQ(P->Engine(), E2);
  EXPECT_EQ(Call(E1, "(answer)"), NoAnswer);
  EXPECT_EQ(Call(E2, "(answer)"), "42");
  EXPECT_EQ(P->Reasoners().Count(), 1);
  P->SetEngine(nullptr);
  EXPECT_EQ(Call(E2, "(answer)"), NoAnswer);
  EXPECT_EQ(P->Reasoners().Count(), 0);

  // At design time the engine is only stored.
  P->SetDesigning(true);
  P->SetEngine(E1);
  EXPECT_EQ(Call(E1, "(answer)"), NoAnswer);
  EXPECT_EQ(P->Reasoners().Count(), 0);
  // Freeing the engine clears it.
  Free(E1);
  EXPECT_EQ(P->Engine(), nullptr);
  Free(P);
  Free(E2);
}

TEST(Package, RemovingAFunctionUnregistersItFromEveryEngine) {
  TInferenceEngine* E1 = NewBareEngine();
  TInferenceEngine* E2 = NewBareEngine();
  TTestPackage* P = NewObject<TTestPackage>(E1);
  P->Reasoners().Add(E2);
  IUserFunction Answer = P->Functions()[1];
  P->Functions().Remove(Answer);
  for (TInferenceEngine* E : {E1, E2}) {
    EXPECT_EQ(Call(E, "(answer)"), NoAnswer);
    EXPECT_EQ(Call(E, "(twice 1)"), "2");
  }
  EXPECT_EQ(Answer->GetReasonerCount(), 0);
  P->Functions().Insert(0, Answer);
  for (TInferenceEngine* E : {E1, E2}) EXPECT_EQ(Call(E, "(answer)"), "42");
  // Extracting hands the function back, unregistered.
  IUserFunction Twice = P->Functions().Extract(P->Functions()[1]);
  EXPECT_EQ(Twice->FunctionName(), "twice");
  EXPECT_EQ(Call(E2, "(twice 1)"), "Function is unimplemented or unassigned: twice");
  // Removing an engine takes every function out of it.
  P->Reasoners().Remove(E2);
  EXPECT_EQ(Call(E2, "(answer)"), NoAnswer);
  EXPECT_EQ(Call(E1, "(answer)"), "42");
  Free(E1);
  Free(E2);
}

TEST(Package, AnAdditionNeverRegistersTwice) {
  TInferenceEngine* E = NewBareEngine();
  std::vector<std::string> Added;
  E->OnAddUserFunction = [&](TObject*, const IUserFunction& F) {
    Added.push_back(F->FunctionName());
  };
  TTestPackage* P = NewObject<TTestPackage>(nullptr);
  P->Reasoners().Add(E);
  EXPECT_EQ(Added, (std::vector<std::string>{"twice", "answer"}));
  EXPECT_EQ(P->Reasoners().Add(E), 0);
  EXPECT_EQ(P->Functions().Add(P->Functions()[1]), 1);
  P->SetEngine(E);  // the same engine as the one reasoner
  P->Functions()[0]->AddReasoner(E);
  EXPECT_EQ(Added.size(), 2u);
  EXPECT_EQ(P->Reasoners().Count(), 1);
  EXPECT_EQ(P->Functions().Count(), 2);
  EXPECT_EQ(P->Functions()[0]->GetReasonerCount(), 1);
  Free(P);
  Free(E);
}

TEST(Package, ResetRecreatesTheFunctionsWithTheirNames) {
  TInferenceEngine* E = NewBareEngine();
  TTestPackage* P = NewObject<TTestPackage>(E);
  int Created = 0;
  P->OnCreateFunctions = [&](TObject* Sender) {
    EXPECT_EQ(Sender, P);
    ++Created;
  };
  P->Functions()[1]->SetFunctionName("reply");
  EXPECT_EQ(Call(E, "(reply)"), "42");
  EXPECT_EQ(Call(E, "(answer)"), NoAnswer);
  IUserFunction Old = P->Functions()[1];

  SetPropValue(P, "Reset", false);  // writing false does nothing
  EXPECT_EQ(P->Functions()[1], Old);
  SetPropValue(P, "Reset", true);
  EXPECT_EQ(Created, 1);
  EXPECT_FALSE(P->Reset());
  EXPECT_EQ(P->Functions().GetToString(), "twice\r\nanswer\r\n");
  EXPECT_NE(P->Functions()[1], Old);
  EXPECT_EQ(Old->GetReasonerCount(), 0);
  EXPECT_EQ(Call(E, "(answer)"), "42");
  EXPECT_EQ(Call(E, "(reply)"), "Function is unimplemented or unassigned: reply");
  Free(E);
}

TEST(Package, AssignSharesTheSourcesFunctions) {
  TInferenceEngine* E1 = NewBareEngine();
  TInferenceEngine* E2 = NewBareEngine();
  TTestPackage* From = NewObject<TTestPackage>(E1);
  TUserPackage* To = NewObject<TUserPackage>(E2);
  EXPECT_EQ(To->Functions().Count(), 0);
  To->Assign(From);
  ASSERT_EQ(To->Functions().Count(), 2);
  EXPECT_EQ(To->Functions()[1], From->Functions()[1]);
  EXPECT_EQ(Call(E2, "(answer)"), "42");
  EXPECT_EQ(From->Functions()[1]->GetReasonerCount(), 2);
  EXPECT_THROW(To->Assign(E1), EConvertError);
  Free(E1);
  EXPECT_EQ(Call(E2, "(answer)"), "42");
  Free(E2);
}

// --- streaming -------------------------------------------------------------------------------

std::string Written(TComponent* C) {
  std::ostringstream Out;
  TWriter(Out).WriteComponent(C);
  return Out.str();
}

void ReadInto(TComponent* C, const std::string& Text) {
  std::istringstream In(Text);
  TReader(In).ReadComponent(C);
}

TEST(Package, StreamingRestoresClassesNamesAndComments) {
  TInferenceEngine* E1 = NewBareEngine();
  TTestPackage* P = NewObject<TTestPackage>(E1);
  P->Functions()[1]->SetFunctionName("reply");
  P->Functions()[1]->SetComment("said \"42\"\r\nalways");
  P->Functions()[0]->SetMaxArgumentCount(3);
  // A deffunction's statements are not in its data: it is not stored.
  P->Functions().Add(E1->ParseFunction("(deffunction three () 3)"));
  const std::string Text = Written(P);
  EXPECT_EQ(Text,
            "object TTestPackage\n"
            "  PackageFunctions = (\n"
            "    \"TTwiceFunction\"\n"
            "    \"twice\"\n"
            "    \"\"\n"
            "    3\n"
            "    1\n"
            "    \"TAnswerFunction\"\n"
            "    \"reply\"\n"
            "    \"said \\\"42\\\"\\r\\nalways\"\n"
            "    2147483647\n"
            "    0\n"
            "  )\n"
            "end\n");

  TInferenceEngine* E2 = NewBareEngine();
  TTestPackage* Back = NewObject<TTestPackage>(E2);
  IUserFunction Before = Back->Functions()[0];
  ReadInto(Back, Text);
  ASSERT_EQ(Back->Functions().Count(), 2);
  EXPECT_NE(Back->Functions()[0], Before);
  EXPECT_EQ(Back->Functions()[0]->ClassName(), "TTwiceFunction");
  EXPECT_EQ(Back->Functions()[1]->ClassName(), "TAnswerFunction");
  EXPECT_EQ(Back->Functions()[1]->Comment(), "said \"42\"\r\nalways");
  EXPECT_EQ(Back->Functions()[0]->MaxArgumentCount(), 3);
  EXPECT_EQ(Written(Back), Text);
  // What the package had before is gone from its engine; what it read is there.
  EXPECT_EQ(Call(E2, "(reply)"), "42");
  EXPECT_EQ(Call(E2, "(answer)"), NoAnswer);
  EXPECT_EQ(Call(E2, "(twice 1 2 3 4)"), "Too many arguments for twice");
  Free(E1);
  Free(E2);
}

TEST(Package, StreamingRefusesWhatIsNoFunctionClass) {
  struct {
    const char* Item;
    const char* Message;
  } Cases[] = {
      {"\"TNoSuchFunction\"", "Class TNoSuchFunction not found"},
      {"\"TTestPackage\"", "Class TTestPackage is not a function class"},
      {"\"TAnswerFunction\"\n    \"answer\"", "Unexpected end of stream reading function data"},
  };
  for (const auto& C : Cases) {
    TTestPackage* P = NewObject<TTestPackage>(nullptr);
    std::string Message = "<no exception>";
    try {
      ReadInto(P, std::string("object TTestPackage\n  PackageFunctions = (\n    ") + C.Item +
                      "\n  )\nend\n");
    } catch (const Exception& E) {
      Message = E.Message();
    }
    EXPECT_EQ(Message, C.Message) << C.Item;
    Free(P);
  }
}

// Every function class of the standard package is registered and comes back by its name.
TEST(Package, TheStandardPackageStreamsOutAndIn) {
  TInferenceEngine* E = NewObject<TInferenceEngine>(nullptr);
  TStandardPackage* P = nullptr;
  for (int I = 0; I < E->ComponentCount() && !P; ++I)
    P = dynamic_cast<TStandardPackage*>(E->Components(I));
  ASSERT_TRUE(P);
  TStandardPackage* Back = NewObject<TStandardPackage>(nullptr);
  Back->Functions().Clear();
  ReadInto(Back, Written(P));
  ASSERT_EQ(Back->Functions().Count(), P->Functions().Count());
  for (int I = 0; I < P->Functions().Count(); ++I) {
    const IUserFunction& F = P->Functions()[I];
    const IUserFunction& G = Back->Functions()[I];
    EXPECT_EQ(G->ClassName(), F->ClassName());
    EXPECT_EQ(G->FunctionName(), F->FunctionName());
    EXPECT_EQ(G->Comment(), F->Comment());
    EXPECT_EQ(G->ArgumentString(), F->ArgumentString()) << F->FunctionName();
  }
  Free(Back);
  Free(E);
}

// --- the engine's packages -------------------------------------------------------------------

TEST(Package, TheEnginesPackagesFollowPackages) {
  TInferenceEngine* E = NewObject<TInferenceEngine>(nullptr);
  int Added = 0;
  E->OnAddDefaultPackages = [&](TObject*) { ++Added; };
  EXPECT_EQ(Call(E, "(eq a a)"), "TRUE");
  EXPECT_EQ(Call(E, "(and TRUE (not FALSE))"), "TRUE");
  const std::string Names = E->UserFunctions().GetNamesToString();
  // A package of the application owned by the engine goes as well.
  NewObject<TTestPackage>(E);
  E->SetPackages(E->Packages() - pStandard);
  EXPECT_EQ(Added, 1);
  EXPECT_EQ(E->UserFunctions().Count(), 0);
  EXPECT_EQ(Call(E, "(eq a a)"), "Function is unimplemented or unassigned: eq");
  E->SetPackages(E->Packages() + pStandard);
  EXPECT_EQ(Added, 2);
  EXPECT_EQ(E->UserFunctions().GetNamesToString(), Names);
  E->SetPackages(E->Packages());  // unchanged: nothing happens
  EXPECT_EQ(Added, 2);
  // A rule's tests call the package's functions.
  E->Parse("(defrule r (a ?x&:(neq ?x 1)) => (assert (b ?x)))(assert (a 1) (a 2))", true);
  EXPECT_EQ(E->Run(), 1);
  Free(E);
}

// Engines and packages freed in every order: nothing reaches a freed engine or a freed table
// (the sanitizer build checks).
TEST(Package, EnginesAndPackagesGoInAnyOrder) {
  struct TCase {
    const char* Name;
    std::function<void()> Body;
  };
  const TCase Cases[] = {
      {"engine owning its packages",
       [] {
         TInferenceEngine* E = NewObject<TInferenceEngine>(nullptr);
         TTestPackage* P = NewObject<TTestPackage>(E);
         IUserFunction Answer = P->Functions()[1];
         Free(E);
         EXPECT_EQ(Answer->GetReasonerCount(), 0);
       }},
      {"outside package, engine first",
       [] {
         TInferenceEngine* E = NewBareEngine();
         TTestPackage* P = NewObject<TTestPackage>(nullptr);
         P->SetEngine(E);
         IUserFunction Answer = P->Functions()[1];
         Free(E);
         EXPECT_EQ(P->Engine(), nullptr);
         EXPECT_EQ(P->Reasoners().Count(), 0);
         EXPECT_EQ(Answer->GetReasonerCount(), 0);
         Free(P);
       }},
      {"outside package, package first",
       [] {
         TInferenceEngine* E = NewBareEngine();
         TTestPackage* P = NewObject<TTestPackage>(nullptr);
         P->SetEngine(E);
         Free(P);
         EXPECT_EQ(Call(E, "(answer)"), NoAnswer);
         EXPECT_EQ(E->UserFunctions().Count(), 0);
         Free(E);
       }},
      {"two engines sharing a package, the package's engine first",
       [] {
         TInferenceEngine* E1 = NewBareEngine();
         TInferenceEngine* E2 = NewBareEngine();
         TTestPackage* P = NewObject<TTestPackage>(nullptr);
         P->SetEngine(E1);
         P->Reasoners().Add(E2);
         Free(E1);
         EXPECT_EQ(Call(E2, "(answer)"), "42");
         EXPECT_EQ(P->Reasoners().Count(), 1);
         Free(P);
         EXPECT_EQ(Call(E2, "(answer)"), NoAnswer);
         Free(E2);
       }},
      {"two engines sharing a package, the other engine first",
       [] {
         TInferenceEngine* E1 = NewBareEngine();
         TInferenceEngine* E2 = NewBareEngine();
         TTestPackage* P = NewObject<TTestPackage>(nullptr);
         P->SetEngine(E1);
         P->Reasoners().Add(E2);
         Free(E2);
         EXPECT_EQ(P->Engine(), E1);
         Free(E1);
         Free(P);
       }},
      {"a package owned by one engine and serving another",
       [] {
         TInferenceEngine* E1 = NewBareEngine();
         TInferenceEngine* E2 = NewBareEngine();
         TTestPackage* P = NewObject<TTestPackage>(E1);
         P->SetEngine(E2);
         Free(E1);  // frees the package
         EXPECT_EQ(Call(E2, "(answer)"), NoAnswer);
         Free(E2);
       }},
      {"the same, the served engine first",
       [] {
         TInferenceEngine* E1 = NewBareEngine();
         TInferenceEngine* E2 = NewBareEngine();
         TTestPackage* P = NewObject<TTestPackage>(E1);
         P->SetEngine(E2);
         Free(E2);
         EXPECT_EQ(Call(E1, "(answer)"), "42");
         Free(E1);
       }},
      {"engines deleted without Free, after their tables",
       [] {
         TInferenceEngine* E1 = NewObject<TInferenceEngine>(nullptr);
         TInferenceEngine* E2 = NewBareEngine();
         // E1 keeps its own answer: the package's one is not in its table, only E1 in its list.
         NewObject<TTestPackage>(E1);
         E1->SetDuplicateConstructs(dcIgnore);
         TTestPackage* P = NewObject<TTestPackage>(nullptr);
         P->SetEngine(E1);
         P->Reasoners().Add(E2);
         IUserFunction Answer = P->Functions()[1];
         EXPECT_NE(E1->GetUserFunction("answer"), Answer);
         delete E1;
         EXPECT_EQ(P->Engine(), nullptr);
         EXPECT_EQ(Answer->GetReasonerCount(), 1);
         delete E2;
         EXPECT_EQ(P->Reasoners().Count(), 0);
         EXPECT_EQ(Answer->GetReasonerCount(), 0);
         Free(P);
       }},
      {"an engine owned by another component",
       [] {
         TComponent* Form = NewObject<TComponent>(nullptr);
         TInferenceEngine* E = NewObject<TInferenceEngine>(Form);
         TTestPackage* P = NewObject<TTestPackage>(nullptr);
         P->SetEngine(E);
         Free(Form);
         EXPECT_EQ(P->Engine(), nullptr);
         Free(P);
       }},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    C.Body();
  }
}

}  // namespace
}  // namespace norvale
