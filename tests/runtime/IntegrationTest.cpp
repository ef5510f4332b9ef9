// The runtime as a headless program runs it ("NoForm"): the main scheduler in the plain
// loop, a server task on a threaded scheduler answering messages, and a provider whose
// three clients each make their round trips through it, one client at a time.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <string>
#include <thread>
#include <vector>

#include "RuntimeTestUtil.h"
#include "runtime/MessageCoding.h"
#include "runtime/Messages.h"
#include "runtime/ProcessGlobal.h"
#include "runtime/QtSchedulerBridge.h"
#include "runtime/Services.h"
#include "runtime/Tasks.h"

using namespace vt;

class Headless : public RuntimeTest {};

TEST_F(Headless, MainAndThreadedSchedulersServeThreeClientsOverMessages) {
  constexpr int RoundTrips = 300;
  TMxScheduler talk("TalkScheduler");
  TMxQueue requests, replies;
  requests.LogOn(0);  // the first queue of the process: ident 0
  replies.LogOn(0);
  ASSERT_EQ(requests.GetQueueIdent(), 0);

  TMxTask server(&talk, "TalkServer");
  server.OnExecute = [&](TMxTask* t) {
    while (TMxMessage* m = requests.GetMessage()) {
      TMessageReader r;
      r.SetItem(m);
      const AnsiString command = r.GetCommand(), tag = r.GetParameter();
      TMessageWriter w;
      w.CreateMessage();
      w.PutCommand(command == "PING" ? "PONG" : "ERR");
      w.PutParameter(tag);
      w.GetItem()->SetReceiverFromSender(m);
      r.DestroyMessage();
      requests.SendMessage(w.GetItem());
    }
    t->WaitFor(&requests, MxNoTimeout);
  };

  TServiceProvider provider(nullptr, "Talk Service");
  AnsiString lastReply;
  TMxTask receiver("TalkClient");
  receiver.OnExecute = [&](TMxTask* t) {
    while (TMxMessage* m = replies.GetMessage()) {
      TMessageReader r;
      r.SetItem(m);
      const AnsiString command = r.GetCommand();
      lastReply = command + " " + r.GetParameter();
      r.DestroyMessage();
      if (TServiceClient* c = provider.CurrentClient()) c->Continue();
    }
    t->WaitFor(&replies, MxNoTimeout);
  };

  std::vector<std::string> served;
  int wrongReplies = 0, finished = 0;
  TServiceClient clients[3];
  for (int i = 0; i < 3; ++i) {
    const std::string name(1, static_cast<char>('A' + i));
    clients[i].Connect(&provider);
    clients[i].OnExecute = [&, name, n = 0](TServiceClient* c) mutable {
      if (n > 0 && lastReply != "PONG " + name + std::to_string(n)) ++wrongReplies;
      if (n == RoundTrips) {
        served.push_back(name);
        c->Release();
        if (++finished == 3) MxRequestExit();
        return;
      }
      ++n;
      TMessageWriter w;
      w.CreateMessage();
      w.PutCommand("PING");
      w.PutParameter(name + std::to_string(n));
      w.GetItem()->SetReceiver(requests.GetQueueIdent(), 0, 0);
      replies.SendMessage(w.GetItem());
      c->Wait(csNoTimeout);  // until the reply's Continue
    };
  }
  server.Start();
  receiver.Start();
  for (auto& c : clients) c.Request();
  TStopOnExit stop{talk};

  // A lost wake-up would leave the loop asleep: the watchdog ends it and the checks fail.
  std::mutex lock;
  std::condition_variable cond;
  bool loopEnded = false;
  std::thread watchdog([&] {
    std::unique_lock l(lock);
    if (!cond.wait_for(l, std::chrono::seconds(60), [&] { return loopEnded; })) MxRequestExit();
  });
  MxRunPlainLoop(MxScheduler());
  {
    std::lock_guard l(lock);
    loopEnded = true;
  }
  cond.notify_one();
  watchdog.join();

  EXPECT_EQ(served, (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(wrongReplies, 0);
  EXPECT_EQ(provider.Status(), psIdle);
}
