#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "RuntimeTestUtil.h"
#include "TestUtil.h"
#include "runtime/MessageBuffers.h"
#include "runtime/MessageCoding.h"
#include "runtime/Messages.h"

using namespace vt;

class Messages : public RuntimeTest {};

TEST_F(Messages, ReaderWalksCommandsAndParameters) {
  TMxMessage* m = TMxMessage::Create();
  m->SetText("A\t1\t2\rB\t3");
  TMessageReader r;
  r.SetItem(m);
  EXPECT_EQ(r.GetParameter(), "");  // no command read yet
  EXPECT_EQ(r.GetCommand(), "A");
  EXPECT_EQ(r.GetParameter(), "1");
  EXPECT_EQ(r.GetCommand(), "B");  // the parameter 2 is passed over
  EXPECT_EQ(r.GetParameter(), "3");
  EXPECT_EQ(r.GetParameter(), "");
  EXPECT_EQ(r.GetCommand(), "");
  r.DestroyMessage();
  EXPECT_EQ(r.GetItem(), nullptr);
}

TEST_F(Messages, WriterCodesCommandsAndParameters) {
  TMessageWriter w;
  w.CreateMessage();
  EXPECT_THROW_MSG(w.PutParameter("1"), "TMessageWriter.PutParameter: need a PutCommand first");
  EXPECT_THROW_MSG(w.PutCommand(""), "PutCommand: Empty Data");
  w.PutCommand("GET");
  EXPECT_THROW_MSG(w.PutParameter(""), "TMessageWriter.PutParameter: Empty Data");
  w.PutParameter("0A");
  w.PutCommand("SET");
  w.PutParameter("1");
  w.PutParameter("FF");
  EXPECT_EQ(w.GetItem()->GetText(), "GET\t0A\rSET\t1\tFF");
  TMxMessage::Free(w.GetItem());
}

TEST_F(Messages, BytesLiveIn128ByteSegments) {
  TMxBufferSegmentPool& pool = *BufferSegmentPool();
  for (int size : {128, 129}) {
    const int before = pool.CountTotalSegments() - pool.CountFreeSegments();
    TMxMessage* m = TMxMessage::Create();
    std::string bytes;
    for (int i = 0; i < size; ++i) bytes += static_cast<char>(i * 7);
    m->SetText(bytes);
    EXPECT_EQ(pool.CountTotalSegments() - pool.CountFreeSegments() - before, size == 128 ? 1 : 2) << size;
    EXPECT_EQ(m->GetText(), bytes);
    TMxBufferPointer p;
    p.AssignBuffer(&m->Buffer());
    std::string read;
    for (; !p.EndOfBuffer(); p.Increment()) read += static_cast<char>(p.GetByte());
    EXPECT_EQ(read, bytes) << size;
    TMxMessage::Free(m);
    EXPECT_EQ(pool.CountTotalSegments() - pool.CountFreeSegments(), before);  // all back in the pool
  }
}

TEST_F(Messages, BufferPointerMisuse) {
  TMxBufferPointer none;
  EXPECT_THROW_MSG(none.EndOfBuffer(), "TMxBufferPointer.EndOfBuffer: Invalid Buffer");
  EXPECT_THROW_MSG(none.GetByte(), "TMxBufferPointer.GetByte: Invalid Buffer");
  EXPECT_THROW_MSG(none.SetByte(1), "TMxBufferPointer.SetByte: Invalid Buffer");
  EXPECT_THROW_MSG(none.Increment(), "TMxBufferPointer.Increment: Invalid Buffer");

  TMxMessage* m = TMxMessage::Create();
  m->SetText("\x01\xAB");
  TMxBufferPointer p;
  p.AssignBuffer(&m->Buffer());
  p.SetByte(0x02);  // overwrites
  p.Increment();
  p.Increment();
  p.Increment();  // no effect at the end
  EXPECT_EQ(p.Position(), 2);
  EXPECT_THROW_MSG(p.SetByte(3), "TMxBufferPointer.SetByte: Write at End of Buffer");
  EXPECT_THROW_MSG(p.GetByte(), "TMxBufferPointer.GetByte: Read at End of Buffer");
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"***INFO: 02", "***INFO: AB"}));
  TMxMessage::Free(m);
}

TEST_F(Messages, PoolsRecycleAndRefuseMessagesInUse) {
  EXPECT_THROW_MSG(MxCreateBufferSegmentPool(), "MxCreateBufferSegmentPool: pool already exists");
  TMxMessage* m = TMxMessage::Create();
  TMxQueue q;
  q.PutMessage(m);
  EXPECT_THROW_MSG(MxMessagePool()->PutMessage(m), "TMxMessagePool.PutMessage: Message is in use");
  // Also the last message of a queue, whose link is empty, cannot be queued twice.
  EXPECT_THROW_MSG(q.PutMessage(m), "PutMessage Error");
  EXPECT_EQ(q.GetMessage(), m);
  EXPECT_EQ(q.GetMessage(), nullptr);
  TMxMessage::Free(m);
  EXPECT_THROW_MSG(MxMessagePool()->PutMessage(m), "TMxMessagePool.PutMessage: Message is in use");
  EXPECT_EQ(TMxMessage::Create(), m);  // the free list hands it out again
  TMxMessage::Free(m);
  TMxMessage::Free(nullptr);
}

TEST_F(Messages, QueuesGetIdentsLowestFirstAndRouteByIdentOrDomain) {
  TMxQueue a, b, c;
  a.LogOn(0);
  b.LogOn(0);
  c.LogOn(0);
  EXPECT_EQ(a.GetQueueIdent(), 0);
  EXPECT_EQ(c.GetQueueIdent(), 2);
  b.LogOff();
  TMxQueue d;
  d.LogOn(0);
  EXPECT_EQ(d.GetQueueIdent(), 1);  // the freed ident
  TMxQueue domain;
  domain.LogOn(7);
  TMxQueue clash;
  EXPECT_THROW_MSG(clash.LogOn(7), "RegisterDomain: domain ID conflict");

  TMxMessage* request = TMxMessage::Create();
  request->SetReceiver(d.GetQueueIdent(), 0, 0x42);
  request->SetText("ping");
  a.SendMessage(request);
  TMxMessage* got = d.GetMessage();
  ASSERT_EQ(got, request);
  EXPECT_EQ(got->Sender.Ident, 0);
  EXPECT_EQ(got->Receiver.Domain, 0);

  TMxMessage* reply = TMxMessage::Create();
  reply->SetReceiverFromSender(got);
  EXPECT_EQ(reply->Info, 0x42);
  d.SendMessage(reply);
  EXPECT_EQ(a.GetMessage(), reply);

  TMxMessage* toDomain = TMxMessage::Create();
  toDomain->SetReceiver(0, 7, 0);
  a.SendMessage(toDomain);
  TMxMessage* inDomain = domain.GetMessage();
  ASSERT_EQ(inDomain, toDomain);
  EXPECT_EQ(inDomain->Receiver.Domain, 0);  // cleared on delivery
  for (TMxMessage* m : {got, reply, inDomain}) TMxMessage::Free(m);
}

TEST_F(Messages, UndeliverableMessagesAreDestroyedAndReported) {
  TMxQueue sender;
  sender.LogOn(0);
  TMxMessagePool& pool = *MxMessagePool();
  const struct {
    std::uint16_t ident;
    std::uint8_t domain;
    const char* error;
  } cases[] = {{9, 0, "Message receiver node doesn't exist"}, {0, 9, "Message receiver domain doesn't exist"}};
  for (const auto& c : cases) {
    TMxMessage* m = TMxMessage::Create();
    const int freeBefore = pool.CountFreeMessages();
    m->SetReceiver(c.ident, c.domain, 0);
    EXPECT_THROW_MSG(sender.SendMessage(m), c.error);
    EXPECT_EQ(pool.CountFreeMessages(), freeBefore + 1) << c.error;  // the message is gone
  }
}

TEST_F(Messages, ANodeLogsOffOnlyAfterTheDeliveryToItEnds) {
  TMxQueue sender;
  sender.LogOn(0);
  TMxMessageNode node;
  std::atomic<bool> inside{false}, letGo{false}, loggedOff{false};
  node.OnMsgEvent = [&](TMxMessage* m) {
    inside = true;
    while (!letGo) std::this_thread::yield();
    TMxMessage::Free(m);
  };
  node.LogOn(MxMessageDispatcher(), 0);
  TMxMessage* m = TMxMessage::Create();
  m->SetReceiver(node.Ident(), 0, 0);
  std::thread deliverer([&] { sender.SendMessage(m); });
  ASSERT_TRUE(WaitUntil([&] { return inside.load(); }));
  std::thread leaver([&] {
    node.LogOff();
    loggedOff = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(loggedOff);
  letGo = true;
  deliverer.join();
  leaver.join();
}

TEST_F(Messages, QueuesComeAndGoWhileAnotherThreadSendsToThem) {
  TMxQueue sender;
  sender.LogOn(0);
  std::atomic<bool> done{false};
  // Each new queue takes ident 1, the one the messages go to.
  std::thread sending([&] {
    while (!done) {
      TMxMessage* m = TMxMessage::Create();
      m->SetReceiver(1, 0, 0);
      try {
        sender.SendMessage(m);
      } catch (const Exception&) {  // no queue at the moment: the message is gone
      }
    }
  });
  for (int round = 0; round < 2000; ++round) {
    auto q = std::make_unique<TMxQueue>();
    q->LogOn(0);
    ASSERT_EQ(q->GetQueueIdent(), 1);
    std::this_thread::yield();
  }
  done = true;
  sending.join();
  EXPECT_EQ(MxMessageDispatcher()->NodeCount(), 1);
  EXPECT_EQ(MxMessagePool()->CountFreeMessages(), MxMessagePool()->CountTotalMessages());
}

TEST_F(Messages, QueueAndNodeMisuse) {
  TMxQueue q;
  EXPECT_THROW_MSG(q.LogOff(), "TMxQueue.LogOff: Queue is not logged on");
  // A message that cannot be sent is freed, as one without receiver is.
  EXPECT_THROW_MSG(q.SendMessage(TMxMessage::Create()), "TMxQueue.SendMessage: Queue is not logged on");
  EXPECT_EQ(MxMessagePool()->CountFreeMessages(), MxMessagePool()->CountTotalMessages());
  TMxMessage* m = TMxMessage::Create();
  EXPECT_THROW_MSG(q.GetQueueIdent(), "TMxQueue.QueueId: Queue is not logged on");
  q.LogOn(0);
  EXPECT_THROW_MSG(q.LogOn(0), "TMxQueue.LogOn: Queue is already logged on");

  TMxMessageNode node;
  EXPECT_THROW_MSG(node.LogOff(), "TMxMessageNode.LogOff: node is not logged on");
  node.LogOn(MxMessageDispatcher(), 0);
  EXPECT_THROW_MSG(node.LogOn(MxMessageDispatcher(), 0), "TMxMessageNode.LogOn: node is already logged on");
  m->SetReceiver(node.Ident(), 0, 0);
  EXPECT_THROW_MSG(q.SendMessage(m), "TMxMessageNode: OnMsgEvent not assigned");
  TMxMessageDispatcher other;
  EXPECT_THROW_MSG(other.LogOffNode(&node), "MessageDispatcher: node log off failed");
  TMxMessageNode stranger;
  EXPECT_THROW_MSG(other.UnregisterDomain(3, &stranger), "UnregisterDomain: domain not registered");
}

TEST_F(Messages, DestroyingAQueueResetsItsWaitersAndFreesItsMessages) {
  TMxScheduler s;
  auto waitedOn = std::make_unique<TMxQueue>();
  TMxTask task(&s, "Reader");
  task.OnExecute = [&](TMxTask* t) { t->WaitFor(waitedOn.get(), MxNoTimeout); };
  task.Start();
  s.Execute();
  EXPECT_EQ(task.State(), tsSuspended);
  waitedOn.reset();
  EXPECT_TRUE(task.IsReady());
  EXPECT_EQ(task.ExecuteInfo(), eiReset);
  task.Terminate();

  auto holding = std::make_unique<TMxQueue>();
  holding->PutMessage(TMxMessage::Create());
  const int freeBefore = MxMessagePool()->CountFreeMessages();
  holding.reset();
  EXPECT_EQ(MxMessagePool()->CountFreeMessages(), freeBefore + 1);
}
