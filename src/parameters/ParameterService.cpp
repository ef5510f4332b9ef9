// The parameter service's tree: building, look-ups and visibility; see
// ParameterService.h.
#include "parameters/ParameterService.h"

#include <algorithm>

#include "comm/BasicTalkService.h"
#include "comm/TalkActor.h"
#include "comm/TalkClient.h"
#include "devices/Device.h"
#include "devices/ModelTree.h"
#include "devices/services/ModuleService.h"
#include "devices/services/StatusService.h"
#include "parameters/BatchedParameterRead.h"
#include "parameters/ParameterLimits.h"
#include "parameters/ParameterManager.h"
#include "parameters/ParameterTreeData.h"
#include "parameters/UnitService.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "runtime/Conversions.h"
#include "runtime/DebugLog.h"
#include "sl/interpreter/ScriptTask.h"
#include "sl/values/Arrays.h"
#include "sl/values/Record.h"

namespace vt {

namespace {

// Decides whether a guest sees the device's parameters at all.
constexpr std::int32_t GuestVisibleUPID = 3274;

bool CaptionHolds(const TParameter* Node, const AnsiString& UpperText) {
  return UpperCaseAnsi(Node->Caption()).find(UpperText) != AnsiString::npos;
}

}  // namespace

TParameterService::TParameterService(TDevice* AOwner, TSLDictionary* AProfDict)
    : TDeviceService(AOwner, AProfDict), FServiceProvider(this, "Parameter Service") {
  FServiceProvider.OnUpdateDone = [this](TServiceProvider*) { ProviderUpdateDone(); };
  FServiceProvider.OnExecuteJob = [](TServiceJob* Job, bool&) {
    if (Job->InfoTag != 0) LogWarning("undefined job info tag in TParameterService.ProviderExecuteJob");
  };
  FInternalClient.OnExecute = [this](TServiceClient*) { InternalClientExecute(); };
  FInternalClient.OnNotify = [this](void*) { InternalClientNotify(); };
  FInternalClient.Connect(&FServiceProvider);
  FStatusClient.OnUpdate = [this](TServiceClient*) { StatusClientUpdate(); };
  FScriptQueue = MakeRef<TSLArray>();
  FReadMultParameter = std::make_unique<TReadMultParameter>(this);
  FTreeRoot = std::make_unique<TRootDirParameter>(this);
  FParameterList.AddUnkeyed(FTreeRoot.get());
  TModelItem* root = FTreeRoot->Model();
  FOwner->Model()->AddChild(root);
  root->SetCaption(FCaption);
  root->SetVisible(AProfDict && AProfDict->NameExists(u"Visible") && AProfDict->GetBoolWithName(u"Visible"));
  FDataInterface = std::make_unique<TParameterDataInterface>(this);
  FDataInterface->SetCaption("Parameters");
  FDataInterface->SetImageIndex(root->ImageIndex());
  if (TalkClient()) {
    Actor = TalkClient()->GetActor();
    Actor->SetName("Parameter Service Actor");
    Actor->OnResponse = [this](TTalkActor* AActor) {
      TActorEvent handler = std::move(FResponse);
      FResponse = nullptr;
      if (handler) handler(AActor);
    };
  }
}

TParameterService::~TParameterService() {
  FTreeRoot.reset();
  if (!Actor) return;
  Actor->OnResponse = nullptr;
  // A busy actor still waits for its answer: it is freed here instead.
  if (TalkClient() && !Actor->IsBusy()) TalkClient()->PutActor(Actor);
}

void TParameterService::Initialize() { FOnLine = FOwner->DeviceType() == dtOnline; }

void TParameterService::StartUp(bool& Wait) {
  if (FServiceStatus == dsStarting) {
    for (const char* name : {"TalkService", "ModuleService", "UnitService", "StatusService"})
      if (!FOwner->ServiceExists(name) || FOwner->GetService(name)->ServiceStatus() != dsStarted) return;
    RegisterDataInterface();
    BeginStartUpSequence();
    Wait = true;
    return;
  }
  if (FServiceStatus != dsStopped) return;
  FTalkService = FOwner->Sibling<TBasicTalkService>("TalkService");
  const bool complete = FTalkService && FOwner->ServiceExists("ModuleService") &&
                        FOwner->Sibling<TUnitService>("UnitService") && FOwner->ServiceExists("StatusService");
  if (!complete) {
    LogError("couldn't start parameter service: a required service is missing");
    SetServiceStatus(dsError);
    return;
  }
  // Stand-ins of the module and status services have neither's interface: no modules,
  // and a drive that never runs.
  FModuleService = FOwner->Sibling<TModuleService>("ModuleService");
  FStatusService = FOwner->Sibling<TStatusService>("StatusService");
  FParServiceCollection = std::make_unique<TParameterServiceCollection>(FTalkService, FTalkService->ProtocolVersion());
  SetServiceStatus(dsStarting);
}

void TParameterService::RegisterDataInterface() {
  if (!FModuleService) return;
  for (int i = 0; i < FModuleService->GetInterfaceCount(); ++i)
    if (FModuleService->GetInterface(i) == FDataInterface.get()) return;
  FModuleService->RegisterDataInterface(FDataInterface.get());
}

void TParameterService::ShutDown(bool& Wait) {
  if (FServiceStatus != dsStarted) return;
  SetServiceStatus(dsStopped);
  FOwner->Model()->RemoveChild(FTreeRoot->Model());
}

// ---- Building the tree ----

void TParameterService::LoadTree(const AnsiString& Name, const TSLNamedCollection& Data) {
  FTreeList.push_back(Name);
  try {
    LoadUnits(Data);
    FVisibilityController.LoadFlags(Data);
    LoadParameters(Data);
  } catch (const Exception& e) {
    ShowMessage(Utf8ToWide(e.Message()));
  }
}

void TParameterService::LoadUnits(const TSLNamedCollection& Data) {
  if (auto* units = FOwner->Sibling<TUnitService>("UnitService")) units->Init(Data);
}

void TParameterService::LoadParameters(const TSLNamedCollection& Data) {
  if (!Data.NameExists(u"ParameterArray")) return;
  const auto* records = CheckedCast<TSLArray>(Data.GetObjWithName(u"ParameterArray"));
  try {
    TParameter* current = FTreeRoot.get();
    for (int i = 0; i < records->GetCount(); ++i)
      current = InsertRecord(current, *CheckedCast<TSLRecord>(records->GetObjAtIndex(i)));
  } catch (...) {
    // The nodes placed before the failing record stay, and must know their positions.
    RebuildClassList();
    throw;
  }
  RebuildClassList();
}

TParameter* TParameterService::InsertRecord(TParameter* Current, const TSLRecord& Record) {
  const AnsiString typeName = WideToAnsi(Record.GetTypeName());
  std::unique_ptr<TParameter> node = ParameterManager()->GetParameterClass(typeName)(this, Record);
  const int level = node->Level();
  if (level <= 0 || level >= Current->Level() + 2)
    throw Exception(Format("%s.LoadTree: can't insert parameter '%s' at level %d", ClassName(),
                           AnsiString(node->Caption()), level));
  TParameter* parent = Current;
  while (parent->Level() >= level) parent = parent->Parent();
  TParameter* result = node.get();
  FParameterList.Add(result->MasterUPID(), result);
  FDevParameterList.Add(result->UPID(), result);
  parent->AddChild(std::move(node));
  return result;
}

void TParameterService::RebuildClassList() {
  FClassList.clear();
  for (int i = 0; i < FParameterList.Count(); ++i) {
    TParameter* node = FParameterList.At(i).Node;
    node->SetIndex(i);
    if (dynamic_cast<TDirectoryParameter*>(node) && node->Level() == 1) FClassList.push_back(node);
  }
}

// ---- Look-ups ----

TParameter* TParameterService::FindNextWithCaption(const TParameter* Node, const AnsiString& Text) const {
  const AnsiString text = UpperCaseAnsi(Text);
  const int start = Node ? FDevParameterList.IndexOf(Node->UPID()) + 1 : 0;
  for (int i = start; i < FDevParameterList.Count(); ++i)
    if (CaptionHolds(FDevParameterList.At(i).Node, text)) return FDevParameterList.At(i).Node;
  return nullptr;
}

TParameter* TParameterService::FindPreviousWithCaption(const TParameter* Node, const AnsiString& Text) const {
  const AnsiString text = UpperCaseAnsi(Text);
  int start = FDevParameterList.Count() - 1;
  if (Node) {
    const int at = FDevParameterList.IndexOf(Node->UPID());
    if (at < 0) return nullptr;
    start = at - 1;
  }
  for (int i = start; i >= 0; --i)
    if (CaptionHolds(FDevParameterList.At(i).Node, text)) return FDevParameterList.At(i).Node;
  return nullptr;
}

TParameter* TParameterService::FindClassRoot(const AnsiString& Caption) const {
  for (TParameter* node : FClassList)
    if (node->Caption() == Caption) return node;
  return nullptr;
}

void TParameterService::GetClassList(TParameterClassList& List) const {
  List.clear();
  for (int i = 0; i < FParameterList.Count(); ++i) {
    TParameter* node = FParameterList.At(i).Node;
    if (dynamic_cast<TClassDirParameter*>(node)) List.emplace_back(node->Caption(), node);
  }
}

void TParameterService::GetSafetyClassList(TParameterClassList& List) const {
  List.clear();
  for (int i = 0; i < FParameterList.Count(); ++i) {
    TParameter* node = FParameterList.At(i).Node;
    if (dynamic_cast<TDirectoryParameter*>(node) && node->IsSafetyParameter()) List.emplace_back(node->Caption(), node);
  }
}

bool TParameterService::IsSafetyGroupChanged(const AnsiString& GroupCaption) {
  GetSafetyClassList(FSafetyStrings);
  for (const auto& [caption, group] : FSafetyStrings) {
    if (caption != GroupCaption) continue;
    bool changed = false;
    FindParameter(group->MasterUPID())->ForEachChild([&](TParameter* Child, bool& Stop) {
      changed = Stop = !Child->IsSafetyParActual();
    });
    return changed;
  }
  return false;
}

void TParameterService::ForEachParameter(const TParameterCallback& Callback) { FTreeRoot->ForEach(Callback, false); }

TParameter* TParameterService::Existing(std::int32_t UPID, const char* Operation) const {
  TParameter* node = FindParameter(UPID);
  if (!node) throw Exception(Format("%s.%s: parameter %d not found", ClassName(), Operation, UPID));
  return node;
}

std::int64_t TParameterService::GetIntValue(std::uint16_t AUPID) const {
  return Existing(AUPID, "GetIntValue")->GetIntValue();
}

AnsiString TParameterService::GetTextValue(std::uint16_t AUPID) const {
  return Existing(AUPID, "GetTextValue")->GetStrValue();
}

std::vector<TParameter*> TParameterService::ChangedParameters(std::string_view Data) const {
  std::vector<TParameter*> nodes;
  for (std::size_t i = 0; i + 1 < Data.size(); i += 2) {
    const auto upid = static_cast<std::int32_t>(DataToValue(Data.substr(i, 2), 2));
    if (TParameter* node = FindParameter(upid)) {
      nodes.push_back(node);
      continue;
    }
    TParameter* below = nullptr;
    for (std::int32_t u = upid - 1; u >= 0 && !below; --u) below = FindParameter(u);
    if (below && below->IsString() && std::find(nodes.begin(), nodes.end(), below) == nodes.end())
      nodes.push_back(below);
  }
  return nodes;
}

// ---- Telegrams ----

bool TParameterService::Request(TCustomPattern* Pattern, const char* Operation, const std::string& Payload,
                                TActorEvent OnResponse) {
  if (!Pattern || !Actor) {
    LogError(Format("%s.%s: no parameter telegrams for this drive", ClassName(), Operation));
    return false;
  }
  Actor->Clear();
  Pattern->Put(*Actor, Payload, 0);
  Actor->Execute();
  FResponse = std::move(OnResponse);
  return true;
}

bool TParameterService::GetRequest(const std::string& Payload, TActorEvent OnResponse) {
  return Request(FParServiceCollection ? FParServiceCollection->FGetRequest.get() : nullptr, "GetRequest", Payload,
                 std::move(OnResponse));
}

bool TParameterService::SetRequest(const std::string& Payload, TActorEvent OnResponse) {
  return Request(FParServiceCollection ? FParServiceCollection->FSetRequest.get() : nullptr, "SetRequest", Payload,
                 std::move(OnResponse));
}

std::string TParameterService::GetResponse(const TTalkActor& AActor) const {
  if (!FParServiceCollection || !FParServiceCollection->FGetRequest) return {};
  return FParServiceCollection->FGetRequest->GetResponse(AActor);
}

// ---- Visibility ----

void TParameterService::UpdateVisibility() {
  FVisibilityController.PrepareCalculation();
  const std::uint8_t mask = UserLevelMask(FOwner->GetStrVar(u"UserName"));
  int rounds = 0;
  do {
    FVisibilityController.CreateSnapshot();
    if (++rounds > MaxVisibilityRounds) throw Exception("Visibility update needs to many recursions!");
    ForEachParameter([](TParameter* Node, bool&) {
      Node->SetAttrFlag(AttrVisible);
      if (Node->UseVFlag() && !Node->UseVFlag()->Value()) Node->ClrAttrFlag(AttrVisible);
    });
    ForEachParameter([](TParameter* Node, bool&) { Node->UpdateSetVFlags(); });
    FVisibilityController.ExecuteCalculation();
  } while (!FVisibilityController.CompareSnapshot());
  TModelUpdate bracket(FOwner->Model()->Owner());
  ShowRoot();
  ShowFolders(FTreeRoot.get(), mask);
}

void TParameterService::ShowRoot() {
  if (UpperCaseWide(FOwner->GetStrVar(u"UserName")) != u"GUEST") {
    FTreeRoot->Model()->Show();
    return;
  }
  ShowRootForGuest();
}

void TParameterService::ShowRootForGuest() {
  if (UpperCaseWide(FOwner->GetStrVar(u"UserName")) != u"GUEST") return;
  if (TParameter* guestVisible = FindParameter(GuestVisibleUPID))
    FTreeRoot->Model()->SetVisible(guestVisible->GetBoolValue());
}

// Folders nest no deeper than the 8-bit tree level, so the recursion is bounded.
void TParameterService::ShowFolders(TParameter* Folder, std::uint8_t Mask) {
  Folder->ForEachChild([&](TParameter* Child, bool&) {
    auto* folder = dynamic_cast<TGenericDirParameter*>(Child);
    if (!folder) return;
    folder->ChangePermission();
    folder->Model()->SetVisible((folder->Permission() & Mask) != 0);
    ShowFolders(folder, Mask);
  });
}

void TParameterService::ProviderUpdateDone() {
  LogInfo("ProviderUpdateDone");
  FTreeChanged = FFlagChanged = FDataChanged = false;
}

}  // namespace vt
