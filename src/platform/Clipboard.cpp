// The clipboard layer on QClipboard; see Clipboard.h.
#include "platform/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <cctype>
#include <QMimeData>

#include "platform/Exceptions.h"

namespace vt {

namespace {

QClipboard* SystemClipboard() {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) throw Exception("The clipboard is not available");
  return QGuiApplication::clipboard();
}

}  // namespace

std::string ClipboardMimeType(const std::string& FormatName) {
  std::string mime = "application/x-";
  for (char c : FormatName) mime += c == ' ' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return mime;
}

bool ClipboardHasFormat(const std::string& FormatName) {
  const QMimeData* data = SystemClipboard()->mimeData();
  return data && data->hasFormat(QString::fromStdString(ClipboardMimeType(FormatName)));
}

std::optional<std::string> ClipboardGetData(const std::string& FormatName) {
  if (!ClipboardHasFormat(FormatName)) return std::nullopt;
  const QByteArray bytes = SystemClipboard()->mimeData()->data(QString::fromStdString(ClipboardMimeType(FormatName)));
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void ClipboardSetData(const std::string& FormatName, const std::string& Bytes) {
  QClipboard* clipboard = SystemClipboard();
  auto* data = new QMimeData;  // the clipboard owns it from here on
  data->setData(QString::fromStdString(ClipboardMimeType(FormatName)),
                QByteArray(Bytes.data(), static_cast<qsizetype>(Bytes.size())));
  clipboard->clear();
  clipboard->setMimeData(data);
}

}  // namespace vt
