// The modal message boxes, the save dialog and the beep, each reached through one
// replaceable handler: the program installs the window versions at start-up
// (InstallQtDialogs); headless runs and tests install their own, so nothing ever waits
// for a click that cannot come.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vt {

using TShowMessageHandler = std::function<void(const std::u16string& Text)>;

// Shows Text and returns when the user has closed the box (or the handler returned).
void ShowMessage(const std::u16string& Text);
// Installs a handler; an empty one restores the default, which writes to stderr.
void SetShowMessageHandler(TShowMessageHandler Handler);

// The message dialog: a kind (its icon and caption), a set of buttons, and the result
// of the button that closed it.
enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore };
using TMsgDlgButtons = std::uint32_t;  // one bit per TMsgDlgBtn
constexpr TMsgDlgButtons MsgDlgButton(TMsgDlgBtn Button) { return TMsgDlgButtons{1} << Button; }

// Dialog results; mrNone when the dialog ended without a button.
enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7 };
// The result a button gives.
TModalResult ButtonResult(TMsgDlgBtn Button);

using TMessageDlgHandler =
    std::function<TModalResult(const std::u16string& Text, TMsgDlgType Type, TMsgDlgButtons Buttons)>;

// Shows the dialog and returns the result of the pressed button.
TModalResult MessageDlg(const std::u16string& Text, TMsgDlgType Type, TMsgDlgButtons Buttons);
// Installs a handler; an empty one restores the default, which writes the text to
// stderr and answers mrNone: without a window nobody can choose a button.
void SetMessageDlgHandler(TMessageDlgHandler Handler);

// A message window without buttons that the program itself shows and hides, a notice
// that some work runs. Its face on the screen comes from the installed factory, asked at
// the first Show, so the window may be made before the window layer exists; without a
// factory it only keeps its state and headless runs never wait on it.
class TMessageWindow {
 public:
  class TFace {
   public:
    virtual ~TFace() = default;
    virtual void SetVisible(bool Visible) = 0;
  };

  TMessageWindow(std::u16string Text, TMsgDlgType Type);
  ~TMessageWindow();
  TMessageWindow(const TMessageWindow&) = delete;
  TMessageWindow& operator=(const TMessageWindow&) = delete;

  void Show();
  void Hide();
  bool Visible() const { return FVisible; }
  const std::u16string& Text() const { return FText; }
  TMsgDlgType Type() const { return FType; }

 private:
  std::u16string FText;
  TMsgDlgType FType;
  bool FVisible = false;
  std::unique_ptr<TFace> FFace;
};

using TMessageWindowFactory = std::function<std::unique_ptr<TMessageWindow::TFace>(const TMessageWindow& Window)>;
// Installs the factory of faces; an empty one restores the default, which gives none.
void SetMessageWindowFactory(TMessageWindowFactory Factory);

// The save dialog of a file. Filter pairs captions and masks with "|" ("Debug Text
// (*.txt)|*.txt"; the masks of one entry separated by ";"); DefaultExt is added to a
// name given without an extension. The chosen name, empty when cancelled.
using TSaveDialogHandler = std::function<std::u16string(const std::u16string& Filter, const std::u16string& DefaultExt)>;

std::u16string ExecuteSaveDialog(const std::u16string& Filter, const std::u16string& DefaultExt);
// Installs a handler; an empty one restores the default, which chooses nothing: without
// a window nobody can.
void SetSaveDialogHandler(TSaveDialogHandler Handler);

// The system's default beep.
void Beep();
// Installs a handler; an empty one restores the default, the terminal bell on stderr.
void SetBeepHandler(std::function<void()> Handler);

}  // namespace vt
