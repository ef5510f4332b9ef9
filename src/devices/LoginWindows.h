// The windows a device's services show while it logs in: the tree dialog (a drive whose
// parameter-tree descriptions are missing or only compatible) and the login information
// window with its progress lines. Each is reached through one replaceable handler, as
// the message boxes are: the program installs the window versions at start-up
// (InstallLoginWindows); headless runs and tests install their own.
#pragma once

#include <functional>

#include "platform/Dialogs.h"
#include "platform/TextConversion.h"

namespace vt {

// What the tree dialog shows. Texts may hold CR as line breaks.
struct TTreeDialogRequest {
  WideString TopText;
  bool FirstButtonVisible = true;  // "Yes"
  WideString SecondButton;         // its caption: "No" or "OK"
  WideString Details;              // in the panel the details button shows
};

struct TTreeDialogResult {
  TModalResult Result = mrNone;  // mrYes for the first button, mrNo for the second
  // A newer firmware description was downloaded from the dialog.
  bool NewOldReleasesFlag = false;
};

using TTreeDialogHandler = std::function<TTreeDialogResult(const TTreeDialogRequest& Request)>;

// Shows the dialog modally and returns how it was closed.
TTreeDialogResult ShowTreeDialog(const TTreeDialogRequest& Request);
// Installs a handler; an empty one restores the default, which writes the top text to
// stderr and answers mrNone: without a window nobody can choose.
void SetTreeDialogHandler(TTreeDialogHandler Handler);

using TLoginInfoHandler = std::function<void(const WideString& Line)>;

// Adds one line to the login information window.
void AddLoginInfoLine(const WideString& Line);
// Installs a handler; an empty one restores the default, which drops the line.
void SetLoginInfoHandler(TLoginInfoHandler Handler);

// Appends Text to the window's last line; a CR in it begins a new line.
void AppendLoginInfoText(const WideString& Text);
// Installs a handler; an empty one restores the default, which drops the text.
void SetLoginInfoAppendHandler(TLoginInfoHandler Handler);

}  // namespace vt
