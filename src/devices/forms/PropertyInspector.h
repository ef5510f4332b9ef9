// The property inspector: the one small tool window of the program that shows the
// property list of whatever the user selected last (a device, a service, a parameter, a
// drive variable…): its type text, up to ten values in text boxes or drop-down lists,
// its help text in the user's language, and a "More..." link into the device's help
// file. Views fill it when shown or when their selection changes, and clear it when they
// are hidden while it still shows their list.
//
// The help file opens with the desktop's handler; a keyword inside a compiled help file
// cannot be looked up there, so the keyword is only written to the debug log.
//
// Threads: the GUI thread only.
#pragma once

#include <QWidget>

#include <array>
#include <functional>
#include <optional>

#include "devices/PropertyList.h"
#include "platform/TextConversion.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTextEdit;

namespace vt {

class TDevice;
class TParameter;

// What "More..." needs of a parameter or a drive variable.
struct TObjectHelp {
  AnsiString HelpKeyWord;
  // The first letter picks the device's help file: "M" motion control, "I" interface,
  // "A" application.
  AnsiString TreeName;
  TDevice* Device = nullptr;
  // The object's own list, whose help text is shown.
  const TPropertyList* Info = nullptr;
  // A drive variable: the keyword "0" counts as none, and an empty help text adds
  // nothing.
  bool Variable = false;
};

// The help of a parameter node: its keyword, tree, device and own property list.
TObjectHelp ParameterHelp(TParameter* AParameter);

class TPropertyInspector : public QWidget {
 public:
  static constexpr int RowCount = 10;

  explicit TPropertyInspector(QWidget* Parent = nullptr);

  // Shows AList's type text and values of AObject; AHelp for a parameter or a drive
  // variable, none for any other object. Errors of the getters pass to the caller.
  void EditObjectProperties(TPropertyObject AObject, TPropertyList* AList,
                            const std::optional<TObjectHelp>& AHelp = std::nullopt);
  void EditObjectProperties(TParameter* AParameter, TPropertyList* AList);
  // The help text of the object shown and every caption, again from the translation
  // table in the current language.
  void UpdateInfoText();
  // Whether AList is given and is the list shown.
  bool IsAssignedTo(const TPropertyList* AList) const { return AList && FPropertyList == AList; }
  // Shows nothing; the object stays remembered.
  void Clear();

  // One row: the property's caption, and its value in a text box or a drop-down list.
  struct TEditBox {
    QLabel* InfoLabel;
    QLineEdit* Edit;
    QComboBox* Combo;
  };

  QTabWidget* PageControl1;
  QWidget* HelpTab;
  QWidget* InfoTab;
  QTextEdit* InfoRichEdit;
  QWidget* Panel1;
  QLabel* VirtualImage1;
  QTextEdit* InfoBox;
  QLabel* InfoInfoLabel;
  QWidget* Panel2;
  QLabel* MoreLbl;
  QCheckBox* ShowCheckBox;
  QPushButton* Button1;
  TEditBox ObjTypeEditBox;
  std::array<TEditBox, RowCount> EditBoxList;

  TPropertyList* PropertyList() const { return FPropertyList; }
  TPropertyObject EditObject() const { return FEditObject; }
  const AnsiString& UPIDHelpString() const { return FUPIDHelpString; }

 protected:
  void showEvent(QShowEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  void FormCreate();
  void FormShow();
  void FormResize();
  void PageControl1Change();
  void MoreLblClick();
  void ShowCheckBoxClick();
  // The help text and keyword of the object shown; with AlwaysAddParameterText a
  // parameter's text is added even when empty.
  void FillHelp(bool AlwaysAddParameterText);
  void AddHelpText(const AnsiString& AText);
  // Writes row I's text box, or its drop-down's choice; a refused value is shown and the
  // row reloaded.
  void EditExit(int I);
  void ComboChange(int I);
  // Text through row I's item's setter; when refused, the message is shown and Reload
  // gets the item's value.
  void WriteRow(int I, const QString& Text, const std::function<void(const AnsiString&)>& Reload);
  // Places the description label and the help text below the last row shown.
  void PlaceDescription(int ShownRows);
  // A design distance times the scale factor, rounded up.
  int Px(int Distance) const;

  // Set while rows are refilled or a value is written: no row writes meanwhile.
  struct TBusy {
    explicit TBusy(bool& AFlag) : Flag(AFlag), Old(AFlag) { Flag = true; }
    ~TBusy() { Flag = Old; }
    bool& Flag;
    const bool Old;
  };
  bool FBusy = false;
  TPropertyList* FPropertyList = nullptr;
  TPropertyObject FEditObject = nullptr;
  std::optional<TObjectHelp> FHelp;  // the selected object's, for "More..."
  AnsiString FUPIDHelpString;
  double ScaleMultiplier = 1.0;
};

// The program's one inspector; none until created.
TPropertyInspector* PropertyInspector();
void CreatePropertyInspector();
void FreePropertyInspector();

}  // namespace vt
