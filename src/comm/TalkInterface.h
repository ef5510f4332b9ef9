// The talk interface: one drive's basic commands as plain calls (read or write a memory
// word, start, stop, reset or reboot the drive, erase flash, log in and out, copy RAM
// to flash, send a parameter or a free-form telegram). Each call sends one telegram
// through the standard patterns of the device's talk service and a private talk actor;
// the answer comes later through OnResponse, the status in Error and the result in
// Data or DataStr. One command at a time. A factory, registered in the object registry
// as "TalkInterfaceFactory", makes interfaces by device name, for scripts and extensions.
//
// Threads: the GUI thread only (commands from script tasks or windows, answers in the
// actor's task).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/TextConversion.h"

namespace vt {

class TBasicTalkService;
class TTalkActor;
class TTalkPattern;

class TTalkInterface {
 public:
  virtual ~TTalkInterface() = default;

  virtual void ReadMemory(std::int32_t AAddress) = 0;
  virtual void WriteMemory(std::int32_t AAddress, std::int32_t AData) = 0;
  virtual void WriteFlash(std::int32_t AAddress, std::int32_t AData) = 0;
  virtual void StartProgram() = 0;
  virtual void StopProgram() = 0;
  virtual void OldStartProgram(std::int32_t AAddress) = 0;
  virtual void EraseFlash(std::int32_t AAddress) = 0;
  virtual void EraseFlashAll() = 0;
  virtual void EraseSWInstance(std::int32_t SWType) = 0;
  virtual void ResetDevice() = 0;
  virtual void RebootDevice(std::int32_t Option) = 0;
  virtual void DeviceLogin(const std::string& APassword) = 0;
  virtual void DeviceLogout() = 0;
  virtual void CopyRamToFlash(std::int32_t RamStartAddr, std::int32_t FlashStartAddr, std::int32_t BlockSize) = 0;
  virtual void GetFirstEmptyAddr(std::int32_t StartAddr, std::int32_t EndAddr) = 0;
  // AStr: the bytes after the command byte.
  virtual void BlinkDevice(const std::string& AStr) = 0;
  virtual void SetParWithUPID(const std::string& AStr) = 0;
  virtual void GetParWithUPID(const std::string& AStr) = 0;
  virtual void SetBlockUPID(const std::string& AStr) = 0;
  virtual void GetBlockUPID(const std::string& AStr) = 0;
  virtual void ClearInstancePar(std::int32_t Instance) = 0;
  virtual void ClearInstanceAll(std::int32_t Instance) = 0;
  virtual void SetInstanceDefPar(std::int32_t Instance) = 0;
  virtual void GetInstanceTreeName(std::int32_t Instance) = 0;
  virtual void UpdateUPIDList() = 0;
  virtual void EraseMemory() = 0;
  virtual void CurveSaveRamToFlash() = 0;
  virtual void CTSaveRamToFlash() = 0;
  // AStr: the whole frame, command byte included.
  virtual void GenericCmd(const std::string& AStr) = 0;

  // A result keeps its previous value when the answer carries none: check Error first.
  const std::string& DataStr() const { return FDataStr; }
  std::int32_t Data() const { return FData; }
  std::int32_t Address() const { return FAddress; }
  // The status of the last answer: the drive's, or the link's (0xB2: no answer); 0 ok.
  std::uint8_t Error() const { return FError; }
  std::int32_t Mask() const { return FMask; }
  std::int32_t SWIndex() const { return FSWIndex; }

  std::function<void(TTalkInterface* Sender)> OnResponse;
  void* UserData = nullptr;  // the caller's own

 protected:
  std::string FDataStr;
  std::int32_t FData = 0;
  std::int32_t FAddress = 0;
  std::uint8_t FError = 0;
  std::int32_t FMask = 0;
  std::int32_t FSWIndex = 0;
};

class TTalkInterfaceImplementation : public TTalkInterface {
 public:
  // The command in progress, or none (stIdle).
  enum TState : std::uint8_t {
    stIdle,
    stGenericCmd,
    stRead,
    stWrite,
    stFlash,
    stStart,
    stStop,
    stErase,
    stEraseAll,
    stReset,
    stReboot,
    stBlinkDevice,
    stLogin,
    stLogout,
    stClearPar,
    stClearAll,
    stSetDefPar,
    stCopyRamToFlash,
    stGetFirstEmptyAddr,
    stUpdateUPID,
    stSetParWithUPID,
    stGetParWithUPID,
    stGetInstanceTreeName,
    stEraseMemory,
    stCurveSaveRamToFlash,
    stCTSaveRamToFlash,
  };

  // Takes an actor from the talk client's pool.
  explicit TTalkInterfaceImplementation(TBasicTalkService* ATalkService);
  // Gives the actor back; one still waiting for its answer is dropped instead.
  ~TTalkInterfaceImplementation() override;
  TTalkInterfaceImplementation(const TTalkInterfaceImplementation&) = delete;
  TTalkInterfaceImplementation& operator=(const TTalkInterfaceImplementation&) = delete;

  // Each raises "TalkInterface.<command>: interface not ready" while another command is
  // in progress (DeviceLogin: "TalkInterface.LoginDevice: ..."), and "TalkInterface.
  // <command>: not supported" when the drive's protocol version has no pattern for it.
  void ReadMemory(std::int32_t AAddress) override;
  void WriteMemory(std::int32_t AAddress, std::int32_t AData) override;
  void WriteFlash(std::int32_t AAddress, std::int32_t AData) override;
  void StartProgram() override;
  void StopProgram() override;
  void OldStartProgram(std::int32_t AAddress) override;
  void EraseFlash(std::int32_t AAddress) override;
  void EraseFlashAll() override;
  // Sends 89 0A SWType.
  void EraseSWInstance(std::int32_t SWType) override;
  void ResetDevice() override;
  void RebootDevice(std::int32_t Option) override;
  // The answer's field sizes, address increment, flash base and version go to the talk
  // service (not its buffer size), when the drive accepted the login.
  void DeviceLogin(const std::string& APassword) override;
  void DeviceLogout() override;
  void CopyRamToFlash(std::int32_t RamStartAddr, std::int32_t FlashStartAddr, std::int32_t BlockSize) override;
  void GetFirstEmptyAddr(std::int32_t StartAddr, std::int32_t EndAddr) override;
  void BlinkDevice(const std::string& AStr) override;
  void SetParWithUPID(const std::string& AStr) override;
  void GetParWithUPID(const std::string& AStr) override;
  // No pattern serves the block requests by UPID: both are refused, "not supported".
  void SetBlockUPID(const std::string& AStr) override;
  void GetBlockUPID(const std::string& AStr) override;
  void ClearInstancePar(std::int32_t Instance) override;
  void ClearInstanceAll(std::int32_t Instance) override;
  void SetInstanceDefPar(std::int32_t Instance) override;
  void GetInstanceTreeName(std::int32_t Instance) override;
  void UpdateUPIDList() override;
  void EraseMemory() override;
  void CurveSaveRamToFlash() override;
  void CTSaveRamToFlash() override;
  void GenericCmd(const std::string& AStr) override;

  TState State() const { return FState; }

 private:
  // Refuses unless idle and the pattern exists, then puts one record (Args, user value
  // 0) and executes it; a failure leaves the interface idle.
  template <class TField, class... TArgs>
  void Command(const char* Name, TField TBasicTalkService::*Pattern, TState AState, const TArgs&... Args);
  void CheckIdle(const char* Name) const;
  void Answered();
  void StoreResult(TState AState);

  std::unique_ptr<TTalkActor> Actor;
  TBasicTalkService* const FTalkService;
  TState FState = stIdle;
};

class TTalkInterfaceFactory {
 public:
  virtual ~TTalkInterfaceFactory() = default;
  virtual std::unique_ptr<TTalkInterface> CreateTalkInterface(const AnsiString& DeviceName) = 0;
  virtual void ReleaseTalkInterface(std::unique_ptr<TTalkInterface> ATalkInterface) = 0;
};

class TTalkInterfaceFactoryImplementation : public TTalkInterfaceFactory {
 public:
  // For the "TalkService" of the named device, which must be a TBasicTalkService
  // ("Invalid class typecast"); the device manager's errors for unknown names.
  std::unique_ptr<TTalkInterface> CreateTalkInterface(const AnsiString& DeviceName) override;
  void ReleaseTalkInterface(std::unique_ptr<TTalkInterface> ATalkInterface) override;
};

// The one factory, none until InitTalkInterfaceServer.
TTalkInterfaceFactory* TalkInterfaceFactory();
// Makes the factory and registers it as "TalkInterfaceFactory" (type "TalkInterfaceFactory",
// version 1, revision 0). Raises "InitTalkInterfaceServer: talk interface factory already exists".
void InitTalkInterfaceServer();

}  // namespace vt
