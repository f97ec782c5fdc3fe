#include "engine/functions/FunctionCall.h"

#include <cmath>
#include <limits>

#include "engine/core/ValueVector.h"
#include "engine/facts/Fact.h"
#include "engine/rete/IEContext.h"
#include "platform/TypeInfo.h"

namespace norvale {

TFunctionCall::~TFunctionCall() = default;

void TFunctionCall::RaiseIndexError(int Index) {
  throw EListError(Format("List index out of bounds (%d)", {Index}));
}

// --- arguments ------------------------------------------------------------------------------

int TFunctionCall::AddArgument(const IIEValue& Value) {
  FArguments.push_back(Value);
  return GetArgumentCount() - 1;
}

int TFunctionCall::AddArgument(const std::string& Text, TIEType Type) {
  if (!IEStringTypes.Contains(Type))
    RaiseIE(SNotCorrectType, {"String", Text, GetIETypeName(Type)});
  return AddArgument(NewRef<TIEValue>(Text, Type));
}

int TFunctionCall::AddArgument(int32_t Value, TIEType Type) {
  switch (Type) {
    case dtInteger:
      return AddArgument(NewInteger(Value));
    case dtFloat:
      return AddArgument(NewFloat(Value));
    default:
      RaiseIE(SNotCorrectType, {"Integer", IntToStr(Value), GetIETypeName(Type)});
  }
}

int TFunctionCall::AddArgument(double Value, TIEType Type) {
  switch (Type) {
    case dtInteger: {
      // The integer part, held to the 32-bit range.
      double T = std::trunc(Value);
      int32_t I;
      if (T >= std::numeric_limits<int32_t>::max())
        I = std::numeric_limits<int32_t>::max();
      else if (T <= std::numeric_limits<int32_t>::min())
        I = std::numeric_limits<int32_t>::min();
      else if (std::isnan(T))
        I = 0;
      else
        I = static_cast<int32_t>(T);
      return AddArgument(NewInteger(I));
    }
    case dtFloat:
      return AddArgument(NewFloat(Value));
    default:
      RaiseIE(SNotCorrectType, {"Float", FloatToStr4(Value), GetIETypeName(Type)});
  }
}

int TFunctionCall::AddArgument(const IFact& Fact) { return AddArgument(NewRef<TIEValue>(Fact)); }

int TFunctionCall::AddArgument(const IFunCall& FunCall) {
  return AddArgument(NewRef<TIEValue>(FunCall));
}

int TFunctionCall::AddArgument(const IValueVector& List) { return AddArgument(NewList(List)); }

void TFunctionCall::Clear() { FArguments.clear(); }

void TFunctionCall::Delete(int Index) {
  GetArgument(Index);  // the index check
  FArguments.erase(FArguments.begin() + Index);
}

void TFunctionCall::SetArgument(int Index, const IIEValue& Value) {
  GetArgument(Index);
  FArguments[Index] = Value;
}

void TFunctionCall::SetUserFunction(const IUserFunction& Function) {
  if (Function == FUserFunction) return;
  FUserFunction = Function;
  if (Function)
    FName = Function->FunctionName();
  else
    FName.clear();
}

namespace {
void UnbindValue(const TIEValue* Value) {
  if (!Value) return;
  if (TFunctionCall* C = Value->DType() == dtFunCall ? Value->FunCallPtr() : nullptr) C->Unbind();
  if (TValueVector* L = Value->DType() == dtList ? Value->ListPtr() : nullptr)
    for (const IIEValue& Item : L->Values()) UnbindValue(Item.Get());
}
}  // namespace

void TFunctionCall::Unbind() {
  FUserFunction = nullptr;
  for (const IIEValue& A : FArguments) UnbindValue(A.Get());
}

// --- executing ------------------------------------------------------------------------------

IIEValue TFunctionCall::Execute(TObject* Context) {
  if (!FUserFunction) {
    IUserFunction F;
    if (!FReasoner || !FReasoner->ContainsUserFunction(FName, F) || !F)
      RaiseIE(SNoSuchFunction, {FName});
    SetUserFunction(F);
  }
  IIEValue Result;
  // The counted references keep this call and its function alive should the function drop the
  // last other one (a rule removing itself, say, or a deffunction clearing the engine).
  IUserFunction Function = FUserFunction;
  Function->Call(IFunCall(this), Context, Result);
  return Result;
}

IIEValue TFunctionCall::SimpleExecute(TIEContext* Context) {
  if (!FUserFunction) RaiseIE(SNoSuchFunction, {FName});
  IIEValue Result;
  IUserFunction Function = FUserFunction;
  try {
    Function->Call(IFunCall(this), static_cast<TObject*>(Context), Result);
  } catch (const EAbort&) {
    throw;
  } catch (const EIELimitError&) {
    throw;
  } catch (const Exception& E) {
    throw EIEException(Format(SFunctionError, {FName, E.Message()}));
  }
  return Result;
}

// --- comparing and printing -----------------------------------------------------------------

bool TFunctionCall::Equals(const TFunctionCall* Other) const {
  if (Other == this) return true;
  if (!Other || Other->FName != FName || Other->FArguments.size() != FArguments.size())
    return false;
  for (size_t I = 0; I < FArguments.size(); ++I) {
    const TIEValue* A = FArguments[I].Get();
    const TIEValue* B = Other->FArguments[I].Get();
    if (A != B && (!A || !A->Equals(B))) return false;
  }
  return true;
}

bool TFunctionCall::Equals(const TCloneable* Other) const {
  return Equals(dynamic_cast<const TFunctionCall*>(Other));
}

int32_t TFunctionCall::GetHashCode() const {
  uint32_t H = static_cast<uint32_t>(CalculateHash(FName));
  for (const IIEValue& A : FArguments)
    if (A) H += static_cast<uint32_t>(A->GetHashCode());
  return static_cast<int32_t>(H);
}

std::string TFunctionCall::GetToString() const {
  return FReasoner ? FReasoner->PrettyPrint(*this) : FunCallToString(*this);
}

namespace {

void AppendCommentLine(std::string& Out, std::string_view Line) {
  std::string T = Trim(Line);
  if (!T.empty() && T[0] != ';') Out += "; ";
  Out += T;
  Out += NewLineString;
}

// Lines end in CR LF, LF or CR; a line end at the very end starts no further line.
void AppendComment(std::string& Out, const std::string& Comment) {
  size_t Start = 0;
  while (Start < Comment.size()) {
    size_t End = Comment.find_first_of("\r\n", Start);
    if (End == std::string::npos) {
      AppendCommentLine(Out, std::string_view(Comment).substr(Start));
      return;
    }
    AppendCommentLine(Out, std::string_view(Comment).substr(Start, End - Start));
    Start = End + 1;
    if (Comment[End] == '\r' && Start < Comment.size() && Comment[Start] == '\n') ++Start;
  }
}

}  // namespace

std::string FunCallToString(const TFunctionCall& FunCall) {
  std::string S;
  if (!FunCall.Comment().empty()) AppendComment(S, FunCall.Comment());
  S += '(';
  S += FunCall.Name();
  const bool PairStyle = FunCall.Name() == "modify" || FunCall.Name() == "duplicate";
  const std::vector<IIEValue>& Args = FunCall.Arguments();
  for (size_t I = 0; I < Args.size(); ++I) {
    std::string Arg = Args[I] ? Args[I]->GetToString() : std::string();
    if (PairStyle && I > 0) {
      // A pair is a list value, which prints a blank after each item.
      while (!Arg.empty() && Arg.back() == ' ') Arg.pop_back();
      S += " (";
      S += Arg;
      S += ')';
    } else {
      S += ' ';
      S += Arg;
    }
  }
  S += ')';
  return S;
}

// --- copying --------------------------------------------------------------------------------

void TFunctionCall::CopyFrom(const TFunctionCall& Source) {
  std::vector<IIEValue> Args;
  Args.reserve(Source.FArguments.size());
  for (const IIEValue& A : Source.FArguments) Args.push_back(A ? A->Clone() : IIEValue());
  FName = Source.FName;
  FComment = Source.FComment;
  FTag = Source.FTag;
  FArguments = std::move(Args);
}

void TFunctionCall::Assign(TPersistent* Source) {
  if (auto* C = dynamic_cast<TFunctionCall*>(Source))
    CopyFrom(*C);
  else
    TCloneable::Assign(Source);
}

void TFunctionCall::AssignFrom(const TCloneable* Source) {
  if (auto* C = dynamic_cast<const TFunctionCall*>(Source))
    CopyFrom(*C);
  else
    TCloneable::AssignFrom(Source);
}

IFunCall TFunctionCall::Clone() const {
  IFunCall R = NewRef<TFunctionCall>(FReasoner, FName);
  R->CopyFrom(*this);
  return R;
}

// --- the value model's hook and the class registry ------------------------------------------

namespace {

IIEValue ResolveFunCall(const TIEValue& Value, TObject* Context) {
  TFunctionCall* Call = Value.FunCallPtr();
  if (!Call) RaiseIE(SNoSuchFunction, {""});
  return Call->Execute(Context);
}

const bool Installed = (SetFunCallResolver(&ResolveFunCall), true);

const bool Registered =
    (RegisterClass<TFunctionCall, TPersistent>("TFunctionCall")
         .Property("Comment", &TFunctionCall::Comment, &TFunctionCall::SetComment)
         .Property("Tag", &TFunctionCall::Tag, &TFunctionCall::SetTag, 0),
     true);

}  // namespace

}  // namespace norvale
