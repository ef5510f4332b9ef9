// What the fuzz entries share: cutting the cycles a decoded value may hold, so that
// nothing of one input outlives it, and a scratch folder with a storage manager for the
// entries that read files.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sl/values/Object.h"

namespace vt {

class TStorageManager;

// Holds the values one input produced. At the end it empties every array and
// dictionary reachable from them (a text may tie them into cycles, which reference
// counting never frees) and purges the autorelease pool.
class TFuzzValues {
 public:
  TFuzzValues() = default;
  TFuzzValues(const TFuzzValues&) = delete;
  TFuzzValues& operator=(const TFuzzValues&) = delete;
  ~TFuzzValues();
  TSLObject* Keep(TSLObject* Value);

 private:
  std::vector<TRef<TSLObject>> FValues;
};

// A storage manager (the process's one when there is one, else a new one for this
// input) and a scratch folder whose files, and their storage IDs, go at the end.
class TFuzzStorage {
 public:
  TFuzzStorage();
  TFuzzStorage(const TFuzzStorage&) = delete;
  TFuzzStorage& operator=(const TFuzzStorage&) = delete;
  ~TFuzzStorage();
  // Writes Bytes to a file of the scratch folder; its full name.
  std::string Put(const std::string& Name, const std::string& Bytes) const;
  std::string Get(const std::string& Name) const;
  std::string Path(const std::string& Name) const;

 private:
  std::unique_ptr<TStorageManager> FOwnManager;
};

// The SL text of a value, as the storage manager writes it.
std::string FuzzText(TSLObject* Value);

}  // namespace vt
