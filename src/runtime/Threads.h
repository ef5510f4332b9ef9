// Worker threads: TOurThread (named, listed in the one global thread list through which
// the program asks every thread to end), the event object the runtime waits on, the
// thread manager that serves up to 16 clients' events (and their armed descriptors) on
// one thread, and the job thread that takes slow work (file writes) off the threads
// that hand it over.
#pragma once

#include <poll.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/TextConversion.h"
#include "runtime/RuntimeLimits.h"

namespace vt {

// A manual-reset event. Close releases every wait, present and future, for good: a
// thread that is asked to end must not stay in a wait that nobody will set.
class TEvent {
 public:
  void SetEvent();
  void ResetEvent();
  void Close();
  // Waits until set or closed; false when the time ran out. Negative or beyond
  // MxLongestWait: no limit.
  bool WaitFor(std::int64_t Milliseconds = -1);

 private:
  std::mutex FLock;
  std::condition_variable FCond;
  bool FSet = false;
  bool FClosed = false;
};

enum TThreadPriority : int { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Base of every worker thread. A concrete class starts its thread with Start() at the
// end of its constructor (Execute must not run before the object is complete) and calls
// ShutdownThread() first thing in its destructor.
class TOurThread {
 public:
  TOurThread();
  virtual ~TOurThread();
  TOurThread(const TOurThread&) = delete;
  TOurThread& operator=(const TOurThread&) = delete;

  void Start();
  // Asks the thread to end: sets the flag and calls TerminatedSet, so that a thread
  // sleeping in a wait of its own is woken.
  void Terminate();
  void WaitFor();
  // Leaves the global list, asks the thread to end and waits for it.
  virtual void ShutdownThread();

  bool GetIsTerminated() const { return FTerminated; }
  // True once Execute has returned.
  bool Finished() const { return FFinished; }
  bool IsCurrentThread() const { return FThread.get_id() == std::this_thread::get_id(); }
  const AnsiString& ThreadName() const { return FThreadName; }
  // Before Start only: the running thread reads it.
  void SetThreadName(AnsiString Name) { FThreadName = std::move(Name); }
  // Lower-than-normal priorities are applied when the thread starts; higher ones
  // need privileges and stay a label.
  void SetPriority(int Priority) { FPriority = Priority; }  // before Start
  int Priority() const { return FPriority; }
  AnsiString GetPriorityStr() const;

 protected:
  // Announces ThreadName for debuggers and tools (at most 15 characters are kept).
  void SetName();
  virtual void DoTerminate() {}
  virtual void TerminatedSet() {}
  virtual void Execute() = 0;

 private:
  void Run();

  AnsiString FThreadName;
  int FPriority = tpNormal;
  std::thread FThread;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
};

// Runs the jobs posted to it one at a time, in the order they were posted, on a thread of
// its own. Asked to end, it first runs what is queued; once it has ended, Post and Drain
// run the jobs on the calling thread, so that nothing posted is lost.
class TJobThread : public TOurThread {
 public:
  explicit TJobThread(AnsiString Name);
  ~TJobThread() override;

  void Post(std::function<void()> Job);
  // Returns once every job posted before the call has run.
  void Drain();

 protected:
  void Execute() override;
  void TerminatedSet() override;

 private:
  void RunPosted();

  std::mutex FLock;  // the fields below
  std::condition_variable FChanged;
  std::deque<std::function<void()>> FJobs;
  std::uint64_t FPosted = 0;
  std::uint64_t FDone = 0;
  bool FEnded = false;
  std::mutex FRunLock;  // one runner at a time, which keeps the order
};

// Asks every listed thread to end; returns how many of them are still running.
int TerminateOurThreads();
// The threads listed now, in creation order.
std::vector<TOurThread*> OurThreadList();

class TThreadManager;

class TThreadClient {
 public:
  // An auto-reset event (an eventfd) that the client's producer sets; the manager then
  // calls OnEvent on its own thread.
  int EventHandle() const { return FEventHandle; }
  void SetEvent();
  // Asks to be removed and waits for an OnEvent of this client that is running: once
  // Release returns, no handler of the client runs or will run, and the manager frees
  // the client at its next wake-up. Inside the client's own OnEvent it returns at once
  // (that call is the last). Not while holding a lock that OnEvent takes.
  void Release();
  void DoEvent();

  // A descriptor (a serial port) that the manager waits on besides the event while the
  // client is armed: once it is readable, hung up or failed, the client is disarmed and
  // OnEvent runs. The manager never reads it, and a disarmed client with unread input
  // costs nothing. Set it before the first Arm.
  void SetWaitDescriptor(int Fd) { FWaitDescriptor = Fd; }
  // Any thread; the manager waits on the descriptor from its next wait on.
  void Arm();
  // Stops the wait on the descriptor. From another thread it returns once the manager
  // has left every wait that included it: a wait holds the open file (and its locks),
  // so only then may the descriptor be closed and the device opened again.
  void ClearWaitDescriptor();

  std::function<void(TThreadClient* Sender)> OnEvent;

 private:
  friend class TThreadManager;
  explicit TThreadClient(TThreadManager* AOwner);
  ~TThreadClient();

  int FEventHandle;
  TThreadManager* FOwner;
  std::atomic<bool> ReleaseRequest{false};
  std::atomic<int> FWaitDescriptor{-1};
  std::atomic<bool> FArmed{false};
};

class TThreadManager : public TOurThread {
 public:
  explicit TThreadManager(AnsiString Name = "TThreadManager");
  ~TThreadManager() override;

  // Raises "TThreadManager.NewThreadClient: maximum of clients reached" with 16 clients.
  TThreadClient* NewThreadClient();
  int ClientCount() const { return FClientCount; }

 protected:
  void Execute() override;
  void TerminatedSet() override;

 private:
  friend class TThreadClient;
  void SignalControl();
  void RebuildEventArray();
  void ReleaseClient(TThreadClient* Client);
  // The armed descriptors, appended to Fds; their clients in Owners. Returns the count.
  int CollectArmed(pollfd* Fds, TThreadClient** Owners);
  // Runs the client's OnEvent unless the client was released meanwhile.
  void Serve(TThreadClient* Client);

  // The wait in progress, for ClearWaitDescriptor: set around each wait, and the
  // number of waits ended.
  void WaitLeft();
  std::mutex FWaitLock;
  std::condition_variable FWaitEnded;
  bool FInWait = false;
  std::uint64_t FWaitsEnded = 0;

  std::mutex FListLock;  // ClientList, FRunning and the clients' ReleaseRequest
  std::vector<TThreadClient*> ClientList;
  TThreadClient* FRunning = nullptr;  // the client whose OnEvent runs
  std::condition_variable FEventDone;
  std::atomic<int> FClientCount{0};
  int EventArray[MaxClientCount + 1];  // index 0 the control event; rebuilt only by the manager's thread
  int FControlEvent;
};

}  // namespace vt
