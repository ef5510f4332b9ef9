#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <thread>

#include "ScriptFixture.h"
#include "platform/Dialogs.h"
#include "sl/interpreter/Tokenizers.h"
#include "sl/storage/StorageManager.h"

namespace vt::test {
namespace {

class Interpreter : public ScriptTest {
 protected:
  // Runs (or steps) until the context stops for another reason than a used-up slice:
  // how long a slice lasts depends on the machine's load.
  template <class Step>
  bool Until(Step step) {
    bool finished = false;
    do finished = step();
    while (!finished && Ctx->GetState() == isWaitZero);
    return finished;
  }
  bool RunToStop() { return Until([this] { return Interp->Run(Ctx.get()); }); }
};

TEST_F(Interpreter, EmptyBlockFinishesAtOnce) {
  Ctx->PushBlock(B({}).get());
  EXPECT_TRUE(Interp->Run(Ctx.get()));
  EXPECT_EQ(Ctx->GetState(), isFinished);
  EXPECT_THROW_MSG(Interp->Run(Ctx.get()), "interpreter called in finished state");
  auto idle = MakeRef<TSLContextImplementation>();
  EXPECT_THROW_MSG(Interp->Run(idle.get()), "interpreter called in idle state");
}

TEST_F(Interpreter, NamesPushValuesAndRunBlocks) {
  Global->AddObject(u"five", I(5).get());
  Global->AddObject(u"twice", B({X("dup2"), X("add")}).get());
  Define("dup2", [](TSLContext* c) { c->OperandStack()->Push(c->OperandStack()->GetObjAtIndex(0)); });
  RunBlock(B({X("five"), X("twice"), X("FIVE")}));
  EXPECT_EQ(Operands(), "10 5");
  // A name bound to a value is pushed as that very object.
  EXPECT_EQ(Ctx->OperandStackObj()->GetObjAtIndex(0), Global->GetObjWithName(u"five"));
}

TEST_F(Interpreter, SliceEndsAfterTenMillisecondsAndResumes) {
  int passes = 0;
  Define("slow", [&](TSLContext*) {
    ++passes;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  });
  Ctx->PushBlock(B({I(3), B({X("slow")}), X("repeat"), I(7)}).get());
  // Every pass takes longer than a slice and the coarse clock's tick the slice is read
  // on (up to 10 ms), so each ends a call at the latest.
  int slicesEnded = 0;
  while (!Interp->Run(Ctx.get())) {
    EXPECT_EQ(Ctx->GetState(), isWaitZero);
    ++slicesEnded;
    EXPECT_LE(passes, slicesEnded);
  }
  EXPECT_GE(slicesEnded, 3);
  EXPECT_EQ(passes, 3);
  EXPECT_EQ(Operands(), "7");
}

// A tight loop of quick built-ins outlasts many slices: each run yields at a token and
// the next resumes at that very token (the sum would show one lost or run twice).
TEST_F(Interpreter, TightLoopYieldsAndResumesAtTheSameToken) {
  constexpr std::int64_t kPasses = 2000000;
  // s = (s + 2i) xor 7 for i = 1 .. kPasses
  const int calls = RunBlock(B({I(0), I(1), I(1), I(kPasses), B({X("dup"), X("add"), X("add"), I(7), X("xor")}), X("for")}));
  std::int64_t s = 0;
  for (std::int64_t i = 1; i <= kPasses; ++i) s = (s + 2 * i) ^ 7;
  EXPECT_EQ(Operands(), std::to_string(s));
  EXPECT_GE(calls, 3);
}

TEST_F(Interpreter, ThreePassNativeProcedureWaitsThreeTimes) {
  std::vector<std::int32_t> timeouts;
  OnWait = [&] {
    timeouts.push_back(Ctx->FTimeout);
    if (timeouts.size() == 2)
      Ctx->Continue(nullptr);  // what was waited for happened
    else
      Ctx->Resume(nullptr);  // the wait timed out
  };
  int continued = 0;
  Ctx->OnContinue = [&](TSLContext*) { ++continued; };
  RunBlock(B({X("test"), I(1)}));
  EXPECT_EQ(timeouts, (std::vector<std::int32_t>{100, 200, 300}));
  EXPECT_EQ(continued, 1);
  EXPECT_EQ(Operands(), "100 200 300 1");
}

TEST_F(Interpreter, WaitMisuse) {
  Ctx->PushBlock(B({I(50), X("wait")}).get());
  EXPECT_FALSE(RunToStop());
  EXPECT_EQ(Ctx->GetState(), isWaiting);
  EXPECT_EQ(Ctx->FTimeout, 50);
  EXPECT_THROW_MSG(Interp->Run(Ctx.get()), "interpreter called in wait state");
  EXPECT_THROW_MSG(Ctx->Wait(nullptr, 1), "wait called while in wait state");
  EXPECT_THROW_MSG(Ctx->PushBlock(B({}).get()), "PushBlock is only allowed in finished or idle state");
  Ctx->Resume(nullptr);
  EXPECT_THROW_MSG(Ctx->Resume(nullptr), "resume called while not in wait state");
  EXPECT_THROW_MSG(Ctx->Continue(nullptr), "continue called while not in wait state");
  EXPECT_TRUE(RunToStop());
}

TEST_F(Interpreter, ProcedureBindsParametersAndReturnsResults) {
  // [[a b] 99 a b add /r exch def [r]]: leaves 99 behind, which is dropped.
  Global->AddObject(u"sum", P({L("a"), L("b")}, {I(99), X("a"), X("b"), X("add"), L("r"), X("exch2"), X("def")},
                              {L("r"), L("a")}).get());
  Define("exch2", [](TSLContext* c) {
    auto* ops = c->OperandStack();
    ops->InsertObject(1, ops->GetObjAtIndex(0));
    ops->Pop(false);
  });
  RunBlock(B({I(7), I(1), I(2), X("sum")}));
  EXPECT_EQ(Operands(), "7 3 1");
  EXPECT_EQ(Ctx->DictStackObj()->GetCount(), 2);  // the procedure's dictionary is gone
}

TEST_F(Interpreter, MalformedProcedureAndMissingResult) {
  auto bad = MakeRef<TSLProcedure>();
  bad->AddObject(I(1).get());
  Global->AddObject(u"bad", bad.get());
  ExpectRunFails(B({X("bad")}), "TSLProcTokenizer.Init: Invalid Procedure(first object is not of type TSLArray)");
  Global->AddObject(u"noresult", P({}, {}, {L("r")}).get());
  ExpectRunFails(B({X("noresult")}), "TSLDictionary error: no object named r");
}

TEST_F(Interpreter, UnknownNameEndsTheRunEvenInsideTry) {
  ExpectRunFails(B({B({X("nothere")}), B({}), X("tryexcept")}), "object with name 'nothere' not found");
}

TEST_F(Interpreter, FailureOfABuiltInIsCaughtAsScriptException) {
  RunBlock(B({I(1), B({I(2), I(3), X("fail"), I(4)}), B({X("getmsg")}), X("tryexcept"), I(5)}));
  // The operand stack is cut back to where the try began, then the handler ran.
  EXPECT_EQ(Operands(), "1 'boom' 5");
}

TEST_F(Interpreter, TwoFailuresInOneRunAreBothCaught) {
  const Obj guarded = B({B({X("fail")}), B({X("getmsg")}), X("tryexcept")});
  guarded->SetExecutable(true);  // run in place, not pushed as data
  RunBlock(B({guarded, guarded}));
  EXPECT_EQ(Operands(), "'boom' 'boom'");
}

// Only the system's exceptions leave the interpreter: others end the run as one.
TEST_F(Interpreter, ForeignExceptionsEndTheRunAsTheSystemsOwn) {
  Define("nomemory", [](TSLContext*) { throw std::bad_alloc(); });
  Define("libraryfails", [](TSLContext*) { throw std::out_of_range("vector index"); });
  ExpectRunFails(B({I(1), X("nomemory")}), "Out of memory");
  ExpectRunFails(B({B({X("libraryfails")}), B({}), X("tryexcept")}), "vector index");
}

TEST_F(Interpreter, UncaughtFailureEndsTheRunAndKeepsTheFailingToken) {
  Obj failing = X("fail");
  auto info = std::make_unique<TElmDbgInfo>();
  info->SetTokLine(12);
  info->SetStorageID(StorageIDManager().CreateStorageID("C:\\Scripts\\Job.sct", nullptr));
  failing->SetDbgInfo(std::move(info));
  ExpectRunFails(B({I(1), failing}), "boom");
  TSLContextImplementation* failed = FailedContext.get();
  EXPECT_EQ(failed->FExceptToken.get(), failing.get());
  EXPECT_EQ(GetDbgLine(failed->FExceptToken.get()), "12");
  EXPECT_EQ(GetDbgFile(failed->FExceptToken.get()), "Job.sct");
  EXPECT_EQ(RuntimeErrorText(failed, "boom"), "[Job.sct, 12] Runtime error: boom");
  EXPECT_EQ(failed->GetState(), isExecuting);  // left as it was at the failure
  failed->Reset();
  EXPECT_FALSE(failed->FExceptionMapped);
  EXPECT_FALSE(failed->FExceptToken);
  EXPECT_EQ(RuntimeErrorText(Ctx.get(), "boom"), "Runtime error: boom");
}

TEST_F(Interpreter, RaiseOutsideTryEndsWithTheObjectsText) {
  struct Case {
    Obj thrown;
    const char* message;
  } cases[] = {{S("plain text"), "plain text"}, {I(3), "exception object is not a dictionary"}};
  for (auto& c : cases) ExpectRunFails(B({c.thrown, X("raise")}), c.message);
  ExpectRunFails(B({S("x"), X("raisese")}), "x");
}

TEST_F(Interpreter, FinallyRunsOnceAndRaisesAgain) {
  Global->AddObject(u"log", MakeRef<TSLArray>().get());
  Define("mark", [this](TSLContext*) { CheckedCast<TSLArray>(Global->GetObjWithName(u"log"))->SetIntAtIndex(
                                            CheckedCast<TSLArray>(Global->GetObjWithName(u"log"))->GetCount(), 1); });
  RunBlock(B({B({I(1)}), B({X("mark")}), X("tryfinally")}));
  EXPECT_EQ(Operands(), "1");
  EXPECT_EQ(CheckedCast<TSLArray>(Global->GetObjWithName(u"log"))->GetCount(), 1);

  Ctx->OperandStackObj()->Clear();
  const Obj inner = B({B({X("fail")}), B({X("mark")}), X("tryfinally")});
  RunBlock(B({inner, B({X("getmsg")}), X("tryexcept")}));
  EXPECT_EQ(Operands(), "'boom'");
  EXPECT_EQ(CheckedCast<TSLArray>(Global->GetObjWithName(u"log"))->GetCount(), 2);

  ExpectRunFails(B({B({X("fail")}), B({X("mark")}), X("tryfinally")}), "boom");
  EXPECT_EQ(CheckedCast<TSLArray>(Global->GetObjWithName(u"log"))->GetCount(), 3);
}

TEST_F(Interpreter, TryRestoresStacksAfterAProcedureCall) {
  Global->AddObject(u"deep", P({L("x")}, {I(8), I(9), X("fail")}, {}).get());
  RunBlock(B({I(1), B({I(2), X("deep")}), B({X("getmsg")}), X("tryexcept")}));
  EXPECT_EQ(Operands(), "1 'boom'");
  EXPECT_EQ(Ctx->DictStackObj()->GetCount(), 2);
}

TEST_F(Interpreter, LoopsTable) {
  struct Case {
    const char* what;
    Obj code;
    const char* operands;
  } cases[] = {
      {"for up", B({I(1), I(1), I(5), B({}), X("for")}), "1 2 3 4 5"},
      {"for down", B({I(5), I(-1), I(1), B({}), X("for")}), "5 4 3 2 1"},
      {"for past limit", B({I(1), I(1), I(0), B({I(9)}), X("for")}), ""},
      {"for doubles", B({D(0.5), D(0.5), D(1.5), B({}), X("for")}), "0.5 1 1.5"},
      {"for truncates", B({D(1.9), I(1), I(3), B({}), X("for")}), "1 2 3"},
      {"for zero step", B({I(0), I(0), I(5), B({I(1), X("exitloop")}), X("for")}), "0 1"},
      {"forall array", B({A({I(4), S("s")}), B({}), X("forall")}), "4 's'"},
      {"forall dict", B({X("D"), B({}), X("forall")}), "/b /A"},
      {"forall empty", B({A({}), B({I(1)}), X("forall")}), ""},
      {"repeat", B({I(3), B({I(2)}), X("repeat")}), "2 2 2"},
      {"repeat 0", B({I(0), B({I(2)}), X("repeat")}), ""},
      {"repeat -5", B({I(-5), B({I(2)}), X("repeat")}), ""},
      {"loop empty", B({B({}), X("loop")}), ""},
      {"loop exit", B({B({I(1), X("exitloop"), I(2)}), X("loop")}), "1"},
      {"exitloop in if", B({B({I(1), X("true"), B({X("exitloop")}), X("if"), I(2)}), X("loop"), I(3)}), "1 3"},
      {"exitblock in if", B({X("true"), B({I(1), X("exitblock"), I(2)}), X("if"), I(3)}), "1 3"},
      {"ifelse", B({X("false"), B({I(1)}), B({I(2)}), X("ifelse")}), "2"},
  };
  auto dict = MakeRef<TSLDictionary>();
  dict->SetIntWithName(u"b", 1);
  dict->SetIntWithName(u"A", 2);
  Global->AddObject(u"D", dict.get());
  Global->AddObject(u"true", MakeRef<TSLBoolean>(true).get());
  Global->AddObject(u"false", MakeRef<TSLBoolean>(false).get());
  for (auto& c : cases) {
    Ctx->OperandStackObj()->Clear();
    RunBlock(c.code);
    EXPECT_EQ(Operands(), c.operands) << c.what;
  }
}

TEST_F(Interpreter, LoopWithoutEndRunsUntilExit) {
  Global->AddObject(u"n", I(0).get());
  Define("inc", [this](TSLContext* c) {
    const auto n = Global->GetIntWithName(u"n") + 1;
    Global->SetIntWithName(u"n", n);
    c->OperandStack()->Push(MakeRef<TSLBoolean>(n == 1000).get());
  });
  RunBlock(B({I(-1), B({X("inc"), B({X("exitloop")}), X("if")}), X("repeat")}));
  EXPECT_EQ(Global->GetIntWithName(u"n"), 1000);
}

TEST_F(Interpreter, ExitsSkipFinallyAndDropTheProcedureDictionary) {
  Global->AddObject(u"marked", I(0).get());
  Define("mark", [this](TSLContext*) { Global->SetIntWithName(u"marked", 1); });
  RunBlock(B({B({B({X("exitloop")}), B({X("mark")}), X("tryfinally")}), X("loop")}));
  EXPECT_EQ(Global->GetIntWithName(u"marked"), 0);

  // Leaving a loop from inside a procedure called in it takes the procedure's locals along.
  Global->AddObject(u"leave", P({}, {L("local"), I(1), X("def"), X("exitloop")}, {}).get());
  RunBlock(B({B({X("leave")}), X("loop")}));
  EXPECT_EQ(Ctx->DictStackObj()->GetCount(), 2);

  Global->AddObject(u"early", P({L("a")}, {X("a"), X("exitproc"), I(5)}, {L("a")}).get());
  Ctx->OperandStackObj()->Clear();
  RunBlock(B({I(4), X("early")}));
  EXPECT_EQ(Operands(), "4");
}

TEST_F(Interpreter, ExitsWithoutEnclosingStructure) {
  struct Case {
    const char* name;
    const char* message;
  } cases[] = {{"exitloop", "exitloop called without enclosing loop"},
               {"exitproc", "exitproc called without enclosing procedure"}};
  for (auto& c : cases) ExpectRunFails(B({X(c.name)}), c.message);
  ExpectRunFails(P({}, {X("exitblock")}, {}), "exitblock called without enclosing block");
  RunBlock(B({B({I(1), X("exitblock")}), X("loop"), I(2)}));  // a loop is a block to leave
  EXPECT_EQ(Operands(), "1 2");
}

TEST_F(Interpreter, NameSpacesAliasesAndDottedNames) {
  auto ns = MakeRef<TSLDictionary>();
  auto inner = MakeRef<TSLDictionary>();
  inner->SetIntWithName(u"z", 42);
  ns->AddObject(u"y", inner.get());
  ns->SetIntWithName(u"n", 1);
  Ctx->ImportDict("Lib", ns.get());
  Global->SetStrWithName(u"L", u"Lib");  // an alias of the name space
  Global->AddObject(u"x", ns.get());
  RunBlock(B({X("Lib:n"), X("L:y.z"), X("x.y.z")}));
  EXPECT_EQ(Operands(), "1 42 42");
  EXPECT_THROW_MSG(Ctx->ResolveName("x.n.z"), "object with name 'x.n.z' not found");
  EXPECT_THROW_MSG(Ctx->ResolveName("n"), "object with name 'n' not found");  // imported, not searched
  EXPECT_THROW_MSG(Ctx->ResolveName("Nope:n"), "object with name 'Nope:n' not found");

  TSLDictionary* parent = nullptr;
  EXPECT_EQ(Ctx->Resolve("x.y.missing", parent), nullptr);
  EXPECT_EQ(parent, inner.get());  // where the missing last part would live
  EXPECT_EQ(Ctx->Resolve("x.missing.z", parent), nullptr);
  EXPECT_EQ(parent, nullptr);
}

TEST_F(Interpreter, ImportOfSecondGlobalConstIsRefused) {
  std::u16string shown;
  SetShowMessageHandler([&](const std::u16string& text) { shown = text; });
  auto first = MakeRef<TSLDictionary>();
  auto constants = MakeRef<TSLDictionary>();
  first->AddObject(u"Global_Const", constants.get());
  Ctx->ImportDict("A", first.get());
  EXPECT_EQ(Global->GetObjWithName(u"Global_Const"), constants.get());
  auto second = MakeRef<TSLDictionary>();
  second->AddObject(u"Global_Const", MakeRef<TSLDictionary>().get());
  Ctx->ImportDict("B", second.get());
  EXPECT_EQ(shown, u"GlobalConst already exists! Only one is allowed!");
  EXPECT_EQ(Global->GetObjWithName(u"Global_Const"), constants.get());
  EXPECT_THROW_MSG(Ctx->ImportDict("C", I(1).get()), "Invalid class typecast");
  EXPECT_THROW_MSG(Ctx->ImportDict("a", first.get()), "TSLDictionary.AddObject: object with name 'a' already exists");
  SetShowMessageHandler(nullptr);
}

TEST_F(Interpreter, BreakpointStopsBeforeTheName) {
  Obj marked = X("add");
  auto info = std::make_unique<TElmDbgInfo>();
  info->SetBreakpoint(true);
  marked->SetDbgInfo(std::move(info));
  std::vector<TSLObject*> shown;
  Interp->OnDbgDisplay = [&](TSLObject* t) { shown.push_back(t); };
  Ctx->PushBlock(B({I(1), I(2), marked, I(5)}).get());
  EXPECT_FALSE(RunToStop());
  EXPECT_EQ(Ctx->GetState(), isBreakpoint);
  EXPECT_EQ(Operands(), "1 2");  // stopped before add runs
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], marked.get());
  // Called while it stands there, the interpreter returns at once in every mode and
  // keeps standing there.
  for (auto step : {&TSLInterpreter::Run, &TSLInterpreter::StepOver, &TSLInterpreter::StepInto}) {
    EXPECT_FALSE((Interp.get()->*step)(Ctx.get()));
    EXPECT_EQ(Ctx->GetState(), isBreakpoint);
  }
  EXPECT_EQ(Operands(), "1 2");
  EXPECT_THROW_MSG(Ctx->Resume(nullptr), "resume called while not in wait state");
  Ctx->ResumeAfterBreakpoint(nullptr);
  EXPECT_TRUE(RunToStop());
  EXPECT_EQ(Operands(), "3 5");
}

TEST_F(Interpreter, StepIntoAndStepOver) {
  Global->AddObject(u"inner", B({I(1), I(2), X("add")}).get());
  std::vector<std::string> shown;
  Interp->OnDbgDisplay = [&](TSLObject* t) {
    auto* n = dynamic_cast<TSLNumber*>(t);
    auto* id = dynamic_cast<TSLIdent*>(t);
    shown.push_back(n ? n->GetStringValue() : id ? id->IdentValue() : "-");
  };
  Ctx->PushBlock(B({X("inner"), I(9)}).get());
  EXPECT_FALSE(Interp->StepInto(Ctx.get()));  // fetches "inner"
  EXPECT_FALSE(Until([this] { return Interp->StepOver(Ctx.get()); }));  // runs the whole block
  EXPECT_EQ(Operands(), "3");
  EXPECT_TRUE(Interp->StepInto(Ctx.get()));
  EXPECT_EQ(Operands(), "3 9");
  EXPECT_EQ(shown.front(), "inner");
}

}  // namespace
}  // namespace vt::test
