// The node of a device's parameter tree: every drive parameter and every folder that
// groups parameters is one object of a class derived from TParameter. The base reads the
// keys every description record has, keeps the node's place in the tree and in its
// service's indexes, its rights per user level and its attribute flags, walks the tree,
// and declares the value interface that the type classes fill in.
//
// A node owns its children; the service owns the root and so the whole tree. Threads:
// the GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "comm/TalkActor.h"
#include "devices/DeviceTypes.h"
#include "devices/PropertyList.h"
#include "parameters/DeviceUnit.h"
#include "parameters/ShortString.h"
#include "parameters/UnitSystems.h"
#include "platform/TextConversion.h"

namespace vt {

class TBasicTalkService;
class TParameterService;
class TServiceClient;
class TSLNamedCollection;
class TVisibilityFlag;

// Attribute flags (FIntAttr).
inline constexpr std::int32_t AttrChanged = 0x10000;        // a value was taken over
inline constexpr std::int32_t AttrValid = 0x20000;          // the value is valid
inline constexpr std::int32_t AttrWritePending = 0x40000;   // in the work list for a write
inline constexpr std::int32_t AttrReadPending = 0x80000;    // in the work list for a read
inline constexpr std::int32_t AttrSetsFlags = 0x100000;     // sets visibility flags
inline constexpr std::int32_t AttrVisible = 0x200000;       // shown by the visibility update

// Drive memories the parameter has (FAddrUsage).
inline constexpr std::uint16_t AddrRamRead = 0x0001;
inline constexpr std::uint16_t AddrRamWrite = 0x0002;
inline constexpr std::uint16_t AddrRomRead = 0x0004;
inline constexpr std::uint16_t AddrRomWrite = 0x0008;
inline constexpr std::uint16_t AddrWriteWhileRunning = 0x0100;

// Application flags (FAppFlags).
inline constexpr std::int32_t AppSafetyParameter = 0x80;
inline constexpr std::int32_t AppGearScaled = 0x800;

// The permission byte: one read bit (even) and one write bit (odd) per user level.
inline constexpr std::uint8_t PermissionRead = 0x55;
inline constexpr std::uint8_t PermissionWrite = 0xAA;
inline constexpr std::uint8_t UserMask = 0x03;
inline constexpr std::uint8_t ServiceMask = 0x0C;
inline constexpr std::uint8_t DeveloperMask = 0x30;
inline constexpr std::uint8_t GuestMask = 0x40;

// The mask of a device's user name (any letter case): USER, SERVICE, DEVELOPER; GUEST
// and any other name get the guest's.
std::uint8_t UserLevelMask(std::u16string_view UserName);

// The drive addresses of a parameter; nothing fills them.
struct TParAddr {
  std::int32_t Ram = 0;
  std::int32_t Rom = 0;
};

class TParameter;
// A parameter class: makes a node of its class from the service and a description
// record. Its address is its identity in the parameter manager.
using TParameterClass = std::unique_ptr<TParameter> (*)(TParameterService* AOwner, const TSLNamedCollection& ARecord);

template <class T>
std::unique_ptr<TParameter> CreateParameterOf(TParameterService* AOwner, const TSLNamedCollection& ARecord) {
  return std::make_unique<T>(AOwner, &ARecord);
}
template <class T>
constexpr TParameterClass ParameterClassOf() {
  return &CreateParameterOf<T>;
}

// Called for each node of a walk; setting Stop ends the walk.
using TParameterCallback = std::function<void(TParameter* Node, bool& Stop)>;

class TParameter {
 public:
  // Reads the record's common keys ("UPID", "DEVICE_UPID", "Level", "Caption",
  // "Permission", "HelpKeyWord", "AppFlags", "AddrUsage", "DisplayMode", "UseVFlag",
  // "WizardUPIDList", the safety keys, "HelpTextDict"); a missing required key raises the
  // record's error. No record: the root, readable at every level. The node joins its
  // service's indexes only once its whole class has been built (the service does it).
  TParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord);
  // Frees the children, first to last.
  virtual ~TParameter();
  TParameter(const TParameter&) = delete;
  TParameter& operator=(const TParameter&) = delete;

  virtual const char* ClassName() const { return "TParameter"; }

  // ---- The value interface; the base has no body and raises "Abstract Error" ----
  // The "new" value is the one being edited; the RAM value the drive's working copy.
  virtual void GetScaledValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) { Abstract(); }
  virtual void GetScaledRAMValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) { Abstract(); }
  virtual void SetScaledValue(const AnsiString& Text, TUnitSystem System, const AnsiString& Mode) { Abstract(); }
  virtual void GetDefaultStr(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) { Abstract(); }
  virtual AnsiString GetRawDataStr(const AnsiString& Mode) { Abstract(); }
  virtual AnsiString GetChildValueStr(const AnsiString& Mode) { Abstract(); }
  virtual AnsiString GetRAMChildValueStr(const AnsiString& Mode) { Abstract(); }
  virtual double GetBaseScaledValue() { Abstract(); }
  virtual bool GetBoolValue() { Abstract(); }
  virtual void SetBoolValue(bool Value) { Abstract(); }
  virtual bool GetNewBoolValue() { Abstract(); }
  virtual bool GetRAMBoolValue() { Abstract(); }
  virtual void SetNewBoolValue(bool Value) { Abstract(); }
  virtual std::int64_t GetIntValue() { Abstract(); }
  virtual std::uint64_t GetUIntValue() { Abstract(); }
  virtual std::int64_t GetNewIntValue() { Abstract(); }
  virtual std::uint64_t GetNewUIntValue() { Abstract(); }
  virtual std::int64_t GetRAMIntValue() { Abstract(); }
  virtual std::uint64_t GetRAMUIntValue() { Abstract(); }
  virtual double GetValue(TUnitSystem System) { Abstract(); }
  virtual AnsiString GetStrValue() { Abstract(); }
  virtual AnsiString GetRAMStrValue() { Abstract(); }
  virtual void SetStrValue(const AnsiString& Value) { Abstract(); }
  virtual void SetDefaultValue(TUnitSystem System) { Abstract(); }
  virtual bool HasAddress() { return false; }
  virtual std::int32_t GetAddress() { Abstract(); }
  virtual std::int32_t GetBitAddr() { Abstract(); }
  // Scale 1 and no unit caption.
  virtual void GetUnit(double& Scale, TUnitStr& Unit, TUnitSystem System);
  // The value bytes of a batched read; RamFlag 1 for the RAM list.
  virtual void SetMultValue(std::string_view Raw, std::uint8_t RamFlag) {}
  virtual void SetMultBoolValue(std::uint8_t RamFlag) {}
  virtual void GetScaledNewValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) { Abstract(); }
  virtual void SetScaledNewValue(const AnsiString& Text, TUnitSystem System, const AnsiString& Mode) { Abstract(); }
  virtual AnsiString GetRawNewDataStr(const AnsiString& Mode) { Abstract(); }
  virtual bool GetBoolNewValue() { Abstract(); }
  virtual void SetBoolNewValue(bool Value) { Abstract(); }
  virtual std::int64_t GetIntNewValue() { Abstract(); }
  virtual double GetNewValue(TUnitSystem System) { Abstract(); }
  virtual AnsiString GetStrNewValue() { Abstract(); }
  virtual void SetStrNewValue(const AnsiString& Value) { Abstract(); }
  virtual void SetSafetyPar(const AnsiString& Raw, bool Login) { Abstract(); }
  virtual AnsiString GetSafetyPar() { Abstract(); }
  virtual bool IsSafetyParActual() { Abstract(); }
  // Appends Child as the last child; the node takes it over.
  virtual void AddChild(std::unique_ptr<TParameter> Child);
  virtual void Initialize(bool Online) {}
  virtual void CopyTempToData() {}
  virtual void CopyTempRAMToData() {}
  // The telegrams of one read or write; the base sends nothing, and a write beeps.
  virtual void RequestUpdate(TTalkActor* Actor, TBasicTalkService* TalkService, TActorEvent OnResponse) {}
  virtual void ProcessUpdate(TTalkActor* Actor, TBasicTalkService* TalkService) {}
  virtual void RequestModify(TTalkActor* Actor, TBasicTalkService* TalkService, TActorEvent OnResponse);
  virtual void ProcessModify(TTalkActor* Actor, TBasicTalkService* TalkService, TDeviceType Type);
  virtual bool GetValid() const { return GetAttrFlag(AttrValid); }
  virtual std::int32_t GetChildValue() { Abstract(); }
  // Bytes of the value on the wire.
  virtual std::int32_t GetSize() { return 0; }
  virtual void SetIntValue(TUnitSystem System, std::int64_t Value) { Abstract(); }
  virtual void SetNewIntValue(TUnitSystem System, std::int64_t Value) { Abstract(); }
  // The value of a single-precision float parameter; any other class raises
  // "Invalid class typecast".
  virtual double GetFloatValue();

  // ---- The value bytes of one read or write, by type; the shared read and write call them ----
  // A get answer's data into the pending value. Data that cannot hold a value (shorter
  // than it) fail the read: false, and nothing is taken (no byte past the data is read).
  virtual bool DecodePendingValue(std::string_view Data) { return false; }
  // The pending value as a set telegram carries it after mode and UPID.
  virtual AnsiString EncodePendingValue() { return {}; }
  // Takes over a decoded read, and a write the drive (or an offline device) confirmed.
  virtual void CommitRead() { CopyTempToData(); }
  virtual void CommitWrite() { CopyTempToData(); }

  // ---- The owner service's transactions, for the client whose turn it is ----
  // Marks the node for the open read, for the open write; clears its valid flag. An
  // option passes each on to its directory, which holds the value a view reads and writes.
  void Update(TServiceClient* Client);
  void Modify(TServiceClient* Client);
  void Invalidate(TServiceClient* Client);

  // ---- Class tests: what the node is an instance of ----
  virtual bool IsBoolean() const { return false; }
  virtual bool IsInteger() const { return false; }
  virtual bool IsUInt64() const { return false; }
  virtual bool IsSInt64() const { return false; }
  virtual bool IsString() const { return false; }
  virtual bool IsDirectory() const { return false; }
  virtual bool IsFloat() const { return false; }
  virtual bool IsFloat32() const { return false; }
  // A radio or enumeration option.
  virtual bool IsChild() const { return false; }
  bool IsSafetyParameter() const { return (FAppFlags & AppSafetyParameter) != 0; }

  // The visibility update's hook: a boolean node switches on the flags it names while it
  // holds true; other nodes name none.
  virtual void UpdateSetVFlags() {}

  // ---- Rights and flags ----
  // Mask: a user level's mask (UserLevelMask).
  bool CanRead(std::uint8_t Mask) const { return (FPermission & PermissionRead & Mask) != 0; }
  bool CanWrite(std::uint8_t Mask) const { return (FPermission & PermissionWrite & Mask) != 0; }
  bool GetAttrFlag(std::int32_t Flag) const { return (FIntAttr & Flag) != 0; }
  void SetAttrFlag(std::int32_t Flag) { FIntAttr |= Flag; }
  void ClrAttrFlag(std::int32_t Flag) { FIntAttr &= ~Flag; }

  // ---- Place in the tree ----
  // The master UPID as the service's main index holds it at FIndex.
  std::int32_t GetUPID() const;
  // The module tree the node came from; empty when unknown.
  AnsiString GetTree() const;
  // The captions from the top down, joined by "\"; empty captions are left out.
  AnsiString GetPath() const;
  // The display mode; the integer classes that hold a UPID answer the program's.
  virtual AnsiString GetDisplayModeStr() const { return FDisplayMode; }
  // Always true: the computed visibility is the attribute AttrVisible.
  bool GetVisible() const { return true; }
  // The nearest class folder above the node, none when there is none.
  TParameter* GetClassRoot() const;
  // Pre-order over the subtree, without recursion; with IncludeRoot this node first.
  void ForEach(const TParameterCallback& Callback, bool IncludeRoot);
  // The direct children in order.
  void ForEachChild(const TParameterCallback& Callback);

  // The nodes sharing this node's master UPID form an array, adjacent in the main index.
  TParameter* GetArrayFirst() const;
  TParameter* GetArrayNext() const;
  std::int32_t GetArrayCount() const;

  bool HasWizardUPIDList() const { return !FWizardUPIDList.empty(); }
  std::int32_t GetWizardUPIDCount() const { return static_cast<std::int32_t>(FWizardUPIDList.size()); }
  std::int32_t GetWizardUPID(std::int32_t Index) const { return FWizardUPIDList.at(static_cast<std::size_t>(Index)); }

  // The extra factor of a unit on this drive: the double of factor UPIDs F and F + 4
  // (low and high half), by the gear ratio for the gear units, by the rotary value of
  // 4505 for the rotary units. 1 when F or F + 4 is missing or not valid.
  double GetUPIDFactor(const TUnitInfo& Info, std::int32_t UnitUUID);

  // The texts of the node's property list: 1 caption, 2 device UPID, 3 the parent's
  // device UPID, 4 the child value in the program's raw-data mode, 5 the parent's caption;
  // a node without parent answers 3 and 5 empty.
  AnsiString GetStrVarProp(TPropertyObject Obj, std::int32_t Ident);
  // Read-only in effect: lets the service's clients redraw.
  void SetStrVarProp(TPropertyObject Obj, std::int32_t Ident, const AnsiString& Text);

  // ---- Fields ----
  std::int32_t UPID() const { return FUPID; }
  std::int32_t MasterUPID() const { return FMasterUPID; }
  const AnsiString& TypeStr() const { return FTypeStr; }
  TPropertyList& PropList() { return FPropList; }
  TParameter* Parent() const { return FParent; }
  TParameter* Next() const { return FNext; }
  TParameter* Child() const { return FChild; }
  TParameterService* Owner() const { return FOwner; }
  std::int32_t Index() const { return FIndex; }
  void SetIndex(std::int32_t Value) { FIndex = Value; }
  std::uint8_t Level() const { return FLevel; }
  std::uint8_t TreeIndex() const { return FTreeIndex; }
  const AnsiString& Caption() const { return FCaption; }
  std::uint8_t Permission() const { return FPermission; }
  std::uint16_t AddrUsage() const { return FAddrUsage; }
  const AnsiString& HelpKeyWord() const { return FHelpKeyWord; }
  TVisibilityFlag* UseVFlag() const { return FUseVFlag; }
  std::int32_t AppFlags() const { return FAppFlags; }
  std::int32_t SafetyParIndex() const { return FSafetyParIndex; }
  std::int32_t SafetyParPosition() const { return FSafetyParPosition; }
  bool RAMValueExists() const { return FRAMValueExists; }
  bool ROMValueExists() const { return FROMValueExists; }
  bool GearUsed() const { return FGearUsed; }
  std::int32_t IntAttr() const { return FIntAttr; }

  // Set by the parameter view once it asked for the value; the node never reads it.
  bool UpdateFlag = false;

 protected:
  [[noreturn]] static void Abstract();
  // Commits a pending value: unless the node is valid and holds it already, it becomes
  // the committed value and the node is marked changed and valid.
  template <class T>
  void CommitValue(const T& Temp, T& Data) {
    if (Temp == Data && GetValid()) return;
    Data = Temp;
    SetAttrFlag(AttrChanged | AttrValid);
  }
  void AddStringProperty(const AnsiString& AName, std::int32_t Ident);

  // ---- The single read and write every value class shares ----
  // TTelegramParameter's RequestUpdate, ProcessUpdate, RequestModify and ProcessModify call
  // these; only the value's bytes and commits differ, through the hooks above.
  // Get mode 0x00 when the ROM value is readable, else 0x01 for the RAM value, else
  // nothing is sent.
  void RequestValueUpdate(TActorEvent OnResponse);
  // With result 0 the answer becomes the pending value, which CommitRead takes over. An
  // answer the class cannot take (shorter than its value) is a failed read: nothing
  // changes, and the debug log says so.
  void ProcessValueUpdate(TTalkActor* Actor);
  // Set mode by the writable memories, then the pending value's bytes.
  void RequestValueModify(TActorEvent OnResponse);
  // Online: CommitWrite when writable and the result is 0; offline: at once (no
  // telegram went out); other device types: nothing.
  void ProcessValueModify(TTalkActor* Actor, TDeviceType Type);

  std::int32_t FUPID = 0;
  std::int32_t FMasterUPID = 0;
  AnsiString FTypeStr;
  TPropertyList FPropList;
  std::vector<std::int32_t> FWizardUPIDList;
  AnsiString FName;
  TParameter* FParent = nullptr;
  TParameter* FNext = nullptr;
  TParameter* FChild = nullptr;
  TParameterService* const FOwner;
  std::int32_t FIndex = 0;
  std::uint8_t FLevel = 0;
  std::uint8_t FTreeIndex = 0;
  TParCaption FCaption;
  std::uint8_t FPermission = 0;
  std::uint16_t FAddrUsage = 0;
  AnsiString FHelpKeyWord;
  TVisibilityFlag* FUseVFlag = nullptr;
  std::int32_t FAppFlags = 0;
  AnsiString FDisplayMode;
  std::int32_t FSafetyParIndex = 0;
  std::int32_t FSafetyParPosition = 0;
  bool FRAMValueExists = false;
  bool FROMValueExists = false;
  bool FGearUsed = false;
  TParAddr FAddress;
  std::int32_t FIntAttr = 0;

 private:
  void ReadRecord(const TSLNamedCollection& ARecord);
  void SetInfoStrings(const TSLNamedCollection& ARecord);
  void SetValueExists();
  // The last child, none without children.
  TParameter* LastChild() const;
  // The node a transaction marks: an option's directory, else the node itself.
  TParameter* TransactionNode();
  // The factor of UPIDs F (low half) and F + 4 (high half); none unless both are valid.
  bool FactorOfUPIDs(std::int32_t F, double& Factor) const;
  // The gear ratio 2058 / 2057, when the gear or this node's flag asks for it.
  bool GearRatio(double& Ratio);
  // The rotary value of 4505, when 4504 switches the correction on.
  bool RotaryValue(double& Value) const;
};

// A node whose value travels in the parameter telegrams under its own device UPID: its
// read and write are the shared ones, its value bytes and commits its class's hooks.
template <class Base>
class TTelegramParameter : public Base {
 public:
  using Base::Base;
  void RequestUpdate(TTalkActor* Actor, TBasicTalkService* TalkService, TActorEvent OnResponse) override {
    this->RequestValueUpdate(std::move(OnResponse));
  }
  void ProcessUpdate(TTalkActor* Actor, TBasicTalkService* TalkService) override { this->ProcessValueUpdate(Actor); }
  void RequestModify(TTalkActor* Actor, TBasicTalkService* TalkService, TActorEvent OnResponse) override {
    this->RequestValueModify(std::move(OnResponse));
  }
  void ProcessModify(TTalkActor* Actor, TBasicTalkService* TalkService, TDeviceType Type) override {
    this->ProcessValueModify(Actor, Type);
  }
};

}  // namespace vt
