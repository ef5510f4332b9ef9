// The one registry of parameter classes: it maps the type names of description records
// ("UInt16", "Directory"…) to the classes that build their nodes, and keeps what every
// parameter view shares: the column widths of the parameter list, the details switch
// and the view factory that opens a folder's parameters. TParameterClient is the client
// through which a view talks to its device's parameter service; it keeps the view's own
// column layout.
//
// Threads: the GUI thread only.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>

#include "parameters/Parameter.h"
#include "parameters/ParameterLimits.h"
#include "platform/Dialogs.h"
#include "platform/TextConversion.h"
#include "runtime/Services.h"

namespace vt {

class TApplicationViewFactory;
class TImageList;
class TSLDictionary;

// What the wait window says while a device's parameters are read, and what the windows'
// status bars show meanwhile.
inline constexpr const char* ParametersBeingReadText = "Please Wait! The parameters on the drive are being read.";

class TParameterManager {
 public:
  TParameterManager();
  ~TParameterManager();
  TParameterManager(const TParameterManager&) = delete;
  TParameterManager& operator=(const TParameterManager&) = delete;

  const char* ClassName() const { return "TParameterManager"; }

  // Reads "DisplayInfo" of the program settings' "Parameter" dictionary: "ShowDetails"
  // and the "Width" of each element of "WidthsArray" (the first ParameterColumns only).
  // Without the dictionary or the key the defaults stay.
  void Initialize(const TSLDictionary* Settings);

  // Names compare without regard to case. Raises "%s.RegisterParameterClass: parameter
  // class with name %s already registered".
  void RegisterParameterClass(TParameterClass AClass, const AnsiString& AName);
  bool ParameterClassExists(const AnsiString& AName) const;
  // Raises "%s.GetParameterClass: parameter class with name %s doesn't exist".
  TParameterClass GetParameterClass(const AnsiString& AName) const;
  // The first name, alphabetically, under which the class is registered; empty if none.
  AnsiString GetName(TParameterClass AClass) const;

  std::int32_t GetColWidth(int Index) const { return ColsWidth.at(static_cast<std::size_t>(Index)); }
  void RegisterViewFactory(TApplicationViewFactory* Factory) { FModelView = Factory; }
  TApplicationViewFactory* ModelView() const { return FModelView; }
  bool ShowDetails() const { return FShowDetails; }

  std::array<std::int32_t, ParameterColumns> ColsWidth;
  // The images of parameter windows, none until a window layer gives them.
  std::unique_ptr<TImageList> ImageList;
  // The wait notice, without buttons, for while a device's parameters are read.
  TMessageWindow MessageWaitParReload{AnsiToWide(ParametersBeingReadText), mtInformation};

 private:
  struct TRegisteredClass {
    AnsiString Name;  // as registered
    TParameterClass Class;
  };
  bool FShowDetails = false;
  std::map<AnsiString, TRegisteredClass> ParameterClassList;  // by upper-cased name
  TApplicationViewFactory* FModelView = nullptr;             // not owned
};

// The global manager, none until created; the start-up code creates it, initialises it
// from the settings and registers the classes (RegisterParameterClasses).
TParameterManager* ParameterManager();
// Raises "CreateParameterManager: parameter manager already exists".
void CreateParameterManager();
void FreeParameterManager();

// Registers the type names of the parameter classes the program has, in their fixed
// order: the integers ("UInt8" to "SInt64"), the enumerations, the radio parameters,
// "Directory", "Bool", "String", "ClassDir", "CapDir" and the floats.
void RegisterParameterClasses(TParameterManager& Manager);

class TParameterClient : public TServiceClient {
 public:
  const char* ClassName() const override { return "TParameterClient"; }

  std::int32_t GetColWidth(int Index) const { return FColsWidth.at(static_cast<std::size_t>(Index)); }
  void SetColWidth(int Index, std::int32_t Width) { FColsWidth.at(static_cast<std::size_t>(Index)) = Width; }

  bool FShowDetails = false;

 private:
  std::array<std::int32_t, ParameterColumns> FColsWidth{};
};

}  // namespace vt
