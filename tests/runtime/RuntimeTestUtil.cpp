// See RuntimeTestUtil.h.
#include "RuntimeTestUtil.h"

#include <QApplication>

QCoreApplication& TestApp() {
  static int argc = 1;
  static char name[] = "test_runtime";
  static char* argv[] = {name, nullptr};
  // A widgets application, so that the form tests run in the same program (headless).
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static auto* app = new QApplication(argc, argv);
  return *app;
}
