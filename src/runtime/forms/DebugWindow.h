// The "Debug Window": the debug manager's lines of every thread, filtered by message id,
// with commands to clear, save and move through them. The window is the manager's memo
// while it lives; lines reach it only on the GUI thread.
#pragma once

#include <QWidget>

#include "runtime/DebugLog.h"

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace vt {

class TDebugWindow : public QWidget, public TDebugMemo {
 public:
  // Becomes the debug manager's memo, when there is a manager.
  TDebugWindow();
  // Leaves the manager, so that no line is handed to a freed window.
  ~TDebugWindow() override;

  // The caret to the start of the line (0 = first), scrolled into view.
  void MoveToLine(int Line);

  // TDebugMemo
  int LineCount() const override;
  void DeleteOldestLines(int Count) override;
  void AppendLine(const AnsiString& Line) override;

 protected:
  void showEvent(QShowEvent* Event) override;

 private:
  void Button1Click();
  void BtSaveClick();
  void Button5Click();
  void Button4Click();
  void BtFilterClick();
  void CheckBox1Click();
  void StayOnTopChkBoxClick();
  void SaveLines(const QString& FileName);

  QPlainTextEdit* FDebugOutput1;
  QCheckBox* FCheckBox1;
  QCheckBox* FStayOnTopChkBox;
};

}  // namespace vt
