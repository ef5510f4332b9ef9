// Service providers, clients, jobs and the client pool; see Services.h.
#include "runtime/Services.h"

#include <algorithm>

#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "runtime/DebugLog.h"
#include "runtime/ProcessGlobal.h"

namespace vt {

namespace {

TMxGlobal<TServiceClientPool> GClientPool;

// Runs a handler; its exception goes no further. True when it raised, with its text.
template <class F>
bool Guarded(F&& Handler, std::string& Failure) {
  try {
    Handler();
    return false;
  } catch (const std::exception& e) {
    Failure = e.what();
  } catch (...) {
    Failure = "unknown exception";
  }
  return true;
}

}  // namespace

// ---- Clients and jobs ----

TServiceClient::~TServiceClient() {
  try {
    Disconnect();
  } catch (...) {
  }
}

void TServiceClient::CheckConnected(const char* Operation) const {
  if (!FServiceProvider) throw Exception(Format("%s.%s: client isn't connected", ClassName(), Operation));
}

void TServiceClient::Connect(TServiceProvider* AServiceProvider) {
  if (FServiceProvider) throw Exception(Format("%s.Connect: client already connected", ClassName()));
  AServiceProvider->ClientConnect(this);
}

void TServiceClient::Disconnect() {
  if (!FServiceProvider) return;
  if (FRequestPending) FServiceProvider->ClientRelease(this);
  FRequestPending = false;
  FServiceProvider->ClientDisconnect(this);
}

void TServiceClient::Request() {
  CheckConnected("Request");
  FServiceProvider->ClientRequest(this);
  FRequestPending = true;
}

void TServiceClient::Wait(std::int64_t ATimeout) {
  CheckConnected("Wait");
  FServiceProvider->ClientWait(this, ATimeout);
}

void TServiceClient::Continue() {
  CheckConnected("Continue");
  FServiceProvider->ClientContinue(this);
}

void TServiceClient::Release() {
  CheckConnected("Release");
  FServiceProvider->ClientRelease(this);
  FRequestPending = false;
  if (FClientPool) FClientPool->PutServiceClient(this);
}

void TServiceClient::RequestUpdate() {
  CheckConnected("RequestUpdate");
  FServiceProvider->ClientRequestUpdate(this);
}

void TServiceClient::ProviderUpdate() {
  if (OnUpdate) OnUpdate(this);
}

void TServiceClient::ProviderExecute() {
  FExecuting = true;
  try {
    if (OnExecute) OnExecute(this);
  } catch (...) {
    FExecuting = false;
    FRetiredHandler = nullptr;
    throw;
  }
  FExecuting = false;
  FRetiredHandler = nullptr;
}

void TServiceJob::Announce(TServiceProvider* AServiceProvider) {
  AServiceProvider->JobAnnounce(this);
  FRequestPending = true;
}

void TServiceJob::ProviderJobExecute(bool& FreeJob) {
  if (OnExecute) OnExecute(this, FreeJob);
}

// ---- Provider ----

TServiceProvider::TServiceProvider(void* AData, AnsiString AName) : FName(std::move(AName)), FData(AData) {
  if (!FData) FData = this;
  FTimer.OnExpiration = [this] {
    {
      std::lock_guard lock(FWaitLock);
      if (!FTimer.ExpiryCurrent()) return;  // the wait ended meanwhile
      FWaitExpired = true;
    }
    FWorkSignal.SetReady(true);
  };
  FWorkTask = std::make_unique<TMxTask>("ServiceProvider");
  FWorkTask->OnExecute = [this](TMxTask*) { Work(); };
  FWorkTask->Start();
}

TServiceProvider::~TServiceProvider() {
  StopWaitTimer();
  FWorkTask.reset();
  DisconnectClients();
  for (TServiceItem* item : FRequestList) {  // jobs never run stay with their creators
    item->FServiceProvider = nullptr;
    item->FRequestPending = false;
  }
}

void TServiceProvider::ShowException(const std::string& Utf8Text) const {
  LogError(FName + ": " + Utf8ToAnsi(Utf8Text));
  ShowMessage(Utf8ToWide(Utf8Text));
}

bool TServiceProvider::IsQueued(const TServiceItem* Item) const {
  return std::find(FRequestList.begin(), FRequestList.end(), Item) != FRequestList.end();
}

void TServiceProvider::StopWaitTimer() {
  std::lock_guard lock(FWaitLock);
  FTimer.Stop();
  FWaitExpired = false;
}

void TServiceProvider::Work() {
  switch (FStatus) {
    case psIdle:
      if (FUpdateRequest) {
        FStatus = psUpdate;
      } else if (!FRequestList.empty()) {
        TServiceItem* item = FRequestList.front();
        FRequestList.pop_front();
        if (auto* client = dynamic_cast<TServiceClient*>(item)) {
          FCurrentClient = client;
          FStatus = psExecClient;
        } else {
          FCurrentJob = static_cast<TServiceJob*>(item);
          FStatus = psExecJob;
        }
      } else {
        FWorkSignal.SetReady(false);
      }
      break;
    case psExecJob:
      ExecuteJob();
      break;
    case psExecClient:
      ExecuteClient();
      break;
    case psWaitClient:
      WaitClient();
      break;
    case psUpdate:
      UpdateClients();
      break;
  }
  FWorkTask->WaitFor(&FWorkSignal, MxNoTimeout);
}

void TServiceProvider::ExecuteJob() {
  TServiceJob* job = FCurrentJob;
  bool freeJob = false;
  std::string failure;
  if (OnExecuteJob && Guarded([&] { OnExecuteJob(job, freeJob); }, failure)) ShowException(failure);
  if (!freeJob) {
    freeJob = true;
    if (Guarded([&] { job->ProviderJobExecute(freeJob); }, failure)) ShowException(failure);
  }
  job->FRequestPending = false;
  FCurrentJob = nullptr;
  FStatus = psIdle;
  if (freeJob) delete job;
}

void TServiceProvider::ExecuteClient() {
  TServiceClient* client = FCurrentClient;
  std::string failure;
  if (!Guarded([&] { client->ProviderExecute(); }, failure)) return;
  ShowException(failure);
  // Called again it would fail again, one message box after the other: it is released.
  if (FCurrentClient == client) client->Release();
}

void TServiceProvider::WaitClient() {
  // Cleared before the look at the expiry mark: an expiry after this sets it again.
  FWorkSignal.SetReady(false);
  bool expired;
  {
    std::lock_guard lock(FWaitLock);
    expired = FWaitExpired;
    FWaitExpired = false;
  }
  if (!expired) return;
  FStatus = psExecClient;
  FWorkSignal.SetReady(true);
}

void TServiceProvider::UpdateClients() {
  std::string failure;
  for (int i = static_cast<int>(FClientList.size()) - 1; i >= 0; --i) {
    if (i >= static_cast<int>(FClientList.size())) continue;  // a handler disconnected clients
    TServiceClient* client = FClientList[i];
    if (Guarded([&] { client->ProviderUpdate(); }, failure)) ShowException(failure);
  }
  if (OnUpdateDone && Guarded([&] { OnUpdateDone(this); }, failure)) ShowException(failure);
  FUpdateRequest = false;  // updates asked for during the pass are dropped
  FStatus = psIdle;
}

void TServiceProvider::ClientConnect(TServiceClient* Client) {
  if (std::find(FClientList.begin(), FClientList.end(), Client) != FClientList.end())
    throw Exception(Format("%s.ClientConnect: client already connected", ClassName()));
  FClientList.push_back(Client);
  Client->FServiceProvider = this;
}

void TServiceProvider::ClientDisconnect(TServiceClient* Client) {
  FClientList.erase(std::remove(FClientList.begin(), FClientList.end(), Client), FClientList.end());
  Client->FServiceProvider = nullptr;
}

void TServiceProvider::ClientRequest(TServiceClient* Client) {
  if (IsQueued(Client)) throw Exception(Format("%s.ClientRequest: request already pending", ClassName()));
  FRequestList.push_back(Client);
  FWorkSignal.SetReady(true);
}

void TServiceProvider::ClientWait(TServiceClient* Client, std::int64_t ATimeout) {
  if (Client != FCurrentClient) throw Exception(Format("%s.ClientWait: client isn't current client", ClassName()));
  if (FStatus != psExecClient) throw Exception(Format("%s.ClientWait: wrong state for this operation", ClassName()));
  FStatus = psWaitClient;
  std::lock_guard lock(FWaitLock);
  FWaitExpired = false;
  if (ATimeout == csNoTimeout)
    FTimer.Stop();
  else
    FTimer.Initialize(ATimeout, false, true);
}

void TServiceProvider::ClientContinue(TServiceClient* Client) {
  if (Client != FCurrentClient)
    throw Exception(Format("%s.ClientContinue: client isn't current client", ClassName()));
  if (FStatus != psWaitClient)
    throw Exception(Format("%s.ClientContinue: wrong state for this operation", ClassName()));
  FStatus = psExecClient;
  StopWaitTimer();
  FWorkSignal.SetReady(true);
}

void TServiceProvider::ClientRelease(TServiceClient* Client) {
  if (Client == FCurrentClient) {
    FCurrentClient = nullptr;
    FStatus = psIdle;
    StopWaitTimer();
    FWorkSignal.SetReady(true);
  } else {
    FRequestList.erase(std::remove(FRequestList.begin(), FRequestList.end(), Client), FRequestList.end());
  }
}

void TServiceProvider::ClientRequestUpdate(TServiceClient* Client) {
  if (Client != FCurrentClient)
    throw Exception(Format("%s.ClientUpdateRequest: client isn't current client", ClassName()));
  FUpdateRequest = true;
}

void TServiceProvider::JobAnnounce(TServiceJob* Job) {
  if (IsQueued(Job)) throw Exception(Format("%s.JobExecute: request already pending", ClassName()));
  Job->FServiceProvider = this;
  FRequestList.push_back(Job);
  FWorkSignal.SetReady(true);
}

void TServiceProvider::BeginUpdate() {
  if (FStatus == psUpdate)
    LogInfo(Format("%s: %d Begin of Update", FName, FUpdateLockCounter));
  else
    ++FUpdateLockCounter;
}

void TServiceProvider::EndOfUpdate() {
  if (FUpdateLockCounter > 0)
    --FUpdateLockCounter;
  else
    LogInfo(Format("%s: %d End of Update", FName, FUpdateLockCounter));
  if (FUpdateLockCounter == 0) {
    FUpdateRequest = true;
    FWorkSignal.SetReady(true);
  }
}

void TServiceProvider::NotifyCurrentClient(void* Sender) {
  if (FCurrentClient && FCurrentClient->OnNotify) FCurrentClient->OnNotify(Sender);
}

TServiceClient* TServiceProvider::RequestClient(TClientEvent AExecuteEvent) {
  TServiceClientPool* pool = GClientPool.Get();
  if (!pool) throw Exception(Format("%s.RequestClient: no service client pool", ClassName()));
  TServiceClient* client = pool->GetServiceClient();
  client->OnExecute = std::move(AExecuteEvent);
  client->Connect(this);
  client->Request();
  return client;
}

int TServiceProvider::CountOpenDashBoardInClientList() const {
  return static_cast<int>(
      std::count_if(FClientList.begin(), FClientList.end(), [](TServiceClient* c) { return c->IsDashBoardVisible; }));
}

void TServiceProvider::DisconnectClients() {
  while (!FClientList.empty()) {
    TServiceClient* client = FClientList.back();
    if (client->FClientPool)
      client->FClientPool->PutServiceClient(client);
    else
      client->Disconnect();
  }
}

// ---- Client pool ----

TServiceClientPool::~TServiceClientPool() = default;

TServiceClient* TServiceClientPool::GetServiceClient() {
  TServiceClient* client;
  if (ClientList.empty()) {
    client = new TServiceClient;
  } else {
    client = ClientList.back().release();
    ClientList.pop_back();
  }
  client->FClientPool = this;
  return client;
}

void TServiceClientPool::PutServiceClient(TServiceClient* AClient) {
  if (AClient->FClientPool != this)
    throw Exception(Format("%s.PutServiceClient: client not from this pool", ClassName()));
  AClient->FClientPool = nullptr;
  AClient->Disconnect();
  // A client released inside its own handler: the handler is still running and is
  // destroyed only once it has returned.
  if (AClient->FExecuting) AClient->FRetiredHandler = std::move(AClient->OnExecute);
  AClient->OnExecute = nullptr;
  AClient->OnUpdate = nullptr;
  AClient->OnNotify = nullptr;
  ClientList.emplace_back(AClient);
}

void CreateServiceClientPool() { GClientPool.Create("CreateServiceClientPool: pool already exists"); }

void FreeServiceClientPool() { GClientPool.Free(); }

TServiceClientPool* ServiceClientPool() { return GClientPool.Get(); }

}  // namespace vt
