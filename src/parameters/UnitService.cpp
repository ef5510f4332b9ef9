// The unit service; see UnitService.h.
#include "parameters/UnitService.h"

#include "devices/Device.h"
#include "devices/ModelTree.h"

namespace vt {

TUnitService::TUnitService(TDevice* AOwner, TSLDictionary* AProfDict)
    : TDeviceService(AOwner, AProfDict), FServiceProvider(this, "UnitService") {
  FModel = AOwner->Model()->Owner()->NewItem(TModelData(static_cast<TDeviceService*>(this)));
  FModel->SetCaption("Units");
  FModel->Hide();
}

TUnitService::~TUnitService() {
  if (TModelItem* parent = FModel->Parent()) parent->RemoveChild(FModel);
  FModel->Release();
}

void TUnitService::StartUp(bool& Wait) {
  if (FServiceStatus != dsStopped) return;
  FOwner->Model()->AddChild(FModel);
  SetServiceStatus(dsStarted);
}

void TUnitService::ShutDown(bool& Wait) {
  if (FServiceStatus != dsStarted) return;
  FOwner->Model()->RemoveChild(FModel);
  SetServiceStatus(dsStopped);
}

}  // namespace vt
