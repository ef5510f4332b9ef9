// The folders of a parameter tree. Every folder is also a node of the project's model
// tree, so that the commander lists a device's parameter folders and opens the parameter
// view of the one selected; the folder turns its permission byte into the node's rights.
// "Directory" is the plain folder (those at level 1 are the device's parameter classes),
// "CapDir" a folder that also carries a text stored on the drive, "ClassDir" a parameter
// class with the file extension its parameters are saved under, and the root the top of
// a device's tree, which answers every value operation neutrally.
//
// Threads: the GUI thread only.
#pragma once

#include <cstdint>
#include <memory>

#include "parameters/Parameter.h"
#include "parameters/TextValueParameter.h"

namespace vt {

class TModelItem;

// Images of the shared tree image list.
inline constexpr std::int32_t SafetyFolderImage = 181;
inline constexpr std::int32_t FolderImage = 21;
inline constexpr std::int32_t RootFolderImage = 20;

class TGenericDirParameter : public TParameter {
 public:
  // Makes the folder's model node (hidden until the service's visibility update shows
  // it) in the model tree of the owner's device, with the parameter view as its view.
  TGenericDirParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord);
  // Takes the model node out of the tree and gives it up.
  ~TGenericDirParameter() override;
  const char* ClassName() const override { return "TGenericDirParameter"; }
  bool IsDirectory() const override { return true; }

  // A child folder's model node is appended, hidden, below this folder's.
  void AddChild(std::unique_ptr<TParameter> Child) override;
  // The node's rights from the permission byte and the device's "UserName": the user
  // type {utDevelop} for DEVELOPER (any letter case), else {utService}; the read and
  // write sets from the user, service and developer bits. The guest bits map to nothing.
  void ChangePermission();

  TModelItem* Model() const { return FModel; }

 protected:
  // The image by the safety flag.
  void SetFolderImage();
  void SetImage(std::int32_t Index);

  TModelItem* FModel;  // kept by the model manager
};

class TDirectoryParameter : public TGenericDirParameter {
 public:
  TDirectoryParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord);
  const char* ClassName() const override { return "TDirectoryParameter"; }
  void SetDefaultValue(TUnitSystem System) override {}
};

// A folder with a text of at most 64 characters, stored on the drive under the folder's
// own UPID. Its model node may be edited in the tree. The folder itself does not use
// the text's size on the drive ("MaxSize"); exports of the tree do.
class TCapDirParameter : public TTextValueParameter<TGenericDirParameter> {
 public:
  // Reads "DefValue" and "MaxSize" (required) besides the common keys.
  TCapDirParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord);
  const char* ClassName() const override { return "TCapDirParameter"; }

  // Value text and unit: GetStrValue and no unit.
  void GetScaledValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) override;
  void SetScaledValue(const AnsiString& Text, TUnitSystem System, const AnsiString& Mode) override;
  // The committed text; raises "Parameter not valid" before the first commit.
  AnsiString GetStrValue() override;
  // The pending text, cut to 64 characters.
  void SetStrValue(const AnsiString& Value) override;
  // A safety folder keeps a new text beside its value, as a text parameter does.
  AnsiString GetStrNewValue() override { return FNewDataCache; }
  // The text travels in the parameter telegrams under the folder's own UPID, without
  // length byte or terminating zero.
  AnsiString EncodePendingValue() override { return FTempCache; }
};

class TClassDirParameter : public TGenericDirParameter {
 public:
  // Without a record the class saves as "cfg" and is visible.
  TClassDirParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord);
  const char* ClassName() const override { return "TClassDirParameter"; }
  void SetDefaultValue(TUnitSystem System) override {}

  // Without a point; empty for the classes of a loaded tree.
  const AnsiString& Extension() const { return FExtension; }

 private:
  AnsiString FExtension;
};

// Made by the parameter service, never from a record. Readers leave a value record as it
// is and answer empty texts, 0 and false; setters do nothing. The unsigned readers stay
// without body.
class TRootDirParameter : public TGenericDirParameter {
 public:
  explicit TRootDirParameter(TParameterService* AOwner);
  const char* ClassName() const override { return "TRootDirParameter"; }

  void GetScaledValue(TValueRec&, TUnitSystem, const AnsiString&) override {}
  void GetScaledRAMValue(TValueRec&, TUnitSystem, const AnsiString&) override {}
  void GetScaledNewValue(TValueRec&, TUnitSystem, const AnsiString&) override {}
  void GetDefaultStr(TValueRec&, TUnitSystem, const AnsiString&) override {}
  void SetScaledValue(const AnsiString&, TUnitSystem, const AnsiString&) override {}
  void SetScaledNewValue(const AnsiString&, TUnitSystem, const AnsiString&) override {}
  void SetBoolValue(bool) override {}
  void SetNewBoolValue(bool) override {}
  void SetBoolNewValue(bool) override {}
  void SetIntValue(TUnitSystem, std::int64_t) override {}
  void SetNewIntValue(TUnitSystem, std::int64_t) override {}
  void SetStrValue(const AnsiString&) override {}
  void SetStrNewValue(const AnsiString&) override {}
  void SetSafetyPar(const AnsiString&, bool) override {}
  void SetDefaultValue(TUnitSystem) override {}
  AnsiString GetRawDataStr(const AnsiString&) override { return {}; }
  AnsiString GetRawNewDataStr(const AnsiString&) override { return {}; }
  AnsiString GetChildValueStr(const AnsiString&) override { return {}; }
  AnsiString GetRAMChildValueStr(const AnsiString&) override { return {}; }
  AnsiString GetStrValue() override { return {}; }
  AnsiString GetRAMStrValue() override { return {}; }
  AnsiString GetStrNewValue() override { return {}; }
  AnsiString GetSafetyPar() override { return {}; }
  double GetBaseScaledValue() override { return 0.0; }
  double GetValue(TUnitSystem) override { return 0.0; }
  double GetNewValue(TUnitSystem) override { return 0.0; }
  bool GetBoolValue() override { return false; }
  bool GetRAMBoolValue() override { return false; }
  bool GetNewBoolValue() override { return false; }
  bool GetBoolNewValue() override { return false; }
  bool IsSafetyParActual() override { return false; }
  std::int64_t GetIntValue() override { return 0; }
  std::int64_t GetRAMIntValue() override { return 0; }
  std::int64_t GetNewIntValue() override { return 0; }
  std::int64_t GetIntNewValue() override { return 0; }
  std::int32_t GetAddress() override { return 0; }
  std::int32_t GetBitAddr() override { return 0; }
  std::int32_t GetChildValue() override { return 0; }
};

}  // namespace vt
