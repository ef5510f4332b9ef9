// The property inspector; see PropertyInspector.h.
#include "devices/forms/PropertyInspector.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>

#include <cmath>
#include <memory>

#include "devices/Device.h"
#include "devices/DeviceManager.h"
#include "parameters/Parameter.h"
#include "parameters/ParameterService.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/OpenDocument.h"
#include "platform/PathResolver.h"
#include "runtime/ApplicationState.h"
#include "runtime/DebugLog.h"
#include "runtime/Translations.h"
#include "ui/ImageList.h"

namespace vt {

namespace {

// Design sizes and distances, before scaling.
constexpr int MinWidth = 325, MinHeight = 244;
constexpr int DesignWidth = 484, DesignHeight = 361;
constexpr int LabelLeft = 5, LabelWidth = 180;
constexpr int EditLeft = 100, EditWidth = 280;
constexpr int RowPitch = 25, RowTop = 10, ComboOffset = 5;
constexpr int DescriptionHeight = 100;
constexpr int RightMargin = 130, BottomMargin = 75;
constexpr int BottomPanelHeight = 29;
constexpr int InfoImage = 114;
constexpr int RichTextPixelSize = 12;

std::unique_ptr<TPropertyInspector> TheInspector;

QString ToText(const AnsiString& Text) { return ToQString(AnsiToWide(Text)); }
AnsiString FromText(const QString& Text) { return WideToAnsi(FromQString(Text)); }

// The translation of AKeyWord, or AFallback when the table has none.
QString Translated(std::u16string_view AKeyWord, const QString& AFallback) {
  const WideString text = GetInfoSysText(AKeyWord);
  return text.empty() ? AFallback : ToQString(text);
}

template <class T, class... A>
T* Make(QWidget* Parent, const char* Name, A&&... Args) {
  auto* control = new T(std::forward<A>(Args)..., Parent);
  control->setObjectName(Name);
  return control;
}

// Help texts separate their lines by single carriage returns.
QString HelpParagraph(const AnsiString& Text) {
  QString text = ToText(Text);
  text.replace('\r', '\n');
  return text;
}

}  // namespace

TObjectHelp ParameterHelp(TParameter* AParameter) {
  return {AParameter->HelpKeyWord(), AParameter->GetTree(), AParameter->Owner()->Device(), &AParameter->PropList(),
          false};
}

TPropertyInspector::TPropertyInspector(QWidget* Parent) : QWidget(Parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
  FormCreate();
}

int TPropertyInspector::Px(int Distance) const {
  return static_cast<int>(std::ceil(Distance * ScaleMultiplier));
}

void TPropertyInspector::FormCreate() {
  setObjectName("PropertyInspector");
  setWindowTitle("Object Inspector");
  // Only the close box among the title bar's buttons.
  setWindowFlags(windowFlags() & ~(Qt::WindowMinMaxButtonsHint));
  ScaleMultiplier = ApplicationState().ScaleFactor > 0 ? ApplicationState().ScaleFactor : 1.0;
  setMinimumSize(Px(MinWidth), Px(MinHeight));
  resize(Px(DesignWidth), Px(DesignHeight));
  setAutoFillBackground(true);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  PageControl1 = Make<QTabWidget>(this, "PageControl1");
  layout->addWidget(PageControl1, 1);
  HelpTab = Make<QWidget>(nullptr, "HelpTab");
  InfoTab = Make<QWidget>(nullptr, "InfoTab");
  PageControl1->addTab(HelpTab, "&Object description");
  PageControl1->addTab(InfoTab, "&What is the Object Inspector?");

  QFont richFont = font();
  richFont.setPixelSize(Px(RichTextPixelSize));
  auto* infoLayout = new QHBoxLayout(InfoTab);
  Panel1 = Make<QWidget>(InfoTab, "Panel1");
  VirtualImage1 = Make<QLabel>(Panel1, "VirtualImage1");
  if (TDeviceManager* devices = DeviceManager())
    if (const QImage image = devices->ModelManager().ImageList()->Image(InfoImage); !image.isNull())
      VirtualImage1->setPixmap(QPixmap::fromImage(image));
  infoLayout->addWidget(Panel1);
  InfoRichEdit = Make<QTextEdit>(InfoTab, "InfoRichEdit");
  InfoRichEdit->setReadOnly(true);
  InfoRichEdit->setFont(richFont);
  infoLayout->addWidget(InfoRichEdit, 1);

  const auto makeRow = [&](const char* Suffix, const QString& Caption) {
    TEditBox row;
    row.InfoLabel = Make<QLabel>(HelpTab, (std::string("InfoLabel") + Suffix).c_str(), Caption);
    row.Edit = Make<QLineEdit>(HelpTab, (std::string("Edit") + Suffix).c_str());
    row.Combo = Make<QComboBox>(HelpTab, (std::string("Combo") + Suffix).c_str());
    row.Combo->setEditable(false);
    return row;
  };
  ObjTypeEditBox = makeRow("ObjType", "Object Type");
  ObjTypeEditBox.Edit->setReadOnly(true);
  ObjTypeEditBox.Combo->hide();
  for (int i = 0; i < RowCount; ++i) {
    const std::string n = std::to_string(i + 1);
    TEditBox& row = EditBoxList[i] = makeRow(n.c_str(), QString("Caption%1").arg(i + 1));
    row.Edit->installEventFilter(this);
    row.Combo->installEventFilter(this);
    connect(row.Combo, &QComboBox::activated, this, [this, i] { ComboChange(i); });
  }
  InfoInfoLabel = Make<QLabel>(HelpTab, "InfoInfoLabel", "Description");
  InfoBox = Make<QTextEdit>(HelpTab, "InfoBox");
  InfoBox->setReadOnly(true);
  InfoBox->setFont(richFont);

  // Row i's controls at their design places; only their heights follow the font.
  const auto place = [&](TEditBox& Row, int Top) {
    // The label as high as the text box, its caption level with the value.
    Row.InfoLabel->setGeometry(Px(LabelLeft), Px(Top), Px(LabelWidth), Row.Edit->sizeHint().height());
    Row.InfoLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Row.Edit->setGeometry(Px(EditLeft), Px(Top), Px(EditWidth), Row.Edit->sizeHint().height());
    Row.Combo->setGeometry(Px(EditLeft), Px(Top + ComboOffset), Px(EditWidth), Row.Combo->sizeHint().height());
  };
  place(ObjTypeEditBox, RowTop);
  for (int i = 0; i < RowCount; ++i) place(EditBoxList[i], RowPitch * (i + 1) + RowTop);
  InfoInfoLabel->setGeometry(Px(LabelLeft), 0, Px(LabelWidth), InfoInfoLabel->sizeHint().height());
  InfoBox->setGeometry(Px(EditLeft), 0, Px(EditWidth), Px(DescriptionHeight));

  Panel2 = Make<QWidget>(this, "Panel2");
  Panel2->setFixedHeight(Px(BottomPanelHeight));
  layout->addWidget(Panel2);
  auto* bottom = new QHBoxLayout(Panel2);
  bottom->setContentsMargins(Px(5), 0, Px(3), 0);
  MoreLbl = Make<QLabel>(Panel2, "MoreLbl", "<a href=\"more\">More...</a>");
  MoreLbl->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  MoreLbl->hide();
  connect(MoreLbl, &QLabel::linkActivated, this, [this] { MoreLblClick(); });
  ShowCheckBox = Make<QCheckBox>(Panel2, "ShowCheckBox", "Show Object Inspector after Login");
  connect(ShowCheckBox, &QCheckBox::clicked, this, [this] { ShowCheckBoxClick(); });
  Button1 = Make<QPushButton>(Panel2, "Button1", "Close");
  connect(Button1, &QPushButton::clicked, this, &QWidget::close);
  bottom->addWidget(MoreLbl);
  bottom->addStretch(1);
  bottom->addWidget(ShowCheckBox);
  bottom->addWidget(Button1);

  connect(PageControl1, &QTabWidget::currentChanged, this, [this] { PageControl1Change(); });
  Clear();
}

// ---- Showing an object ----

void TPropertyInspector::EditObjectProperties(TPropertyObject AObject, TPropertyList* AList,
                                              const std::optional<TObjectHelp>& AHelp) {
  // A row losing the focus while it is refilled must not write into the new object.
  const TBusy busy(FBusy);
  PageControl1->setCurrentWidget(HelpTab);
  FPropertyList = AList;
  FEditObject = AObject;
  FHelp = AHelp;
  ObjTypeEditBox.Edit->setText(ToText(AList->FObjType));
  ObjTypeEditBox.InfoLabel->show();
  ObjTypeEditBox.Edit->show();
  // A list holds at most ten items; more have no row.
  const int shown = std::min(AList->GetCount(), RowCount);
  for (int i = 0; i < shown; ++i) {
    const TPropertyItem* item = AList->GetItemAtIndex(i);
    TEditBox& row = EditBoxList[i];
    row.InfoLabel->setText(ToText(item->GetCaption()));
    if (item->FViewer == "EDIT") {
      row.Combo->hide();
      row.Edit->show();
      row.Edit->setReadOnly(item->FReadOnly);
      row.InfoLabel->show();
      row.Edit->setText(ToText(item->GetValue(AObject)));
    } else if (item->FViewer == "COMBO") {
      row.Combo->clear();
      row.Combo->setEnabled(!item->FReadOnly);
      if (!item->FComboListStr.empty())
        for (const QString& choice : ToText(item->FComboListStr).split(',')) row.Combo->addItem(choice);
      row.Combo->show();
      row.Edit->hide();
      row.InfoLabel->show();
      row.Combo->setCurrentIndex(row.Combo->findText(ToText(item->GetValue(AObject)), Qt::MatchExactly));
    }
  }
  for (int i = shown; i < RowCount; ++i) {
    EditBoxList[i].InfoLabel->hide();
    EditBoxList[i].Edit->hide();
    EditBoxList[i].Combo->hide();
  }
  InfoBox->clear();
  MoreLbl->hide();
  FillHelp(true);
  PlaceDescription(shown);
  FormResize();
}

void TPropertyInspector::EditObjectProperties(TParameter* AParameter, TPropertyList* AList) {
  EditObjectProperties(AParameter, AList, ParameterHelp(AParameter));
}

void TPropertyInspector::FillHelp(bool AlwaysAddParameterText) {
  if (!FHelp) {
    FUPIDHelpString.clear();
    AddHelpText(FPropertyList->GetInfoStr(ApplicationState().LanguageName));
    return;
  }
  const AnsiString& keyword = FHelp->HelpKeyWord;
  const bool none = keyword.empty() || (FHelp->Variable && keyword == "0");
  FUPIDHelpString = none ? AnsiString() : keyword;
  MoreLbl->setVisible(!none);
  const AnsiString text = FHelp->Info ? FHelp->Info->GetInfoStr(ApplicationState().LanguageName) : AnsiString();
  if (!text.empty() || (AlwaysAddParameterText && !FHelp->Variable)) AddHelpText(text);
}

void TPropertyInspector::AddHelpText(const AnsiString& AText) { InfoBox->append(HelpParagraph(AText)); }

void TPropertyInspector::PlaceDescription(int ShownRows) {
  const QLabel* last = ShownRows > 0 ? EditBoxList[ShownRows - 1].InfoLabel : ObjTypeEditBox.InfoLabel;
  const int top = last->y() + Px(RowPitch);
  InfoInfoLabel->move(InfoInfoLabel->x(), top);
  InfoBox->move(InfoBox->x(), top);
  InfoInfoLabel->show();
  InfoBox->show();
}

void TPropertyInspector::Clear() {
  const TBusy busy(FBusy);
  FPropertyList = nullptr;
  ObjTypeEditBox.InfoLabel->hide();
  ObjTypeEditBox.Edit->hide();
  for (TEditBox& row : EditBoxList) {
    row.InfoLabel->hide();
    row.Edit->hide();
    row.Combo->hide();
  }
  InfoInfoLabel->hide();
  InfoBox->hide();
  InfoBox->clear();
}

void TPropertyInspector::UpdateInfoText() {
  MoreLbl->hide();
  setWindowTitle(Translated(u"Object_Inspector", windowTitle()));
  if (FPropertyList) {
    InfoBox->clear();
    FillHelp(false);
    ObjTypeEditBox.InfoLabel->setText(Translated(u"Object_Type", ObjTypeEditBox.InfoLabel->text()));
    InfoInfoLabel->setText(Translated(u"Description", InfoInfoLabel->text()));
  }
  InfoRichEdit->setPlainText(Translated(u"ObjectInspectorHelpText", InfoRichEdit->toPlainText()));
  PageControl1->setTabText(0, Translated(u"ObjectDescription", PageControl1->tabText(0)));
  PageControl1->setTabText(1, Translated(u"WhatIsObjectInspector", PageControl1->tabText(1)));
  ShowCheckBox->setChecked(ApplicationState().ShowObjectInspector);
  ShowCheckBox->setText(Translated(u"ShowObjectInspector", ShowCheckBox->text()));
  Button1->setText(Translated(u"CloseObjectInspector", Button1->text()));
  if (const WideString more = GetInfoSysText(u"MoreLblText"); !more.empty())
    MoreLbl->setText("<a href=\"more\">" + ToQString(more).toHtmlEscaped() + "</a>");
  InfoBox->verticalScrollBar()->setValue(0);
}

// ---- Window events ----

void TPropertyInspector::showEvent(QShowEvent* Event) {
  QWidget::showEvent(Event);
  FormShow();
}

void TPropertyInspector::FormShow() {
  PageControl1->setCurrentWidget(HelpTab);
  UpdateInfoText();
  FormResize();
}

void TPropertyInspector::resizeEvent(QResizeEvent* Event) {
  QWidget::resizeEvent(Event);
  FormResize();
}

void TPropertyInspector::FormResize() {
  if (FPropertyList) {
    const int w = width() - Px(RightMargin);
    ObjTypeEditBox.Edit->resize(w, ObjTypeEditBox.Edit->height());
    for (TEditBox& row : EditBoxList) {
      row.InfoLabel->resize(w, row.InfoLabel->height());
      row.Edit->resize(w, row.Edit->height());
      row.Combo->resize(w, row.Combo->height());
    }
    InfoBox->resize(w, std::max(0, height() - Px(BottomMargin) - InfoBox->y() - Panel2->height()));
  }
  // The close button keeps 3 pixels from the bottom panel's right edge: the panel's
  // layout does it.
}

void TPropertyInspector::PageControl1Change() {
  if (PageControl1->currentWidget() == InfoTab)
    InfoRichEdit->setPlainText(Translated(u"ObjectInspectorHelpText", InfoRichEdit->toPlainText()));
}

void TPropertyInspector::ShowCheckBoxClick() { ApplicationState().ShowObjectInspector = ShowCheckBox->isChecked(); }

void TPropertyInspector::MoreLblClick() {
  const AnsiString keyword =
      !FUPIDHelpString.empty() && FUPIDHelpString != "0" ? FUPIDHelpString : AnsiString("Overview");
  if (!FHelp || !FHelp->Device || FHelp->TreeName.empty()) return;
  int kind;
  switch (FHelp->TreeName[0]) {
    case 'M': kind = 0; break;
    case 'I': kind = 1; break;
    case 'A': kind = 2; break;
    default: return;
  }
  const AnsiString file = FHelp->Device->GetHTMLHelp(kind, ApplicationState().LanguageName);
  if (file.empty()) return;
  LogInfo("Help file " + file + ", keyword " + keyword);
  OpenDocument(ResolvePath(AnsiToWide(file)));
}

// ---- Writing values ----

bool TPropertyInspector::eventFilter(QObject* Watched, QEvent* Event) {
  for (int i = 0; i < RowCount; ++i) {
    const TEditBox& row = EditBoxList[i];
    if (Watched == row.Edit) {
      if (Event->type() == QEvent::FocusOut) EditExit(i);
      if (Event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(Event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
          EditExit(i);
          return true;
        }
      }
    }
    if (Watched == row.Combo && Event->type() == QEvent::FocusOut) ComboChange(i);
  }
  return QWidget::eventFilter(Watched, Event);
}

void TPropertyInspector::EditExit(int I) {
  QLineEdit* edit = EditBoxList[I].Edit;
  if (edit->isReadOnly()) return;
  WriteRow(I, edit->text(), [edit](const AnsiString& Value) { edit->setText(ToText(Value)); });
}

void TPropertyInspector::ComboChange(int I) {
  QComboBox* combo = EditBoxList[I].Combo;
  if (!combo->isEnabled()) return;
  WriteRow(I, combo->currentText(), [combo](const AnsiString& Value) {
    combo->setCurrentIndex(combo->findText(ToText(Value), Qt::MatchExactly));
  });
}

void TPropertyInspector::WriteRow(int I, const QString& Text, const std::function<void(const AnsiString&)>& Reload) {
  if (FBusy || !FPropertyList || I >= FPropertyList->GetCount()) return;
  // The message box takes the focus: that leaving writes nothing again.
  const TBusy busy(FBusy);
  TPropertyItem* item = FPropertyList->GetItemAtIndex(I);
  try {
    item->SetValue(FEditObject, FromText(Text));
  } catch (const Exception& e) {
    ShowMessage(AnsiToWide(e.Message()));
    Reload(item->GetValue(FEditObject));
  }
}

// ---- The program's one inspector ----

TPropertyInspector* PropertyInspector() { return TheInspector.get(); }

void CreatePropertyInspector() {
  if (!TheInspector) TheInspector = std::make_unique<TPropertyInspector>();
}

void FreePropertyInspector() { TheInspector.reset(); }

}  // namespace vt
