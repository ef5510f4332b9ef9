// The module groups of the project tree; see ModuleGroups.h.
#include "shell/ModuleGroups.h"

#include "devices/Device.h"
#include "devices/ModelTree.h"
#include "parameters/ParameterService.h"
#include "platform/Exceptions.h"
#include "runtime/Conversions.h"

namespace vt {

namespace {

constexpr std::int32_t UpidModuleFirst = 6338, UpidModuleSecond = 6339, UpidModuleThird = 6340;
constexpr std::int32_t UpidDriveName = 1000, UpidModuleKind = 6341;
constexpr std::size_t ThirdPartDigits = 3;

TParameterService* Parameters(const TDevice& Device) {
  return Device.ServiceExists("ParameterService") ? dynamic_cast<TParameterService*>(Device.GetService("ParameterService"))
                                                  : nullptr;
}

// The parameter's raw value in decimal; empty when it does not exist.
AnsiString DecimalText(const TParameterService& Service, std::int32_t UPID) {
  TParameter* p = Service.FindParameter(UPID);
  return p ? p->GetRawDataStr("DEC") : AnsiString();
}

AnsiString ShownText(const TParameterService& Service, std::int32_t UPID) {
  TParameter* p = Service.FindParameter(UPID);
  return p ? p->GetStrValue() : AnsiString();
}

// The last top-level entry whose caption begins with Caption.
TModelItem* FindGroup(const TModelItem& Root, const AnsiString& Caption) {
  TModelItem* group = nullptr;
  for (int i = 0; i < Root.GetChildCount(); ++i)
    if (TModelItem* child = Root.GetChild(i); child->Caption().compare(0, Caption.size(), Caption) == 0) group = child;
  return group;
}

void AddToRoot(TDevice& Device, TModelManager& Model) {
  if (!Device.Model()->Parent()) Model.Root()->AddChild(Device.Model());
}

}  // namespace

AnsiString ModuleIdentityCaption(TDevice& Device) {
  const TParameterService* service = Parameters(Device);
  if (!service) return {};
  const AnsiString first = DecimalText(*service, UpidModuleFirst);
  AnsiString second = DecimalText(*service, UpidModuleSecond);
  AnsiString third = DecimalText(*service, UpidModuleThird);
  if (first.empty() || second.empty() || third.empty() || first == "0" || first == "65535") return {};
  second = IntTo35(second);
  if (third.size() < ThirdPartDigits) third.insert(0, ThirdPartDigits - third.size(), '0');
  return "Module: " + first + "." + second + "." + third;
}

void ModulCheck(TDevice& Device, TModelManager& Model, bool ModulFunction) {
  Device.ModuleFlag = false;
  try {
    const AnsiString caption = ModuleIdentityCaption(Device);
    Device.ModuleFlag = ModulFunction && !caption.empty();
    if (!Device.ModuleFlag) return AddToRoot(Device, Model);
    TModelItem* item = Device.ModulItem();
    item->SetCaption(caption);
    const TParameterService& service = *Parameters(Device);
    const bool named = service.FindParameter(UpidDriveName) != nullptr;
    if (TModelItem* group = FindGroup(*Model.Root(), caption)) {
      if (named) {
        group->SetCaption(group->Caption() + " / " + ShownText(service, UpidDriveName));
        item->SetCaption(group->Caption());
      }
      group->AddChild(Device.Model());
      group->EvaluateImage();
      return;
    }
    if (named) item->SetCaption(caption + ": " + ShownText(service, UpidDriveName));
    item->ModulCode = service.FindParameter(UpidModuleKind) && ShownText(service, UpidModuleKind).starts_with("A") ? 1 : 2;
    item->AddChild(Device.Model());
    Model.Root()->AddChild(item);
    item->OnGetStrVar = nullptr;
    item->EvaluateImage();
  } catch (const Exception&) {
    AddToRoot(Device, Model);
  }
}

}  // namespace vt
