// The parser of the knowledge language as the engine sees it: settings, parse events, and the
// operations that read each construct from the installed tokenizer and print it back.
#pragma once

#include <string>

#include "engine/core/DefinedType.h"
#include "engine/core/ValueVector.h"
#include "engine/facts/Fact.h"
#include "engine/facts/FactTemplate.h"
#include "engine/functions/UserFunction.h"
#include "engine/language/Tokenizer.h"

namespace norvale {

class TInferenceEngine;
class TRule;
class TFactSet;
class TIEPattern;
class TInterpretedFunction;

// What a top-level construct was.
enum TParsedType {
  ptNone,
  ptValue,
  ptFunCall,
  ptRule,
  ptFactSet,
  ptFactTemplate,
  ptFunction,
  ptGlobals,
  ptDefType,
  ptEOF
};
NORVALE_ENUM(TParsedType, "ptNone", "ptValue", "ptFunCall", "ptRule", "ptFactSet", "ptFactTemplate",
             "ptFunction", "ptGlobals", "ptDefType", "ptEOF")

// The parse events, the sender first.
using TParseEvent = TEvent<TObject* /*Sender*/, TParsedType /*ParsedType*/, TObject* /*AObject*/,
                           const IUnknown& /*AInterface*/>;
using TParseFactEvent = TEvent<TObject*, const IFact&>;
using TParseFactSetEvent = TEvent<TObject*, TFactSet*>;
using TParseFactTemplateEvent = TEvent<TObject*, const IFactTemplate&>;
using TParseFunCallEvent = TEvent<TObject*, const IFunCall&>;
using TParseFunctionEvent = TEvent<TObject*, const IUserFunction&>;
using TParseVariableEvent =
    TEvent<TObject*, const std::string& /*VarName*/, const IIEValue& /*Value*/>;
using TParsePatternEvent = TEvent<TObject*, TIEPattern*>;
using TParseRuleEvent = TEvent<TObject*, TRule*>;
using TParseDefinedTypeEvent = TEvent<TObject*, const IIEDefinedType&>;
using TParseFuzzySetEvent = TEvent<TObject*, const IFuzzySet&>;
using TParseFuzzyVariableEvent = TEvent<TObject*, const IFuzzyVariable&>;
using TParseSingletonsEvent = TEvent<TObject*, const ISingletonsVector&>;

// The abstract parser. It reads from the tokenizer the engine installs around each parse and
// hands what it builds to the engine (its owner). Every parse operation reads from the next token
// and leaves the tokenizer after the last token of what it read.
class TIEParser : public TPersistent {
 public:
  TIEParser(TInferenceEngine* Owner, TIETokenizerStream* Stream);

  TInferenceEngine* Owner() const noexcept { return FOwner; }
  TIETokenizerStream* Stream() const noexcept { return FStream; }
  // Installs another tokenizer (the engine does so around every parse); the parser does not own
  // it.
  virtual void SetStream(TIETokenizerStream* Value) { FStream = Value; }

  // --- settings ---
  bool StrictTemplates() const noexcept { return FStrictTemplates; }
  void SetStrictTemplates(bool Value) noexcept { FStrictTemplates = Value; }
  bool StaticTypeChecks() const noexcept { return FStaticTypeChecks; }
  void SetStaticTypeChecks(bool Value) noexcept { FStaticTypeChecks = Value; }
  TErrorHandling ErrorHandling() const noexcept { return FErrorHandling; }
  void SetErrorHandling(TErrorHandling Value) noexcept { FErrorHandling = Value; }
  int MaxErrors() const noexcept { return FMaxErrors; }
  void SetMaxErrors(int Value) noexcept { FMaxErrors = Value; }
  // From another parser: the stream and the settings; events are not copied.
  void Assign(TPersistent* Source) override;

  // Clears the tokenizer's queue and construct text.
  virtual void Clear();
  // The engine's generated symbol.
  virtual std::string GenerateSymbol(const std::string& Prefix);
  // The call synopsis of a function: "(name args)" or "(name)".
  virtual std::string GetSyntaxStatement(const TIEUserFunction& Function) = 0;

  // --- the top level ---
  // Parses the whole text; Execute says whether top-level calls are executed or only parsed.
  virtual bool Parse(bool Execute) = 0;
  // One top-level construct; false once the end of the text was met.
  virtual bool ParseExpression(bool Execute) = 0;

  // --- expressions, deffunctions and globals ---
  virtual IFunCall ParseFunCall() = 0;
  virtual IIEValue ParseNExecuteFunCall() = 0;
  virtual IIEValue ParseValue() = 0;
  virtual IValueVector ParseList() = 0;
  virtual IValueVector ParseValuePair() = 0;
  virtual ISingletonsVector ParseSingletons() = 0;
  virtual IUserFunction ParseFunction() = 0;
  virtual bool ParseGlobalVariables() = 0;
  virtual IIEValue ParseVariable(std::string& Name) = 0;
  // "?name = value" for any name (the storage of store and fetch).
  virtual IIEValue ParseNamedValue(std::string& Name) = 0;

  // --- constructs of the rule, fact and type grammars ---
  virtual TRule* ParseRule() = 0;
  virtual TFactSet* ParseFactSet() = 0;
  virtual IFactTemplate ParseFactTemplate() = 0;
  virtual IFact ParseFact() = 0;
  virtual IFactSlot ParseFactTemplateSlot() = 0;
  virtual std::string ParseFactSlot(const IFact& Fact) = 0;
  virtual IIEValue ParseValue(const IFactSlot& Slot) = 0;
  virtual IIEValue ParseValue(TIETypes Types, const IIEDefinedType& DefinedType) = 0;
  virtual IIEDefinedType ParseDefinedType() = 0;
  virtual IFuzzyVariable ParseFuzzyVariable() = 0;
  virtual IFuzzySet ParseFuzzySet(const IFuzzyVariable& Variable) = 0;
  // Reads facts to the end of the text and asserts each; false without an engine.
  virtual bool LoadFacts() = 0;

  // --- printing: the text that reads back to an equal construct ---
  virtual std::string PrettyPrint(const TFunctionCall& FunCall) = 0;
  virtual std::string PrettyPrint(const TIEUserFunction& Function) = 0;
  virtual std::string PrettyPrint(const TInterpretedFunction& Function) = 0;
  virtual std::string PrettyPrint(const std::string& VarName, const IIEValue& Value) = 0;
  virtual std::string PrettyPrint(const TValueHashTable& GlobalVariables) = 0;
  virtual std::string PrettyPrint(const TSingletonsVector& Singletons) = 0;
  virtual std::string PrettyPrint(const TIEValue& Value) = 0;
  virtual std::string PrettyPrint(const TFact& Fact) = 0;
  virtual std::string PrettyPrint(const TFactTemplate& Template) = 0;
  virtual std::string PrettyPrint(const TFactSlot& Slot) = 0;
  virtual std::string PrettyPrint(const TRule& Rule) = 0;
  virtual std::string PrettyPrint(const TRule& Rule, TRuleConstruct Part) = 0;
  virtual std::string PrettyPrint(const TIEPattern& Pattern) = 0;
  virtual std::string PrettyPrint(const TFactSet& FactSet) = 0;
  virtual std::string PrettyPrint(const TIEDefinedType& Type) = 0;
  virtual std::string PrettyPrint(const TIFuzzySet& Set, bool Term) = 0;
  virtual std::string PrettyPrint(const TIFuzzyVariable& Variable) = 0;

  // --- events ---
  TParseEvent OnParse;
  TParseFactEvent OnParseFact;
  TParseFactSetEvent OnParseFactSet;
  TParseFactTemplateEvent OnParseFactTemplate;
  TParseFunCallEvent OnParseFunCall;
  TParseFunctionEvent OnParseFunction;
  TParseVariableEvent OnParseVariable;
  TParsePatternEvent OnParsePattern;
  TParseRuleEvent OnParseRule;
  TParseDefinedTypeEvent OnParseDefinedType;
  TParseFuzzySetEvent OnParseFuzzySet;
  TParseFuzzyVariableEvent OnParseFuzzyVariable;
  TParseSingletonsEvent OnParseSingletons;
  // Unassigns every event.
  void ClearEvents();

 protected:
  TInferenceEngine* FOwner;
  TIETokenizerStream* FStream;

 private:
  bool FStrictTemplates = false;
  bool FStaticTypeChecks = true;
  TErrorHandling FErrorHandling = ehRaiseImmediate;
  int FMaxErrors = 10;
};

}  // namespace norvale
