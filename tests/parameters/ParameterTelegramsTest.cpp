// The parameter telegrams: patterns by protocol family, modes by address usage, the
// changed-parameter answer; and single reads and writes of every value type against
// drivesim over a pseudo-terminal and UDP (the bundled description files' parameters and
// entries added to the drive's table), with the golden bytes of its log and the
// consistency of its parameter table with the bundled tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>

#include "DriveImage.h"
#include "StandInService.h"
#include "StorageFixture.h"
#include "TalkServiceFixture.h"
#include "comm/TalkActor.h"
#include "devices/DeviceManager.h"
#include "parameters/BoolParameters.h"
#include "parameters/DirectoryParameters.h"
#include "parameters/EnumParameters.h"
#include "parameters/IntegerParameters.h"
#include "parameters/ParameterManager.h"
#include "parameters/ParameterService.h"
#include "parameters/ParameterTelegrams.h"
#include "parameters/RadioParameters.h"
#include "parameters/UnitService.h"
#include "platform/Dialogs.h"
#include "sl/values/Scalars.h"

using namespace vt;
namespace fs = std::filesystem;

namespace {

TEST(ParameterTelegramPatterns, OnlyForTheProtocolFamilies) {
  for (const std::uint8_t version : {0x80, 0x85, 0x90, 0xA3}) {
    const TParameterServiceCollection collection(nullptr, version);
    ASSERT_TRUE(collection.HasPatterns()) << int(version);
    EXPECT_EQ(collection.FGetRequest->TalkId(), 0x88);
    EXPECT_EQ(collection.FSetRequest->TalkId(), 0x89);
  }
  for (const std::uint8_t version : {0x00, 0x60, 0x7F, 0xB0}) {
    const TParameterServiceCollection collection(nullptr, version);
    EXPECT_FALSE(collection.FGetRequest || collection.FSetRequest) << int(version);
  }
}

TEST(ParameterTelegramPatterns, ModesByAddressUsage) {
  const struct {
    std::uint16_t usage;
    int read, write;  // -1: none
  } cases[] = {{0x05, 0x00, -1},   {0x01, 0x01, -1},   {0x04, 0x00, -1},   {0x08, -1, 0x00},  {0x02, -1, 0x01},
               {0x0A, -1, 0x02},  {0x0F, 0x00, 0x02}, {0x10F, 0x00, 0x02}, {0x03, 0x01, 0x01}, {0x100, -1, -1}};
  const auto mode = [](std::optional<std::uint8_t> Mode) { return Mode ? int{*Mode} : -1; };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.usage);
    EXPECT_EQ(mode(ReadModeOf(c.usage)), c.read);
    EXPECT_EQ(mode(WriteModeOf(c.usage)), c.write);
  }
  EXPECT_EQ(ParameterPayload(0x02, 0x1234, "\xCD\xAB"), "\x02\x34\x12\xCD\xAB");
  EXPECT_EQ(ChangedUPIDs("\xE8\x03\xE9\x03\x07"), (std::vector<std::uint16_t>{1000, 1001}));
  EXPECT_TRUE(ChangedUPIDs("").empty());
}

class ParameterTelegrams : public TalkServiceFixture {
 protected:
  void SetUp() override {
    TalkServiceFixture::SetUp();
    Storage.Start();
    SetShowMessageHandler([this](const std::u16string& Text) { Boxes.push_back(WideToUtf8(Text)); });
    for (const char* name : {"ModuleService", "StatusService"})
      DeviceManager()->RegisterServiceClass(name, DeviceServiceClassOf<test::TStandInService>());
    DeviceManager()->RegisterServiceClass("UnitService", DeviceServiceClassOf<TUnitService>());
    DeviceManager()->RegisterServiceClass("ParameterService", DeviceServiceClassOf<TParameterService>());
    CreateParameterManager();
    RegisterParameterClasses(*ParameterManager());
  }
  void TearDown() override {
    FreeDeviceManager();
    FreeParameterManager();
    SetShowMessageHandler(nullptr);
    Storage.Stop();
    TalkServiceFixture::TearDown();
  }

  // A device logged in on Link with the parameter service started; Protocol stands for
  // the protocol version the login found.
  void Login(const TLink& Link, std::optional<std::uint8_t> Protocol = std::nullopt) {
    Talk = NewService(Link, "guest", "");
    StartUp(Talk, {dsStarting, dsStarted});
    if (Protocol) Talk->SetProtocolVersion(*Protocol);
    TDevice* device = Talk->Device();
    for (const char16_t* name : {u"UnitService", u"ModuleService", u"StatusService"})
      device->CreateService(WideToAnsi(name), test::NamedSettings(name).get());
    Service = static_cast<TParameterService*>(device->CreateService("ParameterService", test::NamedSettings(u"ParameterService").get()));
    bool wait = false;
    Service->StartUp(wait);
    ASSERT_EQ(Service->ServiceStatus(), dsStarting);
  }
  // The bundled description files in tree-level order, loaded as the module service would;
  // Older: the older release's servo application.
  void LoadBundled(bool Older = false) {
    const char* servo = Older ? "OlderReleases/VXAPSERVO_VX2_V3S1_0" : "VXAPSERVO_VX2_V3S2_0";
    for (const char* name : {"VXOS_VX2_V4S1_0", "VXMC_VX2_V4S1_0", "VXIFETH_VX2_V2S0_0", servo}) {
      const fs::path file = fs::path(VT_DATA_DIR) / "Firmware" / (std::string(name) + ".IN2");
      TRef<TSLStorageObject> object(StorageManager->GetObject(file.string()));
      Service->LoadTree(name, *CheckedCast<TSLDictionary>(object->GetData()));
    }
    ASSERT_TRUE(Boxes.empty()) << Boxes.front();
  }
  void BundledTreeAndDriveTableAgree(bool Older);
  // Records of SL text as one module.
  void LoadRecords(const std::string& Records) {
    Service->LoadTree("Fixture", *CheckedCast<TSLDictionary>(Storage.Sl("[D /ParameterArray [A " + Records + "]]")));
  }
  // One single read or write, its answer processed; false when nothing went out.
  bool Read(TParameter* Node) {
    return Exchange([&](TActorEvent Done) { Node->RequestUpdate(Service->GetActor(), Talk, std::move(Done)); },
                    [&](TTalkActor* Actor) {
                      Answer = Service->GetResponse(*Actor);
                      Node->ProcessUpdate(Actor, Talk);
                    });
  }
  bool Write(TParameter* Node) {
    return Exchange([&](TActorEvent Done) { Node->RequestModify(Service->GetActor(), Talk, std::move(Done)); },
                    [&](TTalkActor* Actor) { Node->ProcessModify(Actor, Talk, dtOnline); });
  }
  bool Exchange(const std::function<void(TActorEvent)>& Request, const std::function<void(TTalkActor*)>& Process) {
    bool answered = false;
    Request([&](TTalkActor* Actor) {
      Actor->Reset();
      Result = Actor->GetResult();
      Process(Actor);
      answered = true;
    });
    if (!Service->GetActor()->IsBusy()) return false;
    EXPECT_TRUE(StepUntil([&] { return answered; }));
    return true;
  }
  // The parameter frames the drive received since the last call.
  std::vector<std::string> NewFrames(const drivesim::TDriveSim& Sim, const std::string& Drive) {
    return NewParameterFrames(Sim, Drive, Seen);
  }
  TParameter* Find(std::int32_t UPID) const { return Service->FindParameter(UPID); }
  // The nodes of the tree that a single read reaches; options read through their directory.
  std::vector<TParameter*> ReadNodes() const {
    std::vector<TParameter*> nodes;
    Service->ForEachParameter([&](TParameter* Node, bool&) {
      if (ReadModeOf(Node->AddrUsage()) && !Node->IsChild()) nodes.push_back(Node);
    });
    return nodes;
  }

  test::TStorageEnvironment Storage;
  TBasicTalkService* Talk = nullptr;
  TParameterService* Service = nullptr;
  std::uint8_t Result = 0xFF;
  std::string Answer;
  std::size_t Seen = 0;
};

// The example of the telegrams: UPID 0x1234, 16 bits, ROM and RAM; read 00 34 12 and the
// answer 02 01 commit 0x0102; the pending 0xABCD is written 02 34 12 CD AB and committed.
TEST_F(ParameterTelegrams, GoldenBytesOfOneReadAndWrite) {
  drivesim::TDriveSim sim({"--pty"});
  Login(PtyLink(sim));
  LoadBundled();
  TParameter* window = Find(0x1234);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(Read(window));
  EXPECT_EQ(NewFrames(sim, "pty0"), std::vector<std::string>{"88 00 34 12"});
  EXPECT_EQ(Answer, std::string("\x02\x01", 2));
  EXPECT_EQ(window->GetIntValue(), 0x0102);
  EXPECT_TRUE(window->GetAttrFlag(AttrChanged));
  window->SetIntValue(usSI, 0xABCD);
  EXPECT_EQ(window->GetIntValue(), 0x0102);  // pending until the drive confirms
  ASSERT_TRUE(Write(window));
  EXPECT_EQ(NewFrames(sim, "pty0"), std::vector<std::string>{"89 02 34 12 CD AB"});
  EXPECT_EQ(window->GetIntValue(), 0xABCD);
  window->ClrAttrFlag(AttrValid);
  ASSERT_TRUE(Read(window));
  EXPECT_EQ(window->GetIntValue(), 0xABCD);  // it landed in the drive's table
}

// The mode of each address usage on the wire; a parameter without the memory sends nothing.
TEST_F(ParameterTelegrams, ModeTableOnTheWire) {
  drivesim::TDriveSim sim({"--udp4"});
  Login(Udp4Link(sim));
  std::string records;
  const int usages[] = {0x05, 0x01, 0x08, 0x02, 0x0A, 0x00};
  for (int i = 0; i < 6; ++i) {
    const std::string usage = std::to_string(usages[i]);
    const std::string upid = std::to_string(100 + i);
    records += "[R [D:UInt16 /UPID " + upid + " /DEVICE_UPID 4660 /Level 1 /Caption 'M" + usage +
               "' /Permission 85 /AddrUsage " + usage + " /UseVFlag '' /UUID 0 /MinValue 0 /MaxValue 65535 /DefValue 0]"
               " [A " + upid + " 4660 1 'M' 85 " + usage + " '' 0 0 65535 0]] ";
  }
  LoadRecords(records);
  ASSERT_TRUE(Boxes.empty());
  const struct {
    int usage;
    const char* read;
    const char* write;
  } expected[] = {{0x05, "88 00 34 12", ""},          {0x01, "88 01 34 12", ""},
                  {0x08, "", "89 00 34 12 05 00"},    {0x02, "", "89 01 34 12 05 00"},
                  {0x0A, "", "89 02 34 12 05 00"},    {0x00, "", ""}};
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(expected[i].usage);
    TParameter* node = Find(100 + i);
    node->SetIntValue(usSI, 5);
    EXPECT_EQ(Read(node), *expected[i].read != '\0');
    EXPECT_EQ(Write(node), *expected[i].write != '\0');
    std::vector<std::string> frames;
    for (const char* f : {expected[i].read, expected[i].write})
      if (*f) frames.push_back(f);
    EXPECT_EQ(NewFrames(sim, "udp4-0"), frames);
  }
}

// A short answer is a failed read: nothing is committed and the log says so. An error
// answer commits nothing either, and neither does a write the drive refuses.
TEST_F(ParameterTelegrams, FailedAndShortAnswersCommitNothing) {
  drivesim::TDriveSim sim({"--udp4"});
  Login(Udp4Link(sim));
  LoadRecords(
      "[R [D:UInt32 /UPID 200 /DEVICE_UPID 4660 /Level 1 /Caption 'Wide' /Permission 85 /AddrUsage 15 /UseVFlag ''"
      " /UUID 0 /MinValue 0 /MaxValue 99999 /DefValue 0] [A 200 4660 1 'Wide' 85 15 '' 0 0 99999 0]]"
      "[R [D:UInt16 /UPID 201 /DEVICE_UPID 4660 /Level 1 /Caption 'Narrow' /Permission 85 /AddrUsage 15 /UseVFlag ''"
      " /UUID 0 /MinValue 0 /MaxValue 65535 /DefValue 0] [A 201 4660 1 'Narrow' 85 15 '' 0 0 65535 0]]");
  TParameter* wide = Find(200);
  ASSERT_TRUE(Read(wide));
  EXPECT_EQ(Result, 0);
  EXPECT_EQ(Answer.size(), 2u);
  EXPECT_FALSE(wide->GetValid());
  const auto lines = LogLines();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
    return l.find("ProcessUpdate: the answer for UPID 1234h holds 2 bytes, too few for 'Wide'") != std::string::npos;
  }));
  // A drive that fails the next read, then a write of the wrong size.
  TParameter* narrow = Find(201);
  sim.Set("fail-reads=0x1234:1");
  ASSERT_TRUE(Read(narrow));
  EXPECT_EQ(Result, 0x80);
  EXPECT_FALSE(narrow->GetValid());
  wide->SetIntValue(usSI, 7);
  ASSERT_TRUE(Write(wide));
  EXPECT_EQ(Result, 0x80);
  EXPECT_FALSE(wide->GetValid());
  ASSERT_TRUE(Read(narrow));
  EXPECT_EQ(narrow->GetIntValue(), 0x0102);
}

// A drive outside the protocol families gets no parameter telegram; the error is logged.
TEST_F(ParameterTelegrams, NoTelegramsOutsideTheProtocolFamilies) {
  drivesim::TDriveSim sim({"--udp4"});
  Login(Udp4Link(sim), 0x60);
  LoadBundled();
  EXPECT_EQ(Service->ParServiceCollection()->FGetRequest, nullptr);
  EXPECT_FALSE(Read(Find(0x1234)));
  EXPECT_FALSE(Write(Find(0x1234)));
  EXPECT_TRUE(NewFrames(sim, "udp4-0").empty());
  const auto lines = LogLines();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
    return l.find("TParameterService.GetRequest: no parameter telegrams for this drive") != std::string::npos;
  }));
}

// One parameter of each width read and written over a pseudo-terminal: the values of the
// drive's table, and the written values back from it.
TEST_F(ParameterTelegrams, EachWidthReadAndWritten) {
  drivesim::TDriveSim sim({"--pty"});
  Login(PtyLink(sim));
  LoadBundled();
  const struct {
    std::int32_t upid;
    const char* type;
    std::int64_t drive;    // the drive's stored value
    std::int64_t written;  // within the parameter's limits
  } cases[] = {
      {273, "UInt8", 1, 16},          {512, "SInt8", -3, -20},        {4096, "UInt16", 1000, 60000},
      {12291, "SInt16", 3000, -9999}, {8192, "UInt32", 0x7F000001, 0xC0A80001}, {4112, "SInt32", -5000, -999999},
      {12296, "UInt64", 1000000, 0},  {12297, "SInt64", -2, -9000000000000LL},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    TParameter* node = Find(c.upid);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->TypeStr(), c.type);
    ASSERT_TRUE(Read(node));
    EXPECT_EQ(node->GetIntValue(), c.drive);
    if (!WriteModeOf(node->AddrUsage())) continue;
    node->SetIntValue(usSI, c.written);
    ASSERT_TRUE(Write(node));
    EXPECT_EQ(Result, 0);
    node->ClrAttrFlag(AttrValid);
    ASSERT_TRUE(Read(node));
    EXPECT_EQ(node->GetIntValue(), c.written);
  }
  // The device UPID goes on the wire: 12292 is 3104h on the drive, whose FE FF is -2.
  ASSERT_TRUE(Read(Find(12292)));
  EXPECT_EQ(NewFrames(sim, "pty0").back(), "88 00 04 31");
  EXPECT_EQ(Find(12292)->GetIntValue(), -2);
  // The text folder's text, without its zeros.
  auto* label = dynamic_cast<TCapDirParameter*>(Find(272));
  ASSERT_TRUE(Read(label));
  EXPECT_EQ(label->GetStrValue(), "Axis 1");
  label->SetStrValue("Axis 2");
  ASSERT_TRUE(Write(label));
  EXPECT_EQ(NewFrames(sim, "pty0").back(), "89 02 10 01 41 78 69 73 20 32");
  EXPECT_EQ(label->GetStrValue(), "Axis 2");
}

// A description record of Type at UPID with the common keys, then Fields ("Key", "value").
std::string TypedRecord(const std::string& Type, int UPID, int Level, const std::string& Caption, int Usage,
                        const std::vector<std::pair<std::string, std::string>>& Fields = {}) {
  std::vector<std::pair<std::string, std::string>> fields = {
      {"UPID", std::to_string(UPID)}, {"Level", std::to_string(Level)}, {"Caption", "'" + Caption + "'"},
      {"Permission", "85"},           {"AddrUsage", std::to_string(Usage)}, {"UseVFlag", "''"}};
  fields.insert(fields.end(), Fields.begin(), Fields.end());
  std::string keys, values;
  for (const auto& [key, value] : fields) {
    keys += " /" + key + " " + value;
    values += " " + value;
  }
  return "[R [D:" + Type + keys + "] [A" + values + "]] ";
}

// The other value types over a pseudo-terminal, each against an entry added to the
// drive's table: the golden bytes of a read and a write, and the written value read back.
TEST_F(ParameterTelegrams, EachValueTypeReadAndWritten) {
  drivesim::TDriveSim sim({"--pty", "--parameter=0x0400,2,0x0F,0", "--parameter=0x0401,2,0x03,1",
                           "--text-parameter=0x0123,4,0x0F,ABC", "--parameter=0x0500,4,0x0F,0x12345678",
                           "--parameter=0x0600,2,0x0F,1", "--parameter=0x0700,4,0x0F,0x3F800000",
                           "--text-parameter=1000,16,0x0F,Axis A"});
  Login(PtyLink(sim));
  LoadRecords(TypedRecord("Bool", 0x0400, 1, "Brake", 15, {{"DefValue", "0"}}) +
              TypedRecord("Bool", 0x0401, 1, "Live", 3, {{"DefValue", "0"}}) +
              TypedRecord("String", 0x0123, 1, "Tag", 15, {{"DefValue", "''"}, {"MaxSize", "4"}}) +
              TypedRecord("EnumDir32", 0x0500, 1, "Code", 15, {{"DefValue", "0"}}) +
              TypedRecord("EnumChild32", 0x0501, 2, "Other", 15, {{"ChildValue", "16909060"}}) +
              TypedRecord("RadioDir16", 0x0600, 1, "Power", 15, {{"DefValue", "0"}}) +
              TypedRecord("RadioChild", 0x0601, 2, "Off", 15, {{"ChildValue", "0"}}) +
              TypedRecord("RadioChild", 0x0602, 2, "On", 15, {{"ChildValue", "1"}}) +
              TypedRecord("FLOATIEEE754", 0x0700, 1, "Gain", 15,
                          {{"UUID", "0"}, {"MinValue", "3240099840"}, {"MaxValue", "1092616192"}, {"DefValue", "0"}}) +  // -10 to 10
              TypedRecord("String", 1000, 1, "Name", 15, {{"DefValue", "''"}, {"MaxSize", "16"}}));
  ASSERT_TRUE(Boxes.empty()) << Boxes.front();

  // Boolean: a word of 0 or 1.
  TParameter* brake = Find(0x0400);
  ASSERT_TRUE(Read(brake));
  EXPECT_EQ(NewFrames(sim, "pty0"), std::vector<std::string>{"88 00 00 04"});
  EXPECT_FALSE(brake->GetBoolValue());
  brake->SetBoolValue(true);
  ASSERT_TRUE(Write(brake));
  EXPECT_EQ(NewFrames(sim, "pty0"), std::vector<std::string>{"89 02 00 04 01 00"});
  EXPECT_TRUE(brake->GetBoolValue());
  // A RAM-only boolean's read fills its RAM value and leaves it uncommitted.
  auto* live = static_cast<TBoolParameter*>(Find(0x0401));
  ASSERT_TRUE(Read(live));
  EXPECT_EQ(NewFrames(sim, "pty0"), std::vector<std::string>{"88 01 01 04"});
  EXPECT_TRUE(live->RAMValue());
  EXPECT_FALSE(live->GetValid());

  // String: the drive's "ABC" then NUL; a write carries the text alone, cut to MaxSize.
  TParameter* tag = Find(0x0123);
  ASSERT_TRUE(Read(tag));
  EXPECT_EQ(Answer, std::string("ABC\0", 4));
  EXPECT_EQ(tag->GetStrValue(), "ABC");
  tag->SetStrValue("XY");
  ASSERT_TRUE(Write(tag));
  tag->SetStrValue("Longer");
  ASSERT_TRUE(Write(tag));
  EXPECT_EQ(NewFrames(sim, "pty0"),
            (std::vector<std::string>{"88 00 23 01", "89 02 23 01 58 59", "89 02 23 01 4C 6F 6E 67"}));
  tag->ClrAttrFlag(AttrValid);
  ASSERT_TRUE(Read(tag));
  EXPECT_EQ(tag->GetStrValue(), "Long");
  // The drive's name renames the device when read.
  ASSERT_TRUE(Read(Find(1000)));
  EXPECT_EQ(Talk->Device()->Caption(), "Axis A");

  // 32-bit enumeration: four value bytes.
  auto* code = static_cast<TEnumDir32Parameter*>(Find(0x0500));
  ASSERT_TRUE(Read(code));
  EXPECT_EQ(Answer, std::string("\x78\x56\x34\x12", 4));
  EXPECT_EQ(code->GetValue(), 0x12345678u);
  EXPECT_EQ(code->GetSelectedChild(), nullptr);
  code->SetValue(0x01020304);
  ASSERT_TRUE(Write(code));
  EXPECT_EQ(NewFrames(sim, "pty0").back(), "89 02 00 05 04 03 02 01");
  code->ClrAttrFlag(AttrValid);
  ASSERT_TRUE(Read(code));
  EXPECT_EQ(code->GetSelectedChild(), Find(0x0501));

  // Radio: the drive's 1 selects On; selecting Off writes the directory's value 0.
  auto* power = static_cast<TRadioDir16Parameter*>(Find(0x0600));
  ASSERT_TRUE(Read(power));
  EXPECT_TRUE(Find(0x0602)->GetBoolValue());
  Find(0x0601)->SetScaledValue("true", usSI, "SCALED");
  ASSERT_TRUE(Write(power));
  EXPECT_EQ(NewFrames(sim, "pty0").back(), "89 02 00 06 00 00");
  power->ClrAttrFlag(AttrValid);
  ASSERT_TRUE(Read(power));
  EXPECT_TRUE(Find(0x0601)->GetBoolValue());
  EXPECT_FALSE(Find(0x0602)->GetBoolValue());

  // Single-precision float: 00 00 80 3F is 1.0.
  TParameter* gain = Find(0x0700);
  ASSERT_TRUE(Read(gain));
  EXPECT_EQ(Answer, std::string("\x00\x00\x80\x3F", 4));
  EXPECT_EQ(gain->GetFloatValue(), 1.0);
  gain->SetScaledValue("2.5", usSI, "SCALED");
  ASSERT_TRUE(Write(gain));
  EXPECT_EQ(NewFrames(sim, "pty0").back(), "89 02 00 07 00 00 20 40");
  gain->ClrAttrFlag(AttrValid);
  ASSERT_TRUE(Read(gain));
  EXPECT_EQ(gain->GetFloatValue(), 2.5);
}

// A short answer fails the read of every value type alike: nothing is committed. The
// drive's entries are narrower than the descriptions say.
TEST_F(ParameterTelegrams, ShortAnswersFailEveryValueType) {
  drivesim::TDriveSim sim({"--udp4", "--parameter=0x0400,1,0x0F,1", "--parameter=0x0500,2,0x0F,7",
                           "--parameter=0x0600,1,0x0F,1", "--parameter=0x0700,2,0x0F,0"});
  Login(Udp4Link(sim));
  LoadRecords(TypedRecord("Bool", 0x0400, 1, "Brake", 15, {{"DefValue", "0"}}) +
              TypedRecord("EnumDir32", 0x0500, 1, "Code", 15, {{"DefValue", "0"}}) +
              TypedRecord("RadioDir16", 0x0600, 1, "Power", 15, {{"DefValue", "0"}}) +
              TypedRecord("FLOATIEEE754", 0x0700, 1, "Gain", 15,
                          {{"UUID", "0"}, {"MinValue", "3240099840"}, {"MaxValue", "1092616192"}, {"DefValue", "0"}}));
  ASSERT_TRUE(Boxes.empty()) << Boxes.front();
  for (const std::int32_t upid : {0x0400, 0x0500, 0x0600, 0x0700}) {
    SCOPED_TRACE(upid);
    TParameter* node = Find(upid);
    ASSERT_TRUE(Read(node));
    EXPECT_EQ(Result, 0);
    EXPECT_LT(Answer.size(), static_cast<std::size_t>(node->GetSize()));
    EXPECT_FALSE(node->GetValid());
    EXPECT_FALSE(node->GetAttrFlag(AttrChanged));
  }
}

// The entries the tests add to the drive's table: numbers little-endian in their size,
// texts cut to theirs and padded with zeros; a malformed entry is refused.
TEST(DriveTableEntries, TakenAndRefused) {
  const struct {
    const char* text;
    bool isText;
    std::string stored;
  } taken[] = {{"0x0400,2,0x0F,258", false, std::string("\x02\x01", 2)},
               {"7,4,3,-2", false, "\xFE\xFF\xFF\xFF"},
               {"0x0123,4,15,A,B", true, std::string("A,B\0", 4)},
               {"0x0123,2,15,ABC", true, "AB"}};
  for (const auto& t : taken) {
    SCOPED_TRACE(t.text);
    drivesim::TImageParameter p;
    ASSERT_TRUE(drivesim::ParseParameter(t.text, t.isText, p));
    EXPECT_EQ(p.Text, t.isText);
    EXPECT_EQ(p.Stored, t.stored);
    EXPECT_EQ(p.Working, t.stored);
    EXPECT_EQ(p.Size, t.stored.size());
  }
  const std::pair<const char*, bool> refused[] = {{"1,9,15,0", false},  {"1,0,15,0", false}, {"1,2,15", false},
                                                  {"1,2,15,x", false},  {"0x10000,2,15,0", false},
                                                  {"1,2,15,", false},   {"1,0,15,A", true}, {"1,2,0x10000,A", true}};
  for (const auto& [text, isText] : refused) {
    drivesim::TImageParameter p;
    EXPECT_FALSE(drivesim::ParseParameter(text, isText, p)) << text;
  }
}

// Every parameter of the bundled tree that its node reads is answered with status 0 and
// exactly its value's size (a text folder: its text's), one single read each, and every
// parameter of the drive's table (the passwords among them) is in the tree under its
// device UPID. Options read through their directory. The same for the older release.
TEST_F(ParameterTelegrams, BundledTreeAndDriveTableAgree) {
  for (const bool older : {false, true}) {
    SCOPED_TRACE(older ? "older release" : "current release");
    BundledTreeAndDriveTableAgree(older);
  }
}

void ParameterTelegrams::BundledTreeAndDriveTableAgree(bool Older) {
  drivesim::TDriveSim sim({"--udp4", Older ? "--firmware=older" : "--firmware=current"});
  Login(Udp4Link(sim));
  LoadBundled(Older);
  std::set<std::int32_t> read;
  for (TParameter* node : ReadNodes()) {
    SCOPED_TRACE(AnsiString(node->Caption()));
    ASSERT_TRUE(Read(node));
    EXPECT_EQ(Result, 0);
    const auto* text = dynamic_cast<TCapDirParameter*>(node);
    EXPECT_EQ(Answer.size(), static_cast<std::size_t>(text ? text->MaxSize() : node->GetSize()));
    EXPECT_TRUE(node->GetValid());
    read.insert(node->UPID());
  }
  std::set<std::int32_t> table = {0x0CC0, 0x0CC5};
  for (const drivesim::TImageParameter& p :
       drivesim::SampleParameters(Older ? drivesim::TRelease::Older : drivesim::TRelease::Current)) {
    table.insert(p.UPID);
    EXPECT_NE(Service->FindParameterWithDeviceUPID(p.UPID), nullptr) << p.UPID;
  }
  EXPECT_EQ(read, table);
}

// The bundled tree read from a drive whose options give it its own name, gear, module
// identity and guest switch in place of the firmware's: every type takes the drive's
// value, the device is named after the drive, and the booleans' flags decide what shows.
TEST_F(ParameterTelegrams, BundledTreeReadFromADriveOfItsOwn) {
  drivesim::TDriveSim sim({"--udp4", "--text-parameter=1000,16,0x0F,Axis 7", "--parameter=0x080B,2,0x0F,1",
                           "--parameter=6338,2,4,12", "--parameter=6339,2,4,35", "--parameter=6340,2,4,7",
                           "--text-parameter=6341,4,4,B2"});
  Login(Udp4Link(sim));
  LoadBundled();
  for (TParameter* node : ReadNodes()) {
    SCOPED_TRACE(AnsiString(node->Caption()));
    ASSERT_TRUE(Read(node));
    ASSERT_TRUE(node->GetValid());
  }
  EXPECT_EQ(Talk->Device()->Caption(), "Axis 7");
  EXPECT_EQ(Find(1060)->GetStrValue(), "VX2 4.1.0 Sim");
  EXPECT_EQ(Find(1420)->GetStrValue(), "VXAPSERVO_VX2_V3S2_0");
  EXPECT_EQ(Find(6220)->GetStrValue(), "VX-Actuator.adf");
  EXPECT_EQ(Service->ADFOldName, "VX-Actuator.adf");
  EXPECT_EQ(Service->MDFOldName, "VX-Module.mdf");
  const std::pair<std::int32_t, std::int64_t> numbers[] = {{6338, 12}, {6339, 35}, {6340, 7}};
  for (const auto& [upid, value] : numbers) EXPECT_EQ(Find(upid)->GetIntValue(), value) << upid;
  EXPECT_EQ(Find(6341)->GetStrValue(), "B2");
  EXPECT_TRUE(Find(2059)->GetBoolValue());
  EXPECT_EQ(Find(4505)->GetFloatValue(), 1.0);
  EXPECT_EQ(Find(12311)->GetFloatValue(), 1.25);
  // Options and choices by the drive's values.
  EXPECT_EQ(static_cast<TRadioDir16Parameter*>(Find(2048))->GetSelectedChild()->Caption(), "Metric");
  EXPECT_EQ(static_cast<TRadioDir8Parameter*>(Find(4140))->GetSelectedChild()->Caption(), "Limit switch");
  EXPECT_EQ(static_cast<TRadioDir32Parameter*>(Find(12310))->GetSelectedChild()->Caption(), "Auto phasing");
  EXPECT_EQ(static_cast<TRadioDirBitParameter*>(Find(514))->GetBitClearedValueStr("SCALED"), "Fan automatic");
  EXPECT_EQ(static_cast<TEnumDir8Parameter*>(Find(4141))->GetSelectedChild()->Caption(), "Ramp");
  EXPECT_EQ(static_cast<TEnumDir16Parameter*>(Find(4142))->GetSelectedChild()->Caption(), "None");
  EXPECT_EQ(static_cast<TEnumDir32Parameter*>(Find(8200))->GetSelectedChild()->Caption(), "100 Mbit/s");

  // The gear, jog and static-address switches are on, tuning and expert mode off.
  Service->UpdateVisibility();
  const std::pair<std::int32_t, bool> shown[] = {{2057, true},  {4113, true},  {4115, false},
                                                 {8192, true},  {12290, false}, {12296, true}, {768, true}};
  for (const auto& [upid, visible] : shown) EXPECT_EQ(Find(upid)->GetAttrFlag(AttrVisible), visible) << upid;
  // The guest sees the tree while the drive's guest switch, 3274, is on.
  EXPECT_TRUE(Service->TreeRoot()->Model()->GetVisible());
  sim.Set("change=0x0CCA:0");
  Find(3274)->ClrAttrFlag(AttrValid);
  ASSERT_TRUE(Read(Find(3274)));
  Service->UpdateVisibility();
  EXPECT_FALSE(Service->TreeRoot()->Model()->GetVisible());
}

}  // namespace
