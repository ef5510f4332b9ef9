// The address edits of the login dialog and of script forms: TIP4Edit, four number
// fields of 0 to 255 on one sunken panel, checked as the user types and walked with the
// keyboard; TIP6Edit, one free text field on such a panel. The panel is the control:
// its owner places, sizes and names it. A control made for a script form ends the
// form's wait for a button when the focus leaves it. GUI thread only.
#pragma once

#include <QFrame>

#include <array>
#include <cstdint>

#include "platform/TextConversion.h"
#include "ui/UiLimits.h"

class QKeyEvent;
class QLabel;
class QLineEdit;

namespace vt {

class TIP4Field;

// What both edits share: the panel and the script form's exit hook.
class TIPEditPanel : public QFrame {
 public:
  void SetPosition(int ATop, int ALeft) { move(ALeft, ATop); }
  void SetSize(int AHeight, int AWidth) { resize(AWidth, AHeight); }
  // Marks the control as made by a script form.
  void SetScriptFlag() { FScriptFlag = true; }

 protected:
  // The panel is a child of AOwner, which a script form also is as the wait's owner.
  explicit TIPEditPanel(QWidget* AOwner);

 private:
  // The focus left the panel and everything on it for another control of the window.
  void IPEditOnExit();

  QWidget* const FOwner;
  bool FScriptFlag = false;
};

class TIP4Edit : public TIPEditPanel {
 public:
  // Every field shows '0'. The fields are named "Editor0" to "Editor3".
  explicit TIP4Edit(QWidget* AOwner);

  // Shows and enables, or hides and disables.
  void SetVisibility(bool AVisible);
  // Field 0 shows the high byte.
  void SetIPValue(std::uint32_t IPValue);
  // Raises EConvertError "'%s' is not a valid integer value" for a field that holds no
  // number (empty); the fields keep their text.
  std::uint32_t GetIPValue() const;

  QSize sizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* Event) override;

 private:
  friend class TIP4Field;
  // The keys that walk between the fields; true when Event must insert nothing.
  bool IP4EditKeyDown(int Index, const QKeyEvent* Event);
  // The field's text as the user changed it (typing, pasting), never as set here.
  void IP4EditChange(int Index);
  void SelectField(int Index);
  int FieldHeight() const;

  std::array<TIP4Field*, IP4FieldCount> Editor;
  std::array<QLabel*, IP4FieldCount - 1> Separator;
};

class TIP6Edit : public TIPEditPanel {
 public:
  // The field is named "Edit".
  explicit TIP6Edit(QWidget* AOwner);

  // The text as it is, without check or normalisation.
  void SetStrVal(const WideString& StrValue);
  WideString GetStrVal() const;

 private:
  QLineEdit* Edit;
};

}  // namespace vt
