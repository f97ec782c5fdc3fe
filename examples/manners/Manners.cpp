// Seats a party of guests with the seating rule program and checks the result.
//
//   manners [--rules] [--file program.clp] [guests]
//
// guests is the number of guests: even, from 2 to 256; 8 when not given. --rules prints the rule
// program (in the knowledge language's defrule form) before the run. --file reads the templates
// and rules from a knowledge-language file (examples/manners/manners.clp is the same program)
// instead of building them through the C++ API.
//
// Prints the program's console output, the seating and the number of rules fired. Exits with 0
// for a valid seating, 1 when the seating is wrong or the run failed, 2 for a bad argument.
#include <cctype>
#include <charconv>
#include <exception>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>

#include "examples/manners/MannersProgram.h"

namespace {

constexpr int DefaultGuests = 8;

// The engine ends its lines with CR LF; the terminal gets plain line feeds.
void WriteConsole(std::string_view Text) {
  for (char C : Text)
    if (C != '\r') std::cout << C;
}

// Text followed by spaces up to Width characters, and one space at least.
std::string Column(const std::string& Text, size_t Width) {
  return Text + std::string(Text.size() < Width ? Width - Text.size() : 1, ' ');
}

bool ParseCount(std::string_view Text, int& Count) {
  const char* End = Text.data() + Text.size();
  auto [Ptr, Error] = std::from_chars(Text.data(), End, Count);
  return Error == std::errc() && Ptr == End;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace norvale;
  const std::string Usage =
      "usage: manners [--rules] [--file program.clp] [guests]   (guests: an even number from 2 to " +
      std::to_string(MannersMaxGuests) + ", default " + std::to_string(DefaultGuests) + ")";
  int Count = DefaultGuests;
  bool PrintRules = false, CountGiven = false;
  std::string KnowledgeFile;
  for (int I = 1; I < argc; ++I) {
    const std::string_view Arg = argv[I];
    if (Arg == "-h" || Arg == "--help") {
      std::cout << Usage << "\n";
      return 0;
    }
    if (Arg == "--rules") {
      PrintRules = true;
      continue;
    }
    if (Arg == "--file") {
      if (I + 1 >= argc) {
        std::cerr << "manners: --file needs a file name\n" << Usage << "\n";
        return 2;
      }
      KnowledgeFile = argv[++I];
      continue;
    }
    if (CountGiven ||
        (Arg.size() > 1 && Arg[0] == '-' && !std::isdigit(static_cast<unsigned char>(Arg[1])))) {
      std::cerr << "manners: unexpected argument \"" << Arg << "\"\n" << Usage << "\n";
      return 2;
    }
    if (!ParseCount(Arg, Count) || Count < 2 || Count > MannersMaxGuests || Count % 2 != 0) {
      std::cerr << "manners: the number of guests must be an even number from 2 to "
                << MannersMaxGuests << ", not \"" << Arg << "\"\n"
                << Usage << "\n";
      return 2;
    }
    CountGiven = true;
  }

  try {
    TMannersProgram Program = KnowledgeFile.empty()
                                  ? TMannersProgram(MakeMannersGuests(Count))
                                  : TMannersProgram(MakeMannersGuests(Count), KnowledgeFile);
    Program.Engine()->OnPrintOut = [](TObject*, const std::string&, const std::string& Text) {
      WriteConsole(Text);
    };
    if (PrintRules)
      for (TRule* R : Program.Engine()->Rules().Rules())
        WriteConsole(Program.Engine()->PrettyPrint(*R) + NewLineString);
    std::cout << "Seating " << Count << " guests\n";
    const int Fired = Program.Run();

    std::cout << "\nseat  guest  sex  hobbies\n";
    for (const TMannersSeat& S : Program.Seating()) {
      std::string Sex = "?", Hobbies;
      for (const TMannersGuest& G : Program.Guests())
        if (G.Name == S.Name) {
          Sex = G.Sex;
          for (int H : G.Hobbies) Hobbies += (Hobbies.empty() ? "" : " ") + std::to_string(H);
        }
      std::cout << Column(std::to_string(S.Seat), 6) << Column(S.Name, 7) << Column(Sex, 5)
                << Hobbies << "\n";
    }
    std::cout << "\nRules fired: " << Fired << "\n";

    const std::vector<std::string> Problems = Program.Problems();
    if (!Problems.empty()) {
      std::cerr << "manners: the seating is not valid:\n";
      for (const std::string& P : Problems) std::cerr << "  " << P << "\n";
      return 1;
    }
    std::cout << "The seating is valid: sexes alternate and neighbours share a hobby.\n";
    return 0;
  } catch (const std::exception& E) {
    std::cerr << "manners: " << E.what() << "\n";
    return 1;
  }
}
