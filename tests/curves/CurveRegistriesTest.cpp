// The setpoint wizards read from their definitions, the curve manager's registry of them,
// the drive data type registry, and the bundled curve data.
#include <fstream>
#include <sstream>

#include "RuntimeTestUtil.h"
#include "StorageFixture.h"
#include "curves/Curve.h"
#include "curves/CurveManager.h"
#include "curves/DataObjectTypes.h"
#include "curves/SetpointWizards.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

class CurveRegistriesTest : public vt::test::StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    Catcher = std::make_unique<TMessageCatcher>();
  }
  void TearDown() override {
    Catcher.reset();
    StorageTest::TearDown();
  }
  // A definitions file of one curve type whose wizards are Entries.
  void Definitions(const std::string& Entries) {
    WriteFile("CurveTypes.stx", "[D /CurveTypeArray [A [D /ID 1 ] ] /WizardTypeArray [A " + Entries + " ] ]");
  }
  std::unique_ptr<TMessageCatcher> Catcher;
};

const char* const SineEntry =
    "[D /Name 'SinPosTime' /Caption 'Old' /ID 9 /Parameters [A ] /UserInfo [A ] ]"
    "[D /Name 'SinPosTime' /Caption 'Sine' /ID 3"
    "   /Parameters [A [D /Name 'CurveLength' /Caption 'Length' /ParUUID 2 /DefaultValue 1 /MinValue 0.001 /MaxValue 10.0 ] ]"
    "   /UserInfo [A [D /Name 'Stroke' /Caption 'Stroke' /ParUUID 1 ] [D /Name 'V' /Caption 'V' /ParUUID 5 ] ] ]";

TEST_F(CurveRegistriesTest, WizardTakesTheLastDefinitionOfItsName) {
  Definitions(SineEntry);
  const TSineWizard sine(At("CurveTypes.stx"), "SinPosTime");
  EXPECT_EQ(sine.FWizardCaption, "Sine");
  EXPECT_EQ(sine.FWizardType, 3 * 256 + 1);
  EXPECT_EQ(sine.GetWizardType(), 0x0301);
  ASSERT_EQ(sine.GetNoOfWizardPars(), 1);
  EXPECT_EQ(sine.GetWizardPar(0).Caption, "Length");
  EXPECT_EQ(sine.GetWizardPar(0).DefaultValue, 1.0);  // an integer is a number too
  EXPECT_EQ(sine.GetWizardPar(0).MaxValue, 10.0);
  EXPECT_EQ(sine.GetNoOfInfoValues(), 2);
  // Names match exactly: another case finds no definition.
  const TSineWizard other(At("CurveTypes.stx"), "sinpostime");
  EXPECT_EQ(other.GetNoOfWizardPars(), 0);
  EXPECT_TRUE(Catcher->Messages.empty());
}

TEST_F(CurveRegistriesTest, UnreadableDefinitionsAreShownAndTheWizardKeepsItsName) {
  WriteFile("Broken.stx", "[D /WizardTypeArray [A [D /Name 'SinPosTime' /Caption 'Sine' ] ] ]");  // no ID
  const TSineWizard broken(At("Broken.stx"), "SinPosTime");
  EXPECT_EQ(broken.FWizardCaption, "Sine");  // read before the failure
  EXPECT_EQ(broken.GetNoOfWizardPars(), 0);
  const TSineWizard missing(At("None.stx"), "SinPosTime");
  EXPECT_EQ(missing.FWizardName, "SinPosTime");
  EXPECT_EQ(Catcher->Messages.size(), 2u);
}

TEST_F(CurveRegistriesTest, WizardNamesAreUniqueInAnyCase) {
  Definitions(SineEntry);
  TCurveManager manager;
  manager.RegisterCurveWizard(std::make_unique<TSineWizard>(At("CurveTypes.stx"), "SinPosTime"));
  EXPECT_THROW_MSG(
      manager.RegisterCurveWizard(std::make_unique<TSineWizard>(At("CurveTypes.stx"), "SINPOSTIME")),
      "TCurveManager.RegisterCurveWizard: curve wizard already registered");
  EXPECT_EQ(manager.GetWizardCount(), 1);
  EXPECT_EQ(manager.GetWizardWithName("sinPosTime"), manager.GetWizard(0));
  EXPECT_EQ(manager.GetWizardWithName("None"), nullptr);
  EXPECT_THROW_MSG(manager.GetWizard(1), "TCurveManager.GetWizard: Index out of bound.");
  EXPECT_THROW_MSG(manager.GetWizard(-1), "TCurveManager.GetWizard: Index out of bound.");
}

TEST_F(CurveRegistriesTest, MissingCurveFilesAreShownAndTheStartGoesOn) {
  WriteFile("NoTypes.stx", "[D /Other 1 ]");
  TCurveManager manager;
  manager.RegisterCurveType(At("NoTypes.stx"));
  manager.Init(At("None.stx"));
  EXPECT_EQ(manager.GetCurveTypeArray(), nullptr);
  EXPECT_EQ(manager.GetCurveInfo(), nullptr);
  EXPECT_EQ(Catcher->Messages.size(), 2u);
}

TEST_F(CurveRegistriesTest, DataTypeRegistryFindsTheCurveByItsTypeName) {
  TVxDataTypeList list;
  list.RegisterVxDataTypeClass(VxDataTypeClassOf<TCurve>());
  EXPECT_EQ(list.GetVxDataTypeClass("CurveObject"), VxDataTypeClassOf<TCurve>());
  EXPECT_EQ(list.GetVxDataTypeClass("curveobject"), nullptr);
  EXPECT_THROW_MSG(list.RegisterVxDataTypeClass(VxDataTypeClassOf<TCurve>()), "VxDataType already registered");
  EXPECT_EQ(TObjCntManager(12).GetIndexOfImage(0), 12);
}

// The bundled file defines every wizard the program makes, each with the type code of its
// class, and curve types whose wizards all exist.
TEST_F(CurveRegistriesTest, BundledCurveDataFitTheWizards) {
  for (const char* name : {"CurveTypes.stx", "CurveInfo.stx"}) {
    std::ifstream in(std::string(VT_DATA_DIR) + "/Archives/CurveCreator/" + name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    WriteFile(name, text.str());
  }
  const auto manager = CreateCurveManager(At("CurveTypes.stx"), At("CurveInfo.stx"));
  EXPECT_TRUE(Catcher->Messages.empty()) << Catcher->Messages.front();
  const char* const names[] = {"SinPosTime",    "VAPosTime",        "MinJerkPosTime", "LimitJerkPosTime",
                               "StandstillPosTime", "FromFileTime", "ManualTime",     "SinPosInc",
                               "MinJerkPosInc", "StandstillPosInc", "VALengthPosInc", "ConvSyncPosInc",
                               "FromFileInc",   "ManualInc"};
  ASSERT_EQ(manager->GetWizardCount(), 14);
  for (int i = 0; i < 14; ++i) {
    const TCurveWizard* wizard = manager->GetWizard(i);
    EXPECT_EQ(wizard->FWizardName, names[i]);
    EXPECT_EQ(wizard->FWizardType, wizard->GetWizardType()) << names[i];
    EXPECT_GT(wizard->GetNoOfWizardPars(), 0) << names[i];
    EXPECT_LE(wizard->GetNoOfWizardPars(), 7) << names[i];
    EXPECT_LE(wizard->GetNoOfInfoValues(), 7) << names[i];
    EXPECT_EQ(wizard->FWizardCaption == "FromFile...", std::string(names[i]).starts_with("FromFile")) << names[i];
  }
  TSLArray* types = manager->GetCurveTypeArray();
  ASSERT_NE(types, nullptr);
  for (int t = 0; t < types->GetCount(); ++t) {
    const auto* type = CheckedCast<TSLDictionary>(types->GetObjAtIndex(t));
    EXPECT_NE(manager->GetWizardWithName(WideToAnsi(type->GetStrWithName(u"ManualWizard"))), nullptr);
    const auto* wizards = CheckedCast<TSLArray>(type->GetObjWithName(u"Wizards"));
    for (int w = 0; w < wizards->GetCount(); ++w)
      EXPECT_NE(manager->GetWizardWithName(WideToAnsi(CheckedCast<TSLString>(wizards->GetObjAtIndex(w))->StringValue())),
                nullptr);
  }
  EXPECT_EQ(manager->GetCurveInfo()->GetIntWithName(u"ActualVersion"), 3);
}

}  // namespace
