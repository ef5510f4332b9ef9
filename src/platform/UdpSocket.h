// UDP sockets of one IP version: bound to any local address (or one chosen address, an
// IPv6 link-local one with its interface as "fe80::1%eth0") and a port the system
// chooses; one datagram per send and per receive. Operations return 0 or an errno.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vt {

enum class TIPVersion { IPv4, IPv6 };

struct TDatagram {
  std::string Data;
  std::string PeerIP;  // numeric text ("127.0.0.1", "::1")
  std::uint16_t PeerPort = 0;
};

class TUdpSocket {
 public:
  explicit TUdpSocket(TIPVersion Version) : FVersion(Version) {}
  ~TUdpSocket() { Close(); }
  TUdpSocket(const TUdpSocket&) = delete;
  TUdpSocket& operator=(const TUdpSocket&) = delete;

  // Opens a non-blocking socket bound to LocalIP (empty: any address) and Port (0:
  // the system chooses). EINVAL for an address that is no address of this version.
  int Bind(std::string_view LocalIP, std::uint16_t Port = 0);
  void Close();
  bool IsOpen() const { return FFd >= 0; }
  int Descriptor() const { return FFd; }
  std::uint16_t LocalPort() const;

  int SendTo(std::string_view IP, std::uint16_t Port, std::string_view Data);
  // One waiting datagram into Datagram: 0, EAGAIN when none waits, or another errno.
  int Receive(TDatagram& Datagram);

 private:
  // A datagram never exceeds this; the drive link's are at most 255 bytes.
  static constexpr std::size_t MaxDatagramSize = 65536;

  const TIPVersion FVersion;
  int FFd = -1;
  std::string FBuffer;  // one receive buffer, allocated once
};

}  // namespace vt
