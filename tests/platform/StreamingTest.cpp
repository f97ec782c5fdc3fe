// Custom stored properties: data an object writes and reads itself inside its object block.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/Streaming.h"
#include "platform/TypeInfo.h"

namespace norvale {
namespace {

// A component with one published property and two custom ones: a list of words with counts,
// and a list of child components written as nested blocks.
class TShelf : public TComponent {
 public:
  using TComponent::TComponent;
  const std::string& Title() const noexcept { return FTitle; }
  void SetTitle(const std::string& Value) { FTitle = Value; }

  std::vector<std::pair<std::string, int64_t>> Words;
  std::vector<std::string> Notes;  // raw lines
  std::vector<TShelf*> Children;   // owned, streamed as nested blocks

  void DefineProperties(TFiler& Filer) override {
    TComponent::DefineProperties(Filer);
    Filer.DefineProperty(
        "Words",
        [this](TReader& R) {
          Words.clear();
          while (!R.EndOfList()) {
            std::string W = R.ReadString();
            Words.emplace_back(W, R.ReadInteger());
          }
        },
        [this](TWriter& W) {
          for (auto& [Word, Count] : Words) {
            W.WriteString(Word);
            W.WriteInteger(Count);
          }
        },
        !Words.empty());
    Filer.DefineProperty(
        "Notes",
        [this](TReader& R) {
          while (!R.EndOfList()) Notes.push_back(R.ReadRawLine());
        },
        [this](TWriter& W) {
          for (auto& N : Notes) W.WriteRawLine(N);
        },
        !Notes.empty());
    Filer.DefineProperty(
        "Children",
        [this](TReader& R) {
          while (!R.EndOfList()) {
            auto* C = NewObject<TShelf>(this);
            Children.push_back(C);
            R.ReadComponent(C);
          }
        },
        [this](TWriter& W) {
          for (TShelf* C : Children) W.WriteComponent(C);
        },
        !Children.empty());
  }

 private:
  std::string FTitle;
};

const bool ShelfRegistered = (RegisterClass<TShelf, TComponent>("TShelf").Property(
                                  "Title", &TShelf::Title, &TShelf::SetTitle, std::string()),
                              true);

std::string Written(TComponent* C) {
  std::ostringstream Out;
  TWriter(Out).WriteComponent(C);
  return Out.str();
}

const char* const ShelfText =
    "object TShelf\n"
    "  Title = \"top\"\n"
    "  Words = (\n"
    "    \"a \\\"b\\\"\"\n"
    "    -3\n"
    "    \"\"\n"
    "    0\n"
    "  )\n"
    "  Notes = (\n"
    "    x = 1\n"
    "    (not a list)\n"
    "  )\n"
    "  Children = (\n"
    "    object TShelf\n"
    "      Title = \"inner\"\n"
    "      Words = (\n"
    "        \"w\"\n"
    "        7\n"
    "      )\n"
    "    end\n"
    "    object TShelf\n"
    "    end\n"
    "  )\n"
    "end\n";

TEST(StreamingCustomProperties, WrittenAfterThePublishedOnesAndReadBack) {
  TShelf* Shelf = NewObject<TShelf>(nullptr);
  Shelf->SetTitle("top");
  Shelf->Words = {{"a \"b\"", -3}, {"", 0}};
  Shelf->Notes = {"x = 1", "(not a list)"};
  Shelf->Children = {NewObject<TShelf>(Shelf), NewObject<TShelf>(Shelf)};
  Shelf->Children[0]->SetTitle("inner");
  Shelf->Children[0]->Words = {{"w", 7}};
  EXPECT_EQ(Written(Shelf), ShelfText);

  // Read back, with blank lines and CR LF line ends in between.
  std::string Text = ShelfText;
  for (size_t At = Text.find('\n'); At != std::string::npos; At = Text.find('\n', At + 3))
    Text.replace(At, 1, "\r\n");
  Text.insert(Text.find("    -3"), "\r\n  \r\n");
  TShelf* Back = NewObject<TShelf>(nullptr);
  std::istringstream In(Text);
  TReader(In).ReadComponent(Back);
  EXPECT_EQ(Written(Back), ShelfText);
  Free(Shelf);
  Free(Back);

  // Nothing to store writes nothing.
  TShelf* Empty = NewObject<TShelf>(nullptr);
  EXPECT_EQ(Written(Empty), "object TShelf\nend\n");
  Free(Empty);
}

TEST(StreamingCustomProperties, MalformedListsAreRefused) {
  struct {
    const char* Text;
    const char* Message;
  } Cases[] = {
      {"object TShelf\n  Shelves = (\n  )\nend\n",
       "Invalid stream at line 2: unknown property Shelves"},
      {"object TShelf\n  Words = (\n    \"a\"\n    1\n    \"b\"\n  )\nend\n",
       "Invalid stream at line 6: unexpected end of Words"},
      {"object TShelf\n  Words = (\n    \"a\"\n    one\n  )\nend\n",
       "Invalid stream at line 4: integer expected"},
      {"object TShelf\n  Words = (\n    \"a\"\n    1\n",
       "Invalid stream at line 4: \")\" expected to close Words"},
      {"object TShelf\n  Children = (\n    object TShelf\n    end\n    junk\n  )\nend\n",
       "Invalid stream at line 5: object expected"},
  };
  for (const auto& C : Cases) {
    TShelf* Shelf = NewObject<TShelf>(nullptr);
    std::istringstream In(C.Text);
    std::string Message = "<no exception>";
    try {
      TReader(In).ReadComponent(Shelf);
    } catch (const EStreamError& E) {
      Message = E.Message();
    }
    EXPECT_EQ(Message, C.Message) << C.Text;
    Free(Shelf);
  }
}

TEST(StreamingCustomProperties, ARawLineMustNotLookLikeAListBracket) {
  for (const char* Line : {")", "  )  ", "x = (", "", "   ", "two\nlines"}) {
    TShelf* Shelf = NewObject<TShelf>(nullptr);
    Shelf->Notes = {Line};
    EXPECT_THROW(Written(Shelf), EStreamError) << Line;
    Free(Shelf);
  }
}

}  // namespace
}  // namespace norvale
