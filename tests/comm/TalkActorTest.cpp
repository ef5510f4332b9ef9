// Talk actors: the record buffer, the one request and the one reply, and what the
// actor refuses. The test plays the talk server with a queue of its own at ident 0.
#include "comm/TalkActor.h"

#include <gtest/gtest.h>

#include <memory>

#include "CommTestUtil.h"
#include "RawFramePattern.h"
#include "RuntimeTestUtil.h"
#include "TestUtil.h"
#include "comm/CommLimits.h"
#include "comm/TalkMessages.h"

using namespace vt;

namespace {

class TalkActorTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    Server = std::make_unique<TMxQueue>();
    Server->LogOn(0);
    ASSERT_EQ(Server->GetQueueIdent(), TalkServerIdent);
    Client = std::make_unique<TTalkClient>();
    Client->RegisterTalkPattern(&Raw);
    Actor = Client->GetActor();
    Actor->OnResponse = [this](TTalkActor* A) {
      ++Responses;
      IndexInResponse = A->GetIndex();
    };
  }
  void TearDown() override {
    Actor.reset();
    Client.reset();
    Server.reset();
    RuntimeTest::TearDown();
  }
  // The request that reached the "server".
  TMxMessage* TakeRequest() {
    EXPECT_TRUE(WaitUntil([&] { return Server->MessageCount() > 0; }));
    return Server->GetMessage();
  }
  // Answers Request with the reply text Text and waits for the actor to take it.
  void Reply(TMxMessage* Request, const std::string& Text) {
    TMxMessage* reply = TMxMessage::Create();
    reply->SetText(Text);
    reply->SetReceiverFromSender(Request);
    TMxMessage::Free(Request);
    Server->SendMessage(reply);
  }
  int ResponsesAfter(int Before) {
    EXPECT_TRUE(StepUntil([&] { return Responses > Before; }));
    return Responses;
  }
  void Put(int Records, const std::string& Frame = Bytes({0x10})) {
    for (int i = 0; i < Records; ++i) Raw.Put(*Actor, &Service, Frame, 100 + i);
  }
  std::vector<int> Results() {
    std::vector<int> r;
    Actor->Reset();
    for (int i = 0; i < Actor->Count(); ++i) {
      r.push_back(Actor->GetResult());
      if (i + 1 < Actor->Count()) Actor->Next();
    }
    return r;
  }

  std::unique_ptr<TMxQueue> Server;
  std::unique_ptr<TTalkClient> Client;
  TRawFramePattern Raw;
  TTestTalkService Service{3};
  std::unique_ptr<TTalkActor> Actor;
  int Responses = 0;
  int IndexInResponse = -1;
};

TEST_F(TalkActorTest, RecordBuffer) {
  TTalkActor& a = *Actor;
  char big[1000] = {};
  EXPECT_THROW_MSG(a.GetData(1, big), "TTalkActorImplementation.GetData: no more entries");
  EXPECT_THROW_MSG(a.SetData(1, big), "TTalkActorImplementation.SetData: end of data set");
  EXPECT_THROW_MSG(a.GetResult(), "Index Error");
  EXPECT_THROW_MSG(a.GetTalkService(), "TTalkActorImplementation.GetTalkService: tried to read at the end");
  EXPECT_THROW_MSG(a.Next(), "TTalkActorImplementation.Next: end of data set");
  // Three records: a header only, a larger one, a header again.
  TServiceRecordHeader h{1, 0x10, &Service, 0, 7};
  a.AddData(sizeof h, &h);
  std::memcpy(big, &h, sizeof h);
  a.AddData(sizeof big, big);
  a.AddData(sizeof h, &h);
  EXPECT_EQ(a.GetIndex(), 2);  // the new record is the current one
  EXPECT_EQ(a.Info(), astInit);
  a.Reset();
  a.Next();
  TServiceRecordHeader read;
  a.GetData(sizeof read, &read);  // a part of the record
  EXPECT_EQ(read.TalkUsr, 7);
  a.Next();
  EXPECT_THROW_MSG(a.GetData(sizeof big, big), "TTalkActorImplementation.GetData: record size is 24 bytes");
  EXPECT_THROW_MSG(a.SetData(sizeof big, big), "TTalkActorImplementation.SetData: record size is 24 bytes");
  EXPECT_THROW_MSG(a.Next(), "TTalkActorImplementation.Next: end of data set");
  EXPECT_EQ(a.GetService(), 0x10);
  EXPECT_EQ(a.GetTalkService(), &Service);
  EXPECT_THROW_MSG(a.AddData(70000, big), "TTalkActorImplementation.PutData: record size is 70000 bytes");
  EXPECT_EQ(a.Count(), 3);
  // The buffer grows in steps of 4096 bytes and is cut back to one by Clear.
  auto& impl = dynamic_cast<TTalkActorImplementation&>(a);
  EXPECT_EQ(impl.MaximumSize(), 4096);
  for (int i = 0; i < 4; ++i) a.AddData(sizeof big, big);
  EXPECT_EQ(impl.MaximumSize(), 8192);
  a.Clear();
  EXPECT_EQ(impl.MaximumSize(), 4096);
  EXPECT_EQ(a.Count(), 0);
  EXPECT_EQ(a.Info(), astReady);
}

// One message out, one in; the answers decoded in record order, then one OnResponse
// with the cursor on the first record.
TEST_F(TalkActorTest, OneRequestOneReply) {
  Put(3);
  Actor->Execute();
  auto& impl = dynamic_cast<TTalkActorImplementation&>(*Actor);
  EXPECT_TRUE(Actor->IsBusy());
  EXPECT_EQ(Actor->Info(), astExecuting);
  EXPECT_FALSE(impl.Signal().Ready());
  TMxMessage* request = TakeRequest();
  EXPECT_EQ(request->GetText(), "1\t3\t1\t10\r1\t3\t1\t10\r1\t3\t1\t10");
  // Refusals while busy leave the actor as it is.
  char record[sizeof(TRawFrameRecord)] = {};
  EXPECT_THROW_MSG(Actor->AddData(sizeof record, record), "TTalkActorImplementation.PutData: actor is busy");
  EXPECT_THROW_MSG(Actor->Clear(), "TTalkActorImplementation.Clear: actor is busy");
  EXPECT_THROW_MSG(Actor->Reset(), "TTalkActorImplementation.Reset: actor is busy");
  EXPECT_THROW_MSG(Actor->Next(), "TTalkActorImplementation.Next: actor is busy");
  EXPECT_THROW_MSG(Actor->Execute(), "TTalkActorImplementation.Execute: actor is busy");
  EXPECT_THROW_MSG(Client->PutActor(Actor), "TTalkActorImplementation.Clear: actor is busy");
  ASSERT_NE(Actor, nullptr);  // not pooled
  EXPECT_EQ(Actor->Count(), 3);
  Reply(request, "1\t0\t2\t10\t0\r1\t85\r1\tA4\t3\t10\tA4\t9");
  ResponsesAfter(0);
  EXPECT_EQ(IndexInResponse, 0);
  EXPECT_FALSE(Actor->IsBusy());
  EXPECT_EQ(Actor->Info(), astDone);
  EXPECT_TRUE(impl.Signal().Ready());
  EXPECT_EQ(Results(), (std::vector<int>{0x00, 0x85, 0xA4}));
  EXPECT_EQ(Hex(TRawFramePattern::Get(*Actor).ResponseBytes()), Hex(Bytes({0x10, 0xA4, 0x09})));
  EXPECT_EQ(Actor->GetUser(), 102);
}

TEST_F(TalkActorTest, AnEmptyActorStillGetsItsResponse) {
  Actor->Execute();
  TMxMessage* request = TakeRequest();
  EXPECT_EQ(request->GetSize(), 0);
  Reply(request, "");
  ResponsesAfter(0);
  EXPECT_EQ(Actor->Count(), 0);
}

// A request that reaches no talk server leaves the actor as it was, ready to try again.
TEST_F(TalkActorTest, WithoutATalkServerExecuteFails) {
  Put(2);
  Actor->Reset();
  Server.reset();
  EXPECT_THROW_MSG(Actor->Execute(), "Message receiver node doesn't exist");
  EXPECT_FALSE(Actor->IsBusy());
  EXPECT_EQ(Actor->GetIndex(), 0);
  EXPECT_EQ(Actor->Info(), astInit);
  Server = std::make_unique<TMxQueue>();
  Server->LogOn(0);
  Actor->Execute();
  Reply(TakeRequest(), "1\t0\t1\t10\r1\t0\t1\t10");
  ResponsesAfter(0);
  EXPECT_EQ(Results(), (std::vector<int>{0, 0}));
}

// Failures while the reply is taken are logged; the actor never stays busy and its
// task goes on.
TEST_F(TalkActorTest, ReceiveFailuresDoNotEndTheActor) {
  Put(3);
  Actor->Execute();
  TMxMessage* request = TakeRequest();
  const std::uint16_t actorQueue = request->Sender.Ident;
  Reply(request, "1\t0\t2\t10\t0\r2\t0\t2\t10\t0\r1\t0\t2\t10\t0");
  ResponsesAfter(0);
  EXPECT_EQ(Results(), (std::vector<int>{0x00, StatusExecutorNoLink, StatusExecutorNoLink}));
  EXPECT_TRUE(Logged("TServicePattern.GetResponseData: wrong pattern id - TalkActorImplementation"));
  // A reply while nothing is asked.
  TMxMessage* stray = TMxMessage::Create();
  stray->SetText("1\t0");
  stray->SetReceiver(actorQueue, 0, 0);
  Server->SendMessage(stray);
  EXPECT_TRUE(StepUntil([&] { return Logged("TTalkActorImplementation.Work: unexpected response"); }));
  EXPECT_EQ(Responses, 1);
  // A handler that raises.
  Actor->OnResponse = [this](TTalkActor*) {
    ++Responses;
    throw Exception("handler failed");
  };
  Actor->Execute();
  Reply(TakeRequest(), "");
  ResponsesAfter(1);
  EXPECT_TRUE(Logged("handler failed - TalkActorImplementation"));
  Actor->Execute();
  Reply(TakeRequest(), "");
  ResponsesAfter(2);
}

}  // namespace
