#include "ScriptFixture.h"

#include "SL20Col.h"

namespace vt::test {

void ScriptTest::SetUp() {
  RefCountedTest::SetUp();
  System = MakeRef<TSLDictionary>();
  auto add = [this](const char* name, TSLObject* proc) { System->AddObject(AnsiToWide(name), proc); };
  add("if", MakeRef<TSLIfProcedure>().get());
  add("ifelse", MakeRef<TSLIfElseProcedure>().get());
  add("for", MakeRef<TSLForProcedure>().get());
  add("forall", MakeRef<TSLForallProcedure>().get());
  add("loop", MakeRef<TSLLoopProcedure>().get());
  add("repeat", MakeRef<TSLRepeatProcedure>().get());
  add("exitblock", MakeRef<TSLExitBlockProcedure>().get());
  add("exitloop", MakeRef<TSLExitLoopProcedure>().get());
  add("exitproc", MakeRef<TSLExitProcProcedure>().get());
  add("tryexcept", MakeRef<TSLTryExceptProcedure>().get());
  add("tryfinally", MakeRef<TSLTryFinallyProcedure>().get());
  add("raise", MakeRef<TSLRaiseProcedure>().get());
  add("raisese", MakeRef<TSLRaiseSEProcedure>().get());
  add("wait", MakeRef<TSLWaitProcedure>().get());
  add("test", MakeRef<TSLTestProcedure>().get());
  // Test procedures standing in for built-ins that come with their own family.
  Define("add", [](TSLContext* c) {
    auto* ops = c->OperandStack();
    const auto b = CheckedCast<TSLLongint>(ops->GetObjAtIndex(0))->GetLongintValue();
    const auto a = CheckedCast<TSLLongint>(ops->GetObjAtIndex(1))->GetLongintValue();
    ops->Pop(false), ops->Pop(false);
    ops->Push(MakeRef<TSLLongint>(a + b).get());
  });
  Define("def", [](TSLContext* c) {
    auto* ops = c->OperandStack();
    auto* top = CheckedCast<TSLDictionary>(c->DictStack()->GetObjAtIndex(0));
    const WideString name = AnsiToWide(CheckedCast<TSLIdent>(ops->GetObjAtIndex(1))->IdentValue());
    if (top->NameExists(name)) top->RemoveObject(name);
    top->AddObject(name, ops->GetObjAtIndex(0));
    ops->Pop(false), ops->Pop(false);
  });
  Define("fail", [](TSLContext*) { throw Exception("boom"); });
  Define("getmsg", [](TSLContext* c) {  // exception dictionary -> its Msg text
    auto* ops = c->OperandStack();
    const WideString msg = CheckedCast<TSLDictionary>(ops->GetObjAtIndex(0))->GetStrWithName(u"Msg");
    ops->Pop(false);
    ops->Push(MakeRef<TSLString>(msg).get());
  });
  Global = MakeRef<TSLDictionary>();
  NewContext();
  Interp = MakeRef<TSLInterpreter>();
}

void ScriptTest::NewContext() {
  Ctx = MakeRef<TSLContextImplementation>();
  Ctx->AddNamedDict("System", System.get());
  if (Create) Ctx->AddNamedDict("Create", Create.get());
  Ctx->AddNamedDict("Global", Global.get());
}

void ScriptTest::TearDown() {
  Ctx.reset();
  FailedContext.reset();
  Interp.reset();
  Create.reset();
  System.reset();
  Global.reset();
  OnWait = nullptr;
  RefCountedTest::TearDown();
}

int ScriptTest::RunBlock(const Obj& block) {
  Ctx->PushBlock(block.get());
  int calls = 1;
  while (!Interp->Run(Ctx.get())) {
    ++calls;
    if (Ctx->GetState() == isWaiting) {
      if (OnWait)
        OnWait();
      else
        Ctx->Resume(nullptr);
    }
  }
  return calls;
}

void ScriptTest::ExpectRunFails(const Obj& block, const std::string& message) {
  try {
    RunBlock(block);
    ADD_FAILURE() << "the run did not fail";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), message);
  }
  FailedContext = Ctx;
  NewContext();
}

std::string ScriptTest::Operands() const {
  std::string out;
  TSLStack* ops = Ctx->OperandStackObj();
  for (int i = ops->GetCount() - 1; i >= 0; --i) {
    TSLObject* o = ops->GetObjAtIndex(i);
    if (!out.empty()) out += ' ';
    if (auto* n = dynamic_cast<TSLNumber*>(o))
      out += n->GetStringValue();
    else if (auto* s = dynamic_cast<TSLString*>(o))
      out += "'" + WideToUtf8(s->StringValue()) + "'";
    else if (auto* id = dynamic_cast<TSLIdent*>(o))
      out += (id->GetExecutable() ? "" : "/") + id->IdentValue();
    else if (auto* b = dynamic_cast<TSLBoolean*>(o))
      out += b->BooleanValue() ? "#1" : "#0";
    else
      out += o ? o->ClassName() : "nil";
  }
  return out;
}

}  // namespace vt::test
