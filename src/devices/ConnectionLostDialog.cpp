// The handler of the "Connection Lost" dialog; see ConnectionLostDialog.h.
#include "devices/ConnectionLostDialog.h"

#include <cstdio>

namespace vt {

namespace {

TConnectionLostHandler& Handler() {
  static TConnectionLostHandler handler;
  return handler;
}

}  // namespace

TModalResult ShowConnectionLostDialog(const WideString& Message) {
  if (Handler()) return Handler()(Message);
  std::fprintf(stderr, "%s\n", WideToUtf8(Message).c_str());
  return mrNone;
}

void SetConnectionLostHandler(TConnectionLostHandler Handler) { vt::Handler() = std::move(Handler); }

}  // namespace vt
