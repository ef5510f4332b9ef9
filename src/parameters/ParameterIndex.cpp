// The parameter index; see ParameterIndex.h.
#include "parameters/ParameterIndex.h"

namespace vt {

void TParameterIndex::Add(std::int32_t UPID, TParameter* Node) {
  FFirst.try_emplace(UPID, Count());
  FEntries.push_back({UPID, Node, true});
}

void TParameterIndex::AddUnkeyed(TParameter* Node) { FEntries.push_back({0, Node, false}); }

TParameter* TParameterIndex::Find(std::int32_t UPID) const {
  const int index = IndexOf(UPID);
  return index < 0 ? nullptr : FEntries[static_cast<std::size_t>(index)].Node;
}

int TParameterIndex::IndexOf(std::int32_t UPID) const {
  const auto it = FFirst.find(UPID);
  return it == FFirst.end() ? -1 : it->second;
}

}  // namespace vt
