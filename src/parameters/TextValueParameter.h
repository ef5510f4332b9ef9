// What text parameters and text folders share: a text of at most 64 characters kept on
// the drive under the node's own UPID, with its default, its pending, committed and new
// copies, read and written whole through the parameter telegrams.
//
// Threads: the GUI thread only.
#pragma once

#include <cstdint>
#include <string_view>

#include "parameters/Parameter.h"
#include "parameters/ValueCoding.h"

namespace vt {

// "DefValue" (a text, required) and "MaxSize" (required; the low 8 bits kept) of a record.
TParameterStr ReadTextDefault(const TSLNamedCollection& ARecord);
std::uint8_t ReadTextSize(const TSLNamedCollection& ARecord);

template <class Base>
class TTextValueParameter : public TTelegramParameter<Base> {
 public:
  // Reads "DefValue", then "MaxSize", and gives the node its type text, its object type
  // and the read-only properties "Name" and "UPID".
  TTextValueParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord, const char* TypeStr,
                      const char* ObjType)
      : TTelegramParameter<Base>(AOwner, ARecord), FDefaultValue(ReadTextDefault(*ARecord)) {
    this->FTypeStr = TypeStr;
    this->FPropList.FObjType = ObjType;
    this->AddStringProperty("Name", 1);
    this->AddStringProperty("UPID", 2);
    FMaxSize = ReadTextSize(*ARecord);
  }

  void GetDefaultStr(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) override {
    Value.ValueStr = FDefaultValue.str();
    Value.UnitStr = TUnitStr();
  }
  AnsiString GetRawDataStr(const AnsiString& Mode) override { return {}; }
  AnsiString GetRawNewDataStr(const AnsiString& Mode) override { return {}; }
  // A safety node keeps a new text beside its value.
  void SetStrNewValue(const AnsiString& Value) override { FNewDataCache = Value; }
  // The default becomes the pending text (and the new text of a safety node), then is
  // committed.
  void SetDefaultValue(TUnitSystem System) override {
    this->SetStrValue(FDefaultValue);
    if (this->IsSafetyParameter()) SetStrNewValue(FDefaultValue);
    CopyTempToData();
  }
  // Commits the pending text unless the node is valid and holds it already; a commit
  // marks the node changed and valid.
  void CopyTempToData() override { this->CommitValue(FTempCache, FDataCache); }
  // An answer of any length is a text up to its first zero, of which the first 64
  // characters are kept.
  bool DecodePendingValue(std::string_view Data) override {
    FTempCache = CutAtNul(Data);
    return true;
  }

  const AnsiString& DefaultText() const { return FDefaultValue.str(); }
  // Bytes of the text on the drive.
  std::uint8_t MaxSize() const { return FMaxSize; }
  const AnsiString& TempCache() const { return FTempCache.str(); }
  const AnsiString& DataCache() const { return FDataCache.str(); }

 protected:
  TParameterStr FDefaultValue;
  std::uint8_t FMaxSize = 0;
  TParameterStr FTempCache;
  TParameterStr FDataCache;
  TParameterStr FNewDataCache;
};

}  // namespace vt
