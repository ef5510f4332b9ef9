// The device login dialog; see DeviceLoginDialog.h.
#include "comm/forms/DeviceLoginDialog.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTimer>

#include <algorithm>

#include "comm/BaudRateTool.h"
#include "comm/CommLimits.h"
#include "comm/LoginShell.h"
#include "comm/SerialPortList.h"
#include "comm/SharedLinkState.h"
#include "comm/TalkServer.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/NumberText.h"
#include "platform/SerialPort.h"
#include "runtime/CommandLine.h"
#include "runtime/Conversions.h"
#include "runtime/MD5Digests.h"
#include "runtime/ProgramFolders.h"
#include "runtime/QtSchedulerBridge.h"
#include "runtime/SettingsTree.h"
#include "runtime/Translations.h"
#include "runtime/forms/Captions.h"
#include "sl/values/Collections.h"
#include "sl/values/Dictionary.h"
#include "ui/ScaleResult.h"
#include "ui/forms/IpAddressEdit.h"
#include "ui/forms/ToggleSwitch.h"

namespace vt {

namespace {

// Positions and sizes at a scale of 1: the left margin, the rows from the top, the
// dialog's client size, the IPv4 edit's least width, the IPv6 field's width and least
// left, the default-port box's width and the port edit's left.
constexpr int Margin = 9;
constexpr int InterfaceLblTop = 8;
constexpr int InterfaceGroupTop = 26;
constexpr int InterfaceGroupHeight = 46;
constexpr int PortRowTop = 84;
constexpr int UserRowTop = 150;
constexpr int PasswordRowTop = 180;
constexpr int InspectorRowTop = 212;
constexpr int MacIdRowTop = 243;
constexpr int BaudRowTop = 275;
constexpr int UdpPortRowTop = 297;
constexpr int ButtonRowTop = 326;
constexpr int ClientWidth = 371;
constexpr int ClientHeight = 356;  // the original's 386 px less its caption bar and borders
constexpr int IP4EditWidth = 118;
constexpr int IPv6FieldLeft = 68;
constexpr int IPv6FieldWidth = 283;
constexpr int PrefixGap = 2;
constexpr int DefPortChkBoxWidth = 200;
constexpr int IPPortEditLeft = 43;
constexpr int CaptionGap = 8;
constexpr int InfoPnlSize = 22;
constexpr int ButtonWidth = 80;
constexpr int ButtonGap = 6;

constexpr int MacIdCount = 256;
constexpr int IPv6HistorySize = 7;
const QColor GreyLabel(128, 128, 128);

const char16_t* const ConfigFileFilter = u"Configuration file (*.vxc2)|*.vxc2";

// The serial port can be opened now, so no program holds it.
bool PortIsFree(const AnsiString& Name) {
  TSerialPort port;
  return port.Open(Name) == 0;
}

void SetLabelColor(QLabel* Label, const QColor& Color) {
  QPalette palette = Label->palette();
  palette.setColor(QPalette::WindowText, Color);
  Label->setPalette(palette);
}

// The keyword's text followed by ":"; the caption stays without a text for the keyword.
void SetFieldCaption(QLabel* Label, std::u16string_view KeyWord) {
  const WideString text = GetInfoSysText(KeyWord);
  if (!text.empty()) Label->setText(ToQString(text + u":"));
}

void SetVisible(std::initializer_list<QWidget*> Widgets, bool Visible) {
  for (QWidget* w : Widgets) w->setVisible(Visible);
}

}  // namespace

TDeviceLoginDialog::TDeviceLoginDialog(TTalkServer& Server, TLoginShell& Shell, QWidget* Parent)
    : QDialog(Parent),
      FServer(Server),
      FShell(Shell),
      FBaudTool(std::make_unique<TBaudRateTool>(Shell, [this](const auto& Rates) { ShowRates(Rates); })) {
  setObjectName("DeviceLoginDialog");
  setWindowTitle("Login");
  setProperty("HelpKeyword", QStringLiteral("Login"));
  FScale = GetMonitorScalingPercentage(this) / 100.0;
  CreateControls();
  PlaceControls();
  ConnectControls();
}

TDeviceLoginDialog::~TDeviceLoginDialog() = default;

int TDeviceLoginDialog::Px(int Pixels) const { return ScaleUp(Pixels, FScale); }

// ---- Creation ----

namespace {

template <class T, class... A>
T* Make(QWidget* Parent, const char* Name, A&&... Args) {
  T* w = new T(std::forward<A>(Args)..., Parent);
  w->setObjectName(Name);
  return w;
}

}  // namespace

void TDeviceLoginDialog::CreateControls() {
  InterfaceLbl = Make<QLabel>(this, "InterfaceLbl", "Interface Type:");
  InterfaceGroup = Make<QGroupBox>(this, "InterfaceGroup");
  RS232Radio = Make<QRadioButton>(InterfaceGroup, "RS232Radio", "RS232");
  ETHRadio = Make<QRadioButton>(InterfaceGroup, "ETHRadio", "ETHERNET");
  OfflineRadio = Make<QRadioButton>(InterfaceGroup, "OfflineRadio", "OFFLINE");

  RSPortLabel = Make<QLabel>(this, "RSPortLabel", "Port:");
  CbRSPort = Make<QComboBox>(this, "CbRSPort");
  BaudrateLbl = Make<QLabel>(this, "BaudrateLbl", "Baudrate:");
  CmBoxBaudrate = Make<QComboBox>(this, "CmBoxBaudrate");
  DevMACIDLabel = Make<QLabel>(this, "DevMACIDLabel", "Device MAC-ID:");
  CBDevMACID = Make<QComboBox>(this, "CBDevMACID");

  IPAddrCap = Make<QLabel>(this, "IPAddrCap", "IP Address:");
  IP4Edit = Make<TIP4Edit>(this, "IP4Edit");
  IPv4Lbl = Make<QLabel>(this, "IPv4Lbl", "IPv4");
  EthVersionSwitch = Make<TToggleSwitch>(this, "EthVersionSwitch");
  IPv6Lbl = Make<QLabel>(this, "IPv6Lbl", "IPv6");
  PreLinkLocalLbl = Make<QLabel>(this, "PreLinkLocalLbl", ToQString(LinkLocalPrefix));
  IPv6CmbBox = Make<QComboBox>(this, "IPv6CmbBox");
  IPv6CmbBox->setEditable(true);
  IPv6CmbBox->setInsertPolicy(QComboBox::NoInsert);  // the history is kept on leaving the field
  LinkLocalCheckBox = Make<QCheckBox>(this, "LinkLocalCheckBox", "use Link Local");
  LinkLocalCheckBox->setChecked(true);
  InfoPnl = Make<QFrame>(this, "InfoPnl");
  InfoPnl->setToolTip("Click here for more information");
  InfoPnl->setCursor(Qt::PointingHandCursor);
  InfoImg = Make<QLabel>(InfoPnl, "InfoImg");
  InfoImg->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(Px(InfoPnlSize) - 4));
  DefPortChkBox = Make<QCheckBox>(this, "DefPortChkBox", "Default Port Settings");
  IPPortLbl = Make<QLabel>(this, "IPPortLbl", "Port:");
  IPPortEdit = Make<QLineEdit>(this, "IPPortEdit", "20000");

  OfflineLabel = Make<QLabel>(this, "OfflineLabel", "File Name:");
  OfflineEdit = Make<QLineEdit>(this, "OfflineEdit");
  OfflineBtn = Make<QPushButton>(this, "OfflineBtn", "Browse...");

  Label1 = Make<QLabel>(this, "Label1", "Login ID:");
  UserEdt = Make<QLineEdit>(this, "UserEdt", "USER");
  PWDLabel = Make<QLabel>(this, "PWDLabel", "Password:");
  PasswordEdt = Make<QLineEdit>(this, "PasswordEdt");
  PasswordEdt->setStyleSheet("lineedit-password-character: 42");  // '*'
  ShowObjInspChk = Make<QCheckBox>(this, "ShowObjInspChk", "Show Object Inspector");

  Scanning = Make<QAction>(this, "Scanning", "Scan");
  Blink = Make<QAction>(this, "Blink", "Blink");
  OKBtn = Make<QPushButton>(this, "OKBtn", "OK");
  OKBtn->setDefault(true);
  ScanBtn = Make<QPushButton>(this, "ScanBtn", Scanning->text());
  Button2 = Make<QPushButton>(this, "Button2", Blink->text());
  Button1 = Make<QPushButton>(this, "Button1", "Cancel");
  HelpBitBtn = Make<QPushButton>(this, "HelpBitBtn", "Help");
  BtnGetBaudrate = Make<QPushButton>(this, "BtnGetBaudrate", "Get Baudrate");
  BtnSetBaudrate = Make<QPushButton>(this, "BtnSetBaudrate", "Set Baudrate");
  SetVisible({DevMACIDLabel, CBDevMACID, HelpBitBtn, BtnGetBaudrate, BtnSetBaudrate}, false);
  RSPortTimer = Make<QTimer>(this, "RSPortTimer");
  RSPortTimer->setInterval(BaudToolPortTimer);
}

int TDeviceLoginDialog::FieldLeft() const {
  int widest = 0;
  for (const QLabel* label : {RSPortLabel, BaudrateLbl, DevMACIDLabel, IPAddrCap, OfflineLabel, Label1,
                              PWDLabel})
    widest = std::max(widest, label->sizeHint().width());
  return std::max(Px(IPv6FieldLeft), Px(Margin) + widest + Px(CaptionGap));
}

void TDeviceLoginDialog::PlaceControls() {
  const int left = Px(Margin);
  const int field = FieldLeft();
  const int right = Px(ClientWidth) - left;
  const auto row = [&](QLabel* Caption, QWidget* Field, int Top, int FieldRight) {
    const int height = Field->sizeHint().height();
    Caption->setGeometry(left, Px(Top), field - left, height);
    Field->setGeometry(field, Px(Top), FieldRight - field, height);
  };
  InterfaceLbl->setGeometry(left, Px(InterfaceLblTop), right - left, InterfaceLbl->sizeHint().height());
  InterfaceGroup->setGeometry(left, Px(InterfaceGroupTop), right - left, Px(InterfaceGroupHeight));
  const int third = (right - left) / 3;
  for (int i = 0; QRadioButton* radio : {RS232Radio, ETHRadio, OfflineRadio}) {
    const QSize hint = radio->sizeHint();
    radio->setGeometry(Px(Margin) + i++ * third, (Px(InterfaceGroupHeight) - hint.height()) / 2, hint.width(),
                       hint.height());
  }

  row(RSPortLabel, CbRSPort, PortRowTop, right);
  const int browse = OfflineBtn->sizeHint().width();
  row(OfflineLabel, OfflineEdit, PortRowTop, right - browse - Px(ButtonGap));
  OfflineBtn->setGeometry(right - browse, Px(PortRowTop), browse, OfflineEdit->height());

  // The IP version switch between its captions, the link-local box, the info image.
  const int switchHeight = EthVersionSwitch->sizeHint().height();
  int x = field;
  for (QWidget* w : std::initializer_list<QWidget*>{IPv4Lbl, EthVersionSwitch, IPv6Lbl}) {
    w->setGeometry(x, Px(PortRowTop), w->sizeHint().width(), switchHeight);
    x += w->width() + Px(ButtonGap);
  }
  LinkLocalCheckBox->setGeometry(x + Px(ButtonGap), Px(PortRowTop), LinkLocalCheckBox->sizeHint().width(),
                                 switchHeight);
  InfoPnl->setGeometry(right - Px(InfoPnlSize), Px(PortRowTop), Px(InfoPnlSize), Px(InfoPnlSize));
  InfoImg->setGeometry(0, 0, Px(InfoPnlSize), Px(InfoPnlSize));

  row(Label1, UserEdt, UserRowTop, right);
  row(PWDLabel, PasswordEdt, PasswordRowTop, right);
  // The address row lies one row above the login ID's.
  const int addressTop = 2 * UserEdt->y() - PasswordEdt->y() + Px(3);
  const int ip4Height = IP4Edit->sizeHint().height();
  IPAddrCap->setGeometry(left, addressTop, field - left, ip4Height);
  IP4Edit->setGeometry(UserEdt->x(), addressTop, std::max(Px(IP4EditWidth), IP4Edit->sizeHint().width()), ip4Height);
  const int ipv6Height = IPv6CmbBox->sizeHint().height();
  PreLinkLocalLbl->setGeometry(field, addressTop, PreLinkLocalLbl->sizeHint().width(), ipv6Height);
  IPv6CmbBox->setGeometry(field, addressTop, std::min(Px(IPv6FieldWidth), right - field), ipv6Height);

  ShowObjInspChk->setGeometry(left, Px(InspectorRowTop), right - left, ShowObjInspChk->sizeHint().height());
  row(DevMACIDLabel, CBDevMACID, MacIdRowTop, right);
  row(BaudrateLbl, CmBoxBaudrate, BaudRowTop, right);
  DefPortChkBox->setGeometry(left, Px(BaudRowTop), Px(DefPortChkBoxWidth), DefPortChkBox->sizeHint().height());
  const int portHeight = IPPortEdit->sizeHint().height();
  IPPortLbl->setGeometry(left, Px(UdpPortRowTop), Px(IPPortEditLeft) - left, portHeight);
  IPPortEdit->setGeometry(Px(IPPortEditLeft), Px(UdpPortRowTop), field + Px(IP4EditWidth) - Px(IPPortEditLeft),
                          portHeight);

  // The buttons at the bottom right, OK first.
  x = right;
  for (QPushButton* b : {Button1, Button2, ScanBtn, OKBtn}) {
    const int width = std::max(Px(ButtonWidth), b->sizeHint().width());
    x -= width;
    b->setGeometry(x, Px(ButtonRowTop), width, b->sizeHint().height());
    x -= Px(ButtonGap);
  }
  setFixedSize(Px(ClientWidth), Px(ClientHeight));
}

void TDeviceLoginDialog::ConnectControls() {
  for (QRadioButton* radio : {RS232Radio, ETHRadio, OfflineRadio})
    connect(radio, &QRadioButton::toggled, this, [this](bool Checked) {
      if (Checked) InterfaceRadioClick();
    });
  connect(EthVersionSwitch, &TToggleSwitch::toggled, this, [this] { UpdateVisibility(); });
  connect(LinkLocalCheckBox, &QCheckBox::toggled, this, [this] { UpdateVisibility(); });
  connect(DefPortChkBox, &QCheckBox::toggled, this, [this] { UpdateVisibility(); });
  // Only the user's choices: refilling the lists changes nothing at the drive.
  connect(CbRSPort, &QComboBox::activated, this, [this] { CbRSPortChange(); });
  connect(CmBoxBaudrate, &QComboBox::activated, this, [this] { CmBoxBaudrateChange(); });
  connect(BtnGetBaudrate, &QPushButton::clicked, this, [this] { GetBaudrate(); });
  connect(BtnSetBaudrate, &QPushButton::clicked, this, [this] { CmBoxBaudrateChange(); });
  connect(RSPortTimer, &QTimer::timeout, this, [this] { RSPortTimerTimer(); });
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
  connect(ScanBtn, &QPushButton::clicked, Scanning, &QAction::trigger);
  connect(Scanning, &QAction::triggered, this, [this] { ScanningExecute(); });
  connect(Button2, &QPushButton::clicked, Blink, &QAction::trigger);
  connect(Blink, &QAction::triggered, this, [this] { BlinkExecute(); });
  connect(Blink, &QAction::enabledChanged, Button2, &QPushButton::setEnabled);
  connect(Scanning, &QAction::enabledChanged, ScanBtn, &QPushButton::setEnabled);
  connect(Button1, &QPushButton::clicked, this, [this] { CancelClick(); });
  connect(OfflineBtn, &QPushButton::clicked, this, [this] { OfflineBtnClick(); });
  IPv6CmbBox->lineEdit()->installEventFilter(this);
  // A click on the image reaches the panel too.
  InfoPnl->installEventFilter(this);
}

bool TDeviceLoginDialog::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == IPv6CmbBox->lineEdit() && Event->type() == QEvent::FocusOut &&
      static_cast<QFocusEvent*>(Event)->reason() != Qt::PopupFocusReason)
    AddIPv6History(IPv6CmbBox->currentText());
  if (Watched == InfoPnl && Event->type() == QEvent::MouseButtonRelease) InfoImgClick();
  return QDialog::eventFilter(Watched, Event);
}

// ---- Settings ----

void TDeviceLoginDialog::Initialize(const TSLNamedCollection& Login, const TSLNamedCollection* LoginConfig) {
  const auto* profiles = dynamic_cast<const TSLNamedCollection*>(Login.GetObjWithName(u"Profiles"));
  if (!profiles) throw Exception("Invalid class typecast");
  FProfiles.clear();
  for (int i = 0; i < profiles->GetCount(); ++i) {
    const auto* profile = dynamic_cast<const TSLNamedCollection*>(profiles->GetObjAtIndex(i));
    if (!profile) throw Exception("Invalid class typecast");
    FProfiles.push_back(std::make_unique<TLoginProfile>(*profile));
  }
  ListSerialPorts(false);
  CBDevMACID->clear();
  for (int i = 0; i < MacIdCount; ++i) CBDevMACID->addItem(QString::number(i));
  CBDevMACID->setCurrentIndex(0);
  if (LoginConfig) ApplyLoginConfig(*LoginConfig);
  DefPortChkBox->setChecked(FShell.EthDefaultPort() != 0);
  IPPortEdit->setText(QString::number(FShell.EthPort()));
}

void TDeviceLoginDialog::ApplyLoginConfig(const TSLNamedCollection& Config) {
  if (Config.NameExists(u"DevMACID")) {
    const std::int64_t id = Config.GetIntWithName(u"DevMACID");
    if (id >= 0 && id < MacIdCount) CBDevMACID->setCurrentIndex(static_cast<int>(id));
  }
  if (Config.NameExists(u"IPAddress")) IP4Edit->SetIPValue(static_cast<std::uint32_t>(Config.GetIntWithName(u"IPAddress")));
  if (Config.NameExists(u"IPv6History")) {
    const auto* history = dynamic_cast<const TSLNamedCollection*>(Config.GetObjWithName(u"IPv6History"));
    if (!history) throw Exception("Invalid class typecast");
    IPv6CmbBox->clear();
    for (int i = 0; i < history->GetCount(); ++i)
      IPv6CmbBox->addItem(ToQString(history->GetStrWithName(history->NameAtIndex(i))));
    IPv6CmbBox->setEditText({});
  }
  if (Config.NameExists(u"PortName")) {
    const AnsiString port = WideToAnsi(Config.GetStrWithName(u"PortName"));
    if (port == "ETH" || port == "ETH_v6") {
      ETHRadio->setChecked(true);
    } else {
      RS232Radio->setChecked(true);
      SelectPort(port);
      if (CbRSPort->currentText() == ToQString(AnsiToWide(port))) FSelectedRSPort = port;
    }
  }
  if (Config.NameExists(u"UserName")) {
    FUserName = Config.GetStrWithName(u"UserName");
    UserEdt->setText(ToQString(FUserName));
  }
  if (Config.NameExists(u"ShowObjectInspector"))
    ShowObjInspChk->setChecked(Config.GetStrWithName(u"ShowObjectInspector") == u"TRUE");
}

void TDeviceLoginDialog::SelectPort(const AnsiString& Name) {
  const int at = CbRSPort->findText(ToQString(AnsiToWide(Name)), Qt::MatchExactly);
  CbRSPort->setCurrentIndex(at >= 0 ? at : (CbRSPort->count() > 0 ? 0 : -1));
}

void TDeviceLoginDialog::AddPort(std::unique_ptr<TLoginDevicePort> APort) {
  if (APort->FPortType != u"RS") return;
  CbRSPort->addItem(ToQString(APort->FCaption));
  FPorts.push_back(std::move(APort));
}

// ---- Showing ----

void TDeviceLoginDialog::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  if (!Event->spontaneous()) FormShow();
}

void TDeviceLoginDialog::FormShow() {
  PasswordEdt->clear();
  ProbeSerialPorts();
  FillSerialPortList();
  EthVersionSwitch->SetState(FShell.LastIPVersion() == 6 ? tssOn : tssOff);
  if (IPv6CmbBox->currentText().isEmpty() && IPv6CmbBox->count() > 0)
    IPv6CmbBox->setEditText(IPv6CmbBox->itemText(IPv6CmbBox->count() - 1));
  TranslateCaptions();
  UpdateVisibility();
  PasswordEdt->setEchoMode(QLineEdit::Password);
  if (RS232Radio->isChecked()) GetBaudrate();
}

void TDeviceLoginDialog::ProbeSerialPorts() {
  std::uint32_t baud = DriveDefaultBaud;
  if (const TSLDictionary* options = ProgParamDict(); options && options->NameExists(u"ZI2BAUD"))
    if (const auto rate = TryStrToInt64(WideToAnsi(options->GetStrWithName(u"ZI2BAUD"))); rate && *rate > 0)
      baud = static_cast<std::uint32_t>(*rate);
  for (const AnsiString& name : ListSerialPortNames(ProgramRegistry.get()))
    if (!FServer.GetPortDriver(name)) FServer.AddSerialPortDriver(name, baud);
}

void TDeviceLoginDialog::FillSerialPortList() {
  const AnsiString remembered = WideToAnsi(FromQString(CbRSPort->currentText()));
  ListSerialPorts(true);
  SelectPort(remembered);
}

void TDeviceLoginDialog::ListSerialPorts(bool FreeOnly) {
  CbRSPort->clear();
  for (int i = 0; i < FServer.GetPortCount(); ++i) {
    const AnsiString name = FServer.GetPortName(i);
    if (FServer.GetPortType(name) == "RS" && (!FreeOnly || PortIsFree(name)))
      CbRSPort->addItem(ToQString(AnsiToWide(name)));
  }
}

void TDeviceLoginDialog::TranslateCaptions() {
  SetFieldCaption(InterfaceLbl, u"Login_Interface");
  SetFieldCaption(DevMACIDLabel, u"Login_Device_MACID");
  SetFieldCaption(OfflineLabel, u"Login_File_Name");
  SetFieldCaption(PWDLabel, u"Login_Password");
  if (const WideString text = GetInfoSysText(u"ShowObjectInspector"); !text.empty())
    ShowObjInspChk->setText(ToQString(text));
  // Longer captions move the fields.
  PlaceControls();
}

// ---- Visibility ----

void TDeviceLoginDialog::InterfaceRadioClick() {
  // The first choice after creation is the one the settings make: it asks the drive nothing.
  const bool query = FInterfaceChosen && RS232Radio->isChecked();
  FInterfaceChosen = true;
  UpdateVisibility();
  if (query)
    GetBaudrate();
  else
    ++StrangeCounter;
}

void TDeviceLoginDialog::UpdateVisibility() {
  const TInterfaceType type = GetInterfaceType();
  const bool serial = type == ifRS232;
  const bool ethernet = type == ifEthernet;
  if (ethernet) FShell.ResetSendBaudrate();
  SetVisible({CbRSPort, RSPortLabel, CmBoxBaudrate, BaudrateLbl}, serial);
  if (serial) CbRSPort->setEnabled(true);
  SetVisible({OfflineLabel, OfflineEdit, OfflineBtn}, type == ifOffline);
  ShowEthernetControls(ethernet);
  Scanning->setEnabled(ethernet);
  Blink->setEnabled(ethernet);
}

void TDeviceLoginDialog::ShowEthernetControls(bool Shown) {
  SetVisible({IPv4Lbl, IPv6Lbl, IPAddrCap, EthVersionSwitch, DefPortChkBox}, Shown);
  SetVisible({IPPortEdit, IPPortLbl}, Shown && !DefPortChkBox->isChecked());
  const bool v6 = EthVersionSwitch->IsOn();
  IP4Edit->SetVisibility(Shown && !v6);
  SetVisible({IPv6CmbBox, LinkLocalCheckBox, InfoPnl}, Shown && v6);
  PreLinkLocalLbl->setVisible(Shown && v6 && LinkLocalCheckBox->isChecked());
  SetLabelColor(IPv4Lbl, v6 ? GreyLabel : QColor(Qt::black));
  SetLabelColor(IPv6Lbl, v6 ? QColor(Qt::black) : GreyLabel);
  PlaceIPv6Field();
}

void TDeviceLoginDialog::PlaceIPv6Field() {
  const int left = PreLinkLocalLbl->x();
  const int width = std::min(Px(IPv6FieldWidth), Px(ClientWidth) - Px(Margin) - left);
  if (LinkLocalCheckBox->isChecked()) {
    const int shift = PreLinkLocalLbl->width() + Px(PrefixGap);
    IPv6CmbBox->setGeometry(left + shift, IPv6CmbBox->y(), width - shift, IPv6CmbBox->height());
  } else {
    IPv6CmbBox->setGeometry(left, IPv6CmbBox->y(), width, IPv6CmbBox->height());
  }
}

void TDeviceLoginDialog::AddIPv6History(const QString& Text) {
  if (Text.isEmpty()) return;
  if (IPv6CmbBox->findText(Text, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) IPv6CmbBox->addItem(Text);
  while (IPv6CmbBox->count() > IPv6HistorySize) IPv6CmbBox->removeItem(0);
  IPv6CmbBox->setEditText(Text);
}

// ---- Getters ----

TInterfaceType TDeviceLoginDialog::GetInterfaceType() const {
  if (ETHRadio->isChecked()) return ifEthernet;
  if (OfflineRadio->isChecked()) return ifOffline;
  return ifRS232;
}

AnsiString TDeviceLoginDialog::GetPortName() const {
  switch (GetInterfaceType()) {
    case ifEthernet:
      return EthVersionSwitch->IsOn() ? "ETH_v6" : "ETH";
    case ifOffline:
      return {};
    default:
      return FSelectedRSPort;
  }
}

int TDeviceLoginDialog::GetDeviceMACID() const { return std::max(0, CBDevMACID->currentIndex()); }

std::uint32_t TDeviceLoginDialog::GetIPAddress() const { return IP4Edit->GetIPValue(); }

WideString TDeviceLoginDialog::GetIPv6Address() const {
  const WideString text = FromQString(IPv6CmbBox->currentText());
  return LinkLocalCheckBox->isChecked() ? FromQString(PreLinkLocalLbl->text()) + text : text;
}

int TDeviceLoginDialog::GetEthVersion() const { return EthVersionSwitch->IsOn() && ETHRadio->isChecked() ? 6 : 4; }

bool TDeviceLoginDialog::GetShowObjInsp() const { return ShowObjInspChk->isChecked(); }

int TDeviceLoginDialog::GetUdpPort() const {
  return DefPortChkBox->isChecked() ? DriveDefaultUdpPort : PortEditValue();
}

int TDeviceLoginDialog::PortEditValue() const {
  // A text that is no UDP port number counts as none.
  const auto port = TryStrToInt64(WideToAnsi(FromQString(IPPortEdit->text())));
  return port && *port > 0 && *port <= 0xFFFF ? static_cast<int>(*port) : DriveDefaultUdpPort;
}

// ---- The baud-rate tool ----

void TDeviceLoginDialog::GetBaudrate() {
  FBaudTool->GetBaudrate(WideToAnsi(FromQString(CbRSPort->currentText())));
  CmBoxBaudrate->setEnabled(false);
}

void TDeviceLoginDialog::CloseCommDriver() {
  FBaudTool->CloseCommDriver();
  CmBoxBaudrate->clear();
}

void TDeviceLoginDialog::CbRSPortChange() {
  CmBoxBaudrate->clear();
  if (FBaudTool->IsOpen()) CloseCommDriver();
  GetBaudrate();
  CbRSPort->setEnabled(false);
  RSPortTimer->start();
}

void TDeviceLoginDialog::CmBoxBaudrateChange() {
  if (CmBoxBaudrate->currentIndex() >= 0) FBaudTool->SetBaudrate(WideToAnsi(FromQString(CmBoxBaudrate->currentText())));
}

void TDeviceLoginDialog::ShowRates(const std::vector<AnsiString>& Rates) {
  CmBoxBaudrate->clear();
  for (const AnsiString& rate : Rates) CmBoxBaudrate->addItem(ToQString(AnsiToWide(rate)));
  if (!Rates.empty()) {
    int at = CmBoxBaudrate->findText(QString::number(FShell.LastBaudrate()));
    if (at < 0) at = CmBoxBaudrate->findText(QString::number(DriveDefaultBaud));
    CmBoxBaudrate->setCurrentIndex(std::max(at, 0));
  }
  CmBoxBaudrate->setEnabled(!Rates.empty());
  CbRSPort->setEnabled(true);
}

void TDeviceLoginDialog::RSPortTimerTimer() {
  RSPortTimer->stop();
  if (RS232Radio->isChecked()) CbRSPort->setEnabled(true);
}

// ---- Buttons ----

void TDeviceLoginDialog::OKBtnClick() {
  const TInterfaceType type = GetInterfaceType();
  if (type == ifRS232) {
    if (CmBoxBaudrate->currentIndex() >= 0 && FBaudTool->IsOpen()) CmBoxBaudrateChange();
    // The drive answers and switches meanwhile; its answer makes the rate pending. Events
    // are served, so OK must not be clicked into itself.
    OKBtn->setEnabled(false);
    Delay(BaudToolSetPause);
    OKBtn->setEnabled(true);
  }
  CloseCommDriver();
  if (type == ifRS232) FSelectedRSPort = WideToAnsi(FromQString(CbRSPort->currentText()));
  if (type == ifEthernet) {
    FShell.SetEthDefaultPort(DefPortChkBox->isChecked() ? 1 : 0);
    const int port = PortEditValue();
    IPPortEdit->setText(QString::number(port));
    FShell.SetEthPort(port);
    FShell.SetLastIPVersion(EthVersionSwitch->IsOn() ? 6 : 4);
  }
  if (CloseCheck()) accept();
}

bool TDeviceLoginDialog::CloseCheck() {
  bool ok = true;
  const WideString id = FromQString(UserEdt->text());
  const WideString level = FromQString(UserEdt->text().toUpper());
  if (level == u"DEVELOPER") {
    FUserName = id;
    if (!CompareMD5(MD5Value(WideToAnsi(FromQString(PasswordEdt->text()))), pswDeveloper)) {
      ShowMessage(u"Wrong password!");
      PasswordEdt->setFocus();
      PasswordEdt->selectAll();
      ok = false;
    }
  } else if (level == u"GUEST" || level == u"USER" || level == u"SERVICE") {
    FUserName = id;
  } else {
    MessageDlg(u"Unknown login ID!", mtError, MsgDlgButton(mbOK));
    UserEdt->setFocus();
    UserEdt->selectAll();
    ok = false;
  }
  if (GetInterfaceType() == ifEthernet && !CheckAddress()) ok = false;
  if (ok) FPassword = FromQString(PasswordEdt->text());
  return ok;
}

bool TDeviceLoginDialog::CheckAddress() {
  if (EthVersionSwitch->IsOn()) {
    if (!IPv6CmbBox->currentText().isEmpty()) return true;
    MessageDlg(u"Invalid IP address: ", mtError, MsgDlgButton(mbOK));
    return false;
  }
  try {
    const std::uint32_t address = GetIPAddress();
    if (address != 0) return true;
    MessageDlg(u"Invalid IP address: " + AnsiToWide(IntToIPStr(address)), mtError, MsgDlgButton(mbOK));
  } catch (const Exception& E) {
    // A field left empty.
    MessageDlg(AnsiToWide(E.Message()), mtError, MsgDlgButton(mbOK));
  }
  return false;
}

void TDeviceLoginDialog::BlinkExecute() {
  if (!CheckAddress()) return;
  if (EthVersionSwitch->IsOn())
    FShell.BlinkETHv6(GetIPv6Address());
  else
    FShell.BlinkETH(GetIPAddress());
}

void TDeviceLoginDialog::ScanningExecute() {
  FShell.StartETHScanning();
  reject();
}

void TDeviceLoginDialog::OfflineBtnClick() {
  const WideString file = FShell.ExecuteOpenDialog(OpenSaveConfigDir, ConfigFileFilter, u"vxc2");
  if (file.empty()) return;
  OfflineEdit->setText(ToQString(file));
  OpenSaveConfigDir = file.substr(0, file.rfind(u'/') + 1);
}

void TDeviceLoginDialog::InfoImgClick() {
  setProperty("HelpKeyword", QStringLiteral("Login_over_Ethernet"));
  HelpBitBtn->click();
}

void TDeviceLoginDialog::CancelClick() {
  GlobalBaudrate = DriveDefaultBaud;
  reject();
}

}  // namespace vt
