// The parser of the knowledge language. The frame (top-level loop, errors, construct heads) is in
// ParserFrame.cpp; each grammar has a file of its own: ExpressionGrammar.cpp (values, calls,
// deffunctions, globals), FactGrammar.cpp (templates, facts, fact sets), RuleGrammar.cpp (rules)
// and TypeGrammar.cpp (defined types and fuzzy values). Printing is in Printing.cpp, over the
// writer of IEPrinter.h.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/core/NestingGuard.h"
#include "engine/language/IEParser.h"

namespace norvale {

// The functions whose parenthesised arguments are not calls: a start position of 0 reads them as
// facts; otherwise the arguments at 0-based positions Start to End are slot/value pairs. Each
// entry packs the two 16-bit positions, the start in the low half.
class TSlotFunctions {
 public:
  static constexpr uint32_t NoEnd = 0xFFFF;

  // Appends an entry.
  void Add(const std::string& Name, uint32_t Start, uint32_t End = NoEnd);
  void Clear() noexcept { FItems.clear(); }
  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  // The index of the entry of that name (case-sensitive), -1 when none.
  int IndexOf(std::string_view Name) const noexcept;
  const std::string& Name(int Index) const { return FItems.at(Index).Name; }
  uint32_t Start(int Index) const { return FItems.at(Index).Packed & 0xFFFF; }
  uint32_t End(int Index) const;
  // A start above the end raises the end to it.
  void SetStart(int Index, uint32_t Value);
  // An end below the start lowers the start to it; an end of 0 is stored as 1.
  void SetEnd(int Index, uint32_t Value);
  uint32_t Packed(int Index) const { return FItems.at(Index).Packed; }
  bool operator==(const TSlotFunctions& Other) const;

 private:
  struct TEntry {
    std::string Name;
    uint32_t Packed;
  };
  std::vector<TEntry> FItems;
};

// The variables of a rule's patterns by name, each with the token kind of its first occurrence.
using TVariableKinds = std::map<std::string, int>;

class TIEClipsParser : public TIEParser {
 public:
  TIEClipsParser(TInferenceEngine* Owner, TIETokenizerStream* Stream);

  TSlotFunctions& SlotFunctions() noexcept { return FSlotFunctions; }
  const TSlotFunctions& SlotFunctions() const noexcept { return FSlotFunctions; }
  void AddSlotFunction(const std::string& Name, uint32_t Start, uint32_t End) {
    FSlotFunctions.Add(Name, Start, End);
  }
  // Also the slot functions.
  void Assign(TPersistent* Source) override;

  std::string GetSyntaxStatement(const TIEUserFunction& Function) override;

  // --- the frame ---
  bool Parse(bool Execute) override;
  bool ParseExpression(bool Execute) override;
  // What the construct starting at Token is (a "(" is put back to look at its keyword).
  virtual TParsedType GetConstructType(const TToken& Token);
  // Raises EIEParseException "Parsing Error, <Message> in <Method> at line <n>: <construct>",
  // the construct text shortened to its first and last 128 characters when it is long.
  [[noreturn]] void ParseError(const std::string& Method, const std::string& Message);
  [[noreturn]] void ParseError(const std::string& Method, std::string_view Fmt,
                               std::initializer_list<TFormatArg> Args);
  // The head of a named construct: "(", Keyword, the name and, with ReadComment, an optional
  // comment string. Token is left holding the first token after the head.
  virtual void ParseHeader(std::string& Name, std::string& Comment, TToken& Token,
                           const std::string& ExpectedMessage, const std::string& Method,
                           const std::string& Keyword, bool ReadComment);
  virtual std::string GenerateVarName(const std::string& Prefix);

  // --- expressions, deffunctions, globals ---
  IFunCall ParseFunCall() override;
  IIEValue ParseNExecuteFunCall() override;
  IIEValue ParseValue() override;
  IValueVector ParseList() override;
  IValueVector ParseValuePair() override;
  ISingletonsVector ParseSingletons() override;
  IUserFunction ParseFunction() override;
  bool ParseGlobalVariables() override;
  IIEValue ParseVariable(std::string& Name) override;
  IIEValue ParseNamedValue(std::string& Name) override;

  // --- defined types and fuzzy values ---
  IIEDefinedType ParseDefinedType() override;
  // A (range ...) or (cardinality ...) clause of DefinedType, or with DefinedType nil the universe
  // of Variable. Bounds are numbers, "?VARIABLE" (no limit), global variables or calls run now;
  // without AllowVariables a variable is refused. Token is left on the closing ")".
  virtual void ParseRangeAndCardinality(const IIEDefinedType& DefinedType,
                                        const IFuzzyVariable& Variable, TToken& Token,
                                        bool IsCardinality, bool AllowVariables);
  // An (allowed-... items) clause; Token is left on its closing ")".
  virtual void ParseAllowedEnumerations(const IIEDefinedType& DefinedType, TToken& Token);
  // The body of a fuzzy type (range, units and values clauses) up to the ")" that closes the
  // enclosing construct, which stays unread.
  IFuzzyVariable ParseFuzzyVariable() override;
  // One (term name value...) of Variable.
  IFuzzySet ParseFuzzySet(const IFuzzyVariable& Variable) override;
  // The keywords of a (type ...) list up to its ")" (left unread); DefinedType receives the
  // defined type named among them.
  virtual TIETypes ParseSlotTypes(IIEDefinedType& DefinedType);

  // --- templates, facts and fact sets ---
  IFactTemplate ParseFactTemplate() override;
  // One slot definition, not yet in a template.
  IFactSlot ParseFactTemplateSlot() override;
  IFact ParseFact() override;
  // One "(name value...)" slot of Fact (all the values of an ordered fact); the slot's name.
  std::string ParseFactSlot(const IFact& Fact) override;
  // A slot's value: a list for a multislot, a fuzzy expression for a fuzzy slot, else one item;
  // checked against the slot when static type checks are on.
  IIEValue ParseValue(const IFactSlot& Slot) override;
  IIEValue ParseValue(TIETypes Types, const IIEDefinedType& DefinedType) override;
  TFactSet* ParseFactSet() override;
  bool LoadFacts() override;

  // --- rules ---
  TRule* ParseRule() override;
  // The declaration's properties, after "(declare", through its ")".
  virtual void ParseRuleDeclaration(TRule& Rule);
  // Conditional elements up to the first token that is neither "(" nor a variable.
  virtual void ParseRulePatterns(TRule& Rule, TVariableKinds& Vars);
  // One conditional element, not yet in the rule (the caller owns it).
  virtual TIEPattern* ParsePattern(TRule& Rule, int NegatedCount, TVariableKinds& Vars);
  // Calls up to the first token that is not "(".
  virtual void ParseRuleActions(TRule& Rule, TVariableKinds& Vars);

  // --- printing ---
  std::string PrettyPrint(const TFunctionCall& FunCall) override;
  std::string PrettyPrint(const TIEUserFunction& Function) override;
  std::string PrettyPrint(const TInterpretedFunction& Function) override;
  std::string PrettyPrint(const std::string& VarName, const IIEValue& Value) override;
  std::string PrettyPrint(const TValueHashTable& GlobalVariables) override;
  std::string PrettyPrint(const TSingletonsVector& Singletons) override;
  std::string PrettyPrint(const TIEValue& Value) override;
  std::string PrettyPrint(const TFact& Fact) override;
  std::string PrettyPrint(const TFactTemplate& Template) override;
  std::string PrettyPrint(const TFactSlot& Slot) override;
  std::string PrettyPrint(const TRule& Rule) override;
  std::string PrettyPrint(const TRule& Rule, TRuleConstruct Part) override;
  std::string PrettyPrint(const TIEPattern& Pattern) override;
  std::string PrettyPrint(const TFactSet& FactSet) override;
  std::string PrettyPrint(const TIEDefinedType& Type) override;
  std::string PrettyPrint(const TIFuzzySet& Set, bool Term) override;
  std::string PrettyPrint(const TIFuzzyVariable& Variable) override;

 protected:
  TToken Next() { return FStream->Next(); }
  TToken Peek() { return FStream->Peek(); }
  void PutBack() { FStream->PutBack(); }
  // The stream, or "No tokenizer installed" when there is none.
  TIETokenizerStream& Tokens();
  // One more level of nested expressions for as long as the guard lives; past the engine's limit
  // a parse error "Expression nested too deeply" in Method.
  class TDepth {
   public:
    TDepth(TIEClipsParser& Parser, const char* Method);

   private:
    TNestingGuard FGuard;
  };
  // Whether the construct being read is executed (top-level calls, global values) or only read.
  bool Executing() const noexcept { return FExecuting; }
  // A value read from a token that stands for one.
  IIEValue TokenToValue(const TToken& Token) const { return TokenValue(Token); }
  // A call, or with a "(" following the "(" a singletons vector, read from the "(" on.
  IIEValue ParseNested();

 private:
  // One top-level construct and its echo; the parsed type through Type.
  IIEValue HandleConstruct(TParsedType& Type, const TToken& Token, bool Execute, TObject*& AObject,
                           IUnknown& AInterface);
  bool ParseCollecting(bool Execute);
  // "?name = value"; a global's name must begin and end with an asterisk.
  IIEValue ReadNamedValue(std::string& Name, bool Global);
  TIEPattern* ParseFactPattern(TRule& Rule, const std::string& Name, int NegatedCount,
                               TVariableKinds& Vars);
  // The field constraints of one slot (all fields of an ordered pattern) through its ")".
  void ParseSlotConstraints(TIEPattern& Pattern, const TFactSlot& Slot, TVariableKinds& Vars);
  // Prints the text on the console followed by a line break; Text is not called when nobody
  // receives console output.
  void Echo(const std::function<std::string()>& Text);
  TSlotFunctions FSlotFunctions;
  TNestingLevel FLocalNesting{0, 1000};  // without an engine
  bool FExecuting = true;
};

}  // namespace norvale
