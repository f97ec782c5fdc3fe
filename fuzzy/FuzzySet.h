// TIFuzzySet: a fuzzy set as a piecewise-linear membership function given by points sorted by x.
// Between two points the membership is interpolated linearly; left of the first point and right
// of the last it keeps the end values. Several points may share one x (a vertical edge, or a
// singleton spike such as the three points of a triangle at one number); the membership at such
// an x is the largest of their y values.
#pragma once

#include <string>
#include <vector>

#include "fuzzy/Fuzzy.h"

namespace norvale {

struct TFuzzyPoint {
  double X = 0;
  double Y = 0;
};

// One step of Iterate: folds the memberships Y1 and Y2 of the two sets at one sample position
// into the running Result (which starts at 0). Threshold is the variable's equality threshold.
using TFuzzyIterateOperator = double (*)(double Result, double Y1, double Y2, double Threshold);

// 1 when the sets meet above the threshold: some sample has min(Y1, Y2) > Threshold; else 0.
double FuzzyOperatorMinThreshold(double Result, double Y1, double Y2, double Threshold);
// The largest pointwise minimum of the two sets.
double FuzzyOperatorMaxOfMin(double Result, double Y1, double Y2, double Threshold);

class TIFuzzySet : public TInterfacedPersistent {
 public:
  TIFuzzySet();
  // A set that names Variable (held counted, see Variable()); not yet one of its terms.
  TIFuzzySet(TIFuzzyVariable* Variable, const std::string& Name);
  ~TIFuzzySet() override;

  const std::string& Name() const noexcept { return FName; }
  void SetName(const std::string& Value);

  // The variable whose universe this set lives in. A set that is one of the variable's items (a
  // term, or the empty set kept by the variable) points back to it without counting, and the
  // variable clears that pointer when it goes; any other set holds its variable counted.
  TIFuzzyVariable* Variable() const noexcept { return FVariable; }
  void SetVariable(TIFuzzyVariable* Value);
  // Not counted: the parser (the engine) outlives its sets.
  IFuzzyParser* Parser() const noexcept { return FParser; }
  void SetParser(IFuzzyParser* Value) noexcept { FParser = Value; }

  // True when the set is one of its variable's own terms. The empty set (named SEmptyFuzzy) that
  // a variable keeps among its items is not a term: listings and plots leave it out.
  bool IsTerm() const noexcept;
  // Position number given by the variable when the set became one of its items (0 before).
  int Position() const noexcept { return FPosition; }
  // Whether a plot of the variable draws this set (off for the empty set).
  bool Plot() const noexcept;
  void SetPlot(bool Value) noexcept { FPlot = Value; }

  TFuzzySetType SetType() const noexcept { return FSetType; }
  // The inflection and weight of the last beta shape (0 and 1 for other shapes).
  double Inflection() const noexcept { return FInflection; }
  double Weight() const noexcept { return FWeight; }
  // The fuzzy expression the set was made from ("very low"), empty when it has none.
  const std::string& Expression() const noexcept { return FExpression; }
  void SetExpression(const std::string& Value);

  // --- points ---
  int Count() const noexcept { return static_cast<int>(FPoints.size()); }
  double X(int Index) const;
  double Y(int Index) const;
  const std::vector<TFuzzyPoint>& Points() const noexcept { return FPoints; }
  // Inserts (X, Y) in x order; points that already have this x are replaced by it.
  void AddPoint(double X, double Y);
  void DeletePoint(int Index);
  void ClearPoints();
  // Changes between the outermost BeginUpdate and EndUpdate reach the variable once, at the end.
  void BeginUpdate() noexcept { ++FUpdateCount; }
  void EndUpdate();

  double DegreeOfMembership(double X) const;
  double LowestX() const noexcept { return FPoints.empty() ? 0.0 : FPoints.front().X; }
  double HighestX() const noexcept { return FPoints.empty() ? 0.0 : FPoints.back().X; }

  // --- defuzzification (each sets the undecidable flag; a new set is undecidable) ---
  virtual double Defuzzify() const;  // the moment method
  double MomentDefuzzify() const;
  double MaximumDefuzzify() const;
  bool Undecidable() const noexcept { return FUndecidable; }
  // The membership in Other of this set's centroid; the unit index is that of the set itself.
  double CompatibilityIndex(const TIFuzzySet& Other) const;
  double CompatibilityIndex() const { return CompatibilityIndex(*this); }

  // --- operations giving a new set (made by NewInstance, of this set's variable and parser) ---
  IFuzzySet Union(const TIFuzzySet& Other, TFuzzyOperation Operation) const;
  IFuzzySet Intersection(const TIFuzzySet& Other, TFuzzyOperation Operation) const;
  IFuzzySet Copy() const;
  // A new empty set of this object's class; subclasses override it.
  virtual IFuzzySet NewInstance() const;

  // --- operations that change this set (a set without points stays as it is) ---
  TIFuzzySet& ApplyHedge(TFuzzyHedge Hedge);
  TIFuzzySet& ApplyBaseHedge(TBaseFuzzyHedge Hedge, bool Flag, double Value);

  // Folds Op over the samples of the two sets: every x of either set (both one-sided limits and
  // the value there) and every crossing of their segments. The threshold is that of this set's
  // variable, else of Other's, else 0.
  double Iterate(const TIFuzzySet& Other, TFuzzyIterateOperator Op) const;

  // --- shapes (each replaces the points; Count >= 3 points) ---
  // Zadeh's S curve from From (0) to To (1) through (Middle, 0.5); decreasing gives the z curve.
  void SCurve(int Count, bool Increasing, double From, double To, double Middle);
  // Zadeh's pi curve: an S curve from Centre - Range up to Centre, a z curve down to Centre +
  // Range.
  void PI(int Count, double Range, double Centre);
  void PI(int Count, double Left, double Right, double Centre);
  void Triangle(double Left, double Centre, double Right);
  // The bell 1 / (1 + Weight * ((x - Centre) / Inflection)^2) over Centre -+ Range.
  void Beta(int Count, double Range, double Centre, double Inflection);
  void Beta(int Count, double Range, double Centre, double Inflection, double Weight);

  // --- text ---
  // Through the parser (without the term flag) when there is one; else the name, or "" for the
  // empty set.
  virtual std::string ToString() const;
  // Through the parser (with the term flag); else "(term <name> <points>)".
  std::string TermString() const;
  // "((x y) (x y) ...)" with "%.4f" numbers.
  std::string ValuesText() const;

  // The library's equality: another set with the same points within 0.0001.
  virtual bool Equals(const TObject* Other) const;
  // The library's degree of match: Iterate with FuzzyOperatorMaxOfMin for another set, else 0.
  virtual double FuzzyEquals(const TObject* Other);
  // The same points within 0.0001 (what the default Equals tests).
  bool SamePoints(const TIFuzzySet& Other) const;

  // Copies points, name, shape, expression, variable and parser. An item of a variable keeps its
  // variable.
  void Assign(TPersistent* Source) override;

 protected:
  // Records a change; reported to the variable now or at the outermost EndUpdate.
  void Changed();

 private:
  friend class TIFuzzyVariable;
  void AssignFrom(const TIFuzzySet& Source);
  void HoldVariable(TIFuzzyVariable* Value);
  void ReplacePoints(std::vector<TFuzzyPoint> Points, TFuzzySetType Type);
  void Rename(const std::string& Text, int Precedence);
  std::string OperandText(int MaxPrecedence) const;
  IFuzzySet Combine(const TIFuzzySet& Other, TFuzzyOperation Operation, bool IsUnion) const;

  std::string FName;
  std::string FExpression;
  // How the name binds as part of an expression: 0 a single word, 1 hedged, 2 a binary expression.
  int FNamePrecedence = 0;
  TIFuzzyVariable* FVariable = nullptr;
  IFuzzyVariable FVariableRef;  // set only while the set is not one of the variable's items
  bool FItem = false;
  int FPosition = 0;
  IFuzzyParser* FParser = nullptr;
  bool FPlot = true;
  TFuzzySetType FSetType = fstPoints;
  double FInflection = 0;
  double FWeight = 1;
  std::vector<TFuzzyPoint> FPoints;
  int FUpdateCount = 0;
  bool FPendingChange = false;
  mutable bool FUndecidable = true;
};

}  // namespace norvale
