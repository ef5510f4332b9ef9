// Writing a parameter data set into a drive, with its import warnings, and the parameter
// service's data interface "Parameters"; see ParameterTreeData.h.
#include <charconv>
#include <unordered_map>

#include "devices/Device.h"
#include "devices/ImportWarnings.h"
#include "parameters/IntegerParameterBase.h"
#include "parameters/ParameterService.h"
#include "parameters/ParameterTreeData.h"
#include "parameters/RadioParameters.h"
#include "parameters/UnitService.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "runtime/Compatibility.h"
#include "runtime/DebugLog.h"
#include "runtime/ExecuteControls.h"

namespace vt {

namespace {

constexpr std::int32_t MaxEntryUPID = 0xFFFF;
constexpr std::size_t MaxValueText = 64;

void Warn(std::int32_t Type, const AnsiString& Path, std::int32_t UPID, const char* Text) {
  ImportWarnings().Add(Type, Path, UPID, Text);
}

void Warn(std::int32_t Type, TParameter* Node, const char* Text) { Warn(Type, Node->GetPath(), Node->MasterUPID(), Text); }

// The class root's caption: a path's first part.
AnsiString ClassOfPath(const AnsiString& Path) { return Path.substr(0, Path.find('\\')); }

const TParameter* LevelOneFolder(const TParameter* Node) {
  while (Node && Node->Level() > 1) Node = Node->Parent();
  return Node;
}

bool Is64(const TParameter* Node) { return Node->IsUInt64() || Node->IsSInt64(); }

// 64-bit values travel as exact decimal raw values: a scaled text goes through a double.
AnsiString ValueMode(const TParameter* Node) { return Is64(Node) ? "DEC" : "SCALED"; }

AnsiString DefaultText(TParameter* Node, const AnsiString& Mode) {
  TValueRec value;
  Node->GetDefaultStr(value, usSI, Mode);
  return value.ValueStr.str();
}

// "...h" without its "h" as a hexadecimal number; raises for anything else.
std::int64_t HexValue(const AnsiString& Text) {
  std::uint64_t value = 0;
  const char* end = Text.data() + (Text.empty() ? 0 : Text.size() - 1);
  const auto [stop, error] = std::from_chars(Text.data(), end, value, 16);
  if (Text.empty() || error != std::errc() || stop != end) throw Exception("'" + Text + "' is not a valid integer value");
  return static_cast<std::int64_t>(value);
}

// Compares raw values as the parameter's type does: unsigned 64-bit values unsigned.
bool RawLess(std::int64_t A, std::int64_t B, bool Unsigned) {
  return Unsigned ? static_cast<std::uint64_t>(A) < static_cast<std::uint64_t>(B) : A < B;
}

template <class Traits>
bool RadioCheck(TParameter* Node, const AnsiString& Text, AnsiString& Default) {
  auto* directory = dynamic_cast<TRadioDirParameterOf<Traits>*>(Node);
  if (!directory) return false;
  bool found = false;
  directory->ForEachChild([&](TParameter* Child, bool& Stop) {
    if (dynamic_cast<TRadioChildParameterOf<Traits>*>(Child) && std::to_string(Child->GetChildValue()) == Text)
      found = Stop = true;
  });
  Default = found ? Text : std::to_string(directory->DefaultValue());
  return !found;
}

}  // namespace

void TParameterTreeData::OpenModify(bool& ModifyOpen) {
  if (ModifyOpen) return;
  FParameterService->PrepareModify(&FServiceClient);
  ModifyOpen = true;
}

void TParameterTreeData::WriteParameters() {
  TParameterService& service = *FParameterService;
  const std::int32_t level = service.Device()->GetUserPermission();
  // The writable parameters of the set's tree and class; those the set names leave the
  // list, the rest are defaulted. Only the set's own class: several classes share a tree,
  // and each is written by a set of its own, which must not default the others.
  const TParameter* classRoot = FDataList.empty() ? nullptr : service.FindClassRoot(ClassOfPath(FDataList.front()->FCaption));
  std::vector<TParameter*> missing;
  std::unordered_map<std::int32_t, std::size_t> position;
  const TParameterIndex& index = service.ParameterList();
  for (int i = 0; i < index.Count(); ++i) {
    const TParameterIndex::TEntry& entry = index.At(i);
    if (!entry.Keyed || entry.UPID > MaxEntryUPID || position.contains(entry.UPID)) continue;
    if (!(entry.Node->AddrUsage() & AddrRomWrite) && !entry.Node->IsSafetyParameter()) continue;
    if (!classRoot || LevelOneFolder(entry.Node) != classRoot) continue;
    bool newer = false;
    if (!AreTreesCompatible(FTreeName, entry.Node->GetTree(), level, newer, false)) continue;
    position.emplace(entry.UPID, missing.size());
    missing.push_back(entry.Node);
  }
  bool modifyOpen = false;
  for (const auto& entry : FDataList) {
    TParameter* node = service.FindParameter(entry->FUPID);
    if (const auto it = position.find(entry->FUPID); it != position.end()) missing[it->second] = nullptr;
    try {
      WriteEntry(*entry, node, modifyOpen);
    } catch (const std::exception& e) {
      LogError("can't set parameter '" + (node ? node->Caption() : entry->FCaption) + "': " + e.what());
    }
  }
  DefaultMissing(missing, modifyOpen);
  if (!modifyOpen) return;
  FServiceClient.Wait(csNoTimeout);
  service.ExecuteModify(&FServiceClient);
}

bool TParameterTreeData::WriteEntry(const TParameterDataItem& Entry, TParameter* Node, bool& ModifyOpen) {
  if (!Node) {
    if (Entry.FAttribute & AddrRomWrite)
      Warn(iwWarning, Entry.FCaption, Entry.FUPID, "Parameter does not exist in the destination system!");
    return false;
  }
  const bool offline = DeviceOffline();
  const bool romWritable = Node->AddrUsage() & AddrRomWrite;
  if (Entry.FUPID > MaxEntryUPID || !(offline || romWritable || Node->IsSafetyParameter())) {
    if (!offline && !romWritable && (Entry.FAttribute & AddrRomWrite)) {
      if (DefaultText(Node, "SCALED") == Entry.FData)
        Warn(iwInfo, Node, "The parameter is read only in the destination system!");
      else
        Warn(iwWarning, Node,
             "The parameter is read only in the destination system! The value in the source and destination system "
             "are different!");
    }
    return false;
  }
  if (Entry.FUnresolvedUPID) {
    // Written as it stands the value would point at another parameter.
    Warn(iwChange, Node,
         "The UPID the value names does not exist in the destination system! The parameter has been left unchanged!");
    return false;
  }
  OpenModify(ModifyOpen);
  const AnsiString mode = Is64(Node) ? "HEX" : "SCALED";
  AnsiString text = Entry.FData.substr(0, MaxValueText);
  if (Entry.FData == Entry.FDefault && DefaultText(Node, mode) != Entry.FDefault)
    Warn(iwWarning, Node,
         "Parameter was set to default value in the source system. The default value in the destination system is "
         "not the same! This will impact the pvl list.");
  if (Node->IsInteger()) {
    text = CheckInteger(Entry, Node, text);
  } else if (Node->IsString() && Node->GetSize() > 0 && Entry.FData.size() > static_cast<std::size_t>(Node->GetSize())) {
    Warn(iwChange, Node, "String size too big! The AnsiString has been truncated!");
    text = Entry.FData.substr(0, static_cast<std::size_t>(Node->GetSize()));
  } else {
    text = CheckRadio(Node, text);
  }
  if (Node->IsSafetyParameter()) {
    Node->SetScaledNewValue(text, usSI, ValueMode(Node));
    Node->ClrAttrFlag(AttrWritePending);
  } else {
    Node->SetScaledValue(text, usSI, ValueMode(Node));
    Node->Modify(&FServiceClient);
  }
  return true;
}

AnsiString TParameterTreeData::CheckInteger(const TParameterDataItem& Entry, TParameter* Node, AnsiString Text) {
  auto& integer = dynamic_cast<TGenericIntParameter&>(*Node);
  const bool wide = Is64(Node);
  const bool unsignedValue = Node->IsUInt64();
  const auto raw = [&](const AnsiString& Value) {
    return wide ? HexValue(Value) : integer.DeviceUnit().ValStrToInt(Value, usSI);
  };
  const auto limitText = [&](bool Minimum) -> AnsiString {
    if (wide) {
      const std::int64_t limit = Minimum ? integer.GetMinValueInt() : integer.GetMaxValueInt();
      return unsignedValue ? std::to_string(static_cast<std::uint64_t>(limit)) : std::to_string(limit);
    }
    TValueRec value;
    if (Minimum)
      integer.GetMinValueStr(value, usSI, "SCALED");
    else
      integer.GetMaxValueStr(value, usSI, "SCALED");
    return value.ValueStr.str();
  };
  const std::int64_t minimum = integer.GetMinValueInt();
  const std::int64_t maximum = integer.GetMaxValueInt();
  if (raw(Entry.FMin) != minimum) Warn(iwInfo, Node, "Minimal value has changed!");
  if (raw(Entry.FMax) != maximum) Warn(iwInfo, Node, "Maximal value has changed!");
  if (Entry.FData != "***") {
    const std::int64_t value = raw(Entry.FData);
    if (wide) Text = unsignedValue ? std::to_string(static_cast<std::uint64_t>(value)) : std::to_string(value);
    if (!FParameterService->SuppressParRangeCheck) {
      if (RawLess(value, minimum, unsignedValue)) {
        Warn(iwChange, Node, "Parameter value too small! It has been set to the minimal value!");
        Text = limitText(true);
      } else if (RawLess(maximum, value, unsignedValue)) {
        Warn(iwChange, Node, "Parameter value too big! It has been set to the maximal value!");
        Text = limitText(false);
      }
    }
  }
  if (integer.UUID() != Entry.FUUID) Warn(iwInfo, Node, "Unit changed!");
  return Text;
}

AnsiString TParameterTreeData::CheckRadio(TParameter* Node, AnsiString Text) {
  AnsiString result;
  if (RadioCheck<TRadio8Traits>(Node, Text, result) || RadioCheck<TRadio16Traits>(Node, Text, result) ||
      RadioCheck<TRadio32Traits>(Node, Text, result)) {
    Warn(iwChange, Node,
         "The selected child in the source system does not exist in the destination system! The parameter has been "
         "set to default!");
    return result;
  }
  return Text;
}

void TParameterTreeData::DefaultMissing(std::vector<TParameter*>& Missing, bool& ModifyOpen) {
  const auto* units = FParameterService->Device()->Sibling<TUnitService>("UnitService");
  const TUnitSystem system = units ? units->GetUnitSystem() : usSI;
  for (TParameter* node : Missing) {
    if (!node) continue;
    try {
      OpenModify(ModifyOpen);
      node->SetDefaultValue(system);
      node->Modify(&FServiceClient);
      Warn(iwChange, node,
           "The parameter exists in the destination system but not in the source system. The parameter has been set "
           "to default!");
    } catch (const std::exception& e) {
      LogError("can't set parameter '" + node->Caption() + "': " + e.what());
    }
  }
}

void TParameterTreeData::ReportUnwritten() {
  for (TParameter* node : FParameterService->UnwrittenParameters())
    if (node) Warn(iwWarning, node, "The parameter could not be written to the destination system!");
}

// ---- The data interface ----

TParameterDataInterface::TParameterDataInterface(TParameterService* AOwner) : FOwner(AOwner) {
  SetMinUserPermissionImport(1);
}

AnsiString TParameterDataInterface::GetTypeName(int AIndex) const {
  if (AIndex != 0) throw Exception("index out of bounds");
  return "Parameters";
}

int TParameterDataInterface::GetDataCount() const { return FOwner->GetClassCount(); }

void TParameterDataInterface::GetDataInfo(int AIndex, TDataItem* ADataItem) {
  ADataItem->SetTypeName(u"Parameters");
  ADataItem->SetVersion(2);
  ADataItem->SetDataName(AnsiToWide(FOwner->GetClassRoot(AIndex)->Caption()));
  ADataItem->SetDataPath(u"Configuration");
}

void TParameterDataInterface::Execute(TExecuteControl* ExecCtrl) {
  auto* item = static_cast<TDataItem*>(ExecCtrl->Data());
  if (ExecCtrl->Command() == dcGetData)
    GetItemData(*ExecCtrl, *item);
  else if (ExecCtrl->Command() == dcPutData)
    PutItemData(*ExecCtrl, *item);
  else
    ExecCtrl->SetStatus(0);
}

void TParameterDataInterface::GetItemData(TExecuteControl& Control, TDataItem& Item) {
  TParameterTreeData& set = ParameterTreeData();
  if (Control.Status() != 0) {
    set.WriteToDict(Item.DataDict());
    set.Clear();
    Control.SetStatus(0);
    return;
  }
  const AnsiString name = WideToAnsi(Item.GetDataName());
  TParameter* root = FOwner->FindClassRoot(name);
  if (!root) throw Exception(Format("%s: no parameter class '%s'", Caption(), name));
  Control.Wait(this);
  Control.SetStatus(1);
  Control.LogMessage("Get Parameter Data " + name);
  set.Clear();
  set.GetData(FOwner, root, [this](TParameterTreeData* Sender) { ExecuteDone(Sender); });
}

void TParameterDataInterface::PutItemData(TExecuteControl& Control, TDataItem& Item) {
  TParameterTreeData& set = ParameterTreeData();
  if (Control.Status() != 0) {
    // While a configuration loads a failed write ends the list: what was left unwritten
    // is reported, so the load does not end as a plain success.
    set.ReportUnwritten();
    FOwner->SetLoadingConfiguration(false);
    set.Clear();
    Control.SetStatus(0);
    return;
  }
  Control.LogMessage("Set Parameter Data " + WideToAnsi(Item.GetDataName()));
  set.Clear();
  set.ReadFromDict(FOwner, Item.DataDict());
  Control.Wait(this);
  Control.SetStatus(1);
  set.PutData(FOwner, [this](TParameterTreeData* Sender) { ExecuteDone(Sender); });
  FOwner->SetLoadingConfiguration(true);
}

void TParameterDataInterface::ExecuteDone(TParameterTreeData*) { CurrentExecCtrl()->Continue(this); }

}  // namespace vt
