// The parameter service's transactions, its work list and the changed-parameter poll;
// see ParameterService.h.
//
// One request of the service is in flight at a time: the work step sends an item's
// telegram and returns; the answer's handler processes it and runs the step for the
// next item. Items that send nothing are passed over in a loop, never by recursion.
#include <unordered_set>

#include "comm/BasicTalkService.h"
#include "comm/TalkActor.h"
#include "devices/Device.h"
#include "devices/DeviceManager.h"
#include "devices/LoginWindows.h"
#include "devices/services/StatusService.h"
#include "parameters/BatchedParameterRead.h"
#include "parameters/ParameterLimits.h"
#include "parameters/ParameterService.h"
#include "parameters/StringParameters.h"
#include "parameters/UnitService.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "runtime/ApplicationState.h"
#include "runtime/DebugLog.h"
#include "runtime/Translations.h"

namespace vt {

namespace {

bool Addressless(const TParameter* Item) { return !Item || Item->UPID() >= FirstAddresslessUPID; }

}  // namespace

// ---- Transactions ----

void TParameterService::CheckClient(TServiceClient* Client, const char* Operation) const {
  if (Client != FServiceProvider.CurrentClient())
    throw Exception(Format("%s.%s: caller isn't the current client", ClassName(), Operation));
}

void TParameterService::CheckState(TParameterServiceState Needed, const char* Operation) const {
  if (FState != Needed) throw Exception(Format("%s.%s: not allowed in current state", ClassName(), Operation));
}

void TParameterService::CheckTurn(TServiceClient* Client, TParameterServiceState Needed, const char* Operation) const {
  CheckClient(Client, Operation);
  CheckState(Needed, Operation);
}

void TParameterService::PrepareUpdate(TServiceClient* Client) {
  if (!IsReady()) return;
  try {
    CheckClient(Client, "PrepareUpdate");
  } catch (...) {
    FState = stReady;
    throw;
  }
  ClearWorkList();
  FState = stUpdate;
  prepareUpdateFlag = true;
}

void TParameterService::ParameterUpdate(TParameter* Node, TServiceClient* Client) {
  if (!prepareUpdateFlag) return;
  CheckTurn(Client, stUpdate, "ParameterUpdate");
  if (!Node->GetValid() && !Node->GetAttrFlag(AttrReadPending)) Append(Node, AttrReadPending);
}

void TParameterService::ExecuteUpdate(TServiceClient* Client) {
  CheckTurn(Client, stUpdate, "ExecuteUpdate");
  StartWork();
}

void TParameterService::DiscardUpdate(TServiceClient* Client) {
  CheckTurn(Client, stUpdate, "DiscardUpdate");
  ClearWorkList();
  FState = stReady;
}

void TParameterService::PrepareModify(TServiceClient* Client) {
  LogInfo("PrepareModify");
  CheckTurn(Client, stReady, "PrepareModify");
  ClearWorkList();
  FState = stModify;
}

void TParameterService::ParameterModify(TParameter* Node, TServiceClient* Client) {
  CheckTurn(Client, stModify, "ParameterModify");
  if (!Node->GetAttrFlag(AttrWritePending)) Append(Node, AttrWritePending);
}

void TParameterService::ExecuteModify(TServiceClient* Client) {
  LogInfo("ExecuteModify");
  CheckTurn(Client, stModify, "ExecuteModify");
  StartWork();
}

void TParameterService::DiscardModify(TServiceClient* Client) {
  CheckTurn(Client, stModify, "DiscardModify");
  ClearWorkList();
  FState = stReady;
}

void TParameterService::PrepareSave(TServiceClient* Client) {
  LogInfo("PrepareSave");
  CheckTurn(Client, stReady, "PrepareSave");
  // A list left by a write abandoned at the stop question would keep the save from
  // ever ending.
  ClearWorkList();
  FState = stSave;
}

void TParameterService::ExecuteSave(TServiceClient* Client) {
  LogInfo("ExecuteSave");
  CheckTurn(Client, stSave, "ExecuteSave");
  StartWork();
}

void TParameterService::ParameterInvalidate(TParameter* Node, TServiceClient* Client) {
  CheckClient(Client, "ParameterInvalidate");
  Node->ClrAttrFlag(AttrValid);
}

// ---- The work list ----

void TParameterService::ClearWorkList() {
  ParameterWorkList.clear();
  ParameterWorkIndex = 0;
  FReadMultParameter->Clear();
}

void TParameterService::Append(TParameter* Node, std::int32_t Mark) {
  Node->SetAttrFlag(Mark);
  ParameterWorkList.push_back(Node);
}

void TParameterService::StartWork() {
  ParameterWorkIndex = 0;
  ParameterWorkExecute();
}

void TParameterService::SetLoadingConfiguration(bool Value) {
  FLoadingConfiguration = Value;
  if (Value) FUnwrittenParameters.clear();
}

void TParameterService::LoadPreloadParameters() {
  LogInfo("LoadPreloadParameters");
  CheckState(stReady, "LoadPreloadParameters");
  FState = stUpdate;
  const bool offline = FOwner->DeviceType() == dtOffline;
  FReadMultParameter->Clear();
  // A set, so that thousands of parameters are not searched for one by one.
  std::unordered_set<TParameter*> listed(ParameterWorkList.begin(), ParameterWorkList.end());
  ForEachParameter([&](TParameter* Node, bool&) {
    if (Node->IsChild() || (Node->IsSafetyParameter() && !offline)) return;
    Node->SetAttrFlag(AttrReadPending);
    if (listed.insert(Node).second) ParameterWorkList.push_back(Node);
  });
  ParameterWorkIndex = 0;
  PreviousTree.clear();
  ActualTree.clear();
  AParameterIndex = 0;
  ANumberOfErrors = 0;
  AddLoginInfoLine(u" ");
  AppendLoginInfoText(u"Read parameter values");
  ParameterWorkExecute();
}

void TParameterService::ParameterWorkExecute() {
  switch (FOwner->DeviceType()) {
    case dtOnline:
      return OnlineWorkStep();
    case dtOffline:
    case dtConnectionLost:
      return OfflineWorkStep();
    default:
      return;
  }
}

void TParameterService::OnlineWorkStep() {
  if (!StopQuestion()) return;
  if (ParameterWorkList.empty()) {
    if (FServiceProvider.CurrentClient()) {
      ContinueCurrentClient();
      FDataChanged = true;
      UpdateClients();
    } else {
      UpdateClients();
      ReadFlag = false;
      UpdateTree([this] { ParameterWorkNotify(); });
    }
    FState = stReady;
    return;
  }
  for (; ParameterWorkIndex < ParameterWorkList.size(); ++ParameterWorkIndex) {
    TParameter* item = ParameterWorkList[ParameterWorkIndex];
    if (Addressless(item)) continue;
    if (FState == stUpdate) {
      if (FServiceStatus == dsStarting) {
        if (ApplicationState().LoginAbortRequest) {
          SetServiceStatus(dsError);
          ShowMessage(u"Login process aborted by user!");
          return;
        }
        LoginProgress(item);
      }
      if (FOwner->MultParValueEnable()) {
        if (!OfferBatched(item)) return;
        continue;
      }
      if (SendItem(item)) return;
      item->ClrAttrFlag(AttrReadPending);
    } else if (FState == stModify) {
      // Safety parameters reach the drive through the safety module only.
      if (!item->IsSafetyParameter()) {
        FOwner->ModifiedFlag = FModifiedParaFlag = true;
        if (SendItem(item)) return;
      }
      item->ClrAttrFlag(AttrWritePending);
    } else {
      return;
    }
  }
  EndRefresh();
  ClearWorkList();
  UpdateTree([this] { ParameterWorkNotify(); });
}

bool TParameterService::LastOffered() const {
  for (std::size_t i = ParameterWorkIndex + 1; i < ParameterWorkList.size(); ++i)
    if (!Addressless(ParameterWorkList[i])) return false;
  return true;
}

bool TParameterService::OfferBatched(TParameter* Item) {
  TReadMultParameter& reader = *FReadMultParameter;
  const bool last = LastOffered();
  // A parameter no list can carry is read singly at once, unless it ends the list and
  // the lists must go out first.
  const bool single = reader.SingleFlag == 0 && !reader.Listable(Item) && !(last && reader.RAMROMListFlag() != 0);
  const std::uint8_t result = single ? MultListSent : reader.NewParameter(Item, last);
  switch (result) {
    case MultAdded:
      return true;
    case MultListSent:
      if (Actor && Actor->IsBusy()) return false;
      // Nothing went out: the parameter is read on its own.
      if (SendItem(Item)) return false;
      Item->ClrAttrFlag(AttrReadPending);
      return true;
    case MultLastSent:
      reader.LastParameterAdded = false;
      if (Actor && Actor->IsBusy()) {
        // The list's answer ends the work list.
        ++ParameterWorkIndex;
        return false;
      }
      // Nothing went out (the drive has no parameter telegrams): the list is given up.
      reader.Abandon();
      return true;
    case MultNothingLeft:
      reader.LastParameterAdded = false;
      return true;
    default:  // a single read of the fall-back went out
      return false;
  }
}

bool TParameterService::SendItem(TParameter* Item) {
  const TActorEvent handler = [this](TTalkActor* AActor) { ParameterWorkResponse(AActor); };
  if (FState == stUpdate)
    Item->RequestUpdate(Actor.get(), FTalkService, handler);
  else
    Item->RequestModify(Actor.get(), FTalkService, handler);
  return Actor && Actor->IsBusy();
}

void TParameterService::LoginProgress(TParameter* Item) {
  ActualTree = Item->GetTree();
  if (ActualTree != PreviousTree) {
    AParameterIndex = 0;
    PreviousTree = ActualTree;
    AppendLoginInfoText(u"\rTree name: " + AnsiToWide(ActualTree));
  } else if (AParameterIndex == LoginProgressStep - 1) {
    AppendLoginInfoText(u" .");
    AParameterIndex = 0;
  } else {
    ++AParameterIndex;
  }
}

bool TParameterService::StopQuestion() {
  FNeedToStop = false;
  if (FState == stModify && FStatusService &&
      (FStatusService->GetRunning() || FStatusService->GetInstanceRunning(2))) {
    for (const TParameter* item : ParameterWorkList)
      if (item && item->UPID() < FirstAddresslessUPID && !item->IsSafetyParameter() &&
          !(item->AddrUsage() & AddrWriteWhileRunning))
        FNeedToStop = true;
  }
  if (!FNeedToStop) return true;
  const TModalResult answer =
      MessageDlg(GetInfoSysText(u"StopBeforeDownload"), mtWarning, MsgDlgButton(mbYes) | MsgDlgButton(mbCancel));
  if (answer == mrYes) {
    if (!FStatusClient.GetConnected()) FStatusClient.Connect(&FStatusService->Provider());
    FStatusService->StopDevice();
    return false;
  }
  for (TParameter* item : ParameterWorkList)
    if (item && item->UPID() < FirstAddresslessUPID) item->ClrAttrFlag(AttrWritePending);
  ContinueCurrentClient();
  FState = stReady;
  return false;
}

// Disconnected before the step runs again: the step may ask once more and connect anew.
void TParameterService::StatusClientUpdate() {
  if (!FNeedToStop) return;
  FNeedToStop = false;
  FStatusClient.Disconnect();
  ParameterWorkExecute();
}

void TParameterService::OfflineWorkStep() {
  const auto* units = FOwner->Sibling<TUnitService>("UnitService");
  const TUnitSystem system = units ? units->GetUnitSystem() : usMetric;
  for (TParameter* item : ParameterWorkList) {
    if (Addressless(item)) continue;
    if (FState == stUpdate) {
      item->SetDefaultValue(system);
      item->ClrAttrFlag(AttrReadPending);
      // The drive name's default text names an offline device.
      if (item->MasterUPID() == DriveNameUPID && item->GetAttrFlag(AttrChanged)) {
        TValueRec text;
        item->GetDefaultStr(text, system, item->GetDisplayModeStr());
        DeviceManager()->SetDeviceCaption(FOwner->Name(), text.ValueStr);
      }
    } else if (FState == stModify) {
      item->ProcessModify(Actor.get(), FTalkService, dtOffline);
      item->ClrAttrFlag(AttrWritePending);
      FOwner->ModifiedFlag = FModifiedParaFlag = true;
      if (item->GetAttrFlag(AttrChanged)) FFlagChanged = true;
    }
  }
  UpdateClients();
  UpdateTree([this] { ParameterWorkNotify(); });
  FState = stReady;
}

void TParameterService::ParameterWorkResponse(TTalkActor* AActor) {
  if (ParameterWorkIndex >= ParameterWorkList.size()) return;
  TParameter* item = ParameterWorkList[ParameterWorkIndex];
  const std::uint8_t result = AActor->GetResult();
  bool failed = false;
  if (result != ParStatusOk) {
    if (FServiceStatus == dsStarting) {
      if (!LoginAnswerFailed(result, item, failed)) return;
    } else if (FLoadingConfiguration) {
      // The configuration's report names what did not reach the drive.
      FUnwrittenParameters.assign(ParameterWorkList.begin() + static_cast<std::ptrdiff_t>(ParameterWorkIndex),
                                  ParameterWorkList.end());
      for (TParameter* left : FUnwrittenParameters)
        if (left) left->ClrAttrFlag(AttrWritePending | AttrReadPending);
      ParameterWorkNotify();
      return;
    }
  }
  if (FState == stSave) {
    ContinueCurrentClient();
    FState = stReady;
    return;
  }
  AActor->Reset();
  if (FState == stUpdate) {
    item->ProcessUpdate(AActor, FTalkService);
    item->ClrAttrFlag(AttrReadPending);
  } else if (FState == stModify) {
    item->ProcessModify(AActor, FTalkService, dtOnline);
    item->ClrAttrFlag(AttrWritePending);
  }
  if (item->GetAttrFlag(AttrChanged)) FDataChanged = FFlagChanged = true;
  if (failed) {
    if (++ANumberOfErrors > MaxLoginReadRepeats) {
      ANumberOfErrors = 0;
      SetServiceStatus(dsError);
      return;
    }
  } else {
    ++ParameterWorkIndex;
    ANumberOfErrors = 0;
  }
  if (ParameterWorkIndex < ParameterWorkList.size()) return ParameterWorkExecute();
  ListDone();
}

bool TParameterService::LoginAnswerFailed(std::uint8_t Result, TParameter* Item, bool& Failed) {
  if (Result != ParStatusUnknownUPID) {
    Failed = true;
    return true;
  }
  const WideString text = AnsiToWide(Format("UPID = %4.4Xh does not exist!", Item->UPID()));
  if (MessageDlg(text, mtWarning, MsgDlgButton(mbAbort) | MsgDlgButton(mbIgnore)) != mrIgnore) {
    SetServiceStatus(dsError);
    return false;
  }
  return true;
}

void TParameterService::ListDone() {
  ClearWorkList();
  FWizardListFlag = false;
  if (FFlagChanged) {
    UpdateTree([this] { ParameterWorkNotify(); });
    UpdateClients();
  } else {
    ParameterWorkNotify();
  }
  // Also when nothing changed: windows wait while the reread is marked running.
  EndRefresh();
}

// The end of a reread after a default run or a changed-parameter answer.
void TParameterService::EndRefresh() {
  if (!ParameterDefaulted && !ParameterRefresh) return;
  ParameterDefaulted = ParameterRefresh = false;
  UpdateClients();
  ReadFlag = false;
}

// The rotary defaults of a default run follow its reread.
void TParameterService::ParameterWorkNotify() {
  FServiceProvider.NotifyCurrentClient(this);
  UpdateClients();
  FState = stReady;
  if (DefRotFlag) DefaultRotativeOSParameterReq();
}

// A client that has not begun its wait yet is not continued: it would raise.
void TParameterService::ContinueCurrentClient() {
  if (TServiceClient* client = FServiceProvider.CurrentClient(); client && FServiceProvider.Status() == psWaitClient)
    client->Continue();
}

void TParameterService::UpdateClients() {
  FServiceProvider.BeginUpdate();
  FServiceProvider.EndOfUpdate();
}

// ---- The changed-parameter poll ----

void TParameterService::RefreshParameters() {
  const bool started = FServiceStatus == dsStarted;
  if ((FState == stReady && started) || (FState == stUpdate && started && MissingCounter > MaxMissedPolls)) {
    MissingCounter = 0;
    if (FOwner->DeviceType() != dtOnline || ApplicationState().ParaRefreshFlag != 1) return;
    if (Actor && Actor->IsBusy()) {
      TestFlag = true;
      return;
    }
    FState = stUpdate;
    if (!GetRequest(std::string(1, static_cast<char>(GetModeChanged)),
                    [this](TTalkActor* AActor) { GetChangedPars(AActor); }))
      FState = stReady;
  } else if (FState == stUpdate) {
    ++MissingCounter;
  }
}

void TParameterService::GetChangedPars(TTalkActor* AActor) {
  FOwner->SetUpdateWizardInfoFlag();
  FDefaultFlag = false;
  // Switched off meanwhile: the answer is dropped, and the service must not stay busy.
  if (ApplicationState().ParaRefreshFlag != 1) {
    FState = stReady;
    return;
  }
  AActor->Reset();
  const std::uint8_t result = AActor->GetResult();
  if (result == ParStatusChangesUnknown) {
    ParameterRefresh = ReadFlag = true;
    FState = stReady;
    LoadPreloadParameters();
    return;
  }
  if (result != ParStatusOk) return;
  const std::string data = GetResponse(*AActor);
  // Nothing named: no reread begins, so none is marked as running.
  if (data.size() < 2) {
    FState = stReady;
    return;
  }
  ParameterRefresh = ReadFlag = true;
  ClearWorkList();
  for (TParameter* node : ChangedParameters(data)) Append(node, AttrReadPending);
  ParameterWorkExecute();
}

}  // namespace vt
