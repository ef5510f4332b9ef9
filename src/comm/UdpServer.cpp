// The UDP server of a port driver; see UdpServer.h.
#include "comm/UdpServer.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Exceptions.h"
#include "runtime/Threads.h"

namespace vt {

// Waits on the socket and on an event of its own that ends the wait.
class TUdpServer::TListener : public TOurThread {
 public:
  TListener(TUdpServer* AOwner, const AnsiString& Name)
      : FOwner(AOwner), FWake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (FWake < 0) throw Exception(std::strerror(errno));
    SetThreadName(Name);
    Start();
  }
  ~TListener() override {
    ShutdownThread();
    close(FWake);
  }

 protected:
  void Execute() override {
    pollfd fds[2] = {{FOwner->FSocket.Descriptor(), POLLIN, 0}, {FWake, POLLIN, 0}};
    TDatagram datagram;
    while (!GetIsTerminated()) {
      if (poll(fds, 2, -1) < 0 && errno != EINTR) throw Exception(std::strerror(errno));
      while (!GetIsTerminated() && FOwner->FSocket.Receive(datagram) == 0)
        if (FOwner->OnRead) FOwner->OnRead(datagram);
    }
  }
  void TerminatedSet() override {
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = write(FWake, &one, sizeof one);
  }

 private:
  TUdpServer* const FOwner;
  const int FWake;
};

TUdpServer::TUdpServer(TIPVersion Version, AnsiString ThreadName)
    : FThreadName(std::move(ThreadName)), FSocket(Version) {}

TUdpServer::~TUdpServer() { Deactivate(); }

void TUdpServer::Activate() {
  std::lock_guard lock(FLock);
  if (FSocket.IsOpen()) return;
  if (const int error = FSocket.Bind(FBoundIP)) throw Exception(std::strerror(error));
  try {
    FListener = std::make_unique<TListener>(this, FThreadName);
  } catch (...) {
    FSocket.Close();
    throw;
  }
}

void TUdpServer::Deactivate() {
  std::lock_guard lock(FLock);
  FListener.reset();
  FSocket.Close();
}

bool TUdpServer::Active() const {
  std::lock_guard lock(FLock);
  return FSocket.IsOpen();
}

std::uint16_t TUdpServer::BoundPort() const {
  std::lock_guard lock(FLock);
  return FSocket.LocalPort();
}

void TUdpServer::SendBuffer(std::string_view IP, std::uint16_t Port, std::string_view Data) {
  std::lock_guard lock(FLock);
  if (const int error = FSocket.SendTo(IP, Port, Data)) throw Exception(std::strerror(error));
}

}  // namespace vt
