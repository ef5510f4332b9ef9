// The one program-wide oscilloscope manager: the default recording settings every
// oscilloscope service starts from, kept in the per-user view settings from one run to
// the next. GUI thread only.
#pragma once

#include <memory>

#include "sl/values/Dictionary.h"

namespace vt {

class TOsciManager {
 public:
  // Takes the default settings from Dict's "DefaultSettings" (a retained copy) and
  // clears the user's-change flag; nil or a dictionary without them changes no settings.
  void Initialize(const TSLDictionary* Dict);

  TRef<TSLDictionary> FActiveSettings;  // nil until some are found
  // The user changed the defaults: the exit writes them back.
  bool FDefaultSettingsModifiedByUser = false;
};

// Made by the start-up, lives until the process ends.
extern std::unique_ptr<TOsciManager> OsciManager;

}  // namespace vt
