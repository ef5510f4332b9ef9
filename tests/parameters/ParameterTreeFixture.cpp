// See ParameterTreeFixture.h.
#include "ParameterTreeFixture.h"

#include <algorithm>

#include "parameters/ParameterManager.h"
#include "platform/Dialogs.h"
#include "runtime/ApplicationState.h"
#include "sl/values/Scalars.h"

namespace vt::test {

TValueParameter::TValueParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord)
    : TParameter(AOwner, ARecord), Value(ARecord->GetIntWithName(u"Value")) {
  if (ARecord->NameExists(u"Valid") && ARecord->GetBoolWithName(u"Valid")) SetAttrFlag(AttrValid);
  Float = ARecord->NameExists(u"Float") && ARecord->GetBoolWithName(u"Float");
  Toggle = ARecord->NameExists(u"Toggle") && ARecord->GetBoolWithName(u"Toggle");
  if (ARecord->NameExists(u"SetVFlag"))
    SetVFlag = AOwner->VisibilityController().GetFlag(ARecord->GetStrWithName(u"SetVFlag"));
}

void TValueParameter::UpdateSetVFlags() {
  if (!SetVFlag) return;
  if (Toggle)
    SetVFlag->SetValue(!SetVFlag->Value());
  else if (Value != 0)
    SetVFlag->SetValue(true);
}

namespace {

TRef<TSLDictionary> Settings(std::initializer_list<std::pair<const char16_t*, TSLObject*>> Items) {
  auto dict = MakeRef<TSLDictionary>();
  for (const auto& [name, value] : Items) dict->AddObject(name, value);
  return dict;
}

TSLString* SlString(const char16_t* Value) { return new TSLString(false, Value); }

}  // namespace

void ParameterTreeTest::SetUp() {
  RuntimeTest::SetUp();
  Start();
  SetShowMessageHandler([this](const std::u16string& Text) { Shown.push_back(WideToUtf8(Text)); });
  auto profiles = Settings({{u"VorlixOnline", Settings({{u"DeviceType", SlString(u"Online")}}).get()}});
  Devices = Settings({{u"Profiles", profiles.get()}});
  CreateDeviceManager(Devices.get());
  DeviceManager()->RegisterServiceClass("FixtureTalk", DeviceServiceClassOf<TFixtureTalkService>());
  DeviceManager()->RegisterServiceClass("UnitService", DeviceServiceClassOf<TUnitService>());
  DeviceManager()->RegisterServiceClass("ParameterService", DeviceServiceClassOf<TParameterService>());
  CreateParameterManager();
  RegisterParameterClasses(*ParameterManager());
  ParameterManager()->RegisterParameterClass(ParameterClassOf<TValueParameter>(), "Value");

  Device = DeviceManager()->CreateDevice("BOX1", "VorlixOnline");
  Device->CreateService("TalkService", Settings({{u"Name", SlString(u"FixtureTalk")}}).get());
  Units = static_cast<TUnitService*>(Device->CreateService("UnitService", Settings({{u"Name", SlString(u"UnitService")}}).get()));
  Service = static_cast<TParameterService*>(Device->CreateService(
      "ParameterService", Settings({{u"Name", SlString(u"ParameterService")}, {u"Caption", SlString(u"Parameters")}}).get()));
}

void ParameterTreeTest::TearDown() {
  FreeDeviceManager();
  FreeParameterManager();
  Devices.reset();
  TFixtureTalkService::Protocol = 0x80;
  TFixtureTalkService::CommandSet = 2;
  ApplicationState().UPIDDispMode = "HEX";
  SetShowMessageHandler(nullptr);
  Stop();
  RuntimeTest::TearDown();
}

std::string ParameterTreeTest::Record(const std::string& Type, int UPID, int Level, const std::string& Caption,
                                      const std::vector<TField>& Fields) {
  std::vector<TField> fields = {{"UPID", std::to_string(UPID)},
                                {"Level", std::to_string(Level)},
                                {"Caption", "'" + Caption + "'"},
                                {"Permission", "85"},
                                {"AddrUsage", "5"},
                                {"UseVFlag", "''"}};
  // A field given replaces the common one of its key; an empty value leaves the key out.
  for (const TField& field : Fields) {
    const auto it = std::find_if(fields.begin(), fields.end(), [&](const TField& f) { return f.first == field.first; });
    if (it != fields.end())
      it->second = field.second;
    else
      fields.push_back(field);
  }
  std::string keys, values;
  for (const auto& [key, value] : fields) {
    if (value.empty()) continue;
    keys += " /" + key + " " + value;
    values += " " + value;
  }
  return "[R [D:" + Type + keys + "] [A" + values + "]]";
}

std::string ParameterTreeTest::Module(const std::vector<std::string>& Records, const std::string& Extra) {
  std::string text = "[D " + Extra + " /ParameterArray [A";
  for (const std::string& record : Records) text += " " + record;
  return text + "]]";
}

void ParameterTreeTest::Load(const std::vector<std::string>& Records, const std::string& Extra, const char* Name) {
  Service->LoadTree(Name, Dict(Module(Records, Extra)));
}

}  // namespace vt::test
