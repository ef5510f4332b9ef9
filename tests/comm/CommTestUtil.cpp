// See CommTestUtil.h.
#include "CommTestUtil.h"

#include "comm/SharedLinkState.h"
#include "platform/Dialogs.h"
#include "platform/Format.h"
#include "runtime/Conversions.h"
#include "runtime/DebugLog.h"

using namespace vt;

std::int32_t Loopback() { return static_cast<std::int32_t>(IPStrToInt("127.0.0.1")); }

std::string Bytes(std::initializer_list<int> List) {
  std::string s;
  for (int b : List) s += static_cast<char>(b);
  return s;
}

std::string Hex(const std::string& Bytes) { return StrToHexStr(Bytes); }

void CommTest::SetUp() {
  RuntimeTest::SetUp();
  TestApp();
  DebugManager()->Enable(1);
  Talk = std::make_unique<TMxScheduler>("TalkScheduler");
  Manager = std::make_unique<TThreadManager>("TalkServer");
  MainQueue = std::make_unique<TMxQueue>();
  MainQueue->LogOn(0);
  for (const auto& name : LostList().Items()) LostList().Remove(name);
  SetMaxNumberOfTries(5);
  SetShowMessageHandler([this](const std::u16string& Text) { Shown.push_back(WideToUtf8(Text)); });
}

void CommTest::TearDown() {
  Talk->TaskThread()->ShutdownThread();
  while (!Kept.empty()) Kept.pop_back();
  MainQueue.reset();
  Manager.reset();
  Talk.reset();
  // What the ports posted before they closed (a line that hung up when the test's end
  // of it went first) is shown here, not in the next test.
  QCoreApplication::processEvents();
  SetShowMessageHandler(nullptr);
  RuntimeTest::TearDown();
}

TRsDriver* CommTest::OpenSerialPort(const std::string& Path, std::uint32_t Baud) {
  auto* driver = Keep(std::make_unique<TRsDriver>(1, Baud, [Path](std::int32_t) { return Path; }));
  driver->Open(Talk.get(), Manager.get());
  driver->SetPortName(Path);
  return driver;
}

void CommTest::OnTalkThread(const std::function<void()>& Fn) {
  std::atomic<bool> done{false};
  TMxTask task(Talk.get(), "OnTalkThread");
  task.OnExecute = [&](TMxTask* Sender) {
    Fn();
    Sender->Terminate();
    done = true;
  };
  task.Start();
  ASSERT_TRUE(WaitUntil([&] { return done && !task.IsActive(); }));
}

std::vector<std::string> CommTest::TraceLines() const {
  std::vector<std::string> lines;
  for (const auto& line : LogLines())
    if (line.rfind("***", 0) != 0) lines.push_back(line);
  return lines;
}

// ---- The executor in miniature ----

TTestExecutor::TTestExecutor(TMxScheduler* Talk) : Task(Talk, "TestExecutor") {
  Task.OnExecute = [this](TMxTask* Sender) { Step(Sender); };
  Task.Start();
}

TTestExecutor::~TTestExecutor() = default;

void TTestExecutor::Step(TMxTask* Sender) {
  if (Go.Ready() && FWork) {
    FWork(Sender);
    return;
  }
  Sender->WaitFor(&Go, MxNoTimeout);
}

TTestExecutor::TResult TTestExecutor::Request(TDeviceDriver& Link, const std::string& Frame, std::int64_t TimeoutMs,
                                              const AnsiString& CardName) {
  TResult result;
  int state = 0;
  FDone = false;
  FWork = [&, this](TMxTask* Sender) {
    switch (state++) {
      case 0:
        Link.ObtainDevice(Sender, MxNoTimeout);
        return;
      case 1:
        Link.AssignCurrentService(&InputQueue, static_cast<std::uint8_t>(Frame[0]));
        result.Status = Link.Output(Sender, Frame, CardName);
        if (result.Status == 0) {
          Sender->WaitFor(&InputQueue, TimeoutMs);
          return;
        }
        break;
      default:
        if (TMxMessage* m = InputQueue.GetMessage()) {
          result.Answer = m->GetText();
          TMxMessage::Free(m);
        }
        break;
    }
    Link.ReleaseCurrentService(&InputQueue);
    Link.ReleaseDevice(Sender);
    Go.SetReady(false);
    Sender->WaitFor(&Go, MxNoTimeout);
    FDone = true;  // the last touch: the test may replace this job from now on
  };
  Go.SetReady(true);
  EXPECT_TRUE(WaitUntil([this] { return FDone.load(); }));
  return result;
}

std::uint8_t TTestExecutor::SendUnowned(TDeviceDriver& Link, const std::string& Frame) {
  std::uint8_t status = 0;
  FDone = false;
  FWork = [&, this](TMxTask* Sender) {
    status = Link.Output(Sender, Frame, "");
    Go.SetReady(false);
    Sender->WaitFor(&Go, MxNoTimeout);
    FDone = true;
  };
  Go.SetReady(true);
  EXPECT_TRUE(WaitUntil([this] { return FDone.load(); }));
  return status;
}

// ---- Payloads ----

TInpEvent TPayloads::Handler() {
  return [this](std::int32_t Slot, const std::string& Inp) {
    std::lock_guard lock(FLock);
    FItems.push_back(Inp);
    FSlots.push_back(Slot);
  };
}

std::vector<std::int32_t> TPayloads::Slots() const {
  std::lock_guard lock(FLock);
  return FSlots;
}

std::vector<std::string> TPayloads::Items() const {
  std::lock_guard lock(FLock);
  return FItems;
}

bool TPayloads::WaitFor(std::size_t Count) const {
  return WaitUntil([&] { return Items().size() >= Count; });
}
