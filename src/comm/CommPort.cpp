// The serial port object; see CommPort.h.
#include "comm/CommPort.h"

#include <algorithm>
#include <cerrno>

#include "comm/CommLimits.h"
#include "comm/MainThreadCalls.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "runtime/DebugLog.h"
#include "runtime/Threads.h"

namespace vt {

struct TCommPort::TReceiver {
  std::mutex Lock;  // spans each run of DoReceive
  TCommPort* Port = nullptr;  // none once the port is closed
};

TCommPort::TCommPort() : FBaud(CommPortDefaultBaud) {}

TCommPort::~TCommPort() { ClosePort(); }

bool TCommPort::IsOpen() const { return FPort.IsOpen(); }

void TCommPort::OpenPort(TThreadManager* ThreadManager) {
  const std::string name = AnsiToUtf8(FPortName);
  if (IsOpen()) throw Exception(Format("%s.OpenPort: port %s is already open", ClassName(), name));
  FNextSize = 1;
  if (FPort.Open(FPortName) != 0) throw Exception(Format("Port %s could not be opened!", name));
  const auto fail = [this](const std::string& Message) {
    FPort.Close();
    throw Exception(Message);
  };
  if (!FPort.IsCharacterDevice()) fail("TRsPort.OpenPort: port type error");
  if (FPort.SetRawMode() != 0) fail("TRsPort.OpenPort: problem setting timeouts");
  FPort.Purge();
  if (const int error = FPort.SetLine({FBaud, FDataBits, FParity, FStopBits}))
    fail("TRsPort.OpenPort: problem with port settings. Error Code: " + std::to_string(error));
  TThreadClient* client;
  try {
    client = ThreadManager->NewThreadClient();
  } catch (...) {
    FPort.Close();
    throw;
  }
  FStopped = false;
  FReceiver = std::make_shared<TReceiver>();
  FReceiver->Port = this;
  // The handler holds the receiver, not the port: the manager frees the client, and
  // with it the handler, only some time after the release.
  client->OnEvent = [receiver = FReceiver](TThreadClient*) {
    std::lock_guard lock(receiver->Lock);
    if (receiver->Port) receiver->Port->DoReceive();
  };
  client->SetWaitDescriptor(FPort.Descriptor());
  ThreadClient = client;
  client->Arm();
}

void TCommPort::ClosePort() {
  if (!IsOpen()) return;
  // Without the receiver lock: both may wait for the manager's thread, which may be
  // running the handler.
  ThreadClient->ClearWaitDescriptor();
  ThreadClient->Release();
  {
    std::lock_guard lock(FReceiver->Lock);
    FReceiver->Port = nullptr;
    ThreadClient = nullptr;
  }
  FReceiver.reset();
  FPort.Purge();
  FPort.Close();
}

void TCommPort::Start() {
  std::lock_guard lock(FLock);
  ++FStarts;
  if (FStopped.exchange(false) && ThreadClient) ThreadClient->SetEvent();
}

void TCommPort::Receive() {
  FNextSize = 1;
  bool stop = FStopped;
  std::uint64_t starts;
  {
    std::lock_guard lock(FLock);
    starts = FStarts;
  }
  if (FOnReceive) FOnReceive(RxBuffer, FNextSize, stop);
  // Under the lock: a Start either counts here or finds the pause and lifts it.
  std::lock_guard lock(FLock);
  FStopped = stop && FStarts == starts;
}

// On the thread manager's thread, under the receiver lock.
void TCommPort::DoReceive() {
  // Woken by a Start whose reading the loop below had already done, and paused again since.
  if (FStopped) return;
  int waiting;
  do {
    waiting = FPort.BytesWaiting();
    if (waiting < 0) return ReadError(-waiting);
    if (waiting == 0) break;
    RxBuffer.resize(std::min<int>(waiting, FNextSize));
    const int n = FPort.Read(RxBuffer.data(), static_cast<int>(RxBuffer.size()));
    if (n < 0) return ReadError(-n);
    RxBuffer.resize(n);
    if (!RxBuffer.empty()) {
      Receive();
      if (FNextSize == 0) FNextSize = 1;
    }
  } while (!FStopped);
  // Woken with nothing to read by a line that hung up (the other end of a
  // pseudo-terminal closed): waiting again would wake at once, for ever.
  if (waiting == 0 && FPort.HungUp()) return ReadError(EIO);
  if (!FStopped) ThreadClient->Arm();
}

// Reception stays off until the port is opened again. The box is shown on the GUI
// thread: a window opened on this thread would bring the program down.
void TCommPort::ReadError(int Error) {
  const std::string text = Format("Unable to read from comport. Error: %.4x", Error);
  PostToMainThread([text] { ShowMessage(Utf8ToWide(text)); });
}

void TCommPort::Send(const std::string& Data) { Write(Data, "Send"); }

void TCommPort::SendBuffer(const void* BufPtr, int ByteCount) {
  Write(std::string_view(static_cast<const char*>(BufPtr), ByteCount), "SendBuffer");
}

void TCommPort::Write(std::string_view Data, const char* What) {
  TDebugManager* debug = DebugManager();
  if (debug && debug->ExtendedDebugInfo())
    LogInfo(Format("TCommPort.%s: DataLength: %d - Time: %s", What, Data.size(), MillisecondsFromStart()));
  if (!IsOpen() || FPort.Write(Data, RsWriteTimeout) != 0)
    throw Exception(Format("TRsPort.%s: an error occured!", What));
}

}  // namespace vt
