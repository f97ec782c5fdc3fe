#include "platform/Format.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/Exception.h"

namespace norvale {

namespace {

std::string FormatNumber(const std::string& Spec, double Value) {
  char Buf[512];
  int N = std::snprintf(Buf, sizeof Buf, Spec.c_str(), Value);
  if (N < 0) return {};
  if (static_cast<size_t>(N) < sizeof Buf) return std::string(Buf, N);
  std::string Big(N + 1, '\0');
  std::snprintf(Big.data(), Big.size(), Spec.c_str(), Value);
  Big.resize(N);
  return Big;
}

std::string FormatInteger(const std::string& Spec, long long Value) {
  char Buf[128];
  int N = std::snprintf(Buf, sizeof Buf, Spec.c_str(), Value);
  return N < 0 ? std::string() : std::string(Buf, std::min<size_t>(N, sizeof Buf - 1));
}

std::string Pad(std::string Text, int Width, bool Left) {
  if (Width <= 0 || static_cast<int>(Text.size()) >= Width) return Text;
  std::string Fill(Width - Text.size(), ' ');
  return Left ? Text + Fill : Fill + Text;
}

}  // namespace

std::string Format(std::string_view Fmt, std::initializer_list<TFormatArg> Args) {
  std::string Out;
  Out.reserve(Fmt.size() + 16 * Args.size());
  auto Next = Args.begin();
  size_t I = 0;
  while (I < Fmt.size()) {
    char C = Fmt[I];
    if (C != '%') {
      Out += C;
      ++I;
      continue;
    }
    if (I + 1 < Fmt.size() && Fmt[I + 1] == '%') {
      Out += '%';
      I += 2;
      continue;
    }
    // %[flags][width][.precision]conversion
    size_t J = I + 1;
    std::string Flags;
    while (J < Fmt.size() && std::string_view("-+ 0#").find(Fmt[J]) != std::string_view::npos)
      Flags += Fmt[J++];
    int Width = 0;
    while (J < Fmt.size() && std::isdigit(static_cast<unsigned char>(Fmt[J])))
      Width = Width * 10 + (Fmt[J++] - '0');
    int Precision = -1;
    if (J < Fmt.size() && Fmt[J] == '.') {
      ++J;
      Precision = 0;
      while (J < Fmt.size() && std::isdigit(static_cast<unsigned char>(Fmt[J])))
        Precision = Precision * 10 + (Fmt[J++] - '0');
    }
    if (J >= Fmt.size()) {  // a lone % at the end stands as it is
      Out.append(Fmt.substr(I));
      break;
    }
    char Conv = Fmt[J];
    std::string Spec = "%" + Flags + (Width > 0 ? std::to_string(Width) : "") +
                       (Precision >= 0 ? "." + std::to_string(Precision) : "");
    if (std::string_view("sdcfegxuEGX").find(Conv) == std::string_view::npos) {
      Out.append(Fmt.substr(I, J - I + 1));
      I = J + 1;
      continue;
    }
    if (Next == Args.end())
      throw EConvertError(Format("Format '%s' invalid or incompatible with argument", {Fmt}));
    const TFormatArg& A = *Next++;
    bool Left = Flags.find('-') != std::string::npos;
    switch (Conv) {
      case 's': {
        std::string Text;
        switch (A.Kind()) {
          case TFormatArg::fkString:
            Text = std::string(A.Text());
            break;
          case TFormatArg::fkInteger:
            Text = std::to_string(A.Integer());
            break;
          case TFormatArg::fkFloat:
            Text = FormatNumber("%g", A.Float());
            break;
          case TFormatArg::fkChar:
            Text = std::string(1, A.Char());
            break;
        }
        if (Precision >= 0 && static_cast<int>(Text.size()) > Precision) Text.resize(Precision);
        Out += Pad(std::move(Text), Width, Left);
        break;
      }
      case 'c':
        if (A.Kind() == TFormatArg::fkChar)
          Out += Pad(std::string(1, A.Char()), Width, Left);
        else if (A.Kind() == TFormatArg::fkInteger)
          Out += Pad(std::string(1, static_cast<char>(A.Integer())), Width, Left);
        else
          Out += Pad(std::string(A.Text().substr(0, 1)), Width, Left);
        break;
      case 'd':
      case 'u':
      case 'x':
      case 'X':
        if (A.Kind() == TFormatArg::fkInteger)
          Out += FormatInteger(Spec + "ll" + Conv, A.Integer());
        else if (A.Kind() == TFormatArg::fkChar)
          Out += FormatInteger(Spec + "ll" + Conv, A.Char());
        else
          throw EConvertError(Format("Format '%s' invalid or incompatible with argument", {Fmt}));
        break;
      default: {  // f e g
        double V;
        if (A.Kind() == TFormatArg::fkFloat)
          V = A.Float();
        else if (A.Kind() == TFormatArg::fkInteger)
          V = static_cast<double>(A.Integer());
        else
          throw EConvertError(Format("Format '%s' invalid or incompatible with argument", {Fmt}));
        Out += FormatNumber(Spec + Conv, V);
        break;
      }
    }
    I = J + 1;
  }
  return Out;
}

std::string FloatToStr4(double Value) {
  char Buf[64];
  int N = std::snprintf(Buf, sizeof Buf, "%.4f", Value);
  if (N > 0 && static_cast<size_t>(N) < sizeof Buf) return std::string(Buf, N);
  return FormatNumber("%.4f", Value);
}

namespace {

// Checks the shape of a plain decimal number: [sign] digits [. digits] [e [sign] digits].
bool IsPlainNumber(std::string_view T, bool AllowFraction) {
  size_t I = 0, N = T.size();
  if (I < N && (T[I] == '+' || T[I] == '-')) ++I;
  size_t Digits = 0;
  while (I < N && std::isdigit(static_cast<unsigned char>(T[I]))) ++I, ++Digits;
  if (!AllowFraction) return Digits > 0 && I == N;
  if (I < N && T[I] == '.') {
    ++I;
    while (I < N && std::isdigit(static_cast<unsigned char>(T[I]))) ++I, ++Digits;
  }
  if (Digits == 0) return false;
  if (I < N && (T[I] == 'e' || T[I] == 'E')) {
    ++I;
    if (I < N && (T[I] == '+' || T[I] == '-')) ++I;
    size_t ExpDigits = 0;
    while (I < N && std::isdigit(static_cast<unsigned char>(T[I]))) ++I, ++ExpDigits;
    if (ExpDigits == 0) return false;
  }
  return I == N;
}

}  // namespace

bool TryStrToInt64(std::string_view Text, int64_t& Value) {
  if (!IsPlainNumber(Text, false)) return false;
  std::string_view T = Text;
  if (T[0] == '+') T.remove_prefix(1);
  auto R = std::from_chars(T.data(), T.data() + T.size(), Value);
  return R.ec == std::errc() && R.ptr == T.data() + T.size();
}

bool TryStrToInt(std::string_view Text, int32_t& Value) {
  int64_t V;
  if (!TryStrToInt64(Text, V)) return false;
  if (V < std::numeric_limits<int32_t>::min() || V > std::numeric_limits<int32_t>::max())
    return false;
  Value = static_cast<int32_t>(V);
  return true;
}

bool TryStrToFloat(std::string_view Text, double& Value) {
  if (!IsPlainNumber(Text, true)) return false;
  std::string_view T = Text;
  if (T[0] == '+') T.remove_prefix(1);
  double V;
  auto R = std::from_chars(T.data(), T.data() + T.size(), V);
  if (R.ec == std::errc::result_out_of_range) return false;
  if (R.ec != std::errc() || R.ptr != T.data() + T.size()) return false;
  Value = V;
  return true;
}

int32_t StrToInt(std::string_view Text) {
  int32_t V;
  if (!TryStrToInt(Text, V))
    throw EConvertError(Format("'%s' is not a valid integer value", {Text}));
  return V;
}

double StrToFloat(std::string_view Text) {
  double V;
  if (!TryStrToFloat(Text, V))
    throw EConvertError(Format("'%s' is not a valid floating point value", {Text}));
  return V;
}

std::string IntToStr(long long Value) { return std::to_string(Value); }

std::string Trim(std::string_view Text) {
  size_t B = 0, E = Text.size();
  while (B < E && static_cast<unsigned char>(Text[B]) <= ' ') ++B;
  while (E > B && static_cast<unsigned char>(Text[E - 1]) <= ' ') --E;
  return std::string(Text.substr(B, E - B));
}

std::string UpperCase(std::string_view Text) {
  std::string R(Text);
  for (char& C : R)
    if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 'a' + 'A');
  return R;
}

std::string LowerCase(std::string_view Text) {
  std::string R(Text);
  for (char& C : R)
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C - 'A' + 'a');
  return R;
}

int CompareText(std::string_view A, std::string_view B) {
  size_t N = std::min(A.size(), B.size());
  for (size_t I = 0; I < N; ++I) {
    unsigned char X = static_cast<unsigned char>(A[I]), Y = static_cast<unsigned char>(B[I]);
    if (X >= 'A' && X <= 'Z') X = static_cast<unsigned char>(X - 'A' + 'a');
    if (Y >= 'A' && Y <= 'Z') Y = static_cast<unsigned char>(Y - 'A' + 'a');
    if (X != Y) return X < Y ? -1 : 1;
  }
  return A.size() == B.size() ? 0 : (A.size() < B.size() ? -1 : 1);
}

bool SameText(std::string_view A, std::string_view B) {
  return A.size() == B.size() && CompareText(A, B) == 0;
}

bool StartsText(std::string_view Prefix, std::string_view Text) {
  return Text.size() >= Prefix.size() && SameText(Prefix, Text.substr(0, Prefix.size()));
}

std::string StringReplaceAll(std::string_view Text, std::string_view From, std::string_view To) {
  if (From.empty()) return std::string(Text);
  std::string R;
  size_t I = 0;
  while (true) {
    size_t P = Text.find(From, I);
    if (P == std::string_view::npos) break;
    R.append(Text.substr(I, P - I));
    R.append(To);
    I = P + From.size();
  }
  R.append(Text.substr(I));
  return R;
}

}  // namespace norvale
