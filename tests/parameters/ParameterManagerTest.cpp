// The parameter class registry: names in any letter case, its errors, the names of a
// class, the program's folder classes, and the column widths from the settings.
#include <gtest/gtest.h>

#include "ParameterFixture.h"
#include "TestUtil.h"
#include "parameters/DirectoryParameters.h"
#include "parameters/IntegerParameters.h"
#include "parameters/ParameterManager.h"

namespace vt::test {
namespace {

class ParameterManagerTest : public ParameterTest {
 protected:
  TParameterManager Manager;
};

TEST_F(ParameterManagerTest, ClassesByTypeName) {
  RegisterParameterClasses(Manager);
  EXPECT_EQ(Manager.GetParameterClass("Directory"), ParameterClassOf<TDirectoryParameter>());
  EXPECT_EQ(Manager.GetParameterClass("capdir"), ParameterClassOf<TCapDirParameter>());
  EXPECT_EQ(Manager.GetParameterClass("CLASSDIR"), ParameterClassOf<TClassDirParameter>());
  EXPECT_TRUE(Manager.ParameterClassExists("directory"));
  EXPECT_EQ(Manager.GetParameterClass("uint16"), ParameterClassOf<TUInt16Parameter>());
  EXPECT_EQ(Manager.GetName(ParameterClassOf<TSInt64Parameter>()), "SInt64");
  EXPECT_FALSE(Manager.ParameterClassExists("Int16"));
  EXPECT_THROW_MSG(Manager.GetParameterClass("Int16"),
                   "TParameterManager.GetParameterClass: parameter class with name Int16 doesn't exist");
  EXPECT_THROW_MSG(Manager.RegisterParameterClass(ParameterClassOf<TDirectoryParameter>(), "DIRECTORY"),
                   "TParameterManager.RegisterParameterClass: parameter class with name DIRECTORY already registered");

  // A class under two names answers the first in alphabetical order, as registered.
  Manager.RegisterParameterClass(ParameterClassOf<TDirectoryParameter>(), "Folder");
  Manager.RegisterParameterClass(ParameterClassOf<TDirectoryParameter>(), "aFolder");
  EXPECT_EQ(Manager.GetName(ParameterClassOf<TDirectoryParameter>()), "aFolder");
  EXPECT_EQ(TParameterManager().GetName(ParameterClassOf<TDirectoryParameter>()), "");
}

TEST_F(ParameterManagerTest, TheWaitWindowIsMadeHiddenWithItsNotice) {
  EXPECT_EQ(Manager.MessageWaitParReload.Text(), u"Please Wait! The parameters on the drive are being read.");
  EXPECT_EQ(Manager.MessageWaitParReload.Type(), mtInformation);
  EXPECT_FALSE(Manager.MessageWaitParReload.Visible());
}

TEST_F(ParameterManagerTest, ColumnWidthsFromTheSettings) {
  const auto widths = [](int Count) {
    std::string text = "[A";
    for (int i = 0; i < Count; ++i) text += " [D /Width " + std::to_string(100 + i) + "]";
    return text + "]";
  };
  Manager.Initialize(nullptr);
  Manager.Initialize(&Dict("[D /Other 1]"));
  EXPECT_FALSE(Manager.ShowDetails());
  for (int i = 0; i < ParameterColumns; ++i) EXPECT_EQ(Manager.GetColWidth(i), DefaultColumnWidth);

  Manager.Initialize(&Dict("[D /DisplayInfo [D /ShowDetails #1 /WidthsArray " + widths(5) + "]]"));
  EXPECT_TRUE(Manager.ShowDetails());
  EXPECT_EQ(Manager.GetColWidth(4), 104);
  EXPECT_EQ(Manager.GetColWidth(5), DefaultColumnWidth);

  // Only as many as the list has columns.
  Manager.Initialize(&Dict("[D /DisplayInfo [D /ShowDetails #0 /WidthsArray " + widths(14) + "]]"));
  EXPECT_EQ(Manager.GetColWidth(ParameterColumns - 1), 100 + ParameterColumns - 1);
  EXPECT_THROW(Manager.GetColWidth(ParameterColumns), std::out_of_range);
}

}  // namespace
}  // namespace vt::test
