// The toolbox functions that touch windows: controls take their texts from the
// translation table in the user-interface language, and the monitor scaling of a window.
// GUI thread only. A missing control (nullptr) is ignored.
#pragma once

#include <string_view>

class QAbstractButton;
class QAction;
class QLabel;
class QToolButton;
class QWidget;

namespace vt {

// Sets the caption only when the keyword has a text (an unknown keyword keeps it).
void SetMenuCaption(QAction* MenuItem, std::u16string_view KeyWord);
// Caption = text; hint (tool tip) = the text without '&'.
void SetActionCaption(QAction* Action, std::u16string_view KeyWord);
void SetButtonHint(QToolButton* Button, std::u16string_view KeyWord);
void SetLabelCaption(QLabel* Label, std::u16string_view KeyWord);
void SetButtonCaption(QAbstractButton* Button, std::u16string_view KeyWord);

// The effective horizontal DPI of the window's screen x 100 / 96; 100 when unknown.
int GetMonitorScalingPercentage(const QWidget* Window);

}  // namespace vt
