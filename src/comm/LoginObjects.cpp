// The login objects; see LoginObjects.h.
#include "comm/LoginObjects.h"

#include "sl/values/Collections.h"

namespace vt {

TLoginObject::TLoginObject() : FName(u"NewName"), FCaption(u"NewCaption") {}

TLoginObject::TLoginObject(const TSLNamedCollection& Dict)
    : FName(Dict.GetStrWithName(u"Name")), FCaption(Dict.GetStrWithName(u"Caption")) {}

TLoginProfile::TLoginProfile(const TSLNamedCollection& Dict)
    : TLoginObject(Dict), FSelect(Dict.GetStrWithName(u"Select")), FCommander(Dict.GetStrWithName(u"Commander")) {}

TLoginDevicePort::TLoginDevicePort() : FPortType(u"generic") {}

TLoginDevicePort::TLoginDevicePort(const TSLNamedCollection& Dict)
    : TLoginObject(Dict), FPortType(Dict.GetStrWithName(u"PortType")) {}

}  // namespace vt
