// Devices of the bundled profile with their parameter service, logged in to drivesim: the
// talk service tests' world with the bundled settings' profiles, the module, status, unit
// and parameter service classes, the parameter classes, and the bundled description
// files below the test's data folder (the program's folder).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "StorageFixture.h"
#include "TalkServiceFixture.h"
#include "devices/DeviceManager.h"
#include "devices/LoginWindows.h"
#include "devices/services/ModuleService.h"
#include "devices/services/StatusService.h"
#include "parameters/ParameterManager.h"
#include "parameters/ParameterService.h"
#include "parameters/UnitService.h"
#include "runtime/ProgramFolders.h"
#include "runtime/SettingsTree.h"

class ParameterDriveFixture : public TalkServiceFixture, public vt::test::TStorageEnvironment {
 protected:
  void SetUp() override {
    using namespace vt;
    TalkServiceFixture::SetUp();
    Start();
    UseBundledProfiles(*this);
    DeviceManager()->RegisterServiceClass("ModuleService", DeviceServiceClassOf<TModuleService>());
    DeviceManager()->RegisterServiceClass("StatusService", DeviceServiceClassOf<TStatusService>());
    DeviceManager()->RegisterServiceClass("UnitService", DeviceServiceClassOf<TUnitService>());
    DeviceManager()->RegisterServiceClass("ParameterService", DeviceServiceClassOf<TParameterService>());
    CreateParameterManager();
    RegisterParameterClasses(*ParameterManager());
    CopyFirmware();
    WorkDir = AnsiToWide(Folder.string()) + u"/";
    AppDataDir.clear();
  }
  void TearDown() override {
    using namespace vt;
    SetLoginInfoHandler(nullptr);
    SetLoginInfoAppendHandler(nullptr);
    FreeDeviceManager();
    FreeParameterManager();
    ClearProgramVariables();
    ProgramRegistry.reset();
    Stop();
    TalkServiceFixture::TearDown();
  }

  // The bundled description files below the data folder, each passed through Edit (its
  // file name and contents) first.
  void CopyFirmware(const std::function<void(const std::string& Name, std::string& Contents)>& Edit = {}) {
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(VT_DATA_DIR) / "Firmware")) {
      if (!entry.is_regular_file()) continue;  // older releases lie in folders of their own
      std::ifstream in(entry.path(), std::ios::binary);
      std::stringstream text;
      text << in.rdbuf();
      std::string contents = text.str();
      const std::string name = entry.path().filename().string();
      if (Edit) Edit(name, contents);
      WriteFile("Firmware\\" + name, contents);
    }
  }

  // A device BOX<n> of the bundled profile on Link, started.
  vt::TDevice* LoginDevice(const TLink& Link, const vt::WideString& User = u"GUEST",
                           const vt::WideString& Password = u"") {
    using namespace vt;
    TDevice* device = DeviceManager()->CreateDevice("BOX" + std::to_string(++Devices), "VorlixOnline");
    device->SetStrVar(u"PortName", AnsiToWide(Link.Port));
    device->SetStrVar(u"UserName", User);
    device->SetStrVar(u"Password", Password);
    device->InterfaceType = Link.Port == "ETH" ? ifEthernet : ifRS232;
    device->DeviceIP = Link.IPv4;
    device->DevicePort = Link.UdpPort;
    device->CreateServices();
    bool done = false;
    device->StartUpServices([&](TDevice*) { done = true; });
    EXPECT_TRUE(StepUntil([&] { return done; }));
    return device;
  }
  // Stops the device: its drive may go before the test ends.
  void StopDevice(vt::TDevice* Device) {
    bool stopped = false;
    Device->ShutDownServices([&](vt::TDevice*) { stopped = true; });
    EXPECT_TRUE(StepUntil([&] { return stopped; }));
  }

  int Devices = 0;
};
