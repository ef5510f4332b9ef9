// The missing-UPID question; see MissingUPIDPrompt.h.
#include "parameters/MissingUPIDPrompt.h"

#include "platform/Format.h"

namespace vt {

namespace {

// Without the window nobody can tick "Ignore all": the box asks every time.
class TMessageBoxPrompt final : public TMissingUPIDPrompt {
 public:
  bool IgnoreAll() const override { return false; }
  void ClearIgnoreAll() override {}
  TModalResult Show(const AnsiString& Message) override {
    return MessageDlg(AnsiToWide(Message), mtWarning, MsgDlgButton(mbAbort) | MsgDlgButton(mbIgnore));
  }
};

TMessageBoxPrompt GBoxPrompt;
TMissingUPIDPrompt* GPrompt = &GBoxPrompt;

}  // namespace

TMissingUPIDPrompt& MissingUPIDPrompt() { return *GPrompt; }

void SetMissingUPIDPrompt(TMissingUPIDPrompt* Prompt) { GPrompt = Prompt ? Prompt : &GBoxPrompt; }

AnsiString MissingUPIDText(std::int32_t UPID) { return Format("UPID = %4.4Xh does not exist!", UPID); }

bool MissingUPIDAborts(std::int32_t UPID) {
  if (GPrompt->IgnoreAll()) return false;
  return GPrompt->Show(MissingUPIDText(UPID)) == mrAbort;
}

}  // namespace vt
