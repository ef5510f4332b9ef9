#include "comm/PortDriver.h"

#include <gtest/gtest.h>

#include "CommTestUtil.h"
#include "TestUtil.h"
#include "comm/CommLimits.h"

using namespace vt;

namespace {

TEST(PortDriver, RegistrationCodes) {
  TPortDriver driver(3);
  TPayloads first, second;
  EXPECT_EQ(driver.Assign(0, 0, first.Handler(), nullptr), StatusUdpSendFailed);  // closed: no slots
  driver.Open(nullptr, nullptr);
  const struct {
    std::int32_t index;
    TPayloads* handler;
    std::uint8_t result;
  } steps[] = {
      {0, &first, 0},
      {0, &second, StatusSlotTaken},  // the first registration stays
      {2, &first, 0},
      {2, &second, StatusReplaced},
      {3, &first, StatusPortRefused},
      {-1, &first, StatusPortRefused},
      {1, nullptr, 0},  // releasing an empty slot
  };
  for (const auto& s : steps)
    EXPECT_EQ(driver.Assign(s.index, 0, s.handler ? s.handler->Handler() : nullptr, nullptr), s.result) << s.index;
  driver.Input(0, "a");
  driver.Input(2, "b");
  driver.Input(1, "lost");
  driver.Input(7, "lost");
  EXPECT_EQ(first.Items(), std::vector<std::string>{"a"});
  EXPECT_EQ(second.Items(), std::vector<std::string>{"b"});
  EXPECT_EQ(driver.Output(3, "x", 0), StatusPortRefused);
  EXPECT_EQ(driver.Output_v6("::1", "x", 0, ""), StatusPortRefused);  // not the IPv6 driver
  EXPECT_THROW_MSG(driver.Assign_v6("::1", 0, first.Handler(), nullptr), "Abstract Error");
  driver.Close();
  EXPECT_EQ(driver.Output(0, "x", 0), StatusUdpSendFailed);
  driver.Open(nullptr, nullptr);
  driver.Input(0, "after reopening");  // closing lost every registration
  EXPECT_EQ(first.Items().size(), 1u);
}

}  // namespace
