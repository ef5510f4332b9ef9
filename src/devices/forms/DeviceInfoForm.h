// The device info view: what a commander window shows for a device's node. It lists the
// drive's identification parameters (from the device's parameter service) and puts the
// device's own properties into the property inspector; selecting a row shows that
// parameter there instead, and a double click moves the tree to the parameter's folder.
//
// Threads: the GUI thread only.
#pragma once

#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>

#include "devices/forms/ApplicationView.h"

class QTreeWidget;

namespace vt {

class TParameter;
class TParameterService;
class TServiceClient;

// The view of every device node.
class TDeviceInfoFormFactory : public TApplicationViewFactory {
 protected:
  std::unique_ptr<TApplicationView> CreateApplicationView(QWidget* A_CommanderParent, TFormList& FFormList) override;
};

class TDeviceInfoForm : public QWidget {
 public:
  // The identification parameters listed, in this order (master UPIDs).
  static constexpr std::array<std::int32_t, 9> InfoUPIDs = {1020, 1000, 1010, 1040, 1050, 1060, 1120, 1180, 1240};

  TDeviceInfoForm();
  ~TDeviceInfoForm() override;

  void ApplicationExecute(TAppViewAction Action);
  void ServiceClientUpdate();
  // One row per identification parameter the tree holds as a string or a 16-bit
  // enumeration; nothing without a parameter service.
  void RebuildListView();
  void ListViewDblClick();
  void ListViewChange();
  // The selected row's parameter in the inspector; cleared without one.
  void ControlPropertyInspector();
  // The parameter of a row, none for another row.
  TParameter* RowParameter(int Row) const;

  QWidget* MainPanel;
  QTreeWidget* ListView;
  TApplicationView* AppView = nullptr;

 private:
  TParameterService* FParameterService = nullptr;
  std::unique_ptr<TServiceClient> FServiceClient;
};

// The object list viewer: every object of the object registry with its type, version
// and revision.
class TProgramViewer : public QWidget {
 public:
  TProgramViewer();
  void RefreshObjListView();

  QTreeWidget* ObjListView;

 protected:
  void showEvent(QShowEvent* Event) override;
};

}  // namespace vt
