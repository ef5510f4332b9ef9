// Opening documents with the desktop's handler; see OpenDocument.h.
#include "platform/OpenDocument.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace vt {

namespace {

TOpenDocumentHandler& Handler() {
  static TOpenDocumentHandler handler;
  return handler;
}

}  // namespace

bool OpenDocument(const std::filesystem::path& Path) {
  if (Handler()) return Handler()(Path);
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(Path.string())));
}

void SetOpenDocumentHandler(TOpenDocumentHandler AHandler) { Handler() = std::move(AHandler); }

}  // namespace vt
