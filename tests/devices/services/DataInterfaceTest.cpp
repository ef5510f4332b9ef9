// Data interfaces and data items: registration and look-up by type name, the selection
// lists, and commands run through the module service's execute control in their order,
// with asynchronous interfaces, an import aborted by an interface, an item nobody
// handles and an interface that raises.
#include <gtest/gtest.h>

#include "DeviceModelTest.h"
#include "StandInService.h"
#include "devices/DataInterface.h"
#include "devices/services/ModuleService.h"
#include "runtime/ExecuteControls.h"

using namespace vt;

namespace {

// Writes every step into a journal ("Parameters 4", "Variables 3 Motor"); Async makes a
// command wait until the test continues it; Raise and AbortIn make the named command
// raise or abort the import.
class TRecordingInterface : public TDataInterface {
 public:
  TRecordingInterface(const char* AType, std::vector<std::string>& AJournal) : Type(AType), Journal(AJournal) {
    SetCaption(AType);
  }
  int GetTypeCount() const override { return 1; }
  AnsiString GetTypeName(int) const override { return Type; }
  int GetDataCount() const override { return 2; }
  void GetDataInfo(int AIndex, TDataItem* ADataItem) override {
    ADataItem->SetTypeName(AnsiToWide(Type));
    ADataItem->SetDataName(u"Data " + AnsiToWide(std::to_string(AIndex)));
  }
  void Execute(TExecuteControl* ExecCtrl) override {
    auto* item = static_cast<TDataItem*>(ExecCtrl->Data());
    std::string step = Type + " " + std::to_string(ExecCtrl->Command());
    if (item) step += " " + WideToUtf8(item->GetDataName());
    if (ExecCtrl->Status() != 0) step += " again";
    Journal.push_back(step);
    if (ExecCtrl->Command() == Raise) throw Exception("broken data");
    if (ExecCtrl->Command() == AbortIn && Module) Module->SetImportAborted(true);
    if (Async && ExecCtrl->Status() == 0) {
      ExecCtrl->Wait(this);
      ExecCtrl->SetStatus(1);
      Waiting = ExecCtrl;
      return;
    }
    ExecCtrl->SetStatus(0);
  }
  void Finish() { std::exchange(Waiting, nullptr)->Continue(this); }

  std::string Type;
  std::vector<std::string>& Journal;
  bool Async = false;
  int Raise = 0;
  int AbortIn = 0;
  TModuleService* Module = nullptr;
  TExecuteControl* Waiting = nullptr;
};

class DataInterfaceTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    DeviceManager()->RegisterServiceClass("ModuleService", DeviceServiceClassOf<TModuleService>());
    TDevice* device = NewDevice({});
    Module = static_cast<TModuleService*>(device->CreateService("ModuleService", test::NamedSettings(u"ModuleService").get()));
    Module->RegisterDataInterface(&Parameters);
    Module->RegisterDataInterface(&Variables);
  }
  // Steps until the control has ended its command.
  void Settle() {
    EXPECT_TRUE(StepUntil([&] { return Module->ExecuteIdle(); }));
  }
  void AddItem(const char16_t* Type, const char16_t* Name) {
    auto item = std::make_unique<TDataItem>();
    item->CreateDataDict();
    item->SetTypeName(Type);
    item->SetDataName(Name);
    Module->AddDataItem(std::move(item));
  }
  // Command 4 on every interface, 5 and 3 on every item, 7 on every interface, each
  // started once the one before has ended.
  void RunLoad() {
    for (int i = 0; Module->ExecuteInterface(i, dcBegin);) Settle();
    for (const std::int32_t command : {dcPrepareImport, dcPutData})
      for (int i = 0; Module->ExecuteDataItem(i, command);) Settle();
    for (int i = 0; Module->ExecuteInterface(i, dcEnd);) Settle();
  }

  std::vector<std::string> Journal;
  TRecordingInterface Parameters{"Parameters", Journal};
  TRecordingInterface Variables{"Variables", Journal};
  TModuleService* Module = nullptr;
};

TEST_F(DataInterfaceTest, RegistrationAndLookUp) {
  EXPECT_EQ(Module->GetInterfaceCount(), 2);
  EXPECT_EQ(Module->GetInterface(1), &Variables);
  EXPECT_EQ(Module->GetInterfaceForType(u"parameters"), &Parameters);
  EXPECT_EQ(Module->GetInterfaceForType(u"Curves"), nullptr);
  try {
    Module->RegisterDataInterface(&Variables);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "TModuleService.RegisterDataInterface: interface 'Variables' already registered");
  }
  TRecordingInterface again("VARIABLES", Journal);
  EXPECT_THROW(Module->RegisterDataInterface(&again), Exception);
  EXPECT_EQ(Module->GetInterfaceCount(), 2);
}

TEST_F(DataInterfaceTest, ItemsAndSelectionLists) {
  TDataItem empty;
  try {
    empty.GetInfoDict();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "TDataItem.GetInfoDict: no data dictionary");
  }
  TDataItem item;
  item.CreateDataDict();
  item.SetVersion(2);
  item.SetVersion(3);  // replaces
  item.SetDataPath(u"Configuration");
  EXPECT_EQ(item.GetVersion(), 3);
  EXPECT_EQ(item.GetInfoDict()->GetCount(), 2);

  Parameters.AddToImpExpList("true");
  Parameters.AddToImpExpList("FALSE");
  EXPECT_TRUE(Parameters.GetImpExpDataAt(0));
  EXPECT_FALSE(Parameters.GetImpExpDataAt(1));
  EXPECT_FALSE(Parameters.GetImpExpDataAt(2));
  Parameters.SetImpExpDataAt(1, true);
  EXPECT_TRUE(Parameters.GetImpExpDataAt(1));
  EXPECT_THROW(Parameters.SetImpExpDataAt(2, true), Exception);
}

// Commands in their order; an asynchronous command runs again after its job continued
// the control.
TEST_F(DataInterfaceTest, CommandsRunInOrder) {
  AddItem(u"Variables", u"Motor");
  AddItem(u"PARAMETERS", u"Servo");
  Variables.Async = true;
  int index = 0;
  ASSERT_TRUE(Module->ExecuteDataItem(index, dcPutData));
  EXPECT_EQ(index, 1);
  ASSERT_TRUE(StepUntil([&] { return Variables.Waiting != nullptr; }));
  Steps(5);
  EXPECT_EQ(Journal, std::vector<std::string>{"Variables 3 Motor"});
  Variables.Finish();
  Settle();
  Variables.Async = false;
  Journal.clear();

  RunLoad();
  EXPECT_EQ(Journal, (std::vector<std::string>{"Parameters 4", "Variables 4", "Variables 5 Motor", "Parameters 5 Servo",
                                                "Variables 3 Motor", "Parameters 3 Servo", "Parameters 7",
                                                "Variables 7"}));
  EXPECT_EQ(Module->CurrentDataInterface(), &Parameters);
  EXPECT_EQ(Parameters.CurrentExecCtrl(), &Module->ExecuteControl());
  index = 2;
  EXPECT_FALSE(Module->ExecuteDataItem(index, dcPutData));
}

// An interface that aborts the import in command 5 stops every later item step; each
// interface still hears the end. An item nobody handles is logged and passed over.
TEST_F(DataInterfaceTest, AbortedImportAndUnknownItems) {
  AddItem(u"Curves", u"Help 1");
  AddItem(u"Parameters", u"Servo");
  AddItem(u"Variables", u"Motor");
  Parameters.AbortIn = dcPrepareImport;
  Parameters.Module = Module;
  RunLoad();
  EXPECT_EQ(Journal,
            (std::vector<std::string>{"Parameters 4", "Variables 4", "Parameters 5 Servo", "Parameters 7", "Variables 7"}));
  EXPECT_TRUE(Logged("no data interface found for type with name 'Curves'"));
}

// An interface that raises ends its command as failed; the control stays usable, and
// raising while it waits leaves it idle too.
TEST_F(DataInterfaceTest, RaisingInterfaceFailsTheCommandOnly) {
  AddItem(u"Parameters", u"Servo");
  AddItem(u"Variables", u"Motor");
  Parameters.Raise = dcPutData;
  RunLoad();
  EXPECT_TRUE(Logged("Parameters: command 3 failed (broken data)"));
  EXPECT_TRUE(Module->ExecuteFailed());
  EXPECT_TRUE(Module->ImportAborted());
  EXPECT_FALSE(Module->SaveAbort());
  EXPECT_EQ(Journal.back(), "Variables 7");
  EXPECT_EQ(std::count(Journal.begin(), Journal.end(), "Variables 3 Motor"), 0);

  // A save after it: the failing get refuses the save, the next interface runs.
  Module->SetImportAborted(false);
  Module->ClearExecuteFailed();
  Journal.clear();
  Parameters.Raise = dcGetData;
  Parameters.Async = true;
  for (int i = 0; Module->ExecuteDataItem(i, dcGetData);) Settle();
  EXPECT_TRUE(Module->SaveAbort());
  EXPECT_EQ(Journal, (std::vector<std::string>{"Parameters 2 Servo", "Variables 2 Motor"}));
}

// A command started while the control runs another leaves that one alone.
TEST_F(DataInterfaceTest, BusyControlKeepsItsCommand) {
  AddItem(u"Variables", u"Motor");
  Variables.Async = true;
  int index = 0;
  Module->ExecuteDataItem(index, dcPutData);
  ASSERT_TRUE(StepUntil([&] { return Variables.Waiting != nullptr; }));
  index = 0;
  EXPECT_TRUE(Module->ExecuteInterface(index, dcEnd));
  EXPECT_TRUE(Logged("TExecuteControl.Execute: not in idle state"));
  EXPECT_EQ(Module->ExecuteControl().Command(), dcPutData);
  Variables.Finish();
  Settle();
  EXPECT_EQ(Journal, (std::vector<std::string>{"Variables 3 Motor", "Variables 3 Motor again"}));
}

}  // namespace
