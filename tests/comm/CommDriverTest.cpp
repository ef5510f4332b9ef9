#include "comm/CommDriver.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "CommTestUtil.h"
#include "TempFolder.h"
#include "TestUtil.h"
#include "comm/CommPortManager.h"
#include "platform/PathResolver.h"
#include "sl/values/Dictionary.h"

using namespace vt;

namespace {

// What the trigger reported, and on which thread.
class TTriggers {
 public:
  TCommDriver::TTriggerEvent Handler() {
    return [this](TCommDriver* Driver) {
      std::lock_guard lock(FLock);
      Stops.push_back(Driver->LastStopChar());
      Counts.push_back(Driver->RxBufCount());
      Threads.push_back(std::this_thread::get_id());
      FChanged.notify_all();
    };
  }
  // Waits until Count triggers ran.
  bool WaitFor(std::size_t Count) {
    std::unique_lock lock(FLock);
    return FChanged.wait_for(lock, std::chrono::seconds(20), [&] { return Stops.size() >= Count; });
  }
  std::size_t Size() {
    std::lock_guard lock(FLock);
    return Stops.size();
  }

  std::vector<std::uint8_t> Stops;
  std::vector<std::uint32_t> Counts;
  std::vector<std::thread::id> Threads;

 private:
  std::mutex FLock;
  std::condition_variable FChanged;
};

class CommDriverTest : public CommTest {
 protected:
  void SetUp() override {
    CommTest::SetUp();
    Ports = std::make_unique<TCommPortManager>();
  }
  void TearDown() override {
    Drivers.clear();
    Ports.reset();
    CommTest::TearDown();
  }
  // A driver on the terminal's path, 38400 baud, open, its trigger reporting to Triggers.
  TCommDriver* OpenDriver(const std::string& Path) {
    Drivers.push_back(Ports->CreateCommDriver());
    TCommDriver* d = Drivers.back().get();
    d->SetPortIdent(Path);
    d->SetBaudRate(38400);
    d->SetOnTrigger(Triggers.Handler());
    d->Open();
    return d;
  }

  std::unique_ptr<TCommPortManager> Ports;
  std::vector<std::unique_ptr<TCommDriver>> Drivers;
  TTriggers Triggers;
};

// The bytes waiting in a terminal's input queue, seen through a descriptor of the test's
// own (opened before the driver makes the terminal exclusive).
class TQueueWatch {
 public:
  explicit TQueueWatch(const std::string& Path) : FFd(open(Path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
  ~TQueueWatch() { close(FFd); }
  int Queued() const {
    int n = -1;
    ioctl(FFd, FIONREAD, &n);
    return n;
  }

 private:
  int FFd;
};

std::string Text(const char* Buffer, std::uint32_t Count) { return std::string(Buffer, Count); }

TEST_F(CommDriverTest, StopByteEndsTheWaitUnstored) {
  TPseudoTerminal pty;
  TCommDriver* d = OpenDriver(pty.Path);
  char buffer[10] = {};
  d->WaitForChar(buffer, 0x0D, sizeof buffer);
  pty.Write("AB\rC");
  ASSERT_TRUE(Triggers.WaitFor(1));
  EXPECT_EQ(Text(buffer, d->RxBufCount()), "AB");
  EXPECT_EQ(d->LastStopChar(), 0x0D);
  EXPECT_NE(Triggers.Threads[0], std::this_thread::get_id());  // the receive thread
  // What came after the stop byte waits for the next wait; a byte of the set stops it.
  TCharSet set;
  set.set('\n');
  d->WaitForCharSet(buffer, set, sizeof buffer);
  pty.Write("D\n");
  ASSERT_TRUE(Triggers.WaitFor(2));
  EXPECT_EQ(Text(buffer, d->RxBufCount()), "CD");
  EXPECT_EQ(d->LastStopChar(), '\n');
  EXPECT_EQ(Triggers.Size(), 2u);
}

TEST_F(CommDriverTest, CountEndsTheWaitAndTheRestStaysQueued) {
  TPseudoTerminal pty;
  TQueueWatch watch(pty.Path);
  TCommDriver* d = OpenDriver(pty.Path);
  char buffer[10] = {};
  d->WaitForCharCount(buffer, 3);
  pty.Write("12345");
  ASSERT_TRUE(Triggers.WaitFor(1));
  EXPECT_EQ(Text(buffer, d->RxBufCount()), "123");
  EXPECT_EQ(d->LastStopChar(), 0);
  EXPECT_EQ(watch.Queued(), 2);
  d->WaitForCharCount(buffer, 2);
  ASSERT_TRUE(Triggers.WaitFor(2));
  EXPECT_EQ(Text(buffer, d->RxBufCount()), "45");
}

// After Open the first byte is held until a wait: WaitForChar drops it, the other waits
// take it first (and it may end them at once, on the caller's thread).
TEST_F(CommDriverTest, HeldByte) {
  const struct {
    const char* Name;
    std::function<void(TCommDriver*, char*)> Wait;
    std::string More;  // written once the wait has started
    std::string Stored;
    std::uint8_t Stop;
    bool OnCallersThread;
    int StillQueued;
  } cases[] = {
      {"char", [](TCommDriver* d, char* b) { d->WaitForChar(b, 'Z', 10); }, "Z", "Y", 'Z', false, 0},
      {"set", [](TCommDriver* d, char* b) { d->WaitForCharSet(b, TCharSet().set('Y'), 10); }, "", "X", 'Y', false, 0},
      {"count", [](TCommDriver* d, char* b) { d->WaitForCharCount(b, 1); }, "", "X", 0, true, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TPseudoTerminal pty;
    TQueueWatch watch(pty.Path);
    const std::size_t before = Triggers.Size();
    TCommDriver* d = OpenDriver(pty.Path);
    pty.Write("XY");
    ASSERT_TRUE(WaitUntil([&] { return d->HoldsByte(); }));
    EXPECT_EQ(watch.Queued(), 1);  // Y
    char buffer[10] = {};
    c.Wait(d, buffer);
    if (!c.More.empty()) pty.Write(c.More);
    ASSERT_TRUE(Triggers.WaitFor(before + 1));
    EXPECT_EQ(Text(buffer, d->RxBufCount()), c.Stored);
    EXPECT_EQ(d->LastStopChar(), c.Stop);
    EXPECT_EQ(Triggers.Threads.back() == std::this_thread::get_id(), c.OnCallersThread);
    EXPECT_EQ(watch.Queued(), c.StillQueued);
    d->Close();
  }
}

TEST_F(CommDriverTest, BufferWithMaxCountZeroEndsAtOnce) {
  TPseudoTerminal pty;
  TCommDriver* d = OpenDriver(pty.Path);
  char buffer[4];
  d->WaitForChar(buffer, 0x0D, 4);
  pty.Write("\r");
  ASSERT_TRUE(Triggers.WaitFor(1));
  d->WaitForCharCount(buffer, 0);
  ASSERT_EQ(Triggers.Size(), 2u);
  EXPECT_EQ(Triggers.Stops[1], 0);
  EXPECT_EQ(Triggers.Counts[1], 0u);
  EXPECT_EQ(Triggers.Threads[1], std::this_thread::get_id());
  // Without a buffer a count of 0 is no end: the stop byte is.
  d->WaitForChar(nullptr, 'x', 0);
  EXPECT_EQ(Triggers.Size(), 2u);
  pty.Write("abx");
  ASSERT_TRUE(Triggers.WaitFor(3));
  EXPECT_EQ(Triggers.Stops[2], 'x');
  EXPECT_EQ(Triggers.Counts[2], 0u);
}

TEST_F(CommDriverTest, ResetReceiverDropsEverything) {
  TPseudoTerminal pty;
  TQueueWatch watch(pty.Path);
  TCommDriver* d = OpenDriver(pty.Path);
  char buffer[4] = {};
  d->WaitForChar(buffer, '\r', 4);
  pty.Write("AB\r");
  ASSERT_TRUE(Triggers.WaitFor(1));
  // Queued while the receiver is paused after that wait, so that an empty queue below
  // means read; the stop byte and a full buffer's count are among them.
  pty.Write(std::string(100, 'r') + "\r");
  ASSERT_TRUE(WaitUntil([&] { return watch.Queued() == 101; }));
  d->ResetReceiver();
  ASSERT_TRUE(WaitUntil([&] { return watch.Queued() == 0; }));
  d->Close();  // returns once the receive thread is done with the last byte
  EXPECT_EQ(Triggers.Size(), 1u);
  EXPECT_EQ(d->RxBufCount(), 0u);
  EXPECT_EQ(std::string(buffer, 2), "AB");
}

// A trigger that starts the next wait at once (one byte at a time, as the login dialog's
// baud-rate tool reads an answer), and a wait started from another thread right after the
// trigger: the receiver never stalls and never loses or repeats a byte.
TEST_F(CommDriverTest, NextWaitFromTheTriggerOrAnotherThread) {
  std::string sent;
  for (int i = 0; i < 600; ++i) sent += static_cast<char>(i % 251);
  for (const bool fromTrigger : {true, false}) {
    SCOPED_TRACE(fromTrigger ? "from the trigger" : "from another thread");
    TPseudoTerminal pty;
    TCommDriver* d = OpenDriver(pty.Path);
    std::mutex lock;
    std::condition_variable changed;
    std::string got;
    char byte = 0;
    d->SetOnTrigger([&](TCommDriver* Sender) {
      std::lock_guard l(lock);
      got += byte;
      if (fromTrigger && got.size() < sent.size()) Sender->WaitForCharCount(&byte, 1);
      changed.notify_all();
    });
    d->WaitForCharCount(&byte, 1);
    pty.Write(sent);
    std::unique_lock l(lock);
    if (!fromTrigger)
      for (std::size_t n = 1; n < sent.size(); ++n) {
        ASSERT_TRUE(changed.wait_for(l, std::chrono::seconds(20), [&] { return got.size() >= n; }));
        l.unlock();
        d->WaitForCharCount(&byte, 1);
        l.lock();
      }
    ASSERT_TRUE(changed.wait_for(l, std::chrono::seconds(20), [&] { return got.size() >= sent.size(); }));
    EXPECT_EQ(got, sent);
  }
}

// A trigger that fails on the receive thread is logged; reception goes on.
TEST_F(CommDriverTest, FailingTriggerIsLogged) {
  TPseudoTerminal pty;
  TCommDriver* d = OpenDriver(pty.Path);
  char buffer[4] = {};
  d->SetOnTrigger([](TCommDriver*) { throw Exception("no room"); });
  d->WaitForCharCount(buffer, 1);
  pty.Write("a");
  ASSERT_TRUE(WaitUntil([&] { return !LogLines().empty(); }));
  EXPECT_EQ(LogLines(), std::vector<std::string>{"***ERROR: TCommDriver.OnTrigger: no room"});
  d->SetOnTrigger(Triggers.Handler());
  d->WaitForCharCount(buffer, 2);
  pty.Write("bc");
  ASSERT_TRUE(Triggers.WaitFor(1));
  EXPECT_EQ(Text(buffer, d->RxBufCount()), "bc");
}

TEST_F(CommDriverTest, LineSettings) {
  EXPECT_THROW_MSG(TCommDriver(nullptr), "Internal Error: ThreadManager not assigned");
  auto d = Ports->CreateCommDriver();
  EXPECT_EQ(d->PortIdent(), "COM1");
  EXPECT_EQ(d->BaudRate(), 9600u);
  EXPECT_EQ(d->DataBits(), 8);
  EXPECT_EQ(d->Parity(), cpNone);
  EXPECT_EQ(d->StopBits(), 0);
  EXPECT_THROW_MSG(d->Open(), "Port COM1 could not be opened!");
  for (TCommParity p : {cpOdd, cpEven, cpNone}) {
    d->SetParity(p);
    EXPECT_EQ(d->Parity(), p);
  }
  TPseudoTerminal pty;
  d->SetPortIdent(pty.Path);
  d->SetBaudRate(19200);
  d->SetDataBits(7);
  d->SetParity(cpEven);
  d->SetStopBits(2);
  d->Open();
  EXPECT_TRUE(d->IsOpen());
  const std::function<void()> setters[] = {
      [&] { d->SetPortIdent("ttyS0"); }, [&] { d->SetBaudRate(57600); }, [&] { d->SetDataBits(8); },
      [&] { d->SetParity(cpNone); },     [&] { d->SetStopBits(0); },
  };
  for (const auto& set : setters) EXPECT_THROW_MSG(set(), "TCommDriver: configuration not allowed when port is open");
  EXPECT_EQ(d->BaudRate(), 19200u);
  EXPECT_EQ(d->Parity(), cpEven);
  d->Close();
  for (const auto& set : setters) set();
  EXPECT_EQ(d->BaudRate(), 57600u);
}

TEST_F(CommDriverTest, SendsBuffers) {
  TPseudoTerminal pty;
  TCommDriver* d = OpenDriver(pty.Path);
  d->SendBuffer("\xA5\x02\x0F\x0F\x00", 5);
  EXPECT_EQ(pty.Read(5), Bytes({0xA5, 0x02, 0x0F, 0x0F, 0x00}));
  d->Close();
  EXPECT_THROW_MSG(d->SendBuffer("x", 1), "TRsPort.SendBuffer: an error occured!");
}

class SendFileTest : public CommDriverTest {
 protected:
  WideString File(const char* Name) const { return PathToWide(Folder.Path() / Name); }
  void Write(const char* Name, const std::string& Bytes) const { std::ofstream(Folder.Path() / Name) << Bytes; }
  std::string Read(const char* Name) const {
    std::ifstream in(Folder.Path() / Name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  TempFolder Folder;
};

TEST_F(SendFileTest, LabelsReplacedWrittenAndSent) {
  const struct {
    std::string Source;
    std::string Labels;
    std::string Result;
  } cases[] = {
      {"Hello $NAME$", "\xA3$NAME$\xA3World\xA3", "Hello World"},
      // A label of one character stays; pairs go in order; no final separator is needed.
      {"$A$ $ B $A$", "\xA3$\xA3X\xA3$A$\xA3" "a\xA3 B\xA3 b", "a $ b a"},
      // The scan goes on after the inserted value, which may hold its label.
      {"ab-ab", "\xA3" "ab\xA3xaby\xA3", "xaby-xaby"},
      {"none here", "", "none here"},
      {"x$B$y", "\xA3$B$", "xy"},  // a label without its value
  };
  TPseudoTerminal pty;
  TCommDriver* d = OpenDriver(pty.Path);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Source);
    Write("in.txt", c.Source);
    d->SendFiletoCom(File("in.txt"), File("out.txt"), c.Labels);
    EXPECT_EQ(Read("out.txt"), c.Result);
    EXPECT_EQ(pty.Read(c.Result.size()), c.Result);
    EXPECT_EQ(d->TestString, File("in.txt"));
  }
  EXPECT_THROW_MSG(d->SendFiletoCom(File("in.txt"), File("out.txt"), "\xA3L\xA3x\xA3l\xA3y\xA3"),
                   "TSLDictionary.AddObject: object with name 'l' already exists");
}

TEST_F(SendFileTest, MissingSourceAndClosedPort) {
  TPseudoTerminal pty;
  TCommDriver* d = OpenDriver(pty.Path);
  d->SendFiletoCom(File("missing.txt"), File("out.txt"), "\xA3$A$\xA3x\xA3");
  EXPECT_EQ(d->TestString, File("missing.txt"));
  EXPECT_FALSE(std::filesystem::exists(Folder.Path() / "out.txt"));
  EXPECT_TRUE(Shown.empty());
  auto dict = MakeRef<TSLDictionary>();
  d->ReplaceLabel(dict.get(), File("missing.txt"), File("out.txt"));
  EXPECT_EQ(Shown, std::vector<std::string>{"Source File does not exist"});
  EXPECT_FALSE(std::filesystem::exists(Folder.Path() / "out.txt"));
  // The file is written before the port refuses it.
  Write("in.txt", "data");
  d->Close();
  EXPECT_THROW_MSG(d->SendFiletoCom(File("in.txt"), File("out.txt"), ""), "TRsPort.Send: an error occured!");
  EXPECT_EQ(Read("out.txt"), "data");
  EXPECT_THROW_MSG(d->SendFiletoCom(File("in.txt"), File("no-such-folder/out.txt"), ""),
                   "Cannot create file \"" + (Folder.Path() / "no-such-folder/out.txt").string() +
                       "\". No such file or directory");
}

// The drive's baud rates over its serial line, as the login dialog asks for them: the
// rates it offers, and setting one of them.
TEST_F(CommDriverTest, DriveSimBaudRates) {
  const struct {
    const char* Mask;
    std::string Request;
    std::string Answer;  // the whole frame
    const char* Logged;  // a line of the frame log, or none
  } cases[] = {
      {"0x0600", Bytes({0xA5, 0x02, 0x0F, 0x0F, 0x00}), Bytes({0xA5, 0x04, 0x15, 0x0F, 0x00, 0x00, 0x06}), nullptr},
      {"0x0001", Bytes({0xA5, 0x02, 0x0F, 0x0F, 0x00}), Bytes({0xA5, 0x04, 0x10, 0x0F, 0x00, 0x01, 0x00}), nullptr},
      {"0x1E80", Bytes({0xA5, 0x04, 0x19, 0x0F, 0x02, 0x00, 0x08}), Bytes({0xA5, 0x02, 0x0F, 0x0F, 0x00}),
       "baud rate 57600"},
      {"0xFFFF", Bytes({0xA5, 0x04, 0x91, 0x0F, 0x02, 0x00, 0x80}), Bytes({0xA5, 0x02, 0x0F, 0x0F, 0x00}),
       "baud rate 921600"},
      // A rate the drive does not offer, two rates at once, a short request.
      {"0x0600", Bytes({0xA5, 0x04, 0x19, 0x0F, 0x02, 0x00, 0x08}), Bytes({0xA5, 0x02, 0x8F, 0x0F, 0x80}), nullptr},
      {"0xFFFF", Bytes({0xA5, 0x04, 0x1D, 0x0F, 0x02, 0x00, 0x0C}), Bytes({0xA5, 0x02, 0x8F, 0x0F, 0x80}), nullptr},
      {"0xFFFF", Bytes({0xA5, 0x02, 0x11, 0x0F, 0x02}), Bytes({0xA5, 0x02, 0x8F, 0x0F, 0x80}), nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Hex(c.Request) + " to a drive with the rates " + c.Mask);
    drivesim::TDriveSim sim({"--pty", std::string("--baud-mask=") + c.Mask});
    const std::size_t before = Triggers.Size();
    TCommDriver* d = OpenDriver(sim.Ptys()[0]);
    char answer[16] = {};
    d->WaitForCharCount(answer, c.Answer.size());
    d->SendBuffer(c.Request.data(), static_cast<int>(c.Request.size()));
    ASSERT_TRUE(Triggers.WaitFor(before + 1));
    EXPECT_EQ(Hex(Text(answer, d->RxBufCount())), Hex(c.Answer));
    bool logged = false;
    for (const std::string& line : sim.LogLines()) logged |= c.Logged && line.find(c.Logged) != std::string::npos;
    EXPECT_EQ(logged, c.Logged != nullptr);
    d->Close();
  }
}

}  // namespace
