// vorlixtalk: the program. The hidden main form builds the object world and runs the
// message loop; with "-NoForm" no window and no display are needed, and the process
// ends with the result of the last script.
#include <QApplication>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/PathResolver.h"
#include "platform/forms/QtDialogs.h"
#include "shell/forms/MainForm.h"

using namespace vt;

namespace {

// "-NoForm" or "-NoForm:…", in any letter case.
bool WithoutForms(const std::vector<std::string>& Args) {
  for (std::string arg : Args) {
    arg = UpperCaseAnsi(arg.substr(0, arg.find(':')));
    if (arg == "-NOFORM") return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  std::unique_ptr<QApplication> app;
  if (!WithoutForms(args)) {
    app = std::make_unique<QApplication>(argc, argv);
    QApplication::setApplicationName("Vorlix-Talk");
    // Qt takes the user's locale for C's number formatting; numbers here always use ".".
    std::setlocale(LC_NUMERIC, "C");
    InstallQtDialogs();
  }
  TMainForm form(PathToWide(std::filesystem::read_symlink("/proc/self/exe")), args);
  int result = 1;
  try {
    form.FormCreate();
    result = form.Run();
    form.FormClose();
  } catch (const std::exception& e) {
    ShowMessage(Utf8ToWide(e.what()));
  }
  form.FormDestroy();
  // The process-wide singletons live until the process ends, as their owners expect:
  // no destructor of theirs runs in an order nobody chose.
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(result);
}
