// String parameters; see StringParameters.h.
#include "parameters/StringParameters.h"

#include "devices/Device.h"
#include "devices/DeviceManager.h"
#include "parameters/ParameterService.h"
#include "platform/Exceptions.h"

namespace vt {

namespace {

// Erased drive memory reads as 0xFF.
constexpr char ErasedByte = '\xFF';

}  // namespace

// ---- TGenericStrParameter ----

void TGenericStrParameter::GetScaledValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) {
  Value.UnitStr = TUnitStr();
  Value.ValueStr = GetStrValue();
}

void TGenericStrParameter::GetScaledRAMValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) {
  Value.UnitStr = TUnitStr();
  Value.ValueStr = FRAMValueExists ? GetRAMStrValue() : AnsiString("***");
}

void TGenericStrParameter::GetScaledNewValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) {
  Value.UnitStr = TUnitStr();
  Value.ValueStr = GetStrNewValue();
}

// ---- TStringParameter ----

TStringParameter::TStringParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord)
    : TTextValueParameter(AOwner, ARecord, "String", "String Parameter") {}

AnsiString TStringParameter::Checked(TParameterStr& Text) {
  if (!GetValid()) throw Exception("Parameter with name " + FCaption.str() + " is not valid");
  if (!Text.empty() && Text.str()[0] == ErasedByte) {
    AnsiString shown = Text;
    shown[0] = '\0';
    Text = shown;
  }
  return Text;
}

AnsiString TStringParameter::GetStrValue() { return Checked(FDataCache); }

AnsiString TStringParameter::GetRAMStrValue() { return Checked(FRAMValue); }

AnsiString TStringParameter::GetStrNewValue() {
  if (!GetValid()) throw Exception("Parameter not valid");
  return FNewDataCache;
}

void TStringParameter::SetStrValue(const AnsiString& Value) {
  FTempCache = Value;
  KeepDefinitionFileName(FTempCache);
  if (FAddrUsage & AddrWriteWhileRunning) FRAMValue = Value;
}

AnsiString TStringParameter::EncodePendingValue() { return FTempCache.str().substr(0, FMaxSize); }

void TStringParameter::CommitRead() {
  RenameDevice(FTempCache);
  CopyTempToData();
}

void TStringParameter::CommitWrite() { CommitRead(); }

void TStringParameter::ProcessUpdate(TTalkActor* Actor, TBasicTalkService* TalkService) {
  TTelegramParameter::ProcessUpdate(Actor, TalkService);
  KeepDefinitionFileName(FTempCache);
}

void TStringParameter::SetMultValue(std::string_view Raw, std::uint8_t RamFlag) {
  const AnsiString text = CutAtNul(Raw);
  RenameDevice(text);
  (RamFlag == 1 ? FRAMValue : FDataCache) = text;
  KeepDefinitionFileName(text);
}

void TStringParameter::SetSafetyPar(const AnsiString& Raw, bool Login) {
  FDataCache = CutAtNul(Raw);
  if (Login) FNewDataCache = FDataCache;
}

AnsiString TStringParameter::GetSafetyPar() {
  AnsiString text = FNewDataCache;
  if (text.size() < FMaxSize) text.resize(FMaxSize, '\0');
  return text;
}

void TStringParameter::RenameDevice(const AnsiString& Text) {
  if (FMasterUPID != DriveNameUPID) return;
  TDevice* device = FOwner->Device();
  if (device->Caption() != Text) DeviceManager()->SetDeviceCaption(device->Name(), Text);
}

void TStringParameter::KeepDefinitionFileName(const AnsiString& Text) {
  if (FMasterUPID == ActuatorFileUPID) FOwner->ADFOldName = Text;
  if (FMasterUPID == ModuleFileUPID) FOwner->MDFOldName = Text;
}

}  // namespace vt
