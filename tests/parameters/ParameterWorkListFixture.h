// Parameter work lists against drivesim: devices of the bundled profile with the talk,
// module, status, unit and parameter services log in over a pseudo-terminal or UDP, with
// the bundled description files (and extra records) in a test folder; clients run
// transactions in their turn; the message boxes shown are recorded.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>

#include "ParameterDriveFixture.h"
#include "TestUtil.h"
#include "devices/DeviceManager.h"
#include "devices/LoginWindows.h"
#include "devices/services/ModuleService.h"
#include "devices/services/StatusService.h"
#include "parameters/DirectoryParameters.h"
#include "parameters/ParameterManager.h"
#include "parameters/ParameterService.h"
#include "parameters/ParameterTelegrams.h"
#include "parameters/UnitService.h"
#include "runtime/ApplicationState.h"
#include "runtime/ProgramFolders.h"
#include "runtime/SettingsTree.h"


namespace vt::test {

// A record of the application tree at level 1: a UInt16 readable and writable in both
// memories unless Type and AddrUsage say otherwise.
inline std::string ExtraRecord(int UPID, int AppFlags = 0, const std::string& Type = "UInt16", int AddrUsage = 15) {
  const std::string upid = std::to_string(UPID), usage = std::to_string(AddrUsage), flags = std::to_string(AppFlags);
  return "  [R [D:" + Type + " /UPID " + upid + " /Level 1 /Caption 'Extra " + upid + "' /Permission 127 /AddrUsage " +
         usage + " /UseVFlag '' /UUID 4 /MinValue 0 /MaxValue 255 /DefValue 7 /AppFlags " + flags + "]\r\n     [A " +
         upid + " 1 'Extra' 127 " + usage + " '' 4 0 255 7 " + flags + "]]\r\n";
}

// A client that opens a transaction in its turn: Body runs after the client's wait has
// begun, and the client releases the provider once the service continues it.
class TTransactionClient {
 public:
  explicit TTransactionClient(TServiceProvider& Provider) {
    Client.OnExecute = [this](TServiceClient*) { Execute(); };
    Client.OnNotify = [this](void*) {
      ++Notified;
      if (Client.Provider()->Status() == psWaitClient) Client.Continue();
    };
    Client.Connect(&Provider);
  }
  void Run(std::function<void(TServiceClient*)> ABody) {
    Body = std::move(ABody);
    Started = Done = false;
    Error.clear();
    Client.Request();
  }

  TServiceClient Client;
  bool Done = false;
  int Notified = 0;
  std::string Error;

 private:
  void Execute() {
    if (Started) {
      Client.Release();
      Done = true;
      return;
    }
    Started = true;
    Client.Wait(csNoTimeout);
    try {
      Body(&Client);
    } catch (const Exception& e) {
      Error = e.Message();
      Client.Release();
      Done = true;
    }
  }
  std::function<void(TServiceClient*)> Body;
  bool Started = false;
};

class ParameterWorkList : public ParameterDriveFixture {
 protected:
  void SetUp() override {
    ParameterDriveFixture::SetUp();
    SetLoginInfoHandler([this](const WideString& Line) { LoginText += "\n" + WideToUtf8(Line); });
    SetLoginInfoAppendHandler([this](const WideString& Text) { LoginText += WideToUtf8(Text); });
    SetShowMessageHandler([this](const std::u16string& Text) { Messages.push_back(WideToUtf8(Text)); });
    SetMessageDlgHandler([this](const std::u16string& Text, TMsgDlgType, TMsgDlgButtons Buttons) {
      Questions.push_back(WideToUtf8(Text));
      if (Buttons == (MsgDlgButton(mbAbort) | MsgDlgButton(mbIgnore))) return UnknownAnswer;
      if (Buttons == (MsgDlgButton(mbYes) | MsgDlgButton(mbCancel))) return StopAnswer;
      return mrNone;
    });
    ApplicationState().ParaRefreshFlag = 1;
    ApplicationState().LoginAbortRequest = false;
  }
  void TearDown() override {
    SetShowMessageHandler(nullptr);
    ApplicationState().ParaRefreshFlag = 1;
    ApplicationState().LoginAbortRequest = false;
    ParameterDriveFixture::TearDown();
  }

  // The bundled description files; Extra joins the application tree's records first.
  void CopyFirmware(const std::string& Extra) {
    ParameterDriveFixture::CopyFirmware([&](const std::string& Name, std::string& Contents) {
      if (!Name.starts_with("VXAPSERVO")) return;
      const std::string array = "/ParameterArray [A\r\n";
      Contents.insert(Contents.find(array) + array.size(), Extra);
    });
  }

  // A device of the bundled profile on Link, started; Service is its parameter service.
  TDevice* Login(const TLink& Link, const WideString& User = u"GUEST", const WideString& Password = u"") {
    TDevice* device = LoginDevice(Link, User, Password);
    Service = static_cast<TParameterService*>(device->GetService("ParameterService"));
    return device;
  }
  TParameter* Find(std::int32_t UPID) const { return Service->FindParameter(UPID); }
  // The nodes the login reads: those with an address and a readable memory.
  std::vector<TParameter*> Readable() const {
    std::vector<TParameter*> nodes;
    Service->ForEachParameter([&](TParameter* Node, bool&) {
      if (Node->UPID() < 0xFFFF && ReadModeOf(Node->AddrUsage()) && !Node->IsSafetyParameter()) nodes.push_back(Node);
    });
    return nodes;
  }
  // The parameter frames the drive received since the last call.
  std::vector<std::string> NewFrames(const drivesim::TDriveSim& Sim, const std::string& Drive) {
    return NewParameterFrames(Sim, Drive, Seen);
  }
  static std::string ReadFrame(const TParameter* Node) {
    char text[16];
    std::snprintf(text, sizeof text, "88 %02X %02X %02X", *ReadModeOf(Node->AddrUsage()), Node->UPID() & 0xFF,
                  Node->UPID() >> 8);
    return text;
  }
  // Runs Body as a client's transaction until the client is released.
  void Transaction(TTransactionClient& Client, std::function<void(TServiceClient*)> Body) {
    Client.Run(std::move(Body));
    EXPECT_TRUE(StepUntil([&] { return Client.Done; }));
  }

  // Rereads the parameters in a client's read transaction; a node marked twice is
  // listed once.
  void Reread(TTransactionClient& Client, const std::vector<std::int32_t>& UPIDs) {
    Transaction(Client, [&](TServiceClient* C) {
      Service->PrepareUpdate(C);
      for (const std::int32_t upid : UPIDs) {
        Find(upid)->Invalidate(C);
        Find(upid)->Update(C);
      }
      Find(UPIDs.front())->Update(C);
      EXPECT_EQ(Service->WorkList().size(), UPIDs.size());
      Service->ExecuteUpdate(C);
    });
  }

  // Writes the values in a client's write transaction, in order.
  void Write(TTransactionClient& Client, const std::vector<std::pair<std::int32_t, std::int64_t>>& Values) {
    Transaction(Client, [&](TServiceClient* C) {
      Service->PrepareModify(C);
      for (const auto& [upid, value] : Values) {
        Find(upid)->SetIntValue(usSI, value);
        Find(upid)->Modify(C);
      }
      Service->ExecuteModify(C);
    });
  }

  std::size_t Seen = 0;
  TParameterService* Service = nullptr;
  std::string LoginText;
  std::vector<std::string> Messages;
  std::vector<std::string> Questions;
  TModalResult UnknownAnswer = mrIgnore;
  TModalResult StopAnswer = mrCancel;
};

}  // namespace vt::test
