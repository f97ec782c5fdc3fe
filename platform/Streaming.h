// Component streaming: a line-based text form of components and of the persistent objects their
// published properties carry.
//
// The format, one item per line (leading blanks are indentation, blank lines are skipped, a line
// may end in LF or CR LF):
//
//   "TSample"                            a string written by WriteString
//   object TOuterComponent               a component: "object" and its registered class name,
//   object Engine1: TEngine                or its name, a colon and the class name
//     Count = 7                          a property: Name = value
//     Caption = "say \"hi\"\n"
//     Inner = object TSettings           a nested persistent object, a block of its own
//       Shades = [shLight,shDark]
//     end
//   end                                  closes the innermost block
//
// Beside its published properties an object may store data of its own, declared by
// TPersistent::DefineProperties with TFiler::DefineProperty. Such a custom property is a list of
// items, one per line, written after the published properties of the block:
//
//     PackageFunctions = (               the custom property's name and "= ("
//       "TAssertFunction"                a string (WriteString), an integer (WriteInteger), a
//       12                                 line the object writes itself (WriteRawLine) or a
//       object TFactSet                    nested object block (WriteComponent)
//       end
//     )                                  closes the list
//
// A raw line is a single non-blank line that is neither ")" nor ends in "(" (those open and close
// lists); its leading and trailing blanks are not kept. A list may hold objects whose blocks have
// custom properties of their own: their lists nest.
//
// The properties written are the published, writable, non-event properties of the object's
// registered class whose value differs from the declared default (a property without a declared
// default is always written), in the registry's order. Values use the registry's text forms:
// integers in decimal, floats with 17 significant digits (so they read back exactly), booleans as
// True/False, enumerations by name and sets as [name,name]. Strings are always quoted: a double
// quote, backslash, LF, CR and tab are escaped as \" \\ \n \r \t, every other byte below 32 and
// byte 127 as \xHH; all other bytes pass through unchanged, so any byte sequence round-trips.
//
// A class-typed property is written as a nested block when it holds a persistent object, and not
// at all when it holds nil; reading fills the object that the property holds at that time (the
// owner creates its parts, the stream carries their contents). An object already being written
// further up (a reference back to an enclosing object) is not written again.
//
// Reading raises EClassNotFound for a class name that is not registered and EStreamError naming
// the line for anything malformed: an unknown or read-only property, a value that does not fit
// the property, a bad string, a missing "end" or the end of the stream inside a block, a custom
// property the object does not declare, or one whose reader leaves items unread.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Classes.h"

namespace norvale {

struct TClassInfo;
struct TPropInfo;
class TReader;
class TWriter;

// What TPersistent::DefineProperties declares its custom properties to: the writer or the reader.
//
//   void TMyPackage::DefineProperties(TFiler& Filer) {
//     TUserPackage::DefineProperties(Filer);
//     Filer.DefineProperty(
//         "Names", [this](TReader& R) { while (!R.EndOfList()) Add(R.ReadString()); },
//         [this](TWriter& W) { for (auto& N : Names()) W.WriteString(N); }, !Names().empty());
//   }
class TFiler {
 public:
  using TReaderProc = std::function<void(TReader&)>;
  using TWriterProc = std::function<void(TWriter&)>;

  // The custom property Name (a name as published properties have). Writing: when HasData and
  // WriteData is given, the list is written and WriteData fills it. Reading: when the block holds
  // the property, ReadData reads its items; it is handed a reader over that list alone, on which
  // EndOfList tells when the items are used up, and it must read them all.
  virtual void DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                              const TWriterProc& WriteData, bool HasData) = 0;

 protected:
  ~TFiler() = default;
};

class TWriter : public TFiler {
 public:
  explicit TWriter(std::ostream& Stream) : FStream(Stream) {}

  // One line holding Value as a quoted string.
  void WriteString(std::string_view Value);
  // One line holding Value in decimal.
  void WriteInteger(int64_t Value);
  // One line of the caller's own (EStreamError for a line that breaks the rules above).
  void WriteRawLine(std::string_view Line);
  // Component as an object block: its properties, nested persistent objects as nested blocks.
  void WriteComponent(TComponent* Component);

  void DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                      const TWriterProc& WriteData, bool HasData) override;

  // Value between double quotes with the escapes above.
  static std::string QuotedString(std::string_view Value);

 private:
  // Lead (a property name and " = ", or nothing), the object's header, its properties, "end".
  void WriteObject(const TObject* Obj, const std::string& Lead);
  void WriteProperties(const TObject* Obj, const TClassInfo& Info);
  void WriteLine(std::string_view Text);

  std::ostream& FStream;
  int FIndent = 0;
  std::vector<const TObject*> FPath;  // the objects being written, outermost first
};

class TReader : public TFiler {
 public:
  explicit TReader(std::istream& Stream) : FStream(Stream) {}

  // The next line, which must hold a quoted string.
  std::string ReadString();
  // The next line, which must hold a decimal integer.
  int64_t ReadInteger();
  // The next line that is not blank, without its leading and trailing blanks.
  std::string ReadRawLine();
  // Whether only blank lines are left: in a custom property's reader, whether its items are used
  // up.
  bool EndOfList();
  // Reads an object block into Instance, which must be of the class the block names, then calls
  // Loaded on every component read, nested ones first and Instance last. Loaded of Instance is
  // the last step: it may free Instance.
  void ReadComponent(TComponent* Instance);

  // The stream itself, for objects that read their own lines with routines of their own; what is
  // read through it is not counted in LineNumber.
  std::istream& Stream() noexcept { return FStream; }

  void DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                      const TWriterProc& WriteData, bool HasData) override;

  // The number of the line read last (1-based; 0 before the first).
  int LineNumber() const noexcept { return FLineNumber; }

  // The text of a quoted string that fills Text entirely; false when Text is not one.
  static bool TryUnquoteString(std::string_view Text, std::string& Value);

 private:
  // A custom property read from the block, waiting for its object to declare it.
  struct TCustomProperty {
    std::string Name;
    std::string Lines;  // the list's lines, without the closing ")"
    int FirstLine = 0;  // the number of the line before the first of Lines
    bool Read = false;
  };

  // The next line that is not blank, without indentation and line end; raises at the stream end.
  std::string NextLine();
  [[noreturn]] void Error(std::string_view What) const;
  void ReadBlock(TObject* Obj, std::vector<TComponent*>& Loaded);
  void ReadProperty(TObject* Obj, const TClassInfo& Info, std::string_view Line,
                    std::vector<TComponent*>& Loaded);
  // Reads the lines of the list Name up to its closing ")" and hands them to Obj.
  void ReadCustomProperty(TObject* Obj, const std::string& Name);
  // Checks an "object [Name:] Class" header against Obj and names a component.
  void ReadHeader(TObject* Obj, std::string_view Header);

  std::istream& FStream;
  int FLineNumber = 0;
  TCustomProperty* FCustom = nullptr;  // while DefineProperties runs for a list read
  // A reader over a custom property's list: the list's name and the line that closes it.
  std::string FListName;
  int FListEnd = 0;
};

}  // namespace norvale
