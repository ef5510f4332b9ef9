// Worker threads, the thread list and the thread manager; see Threads.h.
#include "runtime/Threads.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "runtime/DebugLog.h"

namespace vt {

void TEvent::SetEvent() {
  std::lock_guard lock(FLock);
  FSet = true;
  FCond.notify_all();
}

void TEvent::ResetEvent() {
  std::lock_guard lock(FLock);
  FSet = false;
}

void TEvent::Close() {
  std::lock_guard lock(FLock);
  FClosed = true;
  FCond.notify_all();
}

bool TEvent::WaitFor(std::int64_t Milliseconds) {
  std::unique_lock lock(FLock);
  const auto ready = [this] { return FSet || FClosed; };
  if (Milliseconds < 0 || Milliseconds > MxLongestWait) {
    FCond.wait(lock, ready);
    return true;
  }
  return FCond.wait_for(lock, std::chrono::milliseconds(Milliseconds), ready);
}

namespace {

// Function-local, so that the list exists before the first thread and after the last.
std::mutex& ThreadListLock() {
  static std::mutex lock;
  return lock;
}
std::vector<TOurThread*>& ThreadList() {
  static std::vector<TOurThread*> list;
  return list;
}

void Unlist(TOurThread* Thread) {
  std::lock_guard lock(ThreadListLock());
  auto& list = ThreadList();
  list.erase(std::remove(list.begin(), list.end(), Thread), list.end());
}

}  // namespace

TOurThread::TOurThread() {
  std::lock_guard lock(ThreadListLock());
  ThreadList().push_back(this);
}

TOurThread::~TOurThread() {
  Unlist(this);
  // A class that forgot ShutdownThread: better a late join than std::terminate.
  if (FThread.joinable()) {
    Terminate();
    WaitFor();
  }
}

void TOurThread::Start() {
  if (!FThread.joinable() && !FFinished) FThread = std::thread([this] { Run(); });
}

void TOurThread::Run() {
  SetName();
  // On Linux the nice value belongs to the calling thread.
  if (FPriority < tpNormal) setpriority(PRIO_PROCESS, 0, getpriority(PRIO_PROCESS, 0) + tpNormal - FPriority);
  try {
    Execute();
  } catch (...) {
    LogError(FThreadName + ": " + CurrentExceptionText());
  }
  try {
    DoTerminate();
  } catch (...) {
  }
  FFinished = true;
}

void TOurThread::Terminate() {
  FTerminated = true;
  TerminatedSet();
}

void TOurThread::WaitFor() {
  if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id()) FThread.join();
}

void TOurThread::ShutdownThread() {
  Unlist(this);
  Terminate();
  WaitFor();
}

void TOurThread::SetName() { pthread_setname_np(pthread_self(), FThreadName.substr(0, 15).c_str()); }

AnsiString TOurThread::GetPriorityStr() const {
  static const char* const names[] = {"tpIdle",   "tpLowest",  "tpLower",       "tpNormal",
                                      "tpHigher", "tpHighest", "tpTimeCritical"};
  return FPriority >= tpIdle && FPriority <= tpTimeCritical ? names[FPriority] : "unknown";
}

int TerminateOurThreads() {
  std::lock_guard lock(ThreadListLock());
  int running = 0;
  for (TOurThread* t : ThreadList()) {
    t->Terminate();
    if (!t->Finished()) ++running;
  }
  return running;
}

std::vector<TOurThread*> OurThreadList() {
  std::lock_guard lock(ThreadListLock());
  return ThreadList();
}

TJobThread::TJobThread(AnsiString Name) {
  SetThreadName(std::move(Name));
  Start();
}

TJobThread::~TJobThread() { ShutdownThread(); }

void TJobThread::Post(std::function<void()> Job) {
  bool ended;
  {
    std::lock_guard lock(FLock);
    FJobs.push_back(std::move(Job));
    ++FPosted;
    ended = FEnded;
  }
  FChanged.notify_all();
  if (ended) RunPosted();
}

void TJobThread::Drain() {
  std::unique_lock lock(FLock);
  const std::uint64_t posted = FPosted;
  FChanged.wait(lock, [&] { return FDone >= posted || FEnded; });
  if (FDone >= posted) return;
  lock.unlock();
  RunPosted();
}

void TJobThread::Execute() {
  for (;;) {
    {
      std::unique_lock lock(FLock);
      FChanged.wait(lock, [&] { return !FJobs.empty() || GetIsTerminated(); });
      if (FJobs.empty()) {
        FEnded = true;
        break;
      }
    }
    RunPosted();
  }
  FChanged.notify_all();
}

void TJobThread::TerminatedSet() {
  { std::lock_guard lock(FLock); }  // a wait that has just tested the flag is in its wait now
  FChanged.notify_all();
}

void TJobThread::RunPosted() {
  std::lock_guard run(FRunLock);
  for (;;) {
    std::function<void()> job;
    {
      std::lock_guard lock(FLock);
      if (FJobs.empty()) return;
      job = std::move(FJobs.front());
      FJobs.pop_front();
    }
    try {
      job();
    } catch (...) {
      LogError(ThreadName() + ": " + CurrentExceptionText());
    }
    {
      std::lock_guard lock(FLock);
      ++FDone;
    }
    FChanged.notify_all();
  }
}

namespace {

int NewEventFd() {
  const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd < 0) throw Exception("eventfd failed");
  return fd;
}

void SignalFd(int Fd) {
  const std::uint64_t one = 1;
  [[maybe_unused]] auto n = write(Fd, &one, sizeof one);
}

void ResetFd(int Fd) {
  std::uint64_t value;
  [[maybe_unused]] auto n = read(Fd, &value, sizeof value);
}

}  // namespace

TThreadClient::TThreadClient(TThreadManager* AOwner) : FEventHandle(NewEventFd()), FOwner(AOwner) {}

TThreadClient::~TThreadClient() { close(FEventHandle); }

void TThreadClient::SetEvent() { SignalFd(FEventHandle); }

void TThreadClient::Release() { FOwner->ReleaseClient(this); }

void TThreadClient::DoEvent() {
  if (OnEvent) OnEvent(this);
}

void TThreadClient::Arm() {
  FArmed = true;
  if (!FOwner->IsCurrentThread()) FOwner->SignalControl();
}

void TThreadClient::ClearWaitDescriptor() {
  FArmed = false;
  FWaitDescriptor = -1;
  TThreadManager* owner = FOwner;
  if (owner->IsCurrentThread()) return;
  std::unique_lock lock(owner->FWaitLock);
  if (!owner->FInWait) return;
  const std::uint64_t waiting = owner->FWaitsEnded;
  owner->SignalControl();
  owner->FWaitEnded.wait(lock, [&] { return owner->FWaitsEnded != waiting; });
}

TThreadManager::TThreadManager(AnsiString Name) : FControlEvent(NewEventFd()) {
  SetThreadName(std::move(Name));
  EventArray[0] = FControlEvent;
  Start();
}

TThreadManager::~TThreadManager() {
  ShutdownThread();
  for (TThreadClient* c : ClientList) delete c;
  close(FControlEvent);
}

void TThreadManager::SignalControl() { SignalFd(FControlEvent); }

void TThreadManager::TerminatedSet() { SignalControl(); }

TThreadClient* TThreadManager::NewThreadClient() {
  std::lock_guard lock(FListLock);
  // Clients that asked to leave are not counted: the rebuild that adds the new client
  // removes them first, so the wait never holds more than 16 of them.
  const auto staying =
      std::count_if(ClientList.begin(), ClientList.end(), [](TThreadClient* c) { return !c->ReleaseRequest; });
  if (staying >= MaxClientCount)
    throw Exception(Format("%s.NewThreadClient: maximum of clients reached", "TThreadManager"));
  ClientList.push_back(new TThreadClient(this));
  SignalControl();
  return ClientList.back();
}

void TThreadManager::ReleaseClient(TThreadClient* Client) {
  std::unique_lock lock(FListLock);
  Client->ReleaseRequest = true;
  if (!IsCurrentThread()) FEventDone.wait(lock, [&] { return FRunning != Client; });
  // Once the lock is let go, the manager's thread may delete the client at any moment.
  SignalControl();
}

void TThreadManager::RebuildEventArray() {
  std::lock_guard lock(FListLock);
  for (int i = static_cast<int>(ClientList.size()) - 1; i >= 0; --i)
    if (ClientList[i]->ReleaseRequest) {
      delete ClientList[i];
      ClientList.erase(ClientList.begin() + i);
    }
  const int n = std::min<int>(static_cast<int>(ClientList.size()), MaxClientCount);
  for (int i = 0; i < n; ++i) EventArray[i + 1] = ClientList[i]->FEventHandle;
  FClientCount = n;
}

void TThreadManager::Execute() {
  RebuildEventArray();
  pollfd fds[2 * MaxClientCount + 1];
  TThreadClient* armed[MaxClientCount];
  while (!GetIsTerminated()) {
    const int count = FClientCount + 1;
    for (int i = 0; i < count; ++i) fds[i] = {EventArray[i], POLLIN, 0};
    {
      std::lock_guard lock(FWaitLock);
      FInWait = true;  // before the descriptors are collected
    }
    const int armedCount = CollectArmed(fds + count, armed);
    const int polled = poll(fds, count + armedCount, -1);
    WaitLeft();
    if (polled < 0) {
      if (errno == EINTR) continue;
      throw Exception("TThreadManager: WaitForMultipleObjects failed");
    }
    // The lowest signalled index, as one wait for any of several events reports it;
    // the events come before the descriptors.
    int i = 0;
    while (i < count && !(fds[i].revents & POLLIN)) ++i;
    if (i == count) {
      for (int j = 0; j < armedCount; ++j)
        if (fds[count + j].revents) {
          armed[j]->FArmed = false;
          Serve(armed[j]);
          break;
        }
      continue;
    }
    ResetFd(EventArray[i]);
    if (i == 0) {
      RebuildEventArray();
      continue;
    }
    TThreadClient* client;
    {
      std::lock_guard lock(FListLock);
      client = ClientList[i - 1];
    }
    Serve(client);
  }
}

void TThreadManager::WaitLeft() {
  std::lock_guard lock(FWaitLock);
  FInWait = false;
  ++FWaitsEnded;
  FWaitEnded.notify_all();
}

int TThreadManager::CollectArmed(pollfd* Fds, TThreadClient** Owners) {
  std::lock_guard lock(FListLock);
  int n = 0;
  for (int i = 0; i < FClientCount; ++i) {
    TThreadClient* c = ClientList[i];
    const int fd = c->FWaitDescriptor;
    if (c->FArmed && fd >= 0 && !c->ReleaseRequest) {
      Fds[n] = {fd, POLLIN, 0};
      Owners[n++] = c;
    }
  }
  return n;
}

void TThreadManager::Serve(TThreadClient* Client) {
  {
    std::lock_guard lock(FListLock);
    // Released after the wait saw its event or descriptor: its owner may be freeing its
    // state.
    if (Client->ReleaseRequest) return;
    FRunning = Client;
  }
  // One client's failure must not end the service of the others.
  try {
    Client->DoEvent();
  } catch (...) {
    LogError(ThreadName() + ": " + CurrentExceptionText());
  }
  {
    std::lock_guard lock(FListLock);
    FRunning = nullptr;
  }
  FEventDone.notify_all();
}

}  // namespace vt
