// The configuration and safety managers; see ConfigManagers.h.
#include "config/ConfigManagers.h"

namespace vt {

std::unique_ptr<TSafetyManager> SafetyManager;
std::unique_ptr<TConfigManager> ConfigManager;

}  // namespace vt
