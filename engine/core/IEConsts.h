// The shared vocabulary: the exception classes, enumerations and their sets, reserved names and
// text constants, console event signatures and the message catalogue.
#pragma once

#include <string>

#include "platform/Classes.h"
#include "platform/Format.h"
#include "platform/TypeInfo.h"

namespace norvale {

// --- exceptions -----------------------------------------------------------------------------

// Every error of the engine: a catalogue message formatted with its arguments.
class EIEException : public Exception {
 public:
  using Exception::Exception;
};

// A parse error; LineNumber is the line of the text being parsed (0 when unknown).
class EIEParseException : public EIEException {
 public:
  explicit EIEParseException(std::string Message = {}, int LineNumber = 0)
      : EIEException(std::move(Message)), FLineNumber(LineNumber) {}
  int LineNumber() const noexcept { return FLineNumber; }
  void SetLineNumber(int Value) noexcept { FLineNumber = Value; }

 private:
  int FLineNumber;
};

// A nesting limit was passed (texts parsed within one another, deffunction calls). It ends the
// whole operation: collecting parses and wrappers pass it on unchanged, so that each level of a
// recursion does not start the recursion again.
class EIELimitError : public EIEException {
 public:
  using EIEException::EIEException;
};

// Raises EIEException with a formatted catalogue message.
[[noreturn]] void RaiseIE(std::string_view Fmt, std::initializer_list<TFormatArg> Args = {});

// --- names ----------------------------------------------------------------------------------

// The names of constructs, slots, bindings and functions.
using TIEName = std::string;

// --- enumerations ---------------------------------------------------------------------------

enum TIEType {
  dtNone,
  dtAtom,
  dtString,
  dtInteger,
  dtVariable,
  dtFactId,
  dtFloat,
  dtFunCall,
  dtFact,
  dtList,
  dtDescriptor,
  dtObject,
  dtClass,
  dtExternalAddress,
  dtSingletons,
  dtFuzzy,
  dtMultiVariable,
  dtSlot,
  dtMultiSlot
};
using TIETypes = TSet<TIEType>;
NORVALE_ENUM(TIEType, "dtNone", "dtAtom", "dtString", "dtInteger", "dtVariable", "dtFactId",
             "dtFloat", "dtFunCall", "dtFact", "dtList", "dtDescriptor", "dtObject", "dtClass",
             "dtExternalAddress", "dtSingletons", "dtFuzzy", "dtMultiVariable", "dtSlot",
             "dtMultiSlot")

enum TTypeCheck { tcStatic, tcDynamic };
using TTypeChecks = TSet<TTypeCheck>;
NORVALE_ENUM(TTypeCheck, "tcStatic", "tcDynamic")

enum TTokenAction { taClear, taAdd, taRemove, taUpdate };
NORVALE_ENUM(TTokenAction, "taClear", "taAdd", "taRemove", "taUpdate")

enum TDuplicateConstructs { dcOverwrite, dcIgnore, dcError };
NORVALE_ENUM(TDuplicateConstructs, "dcOverwrite", "dcIgnore", "dcError")

enum TErrorHandling { ehRaiseImmediate, ehRaiseAllAtEnd };
NORVALE_ENUM(TErrorHandling, "ehRaiseImmediate", "ehRaiseAllAtEnd")

enum TSalience { sActivate, sEveryTime };
NORVALE_ENUM(TSalience, "sActivate", "sEveryTime")

enum TRuleConstruct { rcPattern, rcAction };
NORVALE_ENUM(TRuleConstruct, "rcPattern", "rcAction")

enum TIEDialogOption { doNew, doOpen, doSave, doSaveAs, doPrint, doPrintSetup };
using TIEDialogOptions = TSet<TIEDialogOption>;
NORVALE_ENUM(TIEDialogOption, "doNew", "doOpen", "doSave", "doSaveAs", "doPrint", "doPrintSetup")

enum TSearchStrategy { ssDepthFirst, ssBreadthFirst };
NORVALE_ENUM(TSearchStrategy, "ssDepthFirst", "ssBreadthFirst")

enum TTemplateSlotType { tstSlot, tstMultiSlot };
using TJoinTestType = TTemplateSlotType;
NORVALE_ENUM(TTemplateSlotType, "tstSlot", "tstMultiSlot")

enum TValueConstraint { vcAtom, vcString, vcInteger, vcFloat };
using TValueConstraints = TSet<TValueConstraint>;
NORVALE_ENUM(TValueConstraint, "vcAtom", "vcString", "vcInteger", "vcFloat")

enum TConstructWatch { cwActivation, cwFact, cwRule, cwCompilation, cwStatistics };
using TConstructWatches = TSet<TConstructWatch>;
NORVALE_ENUM(TConstructWatch, "cwActivation", "cwFact", "cwRule", "cwCompilation", "cwStatistics")

enum TValidAction {
  vaFileNew,
  vaFileOpen,
  vaFileSave,
  vaFileSaveAs,
  vaEditTypes,
  vaEditFacts,
  vaEditFactTemplates,
  vaEditRules,
  vaIERun,
  vaIERunOneStep,
  vaIEReset
};
using TValidActions = TSet<TValidAction>;
NORVALE_ENUM(TValidAction, "vaFileNew", "vaFileOpen", "vaFileSave", "vaFileSaveAs", "vaEditTypes",
             "vaEditFacts", "vaEditFactTemplates", "vaEditRules", "vaIERun", "vaIERunOneStep",
             "vaIEReset")

enum TValidView { vvAgenda, vvFacts, vvFactTemplates, vvRules };
using TValidViews = TSet<TValidView>;
NORVALE_ENUM(TValidView, "vvAgenda", "vvFacts", "vvFactTemplates", "vvRules")

// The named type sets.
inline constexpr TIETypes IEStringTypes{dtAtom,          dtString, dtVariable,
                                        dtMultiVariable, dtSlot,   dtMultiSlot};
inline constexpr TIETypes IEIntegerTypes{dtInteger, dtFactId, dtDescriptor};
inline constexpr TIETypes IENumericTypes{dtInteger, dtFloat};
inline constexpr TIETypes IEFactTypes{dtInteger, dtFactId, dtFloat};
inline constexpr TIETypes IEVariableTypes{dtVariable, dtMultiVariable};
inline constexpr TIETypes IEMultiSlotTypes{dtList, dtMultiSlot};
inline constexpr TIETypes IEReparseTypes{dtFunCall, dtFact, dtFuzzy};
inline constexpr TIETypes IEAlwaysValidTypes{dtNone, dtVariable, dtFunCall, dtMultiVariable};
inline constexpr TIETypes IESlotTypes{dtAtom,       dtString, dtInteger, dtVariable,
                                      dtFactId,     dtFloat,  dtFunCall, dtFact,
                                      dtDescriptor, dtObject, dtClass,   dtExternalAddress};
inline constexpr TIETypes IESlotTypesWithFuzzy = IESlotTypes + TIETypes{dtSingletons, dtFuzzy};

// --- event signatures -----------------------------------------------------------------------

class TIEValue;
using IIEValue = Ref<TIEValue>;

using TPrintOutEvent =
    TEvent<TObject* /*Sender*/, const std::string& /*OutID*/, const std::string& /*Text*/>;
using TReadLineEvent =
    TEvent<TObject* /*Sender*/, const std::string& /*InID*/, std::string& /*Text*/>;
using TInferenceEvent = TEvent<TObject* /*Sender*/, int /*RulesFired*/>;
using TIEValueChangeEvent = TEvent<const IIEValue& /*Sender*/>;

// --- reserved names and text constants -------------------------------------------------------

inline constexpr const char* SFactPrefix = "__factidx";
inline constexpr const char* SEqStarPrefix = "_eq_";
inline constexpr const char* SBackChainPrefix = "need-";
inline constexpr const char* SBlankMulti = "_blank_$";
inline constexpr const char* SBlankPrefix = "_blank_";
inline constexpr const char* SDefaultSlotName = "__Data";
inline constexpr const char* STestCE = "test";
inline constexpr const char* SLocalBinding = "__LOCAL";
inline constexpr const char* SPatternBinding = "__PATTERN";
inline constexpr const char* SRuleBinding = "__RULE";
inline constexpr const char* SInitialFactPattern = "Initial-Fact";
inline constexpr const char* SInitialFact = "(Initial-Fact)";
inline constexpr const char* SNullFact = "__NOT-OR-TEST-CE*";
inline constexpr const char* SMultiSlotVar = "$?__var";
inline constexpr const char* SSlotVar = "?__var";
inline constexpr const char* SFunctionError = "%s error: %s";
inline constexpr const char* CommentFormat = "%s";
inline constexpr const char* SyntaxFormat = "     syntax: %s";
inline constexpr const char* CLIPSSyntaxFormat = "(%s)";
inline constexpr const char* SImplicitDefinedType = "implicit";
inline constexpr const char* IndentString = "    ";
inline constexpr const char* NewLineString = "\r\n";

inline constexpr const char* STypeSymbolKeyword = "SYMBOL";
inline constexpr const char* STypeAtomKeyword = "ATOM";
inline constexpr const char* STypeStringKeyword = "STRING";
inline constexpr const char* STypeIntegerKeyword = "INTEGER";
inline constexpr const char* STypeFloatKeyword = "FLOAT";
inline constexpr const char* STypeLexemeKeyword = "LEXEME";
inline constexpr const char* STypeNumberKeyword = "NUMBER";
inline constexpr const char* STypeClassKeyword = "CLASS";
inline constexpr const char* STypeDescriptorKeyword = "DESCRIPTOR";
inline constexpr const char* STypeObjectKeyword = "OBJECT";
inline constexpr const char* STypeExternalAddrKeyword = "EXTERNALADDRESS";
inline constexpr const char* STypeFuzzyKeyword = "FUZZY";
inline constexpr const char* STypeFactKeyword = "FACT";
inline constexpr const char* STypeFactIdKeyword = "FACTID";
inline constexpr const char* STypeVariableKeyword = "?VARIABLE";

inline constexpr int LocalBindingIndex = -2;
inline constexpr int NoSubIndex = -1;
inline constexpr int DefaultPrintMargin = 200;

// --- the message catalogue ------------------------------------------------------------------
// Formatted with Format (%s text, %d integer, %c character, %.4f number with four decimals).

inline constexpr const char* SNotCorrectType = "Not a %s type.  Value (%s) is a %s type";
inline constexpr const char* SParseError = "Parsing Error, %s in %s at line %s: %s";
inline constexpr const char* SMultipleParseError = "Errors parsing stream:\r\n%s";
inline constexpr const char* SOutOfRangeError = "Range must be between %.4f and %.4f";
inline constexpr const char* SListCardinalityError =
    "Multislot must have between %d and %d elements";
inline constexpr const char* SUncloneableValue =
    "Uncloneable value.  Value owned an object of %s class type";
inline constexpr const char* SNoContext = "No context found when trying to resolve a %s value";
inline constexpr const char* SCorruptedVariable = "Corrupted Binding, variable not found: %s";
inline constexpr const char* SInvalidValueType = "Value and type mismatch";
inline constexpr const char* SFrozenConstant =
    "Shared constant value (%s) cannot be changed; copy it first";
inline constexpr const char* SInvalidSetItem = "Invalid item for set: %s";
inline constexpr const char* SCannotMixFuzzy = "Cannot mix fuzzy type with other primitive types";
inline constexpr const char* STypeInheritanceLoop =
    "Type inheritance loop detected, %s type cannot be an ancestor of itself";
inline constexpr const char* SInvalidConstraint =
    "Defined Type %s cannot contain %s constraint types";
inline constexpr const char* SNoSuchConstraint = "Defined Type %s does not have %s constraints";
inline constexpr const char* SInvalidValue = "Value \"%s\" is not valid, %s";
inline constexpr const char* SNotAllowedValue = "Not in allowed values";
inline constexpr const char* SInvalidFuzzyValue = "invalid fuzzy value";
inline constexpr const char* SBadSlotType = "Bad Slot Type";
inline constexpr const char* SBadSlotName = "Bad Slot Name: %s";
inline constexpr const char* SBadSlotValue = "%s for %s slot";
inline constexpr const char* SInvalidSlotDefault = "Invalid default slot value: %s";
inline constexpr const char* SInvalidDefaultMultislotValue =
    "Invalid default value for a multislot, must be a multifield: %s";
inline constexpr const char* SInvalidExistingSlotChange =
    "Invalid value for existing slot, multislot is not slot";
inline constexpr const char* SInvalidExistingMultiSlotChange =
    "Invalid value for existing slot, slot is not multislot";
inline constexpr const char* SInvalidSlotName = "No such slot name: \"%s\"";
inline constexpr const char* SNoIndexNameMatch = "Index does not match fact slot name: %s and %s";
inline constexpr const char* SUnexpectedCharacter = "%s contains unexpected character: \"%c\"";
inline constexpr const char* SNoTemplate = "Fact Template is missing";
inline constexpr const char* SForeignTemplate =
    "Fact template %s is not a template of this inference engine";
inline constexpr const char* SFactTemplatesDifferent =
    "Unable to assign slot values, fact templates are different: %s and %s";
inline constexpr const char* SInvalidTokenAction = "Invalid Token Action";
inline constexpr const char* SUnknownVariable = "Unknown variable name: %s";
inline constexpr const char* SUnknownEngine = "Unknown/Undefined Inference Engine";
inline constexpr const char* SNegatedVariable =
    "First Use of Variable is negated, variable name is %s";
inline constexpr const char* SInvalidPatternBinding = "Cannot bind a negated pattern to a variable";
inline constexpr const char* SMissingRule = "Rule missing for pattern";
inline constexpr const char* SBackChainFuncallPatterns =
    "Cannot use Function calls in backchained patterns: %s";
inline constexpr const char* SInvalidBackchainPattern =
    "Invalid backward chaining pattern added to the node";
inline constexpr const char* SBackChainCE = "Cannot backchain on special CEs: %s";
inline constexpr const char* SInvalidCallType = "Invalid Call Type: %s";
inline constexpr const char* SPatternMatchError = " for pattern match = ";
inline constexpr const char* SInvalidAgendaItem =
    "Invalid object, agenda can only accept TActivation objects";
inline constexpr const char* SDuplicateRuleNames = "Duplicate Rules defined with same name: \"%s\"";
inline constexpr const char* SDuplicateTemplateNames = "Fact Template Name already exists: \"%s\"";
inline constexpr const char* SDuplicateDefTypeNames = "Defined Type Name already exists: \"%s\"";
inline constexpr const char* SDuplicateFunctionNames = "Function Name already exists: \"%s\"";
inline constexpr const char* SDuplicateStreamNames =
    "Duplicate streams defined with same name: \"%s\"";
inline constexpr const char* SWrongFunctionName = "Function names do not match: %s and %s";
inline constexpr const char* SFactTemplateInheritanceCorrupt =
    "Fact templates inheritance structure corrupted";
inline constexpr const char* STypeInheritanceCorrupt =
    "Defined types inheritance structure corrupted";
inline constexpr const char* SNoSuchFunction = "Function is unimplemented or unassigned: %s";
inline constexpr const char* STooFewArgs = "Too few arguments for %s";
inline constexpr const char* STooManyArgs = "Too many arguments for %s";
inline constexpr const char* SInvalidPtr =
    "Invalid destruction of pointer reference, reference counting greater than 0";
inline constexpr const char* SNoSuchFact = "No Such Fact with ID=%s exists";
inline constexpr const char* SNotFuzzyFact = "Fact is not a fuzzy fact";
inline constexpr const char* SInvalidFuzzyUnionTemplate =
    "Cannot union two facts with different fact templates: %s and %s";
inline constexpr const char* SUndefinedFuzzyVariable = "fuzzy variable is not defined";
inline constexpr const char* SInvalidFuzzyToken = "Invalid item in fuzzy expression: %s";
inline constexpr const char* SMissingFuzzyOperand =
    "Missing fuzzy operand to be modified by hedge: %s";
inline constexpr const char* SMissingFuzzyCloseBracket =
    "Missing Fuzzy Close Bracket in expression";
inline constexpr const char* SInvalidStreamName = "Invalid stream name: %s";
inline constexpr const char* SNoReadFunctionWarning =
    "The %s event has not been implemented or unassigned.\r\nWarning: Implementation of this "
    "function requires a blocking mechanism, \r\nsuch as ShowModal, or the use of threads";
inline constexpr const char* SParseTypeError = "Unable to parse strings of %s at this time";
inline constexpr const char* SSyntaxError = "Syntax Error: %s";
inline constexpr const char* SMissingCatchStatement =
    "Missing catch or finally statement for try block";
inline constexpr const char* SInvalidSubstrParameters =
    "Invalid multifield begin and end parameters: %d, %d";
inline constexpr const char* SCannotWatch = "Cannot watch %s";
inline constexpr const char* SCannotUnWatch = "Cannot unwatch %s";

// The tokenizer and the parser.
inline constexpr const char* SUnterminatedString =
    "Invalid string value, string was not terminated";
inline constexpr const char* SInvalidTokenHint = "Invalid Token hint for parsing token: %s";
inline constexpr const char* SUnexpectedSymbol =
    "Unexpected symbol, expected a \"(\", constant, or global variable: %s";
inline constexpr const char* SExpectedOpen = "Expected \"(\"";
inline constexpr const char* SExpectedClose = "Expected \")\"";
inline constexpr const char* SExpected = "Expected \"%s\"";
inline constexpr const char* SMissingName = "Missing name";
inline constexpr const char* SUnexpectedEndOfStream = "Unexpected end of stream";
inline constexpr const char* SBadArgument = "Bad Argument: %s";
inline constexpr const char* SEqualsInFact = "\"=\" cannot appear as an atom within a fact";
inline constexpr const char* SBadSlotValueToken = "Bad Slot Value: %s";
inline constexpr const char* SExpectedOpenAtom = "Expected \"( <atom>\"";
inline constexpr const char* SExpectedValueMissing = "Expected value missing";
inline constexpr const char* SExpectedPointValue = "Expected number, variable, or function call";
inline constexpr const char* SExpectedDeffunction = "Expected \"( deffunction\"";
inline constexpr const char* SExpectedDefglobal = "Expected \"( defglobal\"";
inline constexpr const char* SUnexpectedCharacterFound = "Unexpected character found: \"%s\"";
inline constexpr const char* SBadVariableName =
    "Bad Variable Name, must start and end with an asterisk: %s";
inline constexpr const char* SInvalidDeffunctionArgument =
    "Invalid argument type for deffunction: \"%s\".  Expected %s";
inline constexpr const char* SMissingKeyword = "Missing keyword.  Expected \"%s\"";
inline constexpr const char* SMissingRangeStatement = "Missing range statement";
inline constexpr const char* SExpectedBound = "Expected integer, variable, or function call for %s";
inline constexpr const char* SExpectedAllowedValue =
    "Expected allowed value argument for deftype, received %s";
inline constexpr const char* SFuzzyTypeNeeded = "Fuzzy Type Definition needed to parse value";
inline constexpr const char* SInvalidFuzzyExpression = "Invalid Fuzzy Expression: %s";
inline constexpr const char* SInvalidSlotType = "Invalid slot type: %s";
inline constexpr const char* SExpectedDeftype = "Expected \"( deftype\"";
inline constexpr const char* SExpectedTerm = "Expected \"( term\"";
inline constexpr const char* SExpectedDeftemplate = "Expected \"( deftemplate\"";
inline constexpr const char* SExpectedDeffacts = "Expected \"( deffacts\"";
inline constexpr const char* SMissingParentTemplate = "Missing name of parent template to extend";
inline constexpr const char* SMissingTemplateType = "Missing name of type for fact template";
inline constexpr const char* SUnknownTemplateType = "type name unknown or invalid: %s";
inline constexpr const char* SExpectedTemplateClause =
    "Expected \"(\", \"extends\", or \"is-a\"";
inline constexpr const char* SInvalidSlotQualifier = "Invalid slot qualifier: %s";
inline constexpr const char* SFuzzySlotConstraint =
    "Invalid attempt to modify fuzzy type in fact template slot, fuzzy types cannot be modified";
inline constexpr const char* SUnknownFactTemplate = "Unknown fact template: %s";
inline constexpr const char* SExpectedDefrule = "Expected \"( defrule\"";
inline constexpr const char* SExpectedArrow = "Expected \"=>\"";
inline constexpr const char* SExpectedBindArrow = "Expected \"<-\"";
inline constexpr const char* SExpectedProperty =
    "Expected rule property, salience, oneshot, or enabled";
inline constexpr const char* SBoundNegatedPattern =
    "\"not\" and \"test\" CEs cannot be bound to variables";
inline constexpr const char* SNotAMultislot = "Slot \"%s\" is not a multislot";
// The nesting limits that keep user input from exhausting the stack.
inline constexpr const char* SNestedTooDeeply = "Expression nested too deeply";
inline constexpr const char* SParsesNestedTooDeeply =
    "Texts parsed within one another nested too deeply";
inline constexpr const char* SCallsNestedTooDeeply = "Deffunction calls nested too deeply: %s";

}  // namespace norvale
