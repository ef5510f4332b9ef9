// Log windows: modeless windows in which a long operation writes its progress, with an
// "&Abort" button that reaches the operation, and the manager through which operations
// open, write into and close them. GUI thread only.
#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

class QPlainTextEdit;
class QPushButton;

namespace vt {

class TLogWindow;

using TWindowEvent = std::function<void(TLogWindow* AWindow)>;

class TLogWindow : public QWidget {
 public:
  // Frees itself once closed; only its manager closes it (the user may minimize it).
  TLogWindow();

  void PrintMessage(std::string_view Msg);
  // Closes and frees the window (later, on the event loop).
  void CloseWindow();

  // Called with the window by "&Abort"; the window stays open.
  TWindowEvent OnAbort;

 protected:
  void showEvent(QShowEvent* Event) override;
  void closeEvent(QCloseEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  void BtAbortClick();
  void PanelResize();

  QPlainTextEdit* FOutMemo;
  QWidget* FPanel;
  QPushButton* FBtAbort;
  bool FClosing = false;
};

// The open log windows. A window serves as its own handle; a handle is looked up in the
// list and never followed unless listed, because a hidden window has freed itself.
class TLogWindowManager {
 public:
  TLogWindowManager() = default;
  // Closes every listed window.
  ~TLogWindowManager();
  TLogWindowManager(const TLogWindowManager&) = delete;
  TLogWindowManager& operator=(const TLogWindowManager&) = delete;

  // Shows a new log window modeless, lists it and returns it as the handle.
  TLogWindow* ShowLogWindow(std::u16string_view ACaption, TWindowEvent AOnAbort);
  // One line (8-bit text) in a listed window; other handles are ignored.
  void PrintMessage(const TLogWindow* AHandle, std::string_view Msg);
  // Unlists and closes a listed window; other handles are ignored.
  void HideLogWindow(const TLogWindow* AHandle);
  // The listed window of the handle, none if not listed; Remove takes it off the list.
  TLogWindow* GetLogWindow(const TLogWindow* AHandle, bool Remove = false);

  const std::vector<TLogWindow*>& WindowList() const { return FWindowList; }

  // The main form lists the windows in its window menu.
  TWindowEvent OnRegisterWindow;
  TWindowEvent OnUnregisterWindow;

 private:
  std::vector<TLogWindow*> FWindowList;
};

// The global manager, none until the shell installs one; installing replaces (and
// destroys) the previous one. The shell installs none before its application object
// ends, while windows can still be closed.
TLogWindowManager* LogWindowManager();
void InstallLogWindowManager(std::unique_ptr<TLogWindowManager> Manager);

}  // namespace vt
