// The motor wizard manager's registries of value and parameter classes by type word, and
// the definition-file versions it accepts.
#include "motorwizard/MotorWizardManager.h"

#include <gtest/gtest.h>


using namespace vt;

namespace {

TEST(MotWizManager, TypeWordsFindTheirClassesInAnyCase) {
  const auto manager = CreateMotWizManager();
  const struct {
    bool parameter;
    const char* word;
    const char* className;  // nullptr: none
  } cases[] = {{false, "DOUBLE", "TWizValDouble"},   {false, "string", "TWizValString"},
               {false, "Integer", "TWizValInteger"}, {false, "ENUM", nullptr},
               {true, "DOUBLE", "TWizParDouble"},    {true, "STRING", "TWizParString"},
               {true, "enum", "TWizParEnum"},        {true, "BOOLEAN", "TWizParBoolean"},
               {true, "FLOATIEEE754", "TWizParFloat"}, {true, "INTEGER", nullptr}};
  for (const auto& c : cases) {
    const TWizItemClassInfo* found = c.parameter ? manager->GetWizParClass(c.word) : manager->GetWizValClass(c.word);
    if (!c.className) {
      EXPECT_EQ(found, nullptr) << c.word;
      EXPECT_FALSE(c.parameter ? manager->WizParClassExists(c.word) : manager->WizValClassExists(c.word));
    } else {
      ASSERT_NE(found, nullptr) << c.word;
      EXPECT_STREQ(found->ClassName, c.className);
    }
  }
}

TEST(MotWizManager, ARepeatedTypeWordKeepsTheFirstClass) {
  TMotWizManager manager;
  const TWizItemClassInfo first{"First"}, second{"Second"};
  manager.RegisterWizParClass("Custom", &first);
  manager.RegisterWizParClass("CUSTOM", &second);
  EXPECT_EQ(manager.GetWizParClass("custom"), &first);
}

TEST(MotWizManager, AcceptsDefinitionFileVersions25To42And70) {
  TMotWizManager manager;
  const auto& versions = AcceptedDefinitionFileVersions();
  for (int v : {25, 33, 42, 70}) EXPECT_TRUE(versions.test(v)) << v;
  for (int v : {0, 24, 43, 69, 71}) EXPECT_FALSE(versions.test(v)) << v;
}

}  // namespace
