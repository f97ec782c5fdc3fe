// Function packages: components that own a set of user functions and register all of them with
// every engine (reasoner) they are connected to. A package keeps its functions and its reasoners
// in two lists that notify it, so adding a function registers it with every reasoner of the
// package, and adding a reasoner registers every function with it. A concrete package overrides
// CreateFunctions only.
#pragma once

#include <string>
#include <vector>

#include "engine/functions/UserFunction.h"
#include "platform/Classes.h"

namespace norvale {

class TCustomReasonerOwner;
class TUserPackage;
class TInferenceEngine;
class TReader;
class TWriter;

// The reasoners of a reasoner owner (a package): every addition and removal is reported to the
// owner's ReasonerNotification.
class TReasonerList : public TBaseReasonerList {
 public:
  explicit TReasonerList(TCustomReasonerOwner* Owner) noexcept : FOwner(Owner) {}
  TCustomReasonerOwner* ReasonerOwner() const noexcept { return FOwner; }

 protected:
  void Notify(IReasoner* Reasoner, TListNotification Action) override;

 private:
  TCustomReasonerOwner* FOwner;
};

// A component that owns a list of reasoners and is told of each one coming and going.
class TCustomReasonerOwner : public TComponent {
 public:
  explicit TCustomReasonerOwner(TComponent* Owner) : TComponent(Owner) {}

  TReasonerList& Reasoners() noexcept { return FReasoners; }
  const TReasonerList& Reasoners() const noexcept { return FReasoners; }
  // Assigns Value's reasoners into the owned list (each removal and addition is reported).
  void SetReasoners(const TBaseReasonerList& Value) { FReasoners.Assign(Value); }

  // Called by the reasoner list after each addition and removal; does nothing here.
  virtual void ReasonerNotification(IReasoner* Reasoner, TListNotification Action);

 private:
  TReasonerList FReasoners{this};
};

// The functions of a package, in the order they were added; each is held by a reference. Every
// addition and removal is reported to the package's FunctionNotification.
class TUserFunctionList {
 public:
  explicit TUserFunctionList(TUserPackage* Package);
  TUserFunctionList(const TUserFunctionList&) = delete;
  TUserFunctionList& operator=(const TUserFunctionList&) = delete;
  // Destruction drops the functions without reporting.
  ~TUserFunctionList() = default;

  // Appends Function and returns its position; a function already present keeps its position
  // and nothing is added. Nil is ignored (-1).
  int Add(const IUserFunction& Function);
  void Insert(int Index, const IUserFunction& Function);
  void Delete(int Index);
  // Removes Function (reported as extracted); nil when it was not in the list.
  IUserFunction Extract(const IUserFunction& Function);
  // Removes Function (reported as deleted) and returns its former position, -1 when absent.
  int Remove(const IUserFunction& Function);
  // Deletes every function, last first.
  void Clear();
  // Replaces the contents by Source's functions (the same objects, shared).
  void Assign(const TUserFunctionList& Source);

  int IndexOf(const IUserFunction& Function) const noexcept;
  const IUserFunction& Items(int Index) const;
  const IUserFunction& operator[](int Index) const { return Items(Index); }
  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  const std::vector<IUserFunction>& List() const noexcept { return FItems; }
  TUserPackage* Package() const noexcept { return FPackage; }

  // Each function's name followed by CR LF, in list order.
  std::string GetToString() const;

 private:
  void CheckIndex(int Index, int Limit) const;
  void Notify(const IUserFunction& Function, TListNotification Action);

  std::vector<IUserFunction> FItems;
  TUserPackage* FPackage;
};

// A function package. Created with an engine as owner, the package has that engine among its
// reasoners, and its functions are registered there as soon as the package exists. Its Engine is
// one more reasoner that a host sets and that is cleared when that engine is freed.
//
// Lifetime: destroying the package unregisters its functions from every reasoner. A reasoner
// that is a component and is freed first is dropped without being called back: the package asks
// each such reasoner for its free notification.
//
// Streaming: the custom property "PackageFunctions" holds each function's class name and its
// WriteData; reading clears Functions and re-creates each function by class name through the
// class registry (EClassNotFound for an unknown one). Deffunctions are not stored: their bodies
// live in an engine's knowledge base, not in what WriteData writes.
class TUserPackage : public TCustomReasonerOwner {
 public:
  explicit TUserPackage(TComponent* Owner);
  ~TUserPackage() override;
  // Creates the functions (CreateFunctions).
  void AfterConstruction() override;
  // Unregisters every function from every reasoner while the package is still whole.
  void BeforeDestruction() override;

  TUserFunctionList& Functions() noexcept { return FFunctions; }
  const TUserFunctionList& Functions() const noexcept { return FFunctions; }
  // Assigns Value's functions into the owned list.
  void SetFunctions(const TUserFunctionList& Value) { FFunctions.Assign(Value); }

  // Moves the functions from the old engine to the new one (at design time the engine is only
  // stored). Cleared when that engine is freed.
  TInferenceEngine* Engine() const noexcept { return FEngine; }
  void SetEngine(TInferenceEngine* Value);

  // Reads false. Writing true re-creates the functions: every function is detached from the
  // package's reasoners and CreateFunctions runs again, so renamed functions get their names back.
  bool Reset() const noexcept { return false; }
  void SetReset(bool Value);

  // The position of the first function named Name (case-sensitive); -1 when none.
  int IndexOf(const TIEName& Name) const;

  // From another package: its functions (the same objects, shared).
  void Assign(TPersistent* Source) override;
  void DefineProperties(TFiler& Filer) override;

  // The list notifications: a reasoner added gets every function, a reasoner removed loses
  // them; a function added gets every reasoner, a function removed loses them.
  void ReasonerNotification(IReasoner* Reasoner, TListNotification Action) override;
  virtual void FunctionNotification(const IUserFunction& Function, TListNotification Action);

  // Raised by CreateFunctions before the package's functions are made.
  TNotifyEvent OnCreateFunctions;

 protected:
  virtual void AddFunctions(IReasoner* Reasoner);
  virtual void AddReasoners(const IUserFunction& Function);
  virtual void RemoveReasoners(const IUserFunction& Function);
  virtual void RemoveFunctions(IReasoner* Reasoner);
  // Raises OnCreateFunctions. A concrete package calls it first, then adds one instance of each
  // of its function classes to Functions.
  virtual void CreateFunctions();

  void Notification(TComponent* Component, TOperation Operation) override;

 private:
  // A reasoner that is a component, remembered as both: once the component is being freed its
  // reasoner part may be gone already.
  struct TReasonerComponent {
    IReasoner* Reasoner;
    TComponent* Component;
  };
  // Forgets Reasoner everywhere without calling it.
  void DropReasoner(IReasoner* Reasoner);
  // Unregisters the functions from every reasoner and empties both lists.
  void Detach();
  void WriteFunctions(TWriter& Writer) const;
  void ReadFunctions(TReader& Reader);

  TUserFunctionList FFunctions{this};
  TInferenceEngine* FEngine = nullptr;
  TComponent* FEngineComponent = nullptr;  // FEngine, as the component it was given as
  std::vector<TReasonerComponent> FReasonerComponents;
};

}  // namespace norvale
