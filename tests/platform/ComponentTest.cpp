#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Classes.h"
#include "platform/TypeInfo.h"

namespace norvale {

enum TShade { shLight, shDark };
NORVALE_ENUM(TShade, "shLight", "shDark")

namespace {

std::vector<std::string>* GLog = nullptr;

class TLogged : public TComponent {
 public:
  explicit TLogged(TComponent* Owner) : TComponent(Owner) {}
  ~TLogged() override {
    if (GLog) GLog->push_back(Name());
  }
};

TEST(TComponent, OwnerFreesItsComponentsLastFirst) {
  std::vector<std::string> Log;
  GLog = &Log;
  TLogged* Owner = NewObject<TLogged>(nullptr);
  Owner->SetName("owner");
  for (const char* N : {"a", "b", "c"}) NewObject<TLogged>(Owner)->SetName(N);
  EXPECT_EQ(Owner->ComponentCount(), 3);
  Free(Owner);
  GLog = nullptr;
  EXPECT_EQ(Log, (std::vector<std::string>{"c", "b", "a", "owner"}));
}

TEST(TComponent, FreeingAChildTakesItOutOfItsOwner) {
  TComponent* Owner = NewObject<TComponent>(nullptr);
  TComponent* A = NewObject<TComponent>(Owner);
  TComponent* B = NewObject<TComponent>(Owner);
  Free(A);
  ASSERT_EQ(Owner->ComponentCount(), 1);
  EXPECT_EQ(Owner->Components(0), B);
  Free(Owner);
}

TEST(TComponent, SiblingNamesAreUnique) {
  TComponent* Owner = NewObject<TComponent>(nullptr);
  NewObject<TComponent>(Owner)->SetName("Engine1");
  TComponent* Second = NewObject<TComponent>(Owner);
  EXPECT_THROW(Second->SetName("engine1"), EComponentError);
  EXPECT_THROW(Second->SetName("not valid"), EComponentError);
  Free(Owner);
}

// Keeps a plain pointer to another component and clears it when that component goes away.
class TWatcher : public TComponent {
 public:
  explicit TWatcher(TComponent* Owner) : TComponent(Owner) {}
  void Watch(TComponent* C) {
    FWatched = C;
    C->FreeNotification(this);
  }
  TComponent* Watched() const { return FWatched; }
  int Removals = 0;

 protected:
  void Notification(TComponent* C, TOperation Op) override {
    TComponent::Notification(C, Op);
    if (Op == opRemove && C == FWatched) {
      // The component is still whole while its watchers are told.
      EXPECT_NE(dynamic_cast<TWatcher*>(C), nullptr);
      FWatched = nullptr;
      ++Removals;
    }
  }

 private:
  TComponent* FWatched = nullptr;
};

TEST(TComponent, FreeNotificationClearsReferences) {
  TWatcher* W = NewObject<TWatcher>(nullptr);
  TWatcher* Target = NewObject<TWatcher>(nullptr);
  W->Watch(Target);
  Free(Target);
  EXPECT_EQ(W->Watched(), nullptr);
  EXPECT_EQ(W->Removals, 1);
  // The link is gone both ways: freeing the watcher after its target touches nothing freed.
  Free(W);
}

TEST(TComponent, WatcherFreedFirstIsForgotten) {
  TWatcher* W = NewObject<TWatcher>(nullptr);
  TWatcher* Target = NewObject<TWatcher>(nullptr);
  W->Watch(Target);
  Free(W);
  Free(Target);  // must not notify the freed watcher (the sanitizer build catches it)
}

// Two-phase construction: the base calls an overridable factory from AfterConstruction.
class TBaseWithFactory : public TComponent {
 public:
  explicit TBaseWithFactory(TComponent* Owner) : TComponent(Owner) {}
  void AfterConstruction() override {
    TComponent::AfterConstruction();
    Made = CreatePart();
  }
  virtual std::string CreatePart() { return "base"; }
  std::string Made;
};

class TDerivedWithFactory : public TBaseWithFactory {
 public:
  using TBaseWithFactory::TBaseWithFactory;
  std::string CreatePart() override { return "derived"; }
};

TEST(TwoPhaseConstruction, AfterConstructionDispatchesOverrides) {
  TBaseWithFactory* D = NewObject<TDerivedWithFactory>(nullptr);
  EXPECT_EQ(D->Made, "derived");
  Free(D);
}

class TCounted : public TInterfacedPersistent {
 public:
  explicit TCounted(int* Freed) : FFreed(Freed) {}
  ~TCounted() override { ++*FFreed; }

 private:
  int* FFreed;
};

TEST(Ref, FreesOnLastReferenceAndNeverForPermanentObjects) {
  int Freed = 0;
  {
    Ref<TCounted> A = NewRef<TCounted>(&Freed);
    Ref<TCounted> B = A;
    EXPECT_EQ(A->RefCount(), 2);
    A = nullptr;
    EXPECT_EQ(Freed, 0);
  }
  EXPECT_EQ(Freed, 1);
  auto* P = new TCounted(&Freed);
  P->MakePermanent();
  { Ref<TCounted> C(P); }
  EXPECT_EQ(Freed, 1);
  delete P;
}

// --- class registry and published properties ------------------------------------------------

class TSample : public TComponent {
 public:
  explicit TSample(TComponent* Owner) : TComponent(Owner) {}
  int Count() const { return FCount; }
  void SetCount(int V) { FCount = V; }
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& V) { FCaption = V; }
  TShade Shade() const { return FShade; }
  void SetShade(TShade V) { FShade = V; }
  TSet<TShade> Shades() const { return FShades; }
  void SetShades(TSet<TShade> V) { FShades = V; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool V) { FEnabled = V; }
  double Ratio() const { return FRatio; }
  void SetRatio(double V) { FRatio = V; }
  TNotifyEvent OnChange;

 private:
  int FCount = 0;
  std::string FCaption;
  TShade FShade = shLight;
  TSet<TShade> FShades;
  bool FEnabled = true;
  double FRatio = 0;
};

const bool SampleRegistered = (RegisterClass<TSample, TComponent>("TSample")
                                   .Property("Count", &TSample::Count, &TSample::SetCount, 0)
                                   .Property("Caption", &TSample::Caption, &TSample::SetCaption)
                                   .Property("Shade", &TSample::Shade, &TSample::SetShade)
                                   .Property("Shades", &TSample::Shades, &TSample::SetShades)
                                   .Property("Enabled", &TSample::Enabled, &TSample::SetEnabled)
                                   .Property("Ratio", &TSample::Ratio, &TSample::SetRatio)
                                   .Event("OnChange", &TSample::OnChange, "TNotifyEvent"),
                               true);

TEST(ClassRegistry, CreatesByNameAndRejectsUnknownNames) {
  TComponent* Owner = NewObject<TComponent>(nullptr);
  TObject* Obj = TClassRegistry::Instance().Create("tsample", Owner);
  ASSERT_NE(dynamic_cast<TSample*>(Obj), nullptr);
  EXPECT_EQ(static_cast<TSample*>(Obj)->Owner(), Owner);
  try {
    TClassRegistry::Instance().Create("TNoSuchClass");
    FAIL();
  } catch (const EClassNotFound& E) {
    EXPECT_STREQ(E.what(), "Class TNoSuchClass not found");
  }
  Free(Owner);
}

TEST(PublishedProperties, ReadAndWrittenByName) {
  TSample* S = NewObject<TSample>(nullptr);
  SetPropValue(S, "count", int64_t{7});
  SetPropValue(S, "Caption", std::string("hello"));
  SetPropValue(S, "Shade", int64_t{shDark});
  SetPropValue(S, "Enabled", false);
  EXPECT_EQ(S->Count(), 7);
  EXPECT_EQ(std::get<std::string>(GetPropValue(S, "Caption")), "hello");
  EXPECT_EQ(S->Shade(), shDark);
  EXPECT_FALSE(S->Enabled());
  EXPECT_THROW(GetPropValue(S, "Missing"), EPropertyError);

  const TClassInfo* Info = TClassRegistry::Instance().Of(S);
  ASSERT_NE(Info, nullptr);
  const TPropInfo* Shade = Info->FindProperty("Shade");
  ASSERT_NE(Shade, nullptr);
  EXPECT_EQ(Shade->Kind, tkEnumeration);
  EXPECT_EQ(Shade->TypeName, "TShade");
  EXPECT_EQ(PropValueToString(*Shade, Shade->Get(S)), "shDark");
  const TPropInfo* Shades = Info->FindProperty("Shades");
  Shades->Set(S, PropValueFromString(*Shades, "[shLight, shDark]"));
  EXPECT_EQ(S->Shades().Bits(), 0b11u);
  EXPECT_EQ(PropValueToString(*Shades, Shades->Get(S)), "[shLight,shDark]");
  const TPropInfo* Count = Info->FindProperty("Count");
  EXPECT_TRUE(Count->HasDefault);
  EXPECT_EQ(Info->FindProperty("OnChange")->Kind, tkMethod);
  Free(S);
}

TEST(PublishedProperties, EventsSwapBetweenObjects) {
  TSample* A = NewObject<TSample>(nullptr);
  TSample* B = NewObject<TSample>(nullptr);
  int Hits = 0;
  A->OnChange = [&](TObject*) { ++Hits; };
  const TPropInfo* Ev = TClassRegistry::Instance().Of(A)->FindProperty("OnChange");
  Ev->SwapEvent(A, B);
  EXPECT_FALSE(Ev->EventAssigned(A));
  B->OnChange(B);
  EXPECT_EQ(Hits, 1);
  Free(A);
  Free(B);
}

}  // namespace
}  // namespace norvale
