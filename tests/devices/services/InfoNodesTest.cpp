// The walk over a drive's info nodes against drivesim over UDP and a pseudo-terminal, and
// the decoding of one node's bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "TalkServiceFixture.h"
#include "TestUtil.h"
#include "devices/services/InfoNodes.h"

using namespace vt;

namespace {

const std::vector<TDeviceServiceStatus> Started{dsStarting, dsStarted};

class InfoNodesTest : public TalkServiceFixture {
 protected:
  TBasicTalkService* Login(const TLink& Link) {
    TBasicTalkService* service = NewService(Link, "guest", "");
    StartUp(service, Started);
    return service;
  }
  // Walks the drive's nodes of every type; the number of callbacks is in Calls.
  void Walk(TInfoNodeList& List, TBasicTalkService* Service) {
    Calls = 0;
    List.ReadInfoNodes(Service, 0, [this](TInfoNodeList*) { ++Calls; });
    ASSERT_TRUE(StepUntil([&] { return !List.Busy(); }));
    Steps(5);  // a second callback would come now
  }
  // "type name" of each node in list order (tree nodes by complete name).
  static std::vector<std::string> Names(const TInfoNodeList& List) {
    std::vector<std::string> names;
    for (int i = 0; i < List.GetCount(); ++i) {
      const TInfoNodeItem* node = List.GetItem(i);
      const std::string name = node->GetFileType() == 5 ? node->GetCompleteName() : node->GetFileName();
      names.push_back(std::to_string(node->GetFileType()) + " " + name);
    }
    return names;
  }

  int Calls = 0;
};

// The sample firmware lies in memory as program, trees of levels 1 to 4 and operating
// system; the list holds them by sub type, a duplicate tree after its original.
TEST_F(InfoNodesTest, WalksTheSampleFirmwareSortedBySubType) {
  const std::vector<std::string> expected{
      "1 VX2 OS",        "5 VXOS_VX2_V4S1_0",      "5 VXOS_VX2_V4S1_0",     "5 VXMC_VX2_V4S1_0",
      "5 VXIFETH_VX2_V2S0_0", "5 VXAPSERVO_VX2_V3S2_0", "2 VX2 Servo App",
  };
  const std::string duplicate = "--node=5,1,140,VXOS_VX2_V4S1_0";
  // Over UDP with 4-byte words; over the terminal with 3-byte addresses and 2-byte words
  // that span two address units.
  for (const bool serial : {false, true}) {
    SCOPED_TRACE(serial ? "pty" : "udp4");
    drivesim::TDriveSim sim(serial ? std::vector<std::string>{"--pty", "--addr-size=3", "--data-size=2",
                                                              "--increment=2", duplicate}
                                   : std::vector<std::string>{"--udp4", duplicate});
    TBasicTalkService* service = Login(serial ? PtyLink(sim) : Udp4Link(sim));
    TInfoNodeList list;
    Walk(list, service);
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(Names(list), expected);
    const TInfoNodeItem* os = list.GetItem(1);
    EXPECT_EQ(os->GetTreeBaseName(), "VXOS");
    EXPECT_EQ(os->GetTreeSubName(), "VX2");
    EXPECT_EQ(os->GetTreeVersion(), 4);
    EXPECT_EQ(os->GetTreeSubVersion(), 1);
    EXPECT_EQ(os->GetTreeBetaInfo(), "0");
    const TInfoNodeItem* program = list.GetItem(6);
    EXPECT_EQ(program->GetStartAddress(), 0x00104000);
    EXPECT_EQ(program->GetFileInfo(), "Servo application 3.2");
    // A second walk starts afresh.
    Walk(list, service);
    EXPECT_EQ(list.GetCount(), 7);
  }
}

// The address and size of each block read the drive received ("30 <address> <size>").
std::vector<std::pair<std::uint32_t, int>> BlockReads(const std::vector<std::string>& Frames) {
  std::vector<std::pair<std::uint32_t, int>> reads;
  for (const std::string& frame : Frames) {
    std::istringstream in(frame);
    std::vector<unsigned> bytes;
    for (unsigned b; in >> std::hex >> b;) bytes.push_back(b);
    if (bytes.size() == 6 && bytes[0] == 0x30)
      reads.push_back({bytes[1] | bytes[2] << 8 | bytes[3] << 16 | bytes[4] << 24, static_cast<int>(bytes[5])});
  }
  return reads;
}

// A 100-byte node with blocks of at most 48 bytes (a 50-byte buffer less command and
// status) and 2-byte words on single address units: 48, 48 and 4 bytes at A, A+24, A+48.
// A 40-byte tree node gives the fields that lie within it.
TEST_F(InfoNodesTest, ReadsNodesInBlocksOfTheLargestAnswer) {
  drivesim::TDriveSim sim({"--udp4", "--pty", "--max-buffer=50", "--data-size=2", "--increment=1",
                           "--node=9,7,100,BIG", "--node=5,6,40,VXCUSTOM_SERIES0123456789_V1S0_7"});
  for (const bool serial : {false, true}) {
    SCOPED_TRACE(serial ? "pty" : "udp4");
    TInfoNodeList list;
    Walk(list, Login(serial ? PtyLink(sim) : Udp4Link(sim)));
    ASSERT_EQ(list.GetCount(), 8);
    const TInfoNodeItem* big = list.GetItem(6);
    EXPECT_EQ(big->GetFileName(), "BIG");
    EXPECT_EQ(big->NodeData().size(), 100u);
    const auto reads = BlockReads(FramesIn(sim, serial ? "pty1" : "udp4-0"));
    const auto at = std::find_if(reads.begin(), reads.end(), [](const auto& r) { return r.second == 4; });
    ASSERT_TRUE(at - reads.begin() >= 2);
    const std::uint32_t a = (at - 2)->first;
    EXPECT_EQ(std::vector(at - 2, at + 1), (std::vector<std::pair<std::uint32_t, int>>{{a, 48}, {a + 24, 48}, {a + 48, 4}}));

    const TInfoNodeItem* short40 = list.GetItem(5);
    EXPECT_EQ(short40->GetFileType(), 5);
    EXPECT_EQ(short40->GetFileVersion(), 0x0100);
    EXPECT_EQ(short40->GetFileSubType(), 6);
    EXPECT_EQ(short40->GetTreeBaseName(), "VXCUSTOM");
    EXPECT_EQ(short40->GetTreeSubName(), "SERIES012345");  // 12 of its 16 bytes
    EXPECT_EQ(short40->GetTreeBetaInfo(), "");
    EXPECT_EQ(short40->GetCompleteName(), "");
    EXPECT_EQ(short40->GetFileInfo(), "");
  }
}

// A drive that refuses every request from the first search on: no node, one callback.
TEST_F(InfoNodesTest, FirstSearchFailingGivesAnEmptyListAndOneCallback) {
  drivesim::TDriveSim sim({"--udp4"});
  TBasicTalkService* service = Login(Udp4Link(sim));
  TInfoNodeList list;
  Walk(list, service);
  ASSERT_EQ(list.GetCount(), 6);
  sim.Set("error-status=0x80");
  Walk(list, service);
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(Calls, 1);
}

// A faulty drive never keeps the walk from its end: a node of a size that is no whole
// number of words or too short to be one, or whose bytes the drive refuses, is left out
// with the reason in the log, and a search answer pointing back ends the walk.
TEST_F(InfoNodesTest, FaultyNodesAreLeftOutAndTheWalkEnds) {
  const struct {
    const char* control;
    int count;
    const char* log;
  } cases[] = {
      {"", 6, "TInfoNodeItem.Create: node data error"},  // the short node at the end
      {"bad-node=2", 5, "TInfoNodeList.ReadCurrentNode: node size error (Size = 141)"},
      {"loop-nodes=1", 6, "TInfoNodeList.FindNextNodeResponse: node address below the search start"},
      {"fail-node-read=1", 5, "***ERROR: Error reading file info block"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.control);
    drivesim::TDriveSim sim({"--udp4", "--node=9,9,20,TINY"});
    if (*c.control) sim.Set(c.control);
    TInfoNodeList list;
    Walk(list, Login(Udp4Link(sim)));
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(list.GetCount(), c.count);
    EXPECT_TRUE(Logged(c.log));
  }
}

TEST_F(InfoNodesTest, RefusesAWalkItCannotMake) {
  drivesim::TDriveSim sim({"--udp4"});
  TInfoNodeList list;
  TBasicTalkService* offline = NewService(Udp4Link(sim), "guest", "");
  EXPECT_THROW_MSG(list.ReadInfoNodes(offline, 0, nullptr), "TInfoNodeList.ReadInfoNodes: not on-line");
  TBasicTalkService* service = Login(Udp4Link(sim));
  service->SetProtocolVersion(0x50);
  EXPECT_THROW_MSG(list.ReadInfoNodes(service, 0, nullptr), "TInfoNodeListUnknown talk protocol version!");
  service->SetProtocolVersion(0x80);
  list.ReadInfoNodes(service, 0, [this](TInfoNodeList*) { ++Calls; });
  EXPECT_THROW_MSG(list.ReadInfoNodes(service, 0, nullptr), "TInfoNodeList.ReadInfoNodes: not ready");
  ASSERT_TRUE(StepUntil([&] { return !list.Busy(); }));
  EXPECT_EQ(list.GetCount(), 6);  // the running walk went on untouched
  EXPECT_EQ(Calls, 1);
}

// ---- One node's bytes ----

// Size bytes with the fields written in; what lies past Size is cut.
std::string Node(std::initializer_list<std::pair<int, std::string>> Fields, std::size_t Size) {
  std::string bytes(Size, '\0');
  for (const auto& [at, text] : Fields) bytes.replace(at, text.size(), text);
  bytes.resize(Size);
  return bytes;
}

TEST(InfoNodeItemTest, FieldsByLayout) {
  const std::string name16 = "ABCDEFGHIJKLMNOP";  // no zero byte: all 16 characters
  const std::string bytes = Node({{4, "\x05\x00"}, {6, "\x02\x01"}, {10, "\x09\x00"}, {12, name16},
                                  {28, std::string("\x78\x56\x34\x12", 4)}, {74, "L0"}, {76, "Layout1"},
                                  {88, "Layout2"}, {80, "info"}},
                                 150);
  const TInfoNodeItem one(bytes, 1);
  EXPECT_EQ(one.GetFileType(), 5);
  EXPECT_EQ(one.GetFileVersion(), 0x0102);
  EXPECT_EQ(one.GetFileSubType(), 9);
  EXPECT_EQ(one.GetFileName(), name16);
  EXPECT_EQ(one.GetTreeBaseName(), name16);
  EXPECT_EQ(one.GetStartAddress(), 0x12345678);
  EXPECT_EQ(one.GetTreeBetaInfo(), "");  // zero bytes
  EXPECT_EQ(one.GetCompleteName(), "Layoinfo");  // its bytes from 80 on are the file info's
  EXPECT_EQ(one.GetFileInfo(), "info");
  EXPECT_EQ(one.GetCustomStr(0, 2), "in");
  EXPECT_EQ(one.GetCustomInt(0, 2), 'i' | 'n' << 8);
  EXPECT_EQ(TInfoNodeItem(bytes, 0).GetCompleteName(), "L0Layoinfo");
  EXPECT_EQ(TInfoNodeItem(bytes, 2).GetCompleteName(), "Layout2");
  EXPECT_EQ(TInfoNodeItem(bytes, 2).GetFileSubType(), 'E' | 'F' << 8);
}

TEST(InfoNodeItemTest, FieldsPastTheEndGiveWhatExists) {
  const TInfoNodeItem node(Node({{4, "\x05"}, {12, "NAME"}, {28, "SUBNAMESUBNAMESU"}}, 34), 1);
  EXPECT_EQ(node.GetTreeSubName(), "SUBNAM");
  EXPECT_EQ(node.GetTreeVersion(), 0);
  EXPECT_EQ(TInfoNodeItem(Node({{44, "\x07\x01"}}, 45), 1).GetTreeVersion(), 7);  // its low byte only
  EXPECT_EQ(node.GetFileInfo(), "");
  EXPECT_EQ(node.GetCustomInt(-100, 4), 0);
  EXPECT_THROW_MSG(TInfoNodeItem(std::string(33, 'x'), 1), "TInfoNodeItem.Create: node data error");
}

}  // namespace
