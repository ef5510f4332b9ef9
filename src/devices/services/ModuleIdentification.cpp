// How the module service identifies a device's parameter trees: the names come from the
// drive's info nodes or from an offline configuration; each tree's description is
// searched on disk, exact hits are loaded at once, compatible ones after the user agreed
// in the tree dialog, and a missing one stops the device.
#include "comm/SharedLinkState.h"
#include "devices/Device.h"
#include "devices/DeviceManager.h"
#include "devices/LoginWindows.h"
#include "devices/services/ModuleService.h"
#include "devices/services/TreeFileSearch.h"
#include "runtime/ProgramFolders.h"
#include "runtime/Translations.h"
#include "sl/storage/StorageManager.h"
#include "sl/text/FileStreams.h"
#include "sl/values/Arrays.h"

namespace vt {

namespace {

std::string ProgramName() { return AnsiToUtf8(ProductInfos().Get("ProgramName")); }
std::string HomePage() { return AnsiToUtf8(CompanyInfos().Get("HomePage")); }

WideString FileNameOf(const WideString& Path) { return AnsiToWide(ExtractFileNamePart(WideToAnsi(Path), fnpName)); }

// The program folder and the per-user data folder (the program folder when none is used).
TTreeFileSearch NewSearch() { return TTreeFileSearch(WorkDir, AppDataDir.empty() ? WorkDir : AppDataDir); }

}  // namespace

// ---- Offline configurations ----

void TModuleService::IdentifyOffline() {
  FFileName = WideToAnsi(FOwner->GetStrVar(u"ConfigFile"));
  std::vector<WideString> trees;
  AnsiString release;
  bool known = true;
  const bool fromWizard = FFileName == "CREATEOFFLINE";
  if (fromWizard) {
    // The wizard names the trees' files with a leading "E".
    if (const TOfflineTreeChoice* wizard = OfflineTreeChoice()) {
      for (int i = 0; i < wizard->GetNumberOfIniFile(); ++i) {
        WideString name = AnsiToWide(wizard->GetNameAtIndex(i));
        if (!name.empty() && name[0] == u'E') name.erase(0, 1);
        trees.push_back(std::move(name));
      }
      release = wizard->FirmwareRelease();
    } else {
      known = false;
    }
  } else if (!ReadOfflineTrees(trees, release, known)) {
    return;
  }
  FModuleList.clear();
  FAvaiableModule.clear();
  for (WideString& name : trees) FModuleList.push_back(std::make_unique<TModuleItem>(std::move(name)));
  Identify(false, release, fromWizard, known);
}

bool TModuleService::ReadOfflineTrees(std::vector<WideString>& Trees, AnsiString& Release, bool& Known) {
  try {
    TRef<TSLStorageObject> file;
    TSLDictionary* config = FDataDict.get();
    if (FFileName != "DataDict") {
      file.Assign(TheStorageManager().GetObject(FFileName));
      config = CheckedCast<TSLDictionary>(file->GetData());
    }
    const auto* info = CheckedCast<TSLDictionary>(config->GetObjWithName(u"Info"));
    const std::int64_t version = info->GetIntWithName(u"Version");
    if (version != ConfigurationVersion) {
      ShowMessage(version > ConfigurationVersion
                      ? u"Unknown configuration format version! This configuration cannot be imported!"
                      : u"Old configuration format version! This configuration cannot be imported!");
      SetServiceStatus(dsError);
      return false;
    }
    if (info->NameExists(u"FirmwareRelease")) Release = WideToAnsi(info->GetStrWithName(u"FirmwareRelease"));
    const auto* list = As<TSLArray>(config->FindObject(u"Trees"));
    Known = list != nullptr;
    for (int i = 0; list && i < list->GetCount(); ++i)
      Trees.push_back(CheckedCast<TSLDictionary>(list->GetObjAtIndex(i))->GetStrWithName(u"TreeName"));
    return true;
  } catch (const std::exception& e) {
    ShowMessage(AnsiToWide(e.what()));
    SetServiceStatus(dsError);
    return false;
  }
}

// ---- Search and decision ----

void TModuleService::Identify(bool Online, const AnsiString& Release, bool FromWizard, bool TreesKnown) {
  TSearchOutcome found = SearchTreeFiles(Online);
  // A configuration without tree names counts as not found.
  if (!TreesKnown) found = {false, false};
  const std::string release = AnsiToUtf8(Release);
  if (found.AllExact) {
    AcceptTrees();
  } else if (found.AllFound) {
    TTreeDialogRequest request{Online ? GetInfoSysTextFmt(u"NotExactINIFile", {ProgramName(), release, HomePage()})
                                      : GetInfoSysTextFmt(u"NotExactINIFileOffline", {release, ProgramName()}),
                               true, u"No", TreeDetails(Online ? u"TreesOnController" : u"TreesInConfig")};
    if (ShowTreeDialog(request).Result == mrYes)
      AcceptTrees();
    else
      SetServiceStatus(dsError);
  } else {
    const std::string program =
        FromWizard ? ProgramName() + " " + AnsiToUtf8(ProductInfos().Get("ProgramVersionCaption")) : ProgramName();
    TTreeDialogRequest request{Online ? GetInfoSysTextFmt(u"UnknownFirmware", {program, release, HomePage()})
                                      : GetInfoSysTextFmt(u"UnknownFirmwareOffline", {release, program, HomePage()}),
                               false, u"OK", TreeDetails(Online ? u"TreesOnController" : u"TreesInConfig")};
    const TTreeDialogResult result = ShowTreeDialog(request);
    if (Online) AskForRelogin(result.NewOldReleasesFlag);
    SetServiceStatus(dsError);
  }
}

TModuleService::TSearchOutcome TModuleService::SearchTreeFiles(bool Online) {
  TSearchOutcome outcome;
  TTreeFileSearch search = NewSearch();
  for (const auto& module : FModuleList) {
    const TTreeFileHit hit = search.Search(module->Name());
    if (hit == thNone) {
      outcome.AllExact = outcome.AllFound = false;
      continue;
    }
    const WideString& file = search.IniFilesList().front();
    if (hit == thCompatible) outcome.AllExact = false;
    if (Online) {
      if (hit == thExact) {
        AddLoginInfoLine(u"in2 file found: " + module->Name() + u".IN2");
      } else {
        const WideString name = FileNameOf(file);
        AddLoginInfoLine(u"Compatible in2 file found: " + name.substr(0, name.rfind(u'.')) + u".IN2");
      }
    }
    FAvaiableModule.push_back(file);
  }
  return outcome;
}

void TModuleService::AcceptTrees() {
  if (LoadModuleData(false)) SetServiceStatus(dsStarted);
}

WideString TModuleService::TreeDetails(const char16_t* ListKeyword) const {
  WideString text = GetInfoSysTextFmt(ListKeyword, {}) + u"\r";
  for (const auto& module : FModuleList) text += u" " + module->Name() + u"\r";
  text += u"\r" + GetInfoSysTextFmt(u"AvailableTrees", {}) + u"\r";
  for (const WideString& file : FAvaiableModule) text += u" " + FileNameOf(file) + u"\r";
  return text + u"\r";
}

void TModuleService::AskForRelogin(bool NewOldReleases) const {
  TDeviceManager* manager = FOwner->Owner();
  manager->FReloginFlag = false;
  if (NewOldReleases &&
      MessageDlg(u"A new firmware was found, the login should be possible. Do you want to login again?",
                 mtConfirmation, MsgDlgButton(mbYes) | MsgDlgButton(mbNo)) == mrYes)
    manager->FReloginFlag = true;
}

}  // namespace vt
