#include "ScriptFixture.h"

#include "sl/builtins/SystemDictionary.h"
#include "sl/values/Collections.h"

namespace vt::test {

void ScriptTest::SetUp() {
  RefCountedTest::SetUp();
  System = MakeRef<TSLDictionary>();
  CreateSystemProcedures(System.get());
  CreateSystemValues(System.get());
  // Test procedures beside the built-ins.
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
