// The agenda: the activations waiting to fire, in firing order.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "engine/rete/ReteNodes.h"

namespace norvale {

class TInferenceEngine;

// Activations ordered by salience, highest first; among equal saliences the strategy decides:
// depth-first puts a new activation before every activation of its salience, breadth-first after
// every one. Each salience is a group kept in a map, so placing an activation costs O(log groups);
// an activation's index is computed only when asked for. The agenda owns the activations on it.
class TActivationAgenda : public TObject {
 public:
  TActivationAgenda() = default;
  ~TActivationAgenda() override;
  TActivationAgenda(const TActivationAgenda&) = delete;
  TActivationAgenda& operator=(const TActivationAgenda&) = delete;

  TSearchStrategy Strategy() const noexcept { return FStrategy; }
  // Only stores the strategy; re-placing the activations is the engine's (it fires events).
  void SetStrategyValue(TSearchStrategy Value) noexcept { FStrategy = Value; }

  // Places Activation by its rule's current salience and the strategy.
  void Add(TActivation* Activation);
  // Takes Activation off the agenda without freeing it; false when it is not on the agenda.
  bool Extract(TActivation* Activation);
  // Takes Activation off and frees it.
  void Delete(TActivation* Activation);
  void Clear();

  int Count() const noexcept { return FCount; }
  bool Empty() const noexcept { return FCount == 0; }
  TActivation* First() const noexcept;
  // The position of Activation (0 fires next); -1 when it is not on the agenda.
  int IndexOf(const TActivation* Activation) const;
  TActivation* Activations(int Index) const;
  bool Contains(const TActivation* Activation) const noexcept {
    return Activation && Activation->FAgenda == this;
  }
  // Every activation in firing order (Fn may not change the agenda).
  void ForEach(const std::function<void(TActivation*)>& Fn) const;
  // The printed forms, one per line.
  std::string GetToString() const;

 private:
  struct TGroup {
    TActivation* Head = nullptr;
    TActivation* Tail = nullptr;
    int Count = 0;
  };
  std::map<int, TGroup, std::greater<int>> FGroups;
  TSearchStrategy FStrategy = ssDepthFirst;
  int FCount = 0;
};

}  // namespace norvale
