// The serial ports the program offers; see SerialPortList.h.
#include "comm/SerialPortList.h"

#include "platform/Exceptions.h"
#include "platform/SerialPort.h"
#include "runtime/ProgramFolders.h"
#include "runtime/SettingsTree.h"
#include "sl/values/Arrays.h"
#include "sl/values/Scalars.h"

namespace vt {

namespace {

std::vector<std::string> ListedPaths(TProgramRegistry* Settings) {
  std::vector<std::string> paths;
  if (!Settings) return paths;
  TSLObject* value = nullptr;
  try {
    value = Settings->GetObject(SerialPortsKey);
  } catch (const Exception&) {
    return paths;  // no such key
  }
  if (const auto* list = dynamic_cast<const TSLArray*>(value))
    for (int i = 0; i < list->GetCount(); ++i)
      if (const auto* path = dynamic_cast<const TSLString*>(list->GetObjAtIndex(i)))
        paths.push_back(WideToUtf8(SerialPortPath(path->StringValue())));
  return paths;
}

}  // namespace

WideString SerialPortPath(const WideString& Path) {
  return !Path.empty() && Path[0] != u'/' ? WorkDir + Path : Path;
}

std::vector<AnsiString> ListSerialPortNames(TProgramRegistry* Settings) {
  return ListSerialPorts(ListedPaths(Settings));
}

}  // namespace vt
