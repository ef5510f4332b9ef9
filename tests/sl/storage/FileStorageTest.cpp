// Saves killed half-way: whatever moment the process dies at, the name holds the old or
// the new object, complete. A child process saves and is killed, at a chosen step of
// the replacement or at a random moment; the test then reads what the name holds.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <random>
#include <thread>

#include "StorageFixture.h"
#include "sl/storage/Archive.h"
#include "sl/text/FileStreams.h"

namespace fs = std::filesystem;

namespace vt::test {
namespace {

const char* KillStep = nullptr;

void KillAtStep(const char* Step) {
  if (std::strcmp(Step, KillStep) == 0) raise(SIGKILL);
}

// One way to save an object under a name, and to read it back.
struct TSaver {
  const char* what;
  const char* name;
  std::function<void(TStorageEnvironment&, const std::string& Text, TStorageFormat Format)> save;
};

void SaveObject(TStorageEnvironment& Env, const char* Name, const std::string& Text, TStorageFormat Format) {
  auto object = TRef<TSLStorageObject>(StorageManager->CreateObject(Env.At(Name)));
  object->SetData(Env.Sl(Text));
  object->SetFormat(Format);
  object->Write();
}

const TSaver kSavers[] = {
    {"file", "x.stx", [](TStorageEnvironment& e, const std::string& t, TStorageFormat f) { SaveObject(e, "x.stx", t, f); }},
    {"archive entry", "Lib\\b.stx",
     [](TStorageEnvironment& e, const std::string& t, TStorageFormat f) { SaveObject(e, "Lib\\b.stx", t, f); }},
};

class KilledSaves : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    // Large enough that a save takes a while, so random kills land inside one.
    const std::string filler(100000, 'f');
    OldText = "[D /v 'old' /f '" + filler + "' ] ";
    NewText = "[D /v 'new' /f '" + filler + "' /g [A 1 2 3 ] ] ";
    fs::create_directories(Folder / "Lib");
    WriteFile("Lib.sla", ArchiveEntryBytes("a.stx", "'other'"));
  }

  // Runs Save in a child process, which the parent kills after Delay unless a step
  // kills it first; true when it died of SIGKILL.
  bool RunKilled(const std::function<void()>& Save, std::chrono::microseconds Delay) {
    const pid_t child = fork();
    if (child == 0) {
      Save();
      _exit(0);
    }
    if (Delay.count() > 0) {
      std::this_thread::sleep_for(Delay);
      kill(child, SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
    RefObjManager().PurgeAutoReleasePool();
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  }

  // What Name holds now ("old", "new", or what else), read afresh.
  std::string Holds(const char* Name) {
    RefObjManager().PurgeAutoReleasePool();
    try {
      const std::string text = ReadText(At(Name));
      return text == OldText ? "old" : text == NewText ? "new" : "other: " + text.substr(0, 100);
    } catch (const Exception& e) {
      return "unreadable: " + e.Message();
    }
  }

  std::string OldText, NewText;
};


// Killed right after the backup is made and right after the rename: the name holds the
// old object before the rename and the new one after it, the backup the old one.
TEST_F(KilledSaves, AtEachStepOfTheReplacement) {
  for (const TSaver& saver : kSavers) {
    for (const char* step : {"backup", "renamed"}) {
      SCOPED_TRACE(std::string(saver.what) + ", killed after: " + step);
      saver.save(*this, OldText, sfASCII);
      const auto saveNew = [&] {
        KillStep = step;
        OnReplaceFileStep = KillAtStep;
        saver.save(*this, NewText, sfEASCII);
      };
      EXPECT_TRUE(RunKilled(saveNew, {}));
      EXPECT_EQ(Holds(saver.name), std::strcmp(step, "backup") == 0 ? "old" : "new");
    }
  }
  EXPECT_EQ(Holds("x.bak"), "old");
}

// Killed at random moments of a run of saves, each of old or new text in either format.
TEST_F(KilledSaves, AtRandomMoments) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> delayUs(0, 30000);
  for (const TSaver& saver : kSavers) {
    saver.save(*this, OldText, sfASCII);
    for (int round = 0; round < 25; ++round) {
      SCOPED_TRACE(std::string(saver.what) + ", round " + std::to_string(round));
      const auto saveOnAndOn = [&] {
        for (int i = 0;; ++i) saver.save(*this, i % 2 ? OldText : NewText, i % 3 ? sfEASCII : sfASCII);
      };
      EXPECT_TRUE(RunKilled(saveOnAndOn, std::chrono::microseconds(1 + delayUs(random))));
      const std::string holds = Holds(saver.name);
      EXPECT_TRUE(holds == "old" || holds == "new") << holds;
    }
    // What a killed save left behind does not stand in the way of the next one.
    saver.save(*this, NewText, sfASCII);
    EXPECT_EQ(Holds(saver.name), "new");
  }
}

}  // namespace
}  // namespace vt::test
