// The UDP port drivers; see UdpDriver.h.
#include "comm/UdpDriver.h"

#include <algorithm>

#include "comm/CommLimits.h"
#include "comm/SharedLinkState.h"
#include "platform/Exceptions.h"
#include "runtime/Conversions.h"
#include "runtime/Messages.h"

namespace vt {

namespace {

AnsiString KeyV6(const AnsiString& Address, std::uint32_t Port) {
  return ZidirirIPv6(Address) + ":" + std::to_string(Port);
}

}  // namespace

// ---- Peers ----

TETHSlave::TETHSlave(TUdpPortDriver* APortDriver, AnsiString AKey, TMxScheduler* AScheduler)
    : FPortDriver(APortDriver),
      FDeviceIPStr(std::move(AKey)),
      RxQueue(std::make_unique<TMxQueue>()),
      RxTask(std::make_unique<TMxTask>(AScheduler, "ETHSlave.Create")) {
  RxTask->OnExecute = [this](TMxTask* Sender) { Work(Sender); };
  RxTask->Start();
}

TETHSlave::~TETHSlave() { RxTask.reset(); }

void TETHSlave::Deliver(const std::string& Datagram) {
  TMxMessage* msg = TMxMessage::Create();
  msg->SetText(Datagram);
  RxQueue->PutMessage(msg);
}

void TETHSlave::Work(TMxTask* Sender) {
  if (TMxMessage* msg = RxQueue->GetMessage()) {
    const std::string datagram = msg->GetText();
    TMxMessage::Free(msg);
    // The position is looked up for each datagram: a release moves the peers above.
    const int index = FPortDriver->SlaveIndex(FDeviceIPStr);
    if (index >= 0) FPortDriver->Input(index, datagram);
  }
  Sender->WaitFor(RxQueue.get(), MxNoTimeout);
}

// ---- What both drivers share ----

TUdpPortDriver::TUdpPortDriver(const AnsiString& AType, TIPVersion Version)
    : TPortDriver(UdpPortCount), FIDUdpServer(Version, "UdpServer " + AType), FVersion(Version) {
  FPortType = AType;
  FEtherNetType = Version == TIPVersion::IPv6 ? "IPv6" : "IPv4";
  FIDUdpServer.OnRead = [this](const TDatagram& Datagram) { UDPRead(Datagram); };
}

// The listener ends first: it reaches the peers.
TUdpPortDriver::~TUdpPortDriver() { FIDUdpServer.Deactivate(); }

void TUdpPortDriver::Open(TMxScheduler* AScheduler, TThreadManager* AThreadManager) {
  TPortDriver::Open(AScheduler, AThreadManager);
  try {
    FIDUdpServer.Activate();
  } catch (const std::exception& e) {
    TPortDriver::Close();
    throw Exception(e.what());
  }
}

void TUdpPortDriver::Close() {
  if (NoOfSlaves() > 0) return;
  FIDUdpServer.Deactivate();
  TPortDriver::Close();
}

int TUdpPortDriver::NoOfSlaves() const {
  std::lock_guard lock(FPeerLock);
  return static_cast<int>(ETHSlaves.size());
}

TUdpPortDriver::TPeerList::const_iterator TUdpPortDriver::FindPeer(const AnsiString& Key) const {
  return std::find_if(ETHSlaves.begin(), ETHSlaves.end(), [&](const auto& s) { return SameTextAnsi(s->Key(), Key); });
}

int TUdpPortDriver::SlaveIndex(const AnsiString& Key) const {
  std::lock_guard lock(FPeerLock);
  const auto it = FindPeer(Key);
  return it == ETHSlaves.end() ? -1 : static_cast<int>(it - ETHSlaves.begin());
}

std::uint8_t TUdpPortDriver::RegisterPeer(const AnsiString& Key, std::int32_t UDPPort, TInpEvent OnInput,
                                          TErrEvent OnError) {
  std::lock_guard lock(FPeerLock);
  const auto n = static_cast<std::int32_t>(ETHSlaves.size());
  const std::uint8_t r = TPortDriver::Assign(n, UDPPort, std::move(OnInput), std::move(OnError));
  if (r == 0) ETHSlaves.push_back(std::make_unique<TETHSlave>(this, Key, Scheduler()));
  return r;
}

std::uint8_t TUdpPortDriver::ReleasePeer(const AnsiString& Key) {
  std::unique_ptr<TETHSlave> gone;
  {
    std::lock_guard lock(FPeerLock);
    const auto it = FindPeer(Key);
    if (it == ETHSlaves.end()) return 0;
    const auto index = it - ETHSlaves.cbegin();
    TPortDriver::Assign(static_cast<std::int32_t>(index), 0, nullptr, nullptr);
    gone = std::move(ETHSlaves[index]);
    ETHSlaves.erase(ETHSlaves.begin() + index);
  }
  return 0;  // the peer, its task and queue go here
}

std::uint8_t TUdpPortDriver::SendDatagram(const AnsiString& IP, std::int32_t UDPPort, const std::string& Msg) {
  try {
    FIDUdpServer.SendBuffer(IP, static_cast<std::uint16_t>(UDPPort), Msg);
  } catch (const std::exception&) {
    return StatusUdpSendFailed;
  }
  return 0;
}

void TUdpPortDriver::UDPRead(const TDatagram& Datagram) {
  const AnsiString sender = ZidirirIPv6(Datagram.PeerIP);
  const AnsiString key = sender + ":" + std::to_string(Datagram.PeerPort);
  std::function<void(TUdpPortDriver*)> trigger;
  {
    std::lock_guard lock(FMessageLock);
    trigger = FOnTrigger;
  }
  std::lock_guard lock(FPeerLock);
  const auto peer = FindPeer(key);
  const bool known = peer != ETHSlaves.end();
  const AnsiString message = known ? Datagram.Data : AnsiString();
  if (trigger && (known || FVersion == TIPVersion::IPv6)) {
    // The handler reads MessageStr: it holds this datagram while the handler runs.
    FMainThread.Post([this, trigger, message, sender] {
      SetLastDatagram(message, sender);
      trigger(this);
    });
  } else {
    SetLastDatagram(message, sender);
  }
  if (known) (*peer)->Deliver(Datagram.Data);
}

void TUdpPortDriver::SetLastDatagram(const AnsiString& Message, const AnsiString& Sender) {
  std::lock_guard lock(FMessageLock);
  FMessageStr = Message;
  FLastResIP = Sender;
}

AnsiString TUdpPortDriver::MessageStr() const {
  std::lock_guard lock(FMessageLock);
  return FMessageStr;
}

AnsiString TUdpPortDriver::LastSender() const {
  std::lock_guard lock(FMessageLock);
  return FLastResIP;
}

void TUdpPortDriver::SetOnTrigger(std::function<void(TUdpPortDriver*)> Handler) {
  std::lock_guard lock(FMessageLock);
  FOnTrigger = std::move(Handler);
}

// ---- IPv4 ----

TETHDriver::TETHDriver() : TUdpPortDriver("ETH", TIPVersion::IPv4) {}

TETHDriver::~TETHDriver() { Close(); }

std::uint8_t TETHDriver::Assign(std::int32_t PortIndex, std::int32_t UDPPort, TInpEvent OnInput,
                                TErrEvent OnError) {
  const auto address = static_cast<std::uint32_t>(PortIndex);
  const AnsiString key = Int64ToIP_PortStr(std::uint64_t{address} << 16 | static_cast<std::uint16_t>(UDPPort));
  if (!OnInput) return ReleasePeer(key);
  return RegisterPeer(key, UDPPort, std::move(OnInput), std::move(OnError));
}

std::uint8_t TETHDriver::Send(std::int32_t PortIndex, const std::string& Msg, std::int32_t UDPPort) {
  return SendDatagram(IntToIPStr(static_cast<std::uint32_t>(PortIndex)), UDPPort, Msg);
}

int TETHDriver::GetSlaveIndex(std::uint64_t AddressAndPort) const {
  return SlaveIndex(Int64ToIP_PortStr(AddressAndPort));
}

// ---- IPv6 ----

TETHDriver_v6::TETHDriver_v6() : TUdpPortDriver("ETH_v6", TIPVersion::IPv6) {}

TETHDriver_v6::~TETHDriver_v6() { Close(); }

std::uint8_t TETHDriver_v6::Assign_v6(const AnsiString& PortIndex, std::int32_t UDPPort, TInpEvent OnInput,
                                      TErrEvent OnError) {
  const AnsiString key = KeyV6(PortIndex, static_cast<std::uint16_t>(UDPPort));
  if (!OnInput) return ReleasePeer(key);
  {
    std::lock_guard lock(FLock);
    FPortIndexStr = PortIndex;
  }
  return RegisterPeer(key, UDPPort, std::move(OnInput), std::move(OnError));
}

std::uint8_t TETHDriver_v6::Send_v6(const AnsiString& PortIndex, const std::string& Msg, std::int32_t UDPPort,
                                    const AnsiString& CardName) {
  const bool change = FIDUdpServer.BoundIP() != CardName;
  if (change) {
    FIDUdpServer.Deactivate();
    FIDUdpServer.SetBoundIP(CardName);
    try {
      FIDUdpServer.Activate();
    } catch (const std::exception&) {
      // Not a local address: the send below fails, and the next card is tried.
    }
  }
  CountSend(change);
  return SendDatagram(PortIndex, UDPPort, Msg);
}

void TETHDriver_v6::CountSend(bool CardChanged) {
  if (CardChanged) {
    FTriesChanges = MaxNumberOfTriesChanges();
    FTriesCounter = 0;
    FTriesLowered = MaxNumberOfTries() != 1;
  } else if (TriesLowered() && ++FTriesCounter > Ipv6SameCardSends) {
    FTriesLowered = false;
  }
}

bool TETHDriver_v6::TriesLowered() const { return FTriesLowered && FTriesChanges == MaxNumberOfTriesChanges(); }

int TETHDriver_v6::NumberOfTries() const { return TriesLowered() ? 1 : MaxNumberOfTries(); }

AnsiString TETHDriver_v6::PortIndexStr() const {
  std::lock_guard lock(FLock);
  return FPortIndexStr;
}

}  // namespace vt
