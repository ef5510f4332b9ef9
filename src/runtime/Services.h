// Service providers and their clients: a provider serialises the work asked of one
// service. Its own task on the main scheduler takes requests one at a time, first come
// first served, and calls the current client's ProviderExecute until the client waits
// or releases; it also runs one-shot jobs and tells every client about changes through
// ProviderUpdate, batched by the update bracket. GUI thread only, except the expiry
// of a client's wait, which comes from the timer thread.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/TextConversion.h"
#include "runtime/Tasks.h"

namespace vt {

inline constexpr std::int64_t csNoTimeout = 2147483647;

enum TProviderStatus : std::uint8_t { psIdle, psExecJob, psExecClient, psWaitClient, psUpdate };

class TServiceProvider;
class TServiceClient;
class TServiceJob;
class TServiceClientPool;

using TClientEvent = std::function<void(TServiceClient* Sender)>;
using TJobExecuteEvent = std::function<void(TServiceJob* Sender, bool& FreeJob)>;
using TNotifyEvent = std::function<void(void* Sender)>;

class TServiceItem {
 public:
  virtual ~TServiceItem() = default;
  TServiceProvider* Provider() const { return FServiceProvider; }
  bool RequestPending() const { return FRequestPending; }

 protected:
  friend class TServiceProvider;
  TServiceProvider* FServiceProvider = nullptr;
  bool FRequestPending = false;
};

class TServiceClient : public TServiceItem {
 public:
  TServiceClient() = default;
  ~TServiceClient() override;  // disconnects
  TServiceClient(const TServiceClient&) = delete;
  TServiceClient& operator=(const TServiceClient&) = delete;

  virtual const char* ClassName() const { return "TServiceClient"; }

  // Every operation but Connect and Disconnect raises "%s.%s: client isn't connected"
  // on a client that is not connected.
  void Connect(TServiceProvider* AServiceProvider);
  void Disconnect();
  void Request();
  // Only the current client while it executes: no ProviderExecute until Continue or
  // the time-out.
  void Wait(std::int64_t ATimeout);
  void Continue();
  // Ends the request: the current client frees the provider, a queued one leaves the
  // queue; a pooled client goes back to its pool.
  void Release();
  void RequestUpdate();
  bool GetConnected() const { return FServiceProvider != nullptr; }

  virtual void ProviderUpdate();
  virtual void ProviderExecute();

  TClientEvent OnUpdate;
  TClientEvent OnExecute;
  TNotifyEvent OnNotify;
  bool IsDashBoardVisible = false;

 private:
  friend class TServiceClientPool;
  friend class TServiceProvider;
  void CheckConnected(const char* Operation) const;
  TServiceClientPool* FClientPool = nullptr;
  bool FExecuting = false;
  TClientEvent FRetiredHandler;
};

// A one-shot request. A job announced to a provider is freed by it after its step
// unless a handler clears FreeJob, so announce jobs created with new.
class TServiceJob : public TServiceItem {
 public:
  // Raises "%s.JobExecute: request already pending" when queued already.
  void Announce(TServiceProvider* AServiceProvider);
  virtual void ProviderJobExecute(bool& FreeJob);

  TJobExecuteEvent OnExecute;
  std::int32_t InfoTag = 0;
  AnsiString InfoStr;
  void* InfoObj = nullptr;
};

class TServiceProvider {
 public:
  // AData: the owner, or the provider itself when none.
  TServiceProvider(void* AData, AnsiString AName);
  ~TServiceProvider();
  TServiceProvider(const TServiceProvider&) = delete;
  TServiceProvider& operator=(const TServiceProvider&) = delete;

  const char* ClassName() const { return "TServiceProvider"; }
  const AnsiString& Name() const { return FName; }
  void* Data() const { return FData; }
  TProviderStatus Status() const { return FStatus; }
  TServiceClient* CurrentClient() const { return FCurrentClient; }
  bool UpdateRequest() const { return FUpdateRequest; }

  // Used by clients and jobs.
  void ClientConnect(TServiceClient* Client);
  void ClientDisconnect(TServiceClient* Client);
  void ClientRequest(TServiceClient* Client);
  void ClientWait(TServiceClient* Client, std::int64_t ATimeout);
  void ClientContinue(TServiceClient* Client);
  void ClientRelease(TServiceClient* Client);
  void ClientRequestUpdate(TServiceClient* Client);
  void JobAnnounce(TServiceJob* Job);

  // For the owner.
  void BeginUpdate();
  void EndOfUpdate();
  void NotifyCurrentClient(void* Sender);
  // A pooled client with AExecuteEvent, connected and requested; back in the pool at
  // its Release.
  TServiceClient* RequestClient(TClientEvent AExecuteEvent);
  int GetClientCount() const { return static_cast<int>(FClientList.size()); }
  int CountOpenDashBoardInClientList() const;
  // Disconnects every client, the last connected first. A pooled client goes back to
  // its pool: its request was all that held it.
  void DisconnectClients();

  std::function<void(TServiceProvider* Sender)> OnUpdateDone;
  TJobExecuteEvent OnExecuteJob;

 private:
  void Work();
  void ExecuteJob();
  void ExecuteClient();
  void WaitClient();
  void UpdateClients();
  // An exception of a handler the provider ran: written with LogError and shown to the
  // user in the message box.
  void ShowException(const std::string& Utf8Text) const;
  void StopWaitTimer();
  bool IsQueued(const TServiceItem* Item) const;

  AnsiString FName;
  std::vector<TServiceClient*> FClientList;
  std::deque<TServiceItem*> FRequestList;
  TProviderStatus FStatus = psIdle;
  TMxSignal FWorkSignal;
  std::unique_ptr<TMxTask> FWorkTask;
  void* FData;
  TServiceClient* FCurrentClient = nullptr;
  TServiceJob* FCurrentJob = nullptr;
  bool FUpdateRequest = false;
  std::int32_t FUpdateLockCounter = 0;
  // The expiry of a client's wait only marks it and sets the work signal; the
  // provider's own step moves the state, so no wake-up falls between the two threads.
  std::mutex FWaitLock;
  bool FWaitExpired = false;
  TMxTimer FTimer;  // last: destroyed first, waiting for an expiry that uses the fields above
};

class TServiceClientPool {
 public:
  TServiceClientPool() = default;
  ~TServiceClientPool();  // frees the free clients
  TServiceClientPool(const TServiceClientPool&) = delete;
  TServiceClientPool& operator=(const TServiceClientPool&) = delete;

  const char* ClassName() const { return "TServiceClientPool"; }
  // The most recently returned free client, or a new one.
  TServiceClient* GetServiceClient();
  // Raises "%s.PutServiceClient: client not from this pool"; disconnects the client
  // and clears its handlers.
  void PutServiceClient(TServiceClient* AClient);
  int FreeCount() const { return static_cast<int>(ClientList.size()); }

 private:
  std::vector<std::unique_ptr<TServiceClient>> ClientList;
};

// The global pool (none until created); the shell creates it at start-up.
void CreateServiceClientPool();
void FreeServiceClientPool();
TServiceClientPool* ServiceClientPool();

}  // namespace vt
