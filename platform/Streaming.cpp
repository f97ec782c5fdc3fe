#include "platform/Streaming.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "platform/Format.h"
#include "platform/Restore.h"
#include "platform/TypeInfo.h"

namespace norvale {

namespace {

const TClassInfo& RegisteredClassOf(const TObject* Obj) {
  const TClassInfo* Info = TClassRegistry::Instance().Of(Obj);
  if (!Info) throw EClassNotFound(Format("Class %s not found", {Obj->ClassName()}));
  return *Info;
}

std::string HeaderOf(const TObject* Obj, const TClassInfo& Info) {
  std::string R = "object ";
  auto* C = dynamic_cast<const TComponent*>(Obj);
  if (C && !C->Name().empty()) R += C->Name() + ": ";
  return R + Info.Name;
}

// A custom property's name: letters, digits and underscores, not starting with a digit.
bool IsPropertyName(std::string_view Name) {
  if (Name.empty() || (Name[0] >= '0' && Name[0] <= '9')) return false;
  return std::all_of(Name.begin(), Name.end(), [](char C) {
    return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') || C == '_';
  });
}

// The two lines that open and close a custom property's list (Text without its blanks).
bool OpensList(std::string_view Text) { return !Text.empty() && Text.back() == '('; }
bool ClosesList(std::string_view Text) { return Text == ")"; }

int HexDigit(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}

// The registry's reading of a value, plus the forms its writing gives that it does not read
// back itself: enumerations and sets without names (ordinals) and the non-finite floats.
TPropValue ValueFromText(const TPropInfo& Prop, std::string_view Text) {
  if (Prop.Kind == tkEnumeration && !Prop.Enum) {
    int64_t V;
    if (TryStrToInt64(Text, V)) return V;
  } else if (Prop.Kind == tkSet && !Prop.Enum) {
    if (Text.size() < 2 || Text.front() != '[' || Text.back() != ']')
      throw EPropertyError("Invalid property value");
    uint64_t Bits = 0;
    std::string_view Items = Text.substr(1, Text.size() - 2);
    while (!Items.empty()) {
      size_t Comma = std::min(Items.find(','), Items.size());
      int64_t Ordinal;
      if (!TryStrToInt64(Trim(Items.substr(0, Comma)), Ordinal) || Ordinal < 0 || Ordinal > 63)
        throw EPropertyError("Invalid property value");
      Bits |= uint64_t{1} << Ordinal;
      Items.remove_prefix(std::min(Comma + 1, Items.size()));
    }
    return static_cast<int64_t>(Bits);
  } else if (Prop.Kind == tkFloat) {
    if (SameText(Text, "inf")) return HUGE_VAL;
    if (SameText(Text, "-inf")) return -HUGE_VAL;
    if (SameText(Text, "nan") || SameText(Text, "-nan")) return std::nan("");
  }
  return PropValueFromString(Prop, Text);
}

}  // namespace

// --- TWriter --------------------------------------------------------------------------------

std::string TWriter::QuotedString(std::string_view Value) {
  static const char Hex[] = "0123456789ABCDEF";
  std::string R = "\"";
  for (char C : Value) {
    auto B = static_cast<unsigned char>(C);
    switch (C) {
      case '"':
        R += "\\\"";
        break;
      case '\\':
        R += "\\\\";
        break;
      case '\n':
        R += "\\n";
        break;
      case '\r':
        R += "\\r";
        break;
      case '\t':
        R += "\\t";
        break;
      default:
        if (B < 32 || B == 127) {
          R += "\\x";
          R += Hex[B >> 4];
          R += Hex[B & 15];
        } else {
          R += C;
        }
    }
  }
  return R + "\"";
}

void TWriter::WriteLine(std::string_view Text) {
  FStream << std::string(2 * FIndent, ' ') << Text << '\n';
  if (!FStream) throw EStreamError("Stream write error");
}

void TWriter::WriteString(std::string_view Value) { WriteLine(QuotedString(Value)); }

void TWriter::WriteInteger(int64_t Value) { WriteLine(std::to_string(Value)); }

void TWriter::WriteRawLine(std::string_view Line) {
  std::string Text = Trim(Line);
  if (Text.empty() || Text.find_first_of("\r\n") != std::string::npos || ClosesList(Text) ||
      OpensList(Text))
    throw EStreamError(Format("Invalid line for a stream list: %s", {Text}));
  WriteLine(Text);
}

void TWriter::DefineProperty(const std::string& Name, const TReaderProc&,
                             const TWriterProc& WriteData, bool HasData) {
  if (!HasData || !WriteData) return;
  if (!IsPropertyName(Name)) throw EStreamError(Format("Invalid property name: %s", {Name}));
  WriteLine(Name + " = (");
  {
    struct TNesting {
      int& Indent;
      explicit TNesting(int& I) : Indent(++I) {}
      ~TNesting() { --Indent; }
    } Nesting(FIndent);
    WriteData(*this);
  }
  WriteLine(")");
}

void TWriter::WriteComponent(TComponent* Component) {
  if (!Component) throw EStreamError("Cannot write a nil component");
  WriteObject(Component, {});
}

void TWriter::WriteObject(const TObject* Obj, const std::string& Lead) {
  const TClassInfo& Info = RegisteredClassOf(Obj);
  WriteLine(Lead + HeaderOf(Obj, Info));
  {
    struct TNesting {
      TWriter& W;
      TNesting(TWriter& Writer, const TObject* Current) : W(Writer) {
        W.FPath.push_back(Current);
        ++W.FIndent;
      }
      ~TNesting() {
        --W.FIndent;
        W.FPath.pop_back();
      }
    } Nesting(*this, Obj);
    WriteProperties(Obj, Info);
  }
  WriteLine("end");
}

void TWriter::WriteProperties(const TObject* Obj, const TClassInfo& Info) {
  for (const TPropInfo* P : Info.Properties()) {
    if (P->IsEvent() || P->ReadOnly() || !P->Get) continue;
    TPropValue Value = P->Get(Obj);
    if (std::holds_alternative<std::monostate>(Value)) continue;
    if (P->Kind == tkClass) {
      auto* Nested = dynamic_cast<const TPersistent*>(std::get<TObject*>(Value));
      if (!Nested || std::find(FPath.begin(), FPath.end(), Nested) != FPath.end()) continue;
      WriteObject(Nested, P->Name + " = ");
      continue;
    }
    if (P->HasDefault && Value == P->Default) continue;
    std::string Text = P->Kind == tkString ? QuotedString(std::get<std::string>(Value))
                                           : PropValueToString(*P, Value);
    WriteLine(P->Name + " = " + Text);
  }
  // The object's own data last; writing does not change it.
  if (auto* Persistent = dynamic_cast<const TPersistent*>(Obj))
    const_cast<TPersistent*>(Persistent)->DefineProperties(*this);
}

// --- TReader --------------------------------------------------------------------------------

bool TReader::TryUnquoteString(std::string_view Text, std::string& Value) {
  if (Text.size() < 2 || Text.front() != '"') return false;
  std::string R;
  for (size_t I = 1; I < Text.size(); ++I) {
    char C = Text[I];
    if (C == '"') {
      if (I != Text.size() - 1) return false;
      Value = std::move(R);
      return true;
    }
    if (C != '\\') {
      R += C;
      continue;
    }
    if (++I >= Text.size()) return false;
    switch (Text[I]) {
      case '"':
        R += '"';
        break;
      case '\\':
        R += '\\';
        break;
      case 'n':
        R += '\n';
        break;
      case 'r':
        R += '\r';
        break;
      case 't':
        R += '\t';
        break;
      case 'x': {
        if (I + 2 >= Text.size()) return false;
        int H = HexDigit(Text[I + 1]), L = HexDigit(Text[I + 2]);
        if (H < 0 || L < 0) return false;
        R += static_cast<char>(H * 16 + L);
        I += 2;
        break;
      }
      default:
        return false;
    }
  }
  return false;  // no closing quote
}

void TReader::Error(std::string_view What) const {
  throw EStreamError(Format("Invalid stream at line %d: %s", {FLineNumber, What}));
}

std::string TReader::NextLine() {
  std::string Line;
  while (std::getline(FStream, Line)) {
    ++FLineNumber;
    std::string T = Trim(Line);
    if (!T.empty()) return T;
  }
  if (!FListName.empty()) {
    FLineNumber = FListEnd;
    Error(Format("unexpected end of %s", {FListName}));
  }
  Error("unexpected end of stream");
}

std::string TReader::ReadString() {
  std::string Value;
  if (!TryUnquoteString(NextLine(), Value)) Error("string expected");
  return Value;
}

int64_t TReader::ReadInteger() {
  int64_t Value;
  if (!TryStrToInt64(NextLine(), Value)) Error("integer expected");
  return Value;
}

std::string TReader::ReadRawLine() { return NextLine(); }

bool TReader::EndOfList() {
  for (;;) {
    const int C = FStream.peek();
    if (C == std::char_traits<char>::eof()) return true;
    if (static_cast<unsigned char>(C) > ' ') return false;
    FStream.get();
    if (C == '\n') ++FLineNumber;
  }
}

void TReader::ReadCustomProperty(TObject* Obj, const std::string& Name) {
  TCustomProperty Custom;
  Custom.Name = Name;
  Custom.FirstLine = FLineNumber;
  // Up to the ")" that closes this list: lists of nested objects count in between.
  int Depth = 1;
  std::string Line;
  for (;;) {
    if (!std::getline(FStream, Line)) Error(Format("\")\" expected to close %s", {Name}));
    ++FLineNumber;
    const std::string Text = Trim(Line);
    if (ClosesList(Text) && --Depth == 0) break;
    if (OpensList(Text)) ++Depth;
    Custom.Lines += Line;
    Custom.Lines += '\n';
  }
  if (auto* Persistent = dynamic_cast<TPersistent*>(Obj)) {
    TRestore<TCustomProperty*> Current(FCustom, &Custom);
    Persistent->DefineProperties(*this);
  }
  if (!Custom.Read) {
    FLineNumber = Custom.FirstLine;
    Error(Format("unknown property %s", {Name}));
  }
}

void TReader::DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                             const TWriterProc&, bool) {
  if (!FCustom || FCustom->Read || !ReadData || !SameText(Name, FCustom->Name)) return;
  FCustom->Read = true;
  std::istringstream Lines(FCustom->Lines);
  TReader Items(Lines);
  Items.FLineNumber = FCustom->FirstLine;
  Items.FListName = Name;
  Items.FListEnd = FLineNumber;
  ReadData(Items);
  if (!Items.EndOfList()) {
    ++Items.FLineNumber;
    Items.Error(Format("unread items in %s", {Name}));
  }
}

void TReader::ReadHeader(TObject* Obj, std::string_view Header) {
  constexpr std::string_view Keyword = "object";
  if (Header.size() <= Keyword.size() || Header.substr(0, Keyword.size()) != Keyword ||
      Header[Keyword.size()] != ' ')
    Error("object expected");
  std::string Rest = Trim(Header.substr(Keyword.size()));
  std::string Name, ClassName = Rest;
  if (size_t Colon = Rest.find(':'); Colon != std::string::npos) {
    Name = Trim(std::string_view(Rest).substr(0, Colon));
    ClassName = Trim(std::string_view(Rest).substr(Colon + 1));
  }
  if (ClassName.empty()) Error("class name expected");
  const TClassInfo& Info = TClassRegistry::Instance().Get(ClassName);
  if (!Info.IsInstance || !Info.IsInstance(Obj))
    Error(Format("a %s cannot be read as a %s", {Obj->ClassName(), ClassName}));
  if (!Name.empty()) {
    auto* C = dynamic_cast<TComponent*>(Obj);
    if (!C) Error(Format("a %s has no name", {ClassName}));
    C->SetName(Name);
  }
}

void TReader::ReadComponent(TComponent* Instance) {
  if (!Instance) throw EStreamError("Cannot read into a nil component");
  ReadHeader(Instance, NextLine());
  std::vector<TComponent*> Loaded;
  Instance->SetLoading(true);
  ReadBlock(Instance, Loaded);
  for (TComponent* C : Loaded)
    if (C != Instance) C->Loaded();
  Instance->Loaded();  // last: it may free Instance
}

void TReader::ReadBlock(TObject* Obj, std::vector<TComponent*>& Loaded) {
  const TClassInfo& Info = RegisteredClassOf(Obj);
  for (;;) {
    std::string Line = NextLine();
    if (Line == "end") return;
    ReadProperty(Obj, Info, Line, Loaded);
  }
}

void TReader::ReadProperty(TObject* Obj, const TClassInfo& Info, std::string_view Line,
                           std::vector<TComponent*>& Loaded) {
  size_t Equal = Line.find('=');
  if (Equal == std::string_view::npos) Error("property or end expected");
  std::string Name = Trim(Line.substr(0, Equal));
  std::string Text = Trim(Line.substr(Equal + 1));
  if (Text == "(") {
    ReadCustomProperty(Obj, Name);
    return;
  }
  const TPropInfo* P = Name.empty() ? nullptr : Info.FindProperty(Name);
  if (!P || P->IsEvent()) Error(Format("unknown property %s", {Name}));
  if (P->ReadOnly()) Error(Format("property %s is read-only", {Name}));

  if (P->Kind == tkClass) {
    TPropValue Current = P->Get(Obj);
    TObject* Target =
        std::holds_alternative<TObject*>(Current) ? std::get<TObject*>(Current) : nullptr;
    if (!Target) Error(Format("property %s holds no object to read into", {Name}));
    ReadHeader(Target, Text);
    auto* C = dynamic_cast<TComponent*>(Target);
    if (C) C->SetLoading(true);
    ReadBlock(Target, Loaded);
    if (C && std::find(Loaded.begin(), Loaded.end(), C) == Loaded.end()) Loaded.push_back(C);
    return;
  }

  TPropValue Value;
  if (P->Kind == tkString) {
    std::string S;
    if (!TryUnquoteString(Text, S)) Error(Format("invalid string for %s", {Name}));
    Value = std::move(S);
  } else {
    try {
      Value = ValueFromText(*P, Text);
    } catch (const EPropertyError&) {
      Error(Format("invalid value for %s: %s", {Name, Text}));
    }
  }
  P->Set(Obj, Value);
}

}  // namespace norvale
