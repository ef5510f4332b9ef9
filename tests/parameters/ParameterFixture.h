// The fixture of the parameter model's tests: a storage environment in a temporary data
// folder (to read SL fixtures and the bundled files through the storage manager) and a
// message-box handler that keeps what would have been shown.
#pragma once

#include <string>
#include <vector>

#include "StorageFixture.h"
#include "platform/Dialogs.h"
#include "sl/values/Dictionary.h"

namespace vt::test {

class ParameterTest : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    SetShowMessageHandler([this](const std::u16string& Text) { Shown.push_back(WideToUtf8(Text)); });
  }
  void TearDown() override {
    SetShowMessageHandler(nullptr);
    StorageTest::TearDown();
  }

  // A dictionary written as SL text.
  const TSLDictionary& Dict(const std::string& Text) { return *CheckedCast<TSLDictionary>(Sl(Text)); }

  std::vector<std::string> Shown;  // message boxes, in order
};

}  // namespace vt::test
