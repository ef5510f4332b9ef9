// Log windows and their manager; see LogWindows.h.
#include "runtime/forms/LogWindows.h"

#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "platform/TextConversion.h"

namespace vt {

namespace {

constexpr int PanelMargin = 8;  // above and below the button

}  // namespace

TLogWindow::TLogWindow()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint) {
  setObjectName("LogWindow");
  setAttribute(Qt::WA_DeleteOnClose);
  resize(480, 320);

  FOutMemo = new QPlainTextEdit(this);
  FOutMemo->setObjectName("OutMemo");
  FOutMemo->setReadOnly(true);

  FPanel = new QWidget(this);
  FPanel->setObjectName("Panel");
  FBtAbort = new QPushButton("&Abort", FPanel);
  FBtAbort->setObjectName("BtAbort");
  FPanel->setFixedHeight(FBtAbort->sizeHint().height() + 2 * PanelMargin);
  FPanel->installEventFilter(this);
  connect(FBtAbort, &QPushButton::clicked, this, &TLogWindow::BtAbortClick);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(FOutMemo, 1);
  layout->addWidget(FPanel);
}

void TLogWindow::PrintMessage(std::string_view Msg) { FOutMemo->appendPlainText(ToQString(AnsiToWide(Msg))); }

void TLogWindow::CloseWindow() {
  FClosing = true;
  close();
}

void TLogWindow::BtAbortClick() {
  if (OnAbort) OnAbort(this);
}

void TLogWindow::PanelResize() {
  FBtAbort->resize(FBtAbort->sizeHint());
  FBtAbort->move(FPanel->width() / 2 - FBtAbort->width() / 2, (FPanel->height() - FBtAbort->height()) / 2);
}

void TLogWindow::showEvent(QShowEvent* Event) {
  PanelResize();
  QWidget::showEvent(Event);
}

// The operation that opened the window owns it until it hides it: the user's way out
// is "&Abort", so a close from the window system is refused.
void TLogWindow::closeEvent(QCloseEvent* Event) {
  if (FClosing)
    Event->accept();
  else
    Event->ignore();
}

bool TLogWindow::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == FPanel && Event->type() == QEvent::Resize) PanelResize();
  return QWidget::eventFilter(Watched, Event);
}

TLogWindowManager::~TLogWindowManager() {
  for (TLogWindow* window : FWindowList) window->CloseWindow();
}

TLogWindow* TLogWindowManager::ShowLogWindow(std::u16string_view ACaption, TWindowEvent AOnAbort) {
  auto* window = new TLogWindow;
  window->setWindowTitle(ToQString(ACaption));
  window->OnAbort = std::move(AOnAbort);
  window->show();
  FWindowList.push_back(window);
  if (OnRegisterWindow) OnRegisterWindow(window);
  return window;
}

void TLogWindowManager::PrintMessage(const TLogWindow* AHandle, std::string_view Msg) {
  if (TLogWindow* window = GetLogWindow(AHandle)) window->PrintMessage(Msg);
}

void TLogWindowManager::HideLogWindow(const TLogWindow* AHandle) {
  TLogWindow* window = GetLogWindow(AHandle, true);
  if (!window) return;
  if (OnUnregisterWindow) OnUnregisterWindow(window);
  window->CloseWindow();
}

TLogWindow* TLogWindowManager::GetLogWindow(const TLogWindow* AHandle, bool Remove) {
  const auto it = std::find(FWindowList.begin(), FWindowList.end(), AHandle);
  if (it == FWindowList.end()) return nullptr;
  TLogWindow* window = *it;
  if (Remove) FWindowList.erase(it);
  return window;
}

namespace {

std::unique_ptr<TLogWindowManager> GLogWindowManager;

}  // namespace

TLogWindowManager* LogWindowManager() { return GLogWindowManager.get(); }

void InstallLogWindowManager(std::unique_ptr<TLogWindowManager> Manager) { GLogWindowManager = std::move(Manager); }

}  // namespace vt
