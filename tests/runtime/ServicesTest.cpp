#include "runtime/Services.h"

#include <gtest/gtest.h>

#include <string>

#include "RuntimeTestUtil.h"
#include "TestUtil.h"
#include "runtime/TickTimer.h"

using namespace vt;

namespace {

class TTrackedJob : public TServiceJob {
 public:
  explicit TTrackedJob(bool* Destroyed) : FDestroyed(Destroyed) {}
  ~TTrackedJob() override { *FDestroyed = true; }

 private:
  bool* FDestroyed;
};

}  // namespace

class Services : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    FProvider = std::make_unique<TServiceProvider>(nullptr, "Parameter Service");
    Provider = FProvider.get();
  }
  void TearDown() override {
    FProvider.reset();
    RuntimeTest::TearDown();
  }

  std::unique_ptr<TServiceProvider> FProvider;  // its task needs the main scheduler
  TServiceProvider* Provider = nullptr;
  std::string Trace;

  // A client that traces its calls and releases after Steps calls.
  void Serve(TServiceClient& Client, char Name, int Steps = 1) {
    Client.OnExecute = [this, Name, Steps, n = 0](TServiceClient* c) mutable {
      Trace += Name;
      if (++n == Steps) c->Release();
    };
  }
  bool Idle() { return Provider->Status() == psIdle && !Provider->UpdateRequest() && !MxScheduler()->TaskCount(); }
};

TEST_F(Services, RequestsAreServedOneClientAtATime) {
  TServiceClient a, b, c;
  for (auto* x : {&a, &b, &c}) x->Connect(Provider);
  Serve(a, 'a', 3);
  Serve(b, 'b', 2);
  Serve(c, 'c');
  b.Request();
  a.Request();
  c.Request();
  EXPECT_THROW_MSG(a.Request(), "TServiceProvider.ClientRequest: request already pending");
  ASSERT_TRUE(StepUntil([&] { return Trace.size() == 6 && Idle(); }));
  EXPECT_EQ(Trace, "bbaaac");
  EXPECT_FALSE(a.RequestPending());
  EXPECT_EQ(Provider->GetClientCount(), 3);
}

TEST_F(Services, AWaitEndsByContinueOrByItsTimeOut) {
  TServiceClient client;
  client.Connect(Provider);
  std::int64_t waitStart = 0, resumedAfter = -1;
  int calls = 0;
  client.OnExecute = [&](TServiceClient* c) {
    switch (++calls) {
      case 1:
        EXPECT_THROW_MSG(c->Continue(), "TServiceProvider.ClientContinue: wrong state for this operation");
        c->Wait(csNoTimeout);  // ended by the Continue below
        break;
      case 2:
        waitStart = MyGetTickCount();
        c->Wait(500);  // nobody continues: the time-out resumes it
        break;
      case 3:
        resumedAfter = MyGetTickCount() - waitStart;
        c->Release();
        break;
    }
  };
  client.Request();
  ASSERT_TRUE(StepUntil([&] { return Provider->Status() == psWaitClient; }));
  Steps(5);
  EXPECT_EQ(calls, 1);  // waiting: not called
  client.Continue();
  ASSERT_TRUE(StepUntil([&] { return calls == 3; }));
  // A lower bound only: the wait cannot end before its time-out.
  EXPECT_GE(resumedAfter, 500);
  EXPECT_EQ(Provider->CurrentClient(), nullptr);
}

TEST_F(Services, AClientWhoseHandlerRaisesIsShownOnceAndReleased) {
  TMessageCatcher shown;
  TServiceClient failing, next;
  failing.Connect(Provider);
  next.Connect(Provider);
  failing.OnExecute = [](TServiceClient*) { throw std::runtime_error("drive gone"); };
  Serve(next, 'n');
  failing.Request();
  next.Request();
  ASSERT_TRUE(StepUntil([&] { return Trace == "n" && Idle(); }));
  EXPECT_EQ(shown.Messages, std::vector<std::string>{"drive gone"});
  EXPECT_FALSE(failing.RequestPending());
  EXPECT_TRUE(failing.GetConnected());
  EXPECT_EQ(LogLines(), std::vector<std::string>{"***ERROR: Parameter Service: drive gone"});
}

TEST_F(Services, UpdateBracketMakesOnePassLastConnectedFirst) {
  TServiceClient a, b, c;
  for (auto* x : {&a, &b, &c}) {
    x->Connect(Provider);
    x->OnUpdate = [this, x, &a, &b](TServiceClient*) { Trace += x == &a ? 'a' : x == &b ? 'b' : 'c'; };
  }
  Provider->OnUpdateDone = [this](TServiceProvider*) { Trace += '.'; };
  Provider->BeginUpdate();
  Provider->BeginUpdate();
  Provider->EndOfUpdate();
  EXPECT_FALSE(Provider->UpdateRequest());
  Provider->EndOfUpdate();
  ASSERT_TRUE(StepUntil([&] { return Idle(); }));
  EXPECT_EQ(Trace, "cba.");
  // An end without a begin writes its line and still makes one pass.
  Provider->EndOfUpdate();
  ASSERT_TRUE(StepUntil([&] { return Idle(); }));
  EXPECT_EQ(Trace, "cba.cba.");
  EXPECT_EQ(LogLines(), std::vector<std::string>{"***INFO: Parameter Service: 0 End of Update"});
}

TEST_F(Services, UpdatesAskedForDuringAPassAreDropped) {
  TServiceClient a;
  a.Connect(Provider);
  a.OnUpdate = [this](TServiceClient*) {
    Trace += 'u';
    Provider->BeginUpdate();  // inside a pass: only a line
    Provider->EndOfUpdate();
  };
  Provider->EndOfUpdate();
  ASSERT_TRUE(StepUntil([&] { return Idle(); }));
  Steps(5);
  EXPECT_EQ(Trace, "u");
}

TEST_F(Services, JobsAreFreedAsTheirHandlersDecide) {
  bool freedByProvider = false, freedWithHandler = false, kept = false;
  int ownHandlerCalls = 0;
  auto* skipped = new TTrackedJob(&freedByProvider);
  skipped->OnExecute = [&](TServiceJob*, bool&) { ++ownHandlerCalls; };
  Provider->OnExecuteJob = [&](TServiceJob* job, bool& FreeJob) { FreeJob = job == skipped; };
  skipped->Announce(Provider);
  EXPECT_THROW_MSG(skipped->Announce(Provider), "TServiceProvider.JobExecute: request already pending");
  ASSERT_TRUE(StepUntil([&] { return freedByProvider; }));
  EXPECT_EQ(ownHandlerCalls, 0);

  Provider->OnExecuteJob = nullptr;
  auto* plain = new TTrackedJob(&freedWithHandler);
  plain->OnExecute = [&](TServiceJob*, bool& FreeJob) { EXPECT_TRUE(FreeJob); };
  plain->Announce(Provider);
  TTrackedJob keptJob(&kept);
  keptJob.OnExecute = [](TServiceJob*, bool& FreeJob) { FreeJob = false; };
  keptJob.Announce(Provider);
  ASSERT_TRUE(StepUntil([&] { return freedWithHandler && !keptJob.RequestPending() && Idle(); }));
  EXPECT_FALSE(kept);
}

TEST_F(Services, DisconnectingTheCurrentClientReleasesTheProvider) {
  TServiceClient a, b;
  a.Connect(Provider);
  b.Connect(Provider);
  a.OnExecute = [this](TServiceClient*) { Trace += 'a'; };  // never releases
  Serve(b, 'b');
  a.Request();
  b.Request();
  ASSERT_TRUE(StepUntil([&] { return Trace == "a"; }));
  a.Disconnect();
  EXPECT_FALSE(a.GetConnected());
  ASSERT_TRUE(StepUntil([&] { return Trace == "ab" && Idle(); }));
}

TEST_F(Services, PooledClientsGoBackToThePool) {
  TServiceClient* pooled = Provider->RequestClient([this](TServiceClient* c) {
    Trace += 'p';
    c->Release();
  });
  pooled->OnUpdate = [](TServiceClient*) {};
  EXPECT_EQ(ServiceClientPool()->FreeCount(), 0);
  ASSERT_TRUE(StepUntil([&] { return Trace == "p" && Idle(); }));
  EXPECT_EQ(ServiceClientPool()->FreeCount(), 1);
  EXPECT_FALSE(pooled->GetConnected());
  EXPECT_FALSE(pooled->OnExecute);
  EXPECT_FALSE(pooled->OnUpdate);
  EXPECT_EQ(ServiceClientPool()->GetServiceClient(), pooled);  // the most recently returned
  ServiceClientPool()->PutServiceClient(pooled);
}

TEST_F(Services, PooledClientsOfADestroyedProviderGoBackToThePool) {
  // One current and waiting, one queued behind it: nobody else holds them.
  TServiceClient* current = Provider->RequestClient([](TServiceClient* c) { c->Wait(csNoTimeout); });
  Provider->RequestClient([](TServiceClient*) { ADD_FAILURE() << "never served"; });
  ASSERT_TRUE(StepUntil([&] { return Provider->Status() == psWaitClient; }));
  FProvider.reset();
  EXPECT_EQ(ServiceClientPool()->FreeCount(), 2);
  EXPECT_FALSE(current->GetConnected());
  EXPECT_FALSE(current->OnExecute);
}

TEST_F(Services, MisuseTexts) {
  TServiceClient client, other;
  EXPECT_THROW_MSG(client.Request(), "TServiceClient.Request: client isn't connected");
  EXPECT_THROW_MSG(client.Wait(1), "TServiceClient.Wait: client isn't connected");
  EXPECT_THROW_MSG(client.Release(), "TServiceClient.Release: client isn't connected");
  client.Disconnect();  // no effect
  client.Connect(Provider);
  other.Connect(Provider);
  EXPECT_THROW_MSG(client.Connect(Provider), "TServiceClient.Connect: client already connected");
  EXPECT_THROW_MSG(Provider->ClientConnect(&client), "TServiceProvider.ClientConnect: client already connected");
  EXPECT_THROW_MSG(client.Continue(), "TServiceProvider.ClientContinue: client isn't current client");
  EXPECT_THROW_MSG(client.RequestUpdate(), "TServiceProvider.ClientUpdateRequest: client isn't current client");
  EXPECT_THROW_MSG(ServiceClientPool()->PutServiceClient(&client),
                   "TServiceClientPool.PutServiceClient: client not from this pool");
  client.OnExecute = [&](TServiceClient* c) {
    EXPECT_THROW_MSG(other.Wait(1), "TServiceProvider.ClientWait: client isn't current client");
    c->RequestUpdate();
    c->Release();
  };
  client.Request();
  ASSERT_TRUE(StepUntil([&] { return Idle() && !client.RequestPending(); }));
}
