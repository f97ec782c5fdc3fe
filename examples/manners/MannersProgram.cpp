#include "examples/manners/MannersProgram.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "engine/engine/FactSet.h"
#include "engine/rete/IEContext.h"
#include "examples/manners/HostFunctions.h"

namespace norvale {

namespace {

// Saliences: the rules that close a phase wait until the phase's other rules are done.
constexpr int SalienceNormal = 0;
constexpr int SalienceLast = -10;

// xorshift32: the same guest list for the same seed on every platform.
class TRandom {
 public:
  explicit TRandom(uint32_t Seed) : FState(Seed * 2654435761u ^ 0x9E3779B9u) {
    if (FState == 0) FState = 1;
  }
  uint32_t Next() noexcept {
    FState ^= FState << 13;
    FState ^= FState >> 17;
    FState ^= FState << 5;
    return FState;
  }
  // From 0 to Bound - 1.
  int Below(int Bound) noexcept { return static_cast<int>(Next() % static_cast<uint32_t>(Bound)); }

 private:
  uint32_t FState;
};

IIEValue Var(const char* Name) { return NewVariable(Name); }
IIEValue Atom(const char* Text) { return NewAtom(Text); }

// A test of a pattern on one slot: (slot value), or with Negated (slot ~value).
struct TSlotTest {
  const char* Slot;
  IIEValue Value;
  bool Negated = false;
};

using TSlotValue = std::pair<const char*, IIEValue>;

// Builds one rule, its patterns in order, then its actions; Add hands it to the engine. A rule
// not added (because building it failed) is freed.
class TRuleBuilder {
 public:
  TRuleBuilder(TInferenceEngine* Engine, const char* Name, int Salience)
      : FEngine(Engine), FRule(NewObject<TRule>(Engine)) {
    FRule->SetRuleName(Name);
    FRule->SetSalienceInteger(Salience);
    FRule->BeginUpdate();
  }
  ~TRuleBuilder() {
    if (FRule) Free(FRule);
  }
  TRuleBuilder(const TRuleBuilder&) = delete;
  TRuleBuilder& operator=(const TRuleBuilder&) = delete;

  // ?Bound <- (template (slot value) ...); no binding for a null Bound.
  TRuleBuilder& Match(const char* Template, std::initializer_list<TSlotTest> Tests,
                      const char* Bound = nullptr) {
    return AddPattern(Template, Tests, 0, Bound);
  }
  // (not (template (slot value) ...))
  TRuleBuilder& NotMatch(const char* Template, std::initializer_list<TSlotTest> Tests) {
    return AddPattern(Template, Tests, 1, nullptr);
  }
  TRuleBuilder& Then(const char* Function, std::initializer_list<IIEValue> Arguments) {
    FRule->Actions().Add(NewCall(FEngine, Function, Arguments));
    return *this;
  }
  // (assert-slots template slot value ...)
  TRuleBuilder& Assert(const char* Template, std::initializer_list<TSlotValue> Values) {
    return SlotCall("assert-slots", NewAtom(Template), Values);
  }
  // (modify-slots ?Fact slot value ...)
  TRuleBuilder& Modify(const char* Fact, std::initializer_list<TSlotValue> Values) {
    return SlotCall("modify-slots", NewVariable(Fact), Values);
  }
  void Add() {
    FRule->EndUpdate();
    FEngine->Rules().Add(FRule);
    FRule = nullptr;
  }

 private:
  TRuleBuilder& AddPattern(const char* Template, std::initializer_list<TSlotTest> Tests,
                           int Negated, const char* Bound) {
    IFactTemplate T = FEngine->FindFactTemplate(Template);
    auto* P = NewObject<TIEPattern>(FRule, Negated, T, Template);
    for (const TSlotTest& Test : Tests) P->AddTest(Test.Slot, Test.Value, true, Test.Negated);
    if (Bound) P->SetBoundName(Bound);
    FRule->Patterns().Add(P);
    return *this;
  }

  TRuleBuilder& SlotCall(const char* Function, const IIEValue& First,
                         std::initializer_list<TSlotValue> Values) {
    IFunCall Call = NewCall(FEngine, Function, {First});
    for (const auto& [Slot, Value] : Values) {
      Call->AddArgument(NewAtom(Slot));
      Call->AddArgument(Value);
    }
    FRule->Actions().Add(Call);
    return *this;
  }

  TInferenceEngine* FEngine;
  TRule* FRule;
};

// (seated <seat> <name>): print_results reports one seat of the final seating to the host.
class TSeatedFunction : public TIEUserFunction {
 public:
  explicit TSeatedFunction(std::vector<TMannersSeat>* Seats) : FSeats(Seats) {}
  void AfterConstruction() override {
    TIEUserFunction::AfterConstruction();
    SetFunctionName("seated");
    SetArgumentString(" <seat> <guest-name>");
    SetMaxArgumentCount(2);
    SetMinArgumentCount(2);
  }

 protected:
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TIEUserFunction::Call(FunCall, Context, Result);
    TMannersSeat Seat;
    Seat.Seat = FunCall->GetArgument(0)->Resolve(Context)->AsInteger();
    Seat.Name = FunCall->GetArgument(1)->Resolve(Context)->AsString();
    FSeats->push_back(std::move(Seat));
    Result = FCTrue;
  }

 private:
  std::vector<TMannersSeat>* FSeats;
};

bool ShareHobby(const TMannersGuest& A, const TMannersGuest& B) {
  for (int H : A.Hobbies)
    if (std::find(B.Hobbies.begin(), B.Hobbies.end(), H) != B.Hobbies.end()) return true;
  return false;
}

}  // namespace

std::vector<TMannersGuest> MakeMannersGuests(int Count, uint32_t Seed) {
  if (Count < 2 || Count > MannersMaxGuests || Count % 2 != 0)
    throw std::invalid_argument("the number of guests must be even and from 2 to " +
                                std::to_string(MannersMaxGuests) + ", not " +
                                std::to_string(Count));
  TRandom Random(Seed);
  std::vector<std::string> Sexes(Count, "m");
  std::fill(Sexes.begin() + Count / 2, Sexes.end(), "f");
  for (int I = Count - 1; I > 0; --I) std::swap(Sexes[I], Sexes[Random.Below(I + 1)]);

  std::vector<TMannersGuest> Guests(Count);
  for (int I = 0; I < Count; ++I) {
    TMannersGuest& G = Guests[I];
    G.Name = "n" + std::to_string(I + 1);
    G.Sex = Sexes[I];
    const int Missing = Random.Below(2) ? 1 + Random.Below(3) : 0;  // 0: all three hobbies
    for (int H = 1; H <= 3; ++H)
      if (H != Missing) G.Hobbies.push_back(H);
  }
  return Guests;
}

TMannersProgram::TMannersProgram(const std::vector<TMannersGuest>& Guests)
    : FGuests(Guests), FEngine(NewObject<TInferenceEngine>(nullptr)) {
  Construct([this] {
    BuildTemplates();
    BuildRules();
  });
}

TMannersProgram::TMannersProgram(const std::vector<TMannersGuest>& Guests,
                                 const std::string& KnowledgeFile)
    : FGuests(Guests), FEngine(NewObject<TInferenceEngine>(nullptr)) {
  Construct([this, &KnowledgeFile] { FEngine->LoadFromFile(KnowledgeFile); });
}

template <class TBuild>
void TMannersProgram::Construct(TBuild Build) {
  try {
    AddHostFunctions(FEngine);
    NewRef<TSeatedFunction>(&FReported)->AddReasoner(FEngine);
    Build();
    BuildFacts();
  } catch (...) {
    Free(FEngine);
    throw;
  }
}

TMannersProgram::~TMannersProgram() { Free(FEngine); }

void TMannersProgram::BuildTemplates() {
  struct TTemplateSlots {
    const char* Name;
    std::vector<const char*> Slots;
  };
  const TTemplateSlots Templates[] = {
      {"guest", {"name", "sex", "hobby"}},
      {"last_seat", {"seat"}},
      {"seating", {"seat1", "name1", "name2", "seat2", "id", "pid", "path_done"}},
      {"context", {"state"}},
      {"path", {"id", "name", "seat"}},
      {"chosen", {"id", "name", "hobby"}},
      {"count", {"c"}},
  };
  for (const auto& [Name, Slots] : Templates) {
    IFactTemplate T = NewRef<TFactTemplate>(FEngine, Name);
    for (const char* S : Slots) T->AddSlot(S, FCNil);
    FEngine->FactTemplates().Add(T);
  }
}

void TMannersProgram::BuildRules() {
  TInferenceEngine* E = FEngine;
  auto Plus = [E](IIEValue A, IIEValue B) { return NewCallValue(E, "+", {A, B}); };
  const IIEValue One = NewInteger(1);

  // The first guest found takes seat 1; the first seating (id ?c) has a path of one guest.
  TRuleBuilder(E, "assign_first_seat", SalienceNormal)
      .Match("context", {{"state", Atom("start")}}, "f1")
      .Match("guest", {{"name", Var("n")}})
      .Match("count", {{"c", Var("c")}}, "f3")
      .Assert("seating", {{"seat1", One},
                          {"name1", Var("n")},
                          {"name2", Var("n")},
                          {"seat2", One},
                          {"id", Var("c")},
                          {"pid", NewInteger(0)},
                          {"path_done", Atom("yes")}})
      .Assert("path", {{"id", Var("c")}, {"name", Var("n")}, {"seat", One}})
      .Modify("f3", {{"c", Plus(Var("c"), One)}})
      .Modify("f1", {{"state", Atom("assign_seats")}})
      .Add();

  // Extends a finished seating by a guest of the other sex sharing a hobby with the guest in
  // its last seat, who is not on its path yet and was not tried from it already.
  TRuleBuilder(E, "find_seating", SalienceNormal)
      .Match("context", {{"state", Atom("assign_seats")}}, "f1")
      .Match("seating", {{"seat2", Var("seat2")},
                         {"name2", Var("n2")},
                         {"id", Var("id")},
                         {"path_done", Atom("yes")}})
      .Match("guest", {{"name", Var("n2")}, {"sex", Var("s1")}, {"hobby", Var("h1")}})
      .Match("guest", {{"name", Var("g2")}, {"sex", Var("s1"), true}, {"hobby", Var("h1")}})
      .Match("count", {{"c", Var("c")}}, "f5")
      .NotMatch("path", {{"id", Var("id")}, {"name", Var("g2")}})
      .NotMatch("chosen", {{"id", Var("id")}, {"name", Var("g2")}, {"hobby", Var("h1")}})
      .Assert("seating", {{"seat1", Var("seat2")},
                          {"name1", Var("n2")},
                          {"name2", Var("g2")},
                          {"seat2", Plus(Var("seat2"), One)},
                          {"id", Var("c")},
                          {"pid", Var("id")},
                          {"path_done", Atom("no")}})
      .Assert("path", {{"id", Var("c")}, {"name", Var("g2")}, {"seat", Plus(Var("seat2"), One)}})
      .Assert("chosen", {{"id", Var("id")}, {"name", Var("g2")}, {"hobby", Var("h1")}})
      .Modify("f5", {{"c", Plus(Var("c"), One)}})
      .Modify("f1", {{"state", Atom("make_path")}})
      .Add();

  // Copies the path of the seating extended into the new seating's path, one guest at a time.
  TRuleBuilder(E, "make_path", SalienceNormal)
      .Match("context", {{"state", Atom("make_path")}})
      .Match("seating", {{"id", Var("id")}, {"pid", Var("pid")}, {"path_done", Atom("no")}})
      .Match("path", {{"id", Var("pid")}, {"name", Var("n1")}, {"seat", Var("s")}})
      .NotMatch("path", {{"id", Var("id")}, {"name", Var("n1")}})
      .Assert("path", {{"id", Var("id")}, {"name", Var("n1")}, {"seat", Var("s")}})
      .Add();

  // Once the path is copied, the new seating is finished.
  TRuleBuilder(E, "path_done", SalienceLast)
      .Match("context", {{"state", Atom("make_path")}}, "f1")
      .Match("seating", {{"path_done", Atom("no")}}, "f2")
      .Modify("f2", {{"path_done", Atom("yes")}})
      .Modify("f1", {{"state", Atom("check_done")}})
      .Add();

  TRuleBuilder(E, "are_we_done", SalienceNormal)
      .Match("context", {{"state", Atom("check_done")}}, "f1")
      .Match("last_seat", {{"seat", Var("l_seat")}})
      .Match("seating", {{"seat2", Var("l_seat")}})
      .Then("printout", {Atom("t"), Atom("crlf"), NewString("Yes, we are done!!"), Atom("crlf")})
      .Modify("f1", {{"state", Atom("print_results")}})
      .Add();

  TRuleBuilder(E, "continue", SalienceLast)
      .Match("context", {{"state", Atom("check_done")}}, "f1")
      .Modify("f1", {{"state", Atom("assign_seats")}})
      .Add();

  // The path of the seating that reached the last seat is the result.
  TRuleBuilder(E, "print_results", SalienceNormal)
      .Match("context", {{"state", Atom("print_results")}})
      .Match("seating", {{"id", Var("id")}, {"seat2", Var("s2")}})
      .Match("last_seat", {{"seat", Var("s2")}})
      .Match("path", {{"id", Var("id")}, {"name", Var("n")}, {"seat", Var("s")}}, "f4")
      .Then("retract-fact", {Var("f4")})
      .Then("seated", {Var("s"), Var("n")})
      .Then("printout", {Atom("t"), Var("n"), NewString(" "), Var("s"), Atom("crlf")})
      .Add();

  TRuleBuilder(E, "all_done", SalienceLast)
      .Match("context", {{"state", Atom("print_results")}})
      .Then("halt", {})
      .Add();
}

void TMannersProgram::BuildFacts() {
  auto* Set = NewObject<TFactSet>(FEngine);
  Set->SetFactSetName("manners");
  auto Add = [&](const char* Template,
                 std::initializer_list<std::pair<const char*, IIEValue>> Values) {
    IFact F = FEngine->FindFactTemplate(Template)->NewFact();
    for (const auto& [Slot, Value] : Values) F->SetValue(Slot, Value);
    Set->AddFact(F);
  };
  for (const TMannersGuest& G : FGuests)
    for (int H : G.Hobbies)
      Add("guest", {{"name", NewAtom(G.Name)}, {"sex", NewAtom(G.Sex)}, {"hobby", NewInteger(H)}});
  Add("last_seat", {{"seat", NewInteger(static_cast<int32_t>(FGuests.size()))}});
  Add("count", {{"c", NewInteger(1)}});
  Add("context", {{"state", Atom("start")}});
}

int TMannersProgram::Run() {
  FReported.clear();
  FEngine->Reset();
  return FEngine->Run();
}

std::vector<TMannersSeat> TMannersProgram::Seating() const {
  std::vector<TMannersSeat> Seats = FReported;
  std::stable_sort(Seats.begin(), Seats.end(),
                   [](const TMannersSeat& A, const TMannersSeat& B) { return A.Seat < B.Seat; });
  return Seats;
}

std::vector<std::string> TMannersProgram::Problems() const {
  std::vector<std::string> Problems;
  const std::vector<TMannersSeat> Seats = Seating();
  const int Count = static_cast<int>(FGuests.size());
  if (static_cast<int>(Seats.size()) != Count)
    Problems.push_back(std::to_string(Count) + " guests, but " + std::to_string(Seats.size()) +
                       " seats reported");

  std::map<std::string, const TMannersGuest*> ByName;
  for (const TMannersGuest& G : FGuests) ByName[G.Name] = &G;
  std::map<std::string, int> SeatOf;
  std::vector<int> Taken(Count + 1, 0);
  for (const TMannersSeat& S : Seats) {
    const std::string Where = S.Name + " (seat " + std::to_string(S.Seat) + ")";
    if (!ByName.count(S.Name)) Problems.push_back("unknown guest " + Where);
    if (S.Seat < 1 || S.Seat > Count)
      Problems.push_back("no such seat: " + Where);
    else if (Taken[S.Seat]++)
      Problems.push_back("seat " + std::to_string(S.Seat) + " reported twice");
    if (!SeatOf.emplace(S.Name, S.Seat).second) Problems.push_back(S.Name + " seated twice");
  }
  for (const TMannersGuest& G : FGuests)
    if (!SeatOf.count(G.Name)) Problems.push_back(G.Name + " has no seat");

  for (size_t I = 1; I < Seats.size(); ++I) {
    const TMannersSeat& L = Seats[I - 1];
    const TMannersSeat& R = Seats[I];
    if (R.Seat != L.Seat + 1) continue;  // a gap is reported above
    auto A = ByName.find(L.Name), B = ByName.find(R.Name);
    if (A == ByName.end() || B == ByName.end()) continue;
    const std::string Pair = L.Name + " (seat " + std::to_string(L.Seat) + ") and " + R.Name +
                             " (seat " + std::to_string(R.Seat) + ")";
    if (A->second->Sex == B->second->Sex) Problems.push_back(Pair + " are both " + A->second->Sex);
    if (!ShareHobby(*A->second, *B->second)) Problems.push_back(Pair + " share no hobby");
  }
  return Problems;
}

}  // namespace norvale
