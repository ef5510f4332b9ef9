// The model tree's nodes and manager; see ModelTree.h.
#include "devices/ModelTree.h"

#include <algorithm>

#include "devices/DeviceLimits.h"
#include "devices/EntryTree.h"
#include "devices/ListIndex.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "runtime/DebugLog.h"
#include "ui/ImageList.h"

namespace vt {

TUserTypeSet& TPermissionData::Of(TPermissionType Type) {
  return const_cast<TUserTypeSet&>(std::as_const(*this).Of(Type));
}

const TUserTypeSet& TPermissionData::Of(TPermissionType Type) const {
  switch (Type) {
    case ptRead:
      return Read;
    case ptWrite:
      return Write;
    case ptDelete:
      return Delete;
    case ptExecute:
      break;
  }
  return Execute;
}

bool CheckPermission(TPermissionType Type, TUserTypeSet A, const TPermissionData& B) {
  return !(B.Of(Type) * A).Empty();
}

// ---- Nodes ----

TModelItem::TModelItem(TModelManager* AOwner, TModelData AData) : FData(AData), FOwner(AOwner) {}

TModelItem::~TModelItem() = default;

void TModelItem::Release() { FFlags.Include(mfReleased); }

std::unique_ptr<TEntryItem> TModelItem::CreateEntry(TEntryManager* AManager) {
  return std::make_unique<TEntryItem>(AManager, this);
}

void TModelItem::InsertChild(int Index, TModelItem* AItem) {
  if (AItem->FParent) throw Exception(Format("%s.InsertChild: Child has a parent", ClassName()));
  if (AItem->GetFlag(mfReleased)) throw Exception(Format("%s.InsertChild: Child is released", ClassName()));
  CheckListIndex(Index, GetChildCount() + 1);
  TModelUpdate bracket(FOwner);
  if (!FList) FList.emplace();
  FList->insert(FList->begin() + Index, AItem);
  AItem->FParent = this;
  AItem->AddUpdateInfo(uiInsert);
  AddUpdateInfo(uiChange);
}

int TModelItem::AddChild(TModelItem* AItem) {
  const int index = GetChildCount();
  InsertChild(index, AItem);
  return index;
}

void TModelItem::DeleteChild(int Index) {
  TModelItem* child = GetChild(Index);
  TModelUpdate bracket(FOwner);
  FList->erase(FList->begin() + Index);
  child->FParent = nullptr;
  child->AddUpdateInfo(uiRemove);
  AddUpdateInfo(uiChange);
}

void TModelItem::RemoveChild(TModelItem* AItem) {
  if (!FList) return;
  const auto it = std::find(FList->begin(), FList->end(), AItem);
  if (it != FList->end()) DeleteChild(static_cast<int>(it - FList->begin()));
}

void TModelItem::MoveChild(int From, int To) {
  TModelItem* child = GetChild(From);
  // Checked first: a refused move must not leave the child taken out.
  CheckListIndex(To, GetChildCount());
  TModelUpdate bracket(FOwner);
  DeleteChild(From);
  InsertChild(To, child);
}

TModelItem* TModelItem::GetChild(int Index) const {
  if (!FList) throw Exception(Format("%s.GetChild: node has no children", ClassName()));
  CheckListIndex(Index, GetChildCount());
  return (*FList)[Index];
}

void TModelItem::SetCaption(const AnsiString& Value) {
  TModelUpdate bracket(FOwner);
  FCaption = Value;
  AddUpdateInfo(uiRefresh);
}

void TModelItem::SetImageIndex(int Value) {
  TModelUpdate bracket(FOwner);
  FImageIndex = Value;
  AddUpdateInfo(uiRefresh);
}

void TModelItem::SetFlag(TModelFlag Flag, bool On) { On ? FFlags.Include(Flag) : FFlags.Exclude(Flag); }

void TModelItem::SetVisible(bool On) {
  if (On == GetVisible()) return;
  SetFlag(mfVisible, On);
  AddUpdateInfo(On ? uiShow : uiHide);
  if (FParent) FParent->AddUpdateInfo(uiChange);
}

AnsiString TModelItem::GetStrVar(const AnsiString& AName) const {
  AnsiString value;
  for (const TModelItem* node = this; node && value.empty(); node = node->FParent)
    if (node->OnGetStrVar) node->OnGetStrVar(AName, value);
  return value;
}

void TModelItem::CopyAttributesFrom(const TModelItem& AItem) {
  FData = AItem.FData;
  FImageIndex = AItem.FImageIndex;
  // A copy is a node of its own: it is not given up with its source.
  const bool released = GetFlag(mfReleased);
  FFlags = AItem.FFlags;
  SetFlag(mfReleased, released);
  UserType = AItem.UserType;
  Permission.Read = AItem.Permission.Read;
  SetVisible(AItem.GetVisible());
  SetCaption(AItem.Caption());
}

void TModelItem::CopyAttributesAndChildrenFrom(const TModelItem& AItem, TModelManager* ATarget) {
  CopyAttributesFrom(AItem);
  for (int i = 0; i < AItem.GetChildCount(); ++i) {
    TModelItem* copy = ATarget->NewItem();
    AddChild(copy);
    copy->CopyAttributesAndChildrenFrom(*AItem.GetChild(i), ATarget);
  }
}

TModelItem* TModelItem::FindObjectInPath(const AnsiString& AClassName) {
  for (TModelItem* node = this; node; node = node->FParent)
    if (node->FData.Assigned() && node->FData.ClassName() == AClassName) return node;
  return nullptr;
}

void TModelItem::EvaluateImage() {
  bool error = false;
  for (int i = 0; i < GetChildCount(); ++i) error = error || GetChild(i)->ImageIndex() == ControllerErrorImage;
  if (GetChildCount() > 1 || ModulCode < 2)
    SetImageIndex(error ? GroupErrorImage : GroupImage);
  else
    SetImageIndex(error ? ModuleGroupErrorImage : ModuleGroupImage);
}

// ---- Manager ----

TModelManager::TModelManager(std::unique_ptr<TImageList> AImageList)
    : FRoot(NewItem()), FImageList(std::move(AImageList)), WorkTask(std::make_unique<TMxTask>("ModelManager")) {
  WorkTask->OnExecute = [this](TMxTask*) { Work(); };
  WorkTask->Start();
}

TModelManager::~TModelManager() { WorkTask.reset(); }

void TModelManager::BeginUpdate() {
  if (FUpdating) throw Exception("TModelManager.BeginUpdate: internal error");
  ++FUpdateCounter;
  FModifying = true;
}

void TModelManager::EndOfUpdate() {
  if (--FUpdateCounter != 0) return;
  WorkRequests |= RequestUpdate;
  WorkSignal.SetReady(true);
}

void TModelManager::AddEntryManager(TEntryManager* AManager) { FClientList.push_back(AManager); }

void TModelManager::RemoveEntryManager(TEntryManager* AManager) {
  FClientList.erase(std::remove(FClientList.begin(), FClientList.end(), AManager), FClientList.end());
}

void TModelManager::Work() {
  WorkSignal.SetReady(false);
  WorkTask->WaitFor(&WorkSignal, MxNoTimeout);
  if (WorkState == wsUpdate) {
    WorkState = wsReady;
    // A failure must not end the task: the tree views would never be updated again.
    try {
      UpdateClients();
    } catch (...) {
      LogError(CurrentExceptionText() + " - " + WorkTask->Caption());
    }
  } else if (WorkRequests & RequestUpdate) {
    WorkState = wsUpdate;
    WorkSignal.SetReady(true);
    WorkRequests &= ~RequestUpdate;
  }
}

void TModelManager::UpdateClients() {
  if (FUpdateCounter != 0) return;
  FModifying = false;
  FUpdating = true;
  // Whatever a mirror raises, the model is open for changes again afterwards, and the
  // other mirrors and the purge still run.
  AnsiString failure;
  for (TEntryManager* client : std::vector<TEntryManager*>(FClientList)) {
    try {
      client->Update();
    } catch (...) {
      if (failure.empty()) failure = CurrentExceptionText();
    }
  }
  Purge();
  for (const auto& item : FList) item->FUpdateInfo = {};
  FUpdating = false;
  if (OnClientUpdateDone) OnClientUpdateDone(this);
  if (!failure.empty()) throw Exception(failure);
}

void TModelManager::Purge() {
  // A released node that its owner left inserted stays until it is removed: freeing it
  // would leave its parent a dangling child. Children of a freed node lose their parent
  // (and are freed at a later purge when released too).
  std::vector<bool> freed;
  for (const auto& item : FList) freed.push_back(item->Purgeable());
  std::size_t kept = 0;
  for (std::size_t i = 0; i < FList.size(); ++i) {
    if (!freed[i]) {
      FList[kept++] = std::move(FList[i]);
      continue;
    }
    for (int c = 0; c < FList[i]->GetChildCount(); ++c) FList[i]->GetChild(c)->FParent = nullptr;
  }
  FList.resize(kept);
}

}  // namespace vt
