// The message-box handler; see Dialogs.h.
#include "Dialogs.h"

#include <cstdio>

#include "TextConv.h"

namespace vt {

namespace {

TShowMessageHandler& Handler() {
  static TShowMessageHandler handler;
  return handler;
}

}  // namespace

void ShowMessage(const std::u16string& Text) {
  if (Handler()) {
    Handler()(Text);
  } else {
    std::fprintf(stderr, "%s\n", WideToUtf8(Text).c_str());
  }
}

void SetShowMessageHandler(TShowMessageHandler Handler_) { Handler() = std::move(Handler_); }

}  // namespace vt
