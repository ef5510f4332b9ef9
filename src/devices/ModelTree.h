// The model tree: the one tree of everything the user can select (the project root, the
// devices, their services, parameter folders…), owned by the device manager. Devices and
// services change nodes inside update brackets and never touch a tree view: the
// manager's task "ModelManager" brings every mirror (one per tree view, EntryTree.h) up
// to date afterwards, once for the outermost bracket.
//
// Nodes belong to the manager: a user releases a node instead of freeing it, and the
// manager frees released nodes after the next update of the mirrors, when no tree view
// shows them any more.
//
// Threads: the GUI thread only; the task runs on the main scheduler.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <typeinfo>
#include <utility>
#include <vector>

#include "platform/TextConversion.h"
#include "runtime/Tasks.h"

namespace vt {

class TApplicationViewFactory;
class TEntryItem;
class TEntryManager;
class TImageList;
class TModelManager;

// Up to eight members of an enumeration in one byte, bit n = member n.
template <class E>
class TByteSet {
 public:
  constexpr TByteSet() = default;
  constexpr TByteSet(std::initializer_list<E> Members) {
    for (E m : Members) Include(m);
  }
  constexpr bool Contains(E Member) const { return FBits & Bit(Member); }
  constexpr void Include(E Member) { FBits |= Bit(Member); }
  constexpr void Exclude(E Member) { FBits &= ~Bit(Member); }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr std::uint8_t Bits() const { return FBits; }
  // The members both sets hold.
  friend constexpr TByteSet operator*(TByteSet a, TByteSet b) {
    TByteSet s;
    s.FBits = a.FBits & b.FBits;
    return s;
  }
  friend constexpr bool operator==(TByteSet a, TByteSet b) = default;

 private:
  static constexpr std::uint8_t Bit(E Member) { return static_cast<std::uint8_t>(1u << Member); }
  std::uint8_t FBits = 0;
};

// mfChildren and mfSelected are declared only.
enum TModelFlag : std::uint8_t { mfVisible, mfAllowEdit, mfChildren, mfReleased, mfSelected };
using TModelFlagSet = TByteSet<TModelFlag>;

// What changed on a node since the mirrors were last updated.
enum TUpdateInfo : std::uint8_t { uiRefresh, uiChange, uiInsert, uiRemove, uiShow, uiHide, uiUpdate };
using TUpdateInfoSet = TByteSet<TUpdateInfo>;

enum TUserType : std::uint8_t { utRead1, utRead2, utUser, utUser1, utUser2, utService, utDevelop };
using TUserTypeSet = TByteSet<TUserType>;

// Every user type but utUser (0x7B).
inline constexpr TUserTypeSet AllUsers{utRead1, utRead2, utUser1, utUser2, utService, utDevelop};

enum TPermissionType : std::uint8_t { ptRead, ptWrite, ptDelete, ptExecute };

struct TPermissionData {
  TUserTypeSet Read, Write, Delete, Execute;
  TUserTypeSet& Of(TPermissionType Type);
  const TUserTypeSet& Of(TPermissionType Type) const;
};

// Whether the set of B selected by Type shares a member with A.
bool CheckPermission(TPermissionType Type, TUserTypeSet A, const TPermissionData& B);

// Answers a named string variable, or leaves AValue empty.
using TGetStrVarEvent = std::function<void(const AnsiString& AName, AnsiString& AValue)>;

// The object a node stands for (a device, a service, a parameter folder) or none. Its
// class name is asked when needed, so a service answers with its own class's name; the
// object comes back only as the type it was given as.
class TModelData {
 public:
  TModelData() = default;
  template <class T>
  TModelData(T* AObject)
      : FObject(AObject),
        FType(&typeid(T)),
        FClassName([](const void* Obj) { return static_cast<const T*>(Obj)->ClassName(); }) {}

  bool Assigned() const { return FObject != nullptr; }
  template <class T>
  T* As() const {
    return FObject && *FType == typeid(T) ? static_cast<T*>(FObject) : nullptr;
  }
  // Empty without an object.
  AnsiString ClassName() const { return FObject ? FClassName(FObject) : ""; }
  friend bool operator==(const TModelData& a, const TModelData& b) { return a.FObject == b.FObject; }

 private:
  void* FObject = nullptr;
  const std::type_info* FType = nullptr;
  const char* (*FClassName)(const void*) = nullptr;
};

class TModelItem {
 public:
  // Made by TModelManager::NewItem, which keeps it. Visible, not inserted, image -1,
  // user type {utUser}, readable by AllUsers.
  TModelItem(TModelManager* AOwner, TModelData AData = {});
  virtual ~TModelItem();
  TModelItem(const TModelItem&) = delete;
  TModelItem& operator=(const TModelItem&) = delete;

  virtual const char* ClassName() const { return "TModelItem"; }
  // Gives the node up; the manager frees it after the next update of the mirrors.
  virtual void Release();
  // The entry that mirrors this node in AManager.
  virtual std::unique_ptr<TEntryItem> CreateEntry(TEntryManager* AManager);

  // Children, each change in a bracket of its own. Raise "<class>.InsertChild: Child has
  // a parent" and "<class>.InsertChild: Child is released".
  void InsertChild(int Index, TModelItem* AItem);
  int AddChild(TModelItem* AItem);
  void DeleteChild(int Index);
  // A node that is not a child is ignored.
  void RemoveChild(TModelItem* AItem);
  void MoveChild(int From, int To);
  // Raises "<class>.GetChild: node has no children" before the first insertion and
  // "List index out of bounds (%d)".
  TModelItem* GetChild(int Index) const;
  int GetChildCount() const { return FList ? static_cast<int>(FList->size()) : 0; }

  const AnsiString& Caption() const { return FCaption; }
  void SetCaption(const AnsiString& Value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  bool GetFlag(TModelFlag Flag) const { return FFlags.Contains(Flag); }
  // No bracket: flags are not shown.
  void SetFlag(TModelFlag Flag, bool On);
  TModelFlagSet Flags() const { return FFlags; }
  // No bracket either: a visibility change reaches the mirrors with the next update.
  bool GetVisible() const { return GetFlag(mfVisible); }
  void SetVisible(bool On);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }

  // OnGetStrVar's answer; while empty, the parent's, up to the root.
  AnsiString GetStrVar(const AnsiString& AName) const;
  bool HavePermission(TPermissionType Type, TUserTypeSet Users) const {
    return CheckPermission(Type, Users, Permission);
  }
  // Data, image, flags (but mfReleased), user type and the Read set; the caption as a
  // change.
  void CopyAttributesFrom(const TModelItem& AItem);
  // The same, then a copy of every child below, made in ATarget.
  void CopyAttributesAndChildrenFrom(const TModelItem& AItem, TModelManager* ATarget);
  // This node or the nearest ancestor whose data object is of the class AClassName.
  TModelItem* FindObjectInPath(const AnsiString& AClassName);
  // For module group nodes: the group image, in its error form when a child shows the
  // controller-error image.
  void EvaluateImage();

  TModelManager* Owner() const { return FOwner; }
  TModelItem* Parent() const { return FParent; }
  const TModelData& Data() const { return FData; }
  TUpdateInfoSet UpdateInfo() const { return FUpdateInfo; }
  // Released and no longer inserted: the mirrors drop its entries and the manager frees
  // it at the end of the next update.
  bool Purgeable() const { return GetFlag(mfReleased) && !FParent; }
  bool GetUpdated() const { return FUpdateInfo.Contains(uiUpdate); }

  // Scratch of an entry manager building entries: the index of this node's entry, -1
  // for none yet.
  int Tag = -1;
  TPermissionData Permission{AllUsers, {}, {}, {}};
  TUserTypeSet UserType{utUser};
  // The kind of view that shows this node, or none.
  TApplicationViewFactory* View = nullptr;
  TGetStrVarEvent OnGetStrVar;
  // Read by EvaluateImage only; the shell sets 1 or 2 on module group nodes.
  std::int32_t ModulCode = 0;

 private:
  friend class TModelManager;
  void AddUpdateInfo(TUpdateInfo Info) { FUpdateInfo.Include(Info); }

  TModelData FData;
  AnsiString FCaption;
  int FImageIndex = -1;
  TModelManager* const FOwner;
  TModelItem* FParent = nullptr;
  std::optional<std::vector<TModelItem*>> FList;  // made at the first insertion
  TModelFlagSet FFlags{mfVisible};
  TUpdateInfoSet FUpdateInfo;
};

class TModelManager {
 public:
  // AImageList: the images of every tree view, kept by the manager. Makes the root and
  // starts the task "ModelManager" on the main scheduler.
  explicit TModelManager(std::unique_ptr<TImageList> AImageList);
  // Frees every node. The entry managers must be gone.
  ~TModelManager();
  TModelManager(const TModelManager&) = delete;
  TModelManager& operator=(const TModelManager&) = delete;

  const char* ClassName() const { return "TModelManager"; }

  // A new node of the class T, made with (this manager, Args…) and kept here.
  template <class T = TModelItem, class... A>
  T* NewItem(A&&... Args) {
    auto item = std::make_unique<T>(this, std::forward<A>(Args)...);
    T* result = item.get();
    FList.push_back(std::move(item));
    return result;
  }

  // Brackets nest; the mirrors are updated once after the outermost one closes, two
  // steps of the task later. BeginUpdate raises "TModelManager.BeginUpdate: internal
  // error" while the mirrors are being updated.
  void BeginUpdate();
  void EndOfUpdate();

  void AddEntryManager(TEntryManager* AManager);
  void RemoveEntryManager(TEntryManager* AManager);

  // Every node in creation order, the released ones until purged.
  TModelItem* GetItem(int Index) const { return FList.at(Index).get(); }
  int GetCount() const { return static_cast<int>(FList.size()); }

  // Updates every mirror, unless a bracket is open, then frees the released nodes.
  void UpdateClients();
  void Purge();

  TModelItem* Root() const { return FRoot; }
  TImageList* ImageList() const { return FImageList.get(); }
  bool Modifying() const { return FModifying; }
  bool Updating() const { return FUpdating; }

  std::function<void(TModelManager* Sender)> OnClientUpdateDone;

 private:
  enum TWorkState : std::uint8_t { wsReady, wsUpdate };
  static constexpr std::uint8_t RequestUpdate = 1;

  void Work();

  std::vector<std::unique_ptr<TModelItem>> FList;  // creation order
  TModelItem* FRoot;
  std::int32_t FUpdateCounter = 0;
  bool FUpdating = false;
  bool FModifying = false;
  std::vector<TEntryManager*> FClientList;  // registration order
  std::unique_ptr<TImageList> FImageList;
  TMxSignal WorkSignal;
  std::unique_ptr<TMxTask> WorkTask;
  TWorkState WorkState = wsReady;
  std::uint8_t WorkRequests = 0;
};

// One update bracket for the lifetime of the object, closed also when an exception leaves
// it: of the model tree, or of anything else with BeginUpdate and EndOfUpdate.
template <class T>
class TUpdateBracket {
 public:
  explicit TUpdateBracket(T* ATarget) : FTarget(ATarget) { FTarget->BeginUpdate(); }
  ~TUpdateBracket() { FTarget->EndOfUpdate(); }
  TUpdateBracket(const TUpdateBracket&) = delete;
  TUpdateBracket& operator=(const TUpdateBracket&) = delete;

 private:
  T* const FTarget;
};

using TModelUpdate = TUpdateBracket<TModelManager>;

}  // namespace vt
