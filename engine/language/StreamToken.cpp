#include "engine/language/StreamToken.h"

#include <cmath>

#include "engine/rete/IEContext.h"

namespace norvale {

std::string TokenToString(int DataType, std::string_view Text, double Number) {
  switch (DataType) {
    case ttString: {
      std::string R = "\\\"";
      R += Text;
      R += "\"\\";
      return R;
    }
    case ttInteger:
      return IntToStr(static_cast<long long>(Number));
    case ttFloat:
      return FloatToStr4(Number);
    case ttVariable:
      return "?" + std::string(Text);
    case ttMultiVariable:
      return "$?" + std::string(Text);
    default:
      if (!Text.empty()) return std::string(Text);
      if (DataType > 0 && DataType < 256) return std::string(1, static_cast<char>(DataType));
      return std::string();
  }
}

namespace {

int32_t ToInt32(double Number) {
  if (std::isnan(Number)) return 0;
  double T = std::trunc(Number);
  if (T >= 2147483647.0) return 2147483647;
  if (T <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(T);
}

}  // namespace

IIEValue TokenValue(int DataType, std::string_view Text, double Number) {
  switch (DataType) {
    case ttAtom:
      if (Text == "TRUE") return FCTrue;
      if (Text == "FALSE") return FCFalse;
      if (Text.size() == 3 && SameText(Text, "nil")) return FCNil;
      return NewAtom(std::string(Text));
    case ttString:
      return NewString(std::string(Text));
    case ttInteger:
      return NewInteger(ToInt32(Number));
    case ttFloat:
      return NewFloat(Number);
    case ttVariable:
      return NewVariable(std::string(Text));
    case ttMultiVariable:
      return NewMultiVariable(std::string(Text));
    case dtFactId:
      return NewFactId(ToInt32(Number));
    case dtDescriptor:
      return NewRef<TIEValue>(ToInt32(Number), dtDescriptor);
    case dtSlot:
    case dtMultiSlot:
      return NewRef<TIEValue>(std::string(Text), static_cast<TIEType>(DataType));
    case ttEOF:
      if (Text == "EOF") return FCEOF;
      break;
    default:
      break;
  }
  // An object or address cannot be made from a number safely: like other kinds, the kind itself.
  return NewString(IntToStr(DataType));
}

IIEValue TokenValue(int DataType, std::string_view Text, double Number, TIEContext* Context) {
  if (Context && (DataType == ttVariable || DataType == ttMultiVariable)) {
    TBinding* B = Context->FindBinding(std::string(Text));
    if (!B) RaiseIE(SUnknownVariable, {Text});
    return B->Value();
  }
  return TokenValue(DataType, Text, Number);
}

// --- TIEStreamToken --------------------------------------------------------------------------

TIEStreamToken::TIEStreamToken(int DataType, int LineNumber, std::string Text, double Number,
                               std::string WhiteSpace)
    : FDataType(DataType),
      FLineNumber(LineNumber),
      FText(std::move(Text)),
      FNumber(Number),
      FWhiteSpace(std::move(WhiteSpace)) {}

IIEValue TIEStreamToken::Value() const { return TokenValue(FDataType, FText, FNumber); }

IIEValue TIEStreamToken::Value(TIEContext* Context) const {
  return TokenValue(FDataType, FText, FNumber, Context);
}

void TIEStreamToken::SetValue(const IIEValue& Value) {
  if (!Value) return;
  FDataType = Value->DType();
  if (IEStringTypes.Contains(Value->DType())) {
    FText = Value->Text();
    return;
  }
  switch (Value->DType()) {
    case dtInteger:
    case dtFactId:
    case dtDescriptor:
      FNumber = Value->AsInteger();
      break;
    case dtFloat:
      FNumber = Value->AsFloat();
      break;
    case dtExternalAddress:
      FNumber = static_cast<double>(reinterpret_cast<uintptr_t>(Value->AsExternalAddress()));
      break;
    default:
      break;
  }
}

bool TIEStreamToken::Equals(const TCloneable* Other) const {
  auto* T = dynamic_cast<const TIEStreamToken*>(Other);
  return T && T->FDataType == FDataType && T->FLineNumber == FLineNumber && T->FNumber == FNumber;
}

void TIEStreamToken::CopyFrom(const TIEStreamToken& Source) {
  FDataType = Source.FDataType;
  FLineNumber = Source.FLineNumber;
  FNumber = Source.FNumber;
  FText = Source.FText;
  FTag = Source.FTag;
}

void TIEStreamToken::AssignFrom(const TCloneable* Source) {
  if (auto* T = dynamic_cast<const TIEStreamToken*>(Source))
    CopyFrom(*T);
  else
    TCloneable::AssignFrom(Source);
}

void TIEStreamToken::Assign(TPersistent* Source) {
  if (auto* T = dynamic_cast<TIEStreamToken*>(Source))
    CopyFrom(*T);
  else
    TCloneable::Assign(Source);
}

IStreamToken TIEStreamToken::Clone() const {
  IStreamToken R = NewRef<TIEStreamToken>();
  R->CopyFrom(*this);
  return R;
}

namespace {
const bool Registered =
    (RegisterClass<TIEStreamToken, TPersistent>("TIEStreamToken")
         .Property("DataType", &TIEStreamToken::DataType, &TIEStreamToken::SetDataType, 0)
         .Property("LineNumber", &TIEStreamToken::LineNumber, &TIEStreamToken::SetLineNumber, 0)
         .Property("Text", &TIEStreamToken::Text, &TIEStreamToken::SetText)
         .Property("Number", &TIEStreamToken::Number, &TIEStreamToken::SetNumber)
         .Property("Tag", &TIEStreamToken::Tag, &TIEStreamToken::SetTag, 0)
         .Property("WhiteSpace", &TIEStreamToken::WhiteSpace, &TIEStreamToken::SetWhiteSpace),
     true);
}  // namespace

}  // namespace norvale
