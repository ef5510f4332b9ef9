// The release catalogue: which drive types it offers, the tree names and versions of a
// choice in each catalogue format, the keys it cannot do without, and the bundled
// firmware script, which must name exactly the simulated drive's firmware.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "DriveImage.h"
#include "RuntimeTestUtil.h"
#include "StorageFixture.h"
#include "config/ReleaseCatalogue.h"
#include "devices/services/TreeFileSearch.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

// A catalogue of every format: the drive type ABC1 with two interfaces (the second
// captioned SecondCaption), an application and the safety firmware Safety; DriveExtra
// goes into the drive type's dictionary, BlockExtra into the block.
std::string Catalogue(const std::string& SecondCaption = "none", const std::string& DriveExtra = "",
                      const std::string& BlockExtra = "", const std::string& Safety = "SafeA") {
  return "[B /Controllers [A [D /Name 'ABC1' /TypeSupported 1 /VxTypeExt 'A1' /OSTypeExt '' /OSExt 'OX'"
         " /PowerExtension 'P4' /IntfTreeTypeExt 'IT' /IntfSWTypeExt 'IS' /ApplTypeExt 'AT' /_2SOSTypeExt 'SF'"
         " /Interfaces [A 'IntfA' 'IntfB' ] /Applications [A 'ApplA' ] /SupportedRURVersions [A 3 10 26 ]"
         " /SafetyFirmware [A '" +
         Safety + "' ] " + DriveExtra +
         " ] ]"
         " /OSInfoDict [D /A1 [D /TreeFileName 'EOS_' /TreeVersion 5 /TreeSubVersion 2 /TreeBetaInfo ''"
         "   /SWVersion 5 /SWSubVersion 3 /SWBetaInfo 'b' /TreeFileName2S 'E2S_' /TreeVersion2S 1"
         "   /TreeSubVersion2S 4 /TreeBetaInfo2S '' ] ]"
         " /MCInfoDict [D /A1 [D /TreeFileName 'EMC' /TreeVersion 6 /TreeSubVersion 1 /TreeBetaInfo ''"
         "   /MCSWFileName 'EMCSW' /SWVersion 6 /SWSubVersion 7 /SWBetaInfo '' ] ]"
         " /RelInfoDict [D /A1 [D /RelVersion 6 /RelSubVersion 12 /RelBuildInfo 'B7' /RelString 'R 6.12' ] ]"
         " /IntfA [D /Caption 'Field bus' /IntfTreeFileName 'EIF_' /IntfSWFileName 'EIFSW_' /IntfMCTreeExt 'X'"
         "   /IntfMCSWExt 'Y' /TreeVersion 2 /TreeSubVersion 0 /TreeBetaInfo '1' /SWVersion 2 /SWSubVersion 5"
         "   /SWBetaInfo '' ]"
         " /IntfB [D /Caption '" +
         SecondCaption +
         "' /IntfTreeFileName 'ENO_' /IntfSWFileName 'ENOSW_'"
         "   /TreeVersion 1 /TreeSubVersion 0 /TreeBetaInfo '' /SWVersion 1 /SWSubVersion 1 /SWBetaInfo '' ]"
         " /ApplA [D /Caption 'Servo' /ApplTreeFileName 'EAP_' /ApplSWFileName 'EAPSW_' /TreeVersion 3"
         "   /TreeSubVersion 2 /TreeBetaInfo '' /SWVersion 3 /SWSubVersion 9 /SWBetaInfo '' ]"
         " /SafeA [D /FWFileName 'ESF' /MCU1FWSWTypeExt '_M1' /MCU2FWSWTypeExt '_M2' /FWVersion 1"
         "   /FWSubVersion 0 /FWBetaInfo '' ]"
         " /OSTreeFileName 'EOS2_' /OSTreeVersion 1 /OSTreeSubVersion 9 /OSTreeBetaInfo ''"
         " /MCTreeFileName 'EMC2' /MCTreeVersion 2 /MCTreeSubVersion 3 /MCTreeBetaInfo 'b'"
         " /ReleaseVersion 2 /ReleaseSubVersion 1 /ReleaseBuildInfo 'old' " +
         BlockExtra + " ]";
}

std::vector<std::string> Names(const TReleaseCatalogue& Catalogue) {
  std::vector<std::string> names;
  for (int i = 0; i < Catalogue.GetNumberOfIniFile(); ++i) names.push_back(Catalogue.GetNameAtIndex(i));
  return names;
}

class ReleaseCatalogueTest : public test::StorageTest {
 protected:
  TSLBlock* Block(const std::string& Text) { return CheckedCast<TSLBlock>(Sl(Text)); }
  // The catalogue's first drive type with its Interface-th interface (-1: none) and its
  // application.
  void Choose(TReleaseCatalogue& Catalogue, int Interface) {
    const TSLDictionary& drive = *Catalogue.DriveTypes().at(0).Dict;
    const std::vector<TSLDictionary*> interfaces = Catalogue.ListedEntries(drive, u"Interfaces");
    Catalogue.Compute(&drive, Interface < 0 ? nullptr : interfaces.at(static_cast<std::size_t>(Interface)),
                      Catalogue.ListedEntries(drive, u"Applications").at(0));
  }
  std::string Raised(const std::function<void()>& Action) {
    try {
      Action();
    } catch (const std::exception& e) {
      return e.what();
    }
    return "";
  }
};

// Offered: "TypeSupported" 1 and not hidden (absent keys count 0); a family is the first
// three characters of a name.
TEST_F(ReleaseCatalogueTest, OffersSupportedVisibleTypesByFamily) {
  TReleaseCatalogue catalogue;
  catalogue.Initialize(Block("[B /Controllers [A"
                             " [D /Name 'ABC1' /TypeSupported 1 ] [D /Name 'HID1' /TypeSupported 1 /HideOffline 1 ]"
                             " [D /Name 'ABC2' /TypeSupported 1 /HideOffline 0 ] [D /Name 'TWO1' /TypeSupported 2 ]"
                             " [D /Name 'NOT1' ] [D /Name 'XYZ7' /TypeSupported 1 ] ] ]"),
                       3);
  std::vector<std::string> offered;
  for (const auto& type : catalogue.DriveTypes()) offered.push_back(type.Name);
  EXPECT_EQ(offered, (std::vector<std::string>{"ABC1", "ABC2", "XYZ7"}));
  EXPECT_EQ(catalogue.Families(), (std::vector<std::string>{"ABCxx", "XYZxx"}));
  std::vector<std::string> abc;
  for (const auto& type : catalogue.TypesOfFamily("ABCxx")) abc.push_back(type.Name);
  EXPECT_EQ(abc, (std::vector<std::string>{"ABC1", "ABC2"}));
}

// The names in order OS, MC, interface, application, safety; betas added only when not
// empty, except the MC tree's "_"; the last revision 26 is "1A"; "none" counts as no
// interface from version 3 on, in version 2 only "None" does.
TEST_F(ReleaseCatalogueTest, NamesVersionsAndReleaseOfAChoice) {
  const struct {
    const char* name;
    std::int32_t version;
    std::string second;
    int interface;
    std::vector<std::string> trees;
    std::vector<std::int32_t> versions;  // OS, MC, interface, application: main and sub
    std::vector<std::string> release;    // version, sub version, build, release text
  } cases[] = {
      {"version 3", 3, "none", 0, {"EOS_A1_V5S2", "EMCS1AP4X_V6S1_", "EIF_IT_V2S0_1", "EAP_AT_V3S2"},
       {5, 3, 6, 7, 2, 5, 3, 9}, {"6", "12", "B7", "R 6.12"}},
      {"version 4 adds the safety tree", 4, "none", 0,
       {"EOS_A1_V5S2", "EMCS1AP4X_V6S1_", "EIF_IT_V2S0_1", "EAP_AT_V3S2", "E2S_SF_V1S4"},
       {5, 3, 6, 7, 2, 5, 3, 9}, {"6", "12", "B7", "R 6.12"}},
      {"version 3, an interface none", 3, "none", 1, {"EOS_A1_V5S2", "EMCS1AP4_V6S1_", "EAP_AT_V3S2"},
       {5, 3, 6, 7, 0, 0, 3, 9}, {"6", "12", "B7", "R 6.12"}},
      {"version 3, no interface", 3, "none", -1, {"EOS_A1_V5S2", "EMCS1AP4_V6S1_", "EAP_AT_V3S2"},
       {5, 3, 6, 7, 0, 0, 3, 9}, {"6", "12", "B7", "R 6.12"}},
      {"version 2", 2, "none", 0, {"EOS2_A1_V1S9", "EMC2S1AP4X_V2S3_b", "EIF_A1_V2S0_1", "EAP_A1_V3S2"},
       {1, 9, 2, 3, 2, 0, 3, 2}, {"2", "1", "old", ""}},
      {"version 2, an interface none", 2, "none", 1,
       {"EOS2_A1_V1S9", "EMC2S1AP4_V2S3_b", "ENO_A1_V1S0", "EAP_A1_V3S2"}, {1, 9, 2, 3, 1, 0, 3, 2},
       {"2", "1", "old", ""}},
      {"version 2, an interface None", 2, "None", 1, {"EOS2_A1_V1S9", "EMC2S1AP4_V2S3_b", "EAP_A1_V3S2"},
       {1, 9, 2, 3, 0, 0, 3, 2}, {"2", "1", "old", ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TReleaseCatalogue catalogue;
    catalogue.Initialize(Block(Catalogue(c.second)), c.version);
    Choose(catalogue, c.interface);
    EXPECT_EQ(Names(catalogue), c.trees);
    EXPECT_EQ(
        (std::vector<std::int32_t>{catalogue.OSMainVersion(), catalogue.OSSubVersion(), catalogue.MCMainVersion(),
                                   catalogue.MCSubVersion(), catalogue.IntfMainVersion(), catalogue.IntfSubVersion(),
                                   catalogue.ApplMainVersion(), catalogue.ApplSubVersion()}),
        c.versions);
    EXPECT_EQ((std::vector<std::string>{std::to_string(catalogue.ReleaseVersion()),
                                        std::to_string(catalogue.ReleaseSubVersion()), catalogue.ReleaseBuildInfo(),
                                        catalogue.FirmwareRelease()}),
              c.release);
    EXPECT_EQ(catalogue.DeviceType(), "ABC1");
  }
}

// The software names the readers give beside the trees, with the interface's module
// parameter; a drive type without motion control has no MC names and keeps the versions.
TEST_F(ReleaseCatalogueTest, ReadersNameTheSoftwareToo) {
  TReleaseCatalogue catalogue;
  catalogue.Initialize(Block(Catalogue("none", "", "/OtherDrive [D /VxTypeExt 'B2' ]")), 4);
  const TSLBlock& block = *catalogue.InfoBlock();
  const TSLDictionary& drive = *catalogue.DriveTypes().at(0).Dict;
  AnsiString software = "stale", tree = "stale", other = "stale", second = "stale";
  catalogue.GetOSTreeAndSWNames(block, drive, software, tree, other);
  EXPECT_EQ(software, "EOSSW_OX_V5S3_b");
  EXPECT_EQ(other, "");
  catalogue.GetMCTreeAndSWNames(block, drive, "", "", software, tree);
  EXPECT_EQ(software, "EMCSWS1A_V6S7");
  const auto& interface = *CheckedCast<TSLDictionary>(TReleaseCatalogue::GetObjectFromBlock(block, "IntfA"));
  catalogue.GetIntfTreeAndSWNames(drive, interface, software, tree, other);
  EXPECT_EQ(software, "EIFSW_IS_V2S5");
  EXPECT_EQ(other, "");
  catalogue.Get2STreeAndSWNames(block, drive, software, second, tree);
  EXPECT_EQ(software, "ESF_M1_V1S0_");
  EXPECT_EQ(second, "ESF_M2_V1S0_");
  const auto& otherDrive = *CheckedCast<TSLDictionary>(TReleaseCatalogue::GetObjectFromBlock(block, "OtherDrive"));
  catalogue.GetMCTreeAndSWNames(block, otherDrive, "", "", software, tree);
  EXPECT_EQ(software + tree, "");
  EXPECT_EQ(catalogue.MCMainVersion(), 6);
}

// A safety firmware entry the block lacks is shown; the safety tree still counts.
TEST_F(ReleaseCatalogueTest, AMissingSafetyFirmwareIsShownAndTheNamesStay) {
  TMessageCatcher shown;
  TReleaseCatalogue catalogue;
  catalogue.Initialize(Block(Catalogue("none", "", "", "Gone")), 4);
  AnsiString first = "stale", second = "stale", tree;
  catalogue.Get2STreeAndSWNames(*catalogue.InfoBlock(), *catalogue.DriveTypes().at(0).Dict, first, second, tree);
  EXPECT_EQ(tree, "E2S_SF_V1S4");
  EXPECT_EQ(first + second, "");
  EXPECT_EQ(shown.Messages.size(), 1u);
}

// A catalogue of one drive type A1 with its OS entry and release entries as given, and no
// motion control.
std::string Minimal(const std::string& Drive, const std::string& OSEntry, const std::string& Releases) {
  return "[B /Controllers [A [D /Name 'ABC1' /TypeSupported 1 " + Drive + " ] ] /OSInfoDict [D /A1 [D " + OSEntry +
         " ] ] /MCInfoDict [D ] /RelInfoDict [D " + Releases + " ] ]";
}

TEST_F(ReleaseCatalogueTest, RefusesWhatItCannotName) {
  const std::string wrong = "Wrong file type!",
                    unknown = "Unknown firmware script version! Create offline function disabled!";
  const std::string os =
      "/TreeFileName 'E' /TreeVersion 1 /TreeSubVersion 0 /SWVersion 1 /SWSubVersion 0 /SWBetaInfo ''";
  const std::string release = "/A1 [D /RelVersion 1 /RelSubVersion 0 /RelBuildInfo '' /RelString '' ]";
  const struct {
    const char* name;
    std::string block;
    std::int32_t version;
    std::string initializeError, chooseError;
  } cases[] = {
      {"complete", Minimal("/VxTypeExt 'A1'", os + " /TreeBetaInfo ''", release), 3, "", ""},
      {"no drive types", "[B /OSInfoDict [D ] ]", 3, wrong, ""},
      {"a newer version", Catalogue(), 5, unknown, ""},
      {"an older version", Catalogue(), 1, unknown, ""},
      {"a drive type without its extension", Minimal("", os + " /TreeBetaInfo ''", release), 3, "", wrong},
      {"an OS entry without its beta", Minimal("/VxTypeExt 'A1'", os, release), 3, "", wrong},
      {"no release entry", Minimal("/VxTypeExt 'A1'", os + " /TreeBetaInfo ''", ""), 3, "", wrong},
      {"version 2 without the OS beta",
       "[B /Controllers [A [D /Name 'ABC1' /TypeSupported 1 /VxTypeExt 'A1' ] ]"
       " /OSTreeFileName 'E' /OSTreeVersion 1 /OSTreeSubVersion 0 ]",
       2, "", wrong},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TReleaseCatalogue catalogue;
    EXPECT_EQ(Raised([&] { catalogue.Initialize(Block(c.block), c.version); }), c.initializeError);
    if (c.initializeError.empty()) {
      EXPECT_EQ(Raised([&] { catalogue.Compute(catalogue.DriveTypes().at(0).Dict, nullptr, nullptr); }), c.chooseError);
    }
  }
}

// The value after the first identifier of exactly that name; none for a name that
// stands last, for a text and for a name not there.
TEST_F(ReleaseCatalogueTest, BlockLookUpByExactName) {
  TSLBlock* block = Block("[B /a 1 /A 2 /A 3 'x' 4 /b ]");
  const auto value = [&](const char* Name) {
    const auto* number = As<TSLLongint>(TReleaseCatalogue::GetObjectFromBlock(*block, Name));
    return number ? number->GetLongintValue() : -1;
  };
  EXPECT_EQ(value("a"), 1);
  EXPECT_EQ(value("A"), 2);
  EXPECT_EQ(TReleaseCatalogue::GetObjectFromBlock(*block, "b"), nullptr);
  EXPECT_EQ(TReleaseCatalogue::GetObjectFromBlock(*block, "x"), nullptr);
  EXPECT_EQ(TReleaseCatalogue::GetObjectFromBlock(*block, "c"), nullptr);
}

// The bundled firmware script's first choice names the simulated drive's trees (as the
// module service reads them: without the leading "E", old names renamed), and its drive
// type, release and module versions are what the drive reports.
TEST_F(ReleaseCatalogueTest, BundledScriptNamesTheSimulatedDrive) {
  namespace fs = std::filesystem;
  std::vector<fs::path> scripts;
  for (const auto& entry : fs::directory_iterator(fs::path(VT_DATA_DIR) / "Firmware"))
    if (entry.path().filename().string().starts_with("Firmware") && entry.path().extension() == ".stx")
      scripts.push_back(entry.path());
  ASSERT_FALSE(scripts.empty());
  std::sort(scripts.begin(), scripts.end());
  TRef<TSLStorageObject> file(StorageManager->GetObject(scripts.front().string()));
  auto* script = CheckedCast<TSLDictionary>(file->GetData());
  TReleaseCatalogue catalogue;
  catalogue.Initialize(CheckedCast<TSLBlock>(script->GetObjWithName(u"Init")),
                       static_cast<std::int32_t>(script->GetIntWithName(u"FirmwareScriptVer")));
  Choose(catalogue, 0);

  std::vector<std::string> named, drive;
  for (const std::string& name : Names(catalogue)) {
    ASSERT_EQ(name.front(), 'E');
    named.push_back(WideToAnsi(RenamedTreeName(AnsiToWide(name.substr(1)))));
  }
  for (const drivesim::TInfoNode& node : drivesim::SampleFirmware())
    if (node.FileType == drivesim::FileTypeTree) drive.push_back(node.Name);
  EXPECT_EQ(named, drive);
  for (const std::string& tree : drive) EXPECT_TRUE(fs::exists(fs::path(VT_DATA_DIR) / "Firmware" / (tree + ".IN2")));

  const auto driveValue = [](std::uint16_t UPID) {
    for (const drivesim::TImageParameter& p : drivesim::SampleParameters())
      if (p.UPID == UPID)
        return p.Text ? p.Stored.substr(0, p.Stored.find('\0'))
                      : std::to_string(static_cast<unsigned char>(p.Stored[0]) | static_cast<unsigned char>(p.Stored[1])
                                                                                     << 8);
    return std::string("missing");
  };
  EXPECT_EQ(catalogue.DeviceType(), driveValue(1020));
  EXPECT_EQ(catalogue.FirmwareRelease(), driveValue(1060));
  const std::pair<std::uint16_t, std::int32_t> numbers[] = {
      {52, catalogue.ReleaseVersion()},    {53, catalogue.ReleaseSubVersion()}, {1330, catalogue.OSMainVersion()},
      {1331, catalogue.OSSubVersion()},    {1370, catalogue.MCMainVersion()},   {1371, catalogue.MCSubVersion()},
      {1410, catalogue.IntfMainVersion()}, {1411, catalogue.IntfSubVersion()},  {1450, catalogue.ApplMainVersion()},
      {1451, catalogue.ApplSubVersion()}};
  for (const auto& [upid, value] : numbers) EXPECT_EQ(driveValue(upid), std::to_string(value)) << upid;
}

}  // namespace
