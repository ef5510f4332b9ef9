// The device info view and the object list viewer; see DeviceInfoForm.h.
#include "devices/forms/DeviceInfoForm.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "devices/Device.h"
#include "devices/forms/PropertyInspector.h"
#include "parameters/EnumParameters.h"
#include "parameters/ParameterService.h"
#include "platform/Exceptions.h"
#include "runtime/ObjectRegistry.h"
#include "runtime/Services.h"

namespace vt {

namespace {

QString ToText(const AnsiString& Text) { return ToQString(AnsiToWide(Text)); }

// The value column of an identification parameter; a value not read yet shows empty.
AnsiString InfoValue(TParameter* AParameter) {
  try {
    if (AParameter->IsString()) {
      AnsiString value = AParameter->GetStrValue();
      return value.empty() ? AParameter->GetRAMStrValue() : value;
    }
    const auto* child = static_cast<TEnumDir16Parameter*>(AParameter)->GetSelectedChild();
    return child ? child->Caption() : AnsiString();
  } catch (const Exception&) {
    return {};
  }
}

// The parameters the view lists: strings and 16-bit enumerations.
bool Listed(TParameter* AParameter) {
  return AParameter && (AParameter->IsString() || dynamic_cast<TEnumDir16Parameter*>(AParameter));
}

QTreeWidget* NewReportList(QWidget* Parent, const char* Name, const QStringList& Columns) {
  auto* list = new QTreeWidget(Parent);
  list->setObjectName(Name);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setHeaderLabels(Columns);
  return list;
}

}  // namespace

// ---- The factory ----

std::unique_ptr<TApplicationView> TDeviceInfoFormFactory::CreateApplicationView(QWidget* A_CommanderParent,
                                                                               TFormList& FFormList) {
  auto form = std::make_unique<TDeviceInfoForm>();
  auto view = std::make_unique<TApplicationView>(this);
  view->SetPanel(form->MainPanel);
  TDeviceInfoForm* f = form.get();
  view->OnExecute = [f](TAppViewAction Action) { f->ApplicationExecute(Action); };
  view->CommanderParent = A_CommanderParent;
  form->AppView = view.get();
  FFormList.push_back(std::move(form));
  return view;
}

// ---- The device info view ----

TDeviceInfoForm::TDeviceInfoForm() {
  setObjectName("DeviceInfoForm");
  setWindowTitle("Device Info");
  auto* layout = new QVBoxLayout(this);
  MainPanel = new QWidget(this);
  MainPanel->setObjectName("MainPanel");
  layout->addWidget(MainPanel);
  auto* panelLayout = new QVBoxLayout(MainPanel);
  panelLayout->setContentsMargins(0, 0, 0, 0);
  ListView = NewReportList(MainPanel, "ListView", {"Name", "Value"});
  ListView->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  panelLayout->addWidget(ListView);
  connect(ListView, &QTreeWidget::itemSelectionChanged, this, [this] { ListViewChange(); });
  connect(ListView, &QTreeWidget::itemDoubleClicked, this, [this] { ListViewDblClick(); });
}

TDeviceInfoForm::~TDeviceInfoForm() = default;

void TDeviceInfoForm::ApplicationExecute(TAppViewAction Action) {
  switch (Action) {
    case vaCreate:
      FServiceClient = std::make_unique<TServiceClient>();
      FServiceClient->OnUpdate = [this](TServiceClient*) { ServiceClientUpdate(); };
      break;
    case vaShow: {
      FParameterService = nullptr;
      TDevice* device = AppView->Model() ? AppView->Model()->Data().As<TDevice>() : nullptr;
      if (device) {
        if ((FParameterService = device->Sibling<TParameterService>("ParameterService"))) {
          FServiceClient->Connect(&FParameterService->Provider());
          RebuildListView();
        }
        if (TPropertyInspector* inspector = PropertyInspector())
          inspector->EditObjectProperties(device, &device->PropertyList());
      } else {
        ListView->clear();
      }
      // Shown afresh, so that it repaints.
      ListView->hide();
      ListView->show();
      break;
    }
    case vaHide:
      if (FServiceClient->GetConnected()) FServiceClient->Disconnect();
      FParameterService = nullptr;
      if (TPropertyInspector* inspector = PropertyInspector()) inspector->Clear();
      break;
    case vaDestroy:
      FServiceClient.reset();
      break;
    case vaInit:
    case vaDone:
      break;
  }
}

void TDeviceInfoForm::ServiceClientUpdate() { RebuildListView(); }

void TDeviceInfoForm::RebuildListView() {
  if (!FParameterService) return;
  ListView->setUpdatesEnabled(false);
  ListView->clear();
  for (const std::int32_t upid : InfoUPIDs) {
    TParameter* parameter = FParameterService->FindParameter(upid);
    if (!Listed(parameter)) continue;
    auto* row = new QTreeWidgetItem(ListView, {ToText(parameter->Caption()), ToText(InfoValue(parameter))});
    row->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<void*>(parameter)));
  }
  ListView->setUpdatesEnabled(true);
}

TParameter* TDeviceInfoForm::RowParameter(int Row) const {
  const QTreeWidgetItem* item = ListView->topLevelItem(Row);
  return item ? static_cast<TParameter*>(item->data(0, Qt::UserRole).value<void*>()) : nullptr;
}

void TDeviceInfoForm::ListViewChange() {
  if (!ListView->selectedItems().isEmpty()) ControlPropertyInspector();
}

void TDeviceInfoForm::ControlPropertyInspector() {
  TPropertyInspector* inspector = PropertyInspector();
  if (!inspector) return;
  const QList<QTreeWidgetItem*> selected = ListView->selectedItems();
  TParameter* parameter =
      selected.isEmpty() ? nullptr : RowParameter(ListView->indexOfTopLevelItem(selected.front()));
  if (parameter)
    inspector->EditObjectProperties(parameter, &parameter->PropList());
  else
    inspector->Clear();
}

void TDeviceInfoForm::ListViewDblClick() {
  const QList<QTreeWidgetItem*> selected = ListView->selectedItems();
  if (selected.isEmpty() || !AppView->Entry()) return;
  TParameter* parameter = RowParameter(ListView->indexOfTopLevelItem(selected.front()));
  TDevice* device = AppView->Model()->Data().As<TDevice>();
  if (!parameter || !device) return;
  // Moving the tree hides this view: nothing of it is touched afterwards.
  AppView->Entry()->Owner()->SetPathStr("Project:\\\\" + device->GetDevicePath() + "\\Parameters\\" +
                                        parameter->GetPath());
}

// ---- The object list viewer ----

TProgramViewer::TProgramViewer() {
  setObjectName("ProgramViewer");
  setWindowTitle("ProgramViewer");
  auto* layout = new QVBoxLayout(this);
  ObjListView = NewReportList(this, "ObjListView", {"Name", "Type", "Version", "Revision"});
  for (const int column : {2, 3}) ObjListView->headerItem()->setTextAlignment(column, Qt::AlignRight);
  layout->addWidget(ObjListView);
  resize(520, 360);
}

void TProgramViewer::showEvent(QShowEvent* Event) {
  QWidget::showEvent(Event);
  RefreshObjListView();
}

void TProgramViewer::RefreshObjListView() {
  ObjListView->setUpdatesEnabled(false);
  ObjListView->clear();
  const TObjectRegistryManager& registry = ObjectRegistryManager();
  for (int i = 0; i < registry.GetCount(); ++i) {
    const TObjectRegistryItem& object = registry.GetRegItem(i);
    auto* row = new QTreeWidgetItem(ObjListView, {QString::fromStdString(object.ObjectName()),
                                                  QString::fromStdString(object.ObjectType()),
                                                  QString::number(object.Version()),
                                                  QString::number(object.Revision())});
    for (const int column : {2, 3}) row->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
  }
  ObjListView->setUpdatesEnabled(true);
}

}  // namespace vt
