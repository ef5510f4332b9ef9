// UDP sockets; see UdpSocket.h.
#include "platform/UdpSocket.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

namespace vt {

namespace {

union TSocketAddress {
  sockaddr Any;
  sockaddr_in V4;
  sockaddr_in6 V6;
};

// The interface of "addr%zone": a name or a number.
bool ParseZone(const std::string& Zone, std::uint32_t& Index) {
  if (Zone.empty()) return true;
  if (const unsigned i = if_nametoindex(Zone.c_str())) {
    Index = i;
    return true;
  }
  const auto [end, ec] = std::from_chars(Zone.data(), Zone.data() + Zone.size(), Index);
  return ec == std::errc() && end == Zone.data() + Zone.size();
}

// Empty IP: any address.
bool MakeAddress(TIPVersion Version, std::string_view IP, std::uint16_t Port, TSocketAddress& Address,
                 socklen_t& Size) {
  Address = {};
  if (Version == TIPVersion::IPv4) {
    Address.V4.sin_family = AF_INET;
    Address.V4.sin_port = htons(Port);
    Size = sizeof Address.V4;
    return IP.empty() || inet_pton(AF_INET, std::string(IP).c_str(), &Address.V4.sin_addr) == 1;
  }
  Address.V6.sin6_family = AF_INET6;
  Address.V6.sin6_port = htons(Port);
  Size = sizeof Address.V6;
  if (IP.empty()) return true;
  const std::string text(IP);
  const auto percent = text.find('%');
  std::uint32_t scope = 0;
  if (percent != std::string::npos && !ParseZone(text.substr(percent + 1), scope)) return false;
  Address.V6.sin6_scope_id = scope;
  return inet_pton(AF_INET6, text.substr(0, percent).c_str(), &Address.V6.sin6_addr) == 1;
}

}  // namespace

int TUdpSocket::Bind(std::string_view LocalIP, std::uint16_t Port) {
  Close();
  TSocketAddress address;
  socklen_t size;
  if (!MakeAddress(FVersion, LocalIP, Port, address, size)) return EINVAL;
  const int fd = socket(address.Any.sa_family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return errno;
  const int on = 1;
  // IPv4 senders stay with the IPv4 socket, keyed as IPv4 addresses.
  if (FVersion == TIPVersion::IPv6) setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
  if (bind(fd, &address.Any, size) < 0) {
    const int error = errno;
    ::close(fd);
    return error;
  }
  FFd = fd;
  return 0;
}

void TUdpSocket::Close() {
  if (FFd < 0) return;
  ::close(FFd);
  FFd = -1;
}

std::uint16_t TUdpSocket::LocalPort() const {
  TSocketAddress address{};
  socklen_t size = sizeof address;
  if (FFd < 0 || getsockname(FFd, &address.Any, &size) < 0) return 0;
  return ntohs(address.Any.sa_family == AF_INET ? address.V4.sin_port : address.V6.sin6_port);
}

int TUdpSocket::SendTo(std::string_view IP, std::uint16_t Port, std::string_view Data) {
  if (FFd < 0) return EBADF;
  TSocketAddress address;
  socklen_t size;
  if (IP.empty() || !MakeAddress(FVersion, IP, Port, address, size)) return EINVAL;
  const ssize_t n = sendto(FFd, Data.data(), Data.size(), 0, &address.Any, size);
  if (n < 0) return errno;
  return static_cast<std::size_t>(n) == Data.size() ? 0 : EMSGSIZE;
}

int TUdpSocket::Receive(TDatagram& Datagram) {
  if (FFd < 0) return EBADF;
  TSocketAddress address{};
  socklen_t size = sizeof address;
  FBuffer.resize(MaxDatagramSize);
  const ssize_t n = recvfrom(FFd, FBuffer.data(), FBuffer.size(), 0, &address.Any, &size);
  if (n < 0) return errno == EWOULDBLOCK ? EAGAIN : errno;
  Datagram.Data.assign(FBuffer.data(), n);
  char text[INET6_ADDRSTRLEN] = {};
  if (address.Any.sa_family == AF_INET) {
    inet_ntop(AF_INET, &address.V4.sin_addr, text, sizeof text);
    Datagram.PeerPort = ntohs(address.V4.sin_port);
  } else {
    inet_ntop(AF_INET6, &address.V6.sin6_addr, text, sizeof text);
    Datagram.PeerPort = ntohs(address.V6.sin6_port);
  }
  Datagram.PeerIP = text;
  return 0;
}

}  // namespace vt
