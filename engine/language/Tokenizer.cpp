#include "engine/language/Tokenizer.h"

#include <charconv>
#include <cstring>
#include <istream>
#include <iterator>
#include <limits>

#include "engine/engine/InferenceEngine.h"

namespace norvale {

IStreamToken TIETokenizerStream::GetCurrentToken() {
  TToken T = Current();
  IStreamToken R = NewRef<TIEStreamToken>(T.DataType, T.LineNumber, std::string(T.Text), T.Number,
                                          WhiteSpaceOf(T));
  return R;
}

namespace {

// The bytes a word stops at: those that end it (whitespace, 0x20 and below, and the characters
// that start the next token) and the backslash, which takes the next byte into it.
struct TWordStops {
  bool Stops[256] = {};
  constexpr TWordStops() {
    for (int C = 0; C <= 0x20; ++C) Stops[C] = true;
    for (unsigned char C : std::string_view("\"&();<[]|~\\")) Stops[C] = true;
  }
};
constexpr TWordStops WordStops;

inline bool StopsWord(unsigned char C) noexcept { return WordStops.Stops[C]; }

// The one-character tokens, as text to point into.
constexpr std::string_view SingleChars = "&()=[]|~";

inline bool IsSingleChar(unsigned char C) noexcept {
  return C == '&' || C == '(' || C == ')' || C == '=' || C == '[' || C == ']' || C == '|' ||
         C == '~';
}

inline bool IsDigit(char C) noexcept { return C >= '0' && C <= '9'; }

// An optional sign and digits, in the 32-bit range.
bool ReadInteger(std::string_view W, double& Value) {
  size_t I = 0;
  bool Negative = false;
  if (I < W.size() && (W[I] == '+' || W[I] == '-')) Negative = W[I++] == '-';
  if (I == W.size()) return false;
  int64_t V = 0;
  for (; I < W.size(); ++I) {
    if (!IsDigit(W[I])) return false;
    V = V * 10 + (W[I] - '0');
    if (V > int64_t{2147483648}) return false;
  }
  if (Negative) V = -V;
  if (V > std::numeric_limits<int32_t>::max() || V < std::numeric_limits<int32_t>::min())
    return false;
  Value = static_cast<double>(V);
  return true;
}

// An optional sign, digits with an optional fraction (or a fraction alone), an optional exponent
// with an optional sign. A value beyond the double range is not a number; one too small for it
// is zero.
bool ReadFloat(std::string_view W, double& Value) {
  size_t I = 0;
  const bool Negative = I < W.size() && W[I] == '-';
  if (I < W.size() && (W[I] == '+' || W[I] == '-')) ++I;
  const size_t Mantissa = I;
  size_t IntDigits = 0, FracDigits = 0;
  while (I < W.size() && IsDigit(W[I])) ++I, ++IntDigits;
  if (I < W.size() && W[I] == '.') {
    ++I;
    while (I < W.size() && IsDigit(W[I])) ++I, ++FracDigits;
  }
  if (IntDigits + FracDigits == 0) return false;
  int64_t Exponent = 0;
  if (I < W.size() && (W[I] == 'e' || W[I] == 'E')) {
    ++I;
    bool ExpNegative = false;
    if (I < W.size() && (W[I] == '+' || W[I] == '-')) ExpNegative = W[I++] == '-';
    if (I == W.size() || !IsDigit(W[I])) return false;
    for (; I < W.size() && IsDigit(W[I]); ++I)
      if (Exponent < 100000000) Exponent = Exponent * 10 + (W[I] - '0');
    if (ExpNegative) Exponent = -Exponent;
  }
  if (I != W.size()) return false;
  // from_chars takes a leading minus but no plus.
  const char* First = W.data() + (W[0] == '+' ? 1 : 0);
  double V = 0;
  auto [Ptr, Ec] = std::from_chars(First, W.data() + W.size(), V);
  if (Ec == std::errc::result_out_of_range) {
    // The decimal exponent of the first significant digit tells overflow from underflow.
    int64_t Lead = 0;
    size_t J = Mantissa;
    bool Found = false;
    int64_t Position = static_cast<int64_t>(IntDigits);
    for (; J < W.size() && (IsDigit(W[J]) || W[J] == '.'); ++J) {
      if (W[J] == '.') continue;
      if (W[J] != '0') {
        Found = true;
        break;
      }
      --Position;
    }
    if (!Found) {
      Value = Negative ? -0.0 : 0.0;
      return true;
    }
    Lead = Position + Exponent;
    if (Lead > 0) return false;
    Value = Negative ? -0.0 : 0.0;
    return true;
  }
  if (Ec != std::errc() || Ptr != W.data() + W.size()) return false;
  Value = V;
  return true;
}

}  // namespace

// --- construction -----------------------------------------------------------------------------

TIEClipsStream::TIEClipsStream(std::string Text, TInferenceEngine* Owner)
    : FOwner(Owner), FInput(std::move(Text)) {}

TIEClipsStream::TIEClipsStream(std::istream& Stream, TInferenceEngine* Owner)
    : FOwner(Owner),
      FInput(std::istreambuf_iterator<char>(Stream), std::istreambuf_iterator<char>()) {}

std::string_view TIEClipsStream::Store(std::string Text) {
  FStore.push_back(std::move(Text));
  return FStore.back();
}

std::string TIEClipsStream::GenerateName(const char* Prefix) {
  if (FOwner) return FOwner->GenerateSymbol(Prefix);
  return Prefix + std::to_string(++FSymbols);
}

// --- reading tokens -----------------------------------------------------------------------------

void TIEClipsStream::SkipWhiteSpace() {
  const size_t N = FInput.size();
  const char* In = FInput.data();
  while (FPos < N) {
    const unsigned char C = static_cast<unsigned char>(In[FPos]);
    if (C <= 0x20) {
      if (C == '\r' || (C == '\n' && (FPos == 0 || In[FPos - 1] != '\r'))) ++FLine;
      ++FPos;
    } else if (C == ';') {
      // A comment runs to the end of the line; its line end goes with it.
      while (FPos < N && In[FPos] != '\r' && In[FPos] != '\n') ++FPos;
      if (FPos == N) return;
      if (In[FPos] == '\r' && FPos + 1 < N && In[FPos + 1] == '\n') ++FPos;
      ++FPos;
      ++FLine;
    } else {
      return;
    }
  }
}

void TIEClipsStream::ReadWord(TToken& Token) {
  const size_t N = FInput.size();
  const char* In = FInput.data();
  const size_t Start = FPos;
  ++FPos;  // the first character is taken as it is, even a backslash or "<"
  bool Escaped = false;
  while (FPos < N) {
    const unsigned char C = static_cast<unsigned char>(In[FPos]);
    if (!StopsWord(C)) {
      ++FPos;
      continue;
    }
    if (C != '\\') break;
    // A backslash takes the next character into the word, whatever it is.
    Escaped = true;
    if (FPos + 1 >= N) {
      FPos = N;
      break;
    }
    if (In[FPos + 1] == '\r' || In[FPos + 1] == '\n') ++FLine;
    FPos += 2;
  }
  Token.DataType = ttAtom;
  if (!Escaped) {
    Token.Text = std::string_view(In + Start, FPos - Start);
    return;
  }
  std::string Text;
  Text.reserve(FPos - Start);
  Text += In[Start];
  for (size_t I = Start + 1; I < FPos; ++I) {
    if (In[I] == '\\') {
      if (++I >= FPos) break;
    }
    Text += In[I];
  }
  Token.Text = Store(std::move(Text));
}

void TIEClipsStream::ReadString(TToken& Token) {
  const size_t N = FInput.size();
  const char* In = FInput.data();
  const size_t Start = ++FPos;  // after the opening quote
  bool Escaped = false;
  auto CountLine = [&](size_t At) {
    if (In[At] == '\r' || (In[At] == '\n' && (At == 0 || In[At - 1] != '\r'))) ++FLine;
  };
  for (;;) {
    if (FPos >= N) throw EIEParseException(SUnterminatedString, FLine);
    const char C = In[FPos];
    if (C == '"') break;
    if (C == '\\') {
      Escaped = true;
      if (++FPos >= N) throw EIEParseException(SUnterminatedString, FLine);
    }
    CountLine(FPos);
    ++FPos;
  }
  const size_t End = FPos++;  // the closing quote
  Token.DataType = ttString;
  if (!Escaped) {
    Token.Text = std::string_view(In + Start, End - Start);
    return;
  }
  std::string Text;
  Text.reserve(End - Start);
  for (size_t I = Start; I < End; ++I) {
    if (In[I] == '\\') ++I;
    Text += In[I];
  }
  Token.Text = Store(std::move(Text));
}

TToken TIEClipsStream::BuildNextToken() {
  SkipWhiteSpace();
  TToken T;
  T.WsBegin = FPendingStart;
  T.Start = FPos;
  if (FPos >= FInput.size()) {
    T.DataType = ttEOF;
    T.Text = "EOF";
    T.LineNumber = FLine;
    FPendingStart = FPos;
    return T;
  }
  const unsigned char C = static_cast<unsigned char>(FInput[FPos]);
  if (C == '"') {
    ReadString(T);
  } else if (IsSingleChar(C)) {
    T.DataType = C;
    T.Text = SingleChars.substr(SingleChars.find(static_cast<char>(C)), 1);
    ++FPos;
  } else {
    ReadWord(T);
    FinishToken(T);
  }
  T.LineNumber = FLine;
  // Whitespace before a variable or before + - . carries over to the next token as well.
  const bool Carries = T.DataType == ttVariable || T.DataType == ttMultiVariable ||
                       (T.DataType == ttAtom && T.Text.size() == 1 &&
                        (T.Text[0] == '+' || T.Text[0] == '-' || T.Text[0] == '.'));
  if (!Carries) FPendingStart = FPos;
  return T;
}

void TIEClipsStream::FinishToken(TToken& Token) {
  switch (Token.DataType) {
    case ttEOF:
    case ttString:
    case ttAmpersand:
    case ttOpen:
    case ttClose:
    case ttEquals:
    case ttOpenBracket:
    case ttCloseBracket:
    case ttBar:
    case ttTilde:
      return;
    case ttAtom:
      break;
    default:
      throw EIEParseException(Format(SInvalidTokenHint, {Token.DataType}), FLine);
  }
  const std::string_view W = Token.Text;
  if (W.empty()) return;
  if (W[0] == '?') {
    Token.DataType = ttVariable;
    Token.Text = W.size() > 1 ? W.substr(1) : Store(GenerateName(SBlankPrefix));
    return;
  }
  if (W.size() >= 2 && W[0] == '$' && W[1] == '?') {
    Token.DataType = ttMultiVariable;
    Token.Text = W.size() > 2 ? W.substr(2) : Store(GenerateName(SBlankMulti));
    return;
  }
  if (W.size() == 1 && (W[0] == '+' || W[0] == '-' || W[0] == '.')) return;
  if (IsDigit(W[0]) || W[0] == '+' || W[0] == '-' || W[0] == '.') {
    double Value = 0;
    if (ReadInteger(W, Value)) {
      Token.DataType = ttInteger;
    } else if (ReadFloat(W, Value)) {
      Token.DataType = ttFloat;
    } else {
      return;
    }
    Token.Number = Value;
    Token.Text = {};
  }
}

// --- the queue -----------------------------------------------------------------------------------

namespace {
// A long construct keeps this many tokens before the cursor when its middle is dropped.
constexpr size_t KeepBehind = 64;
constexpr size_t CompactAt = 8192;
// ... and its first tokens up to at least this many characters.
constexpr size_t KeepPrefixChars = 160;
}  // namespace

void TIEClipsStream::Compact() {
  if (FCursor <= KeepBehind) return;
  if (FGapAt == 0) {
    size_t Chars = 0, P = 0;
    while (P < FCursor && Chars < KeepPrefixChars) Chars += TokenToString(FExp[P++]).size() + 1;
    FGapAt = P;
  }
  const size_t From = FGapAt, To = FCursor - KeepBehind;
  if (To <= From) return;
  FExp.erase(FExp.begin() + static_cast<std::ptrdiff_t>(From),
             FExp.begin() + static_cast<std::ptrdiff_t>(To));
  FCursor -= To - From;
}

TToken TIEClipsStream::Next() {
  if (FCursor == FExp.size()) {
    if (FExpComplete) {
      // A new construct: the text for errors starts again.
      FExp.clear();
      FCursor = 0;
      FReadDepth = 0;
      FGapAt = 0;
    }
    TToken T = BuildNextToken();
    if (T.DataType == ttOpen)
      ++FReadDepth;
    else if (T.DataType == ttClose)
      --FReadDepth;
    FExpComplete = FReadDepth <= 0 || T.DataType == ttEOF;
    FExp.push_back(T);
    if (FExp.size() > CompactAt && FExp.size() - FCursor == 1) Compact();
  }
  TToken& T = FExp[FCursor++];
  T.Counted = false;
  if (T.DataType == ttOpen) {
    ++FDepth;
    T.Counted = true;
  } else if (T.DataType == ttClose && FDepth > 0) {
    --FDepth;
    T.Counted = true;
  }
  FCurrent = T;
  FHasCurrent = true;
  return T;
}

void TIEClipsStream::PutBack() {
  if (FCursor == 0) return;
  const TToken& T = FExp[--FCursor];
  if (T.Counted) {
    if (T.DataType == ttOpen)
      --FDepth;
    else if (T.DataType == ttClose)
      ++FDepth;
  }
  FCurrent = T;
  FHasCurrent = true;
}

TToken TIEClipsStream::Peek() {
  const TToken Saved = FCurrent;
  const bool Had = FHasCurrent;
  TToken T = Next();
  PutBack();
  FCurrent = Saved;
  FHasCurrent = Had;
  return T;
}

TToken TIEClipsStream::Current() {
  if (!FHasCurrent) Next();
  return FCurrent;
}

std::string TIEClipsStream::Head() {
  TToken T = Next();
  if (T.DataType != ttOpen) return std::string();
  TToken Keyword = Peek();
  PutBack();
  switch (Keyword.DataType) {
    case ttAtom:
      return Keyword.Text.empty() ? TokenToString(Keyword) : std::string(Keyword.Text);
    case ttEquals:
      return "=";
    case ttVariable:
      return std::string(Keyword.Text);
    default:
      return std::string();
  }
}

void TIEClipsStream::MoveToNextConstruct() {
  while (FDepth > 0)
    if (Next().DataType == ttEOF) break;
}

void TIEClipsStream::Clear() {
  FExp.clear();
  FCursor = 0;
  FReadDepth = 0;
  FExpComplete = true;
  FGapAt = 0;
}

void TIEClipsStream::DiscardUntilEOL() {
  // Tokens read ahead are dropped: the line is read from where the last of them ended.
  if (FCursor < FExp.size()) {
    FExp.resize(FCursor);
    FExpComplete = true;
  }
  const size_t N = FInput.size();
  while (FPos < N && FInput[FPos] != '\r' && FInput[FPos] != '\n') ++FPos;
  if (FPos < N) {
    if (FInput[FPos] == '\r' && FPos + 1 < N && FInput[FPos + 1] == '\n') ++FPos;
    ++FPos;
    ++FLine;
  }
  FPendingStart = FPos;
}

IStreamToken TIEClipsStream::MakeToken(const TToken& T) const {
  return NewRef<TIEStreamToken>(T.DataType, T.LineNumber, std::string(T.Text), T.Number,
                                WhiteSpaceOf(T));
}

IStreamToken TIEClipsStream::NextToken() { return MakeToken(Next()); }

void TIEClipsStream::PutBackToken(const IStreamToken& Token) {
  if (!Token) return;
  if (FCursor > 0) {
    const TToken& Last = FExp[FCursor - 1];
    if (Last.DataType == Token->DataType() && Last.LineNumber == Token->LineNumber() &&
        Last.Number == Token->Number() && Last.Text == Token->Text()) {
      PutBack();
      return;
    }
  }
  // Another token: it goes in front of the tokens still to come.
  TToken T;
  T.DataType = Token->DataType();
  T.LineNumber = Token->LineNumber();
  T.Number = Token->Number();
  T.Text = Store(Token->Text());
  T.OwnWhiteSpace = Store(Token->WhiteSpace());
  T.HasOwnWhiteSpace = true;
  T.Start = T.WsBegin = FPos;
  if (T.DataType == ttOpen && FDepth > 0) {
    --FDepth;
    T.Counted = true;
  } else if (T.DataType == ttClose) {
    ++FDepth;
    T.Counted = true;
  }
  FExp.insert(FExp.begin() + static_cast<std::ptrdiff_t>(FCursor), T);
  FCurrent = T;
  FHasCurrent = true;
}

// --- texts ---------------------------------------------------------------------------------------

std::string TIEClipsStream::WhiteSpaceOf(const TToken& Token) const {
  if (Token.HasOwnWhiteSpace) return std::string(Token.OwnWhiteSpace);
  std::string R;
  const char* In = FInput.data();
  size_t I = Token.WsBegin;
  const size_t End = std::min(Token.Start, FInput.size());
  while (I < End) {
    const unsigned char C = static_cast<unsigned char>(In[I]);
    if (C <= 0x20) {
      R += static_cast<char>(C);
      ++I;
    } else if (C == ';') {
      // A comment line: its text and a CR LF, whatever line end it had.
      size_t J = I;
      while (J < End && In[J] != '\r' && In[J] != '\n') ++J;
      R.append(In + I, J - I);
      R += NewLineString;
      I = J;
      if (I < End && In[I] == '\r') {
        ++I;
        if (I < End && In[I] == '\n') ++I;
      } else if (I < End && In[I] == '\n') {
        ++I;
      }
    } else {
      // The word of a variable (or + - .) between two parts of carried whitespace.
      ++I;
      while (I < End) {
        const unsigned char W = static_cast<unsigned char>(In[I]);
        if (W == '\\')
          I += 2;
        else if (StopsWord(W))
          break;
        else
          ++I;
      }
    }
  }
  return R;
}

std::string TIEClipsStream::CommentOf(const TToken& Token) const {
  if (!Token.HasOwnWhiteSpace) {
    const size_t End = std::min(Token.Start, FInput.size());
    if (Token.WsBegin >= End ||
        !std::memchr(FInput.data() + Token.WsBegin, ';', End - Token.WsBegin))
      return std::string();
  }
  return Trim(WhiteSpaceOf(Token));
}

std::string TIEClipsStream::GetToString() const {
  std::string R;
  const TToken* Prev = nullptr;
  for (size_t I = 0; I < FCursor; ++I) {
    const TToken& T = FExp[I];
    if (Prev && T.LineNumber > Prev->LineNumber) {
      while (!R.empty() && R.back() == ' ') R.pop_back();
      R += NewLineString;
    }
    R += TokenToString(T);
    R += ' ';
    Prev = &T;
  }
  return R;
}

}  // namespace norvale
