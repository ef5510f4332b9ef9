// Parameter folders; see DirectoryParameters.h.
#include "parameters/DirectoryParameters.h"

#include <utility>

#include "devices/Device.h"
#include "devices/ModelTree.h"
#include "parameters/ParameterManager.h"
#include "parameters/ParameterService.h"
#include "platform/Exceptions.h"

namespace vt {

// ---- TGenericDirParameter ----

TGenericDirParameter::TGenericDirParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord)
    : TParameter(AOwner, ARecord) {
  FModel = AOwner->Device()->Model()->Owner()->NewItem(TModelData(this));
  FModel->SetCaption(FCaption);
  if (TParameterManager* manager = ParameterManager()) FModel->View = manager->ModelView();
  ChangePermission();
}

TGenericDirParameter::~TGenericDirParameter() {
  // Released also without a parent: the node must not outlive the folder it names.
  if (TModelItem* parent = FModel->Parent()) parent->RemoveChild(FModel);
  FModel->Release();
}

void TGenericDirParameter::AddChild(std::unique_ptr<TParameter> Child) {
  auto* folder = dynamic_cast<TGenericDirParameter*>(Child.get());
  TParameter::AddChild(std::move(Child));
  if (!folder) return;
  folder->FModel->Hide();
  FModel->AddChild(folder->FModel);
}

void TGenericDirParameter::ChangePermission() {
  const bool developer = UpperCaseWide(FOwner->Device()->GetStrVar(u"UserName")) == u"DEVELOPER";
  FModel->UserType = developer ? TUserTypeSet{utDevelop} : TUserTypeSet{utService};
  const auto rights = [](bool User, bool Service, bool Developer) {
    TUserTypeSet set;
    if (User) set = {utRead1, utRead2, utUser1, utUser2};
    if (Service) set.Include(utService);
    if (Developer) set.Include(utDevelop);
    return set;
  };
  FModel->Permission.Read = rights(CanRead(0x01), CanRead(0x04), CanRead(0x10));
  FModel->Permission.Write = rights(CanWrite(0x02), CanWrite(0x08), CanWrite(0x20));
}

void TGenericDirParameter::SetFolderImage() { SetImage(IsSafetyParameter() ? SafetyFolderImage : FolderImage); }

void TGenericDirParameter::SetImage(std::int32_t Index) { FModel->SetImageIndex(Index); }

// ---- TDirectoryParameter ----

TDirectoryParameter::TDirectoryParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord)
    : TGenericDirParameter(AOwner, ARecord) {
  FPropList.FObjType = "Parameter Directory";
  AddStringProperty("Name", 1);
  SetFolderImage();
}

// ---- TCapDirParameter ----

TCapDirParameter::TCapDirParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord)
    : TTextValueParameter(AOwner, ARecord, "CapDir", "CapDir Parameter") {
  SetFolderImage();
  FModel->SetFlag(mfAllowEdit, true);
}

void TCapDirParameter::GetScaledValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) {
  Value.ValueStr = GetStrValue();
  Value.UnitStr = TUnitStr();
}

void TCapDirParameter::SetScaledValue(const AnsiString& Text, TUnitSystem System, const AnsiString& Mode) {
  SetStrValue(Text);
}

AnsiString TCapDirParameter::GetStrValue() {
  if (!GetValid()) throw Exception("Parameter not valid");
  return FDataCache;
}

void TCapDirParameter::SetStrValue(const AnsiString& Value) { FTempCache = Value; }

// ---- TClassDirParameter ----

TClassDirParameter::TClassDirParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord)
    : TGenericDirParameter(AOwner, ARecord) {
  if (ARecord) {
    FModel->SetImageIndex(FolderImage);
    return;
  }
  FExtension = "cfg";
  FModel->SetImageIndex(RootFolderImage);
  SetAttrFlag(AttrVisible);
}

// ---- TRootDirParameter ----

TRootDirParameter::TRootDirParameter(TParameterService* AOwner) : TGenericDirParameter(AOwner, nullptr) {
  FModel->SetImageIndex(RootFolderImage);
  SetAttrFlag(AttrVisible);
}

}  // namespace vt
