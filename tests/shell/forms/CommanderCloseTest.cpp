// The whole program in a child process of the test, offscreen: closing the last commander
// ends the message loop and writes the per-user settings.
#include <QApplication>
#include <QTimer>

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "OffscreenApp.h"
#include "TempFolder.h"
#include "platform/TextConversion.h"
#include "shell/forms/CommanderWindow.h"
#include "shell/forms/MainForm.h"

using namespace vt;

namespace {

// Runs in the child: 0 when the program ended by the close and wrote its settings.
int CloseTheCommander(const std::filesystem::path& Home) {
  const TOffscreenApp app(Home);
  TMainForm form(Utf8ToWide(VT_PROGRAM), {});
  form.FormCreate();
  QString title;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* commander = dynamic_cast<TTreeAppForm*>(w); commander && commander->isVisible()) {
        title = commander->windowTitle();
        watch.stop();
        commander->close();
      }
  });
  watch.start(10);
  form.Run();
  form.FormClose();
  const bool written = std::filesystem::exists(Home / "Vorlix/Vorlix-Talk/ViewConfig.ini");
  return title == "Vorlix-Talk" && written ? 0 : 3;
}

TEST(CommanderClose, ClosingTheLastCommanderEndsTheProgramAndSavesTheSettings) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TempFolder home;
  EXPECT_EXIT(std::_Exit(CloseTheCommander(home.Path())), ::testing::ExitedWithCode(0), "");
}

}  // namespace
