// The commander window's decisions; see CommanderRules.h.
#include "shell/CommanderRules.h"

#include <algorithm>
#include <cmath>

#include "devices/Device.h"
#include "devices/DeviceManager.h"
#include "devices/services/StatusService.h"
#include "parameters/ParameterService.h"
#include "platform/NumberText.h"
#include "shell/ShellLimits.h"

namespace vt {

namespace {

constexpr char TreeRoot[] = "Project:\\\\";

// Image sizes by the first bound (per cent) not exceeded.
struct TImageRow {
  int UpToPercent;
  TImageSizes Sizes;
};
constexpr TImageRow ImageRows[] = {
    {100, {16, 28}}, {125, {20, 32}}, {150, {24, 36}}, {175, {28, 40}}, {200, {32, 48}}, {225, {36, 56}},
    {250, {40, 64}}, {300, {48, 72}}, {350, {56, 80}}, {400, {64, 80}}, {450, {72, 80}}, {500, {80, 80}},
};

}  // namespace

TSelectorItems SelectorItems(const std::vector<TSelectorDevice>& Devices) {
  TSelectorItems items;
  for (const TSelectorDevice& device : Devices) {
    if (device.Type == dtOnline || device.Type == dtConnectionLost) {
      items.Captions.push_back(device.Caption);
      items.Suffix = device.ControlPanelStarted ? "\\Control Panel" : "\\Parameters";
    } else if (device.Type == dtOffline) {
      items.Captions.push_back(device.Caption);
      items.Suffix.clear();
    }
  }
  return items;
}

int SelectorIndex(bool UpdatePending, int OldIndex, int OldCount, int NewCount) {
  if (!UpdatePending) return OldIndex < NewCount ? OldIndex : -1;
  if (NewCount != OldCount || OldIndex < 0) return NewCount - 1;
  return OldIndex;
}

AnsiString PathForDevice(const AnsiString& OldPath, const AnsiString& Device) {
  AnsiString rest;
  const std::size_t root = OldPath.find(TreeRoot);
  if (root != AnsiString::npos) {
    const std::size_t slash = OldPath.find('\\', root + std::size(TreeRoot) - 1);
    if (slash != AnsiString::npos) rest = OldPath.substr(slash);
  }
  return TreeRoot + Device + rest;
}

int DropDownWidth(int WidestText, int Count, double Scale, double OriginalScale) {
  const int text = static_cast<int>(std::lround(WidestText * Scale / OriginalScale));
  return text + static_cast<int>(std::lround(Scale * (Count < 9 ? 4 : 22)));
}

bool NeedsCloseQuestion(int Commanders, int Devices, std::int32_t ExitWarning) {
  return Commanders <= 1 && Devices > 0 && ExitWarning == 1;
}

bool TCommanderState::Has(const char* Service) const { return Services.count(UpperCaseAnsi(Service)) != 0; }

bool RuleHolds(TActionRule Rule, const TCommanderState& S) {
  const bool selected = S.DeviceSelected;
  const bool notGuest = S.Level != LevelGuest;
  const bool notLost = S.Type != dtConnectionLost;
  const auto service = [&](const char* Name) { return selected && S.Has(Name); };
  switch (Rule) {
    case arAlways: return true;
    case arNever: return false;
    case arDeviceSelected: return selected;
    case arSelectedOnline: return selected && S.Online;
    case arSelectedOnlineNotGuest: return selected && S.Online && notGuest;
    case arSelectedOnlineNotReading: return selected && S.Online && !S.Reading;
    case arLogout: return selected && S.State == dstStarted && !S.Reading;
    case arImport: return selected && notLost && !S.Reading;
    case arExport: return selected && !S.Reading;
    case arGoOffline: return selected && (S.Type == dtOnline || S.Type == dtConnectionLost) && !S.Reading;
    case arMotorWizard:
    case arReadDrive: return selected && notLost && notGuest && !S.Reading;
    case arDeveloperOnline: return S.Level == LevelDeveloper && S.Online;
    case arOnlineDeviceExists: return S.OnlineDeviceExists;
    case arParameterService: return S.Has("ParameterService");
    case arParameterNotGuest: return S.Has("ParameterService") && notGuest;
    case arParameterOrVariable: return S.Has("ParameterService") || S.Has("VariableService");
    case arServiceOrDeveloper: return S.Level == LevelService || S.Level == LevelDeveloper;
    case arDeveloper: return S.Level == LevelDeveloper;
    case arBeautifulview: return S.Beautifulview;
    case arNotRoot: return !S.RootSelected;
    case arPreviousPath: return S.PreviousPath;
    case arHasChildren: return S.HasChildren;
    case arExpanded: return S.Expanded;
    case arControlPanel: return service("ControlPanelService");
    case arParameters: return service("ParameterService");
    case arVariables: return service("VariableService");
    case arOscilloscope: return service("OsciService");
    case arMessages: return service("MessagesService");
    case arErrors: return service("ErrorsService");
    case arCurves: return service("CurveService");
    case arCommandTable: return service("CommandTableService");
    case arSafety: return service("SafetyService");
  }
  return false;
}

void AddDeviceFacts(const TDevice& Device, TCommanderState& State) {
  State.Level = Device.GetUserPermission();
  State.Type = Device.DeviceType();
  State.State = Device.State();
  for (int i = 0; i < Device.GetServiceCount(); ++i)
    State.Services.insert(UpperCaseAnsi(Device.GetServiceWithIndex(i)->ServiceName()));
  if (auto* status = Device.Sibling<TStatusService>("StatusService")) State.Online = status->GetOnline();
  if (auto* parameters = Device.Sibling<TParameterService>("ParameterService")) State.Reading = parameters->ReadFlag;
}

void RedrawValueViews(TDeviceManager& Manager) {
  // The other services' views join here as those services come.
  for (int i = 0; i < Manager.GetDeviceCount(); ++i) {
    TDevice* device = Manager.GetDeviceAtIndex(i);
    if (!device->ServiceExists("ModuleService")) continue;
    if (auto* parameters = device->Sibling<TParameterService>("ParameterService")) {
      const TUpdateBracket<TServiceProvider> bracket(&parameters->Provider());
      parameters->SetChangeFlags();
    }
  }
}

TZeroHints ZeroHints(const AnsiString& MoreCaption, const AnsiString& LessCaption, std::int32_t Zeros,
                     const AnsiString& ZerosHint) {
  const auto head = [&](std::int32_t Count) { return ZerosHint.substr(0, static_cast<std::size_t>(std::max(Count, 0))); };
  return {MoreCaption + " (" + head(Zeros + 3) + ")", LessCaption + " (" + head(Zeros > 1 ? Zeros + 1 : 1) + ")"};
}

std::optional<TImageSizes> ImageSizesForScale(double Scale) {
  const double percent = Scale * 100;
  for (const TImageRow& row : ImageRows)
    if (percent <= row.UpToPercent + 1e-9) return row.Sizes;
  return std::nullopt;
}

int TreeItemHeight(int ListImageSize) { return static_cast<int>(ListImageSize * 1.17); }

int TopPanelHeight(double Scale) {
  return static_cast<int>(std::ceil(Scale * CommanderToolBarHeight - 1e-9));
}

AnsiString ClampedNumberText(const AnsiString& Text, std::int32_t Low, std::int32_t High, std::int32_t Current) {
  const std::optional<std::int64_t> value = TryStrToInt64(Text);
  if (!value) return std::to_string(Current);
  if (*value > High) return std::to_string(High);
  if (*value < Low) return std::to_string(Low);
  return Text;
}

}  // namespace vt
