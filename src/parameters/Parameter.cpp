// Parameter nodes; see Parameter.h.
#include "parameters/Parameter.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "devices/Device.h"
#include "devices/SiblingServices.h"
#include "parameters/DirectoryParameters.h"
#include "parameters/ParameterService.h"
#include "parameters/ParameterTelegrams.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "runtime/ApplicationState.h"
#include "runtime/DebugLog.h"
#include "sl/values/Arrays.h"
#include "sl/values/Dictionary.h"
#include "sl/values/Scalars.h"

namespace vt {

namespace {

// Parameters the unit factor reads.
constexpr std::int32_t GearOnUPID = 2059;
constexpr std::int32_t GearNumeratorUPID = 2058;
constexpr std::int32_t GearDenominatorUPID = 2057;
constexpr std::int32_t RotaryOnUPID = 4504;
constexpr std::int32_t RotaryValueUPID = 4505;
constexpr std::int32_t RotaryPartnerUPID = 4506;
// Factor UPIDs the gear ratio divides, multiplies, multiplies squared.
constexpr std::int32_t GearDividedFactor = 0x0801;
constexpr std::int32_t GearTimesFactor = 0x0803;
constexpr std::int32_t GearSquaredFactor = 0x0804;
// The high half of a factor lies this far above its low half.
constexpr std::int32_t FactorHighOffset = 4;

bool OneOf(std::int32_t Value, std::initializer_list<std::int32_t> List) {
  return std::find(List.begin(), List.end(), Value) != List.end();
}

}  // namespace

std::uint8_t UserLevelMask(std::u16string_view UserName) {
  const WideString user = UpperCaseWide(UserName);
  if (user == u"USER") return UserMask;
  if (user == u"SERVICE") return ServiceMask;
  if (user == u"DEVELOPER") return DeveloperMask;
  return GuestMask;
}

TParameter::TParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord) : FOwner(AOwner) {
  if (ARecord)
    ReadRecord(*ARecord);
  else
    FPermission = PermissionRead;
  FTreeIndex = static_cast<std::uint8_t>(FOwner->TreeList().size() - 1);
  FPropList.FObjType = "Parameter";
  if (ARecord) SetInfoStrings(*ARecord);
  SetValueExists();
}

TParameter::~TParameter() {
  for (TParameter* child = FChild; child;) {
    TParameter* next = child->FNext;
    delete child;
    child = next;
  }
}

void TParameter::ReadRecord(const TSLNamedCollection& ARecord) {
  FMasterUPID = static_cast<std::int32_t>(ARecord.GetIntWithName(u"UPID"));
  FUPID = ARecord.NameExists(u"DEVICE_UPID") ? static_cast<std::int32_t>(ARecord.GetIntWithName(u"DEVICE_UPID"))
                                              : FMasterUPID;
  FLevel = static_cast<std::uint8_t>(ARecord.GetIntWithName(u"Level"));
  FCaption = WideToAnsi(ARecord.GetStrWithName(u"Caption"));
  FPermission = static_cast<std::uint8_t>(ARecord.GetIntWithName(u"Permission"));
  FHelpKeyWord = ARecord.NameExists(u"HelpKeyWord") ? WideToAnsi(ARecord.GetStrWithName(u"HelpKeyWord")) : "0";
  FAppFlags = ARecord.NameExists(u"AppFlags") ? static_cast<std::int32_t>(ARecord.GetIntWithName(u"AppFlags")) : 0;
  FAddrUsage = static_cast<std::uint16_t>(ARecord.GetIntWithName(u"AddrUsage"));
  if (ARecord.NameExists(u"DisplayMode")) FDisplayMode = WideToAnsi(ARecord.GetStrWithName(u"DisplayMode"));
  const WideString flag = ARecord.GetStrWithName(u"UseVFlag");
  if (!flag.empty()) FUseVFlag = FOwner->VisibilityController().GetFlag(flag);
  if (ARecord.NameExists(u"WizardUPIDList")) {
    const auto* list = CheckedCast<TSLArray>(ARecord.GetObjWithName(u"WizardUPIDList"));
    for (int i = 0; i < list->GetCount(); ++i)
      FWizardUPIDList.push_back(static_cast<std::int32_t>(CheckedCast<TSLLongint>(list->GetObjAtIndex(i))->GetLongintValue()));
  }
  if (IsSafetyParameter()) {
    if (ARecord.NameExists(u"SafetyParameterPosition"))
      FSafetyParPosition = static_cast<std::int32_t>(ARecord.GetIntWithName(u"SafetyParameterPosition"));
    if (ARecord.NameExists(u"SafetyParameterID"))
      FSafetyParIndex = static_cast<std::int32_t>(ARecord.GetIntWithName(u"SafetyParameterID"));
  }
}

void TParameter::SetInfoStrings(const TSLNamedCollection& ARecord) {
  if (!ARecord.NameExists(u"HelpTextDict")) return;
  const auto* texts = CheckedCast<TSLNamedCollection>(ARecord.GetObjWithName(u"HelpTextDict"));
  for (int i = 0; i < texts->GetCount(); ++i) {
    const WideString language = texts->GetNameAtIndex(i);
    const AnsiString text = WideToAnsi(texts->GetStrWithName(language));
    if (!text.empty()) FPropList.AddInfoStringListItem(WideToAnsi(language), text);
  }
}

// Drives from protocol 0x60 with command set 3, or 0x5x with command set 2, say which
// parameters have a RAM value; older ones have one exactly where no ROM value is.
void TParameter::SetValueExists() {
  FROMValueExists = (FAddrUsage & AddrRomRead) != 0;
  const auto* talk = FOwner->Device()->Sibling<TTalkServiceLink>("TalkService");
  const std::uint8_t protocol = talk ? talk->ProtocolVersion() : 0;
  const std::uint8_t commandSet = talk ? talk->CommandSetVersion() : 0;
  const bool reported = (protocol >= 0x60 && commandSet > 2) || (protocol >= 0x50 && protocol <= 0x5F && commandSet > 1);
  FRAMValueExists = reported ? (FAddrUsage & AddrRamRead) != 0 : !FROMValueExists;
}

void TParameter::Abstract() { throw Exception("Abstract Error"); }

double TParameter::GetFloatValue() { throw EInvalidCast(); }

void TParameter::GetUnit(double& Scale, TUnitStr& Unit, TUnitSystem System) {
  Scale = 1.0;
  Unit = TUnitStr();
}

void TParameter::RequestModify(TTalkActor* Actor, TBasicTalkService* TalkService, TActorEvent OnResponse) { Beep(); }

void TParameter::ProcessModify(TTalkActor* Actor, TBasicTalkService* TalkService, TDeviceType Type) { Beep(); }

void TParameter::RequestValueUpdate(TActorEvent OnResponse) {
  if (const auto mode = ReadModeOf(FAddrUsage)) FOwner->GetRequest(ParameterPayload(*mode, FUPID), std::move(OnResponse));
}

void TParameter::ProcessValueUpdate(TTalkActor* Actor) {
  if (!ReadModeOf(FAddrUsage) || Actor->GetResult() != ParStatusOk) return;
  const std::string data = FOwner->GetResponse(*Actor);
  if (!DecodePendingValue(data)) {
    LogError(Format("%s.ProcessUpdate: the answer for UPID %4.4xh holds %d bytes, too few for '%s'", ClassName(),
                    FUPID, static_cast<int>(data.size()), AnsiString(FCaption)));
    return;
  }
  CommitRead();
}

void TParameter::RequestValueModify(TActorEvent OnResponse) {
  if (const auto mode = WriteModeOf(FAddrUsage))
    FOwner->SetRequest(ParameterPayload(*mode, FUPID, EncodePendingValue()), std::move(OnResponse));
}

void TParameter::ProcessValueModify(TTalkActor* Actor, TDeviceType Type) {
  const bool writable = WriteModeOf(FAddrUsage).has_value();
  if (Type == dtOffline || (Type == dtOnline && writable && Actor->GetResult() == ParStatusOk)) CommitWrite();
}

TParameter* TParameter::TransactionNode() { return IsChild() ? FParent : this; }

void TParameter::Update(TServiceClient* Client) { FOwner->ParameterUpdate(TransactionNode(), Client); }

void TParameter::Modify(TServiceClient* Client) { FOwner->ParameterModify(TransactionNode(), Client); }

void TParameter::Invalidate(TServiceClient* Client) { FOwner->ParameterInvalidate(TransactionNode(), Client); }

TParameter* TParameter::LastChild() const {
  TParameter* child = FChild;
  while (child && child->FNext) child = child->FNext;
  return child;
}

void TParameter::AddChild(std::unique_ptr<TParameter> Child) {
  TParameter* child = Child.release();
  child->FParent = this;
  child->FLevel = static_cast<std::uint8_t>(FLevel + 1);
  child->FNext = nullptr;
  child->FChild = nullptr;
  if (TParameter* last = LastChild())
    last->FNext = child;
  else
    FChild = child;
}

std::int32_t TParameter::GetUPID() const { return FOwner->ParameterList().At(FIndex).UPID; }

AnsiString TParameter::GetTree() const {
  const auto& trees = FOwner->TreeList();
  return FTreeIndex < trees.size() ? trees[FTreeIndex] : AnsiString();
}

AnsiString TParameter::GetPath() const {
  AnsiString path = FCaption;
  for (const TParameter* node = FParent; node; node = node->FParent)
    if (!node->FCaption.empty()) path = node->FCaption.str() + "\\" + path;
  return path;
}

TParameter* TParameter::GetClassRoot() const {
  for (TParameter* node = FParent; node; node = node->FParent)
    if (dynamic_cast<TClassDirParameter*>(node)) return node;
  return nullptr;
}

void TParameter::ForEach(const TParameterCallback& Callback, bool IncludeRoot) {
  bool stop = false;
  if (IncludeRoot) Callback(this, stop);
  TParameter* node = FChild;
  while (node && node != this && !stop) {
    Callback(node, stop);
    if (node->FChild) {
      node = node->FChild;
      continue;
    }
    while (node != this && !node->FNext) node = node->FParent;
    if (node != this) node = node->FNext;
  }
}

void TParameter::ForEachChild(const TParameterCallback& Callback) {
  bool stop = false;
  for (TParameter* child = FChild; child && !stop; child = child->FNext) Callback(child, stop);
}

TParameter* TParameter::GetArrayFirst() const { return FOwner->FindParameter(GetUPID()); }

TParameter* TParameter::GetArrayNext() const {
  const TParameterIndex& index = FOwner->ParameterList();
  if (FIndex + 1 >= index.Count()) return nullptr;
  const TParameterIndex::TEntry& next = index.At(FIndex + 1);
  return next.Keyed && next.UPID == FMasterUPID ? next.Node : nullptr;
}

std::int32_t TParameter::GetArrayCount() const {
  std::int32_t count = 0;
  for (const TParameter* node = GetArrayFirst(); node; node = node->GetArrayNext()) ++count;
  return count;
}

bool TParameter::FactorOfUPIDs(std::int32_t F, double& Factor) const {
  TParameter* low = FOwner->FindParameter(F);
  TParameter* high = FOwner->FindParameter(F + FactorHighOffset);
  if (!low || !high || !low->GetValid() || !high->GetValid()) return false;
  const std::uint64_t bits =
      static_cast<std::uint64_t>(low->GetIntValue()) + (static_cast<std::uint64_t>(high->GetIntValue()) << 32);
  std::memcpy(&Factor, &bits, sizeof Factor);
  return true;
}

// A gear of 0 teeth on the motor side gives no ratio rather than an infinite one. A gear
// switch not read yet is off: its value would raise.
bool TParameter::GearRatio(double& Ratio) {
  TParameter* gearOn = FOwner->FindParameter(GearOnUPID);
  const bool gear = gearOn && GetValid() && gearOn->GetValid() && gearOn->GetBoolValue();
  FGearUsed = false;
  if (!gear && (FAppFlags & AppGearScaled) == 0) return false;
  TParameter* numerator = FOwner->FindParameter(GearNumeratorUPID);
  TParameter* denominator = FOwner->FindParameter(GearDenominatorUPID);
  if (!numerator || !denominator) return false;
  const auto divisor = static_cast<double>(denominator->GetIntValue());
  if (divisor == 0) return false;
  Ratio = static_cast<double>(numerator->GetIntValue()) / divisor;
  FGearUsed = Ratio != 1;
  return true;
}

bool TParameter::RotaryValue(double& Value) const {
  TParameter* on = FOwner->FindParameter(RotaryOnUPID);
  if (!on || !on->GetValid() || on->GetIntValue() != 1) return false;
  TParameter* value = FOwner->FindParameter(RotaryValueUPID);
  TParameter* partner = FOwner->FindParameter(RotaryPartnerUPID);
  if (!value || !partner) return false;
  if (!value->IsFloat32() || !partner->IsFloat32()) throw EInvalidCast();
  Value = value->GetFloatValue();
  return true;
}

double TParameter::GetUPIDFactor(const TUnitInfo& Info, std::int32_t UnitUUID) {
  const std::int32_t f = Info.FUPID;
  double factor = 1.0;
  if (FactorOfUPIDs(f, factor)) {
    double ratio = 1.0;
    if (GearRatio(ratio)) {
      if (f == GearDividedFactor) factor /= ratio;
      if (f == GearTimesFactor) factor *= ratio;
      if (f == GearSquaredFactor) factor *= ratio * ratio;
    }
  }
  double rotary = 0;
  if (!RotaryValue(rotary)) return factor;
  if (OneOf(UnitUUID, {5, 6, 7, 29, 48, 49, 50, 84})) factor *= rotary;
  // A rotary value of 0 would make the shown value infinite: no correction then.
  if (OneOf(UnitUUID, {17, 18, 19, 20, 22, 23, 24}) && rotary != 0) factor /= rotary;
  return factor;
}

AnsiString TParameter::GetStrVarProp(TPropertyObject Obj, std::int32_t Ident) {
  auto* node = static_cast<TParameter*>(Obj);
  const auto upidText = [](std::int32_t UPID) {
    return ApplicationState().UPIDDispMode == "HEX" ? Format("%4.4x", UPID) + "h" : Format("%d", UPID);
  };
  const TParameter* parent = node->FParent;
  switch (Ident) {
    case 1: return node->FCaption;
    case 2: return upidText(node->FUPID);
    case 3: return parent ? upidText(parent->FUPID) : AnsiString();
    case 4: return node->GetChildValueStr(ApplicationState().RawDataDispMode);
    case 5: return parent ? parent->FCaption.str() : AnsiString();
    default: return {};
  }
}

void TParameter::SetStrVarProp(TPropertyObject Obj, std::int32_t Ident, const AnsiString& Text) {
  TServiceProvider& provider = FOwner->Provider();
  provider.BeginUpdate();
  provider.EndOfUpdate();
}

void TParameter::AddStringProperty(const AnsiString& AName, std::int32_t Ident) {
  auto* item = FPropList.Add<TStringProperty>(AName);
  item->Setup([this](TPropertyObject Obj, std::int32_t Id) { return GetStrVarProp(Obj, Id); },
              [this](TPropertyObject Obj, std::int32_t Id, const AnsiString& Text) { SetStrVarProp(Obj, Id, Text); },
              Ident);
  item->FReadOnly = true;
}

}  // namespace vt
