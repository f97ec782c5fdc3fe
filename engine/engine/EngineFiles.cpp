// The engine as files: the whole-system text and its reading back, and the construct files that
// hold one kind of construct each (facts, templates, rules, defined types).
#include <chrono>
#include <ctime>
#include <fstream>
#include <functional>
#include <istream>
#include <ostream>

#include "engine/engine/FactSet.h"
#include "engine/engine/InferenceEngine.h"
#include "engine/functions/InterpretedFunction.h"
#include "engine/language/IEParser.h"
#include "engine/language/ParseScope.h"
#include "platform/Format.h"
#include "platform/Streaming.h"
#include "platform/TextStream.h"

namespace norvale {

namespace {

const char* const Separator = "; *************************";

// "2026-12-11 15:51:29" in local time.
std::string NowText() {
  const std::time_t Now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm Local{};
  localtime_r(&Now, &Local);
  char Buffer[32];
  std::strftime(Buffer, sizeof Buffer, "%Y-%m-%d %H:%M:%S", &Local);
  return Buffer;
}

// Text with a line end after it unless it ends in one already (or is empty).
std::string Lines(std::string Text) {
  if (!Text.empty() && Text.back() != '\n') Text += NewLineString;
  return Text;
}

void Section(std::string& Out, const char* Caption, bool EmptyLine) {
  Out += NewLineString;
  Out += Separator;
  Out += NewLineString;
  Out += Caption;
  Out += NewLineString;
  if (EmptyLine) Out += NewLineString;
}

// The rules in the order they were defined, which decides the order in which rules activated
// by one fact fire: read back in this order they fire as they did.
std::string RulesText(TInferenceEngine& Engine) {
  std::string R;
  for (TRule* Rule : Engine.Rules().Rules()) R += Engine.PrettyPrint(*Rule) + NewLineString;
  return R;
}

// The stream read in (so that an error of the stream comes first), Clear, then the whole text
// parsed and executed.
template <class TClear>
void ClearAndParse(TInferenceEngine& Engine, std::istream& Stream, TClear Clear) {
  TParseScope Scope(Engine, Stream);
  Clear();
  Scope.Parser().Parse(true);
}

void Write(std::ostream& Stream, const std::string& Text) {
  Stream.write(Text.data(), static_cast<std::streamsize>(Text.size()));
}

}  // namespace

// --- the whole system ----------------------------------------------------------------------------

std::string TInferenceEngine::GetExpertSystem() {
  std::string Out;
  auto Line = [&Out](const std::string& Text) { Out += Text + NewLineString; };
  Line(Separator);
  Line(Format("; Inference Engine v%.4f Output", {FVersion}));
  Line("; Created: " + NowText());
  Line("; Number of Global Variables: " + std::to_string(FGlobalVariables->Count()));
  Line("; Number of Defined Types:    " + std::to_string(FDefinedTypes->Count()));
  Line("; Number of Fact Templates:   " + std::to_string(FFactTemplates->Count()));
  Line("; Number of Rules:            " + std::to_string(FRules->Count()));
  Line("; Number of Fact Sets:        " + std::to_string(FFactSets->Count()));
  Line("; Number of Facts:            " + std::to_string(FactCount()));
  // The language's setting is the negation of the property: TRUE keeps duplicates out.
  Line(FFactDuplication ? "(set-fact-duplication FALSE)" : "(set-fact-duplication TRUE)");

  if (FDefinedTypes->Count() > 0) {
    Section(Out, "; Defined Types ", true);
    Out += Lines(FDefinedTypes->GetToString());
  }
  if (FFactTemplates->Count() > 0) {
    Section(Out, "; Fact Templates ", true);
    Out += Lines(FFactTemplates->GetToString());
    // A backward-chaining template is marked again after the templates are read; the command
    // keeps the goal template the text defines already.
    for (const IFactTemplate& T : FFactTemplates->Templates())
      if (T->IsBackwardChaining()) Line("(do-backward-chaining " + T->TemplateName() + ")");
  }
  // Deffunctions come before the globals: a global's initial value may call one.
  if (FUserFunctions->Count() > 0) {
    Section(Out, "; Deffunctions ", false);
    Out += Lines(FUserFunctions->GetToString());
  }
  if (FGlobalVariables->Count() > 0) {
    Section(Out, "; Global Variables ", true);
    Out += Lines(PrettyPrintGlobalVariables());
  }
  if (FRules->Count() > 0) {
    Section(Out, "; Rules ", true);
    Out += Lines(RulesText(*this));
  }
  if (FFactSets->Count() > 0) {
    Section(Out, "; Fact Sets ", true);
    for (const std::string& T : FFactSets->StreamTexts()) Out += Lines(T);
  }
  if (FactCount() > 0) {
    Section(Out, "; Facts ", true);
    Line("(assert");
    for (const IFact& F : FactList()) Line(IndentString + F->GetToString());
    Line(")");
  }
  return Out;
}

void TInferenceEngine::SetExpertSystem(const std::string& Text) {
  TParseScope Scope(*this, Text);
  Clear();
  Scope.Parser().Parse(true);
  Reset();
}

void TInferenceEngine::SaveToStream(std::ostream& Stream) { Write(Stream, GetExpertSystem()); }

void TInferenceEngine::SaveToFile(const std::string& FileName) {
  std::ofstream File = CreateOutputFile(FileName);
  SaveToStream(File);
}

void TInferenceEngine::LoadFromStream(std::istream& Stream) { Parse(Stream, true); }

void TInferenceEngine::LoadFromFile(const std::string& FileName) {
  std::ifstream File = OpenInputFile(FileName);
  LoadFromStream(File);
}

// --- copying an engine ---------------------------------------------------------------------------

void TInferenceEngine::Assign(TPersistent* Source) {
  auto* From = dynamic_cast<TInferenceEngine*>(Source);
  if (!From) {
    TComponent::Assign(Source);
    return;
  }
  if (From == this) return;
  Clear();
  SetParserErrorHandling(From->FParserErrorHandling);
  SetParserMaxErrors(From->FParserMaxErrors);
  // What is copied was checked in the source already; the checks come back however this ends.
  struct TRestoreChecks {
    TInferenceEngine* E;
    TTypeChecks Checks;
    ~TRestoreChecks() { E->SetTypeChecks(Checks); }
  } Restore{this, From->FTypeChecks};
  SetTypeChecks(TTypeChecks{});
  FSalienceEvaluation = From->FSalienceEvaluation;
  SetStrategy(From->Strategy());
  SetFactDuplication(From->FFactDuplication);
  FDuplicateConstructs = From->FDuplicateConstructs;
  FWatch = From->FWatch;
  FResetGlobals = From->FResetGlobals;
  // The source's host functions join this engine's table, where no function of the name is
  // there yet: this engine's own packages stay its own, so it does not come to depend on the
  // source's packages staying alive.
  std::vector<IUserFunction> Interpreted;
  for (const std::string& Name : From->FUserFunctions->Names()) {
    IUserFunction F;
    if (!From->FUserFunctions->Find(Name, F)) continue;
    if (F->IsInterpreted())
      Interpreted.push_back(F);
    else if (!ContainsUserFunction(Name))
      F->AddReasoner(this);
  }
  const bool AllFunctions = FUserFunctions->AssignInterpretedFunctions(Interpreted, true);
  FFuzzyAutoTerms = From->FFuzzyAutoTerms;
  SetFuzzyEqualsThreshold(From->FFuzzyEqualsThreshold);
  FCorrelationMethod = From->FCorrelationMethod;
  FInferenceMethod = From->FInferenceMethod;
  SetMinActivationStrength(From->FMinActivationStrength);
  // Types and templates from their text, parents first, into this engine's own objects.
  const int Templates = FFactTemplates->Count();
  Parse(From->FDefinedTypes->GetToString(), true);
  Parse(From->FFactTemplates->GetToString(), true);
  for (const IFactTemplate& T : From->FFactTemplates->Templates())
    if (T->IsBackwardChaining())
      if (IFactTemplate Own = FFactTemplates->Find(T->TemplateName()))
        Own->SetBackwardChaining(true);
  // A deffunction's text may name templates that exist only now.
  if (!AllFunctions || FFactTemplates->Count() != Templates)
    FUserFunctions->AssignInterpretedFunctions(Interpreted, false);
  FGlobalVariables->Assign(From->FGlobalVariables.get());
  // Fact sets and facts from their text too, so that they are facts of this engine's templates.
  FFactSets->ReadStreamTexts(From->FFactSets->StreamTexts());
  for (const IFact& F : From->FactList()) Assert(F->GetToString());
  FRules->Assign(*From->FRules);
}

// --- component streaming -------------------------------------------------------------------------

namespace {

// A list of texts, one quoted string each.
void DefineTexts(TFiler& Filer, const char* Name, std::function<std::vector<std::string>()> Get,
                 std::function<void(const std::vector<std::string>&)> Put, bool HasData) {
  Filer.DefineProperty(
      Name,
      [Put](TReader& Reader) {
        std::vector<std::string> Texts;
        while (!Reader.EndOfList()) Texts.push_back(Reader.ReadString());
        Put(Texts);
      },
      [Get](TWriter& Writer) {
        for (const std::string& T : Get()) Writer.WriteString(T);
      },
      HasData);
}

}  // namespace

void TInferenceEngine::DefineProperties(TFiler& Filer) {
  TComponent::DefineProperties(Filer);
  DefineTexts(
      Filer, "DefTypes", [this] { return FDefinedTypes->StreamTexts(); },
      [this](const std::vector<std::string>& T) { FDefinedTypes->ReadStreamTexts(T); },
      FDefinedTypes->Count() > 0);
  DefineTexts(
      Filer, "Templates", [this] { return FFactTemplates->StreamTexts(); },
      [this](const std::vector<std::string>& T) { FFactTemplates->ReadStreamTexts(T); },
      !FFactTemplates->StreamTexts().empty());
  DefineTexts(
      Filer, "Variables", [this] { return FGlobalVariables->StreamTexts(); },
      [this](const std::vector<std::string>& T) { FGlobalVariables->ReadStreamTexts(T); },
      FGlobalVariables->Count() > 0);
  DefineTexts(
      Filer, "Rules", [this] { return FRules->StreamTexts(); },
      [this](const std::vector<std::string>& T) { FRules->ReadStreamTexts(T); },
      FRules->Count() > 0);
  DefineTexts(
      Filer, "FactSets", [this] { return FFactSets->StreamTexts(); },
      [this](const std::vector<std::string>& T) { FFactSets->ReadStreamTexts(T); },
      FFactSets->Count() > 0);
  DefineTexts(
      Filer, "FactsList",
      [this] {
        std::vector<std::string> Texts;
        FFacts->AssignTo(Texts);
        return Texts;
      },
      [this](const std::vector<std::string>& Texts) {
        for (const std::string& T : Texts) Assert(T);
      },
      FactCount() > 0);
}

// --- construct files -----------------------------------------------------------------------------

void TInferenceEngine::SaveFacts(std::ostream& Stream) {
  for (const IFact& F : FactList()) Write(Stream, F->GetToString() + NewLineString);
}

void TInferenceEngine::SaveFacts(std::ostream& Stream, const std::string& TemplateName) {
  for (const IFact& F : FactList())
    if (F->TemplatePtr()->TemplateName() == TemplateName)
      Write(Stream, F->GetToString() + NewLineString);
}

void TInferenceEngine::SaveFacts(const std::string& FileName) {
  std::ofstream File = CreateOutputFile(FileName);
  SaveFacts(File);
}

void TInferenceEngine::SaveFacts(const std::string& FileName, const std::string& TemplateName) {
  std::ofstream File = CreateOutputFile(FileName);
  SaveFacts(File, TemplateName);
}

bool TInferenceEngine::LoadFacts(std::istream& Stream) {
  TParseScope Scope(*this, Stream);
  return Scope.Parser().LoadFacts();
}

bool TInferenceEngine::LoadFacts(const std::string& FileName) {
  std::ifstream File = OpenInputFile(FileName);
  return LoadFacts(File);
}

void TInferenceEngine::SaveFactTemplates(std::ostream& Stream) {
  Write(Stream, FFactTemplates->GetToString());
}

void TInferenceEngine::SaveFactTemplates(const std::string& FileName) {
  std::ofstream File = CreateOutputFile(FileName);
  SaveFactTemplates(File);
}

void TInferenceEngine::SaveRules(std::ostream& Stream) { Write(Stream, RulesText(*this)); }

void TInferenceEngine::SaveRules(const std::string& FileName) {
  std::ofstream File = CreateOutputFile(FileName);
  SaveRules(File);
}

void TInferenceEngine::SaveDefinedTypes(std::ostream& Stream) {
  Write(Stream, FDefinedTypes->GetToString());
}

void TInferenceEngine::SaveDefinedTypes(const std::string& FileName) {
  std::ofstream File = CreateOutputFile(FileName);
  SaveDefinedTypes(File);
}

void TInferenceEngine::LoadFactTemplates(std::istream& Stream) {
  ClearAndParse(*this, Stream, [this] { FFactTemplates->Clear(); });
}

void TInferenceEngine::LoadFactTemplates(const std::string& FileName) {
  std::ifstream File = OpenInputFile(FileName);
  LoadFactTemplates(File);
}

void TInferenceEngine::LoadRules(std::istream& Stream) {
  ClearAndParse(*this, Stream, [this] { FRules->Clear(); });
}

void TInferenceEngine::LoadRules(const std::string& FileName) {
  std::ifstream File = OpenInputFile(FileName);
  LoadRules(File);
}

void TInferenceEngine::LoadDefinedTypes(std::istream& Stream) {
  ClearAndParse(*this, Stream, [this] { FDefinedTypes->Clear(); });
}

void TInferenceEngine::LoadDefinedTypes(const std::string& FileName) {
  std::ifstream File = OpenInputFile(FileName);
  LoadDefinedTypes(File);
}

}  // namespace norvale
