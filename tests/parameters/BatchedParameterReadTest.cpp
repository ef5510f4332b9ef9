// Batched parameter reads against drivesim: with lists allowed (protocol 0x80, command
// set 2 or 3) the login reads the bundled tree in list telegrams with the values single
// reads give; lists fill to the byte budget and no further; RAM lists only where the
// drive reads them; values no list can carry are read singly; an unknown UPID falls back
// to single reads and asks; errors while logging in stop the login.
#include <gtest/gtest.h>

#include <algorithm>

#include "ParameterWorkListFixture.h"
#include "parameters/BatchedParameterRead.h"
#include "parameters/MissingUPIDPrompt.h"

using namespace vt;
using namespace vt::test;

namespace {

// The prompt's stand-in: records what it was asked and answers Answer.
class TRecordingPrompt final : public TMissingUPIDPrompt {
 public:
  bool IgnoreAll() const override { return All; }
  void ClearIgnoreAll() override { All = false; }
  TModalResult Show(const AnsiString& Message) override {
    Asked.push_back(Message);
    return Answer;
  }
  bool All = false;
  TModalResult Answer = mrIgnore;
  std::vector<std::string> Asked;
};

class BatchedParameterRead : public ParameterWorkList {
 protected:
  void SetUp() override {
    ParameterWorkList::SetUp();
    SetMissingUPIDPrompt(&Prompt);
  }
  void TearDown() override {
    SetMissingUPIDPrompt(nullptr);
    ApplicationState().MultiReadActive = true;
    ApplicationState().MultiReadSize = 124;
    ParameterWorkList::TearDown();
  }
  // A drive that reads lists: stored lists from command set 2, working lists from 3.
  static std::vector<std::string> DriveArgs(int CommandSet, std::vector<std::string> More = {}) {
    std::vector<std::string> args{"--udp4", "--running=0", "--command-set=" + std::to_string(CommandSet)};
    args.insert(args.end(), More.begin(), More.end());
    return args;
  }
  // The committed value of every node with a stored value, as text.
  std::map<std::int32_t, std::string> Values() const {
    std::map<std::int32_t, std::string> values;
    for (TParameter* node : Readable()) {
      if (!(node->AddrUsage() & AddrRomRead)) continue;
      try {
        std::string text = node->GetRawDataStr("HEX");
        values[node->MasterUPID()] = text.empty() ? node->GetStrValue() : text;
      } catch (const Exception& e) {
        values[node->MasterUPID()] = e.Message();
      }
    }
    return values;
  }
  // A transaction that reads the nodes again, in the order given.
  void ReadAgain(const std::vector<std::int32_t>& UPIDs) {
    TTransactionClient client(Service->Provider());
    Transaction(client, [&](TServiceClient* C) {
      Service->PrepareUpdate(C);
      for (const std::int32_t upid : UPIDs) {
        Find(upid)->Invalidate(C);
        Find(upid)->Update(C);
      }
      Service->ExecuteUpdate(C);
    });
    EXPECT_TRUE(client.Error.empty()) << client.Error;
    EXPECT_EQ(client.Notified, 1);
    EXPECT_TRUE(Service->IsReady());
  }
  // "88 11 00 10 01 10": a list request in the drive log's notation.
  static std::string ListFrame(std::uint8_t Mode, const std::vector<std::int32_t>& UPIDs) {
    char text[8];
    std::snprintf(text, sizeof text, "88 %02X", Mode);
    std::string frame = text;
    for (const std::int32_t upid : UPIDs) {
      std::snprintf(text, sizeof text, " %02X %02X", upid & 0xFF, upid >> 8 & 0xFF);
      frame += text;
    }
    return frame;
  }
  static std::string SingleFrame(std::uint8_t Mode, std::int32_t UPID) { return ListFrame(Mode, {UPID}); }

  TRecordingPrompt Prompt;
};

// The login reads the bundled tree in lists, and every value equals the single read's,
// the text folder read singly between integers among them; working values come in RAM
// lists only where the drive reads them (command set 3), else a working-only value is
// read singly.
TEST_F(BatchedParameterRead, LoginReadsTheTreeInListsWithTheSingleReadsValues) {
  for (const int commandSet : {2, 3}) {
    SCOPED_TRACE(commandSet);
    drivesim::TDriveSim sim(DriveArgs(commandSet));
    Seen = 0;
    ApplicationState().MultiReadActive = false;
    TDevice* single = Login(Udp4Link(sim));
    ASSERT_EQ(single->State(), dstStarted);
    const std::map<std::int32_t, std::string> expected = Values();
    const std::size_t singleReads = NewFrames(sim, "udp4-0").size();
    StopDevice(single);

    ApplicationState().MultiReadActive = true;
    TDevice* device = Login(Udp4Link(sim));
    ASSERT_EQ(device->State(), dstStarted);
    ASSERT_TRUE(device->MultParValueEnable());
    EXPECT_EQ(Values(), expected);
    for (TParameter* node : Readable()) {
      EXPECT_TRUE(node->GetValid()) << node->Caption();
      EXPECT_FALSE(node->GetAttrFlag(AttrReadPending)) << node->Caption();
    }
    const std::vector<std::string> frames = NewFrames(sim, "udp4-0");
    const auto lists = [&](const char* Prefix) {
      return std::count_if(frames.begin(), frames.end(), [&](const std::string& F) { return F.starts_with(Prefix); });
    };
    EXPECT_GE(lists("88 11 "), 2);
    EXPECT_EQ(lists("88 12 ") > 0, commandSet == 3);
    // Near the fewest telegrams the budget allows: the values of each memory packed
    // tight, and one single read for each parameter no list can carry.
    int rom = 0, ram = 0, unlisted = 0;
    for (TParameter* node : Readable()) {
      if (!Service->ReadMultParameter()->Listable(node)) {
        ++unlisted;
        continue;
      }
      const bool stored = node->AddrUsage() & AddrRomRead;
      if (stored) rom += node->GetSize();
      if (!stored || (commandSet == 3 && (node->AddrUsage() & AddrRamRead))) ram += node->GetSize();
    }
    const int fewest = (rom + 123) / 124 + (ram + 123) / 124 + unlisted;
    EXPECT_LE(frames.size() * 5, static_cast<std::size_t>(fewest) * 6)
        << frames.size() << " telegrams, the fewest " << fewest << ", single reads " << singleReads;
    EXPECT_LT(frames.size() * 3, singleReads);
    // The working-only 64-bit value: in a RAM list as its RAM value or, without RAM lists,
    // singly from RAM as a single read takes it. A value of both memories gets its RAM
    // value, which differs from its ROM value, from a RAM list.
    EXPECT_EQ(std::count(frames.begin(), frames.end(), SingleFrame(GetModeRAM, 0x1013)), commandSet == 3 ? 0 : 1);
    if (commandSet == 3) {
      EXPECT_EQ(Find(0x1013)->GetRAMIntValue(), -123456789012);
      EXPECT_EQ(Find(0x1012)->GetRAMIntValue(), 42);
    } else {
      EXPECT_EQ(Find(0x1013)->GetIntValue(), -123456789012);
    }
    EXPECT_TRUE(Prompt.Asked.empty());
    StopDevice(device);
  }
}

// Which drives read RAM values in lists.
TEST(BatchedParameterReadDrives, RAMListsByProtocolAndCommandSet) {
  const struct {
    std::uint8_t protocol, commandSet;
    bool reads;
  } cases[] = {{0x60, 3, true}, {0x60, 2, false}, {0x80, 3, true}, {0x80, 2, false}, {0x50, 2, true},
               {0x5F, 2, true}, {0x50, 1, false}, {0x31, 9, false}, {0x4F, 9, false}};
  for (const auto& c : cases)
    EXPECT_EQ(TReadMultParameter::DriveReadsRAMLists(c.protocol, c.commandSet), c.reads)
        << std::hex << int{c.protocol} << " " << int{c.commandSet};
}

// Budget 124: sixty-two 2-byte values fill one list exactly, the sixty-third opens the
// next. Budget 250 with 1-byte values: a request holds at most 126 UPIDs, so that it fits
// one frame.
TEST_F(BatchedParameterRead, ListsFillToTheBudgetAndTheFrame) {
  const struct {
    const char* type;
    int size, count, budget;
    std::vector<std::size_t> lists;  // UPIDs per list
  } cases[] = {{"UInt16", 2, 63, 124, {62, 1}}, {"UInt8", 1, 130, 250, {126, 4}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    std::string records;
    std::vector<std::string> args;
    std::vector<std::int32_t> upids;
    for (int upid = 0x3200; upid < 0x3200 + c.count; ++upid) {
      records += ExtraRecord(upid, 0, c.type, 0x0C);
      args.push_back("--parameter=" + std::to_string(upid) + "," + std::to_string(c.size) + ",0x0C," +
                     std::to_string(upid & 0x7F));
      upids.push_back(upid);
    }
    CopyFirmware(records);
    drivesim::TDriveSim sim(DriveArgs(2, args));
    ApplicationState().MultiReadSize = c.budget;
    TDevice* device = Login(Udp4Link(sim));
    ASSERT_EQ(device->State(), dstStarted);
    NewFrames(sim, "udp4-0");
    ReadAgain(upids);
    const std::vector<std::string> frames = NewFrames(sim, "udp4-0");
    std::vector<std::size_t> sizes;
    for (const std::string& frame : frames) {
      EXPECT_TRUE(frame.starts_with("88 11 ")) << frame;
      EXPECT_LE((frame.size() + 1) / 3, 255u);
      sizes.push_back((frame.size() + 1) / 3 / 2 - 1);
    }
    EXPECT_EQ(sizes, c.lists);
    EXPECT_EQ(frames.front(), ListFrame(GetModeROMList, std::vector<std::int32_t>(upids.begin(), upids.begin() + c.lists[0])));
    for (const std::int32_t upid : upids) EXPECT_EQ(Find(upid)->GetIntValue(), upid & 0x7F) << upid;
    StopDevice(device);
  }
}

// The order of the lists, by the memories of the values and the drive: a value of both
// memories goes into both lists where the drive reads RAM lists, the RAM list first at
// the end; a safety parameter is never sent; a value bigger than the budget, or a
// working-only value where the drive has no RAM lists, is read singly at once.
TEST_F(BatchedParameterRead, WhichListsCarryAValue) {
  CopyFirmware(ExtraRecord(12301, 0x80));
  const struct {
    const char* name;
    int commandSet, budget;
    std::vector<std::int32_t> upids;
    std::vector<std::string> frames;
  } cases[] = {
      {"both memories, RAM lists", 3, 124, {0x1012, 0x1013, 0x1000},
       {ListFrame(GetModeRAMList, {0x1012, 0x1013, 0x1000}), ListFrame(GetModeROMList, {0x1012, 0x1000})}},
      {"no RAM lists", 2, 124, {0x1012, 0x1013, 0x1000},
       {SingleFrame(GetModeRAM, 0x1013), ListFrame(GetModeROMList, {0x1012, 0x1000})}},
      {"safety parameter last", 2, 124, {0x1000, 12301}, {ListFrame(GetModeROMList, {0x1000})}},
      {"bigger than the budget", 2, 4, {0x1012, 0x1000, 0x1001},
       {SingleFrame(GetModeROM, 0x1012), ListFrame(GetModeROMList, {0x1000}), ListFrame(GetModeROMList, {0x1001})}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    drivesim::TDriveSim sim(DriveArgs(c.commandSet));
    TDevice* device = Login(Udp4Link(sim));
    ASSERT_EQ(device->State(), dstStarted);
    ApplicationState().MultiReadSize = c.budget;
    NewFrames(sim, "udp4-0");
    ReadAgain(c.upids);
    EXPECT_EQ(NewFrames(sim, "udp4-0"), c.frames);
    EXPECT_EQ(Find(0x1000)->GetIntValue(), 1000);
    EXPECT_FALSE(Find(12301)->GetAttrFlag(AttrReadPending));
    ApplicationState().MultiReadSize = 124;
    StopDevice(device);
  }
}

// A list with a UPID the drive does not know (0xC0) is read again one UPID at a time and
// the unknown one is reported; "Ignore all" silences the report. While logging in
// "Abort" stops the login, and so does any other failed list.
TEST_F(BatchedParameterRead, UnknownUPIDsAndFailedLists) {
  CopyFirmware(ExtraRecord(0x1A2B));
  {
    drivesim::TDriveSim sim(DriveArgs(2));
    TDevice* device = Login(Udp4Link(sim));
    ASSERT_EQ(device->State(), dstStarted);
    EXPECT_EQ(Prompt.Asked, std::vector<std::string>{"UPID = 1A2Bh does not exist!"});
    EXPECT_FALSE(Find(0x1A2B)->GetValid());
    EXPECT_FALSE(Find(0x1A2B)->GetAttrFlag(AttrReadPending));

    const std::vector<std::int32_t> upids{0x1000, 0x1001, 0x1A2B, 0x1010, 0x1011};
    for (const bool all : {false, true}) {
      Prompt.Asked.clear();
      Prompt.All = all;
      NewFrames(sim, "udp4-0");
      ReadAgain(upids);
      std::vector<std::string> expected{ListFrame(GetModeROMList, upids)};
      for (const std::int32_t upid : upids) expected.push_back(SingleFrame(GetModeROM, upid));
      EXPECT_EQ(NewFrames(sim, "udp4-0"), expected);
      EXPECT_EQ(Prompt.Asked, std::vector<std::string>(all ? 0 : 1, "UPID = 1A2Bh does not exist!"));
      EXPECT_EQ(Find(0x1011)->GetIntValue(), 10);
    }
    StopDevice(device);
  }
  const struct {
    const char* name;
    std::vector<std::string> controls;
    TModalResult answer;
  } aborts[] = {{"unknown UPID, Abort", {}, mrAbort}, {"failed list", {"--fail-reads=4096:1"}, mrIgnore}};
  for (const auto& c : aborts) {
    SCOPED_TRACE(c.name);
    drivesim::TDriveSim sim(DriveArgs(2, c.controls));
    Prompt.Answer = c.answer;
    Prompt.All = false;
    TDevice* device = Login(Udp4Link(sim));
    EXPECT_EQ(device->State(), dstError);
    EXPECT_EQ(Service->ServiceStatus(), dsError);
    StopDevice(device);
  }
}

}  // namespace
