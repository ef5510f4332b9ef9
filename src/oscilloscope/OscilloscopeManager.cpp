// The oscilloscope manager; see OscilloscopeManager.h.
#include "oscilloscope/OscilloscopeManager.h"

#include "platform/Exceptions.h"

namespace vt {

std::unique_ptr<TOsciManager> OsciManager;

void TOsciManager::Initialize(const TSLDictionary* Dict) {
  FDefaultSettingsModifiedByUser = false;
  const TSLObject* defaults = Dict ? Dict->FindObject(u"DefaultSettings") : nullptr;
  if (!defaults) return;
  TRef<TSLObject> copy(defaults->CopyObject());
  FActiveSettings = TRef<TSLDictionary>(CheckedCast<TSLDictionary>(copy.get()));
}

}  // namespace vt
