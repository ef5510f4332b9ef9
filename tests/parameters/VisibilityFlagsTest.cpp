#include <gtest/gtest.h>

#include <initializer_list>

#include "ParameterFixture.h"
#include "parameters/VisibilityFlags.h"
#include "platform/Format.h"

namespace vt::test {
namespace {

std::string Record(const std::string& Type, const std::string& Name) {
  return "[D /Type '" + Type + "' /Name '" + Name + "']";
}

std::string Computed(const std::string& Name, std::initializer_list<std::string> Tokens) {
  std::string equation;
  for (const std::string& token : Tokens) equation += " '" + token + "'";
  return "[D /Type 'C' /Name '" + Name + "' /Equation [A" + equation + "]]";
}

// A tree description whose "VisibilityFlags" holds the records.
std::string Flags(const std::vector<std::string>& Records) {
  std::string text = "[D /VisibilityFlags [A";
  for (const std::string& record : Records) text += " " + record;
  return text + "]]";
}

class VisibilityFlagsTest : public ParameterTest {
 protected:
  void Load(const std::vector<std::string>& Records) { Controller.LoadFlags(Dict(Flags(Records))); }
  bool Value(const char16_t* Name) const { return Controller.GetFlag(Name)->Value(); }
  void Set(const char16_t* Name, bool Value) { Controller.GetFlag(Name)->SetValue(Value); }

  TVisibilityController Controller;
};

TEST_F(VisibilityFlagsTest, ComputedFlagFollowsItsOperands) {
  Load({Record("B", "Alpha"), Record("Basic", "Beta"), Computed("Gamma", {"Alpha", "Beta", "&", "!"})});
  Set(u"Alpha", true);
  Set(u"Beta", true);
  Controller.ExecuteCalculation();
  EXPECT_FALSE(Value(u"Gamma"));
  EXPECT_TRUE(Value(u"Alpha"));  // a basic flag keeps its value

  Controller.CreateSnapshot();
  Set(u"alpha", false);  // names in any letter case
  EXPECT_FALSE(Controller.CompareSnapshot());
  Controller.ExecuteCalculation();
  EXPECT_TRUE(Value(u"Gamma"));

  Controller.PrepareCalculation();
  EXPECT_FALSE(Value(u"Beta"));
  EXPECT_FALSE(Value(u"Gamma"));
  EXPECT_EQ(Controller.GetNameOfFlag(Controller.GetFlag(u"GAMMA")), u"Gamma");
  TVisibilityController other;
  EXPECT_EQ(Controller.GetNameOfFlag(other.CreateFlag(u"Gamma")), u"");
}

// A chain Zed → F1 → F2 → F3 → F4 is evaluated in one pass whatever the record order.
TEST_F(VisibilityFlagsTest, FlagsAreOrderedAfterTheirOperands) {
  const std::string f1 = Computed("F1", {"Zed"}), f2 = Computed("F2", {"F1", "!"}), f3 = Computed("F3", {"F2", "!"}),
                    f4 = Computed("F4", {"F3", "!"}), zed = Record("B", "Zed");
  for (const auto& records : {std::vector{f4, f3, f2, f1, zed}, std::vector{zed, f2, f4, f1, f3}}) {
    TVisibilityController controller;
    controller.LoadFlags(Dict(Flags(records)));
    EXPECT_EQ(controller.GetLastCalcStep(), 4);
    EXPECT_EQ(controller.GetFlag(u"Zed")->CalcStep(), 0);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(controller.GetFlag(AnsiToWide(Format("F%d", i)))->CalcStep(), i);

    controller.GetFlag(u"Zed")->SetValue(true);
    controller.ExecuteCalculation();
    EXPECT_TRUE(controller.GetFlag(u"F1")->Value());
    EXPECT_FALSE(controller.GetFlag(u"F2")->Value());
    EXPECT_TRUE(controller.GetFlag(u"F3")->Value());
    EXPECT_FALSE(controller.GetFlag(u"F4")->Value());
  }
}

TEST_F(VisibilityFlagsTest, FlagsNamingThemselvesAreRefused) {
  EXPECT_THROW_MSG(Load({Record("B", "Base"), Computed("Self", {"Self", "Base", "#"})}),
                   "TVisibilityController.SetupCalcOrder: circular references");
  TVisibilityController controller;
  EXPECT_THROW_MSG(controller.LoadFlags(Dict(Flags({Computed("Ping", {"Pong", "!"}), Computed("Pong", {"Ping", "!"})}))),
                   "TVisibilityController.SetupCalcOrder: circular references");
}

TEST_F(VisibilityFlagsTest, BadDescriptionsAndEquations) {
  const struct {
    std::vector<std::string> records;
    const char* message;
    bool atLoad;  // else when evaluated
  } cases[] = {
      {{Record("Xyz", "Nnn")}, "unknow visibility flag type 'Xyz' for 'Nnn'", true},
      {{Record("", "Nnn")}, "unknow visibility flag type '' for 'Nnn'", true},
      {{Record("I", "Later"), Record("B", "Later")}, "visibility flag with name 'Later' not found", true},
      {{Record("B", "A1"), Computed("C1", {"A1", "X", "&"})}, "undefined command token: X", true},
      {{Record("B", "A1"), Computed("C1", {"A1", ""})}, "visibility flag with name '' not found", true},
      {{Record("B", "A1"), Computed("C1", {"A1", "Missing", "#"})}, "visibility flag with name 'Missing' not found",
       true},
      {{Record("B", "A1"), Record("B", "a1")}, "String list does not allow duplicates", true},
      {{Record("B", "A1"), Record("B", "B1"), Computed("C1", {"A1", "B1"})},
       "TVisibilityFlag.Calculate: error in equation", false},
      {{Record("B", "A1"), Computed("C1", {"A1", "&"})}, "TBitStack.Pop: stack underflow", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    TVisibilityController controller;
    if (c.atLoad) {
      EXPECT_THROW_MSG(controller.LoadFlags(Dict(Flags(c.records))), c.message);
    } else {
      controller.LoadFlags(Dict(Flags(c.records)));
      EXPECT_THROW_MSG(controller.ExecuteCalculation(), c.message);
    }
  }
}

TEST_F(VisibilityFlagsTest, LaterDescriptionsBuildOnEarlierFlags) {
  const std::vector<std::string> first = {Record("B", "Axis")};
  Load(first);
  Load({Record("I", "AXIS"), Computed("NoAxis", {"Axis", "!"})});
  Controller.ExecuteCalculation();
  EXPECT_TRUE(Value(u"NoAxis"));
  Controller.LoadFlags(Dict("[D /Other 1]"));  // a tree without flags
  EXPECT_EQ(Controller.GetCount(), 2);
  EXPECT_THROW_MSG(Load(first), "String list does not allow duplicates");
}

// Codes from 240 on are operators: an equation names at most 240 distinct operands.
TEST_F(VisibilityFlagsTest, EquationsOfMoreThan240OperandsAreRefused) {
  for (const int operands : {240, 241}) {
    SCOPED_TRACE(operands);
    TVisibilityController controller;
    std::vector<std::string> records;
    std::string equation;  // Op0 Op1 # Op2 # …: never more than two values on the stack
    for (int i = 0; i < operands; ++i) {
      const std::string name = "Op" + std::to_string(i);
      records.push_back(Record("B", name));
      equation += " '" + name + "'" + (i > 0 ? " '#'" : "");
    }
    records.push_back("[D /Type 'C' /Name 'Any' /Equation [A" + equation + "]]");
    const std::string text = Flags(records);
    if (operands > MaxEquationOperands) {
      EXPECT_THROW_MSG(controller.LoadFlags(Dict(text)),
                       "TVisibilityFlag.AddCalcFlag: equation of 'Any' has more than 240 operands");
      continue;
    }
    controller.LoadFlags(Dict(text));
    controller.GetFlag(u"Op239")->SetValue(true);
    controller.ExecuteCalculation();
    EXPECT_TRUE(controller.GetFlag(u"Any")->Value());
  }
}

TEST(BitStack, ThirtyOneEntriesUsable) {
  TBitStack stack;
  for (int i = 0; i < BitStackSize - 1; ++i) stack.Push(i % 3 == 0);
  EXPECT_EQ(stack.Count(), 31);
  EXPECT_THROW_MSG(stack.Push(true), "TBitStack.Push: stack overflow");
  EXPECT_EQ(stack.Count(), 31);
  EXPECT_TRUE(stack.Pop());  // entry 30
  EXPECT_FALSE(stack.Pop());
  stack.Clear();
  EXPECT_THROW_MSG(stack.Pop(), "TBitStack.Pop: stack underflow");
}

}  // namespace
}  // namespace vt::test
