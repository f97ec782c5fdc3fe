// The value containers: the list of values (payload of dtList), the singletons vector (x, y
// pairs; payload of dtSingletons) and the string-keyed table of values.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "engine/core/IEValue.h"

namespace norvale {

// An ordered list of values. Equality is element by element in order; the hash code is the sum
// of the elements' hash codes, so it does not depend on order.
class TValueVector : public TCloneable {
 public:
  TValueVector() = default;
  TValueVector(std::initializer_list<IIEValue> Items) : FItems(Items) {}

  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  int GetValueCount() const noexcept { return Count(); }
  const IIEValue& Get(int Index) const;
  const IIEValue& operator[](int Index) const { return Get(Index); }
  void Put(int Index, const IIEValue& Value);
  int Add(const IIEValue& Value);
  void Insert(int Index, const IIEValue& Value);
  void Delete(int Index);
  void Clear() noexcept { FItems.clear(); }
  const IIEValue& First() const { return Get(0); }
  const IIEValue& Last() const { return Get(Count() - 1); }
  // The position of the first element equal (type and value) to Value; -1 when none.
  int IndexOf(const IIEValue& Value) const;
  // Removes the first element equal to Value and returns its former position (-1 when none).
  int Remove(const IIEValue& Value);
  // Adds the elements of Other, in order; the value objects are shared, not copied.
  void Append(const TValueVector& Other);
  const std::vector<IIEValue>& Values() const noexcept { return FItems; }
  void Reserve(int N) { FItems.reserve(N); }

  // A new list holding clones of the elements.
  IValueVector Clone() const;
  ICloneable CloneObject() const override { return Clone(); }
  // The interface form: clones of Source's elements, then Source's Tag.
  void AssignFrom(const TCloneable* Source) override;
  // The persistent form always raises the assignment error (this class first, then the source's).
  void Assign(TPersistent* Source) override;

  bool Equals(const TValueVector* Other) const;
  bool Equals(const TCloneable* Other) const override;
  int32_t GetHashCode() const override;
  // Each element's printed form followed by a blank.
  std::string GetToString() const override;
  std::string ToString() const { return GetToString(); }

 private:
  void CheckIndex(int Index, int Limit) const;
  std::vector<IIEValue> FItems;
};

class ISingletonsParser {
 public:
  virtual ~ISingletonsParser() = default;
  virtual ISingletonsVector ParseSingletons(const std::string& Text) = 0;
  virtual std::string PrettyPrint(const TSingletonsVector* Singletons) = 0;
};

// A list of (x, y) pairs of values: the raw form of a fuzzy set written as points.
class TSingletonsVector : public TCloneable {
 public:
  explicit TSingletonsVector(ISingletonsParser* Parser = nullptr);

  int Count() const noexcept { return FXValues->Count(); }
  int GetCount() const noexcept { return Count(); }
  const IIEValue& XValues(int Index) const { return FXValues->Get(Index); }
  const IIEValue& YValues(int Index) const { return FYValues->Get(Index); }
  void SetXValues(int Index, const IIEValue& Value) { FXValues->Put(Index, Value); }
  void SetYValues(int Index, const IIEValue& Value) { FYValues->Put(Index, Value); }
  virtual int Add(const IIEValue& X, const IIEValue& Y);
  void Insert(int Index, const IIEValue& X, const IIEValue& Y);
  virtual void Delete(int Index);
  virtual void Clear();
  int IndexOfX(const IIEValue& Value) const { return FXValues->IndexOf(Value); }
  int IndexOfY(const IIEValue& Value) const { return FYValues->IndexOf(Value); }
  // Adds each pair of Other; the values are shared.
  void Append(const TSingletonsVector& Other);
  ISingletonsParser* Parser() const noexcept { return FParser; }
  void SetParser(ISingletonsParser* Value) noexcept { FParser = Value; }

  ISingletonsVector Clone() const;
  ICloneable CloneObject() const override { return Clone(); }
  void AssignFrom(const TCloneable* Source) override;
  void Assign(TPersistent* Source) override;

  bool Equals(const TSingletonsVector* Other) const;
  bool Equals(const TCloneable* Other) const override;
  int32_t GetHashCode() const override;
  // With a parser, the parser's printed form; otherwise "(x y) " per pair.
  std::string GetToString() const override;
  std::string ToString() const { return GetToString(); }

 private:
  void CopyFrom(const TSingletonsVector& Source);
  IValueVector FXValues;
  IValueVector FYValues;
  ISingletonsParser* FParser;
};

// The printed form the engine gives a singletons vector: "((x y) (x y) )", empty without pairs.
std::string SingletonsPrettyPrint(const TSingletonsVector& Singletons);

// A string-keyed table of values; keys iterate in insertion order.
class TValueHashTable : public TPersistent {
 public:
  explicit TValueHashTable(int Capacity = 101, double LoadFactor = 0.75, int HashType = 47)
      : FCapacity(Capacity), FLoadFactor(LoadFactor), FHashType(HashType) {}

  // Stores Value under Key; returns the value the key held before (nil when none).
  IIEValue Put(const std::string& Key, const IIEValue& Value);
  IIEValue Get(const std::string& Key) const;
  bool ContainsKey(const std::string& Key) const;
  bool ContainsKey(const std::string& Key, IIEValue& Value) const;
  IIEValue Remove(const std::string& Key);
  int Count() const noexcept { return static_cast<int>(FKeys.size()); }
  virtual void Clear();
  const std::vector<std::string>& Keys() const noexcept { return FKeys; }
  const std::string& KeyByIndex(int Index) const;
  IIEValue GetItemByIndex(int Index) const;

  void BeginUpdate() noexcept { ++FUpdateCount; }
  void EndUpdate() noexcept {
    if (FUpdateCount > 0) --FUpdateCount;
  }
  int Capacity() const noexcept { return FCapacity; }
  void SetCapacity(int Value) noexcept { FCapacity = Value; }
  double LoadFactor() const noexcept { return FLoadFactor; }
  void SetLoadFactor(double Value) noexcept { FLoadFactor = Value; }
  int HashType() const noexcept { return FHashType; }
  void SetHashType(int Value) noexcept { FHashType = Value; }

  // From another table: its sizing and clones of its values under the same keys.
  void Assign(TPersistent* Source) override;
  // "key = value" CR LF per entry.
  virtual std::string GetToString() const;

 private:
  std::unordered_map<std::string, IIEValue> FMap;
  std::vector<std::string> FKeys;
  int FCapacity;
  double FLoadFactor;
  int FHashType;
  int FUpdateCount = 0;
};

}  // namespace norvale
