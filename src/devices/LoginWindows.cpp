// The tree dialog and login information handlers; see LoginWindows.h.
#include "devices/LoginWindows.h"

#include <cstdio>

namespace vt {

namespace {

TTreeDialogHandler& TreeDialogHandler() {
  static TTreeDialogHandler handler;
  return handler;
}

TLoginInfoHandler& LoginInfoHandler() {
  static TLoginInfoHandler handler;
  return handler;
}

TLoginInfoHandler& LoginInfoAppendHandler() {
  static TLoginInfoHandler handler;
  return handler;
}

}  // namespace

TTreeDialogResult ShowTreeDialog(const TTreeDialogRequest& Request) {
  if (TreeDialogHandler()) return TreeDialogHandler()(Request);
  std::fprintf(stderr, "%s\n", WideToUtf8(Request.TopText).c_str());
  return {};
}

void SetTreeDialogHandler(TTreeDialogHandler Handler) { TreeDialogHandler() = std::move(Handler); }

void AddLoginInfoLine(const WideString& Line) {
  if (LoginInfoHandler()) LoginInfoHandler()(Line);
}

void SetLoginInfoHandler(TLoginInfoHandler Handler) { LoginInfoHandler() = std::move(Handler); }

void AppendLoginInfoText(const WideString& Text) {
  if (LoginInfoAppendHandler()) LoginInfoAppendHandler()(Text);
}

void SetLoginInfoAppendHandler(TLoginInfoHandler Handler) { LoginInfoAppendHandler() = std::move(Handler); }

}  // namespace vt
