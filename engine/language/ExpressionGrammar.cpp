// The expression grammar: values, function calls, lists, slot/value pairs and point lists, and the
// two constructs made only of expressions, deffunction and defglobal.
#include "engine/engine/InferenceEngine.h"
#include "engine/functions/InterpretedFunction.h"
#include "engine/language/IEClipsParser.h"

namespace norvale {

namespace {
const std::string SParseFunCallMethod = "ParseFunCall";
const std::string SParseValueMethod = "ParseValue";
const std::string SParseListMethod = "ParseList";
const std::string SParseValuePairMethod = "ParseValuePair";
const std::string SParsePointsMethod = "ParseFuzzyPoints";
const std::string SParseFunctionMethod = "ParseFunction";
const std::string SParseGlobalsMethod = "ParseGlobalVariables";
const std::string SParseVariableMethod = "ParseVariable";
}  // namespace

// --- calls ---------------------------------------------------------------------------------------

IIEValue TIEClipsParser::ParseNested() {
  // Both tokens stay unread: "((" starts a point list, "(" anything else a call.
  Next();
  const TToken After = Peek();
  PutBack();
  if (After.Is(ttOpen)) return NewRef<TIEValue>(ParseSingletons());
  return NewRef<TIEValue>(ParseFunCall());
}

IFunCall TIEClipsParser::ParseFunCall() {
  const std::string& Method = SParseFunCallMethod;
  TDepth Depth(*this, "ParseFunCall");
  TToken T = Next();
  if (!T.Is(ttOpen)) ParseError(Method, SExpectedOpen);
  std::string Comment = Tokens().CommentOf(T);

  T = Next();
  IFunCall Call;
  switch (T.DataType) {
    case ttAtom:
      Call = NewRef<TFunctionCall>(FOwner, std::string(T.Text));
      break;
    case ttEquals:
      Call = NewRef<TFunctionCall>(FOwner, "=");
      break;
    case ttVariable:
    case ttMultiVariable:
      // (?x a b) reads the variable's value: (__get-var ?x a b).
      Call = NewRef<TFunctionCall>(FOwner, "__get-var");
      Call->AddArgument(TokenToValue(T));
      break;
    default:
      ParseError(Method, SMissingName);
  }
  if (!Comment.empty()) Call->SetComment(Comment);

  const int Slot = FSlotFunctions.IndexOf(Call->Name());
  const bool FactArguments = Slot >= 0 && FSlotFunctions.Start(Slot) == 0;
  for (;;) {
    T = Next();
    switch (T.DataType) {
      case ttClose:
        OnParseFunCall(this, Call);
        return Call;
      case ttEOF:
        ParseError(Method, SUnexpectedEndOfStream);
      case ttAtom:
      case ttString:
      case ttInteger:
      case ttFloat:
      case ttVariable:
      case ttMultiVariable:
        Call->AddArgument(TokenToValue(T));
        break;
      case ttOpen: {
        PutBack();
        // Pairs are counted from the first argument as 0: modify and duplicate take the fact
        // first, the pairs after it.
        const uint32_t Position = static_cast<uint32_t>(Call->GetArgumentCount());
        if (FactArguments)
          Call->AddArgument(ParseFact());
        else if (Slot >= 0 && Position >= FSlotFunctions.Start(Slot) &&
                 Position <= FSlotFunctions.End(Slot))
          Call->AddArgument(ParseValuePair());
        else
          Call->AddArgument(ParseNested());
        break;
      }
      default:
        // = & | ~ [ ] stand for themselves, as one-character strings.
        Call->AddArgument(NewString(std::string(T.Text)));
        break;
    }
  }
}

IIEValue TIEClipsParser::ParseNExecuteFunCall() {
  IFunCall Call = ParseFunCall();
  return Call->Execute(FOwner ? FOwner->GlobalContext() : nullptr);
}

// --- values, lists and pairs ---------------------------------------------------------------------

IIEValue TIEClipsParser::ParseValue() {
  std::vector<IIEValue> Items;
  for (;;) {
    TToken T = Next();
    if (T.Is(ttClose) || T.Is(ttEOF)) {
      PutBack();
      break;
    }
    if (T.IsValueKind()) {
      Items.push_back(TokenToValue(T));
    } else if (T.Is(ttOpen)) {
      PutBack();
      Items.push_back(ParseNested());
    } else if (T.Is(ttOpenBracket) || T.Is(ttCloseBracket)) {
      Items.push_back(NewAtom(std::string(T.Text)));
    } else if (!Items.empty()) {
      PutBack();
      break;
    } else {
      ParseError(SParseValueMethod, SBadArgument, {TokenToString(T)});
    }
  }
  if (Items.empty()) return nullptr;
  if (Items.size() == 1) return Items.front();
  IValueVector List = NewRef<TValueVector>();
  List->Reserve(static_cast<int>(Items.size()));
  for (IIEValue& Item : Items) List->Add(std::move(Item));
  return NewList(List);
}

IValueVector TIEClipsParser::ParseList() {
  IValueVector List = NewRef<TValueVector>();
  for (;;) {
    TToken T = Next();
    if (T.Is(ttClose) || T.Is(ttEOF)) {
      PutBack();
      return List;
    }
    if (T.IsValueKind()) {
      List->Add(TokenToValue(T));
    } else if (T.Is(ttOpen)) {
      PutBack();
      List->Add(ParseNested());
    } else if (T.Is(ttOpenBracket) || T.Is(ttCloseBracket)) {
      List->Add(NewAtom(std::string(T.Text)));
    } else if (T.Is(ttEquals)) {
      // =(f ...) is an item computed when the fact is asserted.
      if (!Peek().Is(ttOpen)) ParseError(SParseListMethod, SEqualsInFact);
      List->Add(NewRef<TIEValue>(ParseFunCall()));
    } else {
      ParseError(SParseListMethod, SBadSlotValueToken, {TokenToString(T)});
    }
  }
}

IValueVector TIEClipsParser::ParseValuePair() {
  const std::string& Method = SParseValuePairMethod;
  TToken T = Next();
  if (!T.Is(ttOpen)) ParseError(Method, SExpectedOpenAtom);
  T = Next();
  if (!T.Is(ttAtom)) ParseError(Method, SExpectedOpenAtom);
  IIEValue Name = NewAtom(std::string(T.Text));
  IIEValue Value = ParseValue();
  if (!Value) ParseError(Method, SExpectedValueMissing);
  if (!Next().Is(ttClose)) ParseError(Method, SExpectedClose);
  IValueVector Pair = NewRef<TValueVector>();
  Pair->Add(Name);
  Pair->Add(Value);
  return Pair;
}

ISingletonsVector TIEClipsParser::ParseSingletons() {
  const std::string& Method = SParsePointsMethod;
  TDepth Depth(*this, "ParseFuzzyPoints");
  if (!Next().Is(ttOpen)) ParseError(Method, SExpectedOpen);
  ISingletonsVector Points = NewRef<TSingletonsVector>(FOwner);
  auto Coordinate = [&]() -> IIEValue {
    TToken T = Next();
    switch (T.DataType) {
      case ttInteger:
      case ttFloat:
      case ttVariable:
        return TokenToValue(T);
      case ttOpen:
        PutBack();
        return NewRef<TIEValue>(ParseFunCall());
      default:
        ParseError(Method, SExpectedPointValue);
    }
  };
  for (;;) {
    TToken T = Next();
    if (T.Is(ttClose)) return Points;
    if (!T.Is(ttOpen)) ParseError(Method, SExpectedClose);
    IIEValue X = Coordinate();
    IIEValue Y = Coordinate();
    if (!Next().Is(ttClose)) ParseError(Method, SExpectedClose);
    Points->Add(X, Y);
  }
}

// --- deffunction ---------------------------------------------------------------------------------

IUserFunction TIEClipsParser::ParseFunction() {
  const std::string& Method = SParseFunctionMethod;
  std::string Name, Comment;
  TToken T;
  ParseHeader(Name, Comment, T, SExpectedDeffunction, Method, "deffunction", true);
  Ref<TInterpretedFunction> Function = NewRef<TInterpretedFunction>(Name);
  Function->SetComment(Comment);

  if (!T.Is(ttOpen)) ParseError(Method, SExpectedOpen);
  for (;;) {
    T = Next();
    if (T.Is(ttVariable))
      Function->AddArgument(std::string(T.Text), dtVariable);
    else if (T.Is(ttMultiVariable))
      Function->AddArgument(std::string(T.Text), dtMultiVariable);
    else
      break;
  }
  if (!T.Is(ttClose)) ParseError(Method, SExpectedClose);

  // A comment after the parameters replaces one before them.
  T = Next();
  if (T.Is(ttString))
    Function->SetComment(std::string(T.Text));
  else
    PutBack();

  for (;;) {
    T = Next();
    if (T.Is(ttClose)) break;
    if (T.Is(ttOpen)) {
      PutBack();
      Function->AddStatement(ParseFunCall());
    } else if (T.IsValueKind()) {
      Function->AddStatement(TokenToValue(T));
    } else if (T.Is(ttEOF)) {
      ParseError(Method, SUnexpectedEndOfStream);
    } else {
      ParseError(Method, SUnexpectedCharacterFound, {TokenToString(T)});
    }
  }
  IUserFunction Result = Function;
  OnParseFunction(this, Result);
  return Result;
}

// --- defglobal -----------------------------------------------------------------------------------

bool TIEClipsParser::ParseGlobalVariables() {
  const std::string& Method = SParseGlobalsMethod;
  if (!Next().Is(ttOpen)) ParseError(Method, SExpectedDefglobal);
  TToken T = Next();
  if (!T.Is(ttAtom) || T.Text != "defglobal") ParseError(Method, SExpectedDefglobal);
  while (!Peek().Is(ttClose)) {
    std::string Name;
    IIEValue Value = ParseVariable(Name);
    if (!FOwner) continue;
    if (Executing()) {
      FOwner->GlobalVariables().Put(Name, Value);
    } else {
      // Only read: the initial value is kept, and a call in it is not run until a reset.
      FOwner->GlobalVariables().TValueHashTable::Put(Name, Value);
      if (!Value || Value->DType() != dtFunCall) FOwner->ResetGlobalVariable(Name, Value);
    }
  }
  Next();
  return true;
}

IIEValue TIEClipsParser::ParseVariable(std::string& Name) { return ReadNamedValue(Name, true); }

IIEValue TIEClipsParser::ParseNamedValue(std::string& Name) { return ReadNamedValue(Name, false); }

IIEValue TIEClipsParser::ReadNamedValue(std::string& Name, bool Global) {
  const std::string& Method = SParseVariableMethod;
  TToken T = Next();
  if (!T.Is(ttVariable)) ParseError(Method, SMissingName);
  Name = std::string(T.Text);
  if (Global && (Name.empty() || Name.front() != '*' || Name.back() != '*'))
    ParseError(Method, SBadVariableName, {Name});
  if (!Next().Is(ttEquals)) ParseError(Method, SExpected, {"="});
  T = Next();
  IIEValue Value;
  if (T.Is(ttOpen)) {
    PutBack();
    Value = NewRef<TIEValue>(ParseFunCall());
  } else if (T.IsValueKind()) {
    Value = TokenToValue(T);
  } else {
    ParseError(Method, SExpectedValueMissing);
  }
  if (Global) OnParseVariable(this, Name, Value);
  return Value;
}

}  // namespace norvale
