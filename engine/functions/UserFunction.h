// The user function model: everything callable from the knowledge language is a TIEUserFunction,
// registered with its reasoners under its current name. TCustomUserFunction and TUserFunction
// let a host supply a function as a component with an OnCall handler.
#pragma once

#include <climits>
#include <iosfwd>
#include <string>
#include <vector>

#include "engine/core/IEValue.h"
#include "engine/functions/Reasoner.h"
#include "platform/Classes.h"

namespace norvale {

class TIEContext;
class TIEUserFunction;
class TIEInnerFunction;
class TCustomUserFunction;

// How a list reports a change of its contents; Notify runs after the change.
enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// The reasoners a function is registered with. Plain pointers: reasoners are not counted.
// Notify tells the owning function of every addition and removal, which registers the function
// with that reasoner or unregisters it.
class TBaseReasonerList {
 public:
  explicit TBaseReasonerList(TIEUserFunction* Function = nullptr) noexcept : FFunction(Function) {}
  TBaseReasonerList(const TBaseReasonerList&) = delete;
  TBaseReasonerList& operator=(const TBaseReasonerList&) = delete;
  // Destruction drops the reasoners without notifying.
  virtual ~TBaseReasonerList() = default;

  // Appends Reasoner and returns its position; a reasoner already present keeps its position
  // and nothing is added. Nil is ignored (-1).
  int Add(IReasoner* Reasoner);
  void Insert(int Index, IReasoner* Reasoner);
  void Delete(int Index);
  // Removes Reasoner (notifying lnExtracted); nil when it was not in the list.
  IReasoner* Extract(IReasoner* Reasoner);
  // Removes Reasoner (notifying lnDeleted) and returns its former position, -1 when absent.
  int Remove(IReasoner* Reasoner);
  // Deletes every reasoner, last first.
  void Clear();
  // Drops Reasoner without notifying: for a reasoner that is going away and must not be called.
  void Forget(IReasoner* Reasoner) noexcept;
  // Replaces the contents by Source's reasoners (removals and additions are notified).
  void Assign(const TBaseReasonerList& Source);

  int IndexOf(const IReasoner* Reasoner) const noexcept;
  IReasoner* Get(int Index) const;
  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  const std::vector<IReasoner*>& Items() const noexcept { return FItems; }
  TIEUserFunction* UserFunction() const noexcept { return FFunction; }

 protected:
  // Calls the owning function's ReasonerNotification.
  virtual void Notify(IReasoner* Reasoner, TListNotification Action);

 private:
  void CheckIndex(int Index, int Limit) const;
  std::vector<IReasoner*> FItems;
  TIEUserFunction* FFunction;
};

// The base of all functions. Counted: create with NewRef so that AfterConstruction, where
// subclasses set their name, comment, synopsis and limits, runs on the finished object.
//
// A subclass overrides the protected Call(FunCall, TIEContext*, Result): it calls the inherited
// one (which leaves Result nil), evaluates the arguments it needs with Resolve(Context) and sets
// Result. Callers use the public Call, which checks the argument count first.
class TIEUserFunction : public TInterfacedPersistent {
 public:
  static constexpr int NoArgumentLimit = INT_MAX;

  TIEUserFunction() = default;
  explicit TIEUserFunction(const TIEName& Name);
  ~TIEUserFunction() override;
  // Freeing a function that is still referenced raises "Invalid destruction of pointer
  // reference, reference counting greater than 0" and leaves it alive.
  void BeforeDestruction() override;

  // --- properties ---
  const TIEName& FunctionName() const noexcept { return FFunctionName; }
  // A different name is unregistered from every reasoner, changed, and registered again.
  virtual void SetFunctionName(const TIEName& Value);
  virtual int MinArgumentCount() const { return FMinArgumentCount; }
  virtual int MaxArgumentCount() const { return FMaxArgumentCount; }
  // Raising the minimum above the maximum raises the maximum with it.
  virtual void SetMinArgumentCount(int Value);
  // Lowering the maximum below the minimum lowers the minimum with it.
  virtual void SetMaxArgumentCount(int Value);
  const std::string& Comment() const noexcept { return FComment; }
  void SetComment(const std::string& Value) { FComment = Value; }
  const std::string& ArgumentString() const noexcept { return FArgumentString; }
  virtual void SetArgumentString(const std::string& Value) { FArgumentString = Value; }

  // True for a function defined in the knowledge language (deffunction), which Clear removes.
  virtual bool IsInterpreted() const { return false; }

  // --- reasoners ---
  int AddReasoner(IReasoner* Reasoner) { return FReasoners.Add(Reasoner); }
  void ClearReasoners();
  void DeleteReasoner(int Index);
  void DeleteReasoner(IReasoner* Reasoner);
  int IndexOfReasoner(const IReasoner* Reasoner) const noexcept {
    return FReasoners.IndexOf(Reasoner);
  }
  IReasoner* GetReasoner(int Index) const { return FReasoners.Get(Index); }
  int GetReasonerCount() const noexcept { return FReasoners.Count(); }
  TBaseReasonerList& Reasoners() noexcept { return FReasoners; }
  // Called by the reasoner list: lnAdded registers this function with Reasoner, the removals
  // unregister it. Renaming goes through here too.
  virtual void ReasonerNotification(IReasoner* Reasoner, TListNotification Action);

  // --- calling ---
  // Raises "Too few arguments for %s" / "Too many arguments for %s" before anything of the call
  // is evaluated; a Context that is not a TIEContext raises EInvalidCast (nil passes as nil).
  void Call(const IFunCall& FunCall, TObject* Context, IIEValue& Result);
  void Call(const IFunCall& FunCall, std::nullptr_t, IIEValue& Result) {
    Call(FunCall, static_cast<TObject*>(nullptr), Result);
  }

  // Reasoner's printed form of this function; the bare name without a reasoner.
  std::string GetToString(IReasoner* Reasoner) const;

  // --- copying and storing ---
  // From another function: the limits, the comment and the name (through SetFunctionName).
  void Assign(TPersistent* Source) override;
  // FunctionName and Comment as strings, then MaxArgumentCount and MinArgumentCount, one per line.
  virtual void WriteData(std::ostream& Writer) const;
  // Reads what WriteData wrote (the name through SetFunctionName); EStreamError when malformed.
  virtual void ReadData(std::istream& Reader);
  std::string GetClassName() const { return ClassName(); }

 protected:
  // The function body. The base sets Result to nil.
  virtual void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result);

 private:
  TIEName FFunctionName;
  int FMinArgumentCount = 0;
  int FMaxArgumentCount = NoArgumentLimit;
  std::string FComment;
  std::string FArgumentString;
  TBaseReasonerList FReasoners{this};
};

// The component that tells an inner function that its owner component is gone.
class TIEFunctionNexus : public TComponent {
 public:
  explicit TIEFunctionNexus(TIEInnerFunction* Function)
      : TComponent(nullptr), FFunction(Function) {}

 protected:
  void Notification(TComponent* Component, TOperation Operation) override;

 private:
  TIEInnerFunction* FFunction;
};

// The function inside a TCustomUserFunction. It may outlive its component (engines and bound
// calls hold it); calling it then raises "Function is unimplemented or unassigned: %s". While it
// has no name it is not registered with its reasoners.
class TIEInnerFunction : public TIEUserFunction {
 public:
  explicit TIEInnerFunction(TCustomUserFunction* Owner);
  ~TIEInnerFunction() override;

  TCustomUserFunction* Owner() const noexcept { return FOwner; }
  void ReasonerNotification(IReasoner* Reasoner, TListNotification Action) override;

 protected:
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;

 private:
  friend class TIEFunctionNexus;
  friend class TCustomUserFunction;
  TCustomUserFunction* FOwner;
  TIEFunctionNexus* FNexus = nullptr;
};

using TCallEvent = TEvent<TObject* /*Sender*/, const IFunCall& /*FunCall*/, TIEContext* /*Context*/,
                          IIEValue& /*Result*/>;

// A function supplied by the host as a component: calls run OnCall, which starts with Result
// set to FCNil. In design mode OnCall is not run.
class TCustomUserFunction : public TComponent {
 public:
  explicit TCustomUserFunction(TComponent* Owner);
  TCustomUserFunction(TComponent* Owner, const TIEName& FunctionName);
  ~TCustomUserFunction() override;
  // Unregisters from the engine while the component is still whole.
  void BeforeDestruction() override;

  const IUserFunction& UserFunction() const noexcept { return FFunction; }
  const TIEName& FunctionName() const noexcept { return FInner->FunctionName(); }
  void SetFunctionName(const TIEName& Value) { FInner->SetFunctionName(Value); }
  const std::string& Comment() const noexcept { return FInner->Comment(); }
  void SetComment(const std::string& Value) { FInner->SetComment(Value); }
  const std::string& ArgumentString() const noexcept { return FInner->ArgumentString(); }
  void SetArgumentString(const std::string& Value) { FInner->SetArgumentString(Value); }
  int MinArgumentCount() const { return FInner->MinArgumentCount(); }
  int MaxArgumentCount() const { return FInner->MaxArgumentCount(); }
  // Both also rebuild ArgumentString from the old synopsis and the new limits.
  void SetMinArgumentCount(int Value);
  void SetMaxArgumentCount(int Value);
  // While the function name is the component's name (or empty), it follows renames.
  void SetName(const std::string& Value) override;

  // The engine the function is registered with; a component that is not a reasoner raises
  // EInvalidCast. Cleared when the engine is freed.
  TComponent* Engine() const noexcept { return FEngine; }
  void SetEngine(TComponent* Value);

  // From another such component: Comment, FunctionName, MaxArgumentCount, MinArgumentCount.
  void Assign(TPersistent* Source) override;

  TCallEvent OnCall;

 protected:
  void Notification(TComponent* Component, TOperation Operation) override;
  // A call of the inner function.
  virtual void DoCall(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result);

 private:
  friend class TIEInnerFunction;
  void RebuildArgumentString();
  IUserFunction FFunction;  // holds FInner
  TIEInnerFunction* FInner;
  TComponent* FEngine = nullptr;
  IReasoner* FReasoner = nullptr;
};

// The component form that publishes its properties and OnCall.
class TUserFunction : public TCustomUserFunction {
 public:
  using TCustomUserFunction::TCustomUserFunction;
};

}  // namespace norvale
