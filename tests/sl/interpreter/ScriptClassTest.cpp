#include <gtest/gtest.h>

#include <map>

#include "ScriptFixture.h"
#include "sl/interpreter/ClassBridge.h"
#include "sl/interpreter/ContextInterface.h"
#include "sl/interpreter/Procedures.h"

namespace vt::test {
namespace {

// A counter class written the way a plug-in library writes one: it reaches the
// script only through the C function table of the context facade.
class TCounterClass : public TScriptClass {
 public:
  std::int64_t CreateObject(TContextInterface*) override {
    Counters[++LastHandle] = 0;
    return LastHandle;
  }
  void DestroyObject(std::int64_t Handle) override { Counters.erase(Handle); }
  void ExecuteMethod(std::int64_t Handle, std::int64_t MethodId, TContextInterface* Ci) override {
    switch (MethodId) {
      case 0: {  // add: n -> total
        int64_t n = 0;
        if (Ci->PopLongint(Ci, &n) != 0) {
          const std::string why = Ci->LastError(Ci);
          Ci->RaiseStandardException(Ci, why.c_str(), static_cast<int32_t>(why.size()));
          return;
        }
        Counters[Handle] += n;
        Ci->PushLongint(Ci, Counters[Handle]);
        break;
      }
      case 1: {  // name: -> 'counter'
        Ci->PushString(Ci, "counter", 7);
        break;
      }
      default: {
        const char* text = "no such counter";
        Ci->RaiseStandardException(Ci, text, 15);
      }
    }
  }
  AnsiString GetMethodName(std::int32_t Index) override {
    static const char* names[] = {"add", "name", "broken"};
    return Index < 3 ? names[Index] : "";
  }
  std::map<std::int64_t, std::int64_t> Counters;
  std::int64_t LastHandle = 0;
};

class ScriptClasses : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    Create = MakeRef<TSLDictionary>();
    Create->AddObject(u"Counter", MakeRef<TSLScriptClassFactory>(&Class, "Counter", 1).get());
    NewContext();
  }
  TCounterClass Class;
};

TEST_F(ScriptClasses, InstancesAreIndependentAndCopiesShareOne) {
  RunBlock(B({L("a"), X("Counter"), X("def"), L("b"), X("Counter"), X("def"), I(5), X("a.add"), I(2), X("a.add"),
              I(1), X("b.add"), X("b.name")}));
  EXPECT_EQ(Operands(), "5 7 1 'counter'");
  EXPECT_EQ(Class.Counters.size(), 2u);
  auto* a = CheckedCast<TSLClass>(Global->GetObjWithName(u"a"));
  EXPECT_EQ(a->CopyObject(), a);
  EXPECT_EQ(a->GetCount(), 3);
  Global->RemoveObject(u"a");
  RefObjManager().PurgeAutoReleasePool();
  EXPECT_EQ(Class.Counters.size(), 1u);  // the native object went with the last reference
}

TEST_F(ScriptClasses, MethodFailuresAreScriptExceptions) {
  RunBlock(B({L("c"), X("Counter"), X("def"), B({S("x"), X("c.add")}), B({X("getmsg")}), X("tryexcept"),
              B({X("c.broken")}), B({X("getmsg")}), X("tryexcept")}));
  EXPECT_EQ(Operands(), "'Invalid class typecast' 'no such counter'");
}

TEST_F(ScriptClasses, MethodKeptAfterItsObjectFails) {
  RunBlock(B({L("c"), X("Counter"), X("def")}));
  auto* instance = CheckedCast<TSLClass>(Global->GetObjWithName(u"c"));
  Global->AddObject(u"m", instance->GetObjWithName(u"add"));  // the method kept on its own
  Global->RemoveObject(u"c");
  RefObjManager().PurgeAutoReleasePool();
  EXPECT_TRUE(Class.Counters.empty());
  RunBlock(B({B({I(1), X("m")}), B({X("getmsg")}), X("tryexcept")}));
  EXPECT_EQ(Operands(), "'TSLScrObjMethod.Execute: the object of this method no longer exists'");
}

// A method taken out of its object's dictionary before the object goes knows it is
// orphaned all the same, whichever way it left the dictionary.
TEST_F(ScriptClasses, MethodTakenOutOfItsObjectFailsOnceTheObjectIsGone) {
  const struct {
    const char* how;
    Obj takeOut;
  } cases[] = {
      {"undef", B({X("c"), L("add"), X("undef")})},
      {"del", B({X("c"), L("add"), X("del")})},
      {"puts", B({X("c"), L("add"), I(0), X("puts")})},
      {"def in place", B({X("c"), X("begin"), L("add"), I(0), X("def"), X("end")})},
  };
  for (const auto& c : cases) {
    Global = MakeRef<TSLDictionary>();
    NewContext();
    RunBlock(B({L("c"), X("Counter"), X("def"), L("m"), X("c"), L("add"), X("get"), X("def")}));
    RunBlock(c.takeOut);
    RunBlock(B({L("c"), I(0), X("def")}));
    RefObjManager().PurgeAutoReleasePool();
    EXPECT_TRUE(Class.Counters.empty()) << c.how;
    RunBlock(B({B({I(1), X("m")}), B({X("getmsg")}), X("tryexcept")}));
    EXPECT_EQ(Operands(), "'TSLScrObjMethod.Execute: the object of this method no longer exists'") << c.how;
  }
}

TEST_F(ScriptClasses, ClassWithoutMethodsAndDuplicateMethods) {
  struct TEmpty : TCounterClass {
    AnsiString GetMethodName(std::int32_t) override { return ""; }
  };
  static TEmpty empty;  // a class outlives its instances, as registered classes do
  auto instance = MakeRef<TSLClass>();
  instance->InitWithClass(&empty, Ctx->ContextInterface());
  EXPECT_EQ(instance->GetCount(), 0);
  instance->AddMethod([](TNativeObject*, TContextInterface* ci) { PushLongint(ci, 1); }, u"one");
  EXPECT_THROW_MSG(instance->AddMethod(nullptr, u"ONE"), "TSLClass.AddMethod: name 'ONE' is alreay in use");
  Global->AddObject(u"obj", instance.get());
  RunBlock(B({X("obj.one")}));
  EXPECT_EQ(Operands(), "1");
}

TEST_F(ScriptClasses, ContextFacadePopsCheckClassAndKeepWrongValues) {
  TContextInterface* ci = Ctx->ContextInterface();
  PushDouble(ci, 2.5);
  EXPECT_FALSE(CheckLongint(ci));
  EXPECT_THROW_MSG(PopLongint(ci), "Invalid class typecast");
  EXPECT_TRUE(CheckDouble(ci));
  EXPECT_EQ(PopDouble(ci), 2.5);
  PushString(ci, "t\xE4st");
  PushBoolean(ci, true);
  PushIdent(ci, "name");
  EXPECT_EQ(PopIdent(ci), "name");
  EXPECT_TRUE(PopBoolean(ci));
  EXPECT_EQ(PopString(ci), "t\xE4st");
  EXPECT_THROW_MSG(PopString(ci), "TSLStack.ObjectAtIndex: no object to fetch at index -1");
}

// A procedure that adds numbers of two classes and refuses the rest.
class TSumProc : public TSLPolymorphProcedure {
 public:
  using TSLPolymorphProcedure::TSLPolymorphProcedure;
  const char* ClassName() const override { return "TSumProc"; }

 protected:
  void RegisterProcedures() override {
    RegisterProcedureForClassName<TSLLongint>(&TSumProc::ExecuteLongint, 1);
    RegisterProcedureForClassName<TSLArray>(&TSumProc::ExecuteArray, 1);
    RegisterProcedureForClassName<TSLString>(&TSumProc::ExecuteString, 1);
  }
  void ExecuteLongint(TSLContext* c) { Push(c, "int"); }
  void ExecuteArray(TSLContext* c) { Push(c, "array"); }
  void ExecuteString(TSLContext* c) { Push(c, "string"); }
  static void Push(TSLContext* c, const char* handler) {
    c->OperandStack()->Pop(false), c->OperandStack()->Pop(false);
    c->OperandStack()->Push(MakeRef<TSLString>(AnsiToWide(handler)).get());
  }
};

class TNoHandlers : public TSLPolymorphProcedure {
 public:
  using TSLPolymorphProcedure::TSLPolymorphProcedure;
  const char* ClassName() const override { return "TNoHandlers"; }
};

class TTooMany : public TSLPolymorphProcedure {
 public:
  using TSLPolymorphProcedure::TSLPolymorphProcedure;
  const char* ClassName() const override { return "TTooMany"; }
  void RegisterProcedures() override {
    for (int i = 0; i < 8; ++i) RegisterProcedureForClassName<TSLObject>(&TTooMany::Nothing, 0);
  }
  void Nothing(TSLContext*) {}
};

class Polymorph : public ScriptTest {};

TEST_F(Polymorph, DispatchesOnTheOperandAtItsDepth) {
  System->AddObject(u"sum", TSLPolymorphProcedure::Create<TSumProc>().get());
  RunBlock(B({I(1), I(0), X("sum"), B({}), I(0), X("sum"), P({}, {}, {}), I(0), X("sum")}));
  EXPECT_EQ(Operands(), "'int' 'array' 'array'");  // blocks and procedures are arrays
  Ctx->OperandStackObj()->Clear();
  Global->AddObject(u"D", MakeRef<TSLDictionary>().get());
  RunBlock(B({B({X("D"), I(0), X("sum")}), B({X("getmsg")}), X("tryexcept")}));
  EXPECT_EQ(Operands(), "'Procedure 'TSumProc' doesn't work on object with class TSLDictionary'");
}

TEST_F(Polymorph, RegistrationLimits) {
  EXPECT_THROW_MSG(TSLPolymorphProcedure::Create<TNoHandlers>(), "TNoHandlers.RegisterProcedures not overwritten");
  EXPECT_THROW_MSG(TSLPolymorphProcedure::Create<TTooMany>(), "Procedure array has only 7 entries");
}

}  // namespace
}  // namespace vt::test
