// The device service base: caption, status and its callback, string variables, clients,
// permissions and the property list.
#include "devices/DeviceService.h"

#include <gtest/gtest.h>

#include <vector>

#include "DeviceModelTest.h"
#include "RefCountedTest.h"
#include "TestUtil.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

using DeviceService = RefCountedTest;

TEST_F(DeviceService, CaptionStatusAndVariables) {
  const auto settings = TextDict({{u"Name", u"Fixture"}, {u"Caption", u"Fixture Caption"}});
  TFixtureService service(nullptr, settings.get());
  EXPECT_EQ(service.Caption(), "Fixture Caption");
  EXPECT_EQ(service.ServiceStatus(), dsStopped);

  std::vector<TDeviceServiceStatus> changes;
  service.FOnServiceStatusChange = [&](TDeviceService* Sender, TDeviceServiceStatus Status) {
    EXPECT_EQ(Sender, &service);
    changes.push_back(Status);
  };
  const struct {
    TDeviceServiceStatus status;
    const char* text;
  } cases[] = {{dsStopped, "Stopped"}, {dsStarting, "Starting"}, {dsStarted, "Started"}, {dsStopping, "Stopping"},
               {dsError, "Error"},     {dsDisabled, "Unknown"},  {dsRelogin, "Unknown"}};
  for (const auto& c : cases) {
    service.SetServiceStatus(c.status);
    EXPECT_EQ(service.GetStrVar("ServiceStatus"), c.text);
  }
  EXPECT_EQ(changes.size(), std::size(cases));

  // The name is given after construction; the service's own variables come first.
  EXPECT_EQ(service.NameInConstructor, "");
  service.FName = "Fixture";
  EXPECT_EQ(service.GetStrVar("ServiceName"), "Fixture");
  EXPECT_EQ(service.GetStrVar("Color"), "blue");
  EXPECT_EQ(service.GetStrVar("servicename"), "");  // the computed names are exact
}

TEST_F(DeviceService, PropertyListShowsCaptionAndHelpTexts) {
  auto settings = TextDict({{u"Name", u"Fixture"}, {u"Caption", u"Scope"}});
  settings->AddObject(u"HelpTextDict",
                      TextDict({{u"English", u"Records<br>signals"}, {u"German", u""}, {u"French", u"Enregistre"}}).get());
  TFixtureService service(nullptr, settings.get());
  TPropertyList& list = service.PropertyList();
  EXPECT_EQ(list.FObjType, "Service");
  EXPECT_EQ(list.GetItemWithName("Name")->GetValue(&service), "Scope");
  EXPECT_TRUE(list.GetItemWithName("Name")->GetReadOnly());
  ASSERT_EQ(list.GetNoOfInfoStr(), 2);  // the empty German text is left out
  EXPECT_EQ(list.GetLanguageWithIndex(1), "French");
  EXPECT_EQ(list.GetInfoStr("English"), "Records\rsignals");

  TFixtureService bare(nullptr, TextDict({{u"Name", u"Fixture"}}).get());
  EXPECT_EQ(bare.Caption(), "");
  EXPECT_EQ(bare.PropertyList().GetItemWithName("Name")->GetValue(&bare), "");
}

TEST_F(DeviceService, ClientsAreToldAndReleased) {
  auto service = std::make_unique<TFixtureService>(nullptr, TextDict({{u"Name", u"Fixture"}}).get());
  std::vector<int> told;
  TDeviceServiceClient* clients[3];
  for (int i = 0; i < 3; ++i) {
    clients[i] = service->CreateServiceClient();
    EXPECT_EQ(clients[i]->Service(), service.get());
    clients[i]->OnNotify = [&, i](TDeviceService* Service) {
      EXPECT_EQ(Service, service.get());
      told.push_back(i);
    };
  }
  service->NotifyClients();
  EXPECT_EQ(told, (std::vector<int>{0, 1, 2}));
  clients[1]->Release();
  EXPECT_EQ(service->GetClientCount(), 2);
  service->NotifyClients();
  EXPECT_EQ(told, (std::vector<int>{0, 1, 2, 0, 2}));
  // The service frees the rest (AddressSanitizer sees a leak or a second free).
  service.reset();
}

}  // namespace
