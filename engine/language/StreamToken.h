// Lexical tokens of the knowledge language: the small TToken value the tokenizer hands the parser,
// and the counted TIEStreamToken made only for callers that ask for a token object.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/core/Cloneable.h"
#include "engine/core/IEValue.h"

namespace norvale {

class TIEContext;

// Token kinds. Value kinds use the ordinal of the matching TIEType; the one-character tokens
// & ( ) = [ ] | ~ use their character code.
enum TTokenType : int {
  ttEOF = 0,
  ttAtom = dtAtom,
  ttString = dtString,
  ttInteger = dtInteger,
  ttVariable = dtVariable,
  ttFloat = dtFloat,
  ttMultiVariable = dtMultiVariable,
  ttAmpersand = '&',
  ttOpen = '(',
  ttClose = ')',
  ttEquals = '=',
  ttOpenBracket = '[',
  ttCloseBracket = ']',
  ttBar = '|',
  ttTilde = '~'
};

// One token as the tokenizer reads it: a trivially copyable value. Text points into the text
// being read or into the tokenizer's own store; both live as long as the tokenizer. The blanks,
// line breaks and comments before the token are not copied: they are the bytes of the input from
// WsBegin up to Start, without the words of variables and of + - . in between (whitespace read
// before those carries over to the next token).
struct TToken {
  int DataType = ttEOF;
  int LineNumber = 1;
  double Number = 0;
  std::string_view Text;
  size_t WsBegin = 0;
  size_t Start = 0;
  // A token put back through the object interface brings its own whitespace text.
  std::string_view OwnWhiteSpace;
  bool HasOwnWhiteSpace = false;
  // Whether taking this token changed the tokenizer's depth (a ")" at depth 0 does not).
  bool Counted = false;

  bool Is(int Type) const noexcept { return DataType == Type; }
  // A word (an atom, number or variable of either kind) or a string: a token standing for a value.
  bool IsValueKind() const noexcept {
    return DataType == ttAtom || DataType == ttString || DataType == ttInteger ||
           DataType == ttFloat || DataType == ttVariable || DataType == ttMultiVariable;
  }
};

// The printed form of a token: strings as \"text\"\, integers in decimal, floats with four
// decimals, variables with their prefix, other tokens their text (or their character).
std::string TokenToString(int DataType, std::string_view Text, double Number);
inline std::string TokenToString(const TToken& Token) {
  return TokenToString(Token.DataType, Token.Text, Token.Number);
}
// The value a token stands for: TRUE and FALSE (case-sensitive) and nil (any case) are the shared
// constants; the end token is FCEOF; other punctuation a string holding its kind in decimal.
IIEValue TokenValue(int DataType, std::string_view Text, double Number);
inline IIEValue TokenValue(const TToken& Token) {
  return TokenValue(Token.DataType, Token.Text, Token.Number);
}
// As TokenValue, but a variable of either kind reads its binding in Context ("Unknown variable
// name: %s" when there is none); without a context as TokenValue.
IIEValue TokenValue(int DataType, std::string_view Text, double Number, TIEContext* Context);

class TIEStreamToken;
using IStreamToken = Ref<TIEStreamToken>;

// A token as an object, for callers of the tokenizer's object interface.
class TIEStreamToken : public TCloneable {
 public:
  TIEStreamToken() = default;
  TIEStreamToken(int DataType, int LineNumber, std::string Text, double Number,
                 std::string WhiteSpace = {});

  int DataType() const noexcept { return FDataType; }
  void SetDataType(int Value) noexcept { FDataType = Value; }
  int LineNumber() const noexcept { return FLineNumber; }
  void SetLineNumber(int Value) noexcept { FLineNumber = Value; }
  const std::string& Text() const noexcept { return FText; }
  void SetText(const std::string& Value) { FText = Value; }
  double Number() const noexcept { return FNumber; }
  void SetNumber(double Value) noexcept { FNumber = Value; }
  const std::string& WhiteSpace() const noexcept { return FWhiteSpace; }
  void SetWhiteSpace(const std::string& Value) { FWhiteSpace = Value; }

  std::string GetToString() const override { return TokenToString(FDataType, FText, FNumber); }
  IIEValue Value() const;
  IIEValue Value(TIEContext* Context) const;
  // The token takes the value's type as its kind and its text or number.
  void SetValue(const IIEValue& Value);

  // Kind, line and number; the text is not compared.
  bool Equals(const TCloneable* Other) const override;
  // Kind, line, number, text and tag; not the whitespace.
  void AssignFrom(const TCloneable* Source) override;
  void Assign(TPersistent* Source) override;
  IStreamToken Clone() const;
  ICloneable CloneObject() const override { return Clone(); }

 private:
  void CopyFrom(const TIEStreamToken& Source);
  int FDataType = ttEOF;
  int FLineNumber = 0;
  std::string FText;
  double FNumber = 0;
  std::string FWhiteSpace;
};

}  // namespace norvale
