// Message formatting and strict number reading.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace norvale {

// One argument of Format: a text, an integer, a number or a character.
class TFormatArg {
 public:
  enum TKind { fkString, fkInteger, fkFloat, fkChar };
  TFormatArg(std::string_view Text) : FKind(fkString), FText(Text) {}
  TFormatArg(const std::string& Text) : FKind(fkString), FText(Text) {}
  TFormatArg(const char* Text) : FKind(fkString), FText(Text ? Text : "") {}
  TFormatArg(char C) : FKind(fkChar), FChar(C) {}
  TFormatArg(int V) : FKind(fkInteger), FInteger(V) {}
  TFormatArg(long V) : FKind(fkInteger), FInteger(V) {}
  TFormatArg(long long V) : FKind(fkInteger), FInteger(V) {}
  TFormatArg(unsigned V) : FKind(fkInteger), FInteger(V) {}
  TFormatArg(unsigned long V) : FKind(fkInteger), FInteger(static_cast<long long>(V)) {}
  TFormatArg(double V) : FKind(fkFloat), FFloat(V) {}
  TFormatArg(float V) : FKind(fkFloat), FFloat(V) {}

  TKind Kind() const { return FKind; }
  std::string_view Text() const { return FText; }
  long long Integer() const { return FInteger; }
  double Float() const { return FFloat; }
  char Char() const { return FChar; }

 private:
  TKind FKind;
  std::string_view FText;
  long long FInteger = 0;
  double FFloat = 0;
  char FChar = 0;
};

// Formats a catalogue message. Placeholders: %s text, %d integer, %c character, %f/%e/%g number
// (with optional flags, width and precision such as %.4f or %7.2f), %x hexadecimal, %% a percent
// sign. A number given for %s prints in decimal; a text given for %d raises EConvertError.
std::string Format(std::string_view Fmt, std::initializer_list<TFormatArg> Args = {});

// "%.4f": fixed point with four decimals.
std::string FloatToStr4(double Value);

// Strict readings: an optional sign and digits (integers), and for floating point an optional
// fraction and exponent. Blanks or any other surrounding text make the reading fail.
bool TryStrToInt(std::string_view Text, int32_t& Value);
bool TryStrToInt64(std::string_view Text, int64_t& Value);
bool TryStrToFloat(std::string_view Text, double& Value);
int32_t StrToInt(std::string_view Text);  // EConvertError "'%s' is not a valid integer value"
double StrToFloat(
    std::string_view Text);  // EConvertError "'%s' is not a valid floating point value"

std::string IntToStr(long long Value);
std::string Trim(std::string_view Text);
std::string UpperCase(std::string_view Text);
std::string LowerCase(std::string_view Text);
// Case-insensitive comparison over ASCII letters; bytes above 127 compare as they are.
int CompareText(std::string_view A, std::string_view B);
bool SameText(std::string_view A, std::string_view B);
bool StartsText(std::string_view Prefix, std::string_view Text);
std::string StringReplaceAll(std::string_view Text, std::string_view From, std::string_view To);

}  // namespace norvale
