// The option window ("Option_Window"): the drive link's checksum repetition, number of
// tries, manual buffer size and batched-read size, and the look of the program (button
// colours, dashboard renderer, main font), which needs a restart. "Close and Save" stores
// the fields in the view settings in a fixed order; "Close" stores nothing. Shown
// without blocking. GUI thread only.
#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vt {

struct TViewSettings;

class TOptionWindow : public QWidget {
 public:
  TOptionWindow(TViewSettings& Settings, QWidget* Parent = nullptr);

  void CloseAndSaveBtnClick();
  // Leaving the edits: a number clamped into its range, or the stored value again.
  void MaxBufferSizeEdtExit();
  void MultiReadEdtExit();

  QLabel* TitleLbl;
  QCheckBox* CheckSumChkBox;
  QLabel* MaxNumLbl;
  QLineEdit* MaxNumEdt;
  QLabel* MaxBufferSizeLbl;
  QLineEdit* MaxBufferSizeEdt;
  QLabel* MultiReadLbl;
  QLineEdit* MultiReadEdt;
  QLabel* VisualOptionsLbl;
  QLabel* ColorLbl;
  QComboBox* ComboBox1;  // button colours
  QLabel* FontLbl;
  QComboBox* ComboBox2;  // main font
  QLabel* RenderLbl;
  QComboBox* ComboBox3;  // dashboard renderer
  QLabel* PreviewLbl;
  QLabel* WarningImage;
  QLabel* RestartLbl;
  QPushButton* CloseAndSaveBtn;
  QPushButton* CancelBtn;

 protected:
  void showEvent(QShowEvent* Event) override;

 private:
  void FormShow();
  void ShowRestartWarning();

  TViewSettings& FSettings;
};

}  // namespace vt
