// The device login dialog ("Login"): how one drive is reached (serial port, Ethernet over
// IPv4 or IPv6, or offline from a configuration file) and as whom (login ID, password).
// It opens nothing itself: the shell shows it, and after OK creates the device from its
// getters. It also starts the Ethernet scan, makes a drive blink, and on a serial port
// offers the drive's baud rates through the baud-rate tool. One instance lives as long as
// the program; its choices carry over from one login to the next. GUI thread only.
#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>
#include <vector>

#include "comm/LoginObjects.h"
#include "platform/TextConversion.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace vt {

class TBaudRateTool;
class TIP4Edit;
class TLoginShell;
class TSLNamedCollection;
class TTalkServer;
class TToggleSwitch;

class TDeviceLoginDialog : public QDialog {
 public:
  // Lists and adds serial port drivers at Server; reaches the shell through Shell.
  TDeviceLoginDialog(TTalkServer& Server, TLoginShell& Shell, QWidget* Parent = nullptr);
  ~TDeviceLoginDialog() override;

  // Once, with the program settings' "Login" dictionary and the view settings'
  // "LoginConfig" (none: the controls keep their state). A missing "Profiles", or a
  // profile without "Name", "Caption", "Select" or "Commander", raises the dictionary's error.
  void Initialize(const TSLNamedCollection& Login, const TSLNamedCollection* LoginConfig);

  // What the shell reads after OK.
  TInterfaceType GetInterfaceType() const;
  // The chosen serial port, "ETH" or "ETH_v6", empty for offline.
  AnsiString GetPortName() const;
  int GetDeviceMACID() const;
  // The first dotted number in the most significant byte.
  std::uint32_t GetIPAddress() const;
  // With "use Link Local", the link-local prefix followed by the typed text.
  WideString GetIPv6Address() const;
  int GetEthVersion() const;
  bool GetShowObjInsp() const;
  // The UDP port: 20000 with "Default Port Settings", else the port edit's number.
  int GetUdpPort() const;

  void SetUserNameFromScan(const WideString& AUserName) { FUserName = AUserName; }
  // Lets the baud-rate tool's port go and empties the baud-rate list; the shell calls it
  // when it leaves the hold of the main state machine.
  void CloseCommDriver();
  // A port of type "RS" joins the serial port list under its caption.
  void AddPort(std::unique_ptr<TLoginDevicePort> APort);
  void UpdateVisibility();

  // The link-local prefix: fe80:: and the interface identifier that every drive's
  // network vendor prefix gives, up to the last three bytes of the drive's MAC address.
  static constexpr const char16_t* LinkLocalPrefix = u"fe80::21f:5aff:fe";

  WideString FUserName;  // the login ID as typed at the last OK
  WideString FPassword;
  AnsiString FSelectedRSPort;
  WideString FDeviceCaption;  // the shell's name for the device it is about to create
  WideString FDeviceType;
  WideString FCommander;
  int StrangeCounter = 0;  // interface choices that started no baud-rate query

  // The controls the shell and the tests reach, named as their objects.
  QGroupBox* InterfaceGroup;
  QRadioButton* RS232Radio;
  QRadioButton* ETHRadio;
  QRadioButton* OfflineRadio;
  QLabel* InterfaceLbl;
  QComboBox* CbRSPort;
  QLabel* RSPortLabel;
  QComboBox* CmBoxBaudrate;
  QLabel* BaudrateLbl;
  QComboBox* CBDevMACID;
  QLabel* DevMACIDLabel;
  TIP4Edit* IP4Edit;
  QLabel* IPAddrCap;
  TToggleSwitch* EthVersionSwitch;
  QLabel* IPv4Lbl;
  QLabel* IPv6Lbl;
  QComboBox* IPv6CmbBox;
  QCheckBox* LinkLocalCheckBox;
  QLabel* PreLinkLocalLbl;
  QFrame* InfoPnl;
  QLabel* InfoImg;
  QCheckBox* DefPortChkBox;
  QLineEdit* IPPortEdit;
  QLabel* IPPortLbl;
  QLineEdit* OfflineEdit;
  QLabel* OfflineLabel;
  QPushButton* OfflineBtn;
  QLineEdit* UserEdt;
  QLabel* Label1;
  QLineEdit* PasswordEdt;
  QLabel* PWDLabel;
  QCheckBox* ShowObjInspChk;
  QPushButton* OKBtn;
  QPushButton* ScanBtn;
  QPushButton* Button2;
  QPushButton* Button1;
  QPushButton* HelpBitBtn;
  QPushButton* BtnGetBaudrate;
  QPushButton* BtnSetBaudrate;
  QTimer* RSPortTimer;
  QAction* Scanning;
  QAction* Blink;

 protected:
  void showEvent(QShowEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  void CreateControls();
  void PlaceControls();
  void ConnectControls();
  // The pixel size at the form's scale, rounded up.
  int Px(int Pixels) const;
  // Where the fields of the rows begin: after the widest caption.
  int FieldLeft() const;

  // Each showing.
  void FormShow();
  void ProbeSerialPorts();
  void FillSerialPortList();
  // The talk server's serial ports into the port list; with FreeOnly those that open now.
  void ListSerialPorts(bool FreeOnly);
  void TranslateCaptions();
  void ApplyLoginConfig(const TSLNamedCollection& Config);
  void SelectPort(const AnsiString& Name);

  void InterfaceRadioClick();
  void ShowEthernetControls(bool Shown);
  void PlaceIPv6Field();
  void AddIPv6History(const QString& Text);

  // The baud-rate tool's side of the dialog.
  void GetBaudrate();
  void CbRSPortChange();
  void CmBoxBaudrateChange();
  void ShowRates(const std::vector<AnsiString>& Rates);
  void RSPortTimerTimer();

  // The port edit's number, 20000 when it holds none.
  int PortEditValue() const;

  void OKBtnClick();
  bool CloseCheck();
  // True when the address is one to send to; else the error box.
  bool CheckAddress();
  void BlinkExecute();
  void ScanningExecute();
  void OfflineBtnClick();
  void InfoImgClick();
  void CancelClick();

  TTalkServer& FServer;
  TLoginShell& FShell;
  const std::unique_ptr<TBaudRateTool> FBaudTool;
  std::vector<std::unique_ptr<TLoginProfile>> FProfiles;
  std::vector<std::unique_ptr<TLoginDevicePort>> FPorts;
  double FScale = 1.0;
  bool FInterfaceChosen = false;  // an interface radio was checked since creation
};

}  // namespace vt
