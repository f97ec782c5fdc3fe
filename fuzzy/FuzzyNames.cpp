#include "fuzzy/FuzzyNames.h"

#include "platform/Format.h"

namespace norvale {

namespace {

// Matches Word against the keywords of an enumeration and against its value names, with or
// without the lower-case prefix ("fimMinMax", "MinMax"), which also reads the keywords without
// their hyphens.
template <class E, size_t N>
bool Recognise(std::string_view Word, const std::array<std::string_view, N>& Keywords, E& Value) {
  for (size_t I = 0; I < N; ++I) {
    if (SameText(Word, Keywords[I])) {
      Value = static_cast<E>(I);
      return true;
    }
  }
  const TEnumInfo& Info = TEnumTraits<E>::Info();
  for (int I = 0; I < Info.Count(); ++I) {
    const std::string& Name = Info.NameOf(I);
    size_t Prefix = 0;
    while (Prefix < Name.size() && Name[Prefix] >= 'a' && Name[Prefix] <= 'z') ++Prefix;
    if (SameText(Word, Name) || SameText(Word, std::string_view(Name).substr(Prefix))) {
      Value = static_cast<E>(I);
      return true;
    }
  }
  return false;
}

}  // namespace

bool IsFuzzyCorrelation(std::string_view Word, TFuzzyCorrelationMethod& Method) {
  return Recognise(Word, FuzzyCorrelationNames, Method);
}

bool IsFuzzyInference(std::string_view Word, TFuzzyInferenceMethod& Method) {
  return Recognise(Word, FuzzyInferenceNames, Method);
}

bool IsFuzzyOperation(std::string_view Word, TFuzzyOperation& Operation) {
  return Recognise(Word, FuzzyOperationNames, Operation);
}

bool IsFuzzyHedge(std::string_view Word, TFuzzyHedge& Hedge) {
  for (size_t I = 0; I < FuzzyHedgeNames.size(); ++I) {
    if (SameText(Word, FuzzyHedgeNames[I])) {
      Hedge = static_cast<TFuzzyHedge>(I);
      return true;
    }
  }
  if (SameText(Word, "more-or-less")) {
    Hedge = fhSomewhat;
    return true;
  }
  return false;
}

bool IsFuzzyHedgeOperator(std::string_view Word, TBaseFuzzyHedge& Hedge, bool& Flag) {
  for (size_t I = 0; I < FuzzyHedgeOperatorNames.size(); ++I) {
    if (SameText(Word, FuzzyHedgeOperatorNames[I]) || SameText(Word, FuzzyXHedgeOperatorNames[I])) {
      Hedge = static_cast<TBaseFuzzyHedge>(I);
      Flag = SameText(Word, FuzzyHedgeOperatorNames[I]);
      return true;
    }
  }
  return false;
}

bool IsFuzzyKeyword(std::string_view Word, bool& Union, TFuzzyOperation& Operation) {
  if (SameText(Word, "or") || SameText(Word, "and")) {
    Union = SameText(Word, "or");
    Operation = foZadeh;
    return true;
  }
  for (bool U : {true, false}) {
    std::string_view Head = U ? "or-" : "and-";
    if (Word.size() <= Head.size() || !StartsText(Head, Word)) continue;
    std::string_view Rest = Word.substr(Head.size());
    for (size_t I = 0; I < FuzzyOperationNames.size(); ++I) {
      if (SameText(Rest, FuzzyOperationNames[I])) {
        Union = U;
        Operation = static_cast<TFuzzyOperation>(I);
        return true;
      }
    }
  }
  return false;
}

std::string_view FuzzyHedgeName(TFuzzyHedge Hedge) {
  auto I = static_cast<size_t>(Hedge);
  return I < FuzzyHedgeNames.size() ? FuzzyHedgeNames[I] : std::string_view();
}

std::string_view FuzzyHedgeOperatorName(TBaseFuzzyHedge Hedge, bool Flag) {
  auto I = static_cast<size_t>(Hedge);
  if (I >= FuzzyHedgeOperatorNames.size()) return {};
  return Flag ? FuzzyHedgeOperatorNames[I] : FuzzyXHedgeOperatorNames[I];
}

std::string FuzzyKeywordName(bool Union, TFuzzyOperation Operation) {
  std::string Word = Union ? "or" : "and";
  auto I = static_cast<size_t>(Operation);
  if (Operation != foZadeh && I < FuzzyOperationNames.size()) {
    Word += '-';
    Word += FuzzyOperationNames[I];
  }
  return Word;
}

std::string FuzzyFormatStr(double Degree) { return Format("%4.2f", {Degree}); }

}  // namespace norvale
