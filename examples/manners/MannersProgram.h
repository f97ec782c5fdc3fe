// The seating problem ("manners") as a rule program built through the C++ API: guests sit in a
// row so that men and women alternate and every two neighbours share a hobby. The rules search
// depth first: each seating extends an earlier one by one guest and carries its own path (who
// sits where so far); a choice that leads nowhere is not repeated from the same seating.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/engine/InferenceEngine.h"

namespace norvale {

struct TMannersGuest {
  std::string Name;
  std::string Sex;  // "m" or "f"
  std::vector<int> Hobbies;
};

struct TMannersSeat {
  int Seat = 0;
  std::string Name;
};

// The largest guest list MakeMannersGuests makes. The paths grow with the square of the count and
// the matching of a step with the seatings made so far: a run of this size takes minutes.
inline constexpr int MannersMaxGuests = 256;

// Count guests n1, n2, ..., half of them men and half women in an order drawn from Seed, each
// with two or three of the hobbies 1, 2 and 3 (so any two guests share one). Count must be even
// and from 2 to MannersMaxGuests: std::invalid_argument otherwise.
std::vector<TMannersGuest> MakeMannersGuests(int Count, uint32_t Seed = 1);

// Owns an engine holding the program: the templates, the host functions, the rules and a fact
// set with the guests, the number of seats and the starting context. The same program as text is
// examples/manners/manners.clp.
class TMannersProgram {
 public:
  explicit TMannersProgram(const std::vector<TMannersGuest>& Guests);
  // The same with the templates and rules read from a knowledge-language file (LoadFromFile)
  // instead of built through the C++ API; the guests are facts of a fact set as before.
  TMannersProgram(const std::vector<TMannersGuest>& Guests, const std::string& KnowledgeFile);
  ~TMannersProgram();
  TMannersProgram(const TMannersProgram&) = delete;
  TMannersProgram& operator=(const TMannersProgram&) = delete;

  // For the host's events (OnPrintOut, watching) and statistics.
  TInferenceEngine* Engine() const noexcept { return FEngine; }
  const std::vector<TMannersGuest>& Guests() const noexcept { return FGuests; }

  // Reset and Run until the program halts; the number of rules fired.
  int Run();
  // The seats the program reported, in seat order.
  std::vector<TMannersSeat> Seating() const;
  // What is wrong with the reported seating: every guest seated once on seats 1 to N, sexes
  // alternating, neighbours sharing a hobby. Empty when the seating is valid.
  std::vector<std::string> Problems() const;

 private:
  // The host functions; then Build (templates and rules) and the guests' fact set.
  template <class TBuild>
  void Construct(TBuild Build);
  void BuildTemplates();
  void BuildRules();
  void BuildFacts();

  std::vector<TMannersGuest> FGuests;
  std::vector<TMannersSeat> FReported;
  TInferenceEngine* FEngine = nullptr;
};

}  // namespace norvale
