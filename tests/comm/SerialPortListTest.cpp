#include "comm/SerialPortList.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "PseudoTerminal.h"
#include "RefCountedTest.h"
#include "runtime/SettingsTree.h"
#include "sl/values/Arrays.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

using SerialPortList = RefCountedTest;

// Ports that are no device under /dev (pseudo-terminals, udev names) come from one key
// of the program settings; those that do not open are left out.
TEST_F(SerialPortList, DevicesAndTheListedPathsThatOpen) {
  TPseudoTerminal pty;
  TProgramRegistry settings;
  const auto without = ListSerialPortNames(&settings);
  EXPECT_EQ(std::count(without.begin(), without.end(), pty.Path), 0);
  EXPECT_EQ(ListSerialPortNames(nullptr), without);
  auto paths = MakeRef<TSLArray>();
  paths->AddObject(MakeRef<TSLString>(Utf8ToWide(pty.Path)).get());
  paths->AddObject(MakeRef<TSLString>(u"/dev/no-such-port").get());
  settings.AddObject(SerialPortsKey, paths.get());
  auto expected = without;
  expected.push_back(pty.Path);
  EXPECT_EQ(ListSerialPortNames(&settings), expected);
}

}  // namespace
