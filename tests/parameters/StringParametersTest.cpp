// String parameters from small description records: value bytes of reads and writes,
// the 64-character limit, erased memory, safety strings, the device renamed by the
// drive's name, the definition-file names kept for the motor wizard, and a changed-UPID
// answer that names a UPID inside a text.
#include <gtest/gtest.h>

#include "ParameterTreeFixture.h"
#include "TestUtil.h"
#include "devices/ModelTree.h"
#include "parameters/StringParameters.h"

namespace vt::test {
namespace {

class StringParameters : public ParameterTreeTest {
 protected:
  TStringParameter* Text(int UPID, int MaxSize = 8, const std::vector<TField>& More = {}) {
    std::vector<TField> fields = {{"DefValue", "'Default'"}, {"MaxSize", std::to_string(MaxSize)}};
    fields.insert(fields.end(), More.begin(), More.end());
    Load({Record("String", UPID, 1, "Name", fields)});
    EXPECT_TRUE(Shown.empty()) << Shown.front();
    return static_cast<TStringParameter*>(Find(UPID));
  }
  // Decodes and commits a read answer.
  static void Read(TStringParameter* P, const std::string& Data) {
    ASSERT_TRUE(P->DecodePendingValue(Data));
    P->CommitRead();
  }
};

TEST_F(StringParameters, ReadsAndWrites) {
  TStringParameter* p = Text(0x0123, 4);
  EXPECT_EQ(p->TypeStr(), "String");
  EXPECT_EQ(p->GetSize(), 4);
  EXPECT_THROW_MSG(p->GetStrValue(), "Parameter with name Name is not valid");
  EXPECT_THROW_MSG(p->GetStrNewValue(), "Parameter not valid");

  const struct {
    std::string data, text;
  } reads[] = {{std::string("ABC\0xyz", 7), "ABC"}, {std::string(80, 'q'), std::string(64, 'q')}, {"", ""}};
  for (const auto& r : reads) {
    Read(p, r.data);
    EXPECT_EQ(p->GetStrValue(), r.text);
  }

  p->SetScaledValue("XY", usSI, "SCALED");
  EXPECT_EQ(p->EncodePendingValue(), "XY");  // no length, no terminator
  p->SetStrValue("Longer than four");
  EXPECT_EQ(p->EncodePendingValue(), "Long");  // the drive holds MaxSize bytes

  TValueRec rec;
  p->GetScaledRAMValue(rec, usSI, "SCALED");
  EXPECT_EQ(rec.ValueStr.str(), "***");
  p->GetDefaultStr(rec, usSI, "HEX");
  EXPECT_EQ(rec.ValueStr.str(), "Default");
  EXPECT_EQ(p->GetRawDataStr("HEX"), "");
}

TEST_F(StringParameters, ErasedMemoryShowsEmpty) {
  TStringParameter* p = Text(10);
  Read(p, "\xFF\xFF\xFF");
  EXPECT_EQ(p->GetStrValue(), std::string("\0\xFF\xFF", 3));
  EXPECT_EQ(p->DataCache()[0], '\0');
}

TEST_F(StringParameters, SafetyStrings) {
  TStringParameter* p = Text(10, 5);
  p->SetStrNewValue("AB");
  EXPECT_EQ(p->GetSafetyPar(), std::string("AB\0\0\0", 5));
  p->SetSafetyPar(p->GetSafetyPar(), true);
  EXPECT_EQ(p->DataCache(), "AB");
  EXPECT_TRUE(p->IsSafetyParActual());
}

TEST_F(StringParameters, TheDriveNameRenamesTheDeviceOnce) {
  TStringParameter* name = Text(DriveNameUPID);
  Read(name, std::string("Axis 1\0", 7));
  EXPECT_EQ(Device->Caption(), "Axis 1");
  // The same text again does not go to the device manager: the tree keeps its caption.
  Device->Model()->SetCaption("marked");
  Read(name, "Axis 1");
  EXPECT_EQ(Device->Model()->Caption(), "marked");
  name->SetMultValue("Axis 2", 0);
  EXPECT_EQ(Device->Caption(), "Axis 2");
  EXPECT_EQ(name->GetStrValue(), "Axis 2");
}

TEST_F(StringParameters, DefinitionFileNamesAreKept) {
  TStringParameter* actuator = Text(ActuatorFileUPID);
  TStringParameter* module = Text(ModuleFileUPID);
  actuator->SetStrValue("Motor.adf");
  EXPECT_EQ(Service->ADFOldName, "Motor.adf");
  module->SetMultValue(std::string("Module.mdf\0", 11), 0);
  EXPECT_EQ(Service->MDFOldName, "Module.mdf");
}

// The device's motor check reads the actuator file's name: empty, no motor is defined.
TEST_F(StringParameters, TheMotorWizardNoticeReadsTheActuatorFile) {
  Load({Record("Value", 6253, 1, "WizardUsed", {{"Value", "0"}, {"Valid", "#1"}})});
  TStringParameter* actuator = Text(ActuatorFileUPID);
  actuator->SetStrValue("");
  actuator->CopyTempToData();
  for (int i = 0; i < 102; ++i) Device->UpdateInfoListWindow();
  ASSERT_EQ(Device->InfoList().size(), 1u);
  EXPECT_EQ(Device->InfoList()[0].InfoText,
            "No motor is defined, use the MotorWizard to define a motor, or connect a PnP motor.");
  EXPECT_EQ(Device->InfoList()[0].Source, "Motor Wizard");
}

TEST_F(StringParameters, RecordsThatFail) {
  Load({Record("String", 10, 1, "NoSize", {{"DefValue", "''"}})});
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_NE(Shown[0].find("MaxSize"), std::string::npos) << Shown[0];
}

// UPIDs after a text's own address its characters: the poll's answer lists the text.
TEST_F(StringParameters, ChangedUPIDsInsideATextNameIt) {
  Load({Record("Value", 900, 1, "Number", {{"Value", "0"}}),
        Record("String", 1000, 1, "Name", {{"DefValue", "''"}, {"MaxSize", "16"}}),
        Record("Value", 1010, 1, "Other", {{"Value", "0"}})});
  ASSERT_TRUE(Shown.empty()) << Shown.front();
  const auto upids = [](std::initializer_list<int> List) {
    std::string data;
    for (int u : List) data += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
    return data;
  };
  using TNodes = std::vector<TParameter*>;
  EXPECT_EQ(Service->ChangedParameters(upids({1003, 1001})), TNodes{Find(1000)});
  EXPECT_EQ(Service->ChangedParameters(upids({1010, 1010, 1003})), (TNodes{Find(1010), Find(1010), Find(1000)}));
  // Below 900 is nothing; above it a number, not a text; a trailing odd byte is no UPID.
  EXPECT_EQ(Service->ChangedParameters(upids({5, 905}) + "\x01"), TNodes{});
}

}  // namespace
}  // namespace vt::test
