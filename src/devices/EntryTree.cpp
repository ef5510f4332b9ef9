// The mirror of the model tree in a tree view; see EntryTree.h.
#include "devices/EntryTree.h"

#include <algorithm>
#include <exception>

#include "devices/ListIndex.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"

namespace vt {

namespace {

constexpr char PathRootSeparator[] = ":\\\\";  // a colon and two backslashes
constexpr char PathSeparator = '\\';

TTreeNode* ChildWith(const TTreeNode* ANode, const TEntryItem* AEntry) {
  for (int i = 0; i < ANode->Count(); ++i)
    if (ANode->Item(i)->Data() == AEntry) return ANode->Item(i);
  return nullptr;
}

TTreeNode* ChildWithText(const TTreeNode* ANode, const AnsiString& AText) {
  for (int i = 0; i < ANode->Count(); ++i)
    if (ANode->Item(i)->Text() == AText) return ANode->Item(i);
  return nullptr;
}

// The components of a path below its root; none for an empty one.
std::vector<AnsiString> SplitPath(const AnsiString& APath) {
  std::vector<AnsiString> parts;
  if (APath.empty()) return parts;
  std::size_t from = 0;
  for (std::size_t at; (at = APath.find(PathSeparator, from)) != AnsiString::npos; from = at + 1)
    parts.push_back(APath.substr(from, at - from));
  parts.push_back(APath.substr(from));
  return parts;
}

}  // namespace

// ---- Entries ----

TEntryItem::TEntryItem(TEntryManager* AOwner, TModelItem* AModel) : FOwner(AOwner), FModel(AModel) {
  if (AModel->View) FContextList.emplace_back();
}

TEntryItem::~TEntryItem() = default;

TViewContext* TEntryItem::GetContext() const {
  CheckListIndex(Selected, GetContextCount());
  return FContextList[Selected].get();
}

void TEntryItem::SetContext(TViewContext* AContext) {
  CheckListIndex(Selected, GetContextCount());
  if (FContextList[Selected].get() != AContext) FContextList[Selected].reset(AContext);
}

void TEntryItem::CreateChildren(TTreeNode* ANode) {
  ANode->DeleteChildren();
  for (int i = 0; i < FModel->GetChildCount(); ++i) {
    TModelItem* child = FModel->GetChild(i);
    // Nodes meant for developers are read with the developer's rights.
    TUserTypeSet mask = AllUsers;
    if (!child->UserType.Contains(utDevelop)) mask.Exclude(utDevelop);
    if (!child->GetVisible() || !child->HavePermission(ptRead, mask)) continue;
    // Tag is scratch shared by every mirror: it counts only when it names this node's entry here.
    TEntryItem* entry = child->Tag >= 0 && child->Tag < FOwner->GetCount() ? FOwner->GetItem(child->Tag) : nullptr;
    if (!entry || entry->Model() != child) {
      child->Tag = FOwner->GetCount();
      entry = FOwner->AddEntry(child->CreateEntry(FOwner));
    }
    FOwner->SetupNode(ANode->AddChild(child->Caption(), entry), true);
  }
}

void TEntryItem::Update(TTreeNode* ANode) {
  if (ANode->Data() != this) throw Exception("TEntryItem.Update: internal error - node mismatch");
  if (ANode->Count() > 0 && FModel->UpdateInfo().Contains(uiChange)) ANode->DeleteChildren();
  if (ANode->Count() == 0 && GetExpanded()) CreateChildren(ANode);
  FOwner->SetupNode(ANode, false);
  for (int i = 0; i < ANode->Count(); ++i) ANode->Item(i)->Data()->Update(ANode->Item(i));
}

AnsiString TEntryItem::GetStrVar(const AnsiString& AName) const {
  AnsiString value;
  if (FOwner->OnGetStrVar) FOwner->OnGetStrVar(AName, value);
  return value;
}

// ---- Entry manager ----

TEntryManager::TEntryManager(TModelManager* AModelManager, TModelTreeView* ATreeView)
    : FModelManager(AModelManager), FTreeView(ATreeView) {
  FModelManager->AddEntryManager(this);
  FTreeView->SetImages(FModelManager->ImageList());
  FTreeView->OnChange = [this](TTreeNode* Node) { TreeViewChange(Node); };
  FTreeView->OnExpanding = [this](TTreeNode* Node, bool& Allow) { TreeViewExpanding(Node, Allow); };
  FTreeView->OnCollapsing = [this](TTreeNode* Node, bool& Allow) { TreeViewCollapsing(Node, Allow); };
  FTreeView->OnExpanded = [](TTreeNode* Node) { Node->Data()->Flags.Include(efExpanded); };
  FTreeView->OnCollapsed = [](TTreeNode* Node) { Node->Data()->Flags.Exclude(efExpanded); };
  FTreeView->OnEditing = [this](TTreeNode* Node, bool& Allow) { TreeViewEditing(Node, Allow); };
  // The model keeps its caption: renaming is not offered through the tree.
  FTreeView->OnEdited = [](TTreeNode*, AnsiString&) { ShowMessage(u"end of editing"); };
  FTreeView->Clear();
  TModelItem* root = FModelManager->Root();
  FRoot = AddEntry(root->CreateEntry(this));
  SetupNode(FTreeView->AddTopNode(root->Caption(), FRoot), true);
}

TEntryManager::~TEntryManager() {
  FModelManager->RemoveEntryManager(this);
  // The view's nodes point at the entries freed here.
  FTreeView->OnChange = nullptr;
  FTreeView->OnExpanding = nullptr;
  FTreeView->OnCollapsing = nullptr;
  FTreeView->OnExpanded = nullptr;
  FTreeView->OnCollapsed = nullptr;
  FTreeView->OnEditing = nullptr;
  FTreeView->OnEdited = nullptr;
  FTreeView->Clear();
}

TEntryItem* TEntryManager::AddEntry(std::unique_ptr<TEntryItem> AEntry) {
  FList.push_back(std::move(AEntry));
  return FList.back().get();
}

void TEntryManager::MarkEntries() {
  for (int i = 0; i < FModelManager->GetCount(); ++i) FModelManager->GetItem(i)->Tag = -1;
  for (int i = 0; i < GetCount(); ++i) FList[i]->Model()->Tag = i;
}

void TEntryManager::Update() {
  SavePath();
  MarkEntries();
  // Entries of freed nodes must go and the selection come back even when a step or the
  // owner's callback raises.
  std::exception_ptr failure;
  try {
    if (TTreeNode* top = FTreeView->TopNode()) FRoot->Update(top);
    FRoot->Flags.Include(efExpanded);
    if (OnUpdate) OnUpdate(this);
  } catch (...) {
    failure = std::current_exception();
  }
  FreeReleasedEntries();
  RestorePath();
  if (failure) std::rethrow_exception(failure);
}

void TEntryManager::SetupNode(TTreeNode* ANode, bool AForce) {
  TEntryItem* entry = ANode->Data();
  const TModelItem* model = entry->Model();
  if (model->GetFlag(mfReleased)) throw Exception("TEntryManager.SetupNode: internal error - node released");
  const TUpdateInfoSet info = model->UpdateInfo();
  if (AForce || info.Contains(uiRefresh)) {
    ANode->SetText(model->Caption());
    ANode->SetImageIndex(model->ImageIndex());
  }
  if (AForce || info.Contains(uiChange)) ANode->SetHasChildren(model->GetChildCount() > 0);
  if (entry->GetExpanded()) ANode->Expand();
}

void TEntryManager::SavePath() {
  FPath.clear();
  for (TTreeNode* node = FTreeView->Selected(); node; node = node->Parent()) FPath.push_back(node->Data());
}

void TEntryManager::RestorePath() {
  TTreeNode* node = FTreeView->Selected();
  if (!node) return;
  const auto found = std::find(FPath.begin(), FPath.end(), node->Data());
  if (found == FPath.end()) return;
  for (auto saved = std::make_reverse_iterator(found); saved != FPath.rend(); ++saved) {
    node = ChildWith(node, *saved);
    if (!node) break;
    FTreeView->Select(node);
  }
}

void TEntryManager::FreeReleasedEntries() {
  std::erase_if(FPath, [](const TEntryItem* entry) { return entry->Model()->Purgeable(); });
  std::erase_if(FList, [](const std::unique_ptr<TEntryItem>& entry) { return entry->Model()->Purgeable(); });
}

bool TEntryManager::PrepareExpansion(TTreeNode* ANode) {
  TEntryItem* entry = ANode->Data();
  if (ANode->Count() > 0 || entry->Model()->GetChildCount() == 0) return true;
  if (FModelManager->Modifying() || FModelManager->Updating()) return false;
  MarkEntries();
  entry->CreateChildren(ANode);
  return true;
}

AnsiString TEntryManager::GetPathStr() const {
  TTreeNode* node = FTreeView->Selected();
  if (!node) return {};
  AnsiString rest;
  for (; node->Parent(); node = node->Parent())
    rest = rest.empty() ? node->Text() : node->Text() + PathSeparator + rest;
  return node->Text() + PathRootSeparator + rest;
}

void TEntryManager::SetPathStr(const AnsiString& APath) {
  TTreeNode* node = FTreeView->TopNode();
  if (!node) return;
  AnsiString rest = APath;
  if (const std::size_t at = APath.find(PathRootSeparator); at != AnsiString::npos) {
    if (APath.substr(0, at) != node->Text()) throw Exception("internal error: tree name error");
    FTreeView->Select(node);
    rest = APath.substr(at + std::size(PathRootSeparator) - 1);
  }
  for (const AnsiString& part : SplitPath(rest)) {
    if (part == "..") {
      if (!node->Parent()) continue;
      node = node->Parent();
    } else {
      PrepareExpansion(node);
      node = ChildWithText(node, part);
      if (!node) return;
    }
    FTreeView->Select(node);
  }
}

void TEntryManager::GoBackSelect() {
  TTreeNode* node = FTreeView->Selected();
  if (!node) return;
  PrepareExpansion(node);
  if (node->Parent()) FTreeView->Select(node->Parent());
}

void TEntryManager::ChangeHelpKeyword() {
  std::vector<TTreeNode*> chain;  // the selection up to the root
  for (TTreeNode* node = FTreeView->Selected(); node; node = node->Parent()) chain.push_back(node);
  if (chain.empty()) return;
  const std::size_t depth = chain.size() - 1;
  AnsiString keyword = chain[depth >= 2 ? depth - 2 : 0]->Text();
  if (keyword == "Project") keyword = "Overview";
  FTreeView->SetHelpKeyword(keyword);
}

void TEntryManager::TreeViewChange(TTreeNode*) {
  if (!FModelManager->Modifying()) {
    FPreviousPath = FCurrentPath;
    FCurrentPath = GetPathStr();
    if (OnUpdate) OnUpdate(this);
  }
  ChangeHelpKeyword();
}

void TEntryManager::TreeViewExpanding(TTreeNode* Node, bool& Allow) { Allow = PrepareExpansion(Node); }

void TEntryManager::TreeViewCollapsing(TTreeNode* Node, bool& Allow) { Allow = Node->Data() != FRoot; }

void TEntryManager::TreeViewEditing(TTreeNode* Node, bool& Allow) {
  Allow = Node->Data()->Model()->GetFlag(mfAllowEdit);
}

}  // namespace vt
