// The device info view in a stand-in commander window (offscreen) with a drive of the
// bundled profile logged in on drivesim: the identification rows, the RAM fallback, the
// inspector following the selection, a double click moving the tree to the parameter's
// folder; a device without parameter service and a node without device. The object list
// viewer lists the object registry.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTreeWidget>

#include "ParameterDriveFixture.h"
#include "ViewHostWindow.h"
#include "devices/forms/DeviceInfoForm.h"
#include "devices/forms/PropertyInspector.h"
#include "runtime/ObjectRegistry.h"

using namespace vt;

namespace {

// The record of one parameter in a description file, replaced by Records.
void ReplaceRecord(std::string& Contents, int UPID, const std::string& Records) {
  const std::string upid = "/UPID " + std::to_string(UPID) + " ";
  const std::size_t at = Contents.rfind("[R [D:", Contents.find(upid));
  const std::size_t end = Contents.find("]]", Contents.find("[A " + std::to_string(UPID) + " ", at)) + 2;
  Contents.replace(at, end - at, Records);
}

class DeviceInfoView : public ParameterDriveFixture {
 protected:
  void SetUp() override {
    TestApp();
    ParameterDriveFixture::SetUp();
    DeviceManager()->DeviceInfoView = &Factory;
    // The interface software as a 16-bit enumeration, the application software as a
    // number, which the view does not list.
    CopyFirmware([](const std::string& Name, std::string& Contents) {
      if (!Name.starts_with("VXOS")) return;
      ReplaceRecord(Contents, 1180,
                    "[R [D:EnumDir16 /UPID 1180 /Level 3 /Caption 'Interface kind' /Permission 85 /AddrUsage 4 "
                    "/UseVFlag '' /DefValue 0]\r\n     [A 1180 3 'Interface kind' 85 4 '' 0]]\r\n"
                    "  [R [D:EnumChild16 /UPID 66180 /Level 4 /Caption 'Ethernet' /Permission 85 /AddrUsage 4 "
                    "/UseVFlag '' /ChildValue 0]\r\n     [A 66180 4 'Ethernet' 85 4 '' 0]]\r\n"
                    "  [R [D:EnumChild16 /UPID 66181 /Level 4 /Caption 'Serial' /Permission 85 /AddrUsage 4 "
                    "/UseVFlag '' /ChildValue 1]\r\n     [A 66181 4 'Serial' 85 4 '' 1]]");
      ReplaceRecord(Contents, 1240,
                    "[R [D:UInt16 /UPID 1240 /Level 3 /Caption 'Application number' /Permission 85 /AddrUsage 4 "
                    "/UseVFlag '' /UUID 4 /MinValue 0 /MaxValue 65535 /DefValue 0]\r\n"
                    "     [A 1240 3 'Application number' 85 4 '' 4 0 65535 0]]");
    });
    SetLoginInfoHandler([](const WideString&) {});
    SetLoginInfoAppendHandler([](const WideString&) {});
    CreatePropertyInspector();
  }
  void TearDown() override {
    Host.reset();
    FreePropertyInspector();
    ParameterDriveFixture::TearDown();
  }

  // A started device of the bundled profile on the drive, filed below the project's
  // root as the shell files it.
  TDevice* Login(const TLink& Link) {
    TDevice* device = LoginDevice(Link);
    File(device);
    return device;
  }
  void File(TDevice* Device) {
    TModelManager& model = DeviceManager()->ModelManager();
    TModelUpdate bracket(&model);
    Device->Model()->SetCaption(Device->GetModelCaption());
    model.Root()->AddChild(Device->Model());
  }
  // The host, its tree built; selects APath.
  void SelectInHost(const AnsiString& APath) {
    if (!Host) Host = std::make_unique<TViewHostWindow>(&DeviceManager()->ModelManager());
    Steps(6);
    Host->Select(APath);
  }
  TDeviceInfoForm* Form() const { return static_cast<TDeviceInfoForm*>(Host->FormList.at(0).get()); }
  // The rows as "caption=value".
  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    QTreeWidget* list = Form()->ListView;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
      rows.push_back((list->topLevelItem(i)->text(0) + "=" + list->topLevelItem(i)->text(1)).toStdString());
    return rows;
  }
  static std::string InspectedType() {
    const TPropertyInspector* inspector = PropertyInspector();
    return inspector->ObjTypeEditBox.Edit->isHidden() ? "" : inspector->ObjTypeEditBox.Edit->text().toStdString();
  }

  TDeviceInfoFormFactory Factory;
  std::unique_ptr<TViewHostWindow> Host;
};

TEST_F(DeviceInfoView, ListsTheDrivesIdentificationAndFollowsTheSelection) {
  drivesim::TDriveSim sim({"--udp4", "--parameter=1180,2,4,1", "--parameter=1240,2,4,7"});
  TDevice* device = Login(Udp4Link(sim));
  ASSERT_EQ(device->State(), dstStarted);
  const AnsiString devicePath = "Project:\\\\" + device->GetDevicePath();
  SelectInHost(devicePath);
  ASSERT_NE(Host->CurrentView, nullptr);
  PropertyInspector()->show();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Device type=VX2 Servo", "Drive name=Axis 1",
                                              "Article number=VX2-S-1200", "Serial number=00011234",
                                              "Hardware version=HW 2.0", "Firmware release=VX2 4.1.0 Sim",
                                              "MC software=VX2 MC 4.1", "Interface kind=Serial"}));
  // The device's own properties in the inspector.
  EXPECT_EQ(InspectedType(), "Drive (Online)");
  EXPECT_TRUE(PropertyInspector()->IsAssignedTo(&device->PropertyList()));

  // An empty text shows the value in the working memory; the service's clients hear of it.
  auto* service = device->Sibling<TParameterService>("ParameterService");
  TParameter* hardware = service->FindParameter(1050);
  hardware->SetMultValue("", 0);
  hardware->SetMultValue("HW 2.1 RAM", 1);
  service->Provider().BeginUpdate();
  service->Provider().EndOfUpdate();
  EXPECT_TRUE(StepUntil([&] { return Rows().at(4) == "Hardware version=HW 2.1 RAM"; })) << Rows().at(4);

  // Selecting a row shows its parameter; a double click moves the tree to its folder,
  // which has no view: the info view is hidden and the inspector cleared.
  QTreeWidget* list = Form()->ListView;
  list->setCurrentItem(list->topLevelItem(1));
  EXPECT_EQ(InspectedType(), "String Parameter");
  EXPECT_EQ(PropertyInspector()->EditObject(), service->FindParameter(1000));
  SaveScreenshot(Host.get(), "DeviceInfoView");
  SaveScreenshot(PropertyInspector(), "PropertyInspectorParameter");
  emit list->itemDoubleClicked(list->topLevelItem(1), 0);
  EXPECT_EQ(Host->Entries->GetPathStr(), devicePath + "\\Parameters\\System\\Identification");
  EXPECT_EQ(Host->CurrentView, nullptr);
  EXPECT_EQ(InspectedType(), "");

  // Back on the device: the list again, and the client connected only while shown.
  SelectInHost(devicePath);
  EXPECT_EQ(Rows().size(), 8u);
  const int clients = service->Provider().GetClientCount();
  SelectInHost("Project:\\\\");
  EXPECT_EQ(service->Provider().GetClientCount(), clients - 1);
  StopDevice(device);
}

TEST_F(DeviceInfoView, DeviceWithoutParametersAndNodeWithoutDevice) {
  TDevice* device = DeviceManager()->CreateDevice("BOX7", "VorlixOffline");
  File(device);
  TModelItem* bare = DeviceManager()->ModelManager().NewItem();
  {
    TModelUpdate bracket(&DeviceManager()->ModelManager());
    bare->SetCaption("Bare");
    bare->View = &Factory;
    DeviceManager()->ModelManager().Root()->AddChild(bare);
  }
  SelectInHost("Project:\\\\" + device->GetModelCaption());
  ASSERT_NE(Host->CurrentView, nullptr);
  EXPECT_TRUE(Rows().empty());
  EXPECT_EQ(InspectedType(), "Offline Drive Configuration");

  // Rows left from before go when a node without device is shown.
  new QTreeWidgetItem(Form()->ListView, {"stale", "row"});
  SelectInHost("Project:\\\\Bare");
  EXPECT_TRUE(Rows().empty());
}

TEST(ProgramViewer, ListsTheObjectRegistry) {
  TestApp();
  static int object;
  ObjectRegistryManager().RegisterObject(&object, "ViewerTestObject", "TViewerTest", 3, 14);
  TProgramViewer viewer;
  viewer.show();
  QTreeWidget* list = viewer.ObjListView;
  const QList<QTreeWidgetItem*> found = list->findItems("ViewerTestObject", Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1);
  EXPECT_EQ(found[0]->text(1), "TViewerTest");
  EXPECT_EQ(found[0]->text(2), "3");
  EXPECT_EQ(found[0]->text(3), "14");
  EXPECT_EQ(list->topLevelItemCount(), ObjectRegistryManager().GetCount());
  EXPECT_EQ(viewer.windowTitle(), "ProgramViewer");
}

}  // namespace
