#include "runtime/DebugLog.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <thread>

#include "RuntimeTestUtil.h"
#include "TempFolder.h"
#include "platform/Format.h"
#include "runtime/ProcessGlobal.h"

using namespace vt;
namespace fs = std::filesystem;

namespace {

class TLineMemo : public TDebugMemo {
 public:
  int LineCount() const override { return static_cast<int>(Lines.size()); }
  void DeleteOldestLines(int Count) override { Lines.erase(Lines.begin(), Lines.begin() + Count); }
  void AppendLine(const AnsiString& Line) override { Lines.push_back(Line); }
  std::deque<AnsiString> Lines;
};

std::vector<std::string> FileLines(const fs::path& Name) {
  std::ifstream in(Name, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> lines;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) {
      ADD_FAILURE() << "line without CR LF in " << Name;
      break;
    }
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

// Ages from one instant, so that equal ages are equal to the second.
const auto Now = fs::file_time_type::clock::now();
void SetAge(const fs::path& Name, int SecondsAgo) { fs::last_write_time(Name, Now - std::chrono::seconds(SecondsAgo)); }

fs::path LogFile(const TempFolder& Dir, int Number) {
  return Dir.Path() / "Communication" / Format("DbWinLog_%.2d.txt", Number);
}

std::vector<std::string> Numbered(int From, int To) {
  std::vector<std::string> v;
  for (int i = From; i <= To; ++i) v.push_back(std::to_string(i));
  return v;
}

}  // namespace

TEST(Debug, LogFunctionsPrefixTheLineAndDoNothingWithoutManager) {
  InstallDebugManager(nullptr);
  LogInfo("lost");  // no manager: nothing happens
  InstallDebugManager(std::make_unique<TDebugManager>(fs::path()));
  TLineMemo memo;
  DebugManager()->SetDebugMemo(&memo);
  DebugManager()->SetDebugingEnabled(true);
  LogInfo("a");
  LogWarning("b");
  LogError("c");
  DebugManager()->FlushDebugMemo();
  EXPECT_EQ(DebugManager()->DebugInfoList(1),
            (std::vector<AnsiString>{"***ERROR: c", "***WARNING: b", "***INFO: a"}));
  EXPECT_EQ(memo.Lines, (std::deque<AnsiString>{"[0000] ***INFO: a", "[0001] ***WARNING: b", "[0002] ***ERROR: c"}));
  InstallDebugManager(nullptr);
  EXPECT_EQ(DebugManager(), nullptr);
}

TEST(Debug, WindowShowsFilteredLinesOnlyWhileDebuggingIsOn) {
  TDebugManager m{fs::path()};
  TLineMemo memo;
  m.SetDebugMemo(&memo);
  m.DebugMessage(1, 0x00AB, "hidden");  // debug mode off
  m.SetDebugingEnabled(true);
  m.DebugMessage(1, 0x00AB, "abc");
  m.DebugMessage(1, 0x0103, "status request");
  m.DebugMessage(1, 0x0203, "status response");
  m.Filters().DenyAllowStatusFilter();
  m.DebugMessage(1, 0x0103, "shown");
  m.Filters().DenyAllowStatusFilter();
  m.DebugMessage(1, 0x0203, "hidden again");
  m.FlushDebugMemo();
  EXPECT_EQ(memo.Lines, (std::deque<AnsiString>{"[00AB] abc", "[0103] shown"}));
  // Every line is stored, shown or not.
  EXPECT_EQ(m.DebugInfoList(1).size(), 6u);
}

TEST(Debug, FilterTakesTheLastMatchingEntry) {
  TDebugFilterList f;
  f.SetItems({{"all", 0x0000, 0x0000, faAllow},
              {"deny group 3", 0x0300, 0xFF00, faDeny},
              {"none", 0x0305, 0xFFFF, faNone},
              {"allow 0x0307", 0x0307, 0xFFFF, faAllow}});
  const struct {
    std::uint16_t code;
    TFilterAction expected;
  } cases[] = {{0x0001, faAllow}, {0x0301, faDeny}, {0x0305, faDeny}, {0x0307, faAllow}, {0xFFFF, faAllow}};
  for (const auto& c : cases) EXPECT_EQ(f.Filter(c.code), c.expected) << c.code;
  f.SetItems({});
  EXPECT_EQ(f.Filter(1), faNone);
  f.SetItems({{"all", 0, 0, faAllow}});
  MainFormExitRequest = true;
  EXPECT_EQ(f.Filter(1), faNone);
  MainFormExitRequest = false;
}

TEST(Debug, WindowDropsItsOldestBlockAboveTheLimit) {
  TDebugManager m{fs::path()};
  TLineMemo memo;
  m.SetDebugMemo(&memo);
  m.SetDebugingEnabled(true);
  for (int i = 1; i <= 6000; ++i) m.DebugMessage(1, 7, std::to_string(i));
  m.FlushDebugMemo();
  EXPECT_EQ(memo.LineCount(), 6000);
  m.DebugMessage(1, 7, "6001");
  m.FlushDebugMemo();
  ASSERT_EQ(memo.LineCount(), 3001);
  EXPECT_EQ(memo.Lines.front(), "[0007] 3001");
  EXPECT_EQ(memo.Lines.back(), "[0007] 6001");
}

TEST(Debug, LinesFromWorkerThreadsReachTheWindowThroughTheEventLoop) {
  TestApp();
  TDebugManager m{fs::path()};
  TLineMemo memo;
  m.SetDebugMemo(&memo);
  m.SetDebugingEnabled(true);
  std::thread worker([&] {
    for (int i = 0; i < 100; ++i) m.DebugMessage(1, 5, "w" + std::to_string(i));
  });
  worker.join();
  EXPECT_TRUE(memo.Lines.empty());  // nothing touched the window off its thread
  ASSERT_TRUE(WaitUntil([&] { return memo.LineCount() == 100; }));
  EXPECT_EQ(memo.Lines[99], "[0005] w99");
}

TEST(Debug, WithSavingOffTheReceivingListChangesAfter5001Lines) {
  TDebugManager m{fs::path()};
  for (int i = 1; i <= 5001; ++i) m.DebugMessage(1, 0, std::to_string(i));
  EXPECT_EQ(m.ListID(), 1);
  m.DebugMessage(1, 0, "5002");
  EXPECT_EQ(m.ListID(), 2);
  EXPECT_EQ(m.DebugInfoList(2), std::vector<AnsiString>{"5002"});
  EXPECT_EQ(m.DebugInfoList(1).front(), "5001");  // newest first
  // Two more switches: the list after the next is emptied each time, so memory
  // never holds more than the full list and the filling one.
  for (int i = 5003; i <= 15004; ++i) m.DebugMessage(1, 0, std::to_string(i));
  EXPECT_EQ(m.ListID(), 1);
  EXPECT_EQ(m.DebugInfoList(1), std::vector<AnsiString>{"15004"});
  EXPECT_EQ(m.DebugInfoList(2).size(), 0u);
  EXPECT_EQ(m.DebugInfoList(3).size(), 5001u);
}

TEST(Debug, EachStartWritesTheLeastRecentlyWrittenFile) {
  TempFolder dir;
  { TDebugManager first{dir.Path()}; }  // creates the folder and the ten empty files
  for (int n = 1; n <= 10; ++n) ASSERT_TRUE(fs::exists(LogFile(dir, n))) << n;
  for (int n = 1; n <= 10; ++n) SetAge(LogFile(dir, n), 100);
  EXPECT_EQ(TDebugManager(dir.Path()).FileName(), LogFile(dir, 1));  // equal ages: _01
  SetAge(LogFile(dir, 7), 500);
  EXPECT_EQ(TDebugManager(dir.Path()).FileName(), LogFile(dir, 7));
}

TEST(Debug, RotationWritesWholePeriodsNewestFirst) {
  TempFolder dir;
  TDebugManager m{dir.Path(), {3, 5000, MaxFileSize}};
  const fs::path file = m.FileName();
  m.SetDebugSaveDataBool(true);
  for (int i = 1; i <= 6; ++i) m.DebugMessage(1, 0, std::to_string(i));
  m.WaitForLogFiles();
  EXPECT_TRUE(FileLines(file).empty());
  // The 7th line ends the second period and writes the first; the finished second
  // period waits in memory for the next rotation.
  m.DebugMessage(1, 0, "7");
  m.WaitForLogFiles();
  EXPECT_EQ(FileLines(file), (std::vector<std::string>{"3", "2", "1"}));
  for (int i = 8; i <= 10; ++i) m.DebugMessage(1, 0, std::to_string(i));
  m.WaitForLogFiles();
  EXPECT_EQ(FileLines(file), (std::vector<std::string>{"6", "5", "4", "3", "2", "1"}));
  m.SaveDebugLastPart();
  EXPECT_EQ(FileLines(file), (std::vector<std::string>{"10", "9", "8", "7", "6", "5", "4", "3", "2", "1"}));
  // Saved lines are not written a second time by later rotations.
  for (int i = 11; i <= 17; ++i) m.DebugMessage(1, 0, std::to_string(i));
  m.SaveDebugLastPart();
  auto expected = Numbered(1, 17);
  std::reverse(expected.begin(), expected.end());
  EXPECT_EQ(FileLines(file), expected);
}

TEST(Debug, AFullFileMovesTheLogToTheOldestFileAndEmptiesIt) {
  TempFolder dir;
  { TDebugManager create{dir.Path()}; }
  std::ofstream(LogFile(dir, 10), std::ios::binary) << "old\r\n";
  for (int n = 1; n <= 10; ++n) SetAge(LogFile(dir, n), 100 + n);  // _10 oldest...
  SetAge(LogFile(dir, 3), 1000);                                    // ...but _03 older
  TDebugManager m{dir.Path(), {2, 5000, 20}};
  ASSERT_EQ(m.FileName(), LogFile(dir, 3));
  std::ofstream(LogFile(dir, 3), std::ios::binary) << std::string(21, 'x') << "\r\n";  // now newest, full
  m.SetDebugSaveDataBool(true);
  for (int i = 1; i <= 3; ++i) m.DebugMessage(1, 0, std::to_string(i));  // the 3rd rotates
  m.WaitForLogFiles();
  EXPECT_EQ(m.FileName(), LogFile(dir, 10));
  EXPECT_EQ(FileLines(LogFile(dir, 3)).size(), 1u);  // the full file is left as it was
  EXPECT_TRUE(FileLines(LogFile(dir, 10)).empty());  // emptied; nothing was due yet
  m.SaveDebugLastPart();
  EXPECT_EQ(FileLines(LogFile(dir, 10)), (std::vector<std::string>{"3", "2", "1"}));
}

TEST(Debug, FileWorkNeverHoldsUpTheLoggers) {
  TempFolder dir;
  { TDebugManager create{dir.Path()}; }
  // The log file is a pipe: its file work waits until the test writes into the pipe.
  const fs::path file = LogFile(dir, 1);
  fs::remove(file);
  ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
  for (int n = 1; n <= 10; ++n) SetAge(LogFile(dir, n), 100);
  TDebugManager m{dir.Path(), {2, 5000, MaxFileSize}};
  ASSERT_EQ(m.FileName(), file);
  m.SetDebugSaveDataBool(true);
  // The 5th line hands the first period to the file; lines go on coming from two threads.
  std::atomic<int> logged{0};
  std::vector<std::thread> loggers;
  for (int t = 0; t < 2; ++t)
    loggers.emplace_back([&, t] {
      for (int i = 1; i <= 5; ++i, ++logged) m.DebugMessage(1, 0, Format("t%d-%d", t, i));
    });
  EXPECT_TRUE(WaitUntil([&] { return logged == 10; }, std::chrono::seconds(10)));
  std::ofstream(file, std::ios::binary) << "old\r\n";
  for (auto& t : loggers) t.join();
  m.SaveDebugLastPart();
  const auto lines = FileLines(m.FileName());
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines.back(), "old");
}

TEST(Debug, UnwritableFilesAreCountedAndTheLineIsStillShown) {
  TempFolder dir;
  std::ofstream(dir.Path() / "blocker") << "a file where a folder should be";
  TDebugManager m{dir.Path() / "blocker", {1, 5000, MaxFileSize}};
  TLineMemo memo;
  m.SetDebugMemo(&memo);
  m.SetDebugingEnabled(true);
  m.SetDebugSaveDataBool(true);
  for (int i = 0; i < 4; ++i) m.DebugMessage(1, 0, "x");
  m.FlushDebugMemo();
  m.WaitForLogFiles();
  EXPECT_GT(m.ExceptionCounter(), 0);
  EXPECT_EQ(memo.LineCount(), 4);
}

TEST(Debug, EightThreadsLoseNoLine) {
  TempFolder dir;
  TDebugManager m{dir.Path()};
  m.SetDebugSaveDataBool(true);
  constexpr int Threads = 8, Lines = 10000;
  std::vector<std::thread> threads;
  for (int t = 0; t < Threads; ++t)
    threads.emplace_back([&m, t] {
      for (int i = 0; i < Lines; ++i) m.DebugMessage(1, 0, Format("t%d-%d", t, i));
    });
  for (auto& t : threads) t.join();
  m.SaveDebugLastPart();
  const auto lines = FileLines(m.FileName());
  const std::set<std::string> distinct(lines.begin(), lines.end());
  EXPECT_EQ(lines.size(), static_cast<std::size_t>(Threads * Lines));
  EXPECT_EQ(distinct.size(), static_cast<std::size_t>(Threads * Lines));
}

TEST(Debug, GroupsHandTheirHandlersToTheirSenders) {
  TDebugManager m{fs::path()};
  TDebugHandler sender1, sender2;
  int calls = 0;
  m.Assign(0, [&](const TDebugHandler&) { ++calls; });
  m.Assign(9, [&](const TDebugHandler&) { ++calls; });
  m.Assign(3, [&](const TDebugHandler& h) { sender1 = h; });
  m.Enable(0);
  m.Enable(9);
  EXPECT_EQ(calls, 0);
  EXPECT_FALSE(sender1);
  m.Enable(3);
  ASSERT_TRUE(sender1);
  m.Assign(3, [&](const TDebugHandler& h) { sender2 = h; });  // enabled: handed at once
  ASSERT_TRUE(sender2);
  sender1(0x0042, "from the link");
  EXPECT_EQ(m.DebugInfoList(1), std::vector<AnsiString>{"from the link"});
  m.Disable(3);
  EXPECT_FALSE(sender1);
  EXPECT_FALSE(sender2);
}

TEST(Debug, AKeptGroupHandlerDoesNothingOnceItsManagerIsGone) {
  InstallDebugManager(std::make_unique<TDebugManager>(fs::path()));
  TDebugHandler kept;
  DebugManager()->Assign(1, [&](const TDebugHandler& h) { kept = h; });
  DebugManager()->Enable(1);
  ASSERT_TRUE(kept);
  InstallDebugManager(nullptr);
  kept(1, "after its manager");
  InstallDebugManager(std::make_unique<TDebugManager>(fs::path()));
  kept(1, "after its manager, with another one installed");
  EXPECT_TRUE(DebugManager()->DebugInfoList(1).empty());
  InstallDebugManager(nullptr);

  // A link thread goes on logging while its manager is destroyed.
  for (int round = 0; round < 20; ++round) {
    auto manager = std::make_unique<TDebugManager>(fs::path());
    const TDebugHandler handler = manager->GroupMessage(1);
    std::atomic<int> lines{0};
    std::thread link([&] {
      for (int i = 0; i < 2000; ++i, ++lines) handler(1, "link");
    });
    WaitUntil([&] { return lines > 10; });
    manager.reset();
    link.join();
  }
}

TEST(Debug, TimeAndByteHelpers) {
  const AnsiString t = MillisecondsFromStart();
  EXPECT_EQ(t.size(), 10u) << t;
  EXPECT_TRUE(std::regex_match(t, std::regex(" *[0-9]+\\.[0-9]{3}"))) << t;
  EXPECT_EQ(StrToHexStr(std::string("\x01\xAB\x00", 3)), "01 AB 00 ");
  EXPECT_EQ(StrToHexStr(""), "");
}
