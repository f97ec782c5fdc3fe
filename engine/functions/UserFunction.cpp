#include "engine/functions/UserFunction.h"

#include <istream>
#include <ostream>
#include <typeinfo>

#include "engine/core/IEHelpers.h"
#include "engine/functions/FunctionCall.h"
#include "engine/rete/IEContext.h"
#include "platform/Streaming.h"
#include "platform/TypeInfo.h"

namespace norvale {

// --- TBaseReasonerList ------------------------------------------------------------------------

void TBaseReasonerList::CheckIndex(int Index, int Limit) const {
  if (Index < 0 || Index >= Limit)
    throw EListError(Format("List index out of bounds (%d)", {Index}));
}

int TBaseReasonerList::Add(IReasoner* Reasoner) {
  if (!Reasoner) return -1;
  int Index = IndexOf(Reasoner);
  if (Index >= 0) return Index;
  FItems.push_back(Reasoner);
  Notify(Reasoner, lnAdded);
  return Count() - 1;
}

void TBaseReasonerList::Insert(int Index, IReasoner* Reasoner) {
  if (!Reasoner || IndexOf(Reasoner) >= 0) return;
  CheckIndex(Index, Count() + 1);
  FItems.insert(FItems.begin() + Index, Reasoner);
  Notify(Reasoner, lnAdded);
}

void TBaseReasonerList::Delete(int Index) {
  CheckIndex(Index, Count());
  IReasoner* R = FItems[Index];
  FItems.erase(FItems.begin() + Index);
  Notify(R, lnDeleted);
}

IReasoner* TBaseReasonerList::Extract(IReasoner* Reasoner) {
  int Index = IndexOf(Reasoner);
  if (Index < 0) return nullptr;
  FItems.erase(FItems.begin() + Index);
  Notify(Reasoner, lnExtracted);
  return Reasoner;
}

int TBaseReasonerList::Remove(IReasoner* Reasoner) {
  int Index = IndexOf(Reasoner);
  if (Index >= 0) Delete(Index);
  return Index;
}

void TBaseReasonerList::Clear() {
  while (!FItems.empty()) Delete(Count() - 1);
}

void TBaseReasonerList::Forget(IReasoner* Reasoner) noexcept {
  int Index = IndexOf(Reasoner);
  if (Index >= 0) FItems.erase(FItems.begin() + Index);
}

void TBaseReasonerList::Assign(const TBaseReasonerList& Source) {
  if (&Source == this) return;
  std::vector<IReasoner*> Items = Source.FItems;  // Source may change while we notify
  Clear();
  for (IReasoner* R : Items) Add(R);
}

int TBaseReasonerList::IndexOf(const IReasoner* Reasoner) const noexcept {
  for (size_t I = 0; I < FItems.size(); ++I)
    if (FItems[I] == Reasoner) return static_cast<int>(I);
  return -1;
}

IReasoner* TBaseReasonerList::Get(int Index) const {
  CheckIndex(Index, Count());
  return FItems[Index];
}

void TBaseReasonerList::Notify(IReasoner* Reasoner, TListNotification Action) {
  if (FFunction) FFunction->ReasonerNotification(Reasoner, Action);
}

// --- TIEUserFunction --------------------------------------------------------------------------

namespace {

// Keeps a function alive while it unregisters itself from reasoners that may hold its last
// reference. A function that was never referenced (count 0) is left uncounted.
class TKeepAlive {
 public:
  explicit TKeepAlive(TIEUserFunction* F) {
    if (F->RefCount() > 0) FRef = F;
  }

 private:
  IUserFunction FRef;
};

TIEContext* AsContext(TObject* Context) {
  if (!Context) return nullptr;
  // The exact class is by far the most common case; it avoids the full dynamic cast.
  if (typeid(*Context) == typeid(TIEContext)) return static_cast<TIEContext*>(Context);
  if (auto* C = dynamic_cast<TIEContext*>(Context)) return C;
  throw EInvalidCast();
}

}  // namespace

TIEUserFunction::TIEUserFunction(const TIEName& Name) : FFunctionName(Name) {}

// The reasoner list is dropped without notifying: a reasoner that had this function in its
// table would hold a reference to it, so none has it by now.
TIEUserFunction::~TIEUserFunction() = default;

// Release only gets here with a count of zero; Free of a function that is still referenced
// raises before anything is destroyed.
void TIEUserFunction::BeforeDestruction() {
  if (RefCount() > 0) throw EIEException(SInvalidPtr);
  TInterfacedPersistent::BeforeDestruction();
}

void TIEUserFunction::SetFunctionName(const TIEName& Value) {
  if (Value == FFunctionName) return;
  if (FReasoners.Count() == 0) {
    FFunctionName = Value;
    return;
  }
  TKeepAlive Keep(this);
  // Copies: a reasoner may change the list while it is told.
  const std::vector<IReasoner*> Items = FReasoners.Items();
  for (IReasoner* R : Items) ReasonerNotification(R, lnExtracted);
  FFunctionName = Value;
  for (IReasoner* R : Items) ReasonerNotification(R, lnAdded);
}

void TIEUserFunction::SetMinArgumentCount(int Value) {
  if (Value == FMinArgumentCount) return;
  FMinArgumentCount = Value;
  if (FMaxArgumentCount < Value) FMaxArgumentCount = Value;
}

void TIEUserFunction::SetMaxArgumentCount(int Value) {
  if (Value == FMaxArgumentCount) return;
  FMaxArgumentCount = Value;
  if (FMinArgumentCount > Value) FMinArgumentCount = Value;
}

void TIEUserFunction::ClearReasoners() {
  TKeepAlive Keep(this);
  FReasoners.Clear();
}

void TIEUserFunction::DeleteReasoner(int Index) {
  TKeepAlive Keep(this);
  FReasoners.Delete(Index);
}

void TIEUserFunction::DeleteReasoner(IReasoner* Reasoner) {
  TKeepAlive Keep(this);
  FReasoners.Remove(Reasoner);
}

void TIEUserFunction::ReasonerNotification(IReasoner* Reasoner, TListNotification Action) {
  if (!Reasoner) return;
  IUserFunction Self(this);
  if (Action == lnAdded)
    Reasoner->AddUserFunction(Self);
  else
    Reasoner->RemoveUserFunction(Self);
}

void TIEUserFunction::Call(const IFunCall& FunCall, TObject* Context, IIEValue& Result) {
  const int N = FunCall ? FunCall->GetArgumentCount() : 0;
  if (N < MinArgumentCount()) RaiseIE(STooFewArgs, {FFunctionName});
  if (N > MaxArgumentCount()) RaiseIE(STooManyArgs, {FFunctionName});
  Call(FunCall, AsContext(Context), Result);
}

void TIEUserFunction::Call(const IFunCall&, TIEContext*, IIEValue& Result) { Result = nullptr; }

std::string TIEUserFunction::GetToString(IReasoner* Reasoner) const {
  return Reasoner ? Reasoner->PrettyPrint(*this) : FFunctionName;
}

void TIEUserFunction::Assign(TPersistent* Source) {
  auto* F = dynamic_cast<TIEUserFunction*>(Source);
  if (!F) {
    TInterfacedPersistent::Assign(Source);
    return;
  }
  if (F == this) return;
  // Minimum first: with the source's minimum not above its maximum, the pair arrives unchanged.
  SetMinArgumentCount(F->MinArgumentCount());
  SetMaxArgumentCount(F->MaxArgumentCount());
  SetComment(F->Comment());
  SetFunctionName(F->FunctionName());
}

void TIEUserFunction::WriteData(std::ostream& Writer) const {
  Writer << TWriter::QuotedString(FFunctionName) << '\n'
         << TWriter::QuotedString(FComment) << '\n'
         << MaxArgumentCount() << '\n'
         << MinArgumentCount() << '\n';
  if (!Writer) throw EStreamError("Stream write error");
}

namespace {

// The next line that is not blank, without indentation and line end.
std::string NextDataLine(std::istream& Reader) {
  std::string Line;
  while (std::getline(Reader, Line)) {
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    size_t Start = Line.find_first_not_of(" \t");
    if (Start != std::string::npos) return Line.substr(Start);
  }
  throw EStreamError("Unexpected end of stream reading function data");
}

std::string ReadDataString(std::istream& Reader) {
  std::string Line = NextDataLine(Reader), Value;
  if (!TReader::TryUnquoteString(Line, Value))
    throw EStreamError(Format("Invalid string in function data: %s", {Line}));
  return Value;
}

int ReadDataInteger(std::istream& Reader) {
  std::string Line = NextDataLine(Reader);
  int32_t Value = 0;
  if (!TryStrToInt(Line, Value))
    throw EStreamError(Format("Invalid integer in function data: %s", {Line}));
  return Value;
}

}  // namespace

void TIEUserFunction::ReadData(std::istream& Reader) {
  std::string Name = ReadDataString(Reader);
  std::string Comment = ReadDataString(Reader);
  int Max = ReadDataInteger(Reader);
  int Min = ReadDataInteger(Reader);
  SetFunctionName(Name);
  SetComment(Comment);
  SetMaxArgumentCount(Max);
  SetMinArgumentCount(Min);
}

// --- TIEFunctionNexus and TIEInnerFunction ----------------------------------------------------

void TIEFunctionNexus::Notification(TComponent* Component, TOperation Operation) {
  TComponent::Notification(Component, Operation);
  if (Operation == opRemove && FFunction && Component == FFunction->FOwner)
    FFunction->FOwner = nullptr;
}

TIEInnerFunction::TIEInnerFunction(TCustomUserFunction* Owner) : FOwner(Owner) {
  FNexus = NewObject<TIEFunctionNexus>(this);
  if (FOwner) FNexus->FreeNotification(FOwner);
}

TIEInnerFunction::~TIEInnerFunction() { Free(FNexus); }

void TIEInnerFunction::ReasonerNotification(IReasoner* Reasoner, TListNotification Action) {
  if (!FunctionName().empty()) TIEUserFunction::ReasonerNotification(Reasoner, Action);
}

void TIEInnerFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  if (!FOwner) RaiseIE(SNoSuchFunction, {FunctionName()});
  FOwner->DoCall(FunCall, Context, Result);
}

// --- TCustomUserFunction ----------------------------------------------------------------------

TCustomUserFunction::TCustomUserFunction(TComponent* Owner)
    : TCustomUserFunction(Owner, TIEName()) {}

TCustomUserFunction::TCustomUserFunction(TComponent* Owner, const TIEName& FunctionName)
    : TComponent(Owner) {
  Ref<TIEInnerFunction> Inner = NewRef<TIEInnerFunction>(this);
  FInner = Inner.Get();
  FFunction = std::move(Inner);
  FInner->SetFunctionName(FunctionName.empty() ? Name() : FunctionName);
}

TCustomUserFunction::~TCustomUserFunction() {
  // Deleted without Free: BeforeDestruction has not run.
  if (FEngine) {
    FEngine->RemoveFreeNotification(this);
    FInner->DeleteReasoner(FReasoner);
  }
  // The inner function may live on in engines and bound calls; it must not reach back here.
  FInner->FNexus->RemoveFreeNotification(this);
  FInner->FOwner = nullptr;
}

void TCustomUserFunction::BeforeDestruction() {
  SetEngine(nullptr);
  TComponent::BeforeDestruction();
}

void TCustomUserFunction::RebuildArgumentString() {
  FInner->SetArgumentString(CreateArgumentExpressions(
      FInner->ArgumentString(), FInner->MinArgumentCount(), FInner->MaxArgumentCount(), 10));
}

void TCustomUserFunction::SetMinArgumentCount(int Value) {
  FInner->SetMinArgumentCount(Value);
  RebuildArgumentString();
}

void TCustomUserFunction::SetMaxArgumentCount(int Value) {
  FInner->SetMaxArgumentCount(Value);
  RebuildArgumentString();
}

void TCustomUserFunction::SetName(const std::string& Value) {
  const bool Follow = FInner->FunctionName().empty() || FInner->FunctionName() == Name();
  TComponent::SetName(Value);
  if (Follow) FInner->SetFunctionName(Value);
}

void TCustomUserFunction::SetEngine(TComponent* Value) {
  if (Value == FEngine) return;
  IReasoner* NewReasoner = nullptr;
  if (Value) {
    NewReasoner = dynamic_cast<IReasoner*>(Value);
    if (!NewReasoner) throw EInvalidCast();
  }
  if (FEngine) {
    FEngine->RemoveFreeNotification(this);
    IReasoner* OldReasoner = FReasoner;
    FEngine = nullptr;
    FReasoner = nullptr;
    FInner->DeleteReasoner(OldReasoner);
  }
  if (Value) {
    FEngine = Value;
    FReasoner = NewReasoner;
    FEngine->FreeNotification(this);
    FInner->AddReasoner(NewReasoner);
  }
}

void TCustomUserFunction::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TCustomUserFunction*>(Source);
  if (!S) {
    TComponent::Assign(Source);
    return;
  }
  if (S == this) return;
  SetComment(S->Comment());
  SetFunctionName(S->FunctionName());
  SetMaxArgumentCount(S->MaxArgumentCount());
  SetMinArgumentCount(S->MinArgumentCount());
}

void TCustomUserFunction::Notification(TComponent* Component, TOperation Operation) {
  TComponent::Notification(Component, Operation);
  if (Operation != opRemove || !Component || Component != FEngine) return;
  IReasoner* Reasoner = FReasoner;
  FEngine = nullptr;
  FReasoner = nullptr;
  // An engine freed through Free is still whole here and unregisters the function; one that is
  // deleted directly has already lost its derived part and must not be called.
  if (dynamic_cast<IReasoner*>(Component) == Reasoner)
    FInner->DeleteReasoner(Reasoner);
  else
    FInner->Reasoners().Forget(Reasoner);
}

void TCustomUserFunction::DoCall(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  Result = FCNil;
  if (!Designing()) OnCall(this, FunCall, Context, Result);
}

// --- class registry ---------------------------------------------------------------------------

namespace {

const bool Registered =
    (RegisterClass<TIEUserFunction, TPersistent>("TIEUserFunction")
         .Property("FunctionName", &TIEUserFunction::FunctionName,
                   &TIEUserFunction::SetFunctionName)
         .Property("MinArgumentCount", &TIEUserFunction::MinArgumentCount,
                   &TIEUserFunction::SetMinArgumentCount, 0)
         .Property("MaxArgumentCount", &TIEUserFunction::MaxArgumentCount,
                   &TIEUserFunction::SetMaxArgumentCount, TIEUserFunction::NoArgumentLimit)
         .Property("Comment", &TIEUserFunction::Comment, &TIEUserFunction::SetComment)
         .Property("ArgumentString", &TIEUserFunction::ArgumentString,
                   &TIEUserFunction::SetArgumentString),
     RegisterClass<TCustomUserFunction, TComponent>("TCustomUserFunction"),
     RegisterClass<TUserFunction, TCustomUserFunction>("TUserFunction")
         .Property("ArgumentString", &TUserFunction::ArgumentString,
                   &TUserFunction::SetArgumentString)
         .Property("Comment", &TUserFunction::Comment, &TUserFunction::SetComment)
         .Property("FunctionName", &TUserFunction::FunctionName, &TUserFunction::SetFunctionName)
         .Property("MaxArgumentCount", &TUserFunction::MaxArgumentCount,
                   &TUserFunction::SetMaxArgumentCount, TIEUserFunction::NoArgumentLimit)
         .Property("MinArgumentCount", &TUserFunction::MinArgumentCount,
                   &TUserFunction::SetMinArgumentCount, 0)
         .Property("Engine", &TUserFunction::Engine, &TUserFunction::SetEngine)
         .Event<TCallEvent>("OnCall", &TUserFunction::OnCall, "TCallEvent"),
     true);

}  // namespace

}  // namespace norvale
