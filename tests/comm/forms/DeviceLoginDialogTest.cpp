// The device login dialog offscreen: its settings, the close check, the buttons that
// reach the shell, the serial ports it lists, the baud-rate tool against drivesim's
// serial line, and a login made with the dialog's values.
#include "comm/forms/DeviceLoginDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QMouseEvent>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "PseudoTerminal.h"
#include "StorageFixture.h"
#include "TalkServiceFixture.h"
#include "TestUtil.h"
#include "comm/BaudRateTool.h"
#include "comm/CommPortManager.h"
#include "comm/LoginShell.h"
#include "comm/SerialDriver.h"
#include "comm/SerialPortList.h"
#include "comm/SharedLinkState.h"
#include "platform/SerialPort.h"
#include "runtime/Conversions.h"
#include "runtime/ProgramFolders.h"
#include "runtime/SettingsTree.h"
#include "sl/values/Arrays.h"
#include "sl/values/Scalars.h"
#include "ui/forms/IpAddressEdit.h"
#include "ui/forms/ToggleSwitch.h"

using namespace vt;

namespace {

// The shell as the dialog sees it: it records the requests, keeps the login settings and
// plays the hold of its main state machine (whose release step the tests run by hand).
class TTestShell : public TLoginShell {
 public:
  enum TState { Ready, Hold, Release };

  void StartETHScanning() override { ++Scans; }
  void BlinkETH(std::uint32_t Address) override { Blinks.push_back(IntToIPStr(Address)); }
  void BlinkETHv6(const WideString& Address) override { Blinks.push_back(WideToUtf8(Address)); }
  void SendBaudRate() override {
    if (State == Ready) State = Hold;
  }
  void ResetSendBaudrate() override {
    if (State == Hold) State = Release;
  }
  int EthDefaultPort() const override { return DefaultPort; }
  void SetEthDefaultPort(int Value) override { DefaultPort = Value; }
  int EthPort() const override { return Port; }
  void SetEthPort(int Value) override { Port = Value; }
  int LastIPVersion() const override { return IPVersion; }
  void SetLastIPVersion(int Value) override { IPVersion = Value; }
  std::uint32_t LastBaudrate() const override { return Baudrate; }
  void SetLastBaudrate(std::uint32_t Value) override { Baudrate = Value; }
  WideString ExecuteOpenDialog(const WideString& InitialDir, const WideString& Filter,
                               const WideString& DefaultExt) override {
    OpenDialog = {WideToUtf8(InitialDir), WideToUtf8(Filter), WideToUtf8(DefaultExt)};
    return OpenAnswer;
  }

  TState State = Ready;
  int Scans = 0;
  std::vector<std::string> Blinks;
  int DefaultPort = 1;
  int Port = 20000;
  int IPVersion = 4;
  std::uint32_t Baudrate = 38400;
  std::vector<std::string> OpenDialog;
  WideString OpenAnswer;
};

std::string FileText(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Items(const QComboBox* Box) {
  std::vector<std::string> items;
  for (int i = 0; i < Box->count(); ++i) items.push_back(Box->itemText(i).toStdString());
  return items;
}

class LoginDialogTest : public TalkServiceFixture, public test::TStorageEnvironment {
 protected:
  void SetUp() override {
    TalkServiceFixture::SetUp();
    Start();
    CreateCommPortManager();
    ProgramRegistry = std::make_unique<TProgramRegistry>();
    GlobalBaudrate = 0;
  }
  void TearDown() override {
    Dialog.reset();
    FreeCommPortManager();
    ProgramRegistry.reset();
    Stop();
    TalkServiceFixture::TearDown();
  }

  // The program settings name Path as a serial port.
  void ListPort(const std::string& Path) {
    TSLArray* list = nullptr;
    try {
      list = dynamic_cast<TSLArray*>(ProgramRegistry->GetObject(SerialPortsKey));
    } catch (const Exception&) {
      // none listed yet
    }
    if (!list) {
      auto fresh = MakeRef<TSLArray>();
      ProgramRegistry->AddObject(SerialPortsKey, fresh.get());
      list = fresh.get();
    }
    list->AddObject(MakeRef<TSLString>(Utf8ToWide(Path)).get());
  }
  // A new dialog initialised with the bundled program settings' "Login" and Config as
  // "LoginConfig" (SL text; none: no such dictionary).
  TDeviceLoginDialog& NewDialog(const std::string& Config = "") {
    Dialog.reset();
    Dialog = std::make_unique<TDeviceLoginDialog>(*Server, Shell);
    TRef<TSLObject> settings(Sl(FileText(std::string(VT_DATA_DIR) + "/Archives/Config/Quorvel.ini")));
    const auto& login = dynamic_cast<const TSLDictionary&>(*CheckedCast<TSLDictionary>(settings.get())->GetObjWithName(u"Login"));
    if (Config.empty()) {
      Dialog->Initialize(login, nullptr);
    } else {
      TRef<TSLObject> config(Sl(Config));
      Dialog->Initialize(login, CheckedCast<TSLDictionary>(config.get()));
    }
    return *Dialog;
  }
  // A dialog on drivesim's serial line: the shell found the port at start-up.
  TDeviceLoginDialog& SerialDialog(const std::string& Pty) {
    ListPort(Pty);
    Server->AddSerialPortDriver(Pty, 38400);
    return NewDialog("[D /PortName '" + Pty + "' ]");
  }
  // Waits until the answer to the query just started has reached the baud-rate list.
  bool RatesShown() {
    Dialog->CmBoxBaudrate->addItem("no answer yet");
    return WaitUntil([&] { return Items(Dialog->CmBoxBaudrate) != std::vector<std::string>{"no answer yet"}; });
  }
  // The user picks a rate in the list.
  void PickRate(const char* Rate) {
    const int at = Dialog->CmBoxBaudrate->findText(Rate);
    ASSERT_GE(at, 0) << Rate;
    Dialog->CmBoxBaudrate->setCurrentIndex(at);
    emit Dialog->CmBoxBaudrate->activated(at);
  }
  void LeaveIPv6Field(const char* Text) {
    Dialog->IPv6CmbBox->setEditText(Text);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(Dialog->IPv6CmbBox->lineEdit(), &out);
  }
  bool Accepted() const { return !Dialog->isVisible() && Dialog->result() == QDialog::Accepted; }

  TTestShell Shell;
  std::unique_ptr<TDeviceLoginDialog> Dialog;
  TMessageCatcher Plain;  // the plain message boxes
};

// The baud-rate tool makes its serial driver at the port manager, which the shell
// creates at start-up.
TEST_F(LoginDialogTest, BaudRateToolNeedsThePortManager) {
  FreeCommPortManager();
  TBaudRateTool tool(Shell, [](const std::vector<AnsiString>&) {});
  EXPECT_THROW_MSG(tool.GetBaudrate("/dev/null"), "Internal Error: CommPortManager not assigned");
}

// Exactly the four login IDs, as typed, whatever their case; DEVELOPER only with the
// developer password, yet stored either way. The password is kept only by an OK that closes.
TEST_F(LoginDialogTest, LoginIds) {
  const struct {
    const char* id;
    const char* password;
    bool accepted;
    const char* userName;  // FUserName afterwards
    const char* box;       // error box
    const char* message;   // plain message box
  } cases[] = {
      {"service", "pw", true, "service", nullptr, nullptr},
      {"Guest", "", true, "Guest", nullptr, nullptr},
      {" USER", "pw", false, "before", "Unknown login ID!", nullptr},
      {"ADMIN", "pw", false, "before", "Unknown login ID!", nullptr},
      {"DEVELOPER", "wrong", false, "DEVELOPER", nullptr, "Wrong password!"},
      {"developer", DeveloperPassword, true, "developer", nullptr, nullptr},
  };
  NewDialog("[D /PortName 'COM1' ]");
  Dialog->OfflineRadio->click();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    Dialog->show();
    Dialog->FUserName = u"before";
    Dialog->FPassword = u"kept";
    Dialog->UserEdt->setText(c.id);
    Dialog->PasswordEdt->setText(c.password);
    Boxes.clear();
    Plain.Messages.clear();
    Dialog->OKBtn->click();
    EXPECT_EQ(Accepted(), c.accepted);
    EXPECT_EQ(WideToUtf8(Dialog->FUserName), c.userName);
    EXPECT_EQ(WideToUtf8(Dialog->FPassword), c.accepted ? c.password : "kept");
    EXPECT_EQ(Boxes, c.box ? std::vector<std::string>{c.box} : std::vector<std::string>{});
    EXPECT_EQ(Plain.Messages, c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    if (!c.accepted) {
      const QLineEdit* offending = c.box ? Dialog->UserEdt : Dialog->PasswordEdt;
      EXPECT_EQ(offending->selectedText(), offending->text());
    }
  }
  EXPECT_EQ(Dialog->GetInterfaceType(), ifOffline);
  EXPECT_EQ(Dialog->GetPortName(), "");

  // "Browse..." asks the shell's open-file dialog for a configuration file, and its
  // folder becomes the next one to start in.
  OpenSaveConfigDir = u"/home/user/configs/";
  Shell.OpenAnswer = u"/data/axis/drive1.vxc2";
  Dialog->show();
  Dialog->OfflineBtn->click();
  EXPECT_EQ(Shell.OpenDialog,
            (std::vector<std::string>{"/home/user/configs/", "Configuration file (*.vxc2)|*.vxc2", "vxc2"}));
  EXPECT_EQ(Dialog->OfflineEdit->text(), "/data/axis/drive1.vxc2");
  EXPECT_EQ(WideToUtf8(OpenSaveConfigDir), "/data/axis/");
  Shell.OpenAnswer.clear();
  Dialog->OfflineBtn->click();
  EXPECT_EQ(Dialog->OfflineEdit->text(), "/data/axis/drive1.vxc2");
  OpenSaveConfigDir.clear();
}

// IPv4: an address of 0 is refused by OK and by Blink; a port that is no number becomes
// 20000; the shell keeps the choices. IPv6: the link-local prefix before the typed part.
TEST_F(LoginDialogTest, EthernetAddressesAndPorts) {
  NewDialog("[D /PortName 'ETH' ]");
  Dialog->show();
  EXPECT_TRUE(Dialog->ETHRadio->isChecked());
  EXPECT_EQ(Dialog->GetPortName(), "ETH");
  EXPECT_TRUE(Dialog->IP4Edit->isVisible());
  EXPECT_FALSE(Dialog->IPv6CmbBox->isVisible());
  EXPECT_FALSE(Dialog->CbRSPort->isVisible());
  EXPECT_TRUE(Dialog->ScanBtn->isEnabled());
  EXPECT_FALSE(Dialog->IPPortEdit->isVisible());  // "Default Port Settings" from the shell

  Dialog->Button2->click();
  EXPECT_EQ(Boxes, std::vector<std::string>{"Invalid IP address: 0.0.0.0"});
  Boxes.clear();
  Dialog->UserEdt->setText("nobody");
  Dialog->OKBtn->click();
  EXPECT_EQ(Boxes, (std::vector<std::string>{"Unknown login ID!", "Invalid IP address: 0.0.0.0"}));
  EXPECT_TRUE(Dialog->isVisible());

  Dialog->IP4Edit->SetIPValue(0x0A000001);
  Dialog->Button2->click();
  EXPECT_EQ(Shell.Blinks, std::vector<std::string>{"10.0.0.1"});
  Dialog->DefPortChkBox->click();
  EXPECT_TRUE(Dialog->IPPortEdit->isVisible());
  Dialog->IPPortEdit->setText("abc");
  Dialog->UserEdt->setText("USER");
  Dialog->OKBtn->click();
  ASSERT_TRUE(Accepted());
  EXPECT_EQ(Dialog->IPPortEdit->text(), "20000");
  EXPECT_EQ(Dialog->GetUdpPort(), 20000);
  EXPECT_EQ(Dialog->GetIPAddress(), 0x0A000001u);
  EXPECT_EQ(Dialog->GetEthVersion(), 4);
  EXPECT_EQ(std::make_tuple(Shell.DefaultPort, Shell.Port, Shell.IPVersion), std::make_tuple(0, 20000, 4));

  Dialog->show();
  Dialog->EthVersionSwitch->click();
  EXPECT_FALSE(Dialog->IP4Edit->isVisible());
  EXPECT_TRUE(Dialog->PreLinkLocalLbl->isVisible());
  Boxes.clear();
  Dialog->Button2->click();
  EXPECT_EQ(Boxes, std::vector<std::string>{"Invalid IP address: "});
  Dialog->IPv6CmbBox->setEditText("12:3456");
  Dialog->Button2->click();
  // The info image asks for help on Ethernet logins.
  int help = 0;
  QObject::connect(Dialog->HelpBitBtn, &QPushButton::clicked, [&] { ++help; });
  EXPECT_EQ(Dialog->property("HelpKeyword").toString(), "Login");
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(3, 3), QPointF(3, 3), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QCoreApplication::sendEvent(Dialog->InfoImg, &release);
  EXPECT_EQ(help, 1);
  EXPECT_EQ(Dialog->property("HelpKeyword").toString(), "Login_over_Ethernet");
  Dialog->LinkLocalCheckBox->click();
  EXPECT_FALSE(Dialog->PreLinkLocalLbl->isVisible());
  Dialog->IPv6CmbBox->setEditText("fd00::7");
  Dialog->IPPortEdit->setText("20001");
  Dialog->OKBtn->click();
  ASSERT_TRUE(Accepted());
  EXPECT_EQ(Shell.Blinks, (std::vector<std::string>{"10.0.0.1", "fe80::21f:5aff:fe12:3456"}));
  EXPECT_EQ(WideToUtf8(Dialog->GetIPv6Address()), "fd00::7");
  EXPECT_EQ(Dialog->GetPortName(), "ETH_v6");
  EXPECT_EQ(Dialog->GetEthVersion(), 6);
  EXPECT_EQ(Dialog->GetUdpPort(), 20001);
  EXPECT_EQ(Shell.IPVersion, 6);

  // Scan closes the dialog and asks the shell to scan.
  Dialog->show();
  Dialog->ScanBtn->click();
  EXPECT_EQ(Shell.Scans, 1);
  EXPECT_EQ(Dialog->result(), QDialog::Rejected);
  EXPECT_EQ(Shell.State, TTestShell::Ready);  // Ethernet never held the shell
}

// The history holds the last seven distinct addresses, oldest first; a repeat stays put.
TEST_F(LoginDialogTest, IPv6History) {
  Shell.IPVersion = 6;
  NewDialog("[D /PortName 'ETH_v6' /IPv6History [D /IP1 'a::1' /IP2 'a::2' ] ]");
  Dialog->show();
  EXPECT_EQ(Dialog->IPv6CmbBox->currentText(), "a::2");  // the newest
  for (const char* address : {"b::1", "b::2", "b::3", "b::4", "b::5", "b::6"}) LeaveIPv6Field(address);
  const std::vector<std::string> seven{"a::2", "b::1", "b::2", "b::3", "b::4", "b::5", "b::6"};
  EXPECT_EQ(Items(Dialog->IPv6CmbBox), seven);
  LeaveIPv6Field("a::2");
  EXPECT_EQ(Items(Dialog->IPv6CmbBox), seven);
  EXPECT_EQ(Dialog->IPv6CmbBox->currentText(), "a::2");
  LeaveIPv6Field("");
  EXPECT_EQ(Items(Dialog->IPv6CmbBox), seven);
}

// The view settings' keys, each as the dialog reads it.
TEST_F(LoginDialogTest, LoginConfig) {
  Shell.IPVersion = 4;
  NewDialog("[D /PortName 'ETH_v6' /ShowObjectInspector 'true' /UserName 'guest' /DevMACID 5 /IPAddress 167772161 ]");
  Dialog->show();
  EXPECT_EQ(Dialog->GetInterfaceType(), ifEthernet);
  EXPECT_EQ(Dialog->GetPortName(), "ETH");  // the version comes from the shell
  EXPECT_FALSE(Dialog->GetShowObjInsp());
  EXPECT_EQ(WideToUtf8(Dialog->FUserName), "guest");
  EXPECT_EQ(Dialog->UserEdt->text(), "guest");
  EXPECT_EQ(Dialog->GetDeviceMACID(), 5);
  EXPECT_EQ(Dialog->GetIPAddress(), 0x0A000001u);
  EXPECT_FALSE(Dialog->CBDevMACID->isVisible());

  NewDialog("[D /ShowObjectInspector 'TRUE' /DevMACID 300 ]");
  EXPECT_TRUE(Dialog->GetShowObjInsp());
  EXPECT_EQ(Dialog->GetDeviceMACID(), 0);

  // Nothing chosen: serial.
  NewDialog();
  Dialog->show();
  EXPECT_EQ(Dialog->GetInterfaceType(), ifRS232);
  EXPECT_TRUE(Dialog->CbRSPort->isVisible());
  EXPECT_TRUE(Dialog->CmBoxBaudrate->isVisible());
  EXPECT_FALSE(Dialog->OfflineEdit->isVisible());
  EXPECT_FALSE(Dialog->IPAddrCap->isVisible());
  // The captions of the translation table.
  EXPECT_EQ(Dialog->InterfaceLbl->text(), "Interface:");
  EXPECT_EQ(Dialog->PWDLabel->text(), "Password:");
  EXPECT_EQ(Dialog->ShowObjInspChk->text(), "Show Object Inspector after Login");
}

TEST_F(LoginDialogTest, ProfilesMissingAKeyRaise) {
  Dialog = std::make_unique<TDeviceLoginDialog>(*Server, Shell);
  const struct {
    const char* login;
    const char* error;
  } cases[] = {
      {"[D /Profiles [D /P [D /Name 'VorlixOnline' /Caption 'C' /Select 'S' ] ] ]",
       "TSLDictionary error: no object named Commander"},
      {"[D /Other 1 ]", "TSLDictionary error: no object named Profiles"},
  };
  for (const auto& c : cases) {
    TRef<TSLObject> login(Sl(c.login));
    EXPECT_THROW_MSG(Dialog->Initialize(*CheckedCast<TSLDictionary>(login.get()), nullptr), c.error);
  }
}

// The serial ports that open at each showing are listed (and get a driver at the talk
// server); one that another program holds is not.
TEST_F(LoginDialogTest, SerialPortsThatOpenNow) {
  TPseudoTerminal free, held;
  ListPort(free.Path);
  ListPort(held.Path);
  TSerialPort other;
  ASSERT_EQ(other.Open(held.Path), 0);
  NewDialog();
  Dialog->show();
  const auto listed = [&](const std::string& Path) { return Dialog->CbRSPort->findText(QString::fromStdString(Path)) >= 0; };
  EXPECT_TRUE(listed(free.Path));
  EXPECT_FALSE(listed(held.Path));
  ASSERT_NE(dynamic_cast<TRsDriver*>(Server->GetPortDriver(free.Path)), nullptr);
  EXPECT_EQ(Server->GetPortDriver(held.Path), nullptr);

  // The remembered port, busy now, drops out; the first free one is chosen.
  Dialog->CbRSPort->setCurrentIndex(Dialog->CbRSPort->findText(QString::fromStdString(free.Path)));
  Dialog->hide();
  other.Close();
  ASSERT_EQ(other.Open(free.Path), 0);
  Dialog->show();
  EXPECT_FALSE(listed(free.Path));
  EXPECT_TRUE(listed(held.Path));
  EXPECT_EQ(Dialog->CbRSPort->currentIndex(), 0);
}

// The rates the drive offers, with the last rate, else 38400, else the first chosen; an
// error answer leaves the list empty and disabled.
TEST_F(LoginDialogTest, DriveRates) {
  const struct {
    const char* option;
    std::vector<std::string> rates;
    const char* chosen;
  } cases[] = {
      {"--baud-mask=0x0600", {"19200", "38400"}, "38400"},
      {"--baud-mask=0x0001", {"300"}, "300"},
      {"--baud-mask=0x1E80", {"9600", "19200", "38400", "57600", "115200"}, "57600"},
      {"--error-status=0x81", {}, ""},
  };
  Shell.Baudrate = 57600;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    drivesim::TDriveSim sim({"--pty", c.option});
    SerialDialog(sim.Ptys()[0]);
    Dialog->show();
    EXPECT_EQ(Shell.State, TTestShell::Hold);
    ASSERT_TRUE(RatesShown());
    EXPECT_EQ(Items(Dialog->CmBoxBaudrate), c.rates);
    EXPECT_EQ(Dialog->CmBoxBaudrate->currentText(), c.chosen);
    EXPECT_EQ(Dialog->CmBoxBaudrate->isEnabled(), !c.rates.empty());
    EXPECT_EQ(FramesIn(sim, "pty0"), std::vector<std::string>{"0F 00"});
    Shell.State = TTestShell::Ready;
  }
}

// A picked rate is sent to the drive, and its confirmation makes it pending; "Cancel"
// then leaves 38400 pending.
TEST_F(LoginDialogTest, PickedRateBecomesPendingAndCancelResetsIt) {
  drivesim::TDriveSim sim({"--pty", "--baud-mask=0x1E80"});
  SerialDialog(sim.Ptys()[0]);
  Dialog->show();
  ASSERT_TRUE(RatesShown());
  PickRate("57600");
  EXPECT_EQ(Shell.Baudrate, 57600u);
  ASSERT_TRUE(WaitUntil([] { return GlobalBaudrate == 57600; }));
  EXPECT_EQ(FramesIn(sim, "pty0"), (std::vector<std::string>{"0F 00", "0F 02 00 08"}));
  Dialog->Button1->click();
  EXPECT_EQ(Dialog->result(), QDialog::Rejected);
  EXPECT_EQ(GlobalBaudrate, 38400u);
}

// The choice that Initialize makes asks the drive nothing; later serial choices do, and
// Ethernet releases the shell's hold, whose release step closes the tool's port.
TEST_F(LoginDialogTest, InterfaceChoicesAndTheShellsHold) {
  drivesim::TDriveSim sim({"--pty", "--baud-mask=0x0600"});
  const std::string pty = sim.Ptys()[0];
  SerialDialog(pty);
  EXPECT_TRUE(Dialog->RS232Radio->isChecked());
  EXPECT_EQ(Dialog->StrangeCounter, 1);
  EXPECT_EQ(Shell.State, TTestShell::Ready);
  Dialog->ETHRadio->click();
  Dialog->RS232Radio->click();
  EXPECT_EQ(Dialog->StrangeCounter, 2);
  EXPECT_EQ(Shell.State, TTestShell::Hold);
  ASSERT_TRUE(RatesShown());
  EXPECT_EQ(FramesIn(sim, "pty0"), std::vector<std::string>{"0F 00"});
  EXPECT_NE(TSerialPort().Open(pty), 0);  // the tool holds it

  Dialog->ETHRadio->click();
  EXPECT_EQ(Shell.State, TTestShell::Release);
  Dialog->CloseCommDriver();
  EXPECT_EQ(Dialog->CmBoxBaudrate->count(), 0);
  EXPECT_EQ(TSerialPort().Open(pty), 0);
}

// Another port: the list waits for its answer (or 2000 ms) before it takes a choice again.
TEST_F(LoginDialogTest, PortChangeAsksTheNewPort) {
  drivesim::TDriveSim sim({"--pty", "--pty", "--baud-mask=0x0001"});
  TPseudoTerminal silent;
  ListPort(sim.Ptys()[1]);
  ListPort(silent.Path);
  SerialDialog(sim.Ptys()[0]);
  Dialog->show();
  ASSERT_TRUE(RatesShown());
  const auto choose = [&](const std::string& Path) {
    const int at = Dialog->CbRSPort->findText(QString::fromStdString(Path));
    ASSERT_GE(at, 0);
    Dialog->CbRSPort->setCurrentIndex(at);
    emit Dialog->CbRSPort->activated(at);
    EXPECT_FALSE(Dialog->CbRSPort->isEnabled());
    EXPECT_EQ(Dialog->CmBoxBaudrate->count(), 0);
  };
  choose(sim.Ptys()[1]);
  ASSERT_TRUE(WaitUntil([&] { return Dialog->CbRSPort->isEnabled(); }));
  EXPECT_EQ(Items(Dialog->CmBoxBaudrate), std::vector<std::string>{"300"});
  EXPECT_EQ(FramesIn(sim, "pty1"), std::vector<std::string>{"0F 00"});
  choose(silent.Path);
  EXPECT_EQ(silent.Read(5), BufToStr("A5 02 0F 0F 00"));
  ASSERT_TRUE(WaitUntil([&] { return Dialog->CbRSPort->isEnabled(); }));
  EXPECT_EQ(Dialog->CmBoxBaudrate->count(), 0);
  EXPECT_FALSE(Dialog->CmBoxBaudrate->isEnabled());
}

// The whole road: the dialog lists the drive's rates, 57600 is picked and pending, OK as
// SERVICE; the talk service built from the dialog's values opens the port once at 57600
// and logs in.
TEST_F(LoginDialogTest, LoginWithTheDialogsValues) {
  drivesim::TDriveSim sim({"--pty", "--baud-mask=0x1E80"});
  const std::string pty = sim.Ptys()[0];
  SerialDialog(pty);
  Dialog->show();
  ASSERT_TRUE(RatesShown());
  PickRate("57600");
  ASSERT_TRUE(WaitUntil([] { return GlobalBaudrate == 57600; }));
  Dialog->UserEdt->setText("Service");
  Dialog->PasswordEdt->setText("service");
  Dialog->OKBtn->click();
  ASSERT_TRUE(Accepted());
  EXPECT_EQ(GlobalBaudrate, 57600u);
  EXPECT_EQ(Dialog->GetInterfaceType(), ifRS232);
  EXPECT_EQ(Dialog->GetPortName(), pty);
  EXPECT_EQ(WideToUtf8(Dialog->FUserName), "Service");
  EXPECT_EQ(WideToUtf8(Dialog->FPassword), "service");

  TBasicTalkService* service = NewService({Dialog->GetPortName()}, Dialog->UserEdt->text().toUpper().toStdString(),
                                          WideToUtf8(Dialog->FPassword));
  StartUp(service, {dsStarting, dsStarted});
  const auto* port = dynamic_cast<TRsDriver*>(Server->GetPortDriver(pty));
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->BaudRate(), 57600u);
  EXPECT_EQ(GlobalBaudrate, 0u);
  EXPECT_EQ(FramesIn(sim, "pty0"),
            (std::vector<std::string>{"0F 00", "0F 02 00 08", "0F 02 00 08", "01", "30 48 1F 00 A2 20", "88 00 C5 0C"}));
}

}  // namespace
