// An index of parameter nodes by UPID, as the parameter service keeps two of them (by
// master and by device UPID): entries in insertion order, a key may repeat, and a
// look-up answers the first entry of the key. A hash of each key's first position makes
// the look-up constant in time with exactly those answers.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace vt {

class TParameter;

class TParameterIndex {
 public:
  struct TEntry {
    std::int32_t UPID;
    TParameter* Node;  // not owned
    bool Keyed;        // false for the root's entry, which no UPID finds
  };

  // Appends an entry; a key already present keeps its first position.
  void Add(std::int32_t UPID, TParameter* Node);
  // The root's entry: it holds a place but no key.
  void AddUnkeyed(TParameter* Node);
  // The first node of that UPID, none when there is none.
  TParameter* Find(std::int32_t UPID) const;
  // The position of the first entry of that UPID, -1 when there is none.
  int IndexOf(std::int32_t UPID) const;

  int Count() const { return static_cast<int>(FEntries.size()); }
  const TEntry& At(int Index) const { return FEntries.at(static_cast<std::size_t>(Index)); }

 private:
  std::vector<TEntry> FEntries;                 // insertion order
  std::unordered_map<std::int32_t, int> FFirst;  // key → first position
};

}  // namespace vt
