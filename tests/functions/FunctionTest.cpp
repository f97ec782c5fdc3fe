#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

#include "engine/core/ValueVector.h"
#include "engine/functions/FunctionCall.h"
#include "engine/functions/UserFunction.h"
#include "engine/rete/IEContext.h"
#include "platform/TypeInfo.h"

namespace norvale {
namespace {

// --- fixtures -------------------------------------------------------------------------------

// A reasoner whose function table is a std::map.
class TTestReasoner : public IReasoner {
 public:
  std::map<std::string, IUserFunction> Table;

  std::string PrettyPrint(const TFunctionCall& FunCall) override {
    return "pp:" + FunCallToString(FunCall);
  }
  std::string PrettyPrint(const TFact&) override { return {}; }
  std::string PrettyPrint(const TIEUserFunction& F) override { return "fn:" + F.FunctionName(); }
  std::string PrettyPrint(const TIEDefinedType&) override { return {}; }
  void AddUserFunction(const IUserFunction& F) override { Table[F->FunctionName()] = F; }
  void RemoveUserFunction(const IUserFunction& F) override {
    auto It = Table.find(F->FunctionName());
    if (It != Table.end() && It->second == F) Table.erase(It);
  }
  bool ContainsUserFunction(const TIEName& Name) const override { return Table.count(Name) > 0; }
  bool ContainsUserFunction(const TIEName& Name, IUserFunction& F) const override {
    auto It = Table.find(Name);
    if (It == Table.end()) return false;
    F = It->second;
    return true;
  }
  IUserFunction GetUserFunction(const TIEName& Name) const override {
    auto It = Table.find(Name);
    return It == Table.end() ? IUserFunction() : It->second;
  }
  void SetUserFunction(const TIEName& Name, const IUserFunction& F) override { Table[Name] = F; }

  std::string Names() const {
    std::string R;
    for (auto& [Name, F] : Table) R += (R.empty() ? "" : ",") + Name;
    return R;
  }
};

// An engine as a component, for the component functions.
class TTestEngine : public TComponent, public TTestReasoner {
 public:
  explicit TTestEngine(TComponent* Owner) : TComponent(Owner) {}
};

// Counts its calls and answers the count.
class TCountFunction : public TIEUserFunction {
 public:
  int Calls = 0;
  void AfterConstruction() override {
    TIEUserFunction::AfterConstruction();
    SetFunctionName("count");
  }

 protected:
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TIEUserFunction::Call(FunCall, Context, Result);
    Result = NewInteger(++Calls);
  }
};

// The sum of its evaluated arguments.
class TPlusFunction : public TIEUserFunction {
 public:
  TIEContext* SeenContext = nullptr;
  void AfterConstruction() override {
    TIEUserFunction::AfterConstruction();
    SetFunctionName("plus");
    SetMinArgumentCount(2);
  }

 protected:
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TIEUserFunction::Call(FunCall, Context, Result);
    SeenContext = Context;
    int32_t Sum = 0;
    for (int I = 0; I < FunCall->GetArgumentCount(); ++I)
      Sum += FunCall->GetArgument(I)->Resolve(Context)->AsInteger();
    Result = NewInteger(Sum);
  }
};

// Runs Body as its body.
class TBodyFunction : public TIEUserFunction {
 public:
  std::function<void()> Body;
  void AfterConstruction() override {
    TIEUserFunction::AfterConstruction();
    SetFunctionName("body");
  }

 protected:
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TIEUserFunction::Call(FunCall, Context, Result);
    if (Body) Body();
  }
};

IFunCall NewCall(IReasoner* R, const std::string& Name, std::initializer_list<IIEValue> Args = {}) {
  IFunCall C = NewRef<TFunctionCall>(R, Name);
  for (const IIEValue& A : Args) C->AddArgument(A);
  return C;
}

IIEValue CallValue(const IFunCall& C) { return NewRef<TIEValue>(C); }

std::string MessageOf(const std::function<void()>& F) {
  try {
    F();
  } catch (const Exception& E) {
    return E.Message();
  }
  return "<no exception>";
}

// --- user functions -------------------------------------------------------------------------

TEST(UserFunction, ArgumentCountIsCheckedBeforeTheBody) {
  struct Case {
    int Min, Max, Args;
    const char* Message;
  } Cases[] = {
      {1, 1, 0, "Too few arguments for count"},
      {1, 1, 2, "Too many arguments for count"},
      {1, 1, 1, "<no exception>"},
      {0, INT_MAX, 0, "<no exception>"},
      {0, INT_MAX, 40, "<no exception>"},
  };
  for (const Case& C : Cases) {
    Ref<TCountFunction> F = NewRef<TCountFunction>();
    F->SetMinArgumentCount(C.Min);
    F->SetMaxArgumentCount(C.Max);
    IFunCall Call = NewCall(nullptr, "count");
    for (int I = 0; I < C.Args; ++I) Call->AddArgument(NewInteger(I));
    Call->SetUserFunction(F);
    EXPECT_EQ(MessageOf([&] { Call->Execute(nullptr); }), C.Message) << C.Min << " " << C.Args;
    EXPECT_EQ(F->Calls, std::string(C.Message) == "<no exception>" ? 1 : 0);
  }
}

TEST(UserFunction, LimitsPullEachOtherAlong) {
  struct Case {
    std::function<void(TIEUserFunction&)> Change;
    int Min, Max;
  } Cases[] = {
      {[](TIEUserFunction&) {}, 0, INT_MAX},
      {[](TIEUserFunction& F) {
         F.SetMinArgumentCount(2);
         F.SetMaxArgumentCount(0);
       },
       0, 0},
      {[](TIEUserFunction& F) {
         F.SetMaxArgumentCount(3);
         F.SetMinArgumentCount(5);
       },
       5, 5},
      {[](TIEUserFunction& F) {
         F.SetMinArgumentCount(2);
         F.SetMaxArgumentCount(4);
       },
       2, 4},
  };
  for (const Case& C : Cases) {
    IUserFunction F = NewRef<TIEUserFunction>();
    C.Change(*F);
    EXPECT_EQ(F->MinArgumentCount(), C.Min);
    EXPECT_EQ(F->MaxArgumentCount(), C.Max);
  }
}

TEST(UserFunction, RenamingReRegistersWithEveryReasoner) {
  TTestReasoner R1, R2;
  IUserFunction F = NewRef<TCountFunction>();
  EXPECT_EQ(F->AddReasoner(&R1), 0);
  EXPECT_EQ(F->AddReasoner(&R2), 1);
  EXPECT_EQ(F->AddReasoner(&R1), 0);  // already there: nothing added
  EXPECT_EQ(F->GetReasonerCount(), 2);
  EXPECT_EQ(R1.Names(), "count");

  F->SetFunctionName("tally");
  EXPECT_EQ(R1.Names(), "tally");
  EXPECT_EQ(R2.Names(), "tally");
  EXPECT_EQ(NewCall(&R1, "tally")->Execute(nullptr)->AsInteger(), 1);
  EXPECT_EQ(MessageOf([&] { NewCall(&R1, "count")->Execute(nullptr); }),
            "Function is unimplemented or unassigned: count");

  F->DeleteReasoner(&R1);
  EXPECT_EQ(R1.Names(), "");
  EXPECT_EQ(R2.Names(), "tally");
  F->ClearReasoners();
  EXPECT_EQ(R2.Names(), "");
  EXPECT_EQ(F->GetReasonerCount(), 0);
}

TEST(UserFunction, UnregisteringTheLastReferenceIsSafe) {
  TTestReasoner R;
  TIEUserFunction* Raw;
  {
    IUserFunction F = NewRef<TCountFunction>();
    F->AddReasoner(&R);
    Raw = F.Get();
  }
  // Only the table holds it now; it must survive its own unregistration.
  Raw->DeleteReasoner(&R);
  EXPECT_TRUE(R.Table.empty());
}

TEST(UserFunction, FreeingAReferencedFunctionRaisesAndKeepsIt) {
  IUserFunction F = NewRef<TCountFunction>();
  EXPECT_EQ(MessageOf([&] { Free(F.Get()); }),
            "Invalid destruction of pointer reference, reference counting greater than 0");
  EXPECT_EQ(F->FunctionName(), "count");
}

TEST(UserFunction, ContextMustBeAnEvaluationContext) {
  Ref<TPlusFunction> F = NewRef<TPlusFunction>();
  IFunCall Call = NewCall(nullptr, "plus", {NewInteger(1), NewInteger(2)});
  Call->SetUserFunction(F);
  TPersistent* NotAContext = NewObject<TPersistent>();
  EXPECT_THROW(Call->Execute(NotAContext), EInvalidCast);
  Free(NotAContext);

  TIEContext Context(nullptr, nullptr);
  EXPECT_EQ(Call->Execute(&Context)->AsInteger(), 3);
  EXPECT_EQ(F->SeenContext, &Context);
}

TEST(UserFunction, AssignAndStoringCarryNameCommentAndLimits) {
  TTestReasoner R;
  IUserFunction Source = NewRef<TIEUserFunction>("source");
  Source->SetComment("line one\r\nsays \"two\"");
  Source->SetMinArgumentCount(1);
  Source->SetMaxArgumentCount(3);
  Source->SetArgumentString(" <a>");

  IUserFunction Copy = NewRef<TIEUserFunction>("old");
  Copy->SetMaxArgumentCount(0);
  Copy->AddReasoner(&R);
  Copy->Assign(Source.Get());
  EXPECT_EQ(R.Names(), "source");  // the name went through SetFunctionName
  EXPECT_EQ(Copy->Comment(), Source->Comment());
  EXPECT_EQ(Copy->MinArgumentCount(), 1);
  EXPECT_EQ(Copy->MaxArgumentCount(), 3);
  EXPECT_EQ(Copy->ArgumentString(), "");

  std::stringstream S;
  Source->WriteData(S);
  const TClassInfo& Info = TClassRegistry::Instance().Get(Source->GetClassName());
  IUserFunction Read = Ref<TIEUserFunction>::Adopt(dynamic_cast<TIEUserFunction*>(Info.Create()));
  ASSERT_TRUE(Read);
  Read->ReadData(S);
  EXPECT_EQ(Read->FunctionName(), "source");
  EXPECT_EQ(Read->Comment(), Source->Comment());
  EXPECT_EQ(Read->MinArgumentCount(), 1);
  EXPECT_EQ(Read->MaxArgumentCount(), 3);

  std::stringstream Bad("\"name\"\n\"comment\"\nmany\n0\n");
  EXPECT_THROW(Read->ReadData(Bad), EStreamError);
}

// --- component functions --------------------------------------------------------------------

TEST(ComponentFunction, OnCallRunsOutsideDesignMode) {
  struct Case {
    bool Designing, Handler, HandlerRuns;
  } Cases[] = {{false, false, false}, {false, true, true}, {true, true, false}};
  for (const Case& C : Cases) {
    auto* U = NewObject<TUserFunction>(nullptr, "hello");
    U->SetDesigning(C.Designing);
    bool Ran = false;
    TObject* Sender = nullptr;
    if (C.Handler)
      U->OnCall = [&](TObject* S, const IFunCall& Call, TIEContext*, IIEValue& Result) {
        Ran = true;
        Sender = S;
        EXPECT_EQ(Result, FCNil);
        Result = NewInteger(Call->GetArgumentCount());
      };
    IFunCall Call = NewCall(nullptr, "hello", {NewAtom("a")});
    Call->SetUserFunction(U->UserFunction());
    IIEValue Result = Call->Execute(nullptr);
    EXPECT_EQ(Ran, C.HandlerRuns);
    if (C.HandlerRuns) {
      EXPECT_EQ(Sender, U);
      EXPECT_EQ(Result->AsInteger(), 1);
    } else {
      EXPECT_EQ(Result, FCNil);
    }
    Free(U);
  }
}

TEST(ComponentFunction, EngineRegistrationFollowsNameEngineAndLifetimes) {
  auto* E = NewObject<TTestEngine>(nullptr);
  auto* U = NewObject<TUserFunction>(nullptr);
  U->SetEngine(E);
  EXPECT_TRUE(E->Table.empty());  // no name, not registered
  U->SetName("greet");            // the function name follows the component's
  EXPECT_EQ(U->FunctionName(), "greet");
  EXPECT_EQ(E->Names(), "greet");
  U->SetFunctionName("hi");
  EXPECT_EQ(E->Names(), "hi");
  U->SetName("other");
  EXPECT_EQ(U->FunctionName(), "hi");

  IFunCall Call = NewCall(E, "hi");
  EXPECT_EQ(Call->Execute(nullptr), FCNil);

  Free(E);
  EXPECT_EQ(U->Engine(), nullptr);
  EXPECT_EQ(U->UserFunction()->GetReasonerCount(), 0);

  auto* E2 = NewObject<TTestEngine>(nullptr);
  U->SetEngine(E2);
  EXPECT_EQ(E2->Names(), "hi");
  TComponent* NotAnEngine = NewObject<TComponent>(nullptr);
  EXPECT_THROW(U->SetEngine(NotAnEngine), EInvalidCast);
  Free(NotAnEngine);

  Free(U);
  EXPECT_EQ(E2->Names(), "");
  // The call stays bound to the inner function, whose component is gone.
  EXPECT_EQ(MessageOf([&] { Call->Execute(nullptr); }),
            "Function is unimplemented or unassigned: hi");
  Free(E2);
}

TEST(ComponentFunction, PublishedLimitsRebuildTheSynopsis) {
  const TClassInfo& Info = TClassRegistry::Instance().Get("TUserFunction");
  auto* U = dynamic_cast<TUserFunction*>(Info.Create(nullptr));
  ASSERT_NE(U, nullptr);
  SetPropValue(U, "ArgumentString", std::string("<a> <b> <c>"));
  SetPropValue(U, "MaxArgumentCount", int64_t{3});
  SetPropValue(U, "MinArgumentCount", int64_t{2});
  EXPECT_EQ(U->ArgumentString(), "<a> <b>[ <c>]");
  EXPECT_EQ(std::get<int64_t>(GetPropValue(U, "MinArgumentCount")), 2);
  ASSERT_NE(Info.FindProperty("OnCall"), nullptr);
  EXPECT_TRUE(Info.FindProperty("OnCall")->IsEvent());

  auto* Copy = NewObject<TUserFunction>(nullptr);
  Copy->Assign(U);
  EXPECT_EQ(Copy->MinArgumentCount(), 2);
  EXPECT_EQ(Copy->MaxArgumentCount(), 3);
  Free(Copy);
  Free(U);
}

// --- function calls -------------------------------------------------------------------------

TEST(FunctionCall, BindsOnFirstExecutionAndKeepsTheFunction) {
  TTestReasoner R;
  Ref<TCountFunction> First = NewRef<TCountFunction>();
  Ref<TCountFunction> Second = NewRef<TCountFunction>();
  R.Table["count"] = First;
  IFunCall Call = NewCall(&R, "count");
  EXPECT_FALSE(Call->UserFunction());
  Call->Execute(nullptr);
  R.Table["count"] = Second;
  Call->Execute(nullptr);
  R.Table.clear();
  Call->Execute(nullptr);
  EXPECT_EQ(First->Calls, 3);
  EXPECT_EQ(Second->Calls, 0);
  EXPECT_EQ(Call->UserFunction(), First);
}

TEST(FunctionCall, UnknownFunctionFailsOnlyWhenExecuted) {
  TTestReasoner R;
  IFunCall Call = NewCall(&R, "nope", {NewInteger(1)});
  Call->AddArgument("x", dtAtom);
  const char* Expected = "Function is unimplemented or unassigned: nope";
  EXPECT_EQ(MessageOf([&] { Call->Execute(nullptr); }), Expected);
  EXPECT_EQ(MessageOf([&] { Call->SimpleExecute(nullptr); }), Expected);
  EXPECT_EQ(MessageOf([&] { NewCall(nullptr, "nope")->Execute(nullptr); }), Expected);
}

TEST(FunctionCall, NestedCallsAndVariablesResolveInTheContext) {
  TTestReasoner R;
  R.Table["plus"] = NewRef<TPlusFunction>();
  TIEContext Context(nullptr, nullptr);
  Context.AddLocalBinding("x", NewInteger(4));
  IFunCall Inner = NewCall(&R, "plus", {NewInteger(1), NewInteger(2)});
  IFunCall Outer = NewCall(&R, "plus", {NewVariable("x"), CallValue(Inner)});
  EXPECT_EQ(Outer->Execute(&Context)->AsInteger(), 7);
  EXPECT_EQ(CallValue(Outer)->Resolve(&Context)->AsInteger(), 7);
}

TEST(FunctionCall, AddArgumentChecksTheType) {
  IFunCall Call = NewCall(nullptr, "f");
  struct Bad {
    std::function<void()> Add;
    const char* Message;
  } Bads[] = {
      {[&] { Call->AddArgument("x", dtInteger); },
       "Not a String type.  Value (x) is a dtInteger type"},
      {[&] { Call->AddArgument(5, dtAtom); }, "Not a Integer type.  Value (5) is a dtAtom type"},
      {[&] { Call->AddArgument(2.5, dtString); },
       "Not a Float type.  Value (2.5000) is a dtString type"},
  };
  for (const Bad& B : Bads) EXPECT_EQ(MessageOf(B.Add), B.Message);
  EXPECT_EQ(Call->GetArgumentCount(), 0);

  IIEValue Own = NewAtom("own");
  IFunCall Nested = NewCall(nullptr, "g");
  IValueVector List = NewRef<TValueVector>(std::initializer_list<IIEValue>{NewInteger(1)});
  EXPECT_EQ(Call->AddArgument(Own), 0);
  EXPECT_EQ(Call->AddArgument(2.9, dtInteger), 1);
  EXPECT_EQ(Call->AddArgument(-2.9, dtInteger), 2);
  EXPECT_EQ(Call->AddArgument(3, dtFloat), 3);
  EXPECT_EQ(Call->AddArgument("v", dtMultiVariable), 4);
  EXPECT_EQ(Call->AddArgument(Nested), 5);
  EXPECT_EQ(Call->AddArgument(List), 6);
  EXPECT_EQ(Call->GetArgument(0), Own);  // the value itself
  EXPECT_EQ(Call->GetArgument(1)->AsInteger(), 2);
  EXPECT_EQ(Call->GetArgument(2)->AsInteger(), -2);
  EXPECT_EQ(Call->GetArgument(3)->DType(), dtFloat);
  EXPECT_EQ(Call->GetArgument(4)->GetToString(), "$?v");
  EXPECT_EQ(Call->GetArgument(5)->FunCallPtr(), Nested.Get());
  EXPECT_EQ(Call->GetArgument(6)->ListPtr(), List.Get());
  EXPECT_THROW(Call->GetArgument(7), EListError);
}

TEST(FunctionCall, PrintedForms) {
  auto Pair = [](std::initializer_list<IIEValue> Items) {
    return NewList(NewRef<TValueVector>(Items));
  };
  struct Case {
    IFunCall Call;
    std::string Comment, Text;
  } Cases[] = {
      {NewCall(nullptr, "foo", {NewAtom("a"), NewInteger(1), NewString("x y")}), "",
       "(foo a 1 \"x y\")"},
      {NewCall(nullptr, "foo"), "", "(foo)"},
      {NewCall(nullptr, "modify",
               {NewVariable("f"), Pair({NewAtom("a"), NewInteger(1)}),
                Pair({NewAtom("b"), NewInteger(2)})}),
       "", "(modify ?f (a 1) (b 2))"},
      {NewCall(nullptr, "duplicate", {NewVariable("f"), Pair({NewAtom("c"), NewFloat(1.5)})}), "",
       "(duplicate ?f (c 1.5000))"},
      {NewCall(nullptr, "Modify", {NewVariable("f"), NewAtom("a")}), "", "(Modify ?f a)"},
      {NewCall(nullptr, "f"), "first line\r\n  ; second\nthird",
       "; first line\r\n; second\r\n; third\r\n(f)"},
      {NewCall(nullptr, "f"), "  \r\nlast\r\n", "\r\n; last\r\n(f)"},
  };
  for (Case& C : Cases) {
    C.Call->SetComment(C.Comment);
    EXPECT_EQ(C.Call->GetToString(), C.Text);
  }
  TTestReasoner R;
  IFunCall WithReasoner = NewCall(&R, "g", {CallValue(NewCall(nullptr, "h", {NewInteger(1)}))});
  EXPECT_EQ(WithReasoner->GetToString(), "pp:(g (h 1))");
}

TEST(FunctionCall, EqualityAndHashIgnoreComments) {
  auto Make = [](const std::string& Name, std::initializer_list<IIEValue> Args,
                 const std::string& Comment) {
    IFunCall C = NewCall(nullptr, Name, Args);
    C->SetComment(Comment);
    C->SetTag(Comment.size());
    return C;
  };
  IFunCall A = Make("f", {NewAtom("a"), NewInteger(1)}, "one");
  IFunCall B = Make("f", {NewAtom("a"), NewInteger(1)}, "another comment");
  EXPECT_TRUE(A->Equals(B.Get()));
  EXPECT_EQ(A->GetHashCode(), B->GetHashCode());
  EXPECT_FALSE(NewAtom("x")->Equals(CallValue(A)));
  EXPECT_TRUE(CallValue(A)->Equals(CallValue(B)));

  IFunCall Different[] = {
      Make("F", {NewAtom("a"), NewInteger(1)}, ""),
      Make("f", {NewAtom("a")}, ""),
      Make("f", {NewAtom("a"), NewAtom("1")}, ""),
      Make("f", {NewAtom("a"), NewInteger(1), NewInteger(1)}, ""),
  };
  for (const IFunCall& D : Different) EXPECT_FALSE(A->Equals(D.Get())) << D->GetToString();
  EXPECT_FALSE(A->Equals(static_cast<const TCloneable*>(NewAtom("f").Get())));
}

TEST(FunctionCall, CloneAndAssignCopyArgumentsAsClones) {
  TTestReasoner R;
  R.Table["count"] = NewRef<TCountFunction>();
  IValueVector List = NewRef<TValueVector>(std::initializer_list<IIEValue>{NewInteger(1)});
  IFunCall A = NewCall(&R, "count", {NewAtom("a"), NewList(List)});
  A->SetComment("note");
  A->SetTag(7);
  A->Execute(nullptr);

  IFunCall C = A->Clone();
  EXPECT_EQ(C->Reasoner(), &R);
  EXPECT_EQ(C->Name(), "count");
  EXPECT_EQ(C->Comment(), "note");
  EXPECT_EQ(C->Tag(), 7);
  EXPECT_FALSE(C->UserFunction());
  EXPECT_TRUE(C->Equals(A.Get()));
  for (int I = 0; I < 2; ++I) EXPECT_NE(C->GetArgument(I), A->GetArgument(I));
  C->GetArgument(0)->SetAsAtom("changed");
  EXPECT_EQ(A->GetArgument(0)->AsAtom(), "a");

  IFunCall B = NewCall(nullptr, "other");
  B->Assign(A.Get());
  EXPECT_EQ(B->Reasoner(), nullptr);
  EXPECT_FALSE(B->UserFunction());
  EXPECT_EQ(B->Name(), "count");
  EXPECT_TRUE(B->Equals(A.Get()));
  EXPECT_NE(B->GetArgument(0), A->GetArgument(0));

  A->Assign(A.Get());
  EXPECT_EQ(A->GetArgumentCount(), 2);
  EXPECT_THROW(A->Assign(NewAtom("x").Get()), Exception);
}

TEST(FunctionCall, SimpleExecuteWrapsAllButTheSilentAbort) {
  Ref<TBodyFunction> F = NewRef<TBodyFunction>();
  IFunCall Call = NewCall(nullptr, "body");
  Call->SetUserFunction(F);

  F->Body = [] { throw EAbort("quiet"); };
  try {
    Call->SimpleExecute(nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const EAbort& E) {
    EXPECT_EQ(E.Message(), "quiet");
  }

  F->Body = [] { throw EConvertError("bad number"); };
  try {
    Call->SimpleExecute(nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const EIEException& E) {
    EXPECT_EQ(E.Message(), "body error: bad number");
  }
  F->Body = [] { throw EIEException("boom"); };
  EXPECT_EQ(MessageOf([&] { Call->SimpleExecute(nullptr); }), "body error: boom");
  EXPECT_EQ(MessageOf([&] { Call->Execute(nullptr); }), "boom");  // Execute adds nothing
  F->Body = [] { throw std::runtime_error("std"); };
  EXPECT_THROW(Call->SimpleExecute(nullptr), std::runtime_error);
}

}  // namespace
}  // namespace norvale
