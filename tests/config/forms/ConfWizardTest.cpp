// The offline-configuration dialog offscreen: the lists it fills from a catalogue and
// keeps across catalogues, and OK and Cancel as the handler clicks them.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <memory>
#include <string>
#include <vector>

#include "RuntimeTestUtil.h"
#include "StorageFixture.h"
#include "config/forms/ConfWizard.h"

using namespace vt;

namespace {

const char* const FirstCatalogue =
    "[B /Controllers [A"
    " [D /Name 'ABC1' /TypeSupported 1 /VxTypeExt 'A1' /ApplTypeExt 'AT' /Interfaces [A 'IntfA' 'IntfNone' ] "
    "/Applications [A 'ApplA' ] ]"
    " [D /Name 'ABC2' /TypeSupported 1 /VxTypeExt 'A2' ]"
    " [D /Name 'XYZ7' /TypeSupported 1 /VxTypeExt 'X7' /Interfaces [A 'IntfA' ] ] ]"
    " /OSInfoDict [D /A1 [D /TreeFileName 'EOS_' /TreeVersion 1 /TreeSubVersion 2 /TreeBetaInfo ''"
    "   /SWVersion 1 /SWSubVersion 2 /SWBetaInfo '' ] ]"
    " /MCInfoDict [D ] /RelInfoDict [D /A1 [D /RelVersion 1 /RelSubVersion 2 /RelBuildInfo '' /RelString 'R1' ] ]"
    " /IntfA [D /Caption 'Ethernet' /IntfTreeFileName 'EIF_' /IntfSWFileName 'EIFSW_' /TreeVersion 2"
    "   /TreeSubVersion 0 /TreeBetaInfo '' /SWVersion 2 /SWSubVersion 0 /SWBetaInfo '' ]"
    " /IntfNone [D /Caption 'None' ]"
    " /ApplA [D /Caption 'Servo' /ApplTreeFileName 'EAP_' /ApplSWFileName 'EAPSW_' /TreeVersion 3"
    "   /TreeSubVersion 0 /TreeBetaInfo '' /SWVersion 3 /SWSubVersion 0 /SWBetaInfo '' ] ]";

std::vector<std::string> Items(const QComboBox* Box) {
  std::vector<std::string> items;
  for (int i = 0; i < Box->count(); ++i) items.push_back(Box->itemText(i).toStdString());
  return items;
}

class ConfWizardTest : public test::StorageTest {
 protected:
  void TearDown() override {
    SetConfWizardHandler(nullptr);
    WizardWindow.reset();  // lets go of the catalogue before the leak check
    StorageTest::TearDown();
  }
  TSLBlock* Block(const std::string& Text) { return CheckedCast<TSLBlock>(Sl(Text)); }

  QCoreApplication& App = TestApp();  // before any window
  std::unique_ptr<TConfWizard> WizardWindow = std::make_unique<TConfWizard>();
  TConfWizard& Wizard = *WizardWindow;
};

// The first family's first type is chosen with its first interface and application; a
// type without applications disables their list; another family offers its own types.
TEST_F(ConfWizardTest, ListsFollowTheChoice) {
  Wizard.Initialize(Block(FirstCatalogue), 3);
  EXPECT_EQ(Wizard.windowTitle().toStdString(), "Create Configuration Offline");
  EXPECT_EQ(Items(Wizard.DriveFamilyCbo), (std::vector<std::string>{"ABCxx", "XYZxx"}));
  EXPECT_EQ(Items(Wizard.ControllersCbo), (std::vector<std::string>{"ABC1", "ABC2"}));
  EXPECT_EQ(Items(Wizard.InterfaceCbo), (std::vector<std::string>{"Ethernet", "None"}));
  EXPECT_EQ(Wizard.InterfaceCbo->currentIndex(), 0);
  EXPECT_EQ(Items(Wizard.ApplicationCbo), std::vector<std::string>{"Servo"});

  Wizard.ControllersCbo->setCurrentIndex(1);
  EXPECT_FALSE(Wizard.InterfaceCbo->isEnabled());
  EXPECT_FALSE(Wizard.ApplicationCbo->isEnabled());
  Wizard.DriveFamilyCbo->setCurrentIndex(1);
  EXPECT_EQ(Items(Wizard.ControllersCbo), std::vector<std::string>{"XYZ7"});
  EXPECT_TRUE(Wizard.InterfaceCbo->isEnabled());
  EXPECT_EQ(Items(Wizard.InterfaceCbo), std::vector<std::string>{"Ethernet"});
}

// A later catalogue without a family keeps it in the list; choosing it offers no type
// and leaves the interface and application lists as they were.
TEST_F(ConfWizardTest, FamiliesOfAnEarlierCatalogueStay) {
  Wizard.Initialize(Block(FirstCatalogue), 3);
  Wizard.Initialize(Block("[B /Controllers [A [D /Name 'XYZ8' /TypeSupported 1 /VxTypeExt 'X8'"
                          " /Interfaces [A 'IntfB' ] /Applications [A 'ApplB' ] ] ]"
                          " /IntfB [D /Caption 'Serial' ] /ApplB [D /Caption 'Motion' ] ]"),
                    3);
  EXPECT_EQ(Items(Wizard.DriveFamilyCbo), (std::vector<std::string>{"ABCxx", "XYZxx"}));
  EXPECT_TRUE(Items(Wizard.ControllersCbo).empty());
  EXPECT_EQ(Items(Wizard.InterfaceCbo), (std::vector<std::string>{"Ethernet", "None"}));
  Wizard.DriveFamilyCbo->setCurrentIndex(1);
  EXPECT_EQ(Items(Wizard.ControllersCbo), std::vector<std::string>{"XYZ8"});
  EXPECT_EQ(Items(Wizard.InterfaceCbo), std::vector<std::string>{"Serial"});
  Wizard.DriveFamilyCbo->setCurrentIndex(0);
  EXPECT_TRUE(Items(Wizard.ControllersCbo).empty());
  EXPECT_EQ(Items(Wizard.InterfaceCbo), std::vector<std::string>{"Serial"});
  EXPECT_EQ(Items(Wizard.ApplicationCbo), std::vector<std::string>{"Motion"});
}

// OK computes the choice and closes with OK; Cancel closes with Cancel; a choice the
// catalogue cannot name is shown and keeps the dialog open.
TEST_F(ConfWizardTest, OkComputesTheChoiceAndAFailureKeepsTheDialogOpen) {
  TMessageCatcher shown;
  Wizard.Initialize(Block(FirstCatalogue), 3);
  SetConfWizardHandler([](TConfWizard& Dialog) {
    Dialog.InterfaceCbo->setCurrentIndex(1);
    Dialog.OKBtn->click();
  });
  EXPECT_EQ(Wizard.ShowModal(), mrOk);
  EXPECT_EQ(Wizard.GetNumberOfIniFile(), 2);
  EXPECT_EQ(Wizard.GetNameAtIndex(0), "EOS_A1_V1S2");
  EXPECT_EQ(Wizard.GetNameAtIndex(1), "EAP_AT_V3S0");
  EXPECT_EQ(Wizard.FirmwareRelease(), "R1");

  SetConfWizardHandler([](TConfWizard& Dialog) { Dialog.CancelBtn->click(); });
  EXPECT_EQ(Wizard.ShowModal(), mrCancel);

  // ABC2 has no OS entry: OK is refused, and the user cancels.
  bool stayedOpen = false;
  SetConfWizardHandler([&](TConfWizard& Dialog) {
    Dialog.ControllersCbo->setCurrentIndex(1);
    Dialog.OKBtn->click();
    stayedOpen = Dialog.result() != QDialog::Accepted;
    Dialog.CancelBtn->click();
  });
  EXPECT_EQ(Wizard.ShowModal(), mrCancel);
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(shown.Messages, std::vector<std::string>{"TSLDictionary error: no object named A2"});
}

}  // namespace
