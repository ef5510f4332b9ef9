// Dialog buttons with a modal result; see ResultButton.h.
#include "ui/forms/ResultButton.h"

#include <QDialog>

namespace vt {

QPushButton* ResultButton(QDialog* Dialog, const char* Name, const char* Caption, TModalResult Result) {
  auto* button = new QPushButton(QString::fromLatin1(Caption), Dialog);
  button->setObjectName(QString::fromLatin1(Name));
  QObject::connect(button, &QPushButton::clicked, Dialog, [Dialog, Result] { Dialog->done(Result); });
  return button;
}

}  // namespace vt
