#include <gtest/gtest.h>

#include "RefCountedTest.h"
#include "RuntimeTestUtil.h"
#include "TestUtil.h"
#include "runtime/CommandLine.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

class CommandLine : public RefCountedTest {
 protected:
  void SetUp() override {
    ReadProgramParameters(std::vector<std::string>{});
    RefCountedTest::SetUp();
  }
  void TearDown() override {
    ReadProgramParameters(std::vector<std::string>{});
    RefCountedTest::TearDown();
  }
};

TEST_F(CommandLine, OptionsPositionalsAndDuplicates) {
  TMessageCatcher messages;
  ReadProgramParameters({"-NoForm", "-script:Run.sct", "project.vxc2", "-noform", "-INIFile:my.ini", "-a:b:c", "",
                         "-script:Other.sct", "\xC3\xA4rger.vxc2"});
  TSLDictionary* options = ProgParamDict();
  ASSERT_EQ(options->GetCount(), 4);
  EXPECT_EQ(options->GetStrWithName(u"NoForm"), u"");
  EXPECT_EQ(options->GetStrWithName(u"SCRIPT"), u"Run.sct");  // the first value stays
  EXPECT_EQ(options->GetStrWithName(u"INIFile"), u"my.ini");
  EXPECT_EQ(options->GetStrWithName(u"a"), u"b:c");
  TSLArray* positional = ProgParamArray();
  ASSERT_EQ(positional->GetCount(), 3);
  EXPECT_EQ(CheckedCast<TSLString>(positional->GetObjAtIndex(0))->StringValue(), u"project.vxc2");
  EXPECT_EQ(CheckedCast<TSLString>(positional->GetObjAtIndex(1))->StringValue(), u"");
  EXPECT_EQ(CheckedCast<TSLString>(positional->GetObjAtIndex(2))->StringValue(), u"\u00E4rger.vxc2");
  EXPECT_EQ(messages.Messages, (std::vector<std::string>{"Error: Command Line Parameter Duplication of '-noform'",
                                                         "Error: Command Line Parameter Duplication of '-script'"}));
}

TEST_F(CommandLine, ArgvSkipsTheProgramPath) {
  char prog[] = "/opt/vorlixtalk", opt[] = "-Debug", pos[] = "DEVELOP";
  char* argv[] = {prog, opt, pos, nullptr};
  ReadProgramParameters(3, argv);
  EXPECT_TRUE(ProgParamDict()->NameExists(u"debug"));
  ASSERT_EQ(ProgParamArray()->GetCount(), 1);
  EXPECT_EQ(ProgParamArray()->GetStrAtIndex(0), "DEVELOP");
}

}  // namespace
