// The variables' multi-value reader: the split of a section into groups by the byte
// budget, and the reader's task against drivesim's variables through a test variable
// service that sends each value request as one list read (88 12): groups per telegram,
// one-way before cyclic, cyclic round robin, the control panel's section while the
// drive stands, nothing while offline or parked, and no steps while idle.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "TalkServiceFixture.h"
#include "comm/TalkClient.h"
#include "comm/TelegramPatterns.h"
#include "devices/services/MultiValueReader.h"
#include "devices/services/VariableSections.h"
#include "platform/Exceptions.h"
#include "runtime/ApplicationState.h"

using namespace vt;

namespace {

TEST(MultiValueSplit, GroupsWithinTheBudget) {
  const struct {
    const char* name;
    std::vector<int> sizes;
    int budget, maxEntries;
    std::vector<int> ends;
  } cases[] = {
      {"100 of 4 bytes", std::vector<int>(100, 4), 124, 126, {30, 61, 92, 99}},
      {"124 bytes exactly", std::vector<int>(31, 4), 124, 126, {30}},
      {"a boundary after the first", {100, 30, 4}, 124, 126, {0, 2}},
      {"bigger than the budget", {4, 200, 4}, 124, 126, {0, 1, 2}},
      {"UPIDs per frame", std::vector<int>(130, 1), 250, 126, {125, 129}},
      {"none", {}, 124, 126, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitGroups(c.sizes, c.budget, c.maxEntries), c.ends) << c.name;
  std::vector<int> fifty(50);
  for (int i = 0; i < 50; ++i) fifty[static_cast<std::size_t>(i)] = i;
  EXPECT_EQ(SplitGroups(std::vector<int>(50, 100), 124, 126), fifty);
}

class TDriveVariable final : public TVariableEntry {
 public:
  TDriveVariable(std::int32_t AUPID, int ASize) : UPID(AUPID), Size(ASize) {}
  int GetVarType() const override { return 4; }
  int GetDataSize() const override { return Size; }
  int MaxSize() const override { return 0; }
  std::int32_t DeviceUPID() const override { return UPID; }
  int VarSourceType() const override { return 0; }
  const std::int32_t UPID;
  const int Size;
  std::int64_t Value = -1;
};

class TDriveVariables;

class TDriveSection final : public TVariableSection {
 public:
  TDriveSection(TDriveVariables* AOwner, AnsiString AName, std::int32_t FirstUPID, int Count, int Size);
  TVariableReadService* Owner() const override;
  const AnsiString& Name() const override { return FName; }
  int Level() const override { return 1; }
  TVariableSection* Parent() const override { return nullptr; }
  bool UserDefined() const override { return false; }
  int GetCount() const override { return static_cast<int>(Variables.size()); }
  TVariableEntry* GetVarItem(int Index) const override { return Variables.at(static_cast<std::size_t>(Index)).get(); }
  void RequestRead(int First, int Last, int Mode) override;
  std::vector<std::unique_ptr<TDriveVariable>> Variables;

 private:
  TDriveVariables* const FOwner;
  const AnsiString FName;
};

// The test's variable service: a value request reads the marked range as one list of
// working values, through its own talk actor.
class TDriveVariables final : public TVariableReadService {
 public:
  explicit TDriveVariables(TBasicTalkService* Talk)
      : Pattern(Talk, 0x88), Actor(TalkClient()->GetActor()) {
    Actor->OnResponse = [this](TTalkActor* A) { Answer(A); };
  }
  ~TDriveVariables() override { TalkClient()->PutActor(Actor); }
  void PrepareValueRequest() override {
    if (Running) throw Exception("TDriveVariables.BeginUpdate: previous update not completed");
    ++Brackets;
  }
  void ExecuteValueRequest() override {
    if (Brackets == 0) throw Exception("TDriveVariables.EndOfUpdate: missing previous BeginUpdate");
    if (--Brackets == 0 && Marked) Send();
  }
  bool UpdateRunning() const override { return Running; }
  void Mark(TDriveSection* Section, int First, int Last) {
    if (Running) throw Exception("internal error");
    Marked = Section;
    MarkedFirst = First;
    MarkedLast = Last;
  }
  // The sections read, in order, and the UPIDs of each request.
  std::vector<std::string> Reads;
  std::vector<std::size_t> Counts;

 private:
  void Send() {
    std::string payload(1, '\x12');
    for (int i = MarkedFirst; i <= MarkedLast; ++i) {
      const std::int32_t upid = Marked->Variables[static_cast<std::size_t>(i)]->UPID;
      payload += static_cast<char>(upid & 0xFF);
      payload += static_cast<char>(upid >> 8);
    }
    Reads.push_back(Marked->Name());
    Counts.push_back(static_cast<std::size_t>(MarkedLast - MarkedFirst + 1));
    Running = true;
    Actor->Clear();
    Pattern.Put(*Actor, payload, 0);
    Actor->Execute();
  }
  void Answer(TTalkActor* A) {
    A->Reset();
    const std::string data = Pattern.GetResponse(*A);
    std::size_t at = 0;
    for (int i = MarkedFirst; A->GetResult() == 0 && i <= MarkedLast; ++i) {
      TDriveVariable& v = *Marked->Variables[static_cast<std::size_t>(i)];
      if (at + static_cast<std::size_t>(v.Size) > data.size()) break;
      v.Value = 0;
      for (int b = v.Size - 1; b >= 0; --b) v.Value = v.Value << 8 | static_cast<std::uint8_t>(data[at + b]);
      at += static_cast<std::size_t>(v.Size);
    }
    Marked = nullptr;
    Running = false;
  }
  TCustomPattern Pattern;
  std::unique_ptr<TTalkActor> Actor;
  TDriveSection* Marked = nullptr;
  int MarkedFirst = 0, MarkedLast = 0, Brackets = 0;
  bool Running = false;
};

TDriveSection::TDriveSection(TDriveVariables* AOwner, AnsiString AName, std::int32_t FirstUPID, int Count, int Size)
    : FOwner(AOwner), FName(std::move(AName)) {
  for (int i = 0; i < Count; ++i) Variables.push_back(std::make_unique<TDriveVariable>(FirstUPID + i, Size));
}
TVariableReadService* TDriveSection::Owner() const { return FOwner; }
void TDriveSection::RequestRead(int First, int Last, int Mode) {
  EXPECT_EQ(Mode, SectionReadRAM);
  FOwner->Mark(this, First, Last);
}

class MultiValueReaderTest : public TalkServiceFixture {
 protected:
  void SetUp() override {
    TalkServiceFixture::SetUp();
    Sim = std::make_unique<drivesim::TDriveSim>(
        std::vector<std::string>{"--udp4", "--running=0", "--command-set=3", "--variables=0x5000,200,4"});
    Talk = NewService(Udp4Link(*Sim), "guest", "");
    StartUp(Talk, {dsStarting, dsStarted});
    Variables = std::make_unique<TDriveVariables>(Talk);
    Reader = std::make_unique<TReadMultValue>(Variables.get(), Talk->Device());
  }
  void TearDown() override {
    // As the device does before its services stop: no request is left in flight.
    Reader->SetWaitforDestroy();
    EXPECT_TRUE(StepUntil([&] { return !Variables->UpdateRunning(); }));
    Reader.reset();
    Sections.clear();
    Variables.reset();
    Sim.reset();
    TalkServiceFixture::TearDown();
  }
  // Kept until the reader is gone: a request may be in flight when a test ends.
  TDriveSection* Section(const char* Name, std::int32_t FirstUPID, int Count) {
    return Sections.emplace_back(std::make_unique<TDriveSection>(Variables.get(), Name, FirstUPID, Count, 4)).get();
  }
  // The list reads drivesim received.
  std::size_t ListReads() const {
    const std::vector<std::string> frames = FramesIn(*Sim, "udp4-0");
    return static_cast<std::size_t>(
        std::count_if(frames.begin(), frames.end(), [](const std::string& F) { return F.starts_with("88 12 "); }));
  }
  bool Idle() { return Reader->State() == wsTakeDict && !Variables->UpdateRunning(); }
  // Lets the scheduler run for a while.
  void RunFor(int Ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
    StepUntil([&] { return std::chrono::steady_clock::now() > end; });
  }

  std::unique_ptr<drivesim::TDriveSim> Sim;
  TBasicTalkService* Talk = nullptr;
  std::unique_ptr<TDriveVariables> Variables;
  std::unique_ptr<TReadMultValue> Reader;
  std::vector<std::unique_ptr<TDriveSection>> Sections;
};

// A one-way section of 100 variables of 4 bytes: four list reads of 31, 31, 31 and 7
// UPIDs, each value the drive's; then the reader sleeps, its task not stepped again.
TEST_F(MultiValueReaderTest, OneWaySectionInGroups) {
  auto a = Section("A", 0x5000, 100);
  Reader->AddOneWayList(a);
  ASSERT_TRUE(StepUntil([&] { return Variables->Counts.size() == 4 && Idle(); }));
  EXPECT_EQ(Variables->Counts, (std::vector<std::size_t>{31, 31, 31, 7}));
  EXPECT_EQ(ListReads(), 4u);
  for (const auto& v : a->Variables) EXPECT_EQ(v->Value, v->UPID * 3) << v->UPID;
  EXPECT_EQ(Reader->OneWayListCount(), 0);
  EXPECT_EQ(Reader->ListFlag(), 0);
  // Asleep on its signal: no step makes the scheduler ready while nothing is queued.
  RunFor(30);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(MxScheduler()->AppIdleExecute());

  // Small enough for one telegram.
  auto b = Section("B", 0x5000, 31);
  Reader->AddOneWayList(b);
  ASSERT_TRUE(StepUntil([&] { return Variables->Counts.size() == 5 && Idle(); }));
  EXPECT_EQ(Variables->Counts.back(), 31u);
}

// Cyclic sections are read round robin; a one-way section added meanwhile goes before the
// next cyclic one; the control panel's section is passed over while the drive stands.
TEST_F(MultiValueReaderTest, CyclicRoundRobinAndOneWayFirst) {
  auto a = Section("A", 0x5000, 10), b = Section("B", 0x5010, 10), c = Section("C", 0x5020, 10);
  auto panel = Section(ControlPanelSection, 0x5030, 10);
  Reader->AddCyclicList(a);
  Reader->AddCyclicList(panel);
  Reader->AddCyclicList(b);
  ASSERT_TRUE(StepUntil([&] { return Variables->Reads.size() >= 4; }));
  EXPECT_EQ(std::vector<std::string>(Variables->Reads.begin(), Variables->Reads.begin() + 4),
            (std::vector<std::string>{"A", "B", "A", "B"}));
  const std::size_t before = Variables->Reads.size();
  Reader->AddOneWayList(c);
  ASSERT_TRUE(StepUntil([&] { return Variables->Reads.size() >= before + 2; }));
  const auto at = std::find(Variables->Reads.begin() + static_cast<std::ptrdiff_t>(before), Variables->Reads.end(), "C");
  ASSERT_NE(at, Variables->Reads.end());
  EXPECT_LE(at - Variables->Reads.begin(), static_cast<std::ptrdiff_t>(before + 1));
  EXPECT_EQ(std::count(Variables->Reads.begin(), Variables->Reads.end(), ControlPanelSection), 0);
  EXPECT_EQ(a->Variables[9]->Value, 0x5009 * 3);

  Reader->DelCyclicList(a);
  Reader->DelCyclicList(b);
  Reader->DelCyclicList(panel);
  EXPECT_EQ(Reader->ListFlag(), 0);
}

// Nothing is read while the device is offline; parked, the reader sends nothing again.
TEST_F(MultiValueReaderTest, NothingWhileOfflineOrParked) {
  auto a = Section("A", 0x5000, 10);
  Talk->Device()->SetDeviceType(dtOffline);
  Reader->AddCyclicList(a);
  RunFor(50);
  EXPECT_TRUE(Variables->Reads.empty());
  Talk->Device()->SetDeviceType(dtOnline);
  ASSERT_TRUE(StepUntil([&] { return Variables->Reads.size() >= 2; }));

  Reader->SetWaitforDestroy();
  ASSERT_TRUE(StepUntil([&] { return !Variables->UpdateRunning(); }));
  RunFor(20);
  const std::size_t reads = ListReads();
  Reader->AddOneWayList(a);
  RunFor(50);
  EXPECT_EQ(ListReads(), reads);
  EXPECT_EQ(Reader->State(), wsWaitforDestroy);
}

// Multi-value reads of a section: only where the device allows them, and not for a
// user-defined section with a variable of source type 1.
TEST_F(MultiValueReaderTest, EnabledByTheDevice) {
  auto a = Section("A", 0x5000, 10);
  EXPECT_FALSE(Reader->GetMultValuesEnabled(nullptr));
  Talk->Device()->SetMultValueEnable();
  EXPECT_EQ(Reader->GetMultValuesEnabled(a), Talk->Device()->MultVarValueEnable());
  EXPECT_TRUE(Talk->Device()->MultVarValueEnable());  // protocol 0x80, command set 3
}

}  // namespace
