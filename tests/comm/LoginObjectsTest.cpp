#include "comm/LoginObjects.h"

#include <gtest/gtest.h>

#include "RefCountedTest.h"
#include "sl/values/Dictionary.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

class LoginObjectsTest : public RefCountedTest {
 protected:
  // A dictionary of the given string entries.
  TRef<TSLDictionary> Dict(std::initializer_list<std::pair<const char16_t*, const char16_t*>> Entries) {
    auto d = MakeRef<TSLDictionary>();
    for (const auto& [name, value] : Entries) d->SetStrWithName(name, value);
    return d;
  }
};

TEST_F(LoginObjectsTest, ReadFromTheirDictionaries) {
  const auto profile = Dict({{u"Name", u"VorlixOnline"},
                             {u"Caption", u"Online"},
                             {u"Select", u"Device"},
                             {u"Commander", u"Commander1"},
                             {u"Other", u"ignored"}});
  const TLoginProfile p(*profile);
  EXPECT_EQ(p.FName, u"VorlixOnline");
  EXPECT_EQ(p.FCaption, u"Online");
  EXPECT_EQ(p.FSelect, u"Device");
  EXPECT_EQ(p.FCommander, u"Commander1");
  // Keys compare without regard to case.
  const TLoginDevicePort port(*Dict({{u"name", u"COM3"}, {u"CAPTION", u"COM3"}, {u"PortType", u"RS"}}));
  EXPECT_EQ(port.FName, u"COM3");
  EXPECT_EQ(port.FPortType, u"RS");
}

TEST_F(LoginObjectsTest, WithoutADictionary) {
  const TLoginObject object;
  EXPECT_EQ(object.FName, u"NewName");
  EXPECT_EQ(object.FCaption, u"NewCaption");
  const TLoginDevicePort port;
  EXPECT_EQ(port.FName, u"NewName");
  EXPECT_EQ(port.FPortType, u"generic");
}

TEST_F(LoginObjectsTest, MissingKeyOrAnotherClassRaises) {
  EXPECT_THROW_MSG(TLoginProfile(*Dict({{u"Name", u"N"}, {u"Caption", u"C"}, {u"Select", u"S"}})),
                   "TSLDictionary error: no object named Commander");
  EXPECT_THROW_MSG(TLoginDevicePort(*Dict({{u"Name", u"N"}, {u"Caption", u"C"}})),
                   "TSLDictionary error: no object named PortType");
  auto numbered = Dict({{u"Caption", u"C"}});
  numbered->SetIntWithName(u"Name", 1);
  EXPECT_THROW_MSG(TLoginObject{*numbered}, "Invalid class typecast");
}

}  // namespace
