// What the commander window decides without a window: the device selector's items and
// the tree path it selects, the close question, the enabling rules of its actions, the
// hints of the decimal-places buttons, the image sizes by scale and the option window's
// edit ranges. The window (forms/CommanderWindow.h) gathers the facts and applies these.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

#include "devices/DeviceTypes.h"
#include "platform/TextConversion.h"

namespace vt {

// The user levels of a device's permission.
inline constexpr std::int32_t LevelGuest = 1, LevelUser = 3, LevelService = 7, LevelDeveloper = 15;

// ---- Device selector ----

struct TSelectorDevice {
  AnsiString Caption;
  TDeviceType Type = dtUnknown;
  bool ControlPanelStarted = false;  // a "ControlPanelService" in state dsStarted
};

struct TSelectorItems {
  std::vector<AnsiString> Captions;
  // The view suffix of the last device listed: "\Control Panel", "\Parameters" or empty.
  AnsiString Suffix;
};

// Online and connection-lost devices with a suffix, offline ones without; others are not listed.
TSelectorItems SelectorItems(const std::vector<TSelectorDevice>& Devices);
// The item to select after a rebuild from OldCount to NewCount items: while the device
// manager's update is pending the last item when the count changed, else the old one
// when there was one, else the last; without a pending update the old index.
int SelectorIndex(bool UpdatePending, int OldIndex, int OldCount, int NewCount);
// "Project:\\" + the device + the rest of OldPath from the first "\" after the root, so the
// same service entry of the newly chosen device is shown.
AnsiString PathForDevice(const AnsiString& OldPath, const AnsiString& Device);
// The drop-down's width for the widest item text (pixels at the current scale), with room
// for the scroll bar from 9 items on.
int DropDownWidth(int WidestText, int Count, double Scale, double OriginalScale);

// ---- Closing ----

// Whether closing a commander must ask first: the last one while devices exist and the
// exit warning is 1.
bool NeedsCloseQuestion(int Commanders, int Devices, std::int32_t ExitWarning);

// ---- Actions ----

// The facts the actions' enabling follows, for the current device of a commander.
struct TCommanderState {
  bool DeviceSelected = false;  // the status client is connected
  bool Online = false;          // the status service reports online
  std::int32_t Level = 0;
  bool Reading = false;  // the parameter service reads the whole tree
  TDeviceType Type = dtUnknown;
  TDeviceState State = dstStopped;
  std::set<AnsiString> Services;  // names of the current device's services, upper-cased
  bool OnlineDeviceExists = false;
  bool Beautifulview = false;
  // The tree's selection.
  bool RootSelected = true;
  bool PreviousPath = false;
  bool HasChildren = false;
  bool Expanded = false;

  bool Has(const char* Service) const;
};

enum TActionRule : std::uint8_t {
  arAlways,
  arNever,
  arDeviceSelected,
  arSelectedOnline,
  arSelectedOnlineNotGuest,
  arSelectedOnlineNotReading,
  arLogout,        // selected, started, not reading
  arImport,        // selected, connection not lost, not reading
  arExport,        // selected, not reading
  arGoOffline,     // selected, online or connection lost, not reading
  arMotorWizard,   // selected, connection not lost, not GUEST, not reading
  arReadDrive,     // the same
  arDeveloperOnline,
  arOnlineDeviceExists,
  arParameterService,
  arParameterNotGuest,
  arParameterOrVariable,
  arServiceOrDeveloper,  // level SERVICE or DEVELOPER
  arDeveloper,
  arBeautifulview,
  arNotRoot,
  arPreviousPath,
  arHasChildren,
  arExpanded,
  // The show-service commands: selected and the named service present.
  arControlPanel,
  arParameters,
  arVariables,
  arOscilloscope,
  arMessages,
  arErrors,
  arCurves,
  arCommandTable,
  arSafety,
};

bool RuleHolds(TActionRule Rule, const TCommanderState& State);

class TDevice;
class TDeviceManager;
// The device's level, type, state, service names, online bit and read flag into State.
void AddDeviceFacts(const TDevice& Device, TCommanderState& State);
// Every parameter view of every device with a module service redraws its values (one
// update bracket of its provider with the data-changed flag set).
void RedrawValueViews(TDeviceManager& Manager);

// ---- Display ----

struct TZeroHints {
  AnsiString More, Less;
};
// "More Zeros"/"Less Zeros" hints: caption + " (" + the first Zeros + 3 (more) or Zeros + 1
// (less; 1 at one place or none) characters of ZerosHint + ")".
TZeroHints ZeroHints(const AnsiString& MoreCaption, const AnsiString& LessCaption, std::int32_t Zeros,
                     const AnsiString& ZerosHint);

struct TImageSizes {
  int List;     // tree, menus, pop-up menu, information list
  int ToolBar;
};
// By the scale factor (1.5 for 150 %); none above 500 %.
std::optional<TImageSizes> ImageSizesForScale(double Scale);
// The tree's item height for list images of that size.
int TreeItemHeight(int ListImageSize);
// The top panel's height: one tool-bar row.
int TopPanelHeight(double Scale);

// ---- Option window ----

// The edit's text on leaving it: a number clamped into [Low, High], or Current when the
// text is not a number.
AnsiString ClampedNumberText(const AnsiString& Text, std::int32_t Low, std::int32_t High, std::int32_t Current);

}  // namespace vt
