// Boolean parameters; see BoolParameters.h.
#include "parameters/BoolParameters.h"

#include "parameters/ParameterService.h"
#include "parameters/ValueCoding.h"
#include "platform/Exceptions.h"
#include "sl/values/Arrays.h"
#include "sl/values/Collections.h"
#include "sl/values/Scalars.h"

namespace vt {

// ---- TGenericBoolParameter ----

TGenericBoolParameter::TGenericBoolParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord)
    : TParameter(AOwner, ARecord) {
  if (!ARecord || !ARecord->NameExists(u"SetVFlag")) return;
  const auto* names = CheckedCast<TSLArray>(ARecord->GetObjWithName(u"SetVFlag"));
  if (names->GetCount() == 0) return;
  FSetVFlagList.reserve(static_cast<std::size_t>(names->GetCount()));
  for (int i = 0; i < names->GetCount(); ++i)
    FSetVFlagList.push_back(
        AOwner->VisibilityController().GetFlag(CheckedCast<TSLString>(names->GetObjAtIndex(i))->StringValue()));
  SetAttrFlag(AttrSetsFlags);
}

void TGenericBoolParameter::GetScaledValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) {
  Value.ValueStr = GetBoolValue() ? "True" : "False";
  Value.UnitStr = TUnitStr();
}

void TGenericBoolParameter::GetScaledRAMValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) {
  Value.UnitStr = TUnitStr();
  if (!FRAMValueExists) {
    Value.ValueStr = "***";
    return;
  }
  Value.ValueStr = GetRAMBoolValue() ? "True" : "False";
}

void TGenericBoolParameter::SetScaledValue(const AnsiString& Text, TUnitSystem System, const AnsiString& Mode) {
  const AnsiString text = UpperCaseAnsi(Text);
  if (text == "TRUE" || text == "1" || text == "ON")
    SetBoolValue(true);
  else if (text == "FALSE" || text == "0" || text == "OFF")
    SetBoolValue(false);
  else
    throw Exception("invalid boolean parameter" + text);
}

void TGenericBoolParameter::UpdateSetVFlags() {
  if (!GetValid() || FSetVFlagList.empty() || !GetVisible() || !GetBoolValue()) return;
  for (TVisibilityFlag* flag : FSetVFlagList) flag->SetValue(true);
}

// ---- TBoolParameter ----

TBoolParameter::TBoolParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord)
    : TTelegramParameter(AOwner, ARecord) {
  FTypeStr = "Bool";
  FPropList.FObjType = "Bool Parameter";
  AddStringProperty("Name", 1);
  AddStringProperty("UPID", 2);
  FDefaultValue = ARecord->GetIntWithName(u"DefValue") != 0;
}

bool TBoolParameter::GetBoolValue() {
  if (!GetValid()) throw Exception("Parameter not name " + FCaption.str() + " is notvalid");
  return FDataCache;
}

bool TBoolParameter::GetRAMBoolValue() {
  if (!GetValid()) throw Exception("Parameter with name " + FCaption.str() + " is not valid");
  return FRAMValue;
}

bool TBoolParameter::GetNewBoolValue() {
  if (!GetValid()) throw Exception("Parameter not valid");
  return FNewDataCache;
}

AnsiString TBoolParameter::ValueText(bool Value, const AnsiString& Mode) {
  if (Mode == "SCALED") return Value ? "True" : "False";
  if (Mode == "HEX") return Value ? "1h" : "0h";
  return Value ? "1" : "0";
}

AnsiString TBoolParameter::RawText(bool Value, const AnsiString& Mode) {
  return Mode == "HEX" || Mode == "DEC" ? ValueText(Value, Mode) : AnsiString();
}

void TBoolParameter::GetDefaultStr(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) {
  Value.ValueStr = ValueText(FDefaultValue, Mode);
  Value.UnitStr = TUnitStr();
}

void TBoolParameter::SetDefaultValue(TUnitSystem System) {
  SetBoolValue(FDefaultValue);
  if (IsSafetyParameter()) SetNewBoolValue(FDefaultValue);
  CopyTempToData();
  CopyTempRAMToData();
}

void TBoolParameter::SetMultBoolValue(std::uint8_t RamFlag) {
  if (RamFlag == 1)
    CopyTempRAMToData();
  else
    CopyTempToData();
}

void TBoolParameter::CopyTempToData() { CommitValue(FTempCache, FDataCache); }

bool TBoolParameter::DecodePendingValue(std::string_view Data) {
  std::uint64_t word = 0;
  if (!DecodeLittleEndian(Data, GetSize(), word)) return false;
  FTempCache = word != 0;
  return true;
}

AnsiString TBoolParameter::EncodePendingValue() { return EncodeLittleEndian(FTempCache ? 1 : 0, GetSize()); }

void TBoolParameter::CommitRead() {
  if (FAddrUsage & AddrRomRead)
    CopyTempToData();
  else
    CopyTempRAMToData();
}

}  // namespace vt
