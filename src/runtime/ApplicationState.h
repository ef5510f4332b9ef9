// The application's state that the devices, their services and the drive links read:
// the main window's fields and the view settings they come from. One object for the
// whole program; the main form, its one owner, fills it from the view settings at
// start-up and its windows change it.
//
// Threads: the GUI thread, except the lost-port list, which the link threads fill.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/TextConversion.h"

namespace vt {

// Ports whose serial write failed, once per failed frame; the connection-lost handling
// of a device finds its port here and removes it.
class TLostList {
 public:
  void Add(const AnsiString& PortName);
  bool Contains(const AnsiString& PortName) const;
  // The first entry of that name.
  void RemoveFirst(const AnsiString& PortName);
  // Every entry of that name (a new device on the port starts afresh).
  void Remove(const AnsiString& PortName);
  std::vector<AnsiString> Items() const;

 private:
  mutable std::mutex FLock;
  std::vector<AnsiString> FItems;
};

struct TApplicationState {
  // ---- From the view settings ----
  AnsiString InfoSysLang;           // "InfoSysLanguage": language of translated messages
  AnsiString UPIDDispMode = "HEX";  // "UPIDDispMode": "HEX" shows UPIDs in hexadecimal
  AnsiString RawDataDispMode = "HEX";
  std::int32_t ParaRefreshFlag = 1;  // "ParameterRefreshFlag": cyclic refresh of parameters
  bool Beautifulview = false;        // "BeautifulView": display rounding of scaled values
  std::int32_t BeautifulviewZeros = 3;
  std::int32_t ModulFunctionFlag = 1;  // "ModulFunction": devices grouped below module nodes
  bool MultiReadActive = true;         // "MultiRead": batched reads allowed
  std::int32_t MultiReadSize = 124;    // "MultiReadSize": byte budget of one batched read
  std::int32_t LastBaudrate = 38400;   // "LastBaudrate": copied into each new device

  // ---- Fields of the main window ----
  AnsiString LanguageName = "English";  // of translations and help files
  double ScaleFactor = 1.0;
  bool ImportSuccessFlag = false;
  std::int32_t ScanBreakCounter = 0;  // while above 0 the status polls pause
  bool SaveAllVariablesActive = false;
  bool GroupOpenOffline = false;
  bool LoginAbortRequest = false;
  AnsiString ProjectFileName;
  bool ShowObjectInspector = true;  // "Show Object Inspector after Login"
  TLostList LostList;
  // Refreshes the shell's info windows from the devices' info lists; none without a shell.
  std::function<void()> OnUpdateInfoWindows;
};

TApplicationState& ApplicationState();

}  // namespace vt
