// The requests into the main state machine: each acts only in the ready state, except
// that a scan asked for while the serial port is being handed back is remembered, and
// the baud-rate tool's release moves only its own hold on.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "OnlineDevicesFixture.h"
#include "TempFolder.h"
#include "platform/Dialogs.h"
#include "runtime/ProgramFolders.h"
#include "shell/forms/MainForm.h"

using namespace vt;

namespace {

using MainStateRequests = OnlineDevicesTest;

TEST_F(MainStateRequests, OnlyTheReadyMachineTakesARequest) {
  TMainForm form(u"/nonexistent/vorlixtalk", {});
  TDevice* scripted = DeviceManager()->CreateDevice("BOX1", "VorlixOnline");
  const struct {
    const char* name;
    std::function<void()> request;
  } requests[] = {
      {"offline", [&] { form.CreateDevice(nullptr, "VorlixOffline"); }},
      {"create offline, lower case", [&] { form.CreateDevice(nullptr, "vorlixcreateoffline"); }},
      {"create offline, older release", [&] { form.CreateDevice(nullptr, "VorlixCreateOfflineOldRel"); }},
      {"from a project", [&] { form.CreateDevice(nullptr, "RODUZAVOVIZADAROV"); }},
      {"manual login", [&] { form.CreateDevice(nullptr, "ManualLogin"); }},
      {"with port", [&] { form.CreateDeviceWithPar(nullptr, "VorlixOnline", "ttyS3"); }},
      {"script's device", [&] { form.SetMainStatestWait(scripted); }},
      {"scan", [&] { form.StartETHScanning(); }},
      {"baud-rate hold", [&] { form.SendBaudRate(); }},
      {"baud-rate release", [&] { form.ResetSendBaudrate(); }},
  };
  // The state each request leaves, from each state.
  const struct {
    TMainState from;
    TMainState after[std::size(requests)];
  } table[] = {
      {stReady,
       {stOpenDeviceOffline, stCreateDeviceOffline, stCreateDeviceOfflineOldRel, stOpenDeviceOfflineDict, stReady,
        stOpenDeviceWithPar, stWaitDevice, stETHScanForDevices, stprepSendComBaudrate, stReady}},
      {stWaitDevice,
       {stWaitDevice, stWaitDevice, stWaitDevice, stWaitDevice, stWaitDevice, stWaitDevice, stWaitDevice,
        stWaitDevice, stWaitDevice, stWaitDevice}},
      {stprepSendComBaudrate,
       {stprepSendComBaudrate, stprepSendComBaudrate, stprepSendComBaudrate, stprepSendComBaudrate,
        stprepSendComBaudrate, stprepSendComBaudrate, stprepSendComBaudrate, stprepSendComBaudrate,
        stprepSendComBaudrate, stGetComBaudrate}},
      {stGetComBaudrate,
       {stGetComBaudrate, stGetComBaudrate, stGetComBaudrate, stGetComBaudrate, stGetComBaudrate, stGetComBaudrate,
        stGetComBaudrate, stGetComBaudrate, stGetComBaudrate, stGetComBaudrate}},
  };
  for (const auto& row : table)
    for (std::size_t i = 0; i < std::size(requests); ++i) {
      form.MainState = row.from;
      form.CurrentDevice = nullptr;
      form.ScanningRequest = false;
      requests[i].request();
      EXPECT_EQ(form.MainState, row.after[i]) << "from " << int(row.from) << ": " << requests[i].name;
      // A scan during the hand-back is remembered; nowhere else.
      EXPECT_EQ(form.ScanningRequest, row.from == stGetComBaudrate && i == 7) << requests[i].name;
      EXPECT_EQ(form.CurrentDevice, row.from == stReady && i == 6 ? scripted : nullptr) << requests[i].name;
    }
}

TEST_F(MainStateRequests, ARequestNamesTheNextFreeDeviceAndKeepsProfileAndPort) {
  TMainForm form(u"/nonexistent/vorlixtalk", {});
  DeviceManager()->CreateDevice("BOX1", "VorlixOnline");
  DeviceManager()->CreateDevice("BOX3", "VorlixOnline");
  form.MainState = stWaitDevice;
  form.CreateDeviceWithPar(nullptr, "VorlixOnline", "ttyS3");
  // Refused, but the port and profile are kept for a later call.
  EXPECT_EQ(form.FPortName, "ttyS3");
  EXPECT_EQ(form.FDeviceName, "");
  form.MainState = stReady;
  form.CreateDeviceWithPar(nullptr, "VorlixOnline", "ttyS4");
  EXPECT_EQ(form.FDeviceName, "BOX2");
  EXPECT_EQ(form.FPortName, "ttyS4");
}

// Creating a device offline needs the installed firmware script: without one the request
// is refused with its reason, and no device is left behind.
TEST_F(MainStateRequests, CreatingOfflineWithoutTheFirmwareScriptIsRefused) {
  TMainForm form(u"/nonexistent/vorlixtalk", {});
  form.MainState = stReady;
  form.CreateDevice(nullptr, "VorlixCreateOffline");
  ASSERT_EQ(form.MainState, stCreateDeviceOffline);
  TempFolder folder;
  std::filesystem::create_directories(folder.Path() / "Firmware");
  const WideString savedWorkDir = WorkDir;
  WorkDir = AnsiToWide(folder.Path().string()) + u"/";
  std::vector<std::string> shown;
  SetMessageDlgHandler([&](const std::u16string& Text, TMsgDlgType, TMsgDlgButtons) {
    shown.push_back(WideToUtf8(Text));
    return mrOk;
  });
  form.MainExecute(nullptr);
  SetMessageDlgHandler(nullptr);
  WorkDir = savedWorkDir;
  EXPECT_EQ(shown, std::vector<std::string>{"Firmware script file missing!"});
  EXPECT_EQ(form.MainState, stReady);
  EXPECT_EQ(DeviceManager()->GetDeviceCount(), 0);
}

}  // namespace
