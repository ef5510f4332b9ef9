// The UDP port drivers, "ETH" (IPv4) and "ETH_v6" (IPv6): one socket serves many peers
// (a drive at an address and UDP port), each in the slot of its position in the peer
// list; one datagram is one payload, with nothing added.
//
// Threads: the listener thread puts each datagram straight into its peer's queue, and
// the peer's task delivers it on the scheduler given at open (the talk thread). The
// trigger of the script port objects runs on the GUI thread. The peer list is locked:
// registration and release on the talk thread meet the listener thread there.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "comm/MainThreadCalls.h"
#include "comm/PortDriver.h"
#include "comm/UdpServer.h"

namespace vt {

class TMxQueue;
class TMxTask;
class TUdpPortDriver;

// One peer and the task that delivers its datagrams in order of arrival.
class TETHSlave {
 public:
  TETHSlave(TUdpPortDriver* APortDriver, AnsiString AKey, TMxScheduler* AScheduler);
  ~TETHSlave();
  TETHSlave(const TETHSlave&) = delete;
  TETHSlave& operator=(const TETHSlave&) = delete;

  // Any thread.
  void Deliver(const std::string& Datagram);
  // The peer's key: "192.168.1.10:20000", or the IPv6 address in its one keyed form,
  // ":" and the port.
  const AnsiString& Key() const { return FDeviceIPStr; }

 private:
  void Work(TMxTask* Sender);

  TUdpPortDriver* const FPortDriver;
  const AnsiString FDeviceIPStr;
  std::unique_ptr<TMxQueue> RxQueue;
  std::unique_ptr<TMxTask> RxTask;
};

// What both UDP drivers share: the server socket, the peer list, reception and sending.
class TUdpPortDriver : public TPortDriver {
 public:
  ~TUdpPortDriver() override;

  // Base open, then the server listens; a failure leaves the driver closed and is
  // raised again.
  void Open(TMxScheduler* AScheduler, TThreadManager* AThreadManager) override;
  // Only when no peer is left: the server stops, the driver closes.
  void Close() override;

  int NoOfSlaves() const;
  // The position of a key in the peer list (without regard to case), or -1.
  int SlaveIndex(const AnsiString& Key) const;
  // The last datagram from a known peer, empty after one from an unknown sender.
  AnsiString MessageStr() const;
  // Called on the GUI thread after each datagram (the IPv6 driver: also after one from
  // an unknown sender), with that datagram in MessageStr.
  void SetOnTrigger(std::function<void(TUdpPortDriver* Driver)> Handler);
  // The server's local port (the system chose it).
  std::uint16_t BoundPort() const { return FIDUdpServer.BoundPort(); }

 protected:
  TUdpPortDriver(const AnsiString& AType, TIPVersion Version);

  std::uint8_t RegisterPeer(const AnsiString& Key, std::int32_t UDPPort, TInpEvent OnInput, TErrEvent OnError);
  // Result 0, also for a key that is not listed.
  std::uint8_t ReleasePeer(const AnsiString& Key);
  // 0, or 0x81 when the datagram could not be sent.
  std::uint8_t SendDatagram(const AnsiString& IP, std::int32_t UDPPort, const std::string& Msg);
  // The keyed form of the last sender of any datagram.
  AnsiString LastSender() const;

  TUdpServer FIDUdpServer;

 private:
  // The server's read handler, on the listener thread.
  void UDPRead(const TDatagram& Datagram);
  void SetLastDatagram(const AnsiString& Message, const AnsiString& Sender);

  using TPeerList = std::vector<std::unique_ptr<TETHSlave>>;
  // With the peer lock held.
  TPeerList::const_iterator FindPeer(const AnsiString& Key) const;

  const TIPVersion FVersion;
  mutable std::mutex FPeerLock;  // ETHSlaves
  TPeerList ETHSlaves;
  mutable std::mutex FMessageLock;  // the three below
  AnsiString FMessageStr;
  AnsiString FLastResIP;
  std::function<void(TUdpPortDriver*)> FOnTrigger;
  TMainThreadCalls FMainThread;
};

class TETHDriver : public TUdpPortDriver {
 public:
  TETHDriver();
  ~TETHDriver() override;

  // PortIndex is the 32-bit IPv4 address, its first part in bits 31 to 24.
  std::uint8_t Assign(std::int32_t PortIndex, std::int32_t UDPPort, TInpEvent OnInput, TErrEvent OnError) override;
  std::uint8_t Send(std::int32_t PortIndex, const std::string& Msg, std::int32_t UDPPort) override;
  // Address in bits 47 to 16, port in bits 15 to 0.
  int GetSlaveIndex(std::uint64_t AddressAndPort) const;
};

class TETHDriver_v6 : public TUdpPortDriver {
 public:
  TETHDriver_v6();
  ~TETHDriver_v6() override;

  std::uint8_t Assign_v6(const AnsiString& PortIndex, std::int32_t UDPPort, TInpEvent OnInput,
                         TErrEvent OnError) override;
  // Sends through the local card CardName (an IPv6 address), moving the server there
  // first. While the request executor walks the cards looking for a silent drive, each
  // card gets one send: after a card change this link's number of tries is 1 until
  // seven sends went through the same card or the user set a new number. Other links
  // and the user's setting keep theirs.
  std::uint8_t Send_v6(const AnsiString& PortIndex, const std::string& Msg, std::int32_t UDPPort,
                       const AnsiString& CardName) override;
  int NumberOfTries() const override;
  // Looks the key up as it is.
  int GetSlaveIndex_v6(const AnsiString& Key) const { return SlaveIndex(Key); }
  AnsiString LastResIP() const { return LastSender(); }
  // The address given to the last registration.
  AnsiString PortIndexStr() const;

 private:
  void CountSend(bool CardChanged);
  bool TriesLowered() const;

  mutable std::mutex FLock;  // FPortIndexStr
  AnsiString FPortIndexStr;
  std::atomic<bool> FTriesLowered{false};
  std::atomic<std::uint32_t> FTriesChanges{0};  // the user's stores when lowered
  std::atomic<int> FTriesCounter{0};
};

}  // namespace vt
