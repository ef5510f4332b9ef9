// The talk server: the one owner of the drive links. It holds the port drivers by name,
// opens and closes device links on them at the command of the talk services, and runs
// the request executors that carry the talk client's requests to the drives. Its
// command task, the executors and the port drivers' delivering tasks run on the
// threaded scheduler "TalkScheduler"; the serial ports receive on its thread manager
// "TalkServer".
//
// Threads: the port list and the device list are locked, as the GUI thread lists and
// inspects ports while the talk thread opens and closes links. Links are opened and
// closed on the talk thread (the command task), which also runs every executor.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "comm/PortDriver.h"
#include "comm/TalkDevices.h"
#include "platform/TextConversion.h"
#include "runtime/MessageCoding.h"
#include "runtime/Messages.h"
#include "runtime/Tasks.h"
#include "runtime/Threads.h"

namespace vt {

class TServerActor;

class TTalkServer {
 public:
  // Its request and command queues must be the first two to log on (idents 0 and 1),
  // or requests would reach another queue: raises "TTalkServer.Create: message queues
  // were logged on before the talk server" otherwise. Switches on the trace group 1.
  TTalkServer();
  // Closes every link; the scheduler's thread ends first, so no step runs meanwhile.
  ~TTalkServer();
  TTalkServer(const TTalkServer&) = delete;
  TTalkServer& operator=(const TTalkServer&) = delete;

  // 1 when added, 0 (and the driver dropped) when the name is taken.
  int AddPortDriver(const AnsiString& AName, std::unique_ptr<TPortDriver> APortDriver);
  // A serial driver at the next position of the list, its port the device AName.
  int AddSerialPortDriver(const AnsiString& AName, std::uint32_t BaudRate);
  // 1 when AName is a serial driver, whose next open takes the rate; else 0.
  int SetPortBaudRate(const AnsiString& AName, std::uint32_t BaudRate);

  // The handle of a new link, whose frames nobody waits for go to the queue AIdent,
  // ADomain with the info byte AInfo. Raises "TalkServer: port %s is occupied",
  // "TalkServer: port %s is unknown", "Port %s could not be opened!" or the port's own
  // failure. AName "ETH" opens a link to ADeviceIP and ADevicePort, any other name a
  // serial port; the MAC id is not used.
  std::int32_t OpenDevice(const AnsiString& AName, std::uint64_t ADeviceMACID, std::uint32_t ADeviceIP,
                          std::int32_t ADevicePort, std::uint16_t AIdent, std::uint8_t ADomain, std::uint8_t AInfo);
  // The same with "ETH_v6" and an IPv6 address text.
  std::int32_t OpenDevice_v6(const AnsiString& AName, std::uint64_t ADeviceMACID, const AnsiString& ADeviceIP,
                             std::int32_t ADevicePort, std::uint16_t AIdent, std::uint8_t ADomain,
                             std::uint8_t AInfo);
  // Nothing for an unknown handle. A link that an executor owns is freed when it is
  // released; the executors that have it or wait for it answer 0xB0. The form must be
  // the link's (the IPv6 form on a serial link raises, and the link stays open).
  void CloseDevice(std::int32_t AHandle);
  void CloseDevice_v6(std::int32_t AHandle);

  int GetPortCount() const;
  // Empty outside the list.
  AnsiString GetPortName(int AIndex) const;
  // The driver's port type, empty for an unknown name.
  AnsiString GetPortType(const AnsiString& APortName) const;
  TPortDriver* GetPortDriver(const AnsiString& APortName) const;
  // The first open link of that name.
  TTalkDevice* GetTalkDevice(const AnsiString& APortName) const;

  // The serial fall-back after a lost connection, on the GUI thread: closes the serial
  // port and gives it ABaudRate for its next open; the rate it had, 0 for a port that is
  // not serial (nothing is done then).
  std::uint32_t ClosePortWithBaudrate(const AnsiString& APortName, std::uint32_t ABaudRate);
  // Opens it again on the talk thread's scheduler and thread manager, and lets its link
  // register again at the new rate. Nothing for a port that is not serial.
  void ReopenPort(const AnsiString& APortName);

  // For the executors, on the talk thread: the open link with that handle or none,
  // whether a link has been closed, and its release (which frees a closed one).
  TTalkDevice* LinkWithHandle(std::int32_t AHandle) const;
  bool IsClosed(const TTalkDevice* ALink) const;
  void ReleaseLink(TTalkDevice* ALink, TMxTask* Sender);

 private:
  // Which port and address a new link gets.
  struct TLinkRequest;
  struct TOpenLink;
  class TTraceTarget;

  void CommandExecute(TMxTask* Sender);
  // Writes the reply to the command in CmdMsgReader.
  void Command(TMxMessage* Request);
  std::int32_t Open(const TLinkRequest& Request);
  std::int32_t OpenSerial(const TLinkRequest& Request);
  std::int32_t OpenUdp(const TLinkRequest& Request);
  std::int32_t AddLink(std::unique_ptr<TTalkDevice> Link, const TLinkRequest& Request, bool Trace);
  void Close(std::int32_t AHandle, bool Ipv6Form);
  // With FLinkLock held; the caller frees it after the lock.
  std::unique_ptr<TOpenLink> TakeLink(TTalkDevice* ALink);
  void OpenPort(TPortDriver* Port, const AnsiString& AName);

  mutable std::mutex FPortLock;  // PortDriverList
  std::vector<std::pair<AnsiString, std::unique_ptr<TPortDriver>>> PortDriverList;
  mutable std::mutex FLinkLock;  // TalkDeviceList, Links
  TTalkDeviceList TalkDeviceList;
  std::vector<std::unique_ptr<TOpenLink>> Links;  // open ones and closed ones still owned
  std::unique_ptr<TMxScheduler> TalkScheduler;
  std::unique_ptr<TThreadManager> ThreadManager;
  std::unique_ptr<TMxQueue> Queue;
  std::unique_ptr<TMxQueue> CommandQueue;
  std::vector<std::unique_ptr<TServerActor>> ServerActor;
  TMessageReader CmdMsgReader;
  TMessageWriter CmdMsgWriter;
  std::unique_ptr<TMxTask> CommandTask;
};

// The program's talk server while one exists (the first one made).
TTalkServer* TalkServer();

}  // namespace vt
