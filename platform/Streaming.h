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
// the property, a bad string, a missing "end" or the end of the stream inside a block.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Classes.h"

namespace norvale {

struct TClassInfo;
struct TPropInfo;

class TWriter {
 public:
  explicit TWriter(std::ostream& Stream) : FStream(Stream) {}

  // One line holding Value as a quoted string.
  void WriteString(std::string_view Value);
  // Component as an object block: its properties, nested persistent objects as nested blocks.
  void WriteComponent(TComponent* Component);

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

class TReader {
 public:
  explicit TReader(std::istream& Stream) : FStream(Stream) {}

  // The next line, which must hold a quoted string.
  std::string ReadString();
  // Reads an object block into Instance, which must be of the class the block names, then calls
  // Loaded on every component read, nested ones first and Instance last. Loaded of Instance is
  // the last step: it may free Instance.
  void ReadComponent(TComponent* Instance);

  // The number of the line read last (1-based; 0 before the first).
  int LineNumber() const noexcept { return FLineNumber; }

  // The text of a quoted string that fills Text entirely; false when Text is not one.
  static bool TryUnquoteString(std::string_view Text, std::string& Value);

 private:
  // The next line that is not blank, without indentation and line end; raises at the stream end.
  std::string NextLine();
  [[noreturn]] void Error(std::string_view What) const;
  void ReadBlock(TObject* Obj, std::vector<TComponent*>& Loaded);
  void ReadProperty(TObject* Obj, const TClassInfo& Info, std::string_view Line,
                    std::vector<TComponent*>& Loaded);
  // Checks an "object [Name:] Class" header against Obj and names a component.
  void ReadHeader(TObject* Obj, std::string_view Header);

  std::istream& FStream;
  int FLineNumber = 0;
};

}  // namespace norvale
