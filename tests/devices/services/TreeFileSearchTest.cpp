// The search for parameter-tree description files on folders the test builds, and the
// bundled description files against the trees drivesim's firmware names.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "StorageFixture.h"
#include "TalkServiceFixture.h"
#include "TempFolder.h"
#include "devices/services/InfoNodes.h"
#include "devices/services/TreeFileSearch.h"
#include "platform/PathResolver.h"
#include "sl/values/Dictionary.h"
#include "sl/values/Scalars.h"

using namespace vt;
namespace fs = std::filesystem;

namespace {

TEST(TreeNameTest, Reductions) {
  const struct {
    const char16_t *name, *withoutBeta, *withoutBetaAndSub, *renamed;
  } cases[] = {
      {u"VXOS_VX2_V4S1_0", u"VXOS_VX2_V4S1", u"VXOS_VX2_V4S1", u"VXOS_VX2_V4S1_0"},
      {u"VXOS__V4S1_0", u"VXOS__V4S1", u"VXOS_VX2_V4S1", u"VXOS__V4S1_0"},  // the default series
      {u"VXAP_VX2OEM07_V1S0_B1", u"VXAP_VX2OEM07_V1S0", u"VXAP_O07_V1S0", u"VXAP_VX2OEM07_V1S0_B1"},
      {u"VXAP_VX1C_V1S0_0", u"VXAP_VX1C_V1S0", u"VXAP_VX2C_V1S0", u"VXAP_VX1C_V1S0_0"},
      {u"VXAP_VX1_V1S0_0", u"VXAP_VX1_V1S0", u"VXAP_VX1_V1S0", u"VXAP_VX1_V1S0_0"},  // exactly the old series
      {u"VXAP_VX2_V1S0", u"VXAP_VX2", u"VXAP_VX2_", u"VXAP_VX2_V1S0"},  // no "_" closes the version
      {u"VXOS", u"", u"_VX2_", u"VXOS"},
      {u"VX2IFETH_VX2_V2S0_0", u"VX2IFETH_VX2_V2S0", u"VX2IFETH_VX2_V2S0", u"VXIFETH_VX2_V2S0_0"},
      {u"VX2APSERVO_VX2_V3S2_0", u"VX2APSERVO_VX2_V3S2", u"VX2APSERVO_VX2_V3S2", u"VXAPSERVO_VX2_V3S2_0"},
      {u"VX2IFETHX_VX2_V2S0_0", u"VX2IFETHX_VX2_V2S0", u"VX2IFETHX_VX2_V2S0", u"VX2IFETHX_VX2_V2S0_0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(WideToUtf8(c.name));
    EXPECT_EQ(ClearBetaInfo(c.name), c.withoutBeta);
    EXPECT_EQ(ClearBetaAndSubInfo(c.name), c.withoutBetaAndSub);
    EXPECT_EQ(RenamedTreeName(c.name), c.renamed);
  }
}

void Touch(const fs::path& File) {
  fs::create_directories(File.parent_path());
  std::ofstream(File) << "[D ]";
}

// A program folder whose firmware folder is written in lower case, with older releases,
// a "." folder and a link back to the program folder; a user data folder.
class TreeFileSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Touch(Program / "firmware" / "vxos_vx2_v4s1_0.in2");
    Touch(Program / "firmware" / "OlderReleases" / "VXOS_VX2_V4S1_0.IN2");
    Touch(Program / "firmware" / "OlderReleases" / "VXMC_VX2_V3S0_0.IN2");
    Touch(Program / "firmware" / ".old" / "VXIFETH_VX2_V2S0_0.IN2");
    fs::create_directory_symlink(Program, Program / "firmware" / "loop");
    Touch(User / "FIRMWARE" / "Apps" / "VXApServo_VX2_V3S2_0.In2");
    Touch(User / "VXIFETH_VX2C_V2S0_1.IN2");
  }

  TempFolder Folder;
  const fs::path Program = Folder.Path() / "Prog";
  const fs::path User = Folder.Path() / "User";
};

TEST_F(TreeFileSearchTest, SearchTable) {
  const struct {
    const char16_t* tree;
    TTreeFileHit hit;
    std::vector<fs::path> files;
  } cases[] = {
      // Found in the firmware folder, whose older releases are then not entered.
      {u"VXOS_VX2_V4S1_0", thExact, {"Prog/firmware/vxos_vx2_v4s1_0.in2"}},
      // Only among the older releases: found in the whole program folder.
      {u"VXMC_VX2_V3S0_0", thExact, {"Prog/firmware/OlderReleases/VXMC_VX2_V3S0_0.IN2"}},
      // An old base name that lost its series number, in the user data folder.
      {u"VX2APSERVO_VX2_V3S2_0", thExact, {"User/FIRMWARE/Apps/VXApServo_VX2_V3S2_0.In2"}},
      // Another beta of the same version: every copy in the program folder.
      {u"VXOS_VX2_V4S1_3",
       thCompatible,
       {"Prog/firmware/vxos_vx2_v4s1_0.in2", "Prog/firmware/OlderReleases/VXOS_VX2_V4S1_0.IN2"}},
      // A variant of the first series uses its successor's tree.
      {u"VXIFETH_VX1C_V2S0_0", thCompatible, {"User/VXIFETH_VX2C_V2S0_1.IN2"}},
      // Only in a "." folder.
      {u"VXIFETH_VX2_V2S0_0", thNone, {}},
  };
  TTreeFileSearch search(PathToWide(Program) + u"/", PathToWide(User));
  for (const auto& c : cases) {
    SCOPED_TRACE(WideToUtf8(c.tree));
    EXPECT_EQ(search.Search(c.tree), c.hit);
    std::vector<fs::path> files;
    for (const WideString& f : search.IniFilesList()) files.push_back(fs::path(WideToPath(f)).lexically_relative(Folder.Path()));
    EXPECT_EQ(files, c.files);
  }
}

// Once something is found with a folder excluded, later folders still add their own
// files but are not entered.
TEST_F(TreeFileSearchTest, ExcludedFolderStopsTheDescentOnceFound) {
  Touch(Program / "firmware" / "a" / "X.IN2");
  Touch(Program / "firmware" / "a" / "deep" / "X.IN2");
  Touch(Program / "firmware" / "b" / "X.IN2");
  Touch(Program / "firmware" / "b" / "deep" / "X.IN2");
  TTreeFileSearch search(PathToWide(Program), PathToWide(User));
  search.SearchAllIniFilesWithName(PathToWide(Program) + u"\\Firmware", u"x.in2", u"OlderReleases");
  ASSERT_EQ(search.IniFilesList().size(), 2u);
  EXPECT_EQ(WideToPath(search.IniFilesList()[1]), Program / "firmware" / "b" / "X.IN2");
}

// ---- The bundled description files and drivesim's firmware ----

class BundledFirmwareTest : public TalkServiceFixture {
 protected:
  void SetUp() override {
    TalkServiceFixture::SetUp();
    Storage.Start();
  }
  void TearDown() override {
    Storage.Stop();
    TalkServiceFixture::TearDown();
  }
  test::TStorageEnvironment Storage;
};

std::string Str(const TSLDictionary* Dict, const char16_t* Key) {
  const auto* value = As<TSLString>(Dict->FindObject(Key));
  return value ? WideToAnsi(value->StringValue()) : "(none)";
}

std::int64_t Int(const TSLDictionary* Dict, const char16_t* Key) {
  const auto* value = As<TSLNumber>(Dict->FindObject(Key));
  return value ? value->GetLongintValue() : -1;
}

// Every tree node of the simulated drive finds its bundled file exactly, whose module
// information is the node's; every bundled description file is named by a tree node.
TEST_F(BundledFirmwareTest, DriveTreesAndBundledFilesMatch) {
  drivesim::TDriveSim sim({"--udp4"});
  TBasicTalkService* service = NewService(Udp4Link(sim), "guest", "");
  StartUp(service, {dsStarting, dsStarted});
  TInfoNodeList list;
  list.ReadInfoNodes(service, 0, nullptr);
  ASSERT_TRUE(StepUntil([&] { return !list.Busy(); }));

  const fs::path firmware = fs::path(VT_DATA_DIR) / "Firmware";
  TTreeFileSearch search(AnsiToWide(VT_DATA_DIR), AnsiToWide(VT_DATA_DIR));
  std::set<std::string> trees;
  for (int i = 0; i < list.GetCount(); ++i) {
    const TInfoNodeItem* node = list.GetItem(i);
    if (node->GetFileType() != 5) continue;
    const std::string name = node->GetCompleteName();
    SCOPED_TRACE(name);
    trees.insert(name + ".IN2");
    ASSERT_EQ(search.Search(AnsiToWide(name)), thExact);
    EXPECT_EQ(WideToPath(search.IniFilesList().at(0)), firmware / (name + ".IN2"));
    TRef<TSLStorageObject> file(StorageManager->GetObject(WideToAnsi(search.IniFilesList()[0])));
    const auto* data = As<TSLDictionary>(file->GetData());
    ASSERT_NE(data, nullptr);
    const auto* info = As<TSLDictionary>(data->FindObject(u"ModuleInfo"));
    ASSERT_NE(info, nullptr);
    EXPECT_NE(As<TSLDictionary>(data->FindObject(u"InstanceInfoDict")), nullptr);
    EXPECT_EQ(Str(info, u"FileName"), name);
    EXPECT_EQ(Str(info, u"BaseName"), node->GetTreeBaseName());
    EXPECT_EQ(Str(info, u"SubName"), node->GetTreeSubName());
    EXPECT_EQ(Str(info, u"BetaInfo"), node->GetTreeBetaInfo());
    EXPECT_EQ(Int(info, u"Version"), node->GetTreeVersion());
    EXPECT_EQ(Int(info, u"SubVersion"), node->GetTreeSubVersion());
    EXPECT_EQ(Int(info, u"TreeLevel"), node->GetFileSubType());
  }
  std::set<std::string> files;
  for (const auto& entry : fs::directory_iterator(firmware))
    if (entry.is_regular_file() && entry.path().extension() == ".IN2") files.insert(entry.path().filename().string());
  EXPECT_EQ(trees, files);
  EXPECT_EQ(trees.size(), 4u);
}

}  // namespace
