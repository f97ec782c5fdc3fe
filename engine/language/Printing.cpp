// The parser's printing operations: each construct's read-back form.
#include "engine/core/IEFuzzy.h"
#include "engine/engine/FactSet.h"
#include "engine/functions/InterpretedFunction.h"
#include "engine/language/IEClipsParser.h"
#include "engine/language/IEPrinter.h"
#include "engine/rete/Rule.h"

namespace norvale {

std::string TIEClipsParser::PrettyPrint(const TFunctionCall& FunCall) {
  return PrintFunCall(FunCall);
}

std::string TIEClipsParser::PrettyPrint(const TIEUserFunction& Function) {
  if (auto* F = dynamic_cast<const TInterpretedFunction*>(&Function))
    return PrintInterpretedFunction(*F);
  return PrintUserFunction(Function, GetSyntaxStatement(Function));
}

std::string TIEClipsParser::PrettyPrint(const TInterpretedFunction& Function) {
  return PrintInterpretedFunction(Function);
}

std::string TIEClipsParser::PrettyPrint(const std::string& VarName, const IIEValue& Value) {
  return PrintGlobalVariable(VarName, Value);
}

std::string TIEClipsParser::PrettyPrint(const TValueHashTable& GlobalVariables) {
  return PrintGlobalVariables(GlobalVariables);
}

std::string TIEClipsParser::PrettyPrint(const TSingletonsVector& Singletons) {
  return PrintSingletons(Singletons);
}

std::string TIEClipsParser::PrettyPrint(const TIEValue& Value) { return PrintValue(&Value); }

std::string TIEClipsParser::PrettyPrint(const TFact& Fact) { return PrintFact(Fact); }

std::string TIEClipsParser::PrettyPrint(const TFactTemplate& Template) {
  return PrintTemplate(Template);
}

std::string TIEClipsParser::PrettyPrint(const TFactSlot& Slot) { return PrintSlot(Slot); }

std::string TIEClipsParser::PrettyPrint(const TRule& Rule) { return RulePrettyPrint(Rule); }

std::string TIEClipsParser::PrettyPrint(const TRule& Rule, TRuleConstruct Part) {
  return RulePrettyPrint(Rule, Part);
}

std::string TIEClipsParser::PrettyPrint(const TIEPattern& Pattern) { return PrintPattern(Pattern); }

std::string TIEClipsParser::PrettyPrint(const TFactSet& FactSet) {
  return PrintFactSet(const_cast<TFactSet&>(FactSet));
}

std::string TIEClipsParser::PrettyPrint(const TIEDefinedType& Type) {
  return DefinedTypePrettyPrint(Type);
}

std::string TIEClipsParser::PrettyPrint(const TIFuzzySet& Set, bool Term) {
  return FuzzySetPrettyPrint(Set, Term);
}

std::string TIEClipsParser::PrettyPrint(const TIFuzzyVariable& Variable) {
  return FuzzyVariablePrettyPrint(Variable);
}

}  // namespace norvale
