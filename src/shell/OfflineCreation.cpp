// The identification parameters of a configuration created offline; see OfflineCreation.h.
#include "shell/OfflineCreation.h"

#include <string>
#include <utility>

#include "config/ReleaseCatalogue.h"
#include "devices/Device.h"
#include "devices/services/ModuleService.h"
#include "parameters/ParameterService.h"
#include "parameters/StringParameters.h"

namespace vt {

namespace {

// The UPIDs of one module's identification.
struct TModuleUPIDs {
  std::int32_t FileName, BaseName, SubName, BetaInfo, TreeID, MainVersion, SubVersion;
};

constexpr TModuleUPIDs OSUPIDs{1300, 1320, 1325, 1332, 1337, 1330, 1331};
constexpr TModuleUPIDs MCUPIDs{1340, 1360, 1365, 1372, 1377, 1370, 1371};
constexpr TModuleUPIDs IntfUPIDs{1380, 1400, 1405, 1412, 1417, 1410, 1411};
constexpr TModuleUPIDs ApplUPIDs{1420, 1440, 1445, 1452, 1457, 1450, 1451};
constexpr TModuleUPIDs SafetyUPIDs{1458, 1482, 1487, 1494, 1499, 1492, 1493};

constexpr std::int32_t ReleaseTextUPID = 1060;
constexpr std::int32_t ReleaseVersionUPID = 52;
constexpr std::int32_t ReleaseSubVersionUPID = 53;
constexpr std::int32_t DeviceTypeUPID = 1020;

class TWriter {
 public:
  explicit TWriter(TParameterService& Service) : FService(Service) {}

  // Texts as a user enters them, numbers as integer values; each marked right away.
  void Text(std::int32_t UPID, const AnsiString& Value) {
    if (TParameter* node = FService.FindParameter(UPID)) {
      node->SetScaledValue(Value, usSI, "");
      node->Modify(nullptr);
    }
  }
  void Number(std::int32_t UPID, std::int64_t Value) {
    if (TParameter* node = FService.FindParameter(UPID)) {
      node->SetIntValue(usSI, Value);
      node->Modify(nullptr);
    }
  }
  // The module's names and tree ID; InnerVersions, when given, go between the sub and
  // beta names.
  void Module(const TSLDictionary* Info, const TModuleUPIDs& UPIDs,
              const std::pair<std::int32_t, std::int32_t>* InnerVersions = nullptr) {
    if (!Info) return;
    Text(UPIDs.FileName, WideToAnsi(Info->GetStrWithName(u"FileName")));
    Text(UPIDs.BaseName, WideToAnsi(Info->GetStrWithName(u"BaseName")));
    Text(UPIDs.SubName, WideToAnsi(Info->GetStrWithName(u"SubName")));
    if (InnerVersions) Versions(UPIDs, InnerVersions->first, InnerVersions->second);
    Text(UPIDs.BetaInfo, WideToAnsi(Info->GetStrWithName(u"BetaInfo")));
    Number(UPIDs.TreeID, Info->GetIntWithName(u"TreeID"));
  }
  void Versions(const TModuleUPIDs& UPIDs, std::int32_t Main, std::int32_t Sub) {
    Number(UPIDs.MainVersion, Main);
    Number(UPIDs.SubVersion, Sub);
  }

 private:
  TParameterService& FService;
};

}  // namespace

void SetParameterForCreateOffline(TDevice& Device, const TReleaseCatalogue& Choice) {
  auto* parameters = Device.Sibling<TParameterService>("ParameterService");
  auto* modules = Device.Sibling<TModuleService>("ModuleService");
  if (!parameters || !modules) return;
  parameters->PrepareModify(nullptr);
  TWriter write(*parameters);
  write.Module(modules->OSModuleInfo(), OSUPIDs);
  write.Module(modules->MCModuleInfo(), MCUPIDs);
  write.Module(modules->IntfModuleInfo(), IntfUPIDs);
  write.Module(modules->ApplModuleInfo(), ApplUPIDs);
  // The choice offers no safety versions: the safety module takes the application's.
  const std::pair<std::int32_t, std::int32_t> safety{Choice.ApplMainVersion(), Choice.ApplSubVersion()};
  write.Module(modules->TwoSModuleInfo(), SafetyUPIDs, &safety);
  write.Versions(OSUPIDs, Choice.OSMainVersion(), Choice.OSSubVersion());
  if (modules->MCModuleInfo()) write.Versions(MCUPIDs, Choice.MCMainVersion(), Choice.MCSubVersion());
  write.Versions(IntfUPIDs, Choice.IntfMainVersion(), Choice.IntfSubVersion());
  write.Versions(ApplUPIDs, Choice.ApplMainVersion(), Choice.ApplSubVersion());
  write.Text(ReleaseTextUPID, std::to_string(Choice.ReleaseVersion()) + "." +
                                  std::to_string(Choice.ReleaseSubVersion()) + " " + Choice.ReleaseBuildInfo());
  write.Number(ReleaseVersionUPID, Choice.ReleaseVersion());
  write.Number(ReleaseSubVersionUPID, Choice.ReleaseSubVersion());
  write.Text(DeviceTypeUPID, Choice.DeviceType());
  write.Text(DriveNameUPID, Choice.DeviceType());
  parameters->ExecuteModify(nullptr);
}

}  // namespace vt
