// Free functions shared by the engine, the editors and the design-time tools: text scanning,
// tolerant float comparison, enumeration sets as text, argument synopses, finding components by
// class, exchanging event handlers and streaming any persistent object. The string hash and the
// type names are with the value model (IEValue.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/core/IEConsts.h"
#include "platform/Classes.h"
#include "platform/Streaming.h"
#include "platform/TypeInfo.h"

namespace norvale {

// --- text -----------------------------------------------------------------------------------

// The 1-based position of the first character of Text that occurs in Chars; 0 when none does.
int ContainsCharacters(std::string_view Text, std::string_view Chars);
// Text without any of the characters in Chars.
std::string StringFilter(std::string_view Text, std::string_view Chars);
// Text without its enclosing double quotes when it is longer than one character and both begins
// and ends with one (nothing inside is unescaped); otherwise Text itself.
std::string IEStringToString(std::string_view Text);

// True when B - 0.0001 <= A <= B + 0.0001, computed in the arguments' precision.
bool FloatEquals(float A, float B);
bool FloatEquals(double A, double B);
bool FloatEquals(long double A, long double B);

// --- enumeration sets as text ---------------------------------------------------------------

// The names of the values of Info whose bits (ordinals 0 to 31) are set in Bits, in ascending
// order, joined by Separator; each name loses its first PrefixLength characters when that is
// above 0; enclosed in "[" and "]" when Brackets is set.
std::string SetToString(const TEnumInfo& Info, uint64_t Bits, std::string_view Separator,
                        int PrefixLength, bool Brackets);
// The names of the members of Types without their "dt" prefix: "[Atom, String]".
std::string SetToString(TIETypes Types, std::string_view Separator, bool Brackets);
// The same upper-cased, as messages and printed forms write types: "ATOM, STRING".
std::string IETypeNames(TIETypes Types, std::string_view Separator);
// The bits of the values named in Text, each item being a run of characters other than "[",
// "]", "," and blank, looked up as Prefix + item without regard to case; ordinals above 31 set
// nothing. An item that names no value raises Exception "Invalid item for set: %s" with the
// prefixed item.
uint64_t StringToSet(std::string_view Text, const TEnumInfo& Info, std::string_view Prefix);

// --- argument synopsis ----------------------------------------------------------------------

// The synopsis of a function's arguments from its argument string S (groups written <...>):
// the first MinCount arguments plain, the optional ones in nested square brackets, at most Limit
// arguments; an argument without a group of its own shows as <expression>. Empty when
// MinCount > MaxCount or MaxCount = 0. "<a> <b> <c>", 2, 3 gives "<a> <b>[ <c>]".
std::string CreateArgumentExpressions(std::string_view S, int MinCount, int MaxCount,
                                      int Limit = 10);

// --- components -----------------------------------------------------------------------------

// The first component owned by Owner, in its component order, that is a T or of a class derived
// from T; nil when there is none (or Owner is nil).
template <class T>
T* FindComponentType(const TComponent* Owner) {
  if (!Owner) return nullptr;
  for (int I = 0; I < Owner->ComponentCount(); ++I)
    if (auto* C = dynamic_cast<T*>(Owner->Components(I))) return C;
  return nullptr;
}
// The same for a class known by its registry entry.
TComponent* FindComponentType(const TComponent* Owner, const TClassInfo* ComponentClass);

// A menu entry as the helpers see it, whatever toolkit draws it.
class IMenuItem {
 public:
  virtual ~IMenuItem() = default;
  virtual int Count() const = 0;
  virtual const IMenuItem* Items(int Index) const = 0;
  virtual bool Visible() const = 0;
  virtual bool IsSeparator() const = 0;
};

// True when MenuItem has at least one child that is visible and is not a separator line.
bool IsSubmenuVisible(const IMenuItem& MenuItem);

// Exchanges the handlers of every published event of A's registered class that B's registered
// class publishes under the same name with the same event type. Other events are left alone, as
// are objects without a registered class.
void SwapEvents(TObject* A, TObject* B);

// --- streaming any persistent object --------------------------------------------------------

// Carries a persistent object through a component stream as its property Inner. Loaded (the end
// of reading it) frees the outer component itself.
class TOuterComponent : public TComponent {
 public:
  explicit TOuterComponent(TComponent* Owner) : TComponent(Owner) {}
  TPersistent* Inner() const noexcept { return FInner; }
  void SetInner(TPersistent* Value) noexcept { FInner = Value; }
  void Loaded() override;

 private:
  TPersistent* FInner = nullptr;
};

// Writes Object's registered class name as a string, then a TOuterComponent carrying it, so that
// Object's published properties follow as the nested block of Inner.
void WritePersistent(TWriter& Writer, TPersistent* Object);
// Reads what WritePersistent wrote: a new instance of the named class (EClassNotFound when the
// name is not registered) with its properties read. The caller owns the result; an instance of
// a counted class comes with one reference, which the caller adopts.
TPersistent* ReadPersistent(TReader& Reader);

}  // namespace norvale
