// Storage IDs; see StorageManager.h.
#include "sl/storage/StorageManager.h"

#include "platform/Format.h"
#include "platform/PathResolver.h"
#include "sl/builtins/SystemDictionary.h"
#include "sl/interpreter/ClassBridge.h"
#include "sl/interpreter/Interpreter.h"
#include "sl/interpreter/ScriptTask.h"
#include "sl/storage/StorageNames.h"
#include "sl/text/Decoder.h"
#include "sl/text/Encoder.h"
#include "sl/text/StringStream.h"

namespace vt {

TStorageManager* StorageManager = nullptr;

TStorageManager& TheStorageManager() {
  if (!StorageManager) throw Exception("no storage manager");
  return *StorageManager;
}

// TStoragePluginInterface

TSLStorageObject* TStoragePluginInterface::GetObject(const AnsiString& Name) {
  return GetObject(Name, saRead, StorageManager && StorageManager->Debug());
}

TSLStorageObject* TStoragePluginInterface::GetObject(const AnsiString& Name, TStreamAccess Access) {
  return GetObject(Name, Access, StorageManager && StorageManager->Debug());
}

std::uint16_t TStorageIDManager::CreateStorageID(const AnsiString& Name, TSLObject* Data) {
  std::uint16_t id = 0;
  if (NameExist(Name, id)) return id;
  for (std::size_t i = 0; i < IDList.size(); ++i) {
    if (!IDList[i]) {
      IDList[i] = TStorageIDInfo{Name, Data};
      return static_cast<std::uint16_t>(i + 1);
    }
  }
  if (IDList.size() >= 65534) throw Exception("TStorageIDManager.CreateStorageID: no storage ID left");
  IDList.emplace_back(TStorageIDInfo{Name, Data});
  return static_cast<std::uint16_t>(IDList.size());
}

void TStorageIDManager::DestroyStorageID(std::uint16_t ID) {
  if (ID == 0) throw Exception(Format("%s.DestroyStorageID: StorageID %d is not a valid ID", "TStorageIDManager", ID));
  if (ID > IDList.size())
    throw Exception(Format("%s.DestroyStorageID: StorageID %d does not exist", "TStorageIDManager", ID));
  if (!IDList[ID - 1])
    throw Exception(Format("%s.DestroyStorageID: StorageID %d was already deleted", "TStorageIDManager", ID));
  IDList[ID - 1].reset();
}

TStorageIDInfo& TStorageIDManager::GetIDInfo(std::uint16_t ID) {
  if (ID == 0 || ID > IDList.size()) throw Exception(Format("%s.GetIDInfo: ID %d does not exist", "TStorageIDManager", ID));
  if (!IDList[ID - 1]) throw Exception(Format("%s.GetIDInfo: ID %d was deleted", "TStorageIDManager", ID));
  return *IDList[ID - 1];
}

bool TStorageIDManager::NameExist(const AnsiString& Name, std::uint16_t& ID) const {
  for (std::size_t i = 0; i < IDList.size(); ++i) {
    if (IDList[i] && IDList[i]->Name == Name) {
      ID = static_cast<std::uint16_t>(i + 1);
      return true;
    }
  }
  ID = 65535;
  return false;
}

TStorageIDManager& StorageIDManager() {
  static TStorageIDManager manager;
  return manager;
}

}  // namespace vt

namespace vt {

namespace {

AnsiString WithSeparator(AnsiString Folder) {
  if (!Folder.empty() && !IsPathSeparator(Folder.back())) Folder += '\\';
  return Folder;
}

}  // namespace

TStorageManager::TStorageManager(const AnsiString& ProgramFolder)
    : Encoder(MakeRef<TSLStreamEncoder>()),
      Decoder(MakeRef<TSLStreamDecoder>()),
      FInterpreter(MakeRef<TSLInterpreter>()),
      FSystemDict(MakeRef<TSLDictionary>()),
      FDictionaries(MakeRef<TSLDictionary>()),
      FClasspathArray(MakeRef<TSLArray>()),
      FScriptClassDict(MakeRef<TSLDictionary>()),
      FStringStream(MakeRef<TSLStringStream>()),
      FProgramFolder(WithSeparator(ProgramFolder)) {
  AddStandardScanners(*Decoder);
  RegisterStandardComposites(*Decoder);
  Decoder->OnGetScriptDictionary = [this] { return ScriptDictionary(); };
  CreateSystemProcedures(FSystemDict.get());
  CreateSystemValues(FSystemDict.get());
  FLookaheadStream = MakeRef<TSLLookaheadStream>(FStringStream.get());
  FClasspathArray->SetStrAtIndex(0, FProgramFolder);
}

TStorageManager::~TStorageManager() {
  // Contexts and instances may still refer to the classes; they go last.
  FScriptClassDict.reset();
  FStoragePluginList.clear();
}

TSLDictionary* TStorageManager::ScriptDictionary() const {
  if (!FActualScriptTask) return nullptr;
  auto* context = dynamic_cast<TSLContextImplementation*>(FActualScriptTask->GetContext());
  if (!context || context->DictStackObj()->GetCount() == 0) return nullptr;
  return dynamic_cast<TSLDictionary*>(context->DictStackObj()->GetObjAtIndex(0));
}

TStoragePluginInterface* TStorageManager::PluginForScheme(const AnsiString& Name, AnsiString& Rest) const {
  for (const auto& plugin : FStoragePluginList) {
    const AnsiString scheme = plugin->GetScheme();
    if (Name.compare(0, scheme.size(), scheme) == 0) {
      Rest = Name.substr(scheme.size());
      return plugin.get();
    }
  }
  return nullptr;
}

TSLStorageObject* TStorageManager::GetObject(const AnsiString& Name) { return GetObject(Name, saRead, FDebug); }
TSLStorageObject* TStorageManager::GetObject(const AnsiString& Name, TStreamAccess Access) {
  return GetObject(Name, Access, FDebug);
}

TSLStorageObject* TStorageManager::GetObject(const AnsiString& Name, TStreamAccess Access, bool Debug) {
  AnsiString rest;
  if (TStoragePluginInterface* plugin = PluginForScheme(Name, rest)) return plugin->GetObject(rest, Access, Debug);
  for (TStoragePluginInterface* plugin : FDefaultStoragePluginList)
    if (plugin->ObjectExists(Name)) return plugin->GetObject(Name, Access, Debug);
  throw Exception(Format("%s.GetObject: object with name '%s' not found", ClassName(), AnsiToUtf8(Name)));
}

TSLStorageObject* TStorageManager::CreateObject(const AnsiString& Name) {
  AnsiString rest;
  if (TStoragePluginInterface* plugin = PluginForScheme(Name, rest)) return plugin->CreateObject(rest);
  for (TStoragePluginInterface* plugin : FDefaultStoragePluginList)
    if (plugin->CanCreate(Name)) return plugin->CreateObject(Name);
  throw Exception(Format("%s.CreateObject: could not create object '%s'", ClassName(), AnsiToUtf8(Name)));
}

bool TStorageManager::ObjectExists(const AnsiString& Name) {
  AnsiString rest;
  if (TStoragePluginInterface* plugin = PluginForScheme(Name, rest)) return plugin->ObjectExists(rest);
  for (TStoragePluginInterface* plugin : FDefaultStoragePluginList)
    if (plugin->ObjectExists(Name)) return true;
  return false;
}

bool TStorageManager::FindFile(const AnsiString& Name, AnsiString& CompleteName,
                               const std::function<bool(const AnsiString&)>& Accept) {
  std::vector<AnsiString> candidates;
  if (HasRootSlash(Name)) {
    candidates.push_back(Name);
  } else {
    candidates.push_back(WideToAnsi(PathToWide(std::filesystem::current_path())) + '\\' + Name);
    for (int i = 0; i < FClasspathArray->GetCount(); ++i) candidates.push_back(FClasspathArray->GetStrAtIndex(i) + Name);
  }
  for (const AnsiString& candidate : candidates) {
    if (!IsStorageFile(candidate)) continue;
    const AnsiString complete = WideToAnsi(PathToWide(ResolvePath(AnsiToWide(candidate))));
    if (Accept && !Accept(complete)) continue;
    CompleteName = complete;
    return true;
  }
  return false;
}

TScriptTaskInterface* TStorageManager::CreateScriptTask() {
  if (!FScrTskFactory) throw Exception(Format("%s.CreateScriptTask: no ScriptClassFactory announced", ClassName()));
  FActualScriptTask = FScrTskFactory->CreateScriptTask();
  return FActualScriptTask;
}

TSLContextImplementation* TStorageManager::CreateContext(bool AutoRelease) {
  auto* context = new TSLContextImplementation(AutoRelease);
  context->AddNamedDict("System", FSystemDict.get());
  context->AddNamedDict("Create", FScriptClassDict.get());
  context->AddNamedDict("Global", MakeRef<TSLDictionary>().get());
  return context;
}

void TStorageManager::ImportIntoContext(const AnsiString& Name, TSLContext* Context) {
  if (TSLObject* announced = FDictionaries->FindObjectAnsi(Name)) {
    Context->ImportDict(Name, announced);
    return;
  }
  const AnsiString storageName = Name + ".stx";
  if (!ObjectExists(storageName))
    throw Exception(Format("%s.ImportIntoContext: No storage object with name:%s found", ClassName(), AnsiToUtf8(Name)));
  auto* context = dynamic_cast<TSLContextImplementation*>(Context);
  const bool debug = context && context->FDebug;
  TRef<TSLStorageObject> object(GetObject(storageName, saRead, debug));
  AnsiString head, fileName;
  SplitName(Name, CountDirectories(Name), head, fileName);
  Context->ImportDict(fileName, object->GetData());
  std::uint16_t id = 0;
  if (debug && context->FScriptTask && StorageIDManager().NameExist(object->GetName(), id))
    if (TScriptDebuggerInterface* debugger = context->FScriptTask->GetScriptDebugger())
      debugger->AddScript(storageName, id);
}

void TStorageManager::AnnounceClasspath(const AnsiString& Path) {
  FClasspathArray->SetStrAtIndex(FClasspathArray->GetCount(), Path);
}

void TStorageManager::AnnounceDictionary(const AnsiString& Name, TSLDictionary* Dict) {
  FDictionaries->AddObject(AnsiToWide(Name), Dict);
}

void TStorageManager::AnnounceScriptTaskFactory(std::unique_ptr<TScriptTaskFactoryInterface> Factory) {
  FScrTskFactory = std::move(Factory);
}

void TStorageManager::AnnounceStoragePlugin(std::unique_ptr<TStoragePluginInterface> Plugin,
                                            bool IncludeInDefaultSearch) {
  if (IncludeInDefaultSearch) FDefaultStoragePluginList.push_back(Plugin.get());
  FStoragePluginList.push_back(std::move(Plugin));
}

void TStorageManager::AnnounceSystemProcedure(const AnsiString& Name, TSLObject* Procedure) {
  FSystemDict->AddObject(AnsiToWide(Name), Procedure);
}

void TStorageManager::AnnounceScriptClass(const AnsiString& Name, TScriptClass* Class, std::int32_t Version) {
  if (ScriptClassExists(Name))
    throw Exception(
        Format("%s.AnnounceScriptClass: class with name '%s' already announced", ClassName(), AnsiToUtf8(Name)));
  FScriptClassDict->AddObject(AnsiToWide(Name), MakeRef<TSLScriptClassFactory>(Class, Name, Version).get());
}

void TStorageManager::AnnounceScriptClass(const AnsiString& Name, std::unique_ptr<TScriptClass> Class,
                                          std::int32_t Version) {
  AnnounceScriptClass(Name, Class.get(), Version);
  FOwnedScriptClasses.push_back(std::move(Class));
}

bool TStorageManager::ScriptClassExists(const AnsiString& Name) const { return FScriptClassDict->IndexOfAnsi(Name) >= 0; }

TSLObject* TStorageManager::DecodeStringToObject(const AnsiString& Text) {
  FStringStream->SetBuffer(Text);
  FLookaheadStream->SetCharStream(FStringStream.get());  // nothing of an earlier text is read again
  TSLObject* result = nullptr;
  try {
    result = Decoder->ReadSingleObject(FLookaheadStream.get(), FDebug);
  } catch (...) {
    FStringStream->Close();
    throw;
  }
  FStringStream->Close();
  return result;
}

AnsiString TStorageManager::EncodeObjectToString(TSLObject* Obj) {
  FStringStream->Rewrite();
  Encoder->WriteObject(FStringStream.get(), Obj);
  AnsiString text = FStringStream->Buffer();
  FStringStream->Close();
  return text;
}

}  // namespace vt
