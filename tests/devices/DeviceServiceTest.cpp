// The device service base: caption, status and its callback, string variables.
#include "devices/DeviceService.h"

#include <gtest/gtest.h>

#include <vector>

#include "DeviceModelTest.h"
#include "RefCountedTest.h"

using namespace vt;

namespace {

using DeviceService = RefCountedTest;

TEST_F(DeviceService, CaptionStatusAndVariables) {
  const auto settings = TextDict({{u"Name", u"Fixture"}, {u"Caption", u"Fixture Caption"}});
  TFixtureService service(nullptr, settings.get());
  EXPECT_EQ(service.Caption(), "Fixture Caption");
  EXPECT_EQ(TFixtureService(nullptr, TextDict({{u"Name", u"Fixture"}}).get()).Caption(), "");
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

}  // namespace
