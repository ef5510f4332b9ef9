// The process-wide managers of the configuration service page and of the safety service;
// each will own its view factory, which joins with its window. GUI thread only.
#pragma once

#include <memory>

namespace vt {

class TSafetyManager {};
class TConfigManager {};

// Made by the start-up, live until the process ends.
extern std::unique_ptr<TSafetyManager> SafetyManager;
extern std::unique_ptr<TConfigManager> ConfigManager;

}  // namespace vt
