// The login objects of the program settings, each read from an SL dictionary: login
// profiles (the device profile and commander a login uses) and login ports; and how a
// drive is reached.
#pragma once

#include "devices/DeviceTypes.h"
#include "platform/TextConversion.h"

namespace vt {

class TSLNamedCollection;

// The constructors that take a dictionary read its keys as strings: a missing key raises
// "TSLDictionary error: no object named %s", a value of another class "Invalid class
// typecast".
class TLoginObject {
 public:
  // "NewName", "NewCaption".
  TLoginObject();
  // "Name", "Caption".
  explicit TLoginObject(const TSLNamedCollection& Dict);

  WideString FName;
  WideString FCaption;
};

class TLoginProfile : public TLoginObject {
 public:
  // "Name", "Caption", "Select", "Commander".
  explicit TLoginProfile(const TSLNamedCollection& Dict);

  WideString FSelect;
  WideString FCommander;
};

class TLoginDevicePort : public TLoginObject {
 public:
  // "NewName", "NewCaption", port type "generic".
  TLoginDevicePort();
  // "Name", "Caption", "PortType" ("RS" for a serial port).
  explicit TLoginDevicePort(const TSLNamedCollection& Dict);

  WideString FPortType;
};

}  // namespace vt
