// The application state's list of lost ports.
#include "runtime/ApplicationState.h"

#include <gtest/gtest.h>

#include "RefCountedTest.h"

using namespace vt;

namespace {

using ApplicationStateTest = RefCountedTest;

TEST_F(ApplicationStateTest, LostPorts) {
  TLostList lost;
  lost.Add("ttyS0");
  lost.Add("ttyS1");
  lost.Add("ttyS0");
  lost.RemoveFirst("ttyS0");
  EXPECT_EQ(lost.Items(), (std::vector<AnsiString>{"ttyS1", "ttyS0"}));
  EXPECT_TRUE(lost.Contains("ttyS0"));
  lost.Remove("ttyS0");
  EXPECT_FALSE(lost.Contains("ttyS0"));
}

}  // namespace
