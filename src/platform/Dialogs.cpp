// The message-box, message-dialog and beep handlers; see Dialogs.h.
#include "platform/Dialogs.h"

#include <cstdio>
#include <utility>

#include "platform/TextConversion.h"

namespace vt {

namespace {

TShowMessageHandler& MessageHandler() {
  static TShowMessageHandler handler;
  return handler;
}

TMessageDlgHandler& DialogHandler() {
  static TMessageDlgHandler handler;
  return handler;
}

TSaveDialogHandler& SaveHandler() {
  static TSaveDialogHandler handler;
  return handler;
}

TMessageWindowFactory& WindowFactory() {
  static TMessageWindowFactory factory;
  return factory;
}

std::function<void()>& BeepHandler() {
  static std::function<void()> handler;
  return handler;
}

}  // namespace

void ShowMessage(const std::u16string& Text) {
  if (MessageHandler()) {
    MessageHandler()(Text);
  } else {
    std::fprintf(stderr, "%s\n", WideToUtf8(Text).c_str());
  }
}

void SetShowMessageHandler(TShowMessageHandler Handler) { MessageHandler() = std::move(Handler); }

TModalResult ButtonResult(TMsgDlgBtn Button) {
  static constexpr TModalResult results[] = {mrYes, mrNo, mrOk, mrCancel, mrAbort, mrRetry, mrIgnore};
  return results[Button];
}

TModalResult MessageDlg(const std::u16string& Text, TMsgDlgType Type, TMsgDlgButtons Buttons) {
  if (DialogHandler()) return DialogHandler()(Text, Type, Buttons);
  std::fprintf(stderr, "%s\n", WideToUtf8(Text).c_str());
  return mrNone;
}

void SetMessageDlgHandler(TMessageDlgHandler Handler) { DialogHandler() = std::move(Handler); }

TMessageWindow::TMessageWindow(std::u16string Text, TMsgDlgType Type) : FText(std::move(Text)), FType(Type) {}

TMessageWindow::~TMessageWindow() = default;

void TMessageWindow::Show() {
  if (!FFace && WindowFactory()) FFace = WindowFactory()(*this);
  FVisible = true;
  if (FFace) FFace->SetVisible(true);
}

void TMessageWindow::Hide() {
  FVisible = false;
  if (FFace) FFace->SetVisible(false);
}

void SetMessageWindowFactory(TMessageWindowFactory Factory) { WindowFactory() = std::move(Factory); }

std::u16string ExecuteSaveDialog(const std::u16string& Filter, const std::u16string& DefaultExt) {
  return SaveHandler() ? SaveHandler()(Filter, DefaultExt) : std::u16string();
}

void SetSaveDialogHandler(TSaveDialogHandler Handler) { SaveHandler() = std::move(Handler); }

void Beep() {
  if (BeepHandler()) {
    BeepHandler()();
  } else {
    std::fputc('\a', stderr);
  }
}

void SetBeepHandler(std::function<void()> Handler) { BeepHandler() = std::move(Handler); }

}  // namespace vt
