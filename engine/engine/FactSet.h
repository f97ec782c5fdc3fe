// Fact sets (deffacts): named lists of facts asserted again at every reset, and the engine's
// list of them.
#pragma once

#include <string>
#include <vector>

#include "engine/facts/Fact.h"
#include "platform/Classes.h"

namespace norvale {

class TInferenceEngine;
class TFactSet;

// The lines of a fact set: each line is the text of one fact and may carry the fact object the
// set's engine made of it.
class TFactSetFacts : public TPersistent {
 public:
  explicit TFactSetFacts(TFactSet* FactSet) : FFactSet(FactSet) {}
  TFactSet* FactSet() const noexcept { return FFactSet; }

  int Count() const noexcept { return static_cast<int>(FLines.size()); }
  const std::string& Strings(int Index) const;
  void SetStrings(int Index, const std::string& Text);  // the attached fact is dropped
  // The attached fact of a line (nil when none), and attaching one; the text is unchanged.
  IFact GetData(int Index) const;
  void PutData(int Index, const IFact& Fact);
  int Add(const std::string& Text, const IFact& Fact = IFact());
  void Insert(int Index, const std::string& Text, const IFact& Fact = IFact());
  void Delete(int Index);
  void Clear();
  std::vector<std::string> Lines() const;
  // Fills a list with the attached facts in line order.
  void AssignTo(std::vector<IFact>& Facts) const;
  void AssignTo(TPersistent* Dest) override;
  void Assign(TPersistent* Source) override;

 private:
  struct TLine {
    std::string Text;
    IFact Fact;
  };
  void Check(int Index) const;
  TFactSet* FFactSet;
  std::vector<TLine> FLines;
};

// A named list of facts. Its engine parses the lines into facts; Reset asserts clones of them.
class TFactSet : public TComponent {
 public:
  // Named "FactSet". Owned by an engine, the engine is its engine; at design time the first
  // engine among the owner's components is.
  explicit TFactSet(TComponent* Owner);
  ~TFactSet() override;

  const std::string& Comment() const noexcept { return FComment; }
  void SetComment(const std::string& Value) { FComment = Value; }
  const std::string& FactSetName() const noexcept { return FFactSetName; }
  void SetFactSetName(const std::string& Value) { FFactSetName = Value; }

  // The engine component; only an inference engine has an effect.
  TComponent* Engine() const noexcept { return FEngine; }
  TInferenceEngine* InferenceEngine() const noexcept;
  // Registers the set with the new engine (which may detach an older set of the same name) and
  // has it parse every line; with no engine the attached facts are dropped, the text kept.
  void SetEngine(TComponent* Value);
  // Changes the engine without touching lines or attached facts.
  void SetEngineNoParse(TComponent* Value);

  TFactSetFacts& Facts() noexcept { return FFacts; }
  const TFactSetFacts& Facts() const noexcept { return FFacts; }
  // Takes a copy of Lines; with an engine every line is parsed, in order.
  void SetFacts(const std::vector<std::string>& Lines);

  // Appends the fact's printed form as a line carrying the fact; the line's position.
  int AddFact(const IFact& Fact);
  // The line's fact: the attached one, else parsed by the engine and attached; nil without
  // engine for an unparsed line.
  IFact GetFact(int Index);
  void SetFact(int Index, const IFact& Fact);
  // The line carrying that very fact object, -1 when none.
  int IndexOf(const IFact& Fact) const;
  // Deletes the line carrying that fact object; its former position, -1 when none.
  int Remove(const IFact& Fact);
  int Count() const noexcept { return FFacts.Count(); }

  // Asserts a resolved clone of each line's fact; lines that do not parse are skipped.
  virtual void Reset();
  void Assign(TPersistent* Source) override;
  TFactSet* Clone(TComponent* Owner) const;
  // The deffacts text.
  std::string GetToString();
  void Loaded() override;

 protected:
  void Notification(TComponent* Component, TOperation Operation) override;

 private:
  friend class TFactSets;
  // The list goes before the set: drop the engine without calling back into it (defined with
  // the list).
  void ForgetEngine();
  // The printed form of a fact: the engine's pretty print, else the fact's own.
  std::string PrintFact(const TFact& Fact) const;
  // Every line parsed by Engine, in order; a line whose parse raises stops the walk.
  void ParseLines(TInferenceEngine* Engine);

  std::string FComment;
  std::string FFactSetName = "FactSet";
  TComponent* FEngine = nullptr;
  // Set while an engine's list is told of a change; calls back from the list are ignored.
  bool FChangingEngine = false;
  TFactSetFacts FFacts{this};
};

// The engine's fact sets, in the order they were added; the list does not own them. A set added
// gets this engine as its engine, a set taken out loses it.
class TFactSets : public TObject {
 public:
  explicit TFactSets(TInferenceEngine* Engine) : FEngine(Engine) {}
  ~TFactSets() override;
  TFactSets(const TFactSets&) = delete;
  TFactSets& operator=(const TFactSets&) = delete;

  TInferenceEngine* Engine() const noexcept { return FEngine; }
  // A set of a listed name: the same object gives its index; another one detaches the listed
  // one first. Returns the new set's position.
  int Add(TFactSet* FactSet);
  // Takes the set out (its engine becomes nil); its former position, -1 when not listed.
  int Remove(TFactSet* FactSet);
  void Delete(int Index);
  void Clear();
  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  TFactSet* Items(int Index) const;
  int IndexOf(const TFactSet* FactSet) const;
  int IndexOf(const std::string& Name) const;
  // The engine's reset step: each set's Reset in list order.
  void Reset();
  // Every set's deffacts text, concatenated.
  std::string GetToString() const;
  // Each set's deffacts text, in list order.
  std::vector<std::string> StreamTexts() const;
  // Reads each deffacts text in the engine and adds the set it makes.
  void ReadStreamTexts(const std::vector<std::string>& Texts);
  // Clears, then adds a new set owned by the engine and assigned from each source set.
  void Assign(const TFactSets& Source);

 private:
  friend class TFactSet;
  TInferenceEngine* FEngine;
  std::vector<TFactSet*> FItems;
};

}  // namespace norvale
