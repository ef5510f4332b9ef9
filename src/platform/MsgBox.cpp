// The message hook; see MsgBox.h.
#include "MsgBox.h"

#include <cstdio>
#include <utility>

namespace vt {

namespace {

TShowMessageHandler& Handler() {
  static TShowMessageHandler handler;
  return handler;
}

}  // namespace

void ShowMessage(std::string_view Utf8Text) {
  if (Handler()) {
    Handler()(std::string(Utf8Text));
    return;
  }
  std::fprintf(stderr, "%.*s\n", static_cast<int>(Utf8Text.size()), Utf8Text.data());
}

TShowMessageHandler SetShowMessageHandler(TShowMessageHandler NewHandler) {
  return std::exchange(Handler(), std::move(NewHandler));
}

}  // namespace vt
