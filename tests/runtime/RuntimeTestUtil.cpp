// See RuntimeTestUtil.h.
#include "RuntimeTestUtil.h"

QCoreApplication& TestApp() {
  static int argc = 1;
  static char name[] = "test_runtime";
  static char* argv[] = {name, nullptr};
  static auto* app = new QCoreApplication(argc, argv);
  return *app;
}
