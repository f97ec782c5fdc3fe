#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/core/BindingInfo.h"
#include "engine/core/IEHelpers.h"

namespace norvale {

enum THue { huRed, huGreen, huBlue };
NORVALE_ENUM(THue, "huRed", "huGreen", "huBlue")

namespace {

// --- text -----------------------------------------------------------------------------------

TEST(Helpers, TextScanning) {
  struct Case {
    const char* Text;
    const char* Chars;
    int Position;
    const char* Filtered;
  };
  const Case Cases[] = {
      {"abc", "xc", 3, "ab"}, {"abc", "xyz", 0, "abc"}, {"abca", "a", 1, "bc"},
      {"abc", "", 0, "abc"},  {"", "a", 0, ""},         {"a-b c-d", "- ", 2, "abcd"},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(std::string(C.Text) + " / " + C.Chars);
    EXPECT_EQ(ContainsCharacters(C.Text, C.Chars), C.Position);
    EXPECT_EQ(StringFilter(C.Text, C.Chars), C.Filtered);
  }
}

TEST(Helpers, IEStringToStringDropsOnlyEnclosingQuotes) {
  const std::pair<const char*, const char*> Cases[] = {
      {"\"", "\""},       {"\"\"", ""},
      {"\"abc\"", "abc"}, {"\"a\\\"b\"", "a\\\"b"},  // nothing inside is unescaped
      {"\"abc", "\"abc"}, {"abc\"", "abc\""},
      {"abc", "abc"},     {"", ""},
  };
  for (auto [Text, Expected] : Cases) EXPECT_EQ(IEStringToString(Text), Expected) << Text;
}

TEST(Helpers, FloatEqualsIncludesBothBoundsInEveryPrecision) {
  struct Case {
    double A, B;
    bool Equal;
  };
  const Case Cases[] = {
      {1.00005, 1.0, true}, {0.99995, 1.0, true},   {1.0002, 1.0, false}, {0.9998, 1.0, false},
      {2.5, 2.5, true},     {-3.0, -3.00009, true}, {0.0001, 0.0, true},  {-0.0001, 0.0, true},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(std::to_string(C.A) + " vs " + std::to_string(C.B));
    EXPECT_EQ(FloatEquals(C.A, C.B), C.Equal);
    EXPECT_EQ(FloatEquals(static_cast<float>(C.A), static_cast<float>(C.B)), C.Equal);
    EXPECT_EQ(FloatEquals(static_cast<long double>(C.A), static_cast<long double>(C.B)), C.Equal);
  }
  EXPECT_FALSE(FloatEquals(std::nextafter(0.0001, 1.0), 0.0));
}

// --- enumeration sets -----------------------------------------------------------------------

const TEnumInfo& IETypeInfo() { return TEnumTraits<TIEType>::Info(); }

// An enumeration with more values than a set of 32 bits holds.
const TEnumInfo& WideInfo() {
  static const TEnumInfo Info = [] {
    TEnumInfo I{"TWide", {}};
    for (int N = 0; N < 40; ++N) I.Names.push_back("wv" + std::to_string(N));
    return I;
  }();
  return Info;
}

TEST(Helpers, SetToStringListsNamesInOrdinalOrder) {
  EXPECT_EQ(SetToString(TIETypes{dtAtom, dtString}, ", ", true), "[Atom, String]");
  EXPECT_EQ(SetToString(TIETypes{dtString, dtAtom, dtFloat}, ",", false), "Atom,String,Float");
  EXPECT_EQ(SetToString(TIETypes{}, ", ", true), "[]");
  EXPECT_EQ(SetToString(TIETypes{}, ", ", false), "");

  const uint64_t Bits = TIETypes{dtNone, dtMultiSlot}.Bits();
  EXPECT_EQ(SetToString(IETypeInfo(), Bits, "|", 0, false), "dtNone|dtMultiSlot");
  EXPECT_EQ(SetToString(IETypeInfo(), Bits, "|", -1, true), "[dtNone|dtMultiSlot]");
  EXPECT_EQ(SetToString(IETypeInfo(), Bits, "|", 7, false), "|Slot");
  // Only ordinals 0 to 31 are printed.
  EXPECT_EQ(SetToString(WideInfo(), (uint64_t{1} << 31) | (uint64_t{1} << 35), ",", 2, false),
            "31");
}

std::string InvalidItemOf(const std::function<void()>& F) {
  try {
    F();
  } catch (const EIEException& E) {
    return "<EIEException> " + E.Message();
  } catch (const Exception& E) {
    return E.Message();
  }
  return "<no exception>";
}

TEST(Helpers, StringToSetReadsNamesWithAnOptionalPrefix) {
  const uint64_t AtomString = TIETypes{dtAtom, dtString}.Bits();
  struct Case {
    const char* Text;
    const char* Prefix;
    uint64_t Bits;
  };
  const Case Cases[] = {
      {"[dtAtom, dtString]", "", AtomString},
      {"[Atom,String]", "dt", AtomString},
      {"  string  atom ", "DT", AtomString},
      {"[,Atom,,]", "dt", TIETypes{dtAtom}.Bits()},
      {"[]", "dt", 0},
      {"   ", "dt", 0},
      {"", "", 0},
  };
  for (const Case& C : Cases)
    EXPECT_EQ(StringToSet(C.Text, IETypeInfo(), C.Prefix), C.Bits) << C.Text;

  // Values above 31 set nothing.
  EXPECT_EQ(StringToSet("[wv1, wv35]", WideInfo(), ""), uint64_t{2});

  // What SetToString prints, StringToSet reads back.
  const uint64_t Many = TIETypes{dtNone, dtFloat, dtFuzzy, dtMultiSlot}.Bits();
  EXPECT_EQ(StringToSet(SetToString(IETypeInfo(), Many, ", ", 2, true), IETypeInfo(), "dt"), Many);
}

TEST(Helpers, StringToSetRejectsUnknownItemsWithThePlainException) {
  const std::pair<const char*, const char*> Cases[] = {
      {"[Atom, Bogus]", "Invalid item for set: dtBogus"},
      {"[Atom, q]", "Invalid item for set: dtq"},
      {"[Atom,q", "Invalid item for set: dtq"},
      {"q", "Invalid item for set: dtq"},
      {"[Atom, dtString]", "Invalid item for set: dtdtString"},
  };
  for (auto [Text, Message] : Cases)
    EXPECT_EQ(InvalidItemOf([&] { StringToSet(Text, IETypeInfo(), "dt"); }), Message) << Text;
}

// --- argument synopsis ----------------------------------------------------------------------

TEST(Helpers, CreateArgumentExpressions) {
  struct Case {
    const char* S;
    int Min, Max, Limit;
    const char* Expected;
  };
  const Case Cases[] = {
      {"", 1, 3, 10, "<expression>[ <expression>[ <expression>]]"},
      {"<a> <b> <c>", 2, 3, 10, "<a> <b>[ <c>]"},
      {"<x>", 0, 1, 10, "[ <x>]"},
      {"<a> <b> <c>", 3, 2, 10, ""},
      {"<a>", 0, 0, 10, ""},
      {"<a>", 1, 1, 10, "<a>"},
      {"<a>* <b>", 1, 2, 10, "<a>[ <b>]"},                   // text between groups is dropped
      {"<a>", 2, 3, 10, "<a> <expression>[ <expression>]"},  // fewer groups than arguments
      {"<a> <b", 2, 2, 10, "<a> <expression>"},              // an unclosed group
      {"<a> <b> <c>", 1, 5, 2, "<a>[ <b>[]]"},               // cut at the limit
      {"<integer>", 0, 2, 10, "[ <integer>[ <expression>]]"},
  };
  for (const Case& C : Cases)
    EXPECT_EQ(CreateArgumentExpressions(C.S, C.Min, C.Max, C.Limit), C.Expected)
        << C.S << " " << C.Min << ".." << C.Max;
}

// --- components and events ------------------------------------------------------------------

using TCountEvent = TEvent<TObject*, int>;
using TTextEvent = TEvent<TObject*, const std::string&>;

class TSource : public TComponent {
 public:
  explicit TSource(TComponent* Owner) : TComponent(Owner) {}
  TNotifyEvent OnChange;
  TNotifyEvent OnDone;
  TCountEvent OnCount;
  TNotifyEvent OnOnlyHere;
};

// Unrelated to TSource: shares OnChange and OnDone, has OnCount with another type.
class TSink : public TComponent {
 public:
  explicit TSink(TComponent* Owner) : TComponent(Owner) {}
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& V) { FCaption = V; }
  TNotifyEvent OnChange;
  TTextEvent OnCount;
  TNotifyEvent OnOnlyThere;
  TNotifyEvent OnDone;

 private:
  std::string FCaption;
};

class TSinkChild : public TSink {
 public:
  using TSink::TSink;
};

const bool EventClassesRegistered = (RegisterClass<TSource, TComponent>("TSource")
                                         .Event("OnChange", &TSource::OnChange, "TNotifyEvent")
                                         .Event("OnDone", &TSource::OnDone, "TNotifyEvent")
                                         .Event("OnCount", &TSource::OnCount, "TCountEvent")
                                         .Event("OnOnlyHere", &TSource::OnOnlyHere, "TNotifyEvent"),
                                     RegisterClass<TSink, TComponent>("TSink")
                                         .Property("Caption", &TSink::Caption, &TSink::SetCaption)
                                         .Event("OnChange", &TSink::OnChange, "TNotifyEvent")
                                         .Event("OnCount", &TSink::OnCount, "TTextEvent")
                                         .Event("OnOnlyThere", &TSink::OnOnlyThere, "TNotifyEvent")
                                         .Event("OnDone", &TSink::OnDone, "TNotifyEvent"),
                                     RegisterClass<TSinkChild, TSink>("TSinkChild"), true);

TEST(Helpers, SwapEventsExchangesSharedEventsOfTheSameType) {
  TSource* A = NewObject<TSource>(nullptr);
  TSinkChild* B = NewObject<TSinkChild>(nullptr);  // its events are inherited
  std::vector<std::string> Log;
  auto Note = [&](const char* What) { return [&Log, What](TObject*) { Log.push_back(What); }; };
  A->OnChange = Note("A.change");
  A->OnCount = [&](TObject*, int) { Log.push_back("A.count"); };
  A->OnOnlyHere = Note("A.only");
  B->OnDone = Note("B.done");
  B->OnCount = [&](TObject*, const std::string&) { Log.push_back("B.count"); };
  B->OnOnlyThere = Note("B.only");

  SwapEvents(A, B);
  EXPECT_FALSE(A->OnChange.Assigned());
  B->OnChange(B);
  A->OnDone(A);
  EXPECT_FALSE(B->OnDone.Assigned());
  A->OnCount(A, 1);  // another type: stays
  B->OnCount(B, "x");
  A->OnOnlyHere(A);  // on one side only: stays
  B->OnOnlyThere(B);
  EXPECT_EQ(Log, (std::vector<std::string>{"A.change", "B.done", "A.count", "B.count", "A.only",
                                           "B.only"}));

  SwapEvents(B, A);  // and back, from the other side
  EXPECT_TRUE(A->OnChange.Assigned());
  EXPECT_TRUE(B->OnDone.Assigned());
  EXPECT_FALSE(A->OnDone.Assigned());

  // An object without a registered class has no published events.
  TComponent* Plain = NewObject<TComponent>(nullptr);
  SwapEvents(A, Plain);
  EXPECT_TRUE(A->OnChange.Assigned());
  Free(Plain);
  Free(A);
  Free(B);
}

TEST(Helpers, FindComponentTypeTakesTheFirstInstanceOrDescendant) {
  TComponent* Owner = NewObject<TComponent>(nullptr);
  NewObject<TComponent>(Owner);
  TSinkChild* Child = NewObject<TSinkChild>(Owner);
  TSink* Sink = NewObject<TSink>(Owner);

  EXPECT_EQ(FindComponentType<TSink>(Owner), Child);
  EXPECT_EQ(FindComponentType<TSinkChild>(Owner), Child);
  EXPECT_EQ(FindComponentType<TSource>(Owner), nullptr);
  EXPECT_EQ(FindComponentType<TSink>(nullptr), nullptr);

  auto& Registry = TClassRegistry::Instance();
  EXPECT_EQ(FindComponentType(Owner, Registry.Find("TSink")), Child);
  EXPECT_EQ(FindComponentType(Owner, Registry.Find("TSource")), nullptr);
  EXPECT_EQ(FindComponentType(Owner, nullptr), nullptr);
  Free(Child);
  EXPECT_EQ(FindComponentType(Owner, Registry.Find("TSink")), Sink);
  Free(Owner);
}

struct TMenuEntry : IMenuItem {
  TMenuEntry(bool IsShown = true, bool IsLine = false) : Shown(IsShown), Separator(IsLine) {}
  bool Shown;
  bool Separator;
  std::vector<TMenuEntry> Children;
  int Count() const override { return static_cast<int>(Children.size()); }
  const IMenuItem* Items(int Index) const override { return &Children[Index]; }
  bool Visible() const override { return Shown; }
  bool IsSeparator() const override { return Separator; }
};

TEST(Helpers, IsSubmenuVisibleNeedsAVisibleNonSeparatorChild) {
  const TMenuEntry Hidden(false), Line(true, true), Item;
  struct Case {
    const char* Name;
    std::vector<TMenuEntry> Children;
    bool Visible;
  };
  const Case Cases[] = {
      {"no children", {}, false},
      {"separators and hidden items", {Line, Hidden, Line}, false},
      {"one visible item", {Hidden, Line, Item}, true},
  };
  for (const Case& C : Cases) {
    TMenuEntry Menu;
    Menu.Children = C.Children;
    EXPECT_EQ(IsSubmenuVisible(Menu), C.Visible) << C.Name;
  }
}

// --- streaming persistent objects -----------------------------------------------------------

class TPart : public TPersistent {
 public:
  int Size() const { return FSize; }
  void SetSize(int V) { FSize = V; }
  const std::string& Label() const { return FLabel; }
  void SetLabel(const std::string& V) { FLabel = V; }
  void Assign(TPersistent* Source) override {
    if (auto* P = dynamic_cast<TPart*>(Source)) {
      FSize = P->FSize;
      FLabel = P->FLabel;
      return;
    }
    TPersistent::Assign(Source);
  }

 private:
  int FSize = 0;
  std::string FLabel;
};

// Owns its part, which the stream carries as a nested block.
class TSettings : public TPersistent {
 public:
  TSettings() : FPart(NewObject<TPart>()) {}
  ~TSettings() override { Free(FPart); }
  int Count() const { return FCount; }
  void SetCount(int V) { FCount = V; }
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& V) { FCaption = V; }
  THue Hue() const { return FHue; }
  void SetHue(THue V) { FHue = V; }
  TSet<THue> Hues() const { return FHues; }
  void SetHues(TSet<THue> V) { FHues = V; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool V) { FEnabled = V; }
  double Ratio() const { return FRatio; }
  void SetRatio(double V) { FRatio = V; }
  TPart* Part() const { return FPart; }
  void SetPart(TPart* V) { FPart->Assign(V); }
  int Version() const { return 3; }
  TNotifyEvent OnChange;

 private:
  int FCount = 0;
  std::string FCaption;
  THue FHue = huRed;
  TSet<THue> FHues;
  bool FEnabled = true;
  double FRatio = 0;
  TPart* FPart;
};

// A counted class: ReadPersistent hands out one reference.
class TCountedNote : public TInterfacedPersistent {
 public:
  const std::string& Text() const { return FText; }
  void SetText(const std::string& V) { FText = V; }

 private:
  std::string FText;
};

const bool StreamClassesRegistered =
    (RegisterClass<TPart, TPersistent>("TPart")
         .Property("Size", &TPart::Size, &TPart::SetSize)
         .Property("Label", &TPart::Label, &TPart::SetLabel),
     RegisterClass<TSettings, TPersistent>("TSettings")
         .Property("Count", &TSettings::Count, &TSettings::SetCount, 0)
         .Property("Caption", &TSettings::Caption, &TSettings::SetCaption)
         .Property("Hue", &TSettings::Hue, &TSettings::SetHue, huRed)
         .Property("Hues", &TSettings::Hues, &TSettings::SetHues)
         .Property("Enabled", &TSettings::Enabled, &TSettings::SetEnabled, true)
         .Property("Ratio", &TSettings::Ratio, &TSettings::SetRatio)
         .Property("Part", &TSettings::Part, &TSettings::SetPart)
         .ReadOnly("Version", &TSettings::Version)
         .Event("OnChange", &TSettings::OnChange, "TNotifyEvent"),
     RegisterClass<TCountedNote, TPersistent>("TCountedNote")
         .Property("Text", &TCountedNote::Text, &TCountedNote::SetText),
     true);

std::string Written(TPersistent* Object) {
  std::ostringstream Out;
  TWriter Writer(Out);
  WritePersistent(Writer, Object);
  return Out.str();
}

TPersistent* ReadBack(const std::string& Text) {
  std::istringstream In(Text);
  TReader Reader(In);
  return ReadPersistent(Reader);
}

const std::string AwkwardText =
    std::string("say \"hi\" to C:\\dir\\\nline two\r\n\ttab \x01 nul ") + '\0' +
    " del \x7F utf-8 \xC3\xA9  ";

TEST(Streaming, PersistentObjectRoundTrip) {
  TSettings* S = NewObject<TSettings>();
  S->SetCount(-7);
  S->SetCaption(AwkwardText);
  S->SetHue(huBlue);
  S->SetHues({huRed, huBlue});
  S->SetEnabled(false);
  S->SetRatio(0.1);
  S->Part()->SetSize(3);
  S->Part()->SetLabel("inner \"part\"");
  S->OnChange = [](TObject*) {};

  const std::string Text = Written(S);
  EXPECT_EQ(Text,
            "\"TSettings\"\n"
            "object TOuterComponent\n"
            "  Inner = object TSettings\n"
            "    Count = -7\n"
            "    Caption = \"say \\\"hi\\\" to C:\\\\dir\\\\\\nline two\\r\\n\\ttab \\x01 nul \\x00"
            " del \\x7F utf-8 \xC3\xA9  \"\n"
            "    Hue = huBlue\n"
            "    Hues = [huRed,huBlue]\n"
            "    Enabled = False\n"
            "    Ratio = 0.10000000000000001\n"
            "    Part = object TPart\n"
            "      Size = 3\n"
            "      Label = \"inner \\\"part\\\"\"\n"
            "    end\n"
            "  end\n"
            "end\n");

  TPersistent* Read = ReadBack(Text);
  auto* R = dynamic_cast<TSettings*>(Read);
  ASSERT_NE(R, nullptr);
  EXPECT_EQ(R->Count(), -7);
  EXPECT_EQ(R->Caption(), AwkwardText);
  EXPECT_EQ(R->Hue(), huBlue);
  EXPECT_EQ(R->Hues(), (TSet<THue>{huRed, huBlue}));
  EXPECT_FALSE(R->Enabled());
  EXPECT_EQ(R->Ratio(), 0.1);
  EXPECT_EQ(R->Part()->Size(), 3);
  EXPECT_EQ(R->Part()->Label(), "inner \"part\"");
  EXPECT_FALSE(R->OnChange.Assigned());
  EXPECT_EQ(Written(R), Text);
  Free(R);
  Free(S);
}

TEST(Streaming, DefaultsAreLeftOutAndReadBackAsDefaults) {
  TSettings* S = NewObject<TSettings>();
  const std::string Text = Written(S);
  EXPECT_EQ(Text,
            "\"TSettings\"\n"
            "object TOuterComponent\n"
            "  Inner = object TSettings\n"
            "    Caption = \"\"\n"
            "    Hues = []\n"
            "    Ratio = 0\n"
            "    Part = object TPart\n"
            "      Size = 0\n"
            "      Label = \"\"\n"
            "    end\n"
            "  end\n"
            "end\n");
  // What the stream leaves out reads back as the fresh instance's defaults.
  auto* R = static_cast<TSettings*>(ReadBack(Text));
  EXPECT_EQ(R->Count(), 0);
  EXPECT_TRUE(R->Enabled());
  EXPECT_EQ(R->Hue(), huRed);
  Free(R);
  Free(S);
}

TEST(Streaming, ReadsEngineCountedAndComponentClasses) {
  TBindingInfo Binding(2, "colour", 1);
  auto* B = dynamic_cast<TBindingInfo*>(ReadBack(Written(&Binding)));
  ASSERT_NE(B, nullptr);
  EXPECT_TRUE(B->Equals(&Binding));
  Free(B);

  Ref<TCountedNote> Note = NewRef<TCountedNote>();
  Note->SetText("counted");
  auto Copy = Ref<TCountedNote>::Adopt(dynamic_cast<TCountedNote*>(ReadBack(Written(Note.Get()))));
  ASSERT_TRUE(Copy);
  EXPECT_EQ(Copy->RefCount(), 1);
  EXPECT_EQ(Copy->Text(), "counted");

  TComponent* Owner = NewObject<TComponent>(nullptr);
  TSink* Sink = NewObject<TSink>(Owner);  // owned elsewhere: written all the same
  Sink->SetName("Sink1");
  Sink->SetCaption("cap");
  const std::string Text = Written(Sink);
  EXPECT_NE(Text.find("  Inner = object Sink1: TSink\n    Caption = \"cap\"\n  end\n"),
            std::string::npos)
      << Text;
  auto* Read = dynamic_cast<TSink*>(ReadBack(Text));
  ASSERT_NE(Read, nullptr);
  EXPECT_EQ(Read->Name(), "Sink1");
  EXPECT_EQ(Read->Caption(), "cap");
  EXPECT_EQ(Read->Owner(), nullptr);
  EXPECT_FALSE(Read->ComponentState().Contains(csLoading));
  Free(Read);
  Free(Owner);
}

TEST(Streaming, FloatsReadBackExactly) {
  for (double Ratio : {1.0 / 3.0, -1e-300, 6.02214076e23, HUGE_VAL, -HUGE_VAL}) {
    SCOPED_TRACE(Ratio);
    TSettings* S = NewObject<TSettings>();
    S->SetRatio(Ratio);
    auto* R = static_cast<TSettings*>(ReadBack(Written(S)));
    EXPECT_EQ(R->Ratio(), Ratio);
    Free(R);
    Free(S);
  }
}

TEST(Streaming, ReaderAcceptsIndentationBlankLinesAndCRLF) {
  auto* R = static_cast<TSettings*>(
      ReadBack("\r\n\"TSettings\"\r\n   object TOuterComponent\r\n\r\nInner = object TSettings\r\n"
               "count=12\r\n  Caption =\"a\\x41\"  \r\n hues = [ huGreen ]\r\n end\r\nend\r\n"));
  EXPECT_EQ(R->Count(), 12);
  EXPECT_EQ(R->Caption(), "aA");
  EXPECT_EQ(R->Hues(), TSet<THue>{huGreen});
  Free(R);
}

std::string ReadError(const std::string& Text) {
  try {
    Free(ReadBack(Text));
  } catch (const EStreamError& E) {
    return E.Message();
  }
  return "<no stream error>";
}

TEST(Streaming, MalformedStreamsNameTheLine) {
  const std::string Head = "\"TSettings\"\nobject TOuterComponent\n  Inner = object TSettings\n";
  struct Case {
    std::string Text;
    const char* Message;
  };
  const Case Cases[] = {
      {Head + "    Colour = 3\n", "Invalid stream at line 4: unknown property Colour"},
      {Head + "    OnChange = 3\n", "Invalid stream at line 4: unknown property OnChange"},
      {Head + "    Version = 4\n", "Invalid stream at line 4: property Version is read-only"},
      {Head + "    Count = seven\n", "Invalid stream at line 4: invalid value for Count: seven"},
      {Head + "    Hue = huPurple\n", "Invalid stream at line 4: invalid value for Hue: huPurple"},
      {Head + "    Caption = plain\n", "Invalid stream at line 4: invalid string for Caption"},
      {Head + "    Caption = \"open\n", "Invalid stream at line 4: invalid string for Caption"},
      {Head + "    Caption = \"a\" b\n", "Invalid stream at line 4: invalid string for Caption"},
      {Head + "    Caption = \"\\q\"\n", "Invalid stream at line 4: invalid string for Caption"},
      {Head + "    Caption = \"\\x4\"\n", "Invalid stream at line 4: invalid string for Caption"},
      {Head + "    Count\n", "Invalid stream at line 4: property or end expected"},
      {Head + "    Part = object TSettings\n",
       "Invalid stream at line 4: a TPart cannot be read as a TSettings"},
      {Head + "    Part = thing\n", "Invalid stream at line 4: object expected"},
      {Head + "    Count = 1\n\n", "Invalid stream at line 5: unexpected end of stream"},
      {"TSettings\n", "Invalid stream at line 1: string expected"},
      {"\"TSettings\"\nobjects TOuterComponent\n", "Invalid stream at line 2: object expected"},
      {"\"TSettings\"\nobject TSettings\n",
       "Invalid stream at line 2: a TOuterComponent cannot be read as a TSettings"},
      {"\"TSettings\"\nobject TOuterComponent\n  Inner = object X: TSettings\n",
       "Invalid stream at line 3: a TSettings has no name"},
  };
  for (const Case& C : Cases) EXPECT_EQ(ReadError(C.Text), C.Message) << C.Text;
}

TEST(Streaming, UnknownClassNamesRaiseClassNotFound) {
  const std::pair<const char*, const char*> Cases[] = {
      {"\"TNoSuchClass\"\nobject TOuterComponent\nend\n", "Class TNoSuchClass not found"},
      {"\"TSettings\"\nobject TOuterComponent\n  Inner = object TNoSuchPart\n",
       "Class TNoSuchPart not found"},
  };
  for (auto [Text, Message] : Cases) {
    try {
      Free(ReadBack(Text));
      ADD_FAILURE() << "no exception for " << Text;
    } catch (const EClassNotFound& E) {
      EXPECT_EQ(E.Message(), std::string(Message));
    }
  }
  // Nor can an object of an unregistered class be written.
  TPersistent* Plain = NewObject<TPersistent>();
  EXPECT_THROW(Written(Plain), EClassNotFound);
  Free(Plain);
}

TEST(Streaming, AClassPropertyHoldingNilIsNotWrittenAndCannotBeReadInto) {
  TOuterComponent* Outer = NewObject<TOuterComponent>(nullptr);
  std::ostringstream Out;
  TWriter(Out).WriteComponent(Outer);
  EXPECT_EQ(Out.str(), "object TOuterComponent\nend\n");

  std::istringstream In("object TOuterComponent\n  Inner = object TSettings\n  end\nend\n");
  try {
    TReader(In).ReadComponent(Outer);
    ADD_FAILURE() << "no exception";
  } catch (const EStreamError& E) {
    EXPECT_STREQ(E.what(), "Invalid stream at line 2: property Inner holds no object to read into");
  }
  Free(Outer);
}

// A reference back to an enclosing object is not written again.
class TLoop : public TPersistent {
 public:
  TLoop* Back() const { return FBack; }
  void SetBack(TLoop* V) { FBack = V; }
  TLoop* FBack = nullptr;
};
const bool LoopRegistered =
    (RegisterClass<TLoop, TPersistent>("TLoop").Property("Back", &TLoop::Back, &TLoop::SetBack),
     true);

TEST(Streaming, BackReferencesAreNotFollowed) {
  TLoop* A = NewObject<TLoop>();
  TLoop* B = NewObject<TLoop>();
  A->FBack = B;
  B->FBack = A;
  EXPECT_EQ(Written(A),
            "\"TLoop\"\nobject TOuterComponent\n  Inner = object TLoop\n    Back = object TLoop\n"
            "    end\n  end\nend\n");
  Free(A);
  Free(B);
}

}  // namespace
}  // namespace norvale
