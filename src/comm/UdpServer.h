// The UDP server of a port driver: one socket of one IP version, bound to any local
// address (or to a chosen local IPv6 address) and a port the system chooses, and one
// listener thread that hands every datagram to OnRead with its sender, in order of
// arrival. Sends go out through the same socket, so that answers come back to it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/TextConversion.h"
#include "platform/UdpSocket.h"

namespace vt {

class TUdpServer {
 public:
  // On the listener thread.
  using TReadEvent = std::function<void(const TDatagram& Datagram)>;

  TUdpServer(TIPVersion Version, AnsiString ThreadName);
  ~TUdpServer();
  TUdpServer(const TUdpServer&) = delete;
  TUdpServer& operator=(const TUdpServer&) = delete;

  // Binds and starts listening; nothing when active. Raises the system's text of the
  // failure, and the server stays inactive.
  void Activate();
  // Stops listening (the listener thread has ended when it returns) and closes the socket.
  void Deactivate();
  bool Active() const;
  // The local address the next activation binds to; empty: any.
  const AnsiString& BoundIP() const { return FBoundIP; }
  void SetBoundIP(const AnsiString& IP) { FBoundIP = IP; }
  std::uint16_t BoundPort() const;
  // One datagram; raises the system's text of the failure.
  void SendBuffer(std::string_view IP, std::uint16_t Port, std::string_view Data);

  TReadEvent OnRead;

 private:
  class TListener;

  const AnsiString FThreadName;
  AnsiString FBoundIP;
  mutable std::mutex FLock;  // the socket against sends during a rebinding
  TUdpSocket FSocket;
  std::unique_ptr<TListener> FListener;
};

}  // namespace vt
