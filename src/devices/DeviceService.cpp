// The device service base; see DeviceService.h.
#include "devices/DeviceService.h"

#include "devices/Device.h"

namespace vt {

TDeviceService::TDeviceService(TDevice* AOwner, TSLDictionary* AProfDict) : FOwner(AOwner), FProfDict(AProfDict) {
  if (AProfDict && AProfDict->NameExists(u"Caption")) FCaption = WideToAnsi(AProfDict->GetStrWithName(u"Caption"));
  SetServiceStatus(dsStopped);
}

TDeviceService::~TDeviceService() = default;

AnsiString TDeviceService::GetStrVar(const AnsiString& VarName) {
  AnsiString value;
  bool found = false;
  DoGetStrVar(VarName, value, found);
  if (found) return value;
  if (VarName == "ServiceStatus") {
    static const char* const names[] = {"Stopped", "Starting", "Started", "Stopping", "Error"};
    return FServiceStatus <= dsError ? names[FServiceStatus] : "Unknown";
  }
  if (VarName == "ServiceName") return FName;
  if (VarName == "DeviceName") return FOwner ? FOwner->Name() : AnsiString();
  return {};
}

void TDeviceService::SetServiceStatus(TDeviceServiceStatus NewStatus) {
  FServiceStatus = NewStatus;
  if (FOnServiceStatusChange) FOnServiceStatusChange(this, NewStatus);
}

}  // namespace vt
