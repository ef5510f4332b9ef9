// Helpers of the device model tests: settings dictionaries built in memory and a
// service that records how it is driven.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

#include "devices/DeviceService.h"
#include "sl/values/Dictionary.h"
#include "sl/values/RefCounting.h"

// A dictionary of texts.
vt::TRef<vt::TSLDictionary> TextDict(std::initializer_list<std::pair<const char16_t*, const char16_t*>> Items);

// Answers the variable "Color" itself; starts and stops at once.
class TFixtureService : public vt::TDeviceService {
 public:
  TFixtureService(vt::TDevice* AOwner, vt::TSLDictionary* AProfDict)
      : TDeviceService(AOwner, AProfDict), NameInConstructor(FName) {}
  void Initialize() override { ++Initialized; }
  void StartUp(bool&) override { SetServiceStatus(vt::dsStarted); }
  void ShutDown(bool&) override { SetServiceStatus(vt::dsStopped); }
  void Kill() override { SetServiceStatus(vt::dsStopped); }
  void DoGetStrVar(const vt::AnsiString& VarName, vt::AnsiString& Value, bool& Found) override {
    if (VarName != "Color") return;
    Value = "blue";
    Found = true;
  }

  const vt::AnsiString NameInConstructor;
  int Initialized = 0;
};
