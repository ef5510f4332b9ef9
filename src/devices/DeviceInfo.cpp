// What views show of a device beside its services: the caption of its tree node, its
// info list of short notices, and its help documents; see Device.h.
#include <algorithm>
#include <array>

#include "devices/Device.h"
#include "devices/DeviceLimits.h"
#include "devices/HelpFiles.h"
#include "devices/SiblingServices.h"
#include "runtime/ApplicationState.h"
#include "runtime/Conversions.h"
#include "sl/text/FileStreams.h"

namespace vt {

namespace {

// The last two groups of an IPv6 address with the colon between them; the whole text
// with exactly one colon, empty without any.
AnsiString ShortIPv6(const AnsiString& Address) {
  const auto last = Address.rfind(':');
  if (last == AnsiString::npos) return {};
  if (last == 0) return Address;
  const auto secondLast = Address.rfind(':', last - 1);
  return secondLast == AnsiString::npos ? Address : Address.substr(secondLast + 1);
}

}  // namespace

// ---- Captions ----

AnsiString TDevice::GetModelCaption() const {
  const AnsiString user = " (" + WideToAnsi(GetStrVar(u"UserName")) + ")";
  switch (FDeviceType) {
    case dtOnline:
    case dtConnectionLost:
      if (InterfaceType == ifRS232)
        return FCaption + ", ID " + std::to_string(DeviceMACID) + " on " + WideToAnsi(GetStrVar(u"PortName")) + user;
      if (InterfaceType == ifEthernet && EthVersion == 6)
        return FCaption + ", IPv6:" + ShortIPv6(WideToAnsi(DeviceIPv6)) + user;
      if (InterfaceType == ifEthernet)
        return FCaption + ", IP: " + IPAddrToString(static_cast<std::uint32_t>(DeviceIP)) + user;
      return {};
    case dtOffline: {
      const auto* module = Sibling<TTestFileSource>("ModuleService");
      const AnsiString file = module ? ExtractFileNamePart(module->TestFileName(), fnpName) : AnsiString();
      return FCaption + " offline" + user + (file.empty() ? "" : " " + file);
    }
    default:
      return {};
  }
}

AnsiString TDevice::GetPortText() const {
  const AnsiString port = WideToAnsi(GetStrVar(u"PortName"));
  if (port == "ETH") return port + " " + IntToIPStr(static_cast<std::uint32_t>(DeviceIP));
  if (port == "ETH_v6") return port + " " + WideToAnsi(DeviceIPv6);
  return port;
}

AnsiString TDevice::GetDeviceLabel() const {
  AnsiString number = "1";
  if (const auto x = FName.find('X'); x != AnsiString::npos) {
    std::size_t end = x + 1;
    while (end < FName.size() && FName[end] >= '0' && FName[end] <= '9') ++end;
    if (end > x + 1) number = std::to_string(std::stoll(FName.substr(x + 1, std::min<std::size_t>(end - x - 1, 18))));
  }
  if (number.size() < 3) number.insert(0, 3 - number.size(), '0');
  AnsiString port = "offline";
  if (FDeviceType == dtOnline || FDeviceType == dtConnectionLost) {
    port = GetPortText();
    if (port.starts_with("ETH")) port.erase(port.find(' '), 1);
  }
  return number + FCaption + " " + port;
}

AnsiString TDevice::GetDevicePath() const {
  if (!ModuleFlag) return GetModelCaption();
  if (ServiceExists("ParameterService")) return FModulItem->Caption() + "\\" + GetModelCaption();
  return {};
}

// ---- Info list ----

void TDevice::AddtoInfoList(const TInfoObject& Info) {
  const auto same = [&](const TInfoObject& o) { return SameTextAnsi(o.InfoText, Info.InfoText); };
  if (std::none_of(FInfoList.begin(), FInfoList.end(), same)) FInfoList.push_back(Info);
}

void TDevice::DelfromInfoList(const AnsiString& InfoText) {
  const auto it = std::find_if(FInfoList.begin(), FInfoList.end(),
                               [&](const TInfoObject& o) { return SameTextAnsi(o.InfoText, InfoText); });
  if (it != FInfoList.end()) FInfoList.erase(it);
}

void TDevice::ShowNotice(const AnsiString& Text, const AnsiString& Source) { AddtoInfoList({Text, Source, "Info"}); }

void TDevice::UpdateInfoListWindow() {
  FInfWinVisible = !FInfoList.empty();
  if (FUpdateWizardInfoFlag) {
    if (FInfoWindowCounter <= MotorWizardCheckDelay) {
      ++FInfoWindowCounter;
    } else {
      FInfoWindowCounter = 0;
      FUpdateWizardInfoFlag = false;
      CheckMotorWizard();
    }
  }
  static const AnsiString newData = "An Oscilloscope has new data.";
  if (OsciDataFlag)
    ShowNotice(newData, "Oscilloscope");
  else
    DelfromInfoList(newData);
  if (ApplicationState().OnUpdateInfoWindows) ApplicationState().OnUpdateInfoWindows();
}

// Whether the motor was defined by the motor wizard, by plug and play or not at all.
void TDevice::CheckMotorWizard() {
  const auto* parameters = Sibling<TParameterValues>("ParameterService");
  if (!parameters) return;
  static const AnsiString pnpOnly = "The MotorWizard was not used, the Motor is only defined by PnP.";
  static const AnsiString noMotor = "No motor is defined, use the MotorWizard to define a motor, or connect a PnP motor.";
  constexpr std::uint16_t wizardUsed = 6253, motorName = 6220;
  if (!parameters->ParameterExists(wizardUsed) || parameters->GetIntValue(wizardUsed) == 1) {
    DelfromInfoList(pnpOnly);
    DelfromInfoList(noMotor);
  } else if (parameters->ParameterExists(motorName) && parameters->GetTextValue(motorName).empty()) {
    DelfromInfoList(pnpOnly);
    ShowNotice(noMotor, "Motor Wizard");
  } else {
    DelfromInfoList(noMotor);
    ShowNotice(pnpOnly, "Motor Wizard");
  }
}

// ---- Help documents ----

void TDevice::SetHTMLHelp(const AnsiString& HelpFile) {
  const THelpArea* area = FindHelpArea(HelpFile);
  if (!area) return;
  std::vector<AnsiString>& list = area->Instance == 0 ? FHTMLHelpMC : area->Instance == 1 ? FHTMLHelpIntf : FHTMLHelpAppl;
  const AnsiString number = HelpArticleNumber(HelpFile, *area);
  for (const auto& folders : area->Folders) list.push_back(FindHelpFile(number, folders));
}

AnsiString TDevice::GetHTMLHelp(std::int32_t Instance, const AnsiString& Language) const {
  const std::array<const std::vector<AnsiString>*, 3> lists = {&FHTMLHelpMC, &FHTMLHelpIntf, &FHTMLHelpAppl};
  if (Instance < 0 || Instance > 2) return {};
  const std::vector<AnsiString>& list = *lists[Instance];
  if (list.empty() || list[0].empty()) return {};
  const int language = Language == "Deutsch" ? 1 : Language == "French" ? 2 : Language == "Italiano" ? 3 : 0;
  if (language != 0 && language < static_cast<int>(list.size()) && !list[language].empty()) return list[language];
  return list[0];
}

}  // namespace vt
