// The talk server; see TalkServer.h.
#include "comm/TalkServer.h"

#include <algorithm>
#include <atomic>

#include "comm/CommLimits.h"
#include "comm/SerialDriver.h"
#include "comm/ServerActor.h"
#include "comm/SharedLinkState.h"
#include "comm/TalkMessages.h"
#include "comm/UdpDriver.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "runtime/Conversions.h"
#include "runtime/DebugLog.h"

namespace vt {

struct TTalkServer::TLinkRequest {
  AnsiString Name;
  bool Ipv6 = false;
  std::uint32_t IPv4 = 0;
  AnsiString IPv6;
  std::int32_t Port = 0;
  std::uint16_t Ident = 0;
  std::uint8_t Domain = 0;
  std::uint8_t Info = 0;
};

// What the debug manager calls to hand a link its trace writer. The manager keeps it
// for the rest of the run, so it must outlive the link and forget it when it goes.
class TTalkServer::TTraceTarget {
 public:
  explicit TTraceTarget(TTalkDevice* ALink) : FLink(ALink) {}
  void Set(const TDebugHandler& Handler) {
    std::lock_guard lock(FLock);
    if (FLink) FLink->SetDebugHandler(Handler);
  }
  void Forget() {
    std::lock_guard lock(FLock);
    FLink = nullptr;
  }

 private:
  std::mutex FLock;
  TTalkDevice* FLink;
};

struct TTalkServer::TOpenLink {
  explicit TOpenLink(std::unique_ptr<TTalkDevice> ALink)
      : Link(std::move(ALink)), Trace(std::make_shared<TTraceTarget>(Link.get())) {}
  ~TOpenLink() { Trace->Forget(); }
  std::unique_ptr<TTalkDevice> Link;
  std::shared_ptr<TTraceTarget> Trace;
};

namespace {

[[noreturn]] void Fail(const char* Text, const AnsiString& Name) { throw Exception(Format(Text, AnsiToUtf8(Name))); }

std::atomic<TTalkServer*> GTalkServer{nullptr};

}  // namespace

TTalkServer* TalkServer() { return GTalkServer; }

TTalkServer::TTalkServer() {
  // Every link's frames are traced.
  if (TDebugManager* debug = DebugManager()) debug->Enable(1);
  TalkScheduler = std::make_unique<TMxScheduler>("TalkScheduler");
  ThreadManager = std::make_unique<TThreadManager>("TalkServer");
  Queue = std::make_unique<TMxQueue>();
  Queue->LogOn(0);
  CommandQueue = std::make_unique<TMxQueue>();
  CommandQueue->LogOn(0);
  if (Queue->GetQueueIdent() != TalkServerIdent || CommandQueue->GetQueueIdent() != TalkServerCommandIdent)
    throw Exception("TTalkServer.Create: message queues were logged on before the talk server");
  // The executors start with the default answer time-outs; the shell sets its own after.
  ResetTimeouts();
  for (int i = 0; i < ServerActorCount; ++i)
    ServerActor.push_back(std::make_unique<TServerActor>(Queue.get(), this, TalkScheduler.get()));
  CommandTask = std::make_unique<TMxTask>(TalkScheduler.get(), "TalkServer.Create");
  CommandTask->OnExecute = [this](TMxTask* Sender) { CommandExecute(Sender); };
  CommandTask->Start();
  TTalkServer* none = nullptr;
  GTalkServer.compare_exchange_strong(none, this);
}

// Links first (they leave their ports), then the tasks, the ports and their tasks, the
// queues, the serial ports' receiving thread, the scheduler. Nothing is destroyed under
// the lists' locks: a port's own lock is taken inside, and a port may ask for its name.
TTalkServer::~TTalkServer() {
  TTalkServer* self = this;
  GTalkServer.compare_exchange_strong(self, nullptr);
  TalkScheduler->TaskThread()->ShutdownThread();
  std::vector<std::unique_ptr<TOpenLink>> links;
  {
    std::lock_guard lock(FLinkLock);
    links.swap(Links);
  }
  links.clear();
  ServerActor.clear();
  CommandTask.reset();
  decltype(PortDriverList) ports;
  {
    std::lock_guard lock(FPortLock);
    ports.swap(PortDriverList);
  }
  ports.clear();
  CommandQueue.reset();
  Queue.reset();
  ThreadManager.reset();
  TalkScheduler.reset();
}

// ---- Port drivers ----

int TTalkServer::AddPortDriver(const AnsiString& AName, std::unique_ptr<TPortDriver> APortDriver) {
  std::lock_guard lock(FPortLock);
  const bool taken = std::any_of(PortDriverList.begin(), PortDriverList.end(),
                                 [&](const auto& p) { return p.first == AName; });
  if (taken) return 0;
  PortDriverList.emplace_back(AName, std::move(APortDriver));
  return 1;
}

int TTalkServer::AddSerialPortDriver(const AnsiString& AName, std::uint32_t BaudRate) {
  const auto name = [this](std::int32_t Index) { return GetPortName(Index); };
  return AddPortDriver(AName, std::make_unique<TRsDriver>(GetPortCount() + 1, BaudRate, name));
}

int TTalkServer::SetPortBaudRate(const AnsiString& AName, std::uint32_t BaudRate) {
  auto* serial = dynamic_cast<TRsDriver*>(GetPortDriver(AName));
  if (!serial) return 0;
  serial->SetBaudRate(BaudRate);
  return 1;
}

TPortDriver* TTalkServer::GetPortDriver(const AnsiString& AName) const {
  std::lock_guard lock(FPortLock);
  const auto it = std::find_if(PortDriverList.begin(), PortDriverList.end(),
                               [&](const auto& p) { return p.first == AName; });
  return it == PortDriverList.end() ? nullptr : it->second.get();
}

int TTalkServer::GetPortCount() const {
  std::lock_guard lock(FPortLock);
  return static_cast<int>(PortDriverList.size());
}

AnsiString TTalkServer::GetPortName(int AIndex) const {
  std::lock_guard lock(FPortLock);
  return AIndex >= 0 && AIndex < static_cast<int>(PortDriverList.size()) ? PortDriverList[AIndex].first : AnsiString();
}

AnsiString TTalkServer::GetPortType(const AnsiString& APortName) const {
  const TPortDriver* port = GetPortDriver(APortName);
  return port ? port->PortType() : AnsiString();
}

TTalkDevice* TTalkServer::GetTalkDevice(const AnsiString& APortName) const {
  std::lock_guard lock(FLinkLock);
  return TalkDeviceList.DeviceWithName(APortName);
}

std::uint32_t TTalkServer::ClosePortWithBaudrate(const AnsiString& APortName, std::uint32_t ABaudRate) {
  auto* serial = dynamic_cast<TRsDriver*>(GetPortDriver(APortName));
  if (!serial) return 0;
  const std::uint32_t previous = serial->BaudRate();
  serial->Close();
  serial->SetBaudRate(ABaudRate);
  return previous;
}

void TTalkServer::ReopenPort(const AnsiString& APortName) {
  auto* serial = dynamic_cast<TRsDriver*>(GetPortDriver(APortName));
  if (!serial) return;
  OpenPort(serial, APortName);
  if (TTalkDevice* link = GetTalkDevice(APortName)) link->RedefineBaudrate();
}

// ---- Opening and closing links ----

std::int32_t TTalkServer::OpenDevice(const AnsiString& AName, std::uint64_t ADeviceMACID, std::uint32_t ADeviceIP,
                                     std::int32_t ADevicePort, std::uint16_t AIdent, std::uint8_t ADomain,
                                     std::uint8_t AInfo) {
  return Open({AName, false, ADeviceIP, {}, ADevicePort, AIdent, ADomain, AInfo});
}

std::int32_t TTalkServer::OpenDevice_v6(const AnsiString& AName, std::uint64_t ADeviceMACID,
                                        const AnsiString& ADeviceIP, std::int32_t ADevicePort, std::uint16_t AIdent,
                                        std::uint8_t ADomain, std::uint8_t AInfo) {
  return Open({AName, true, 0, ADeviceIP, ADevicePort, AIdent, ADomain, AInfo});
}

std::int32_t TTalkServer::Open(const TLinkRequest& Request) {
  return Request.Name == (Request.Ipv6 ? "ETH_v6" : "ETH") ? OpenUdp(Request) : OpenSerial(Request);
}

std::int32_t TTalkServer::OpenSerial(const TLinkRequest& Request) {
  if (GetTalkDevice(Request.Name)) Fail("TalkServer: port %s is occupied", Request.Name);
  TPortDriver* port = GetPortDriver(Request.Name);
  if (!port) Fail("TalkServer: port %s is unknown", Request.Name);
  auto* serial = dynamic_cast<TRsDriver*>(port);
  if (serial && !serial->PortIsOpen())
    if (const std::uint32_t rate = GlobalBaudrate.exchange(0)) serial->SetBaudRate(rate);
  OpenPort(port, Request.Name);
  port->SetPortName(Request.Name);
  auto link = std::make_unique<TTalkDevice>(Request.Name, port, 0, Queue.get(), 0);
  // Serial links opened through the IPv6 form are not traced.
  return AddLink(std::move(link), Request, !Request.Ipv6);
}

std::int32_t TTalkServer::OpenUdp(const TLinkRequest& Request) {
  TPortDriver* port = GetPortDriver(Request.Name);
  if (!port) Fail("TalkServer: port %s is unknown", Request.Name);
  const auto udpPort = static_cast<std::uint16_t>(Request.Port);
  const AnsiString key = Request.Ipv6 ? ZidirirIPv6(Request.IPv6) + ":" + std::to_string(udpPort)
                                      : Int64ToIP_PortStr(std::uint64_t{Request.IPv4} << 16 | udpPort);
  const auto* udp = dynamic_cast<const TUdpPortDriver*>(port);
  if (udp && udp->SlaveIndex(key) >= 0) Fail("TalkServer: port %s is occupied", Request.Ipv6 ? Request.IPv6 : key);
  OpenPort(port, Request.Name);
  auto link = Request.Ipv6
                  ? std::make_unique<TTalkDevice>(Request.Name, port, Request.IPv6, Queue.get(), Request.Port)
                  : std::make_unique<TTalkDevice>(Request.Name, port, static_cast<std::int32_t>(Request.IPv4),
                                                  Queue.get(), Request.Port);
  return AddLink(std::move(link), Request, true);
}

void TTalkServer::OpenPort(TPortDriver* Port, const AnsiString& AName) {
  if (!Port->PortIsOpen()) Port->Open(TalkScheduler.get(), ThreadManager.get());
  if (!Port->PortIsOpen()) Fail("Port %s could not be opened!", AName);
}

std::int32_t TTalkServer::AddLink(std::unique_ptr<TTalkDevice> Link, const TLinkRequest& Request, bool Trace) {
  TTalkDevice* link = Link.get();
  link->SetDefaultQueue(Request.Ident, Request.Domain, Request.Info);
  auto entry = std::make_unique<TOpenLink>(std::move(Link));
  const std::shared_ptr<TTraceTarget> target = entry->Trace;
  {
    std::lock_guard lock(FLinkLock);
    TalkDeviceList.AddDevice(link);
    Links.push_back(std::move(entry));
  }
  if (TDebugManager* debug = DebugManager(); debug && Trace)
    debug->Assign(1, [target](const TDebugHandler& Handler) { target->Set(Handler); });
  return link->DeviceHandle();
}

void TTalkServer::CloseDevice(std::int32_t AHandle) { Close(AHandle, false); }

void TTalkServer::CloseDevice_v6(std::int32_t AHandle) { Close(AHandle, true); }

// The port is left at once, so that it can be opened again; the object stays while an
// executor has it.
void TTalkServer::Close(std::int32_t AHandle, bool Ipv6Form) {
  TTalkDevice* link = LinkWithHandle(AHandle);
  if (!link) return;
  if (Ipv6Form)
    link->Destroy_v6();
  else
    link->Destroy();
  std::unique_ptr<TOpenLink> gone;
  std::lock_guard lock(FLinkLock);
  TalkDeviceList.DeleteDevice(link);
  if (!link->Owned()) gone = TakeLink(link);
}

std::unique_ptr<TTalkServer::TOpenLink> TTalkServer::TakeLink(TTalkDevice* ALink) {
  const auto it = std::find_if(Links.begin(), Links.end(), [&](const auto& l) { return l->Link.get() == ALink; });
  std::unique_ptr<TOpenLink> link = std::move(*it);
  Links.erase(it);
  return link;
}

TTalkDevice* TTalkServer::LinkWithHandle(std::int32_t AHandle) const {
  std::lock_guard lock(FLinkLock);
  return TalkDeviceList.DeviceWithIndex(AHandle);
}

bool TTalkServer::IsClosed(const TTalkDevice* ALink) const {
  std::lock_guard lock(FLinkLock);
  return TalkDeviceList.DeviceWithIndex(ALink->DeviceHandle()) != ALink;
}

void TTalkServer::ReleaseLink(TTalkDevice* ALink, TMxTask* Sender) {
  ALink->ReleaseDevice(Sender);
  std::unique_ptr<TOpenLink> gone;  // goes after the lock
  std::lock_guard lock(FLinkLock);
  if (TalkDeviceList.DeviceWithIndex(ALink->DeviceHandle()) != ALink && !ALink->Owned()) gone = TakeLink(ALink);
}

// ---- The command task ----

// One command per step.
void TTalkServer::CommandExecute(TMxTask* Sender) {
  if (TMxMessage* request = CommandQueue->GetMessage()) {
    CmdMsgReader.SetItem(request);
    CmdMsgWriter.CreateMessage();
    CmdMsgWriter.GetItem()->SetReceiverFromSender(request);
    Command(request);
    CmdMsgReader.DestroyMessage();
    try {
      CommandQueue->SendMessage(CmdMsgWriter.GetItem());
    } catch (...) {
      LogInfo(CurrentExceptionText() + " - TalkServer.Create");  // the sender went away
    }
  }
  Sender->WaitFor(CommandQueue.get(), MxNoTimeout);
}

// Integers are hexadecimal; the handle in the reply is decimal.
void TTalkServer::Command(TMxMessage* Request) {
  const AnsiString command = CmdMsgReader.GetCommand();
  CmdMsgWriter.PutCommand(command.empty() ? AnsiString("ERROR") : command);
  try {
    if (command == "OpenDevice") {
      TLinkRequest r;
      r.Name = CmdMsgReader.GetParameter();
      CmdMsgReader.GetParameter();  // the MAC id
      r.Ipv6 = MsgGetInt(CmdMsgReader) == 6;
      if (r.Ipv6)
        r.IPv6 = CmdMsgReader.GetParameter();
      else
        r.IPv4 = static_cast<std::uint32_t>(MsgGetInt(CmdMsgReader));
      r.Port = MsgGetInt(CmdMsgReader);
      r.Info = static_cast<std::uint8_t>(MsgGetInt(CmdMsgReader));
      r.Ident = Request->Sender.Ident;
      r.Domain = Request->Sender.Domain;
      const std::int32_t handle = Open(r);
      CmdMsgWriter.PutParameter("OK");
      CmdMsgWriter.PutParameter(std::to_string(handle));
    } else if (command == "CloseDevice") {
      const std::int32_t handle = MsgGetInt(CmdMsgReader);
      Close(handle, MsgGetInt(CmdMsgReader) == 6);
      CmdMsgWriter.PutParameter("OK");
    } else {
      throw Exception("unknown command");
    }
  } catch (...) {
    const AnsiString text = CurrentExceptionText();
    CmdMsgWriter.PutParameter("ERROR");
    CmdMsgWriter.PutParameter(text.empty() ? AnsiString("unknown error") : text);
  }
}

}  // namespace vt
