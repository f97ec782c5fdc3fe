#include <gtest/gtest.h>

#include "TestSupport.h"

#include "engine/core/BindingInfo.h"
#include "engine/core/IEValue.h"
#include "engine/core/ValueVector.h"

namespace norvale {
namespace {

using test::MessageOf;

IValueVector ListOf(std::initializer_list<IIEValue> Items) { return NewRef<TValueVector>(Items); }

TEST(Vocabulary, EnumerationOrdinalsFollowTheDeclaredOrder) {
  EXPECT_EQ(dtMultiSlot, 18);
  EXPECT_EQ(dtFuzzy, 15);
  EXPECT_EQ(GetIETypeName(dtExternalAddress), "dtExternalAddress");
  EXPECT_EQ(taUpdate, 3);
  EXPECT_EQ(cwStatistics, 4);
  EXPECT_EQ(vaIEReset, 10);
  EXPECT_EQ(vvRules, 3);
  EXPECT_EQ(doPrintSetup, 5);
  EXPECT_EQ(vcFloat, 3);
  EXPECT_EQ((TConstructWatches{cwFact, cwRule}).Bits(), 0b110u);
  EXPECT_EQ(TEnumTraits<TIEType>::Info().Count(), 19);
  EXPECT_TRUE(IESlotTypesWithFuzzy.Contains(dtFuzzy));
  EXPECT_FALSE(IESlotTypes.Contains(dtFuzzy));
}

TEST(Vocabulary, FourDecimalPlaceholder) {
  EXPECT_EQ(Format(SOutOfRangeError, {0, 10}), "Range must be between 0.0000 and 10.0000");
  EXPECT_EQ(Format("%.4f", {0}), "0.0000");
}

TEST(Value, ConstructorsCheckTheirType) {
  EXPECT_EQ(MessageOf([] { TIEValue V(std::string("x"), dtInteger); }), "Value and type mismatch");
  EXPECT_EQ(MessageOf([] { TIEValue V(3, dtFloat); }), "Value and type mismatch");
  EXPECT_EQ(NewRef<TIEValue>()->DType(), dtNone);
  EXPECT_EQ(NewRef<TIEValue>(7, dtDescriptor)->DType(), dtDescriptor);
}

TEST(Value, GetterConversions) {
  EXPECT_EQ(NewAtom("12")->AsInteger(), 12);
  EXPECT_EQ(NewString("2.9")->AsInteger(), 2);
  EXPECT_EQ(NewAtom("-2.9")->AsInteger(), -2);
  EXPECT_EQ(NewFloat(-3.7)->AsInteger(), -3);
  EXPECT_EQ(NewFloat(5.9)->AsFactId(), 5);
  EXPECT_EQ(NewInteger(4)->AsNumeric(), 4.0);
  EXPECT_EQ(NewString("1e2")->AsNumeric(), 100.0);
  EXPECT_EQ(NewFloat(3.14159)->AsString(), "3.1416");
  EXPECT_EQ(NewInteger(-8)->AsString(), "-8");
  EXPECT_EQ(NewRef<TIEValue>(3, dtFactId)->AsInteger(), 3);

  struct Failure {
    std::function<void()> Call;
    const char* Message;
  };
  const Failure Failures[] = {
      {[] { NewAtom("abc")->AsInteger(); }, "Not a integer type.  Value (abc) is a dtAtom type"},
      {[] { NewAtom("")->AsNumeric(); }, "Not a numeric type.  Value () is a dtAtom type"},
      {[] { NewString("x")->AsNumeric(); },
       "Not a numeric type.  Value (\"x\") is a dtString type"},
      {[] { NewInteger(1)->AsList(); }, "Not a list type.  Value (1) is a dtInteger type"},
      {[] { NewAtom("a")->AsFactId(); }, "Not a fact id type.  Value (a) is a dtAtom type"},
      {[] { NewInteger(1)->AsDescriptor(); },
       "Not a descriptor type.  Value (1) is a dtInteger type"},
      {[] { NewRef<TIEValue>()->AsString(); }, "Not a string type.  Value () is a dtNone type"},
      {[] { NewFloat(1)->AsObject(); }, "Not a object type.  Value (1.0000) is a dtFloat type"},
      {[] { NewAtom("a")->AsFuzzy(); }, "Not a fuzzy value type.  Value (a) is a dtAtom type"},
      {[] { NewAtom("a")->AsExternalAddress(); },
       "Not a External Address type.  Value (a) is a dtAtom type"},
  };
  for (const Failure& F : Failures) EXPECT_EQ(MessageOf(F.Call), F.Message);
  // The shared nil atom reads as 0; any other empty atom does not.
  EXPECT_EQ(FCNil->AsNumeric(), 0.0);
}

TEST(Value, EqualsComparesTypeAndValueEqualsStarValueOnly) {
  struct Case {
    IIEValue A, B;
    bool Equals, EqualsStar;
  };
  const Case Cases[] = {
      {NewAtom("abc"), NewString("abc"), false, true},
      {NewString("abc"), NewAtom("abc"), false, true},
      {NewInteger(1), NewFloat(1.0), false, true},
      {NewFloat(1.0), NewInteger(1), false, true},
      {NewInteger(3), NewAtom("3"), false, true},
      {NewInteger(3), NewString("3.7"), false, true},
      {NewInteger(3), NewFloat(3.2), false, true},
      {NewFloat(3.0), NewInteger(3), false, true},
      {NewAtom("abc"), NewAtom("ABC"), false, false},
      {NewAtom("x"), NewRef<TIEValue>(std::string("x"), dtVariable), false, true},
      {NewFloat(0.1 + 0.2), NewFloat(0.3), false, false},
      {NewRef<TIEValue>(), NewRef<TIEValue>(), true, true},
      {NewList(ListOf({NewAtom("a"), NewInteger(1)})),
       NewList(ListOf({NewAtom("a"), NewInteger(1)})), true, true},
      {NewList(ListOf({NewAtom("a"), NewAtom("b")})), NewList(ListOf({NewAtom("b"), NewAtom("a")})),
       false, false},
      {NewRef<TIEValue>(7, dtFactId), NewInteger(7), false, true},
      {NewRef<TIEValue>(TClassRegistry::Instance().Find("TBindingInfo")),
       NewRef<TIEValue>(TClassRegistry::Instance().Find("TBindingInfo")), false, false},
  };
  for (const Case& C : Cases) {
    EXPECT_EQ(C.A->Equals(C.B), C.Equals) << C.A->ToString() << " / " << C.B->ToString();
    EXPECT_EQ(C.A->EqualsStar(C.B), C.EqualsStar) << C.A->ToString() << " / " << C.B->ToString();
  }
  IIEValue V = NewAtom("same");
  EXPECT_TRUE(V->Equals(V));
  EXPECT_FALSE(V->Equals(IIEValue()));
  // A failing conversion raises the getter's error.
  EXPECT_THROW(NewInteger(3)->EqualsStar(NewAtom("abc")), EIEException);
}

TEST(Value, EqualValuesHashAlike) {
  EXPECT_EQ(NewInteger(1)->GetHashCode(), 1);
  EXPECT_EQ(NewFloat(1.0)->GetHashCode(), 1);
  EXPECT_EQ(NewFloat(-2.7)->GetHashCode(), -2);
  EXPECT_EQ(NewRef<TIEValue>()->GetHashCode(), 0);
  EXPECT_EQ(NewAtom("abc")->GetHashCode(), NewString("abc")->GetHashCode());
  EXPECT_EQ(NewAtom("abc")->GetHashCode(), CalculateHash("abc"));
  IIEValue L1 = NewList(ListOf({NewAtom("a"), NewAtom("b")}));
  IIEValue L2 = NewList(ListOf({NewAtom("b"), NewAtom("a")}));
  EXPECT_EQ(L1->GetHashCode(), L2->GetHashCode());
  EXPECT_EQ(NewList()->GetHashCode(), 0);
}

TEST(StringHash, SamplesLongTexts) {
  // 15 bytes: every byte. 16 bytes: positions 1, 3, 5, ..., 15 (k = 2).
  std::string Fifteen = "abcdefghijklmno";
  std::string Sixteen = "abcdefghijklmnop";
  auto Fold = [](const std::string& S, size_t Step) {
    uint32_t H = 0;
    for (size_t I = 0; I < S.size(); I += Step) H = H * 31 + static_cast<unsigned char>(S[I]);
    return static_cast<int32_t>(H);
  };
  EXPECT_EQ(CalculateHash(Fifteen), Fold(Fifteen, 1));
  EXPECT_EQ(CalculateHash(Sixteen), Fold(Sixteen, 2));
  EXPECT_EQ(CalculateHash(Sixteen), CalculateHash("acegikmo", 1));
  EXPECT_EQ(CalculateHash(""), 0);
  EXPECT_EQ(CalculateHash("abc", 0), CalculateHash("abc", 1));
  EXPECT_EQ(CalculateHash("abcdef", 2), CalculateHash("ace", 1));
}

TEST(Value, PrintedForms) {
  TBindingInfo Info(1, "colour", 2);
  struct Case {
    IIEValue V;
    const char* Printed;
  };
  const Case Cases[] = {
      {NewRef<TIEValue>(), ""},
      {NewAtom("abc"), "abc"},
      {NewString("a\"b\\c"), "\"a\\\"b\\\\c\""},
      {NewString(""), "\"\""},
      {NewInteger(-42), "-42"},
      {NewFloat(2), "2.0000"},
      {NewFloat(3.14159), "3.1416"},
      {NewRef<TIEValue>(7, dtFactId), "<Fact-7>"},
      {NewRef<TIEValue>(1, dtDescriptor), "<UNKNOWN>"},
      {NewVariable("x"), "?x"},
      {NewMultiVariable("x"), "$?x"},
      {NewRef<TIEValue>(std::string("colour"), dtSlot), "colour"},
      {NewList(ListOf({NewAtom("a"), NewAtom("b")})), "a b "},
      {NewList(ListOf({NewList(ListOf({NewAtom("a")})), NewAtom("b")})), "a  b "},
      {NewList(), ""},
      {NewRef<TIEValue>(static_cast<TObject*>(nullptr), false), ""},
      {NewRef<TIEValue>(static_cast<TObject*>(&Info), false),
       "<TBindingInfo: FactIdx=1 SlotIdx=colour SubIdx=2>"},
      {NewRef<TIEValue>(reinterpret_cast<void*>(uintptr_t{1234})), "<External-Address: 1234>"},
      {NewRef<TIEValue>(TClassRegistry::Instance().Find("TBindingInfo")), "TBindingInfo"},
      {FCTrue, "TRUE"},
      {FCPI, "3.1416"},
  };
  for (const Case& C : Cases) EXPECT_EQ(C.V->ToString(), C.Printed);
  TComponent* C = NewObject<TComponent>(nullptr);
  EXPECT_EQ(NewRef<TIEValue>(static_cast<TObject*>(C), false)->ToString(), "<Object: TComponent>");
  Free(C);
}

TEST(Value, SettersFireOnChangeResetDoesNot) {
  IIEValue V = NewAtom("a");
  int Calls = 0;
  TIEValue* Sender = nullptr;
  V->SetOnChange([&](const IIEValue& S) {
    ++Calls;
    Sender = S.Get();
  });
  V->SetAsInteger(5);
  V->SetAsList(NewRef<TValueVector>());
  EXPECT_EQ(Calls, 2);
  EXPECT_EQ(Sender, V.Get());
  V->Reset();
  EXPECT_EQ(Calls, 2);
  EXPECT_EQ(V->DType(), dtNone);
}

TEST(Value, AssignClonesListsCloneSharesThem) {
  IValueVector List = ListOf({NewAtom("a"), NewInteger(2)});
  IIEValue Source = NewList(List);
  Source->SetTag(9);

  IIEValue Copy = NewRef<TIEValue>();
  Copy->Assign(Source);
  EXPECT_NE(Copy->AsList().Get(), List.Get());
  EXPECT_TRUE(Copy->AsList()->Equals(List.Get()));
  EXPECT_NE(Copy->AsList()->Get(0).Get(), List->Get(0).Get());
  EXPECT_EQ(Copy->Tag(), 9);
  Copy->AsList()->Get(1)->SetAsInteger(3);
  EXPECT_EQ(List->Get(1)->AsInteger(), 2);

  IIEValue Shared = Source->Clone();
  EXPECT_EQ(Shared->AsList().Get(), List.Get());

  IIEValue Constructed = NewRef<TIEValue>(Source);  // the copying constructor assigns
  EXPECT_NE(Constructed->AsList().Get(), List.Get());

  IIEValue Target = NewAtom("x");
  Source->AssignTo(Target);
  EXPECT_EQ(Target->DType(), dtList);
  EXPECT_NE(Target->AsList().Get(), List.Get());
}

TEST(Value, AssignFromUnrelatedClassRaisesTheAssignmentError) {
  IIEValue V = NewAtom("a");
  TBindingInfo Info;
  EXPECT_THROW(V->Assign(static_cast<TPersistent*>(&Info)), EConvertError);
}

class TOwnedPart : public TComponent {
 public:
  explicit TOwnedPart(TComponent* Owner) : TComponent(Owner) {}
  ~TOwnedPart() override { ++Freed; }
  void Assign(TPersistent* Source) override {
    if (auto* P = dynamic_cast<TOwnedPart*>(Source)) {
      Data = P->Data;
      return;
    }
    TComponent::Assign(Source);
  }
  std::string Data;
  static int Freed;
};
int TOwnedPart::Freed = 0;
const bool OwnedPartRegistered = (RegisterClass<TOwnedPart, TComponent>("TOwnedPart"), true);

TEST(Value, OwnedComponentFreedElsewhereTurnsTheValueIntoNone) {
  TOwnedPart::Freed = 0;
  auto* Part = NewObject<TOwnedPart>(nullptr);
  IIEValue V = NewRef<TIEValue>(static_cast<TObject*>(Part), true);
  EXPECT_TRUE(V->IsOwningObject());
  Free(Part);
  EXPECT_EQ(V->DType(), dtNone);
  EXPECT_EQ(TOwnedPart::Freed, 1);
  V = nullptr;  // nothing freed twice
  EXPECT_EQ(TOwnedPart::Freed, 1);
}

TEST(Value, FreeingTheValueFreesTheOwnedComponent) {
  TOwnedPart::Freed = 0;
  {
    IIEValue V = NewRef<TIEValue>();
    V->SetAsOwnedObject(NewObject<TOwnedPart>(nullptr));
  }
  EXPECT_EQ(TOwnedPart::Freed, 1);
  // Changing the value frees it too.
  IIEValue V = NewRef<TIEValue>();
  V->SetAsOwnedObject(NewObject<TOwnedPart>(nullptr));
  V->SetAsInteger(1);
  EXPECT_EQ(TOwnedPart::Freed, 2);
}

TEST(Value, CopyingAnOwnedComponentMakesANewOneWithTheSameOwner) {
  TOwnedPart::Freed = 0;
  TComponent* Owner = NewObject<TComponent>(nullptr);
  auto* Part = NewObject<TOwnedPart>(Owner);
  Part->Data = "payload";
  IIEValue V = NewRef<TIEValue>(static_cast<TObject*>(Part), true);
  IIEValue Copy = V->Clone();
  auto* CopyPart = dynamic_cast<TOwnedPart*>(Copy->AsObject());
  ASSERT_NE(CopyPart, nullptr);
  EXPECT_NE(CopyPart, Part);
  EXPECT_EQ(CopyPart->Data, "payload");
  EXPECT_EQ(CopyPart->Owner(), Owner);
  EXPECT_TRUE(Copy->IsOwningObject());
  Copy = nullptr;
  EXPECT_EQ(TOwnedPart::Freed, 1);
  V = nullptr;
  EXPECT_EQ(TOwnedPart::Freed, 2);
  Free(Owner);
}

TEST(Value, PlainOwnedObjectCannotBeCloned) {
  struct TPlain : TObject {};
  IIEValue V = NewRef<TIEValue>(new TPlain, true);
  IIEValue Target = NewAtom("x");
  EXPECT_EQ(MessageOf([&] { Target->Assign(V); }),
            "Uncloneable value.  Value owned an object of TPlain class type");
  EXPECT_EQ(Target->DType(), dtNone);
  EXPECT_THROW(V->Clone(), EIEException);
}

TEST(Value, SharedConstantsAreFrozen) {
  const IIEValue* Constants[] = {&FCTrue,  &FCFalse,   &FCEmptyString, &FCNil,  &FCNilList,
                                 &FCCatch, &FCFinally, &FCExcept,      &FCElse, &FCDo,
                                 &FCEOF,   &FCThen,    &FCPI,          &FCZero};
  for (const IIEValue* C : Constants) {
    EXPECT_TRUE(IsValueConstant(*C));
    std::string Before = (*C)->ToString();
    EXPECT_THROW((*C)->SetAsAtom("changed"), EIEException);
    EXPECT_THROW((*C)->Reset(), EIEException);
    EXPECT_THROW((*C)->Assign(NewInteger(1)), EIEException);
    EXPECT_THROW((*C)->SetTag(3), EIEException);
    EXPECT_EQ((*C)->ToString(), Before);
  }
  EXPECT_THROW(FCNilList->AsList()->Add(NewAtom("x")), EIEException);
  EXPECT_EQ(FCNilList->AsList()->Count(), 0);
  // Copies are ordinary values.
  IIEValue Copy = FCTrue->Clone();
  EXPECT_FALSE(IsValueConstant(Copy));
  Copy->SetAsAtom("other");
  EXPECT_EQ(FCTrue->AsString(), "TRUE");
  EXPECT_FALSE(IsValueConstant(NewAtom("TRUE")));
  EXPECT_NE(FCNil.Get(), FCEmptyString.Get());
}

TEST(Value, ResolveWithoutContext) {
  EXPECT_EQ(MessageOf([] { NewVariable("x")->Resolve(nullptr); }),
            "No context found when trying to resolve a dtVariable value");
  TBindingInfo Info(0, "a", -1);
  IIEValue Ref = NewRef<TIEValue>(static_cast<TObject*>(&Info), false);
  EXPECT_EQ(MessageOf([&] { Ref->Resolve(nullptr); }),
            "No context found when trying to resolve a dtObject value");
  IIEValue Atom = NewAtom("a");
  EXPECT_EQ(Atom->Resolve(nullptr).Get(), Atom.Get());
}

}  // namespace
}  // namespace norvale
