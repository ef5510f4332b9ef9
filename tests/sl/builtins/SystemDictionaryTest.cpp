// The System dictionary: names, order and classes of the built-ins, the shared system
// values, object handles and abort.
#include <gtest/gtest.h>

#include "ScriptFixture.h"
#include "StorageFixture.h"
#include "sl/builtins/MathBuiltins.h"
#include "sl/builtins/SystemDictionary.h"
#include "sl/interpreter/ScriptTask.h"
#include "sl/storage/StorageManager.h"

namespace vt::test {
namespace {

class SystemDict : public ScriptTest {};

TEST_F(SystemDict, EntriesInRegistrationOrderWithTheirClasses) {
  struct Entry {
    const char* name;
    const char* className;
  } expected[] = {
      {"abort", "TSLAbortProcedure"}, {"abs", "TSLAbsProcedure"}, {"add", "TSLAddProcedure"},
      {"and", "TSLAndProcedure"}, {"assign", "TSLAssignProcedure"}, {"atan", "TSLAtanProcedure"},
      {"begin", "TSLBeginProcedure"}, {"beep", "TSLBeepProcedure"}, {"carr", "TSLCreateArrayProcedure"},
      {"case", "TSLCaseProcedure"}, {"ceil", "TSLCeilProcedure"}, {"cdict", "TSLCreateDictProcedure"},
      {"chdir", "TSLChDirProcedure"}, {"chfileext", "TSLChFileExtProcedure"}, {"chki", "TSLChkiProcedure"},
      {"chkr", "TSLChkrProcedure"}, {"cnamespace", "TSLCreateNamespaceProcedure"}, {"chr", "TSLChrProcedure"},
      {"cos", "TSLCosProcedure"}, {"count", "TSLCountProcedure"}, {"createdir", "TSLCreateDirProcedure"},
      {"crec", "TSLCreateRecordProcedure"}, {"currentdict", "TSLCurrentdictProcedure"},
      {"cvi", "TSLCviProcedure"}, {"cvn", "TSLCvnProcedure"}, {"cvr", "TSLCvrProcedure"},
      {"cvri", "TSLCvriProcedure"}, {"cvrli", "TSLCvrliProcedure"}, {"cvrls", "TSLCvrlsProcedure"},
      {"cvrs", "TSLCvrsProcedure"}, {"cvs", "TSLCvsProcedure"}, {"date", "TSLDateProcedure"},
      {"datetime", "TSLDateTimeProcedure"}, {"daysuntilnow", "TSLDaysUntilNowProcedure"},
      {"def", "TSLDefProcedure"}, {"del", "TSLDelProcedure"}, {"deletefile", "TSLDeleteFileProcedure"},
      {"dict", "TSLDictProcedure"}, {"directoryexists", "TSLDirectoryExistsProcedure"},
      {"div", "TSLDivProcedure"}, {"dup", "TSLDupProcedure"}, {"end", "TSLEndProcedure"},
      {"eq", "TSLEqProcedure"}, {"exch", "TSLExchProcedure"}, {"exec", "TSLExecProcedure"},
      {"exitblock", "TSLExitBlockProcedure"}, {"exitloop", "TSLExitLoopProcedure"},
      {"exitproc", "TSLExitProcProcedure"}, {"exp", "TSLExpProcedure"}, {"extfileext", "TSLExtFileExtProcedure"},
      {"extfilename", "TSLExtFileNameProcedure"}, {"extfilepath", "TSLExtFilePathProcedure"},
      {"fileexist", "TSLFileExistProcedure"}, {"filegetattr", "TSLFileGetAttrProcedure"},
      {"filesearch", "TSLFileSearchProcedure"}, {"floor", "TSLFloorProcedure"}, {"for", "TSLForProcedure"},
      {"forall", "TSLForallProcedure"}, {"forcedirectories", "TSLForceDirectoriesProcedure"},
      {"ge", "TSLGeProcedure"}, {"get", "TSLGetProcedure"}, {"getcurrentdir", "TSLGetCurrentDirProcedure"},
      {"getdir", "TSLGetDirProcedure"}, {"getdircontents", "TSLGetDirContentsProcedure"},
      {"getident", "TSLGetCompositeIdentProcedure"}, {"getrectype", "TSLGetRecordTypeProcedure"},
      {"getsubarr", "TSLGetSubArrProcedure"}, {"getsubstr", "TSLGetSubStrProcedure"},
      {"gknown", "TSLGKnownProcedure"}, {"gt", "TSLGtProcedure"}, {"idiv", "TSLIDivProcedure"},
      {"if", "TSLIfProcedure"}, {"ifelse", "TSLIfElseProcedure"}, {"import", "TSLImportProcedure"},
      {"index", "TSLIndexProcedure"}, {"ins", "TSLInsertProcedure"}, {"inttoobj", "TSLIntToObjProcedure"},
      {"known", "TSLKnownProcedure"}, {"loadobj", "TSLLoadObjProcedure"},
      {"loadstoobj", "TSLLoadStoObjProcedure"}, {"le", "TSLLeProcedure"}, {"length", "TSLLengthProcedure"},
      {"ln", "TSLLnProcedure"}, {"log2", "TSLLog2Procedure"}, {"log10", "TSLLog10Procedure"},
      {"logx", "TSLLogXProcedure"}, {"loop", "TSLLoopProcedure"}, {"lt", "TSLLtProcedure"},
      {"mod", "TSLModProcedure"}, {"msgdlg", "TSLMsgDlgProcedure"}, {"mul", "TSLMulProcedure"},
      {"ne", "TSLNeProcedure"}, {"neg", "TSLNegProcedure"}, {"nknown", "TSLNKnownProcedure"},
      {"not", "TSLNotProcedure"}, {"objtoint", "TSLObjToIntProcedure"}, {"or", "TSLOrProcedure"},
      {"ord", "TSLOrdProcedure"}, {"pad", "TSLPadProcedure"}, {"padr", "TSLPadrProcedure"},
      {"pop", "TSLPopProcedure"}, {"power", "TSLPowerProcedure"}, {"put", "TSLPutProcedure"},
      {"puts", "TSLPutsProcedure"}, {"putsubarr", "TSLPutSubArrProcedure"},
      {"putsubstr", "TSLPutSubStrProcedure"}, {"raise", "TSLRaiseProcedure"}, {"raisese", "TSLRaiseSEProcedure"},
      {"removedir", "TSLRemoveDirProcedure"}, {"renamefile", "TSLRenameFileProcedure"},
      {"repeat", "TSLRepeatProcedure"}, {"round", "TSLRoundProcedure"}, {"saveobj", "TSLSaveObjProcedure"},
      {"search", "TSLSearchProcedure"}, {"setcurrentdir", "TSLSetCurrentDirProcedure"},
      {"shl", "TSLShlProcedure"}, {"shr", "TSLShrProcedure"}, {"sin", "TSLSinProcedure"},
      {"sqrt", "TSLSqrtProcedure"}, {"sub", "TSLSubProcedure"}, {"test", "TSLTestProcedure"},
      {"time", "TSLTimeProcedure"}, {"trunc", "TSLTruncProcedure"}, {"tryexcept", "TSLTryExceptProcedure"},
      {"tryfinally", "TSLTryFinallyProcedure"}, {"undef", "TSLUndefProcedure"},
      {"uppercase", "TSLUppercaseProcedure"}, {"wait", "TSLWaitProcedure"}, {"xor", "TSLXorProcedure"},
      {"cf32i", "TSLCf32iProcedure"}, {"cif32", "TSLCif32Procedure"}, {"InstallRelease", "TSLInstRelProcedure"},
      {"crcfromfile", "TSLCRCFromFileProcedure"}, {"encrstr", "TSLEncrStrProcedure"},
      {"decrstr", "TSLDecrStrProcedure"}, {"true", "TSLBoolean"}, {"false", "TSLBoolean"},
  };
  auto dict = MakeRef<TSLDictionary>();
  CreateSystemProcedures(dict.get());
  CreateSystemValues(dict.get());
  ASSERT_EQ(dict->GetCount(), static_cast<int>(std::size(expected)));
  for (int i = 0; i < dict->GetCount(); ++i) {
    EXPECT_EQ(WideToUtf8(dict->GetNameAtIndex(i)), expected[i].name) << i;
    EXPECT_STREQ(dict->GetObjAtIndex(i)->ClassName(), expected[i].className) << expected[i].name;
    EXPECT_EQ(dict->GetObjAtIndex(i)->GetExecutable(), i < dict->GetCount() - 2) << expected[i].name;
  }
  EXPECT_TRUE(dict->GetBoolWithName(u"true"));
  EXPECT_FALSE(dict->GetBoolWithName(u"false"));
  EXPECT_THROW_MSG(CreateSystemProcedures(dict.get()), "TSLDictionary.AddObject: object with name 'abort' already exists");
}

TEST_F(SystemDict, TrueAndFalseAreSharedAndCannotBeChanged) {
  TSLObject* shared = System->GetObjWithName(u"true");
  RunBlock(B({X("true"), X("true")}));
  EXPECT_EQ(Ctx->OperandStackObj()->GetObjAtIndex(0), shared);
  EXPECT_EQ(Ctx->OperandStackObj()->GetObjAtIndex(1), shared);

  // assign would change true for every script: refused, catchable like any failure.
  Ctx->OperandStackObj()->Clear();
  RunBlock(B({B({X("true"), X("false"), X("assign")}), B({X("getmsg")}), X("tryexcept"), X("true")}));
  EXPECT_EQ(Operands(), "'TSLBoolean.AssignObject: the system value true cannot be changed' #1");
  auto* constant = static_cast<TSLBoolean*>(shared);
  EXPECT_THROW_MSG(constant->SetBooleanValue(false), "TSLBoolean.SetBooleanValue: the system value true cannot be changed");
  EXPECT_THROW_MSG(constant->SetStringValue("FALSE"), "TSLBoolean.SetStringValue: the system value true cannot be changed");
  EXPECT_TRUE(constant->BooleanValue());

  // A copy is an ordinary value.
  Ctx->OperandStackObj()->Clear();
  RunBlock(B({X("false"), X("dup"), X("true"), X("assign")}));
  EXPECT_EQ(Operands(), "#0 #1");
}

TEST_F(SystemDict, ObjectHandlesRoundTripAndRefuseOtherNumbers) {
  auto dict = MakeRef<TSLDictionary>();
  Global->AddObject(u"d", dict.get());
  // The same object gets the same handle while it holds one.
  RunBlock(B({X("d"), X("objtoint"), X("dup"), X("d"), X("objtoint"), X("eq")}));
  TSLStack* ops = Ctx->OperandStackObj();
  ASSERT_EQ(ops->GetCount(), 2);
  EXPECT_TRUE(CheckedCast<TSLBoolean>(ops->GetObjAtIndex(0))->BooleanValue());
  const std::int64_t handle = CheckedCast<TSLLongint>(ops->GetObjAtIndex(1))->GetLongintValue();
  ops->Pop(false);
  RunBlock(B({X("inttoobj"), X("d"), X("eq")}));
  EXPECT_EQ(Operands(), "#1");

  // The handle holds the object: it outlives every other holder.
  const int count = dict->GetRefCount();
  Global->RemoveObject(u"d");
  EXPECT_EQ(dict->GetRefCount(), count - 1);
  ObjectHandles().GiveBack(handle);
  ObjectHandles().GiveBack(handle);  // objtoint ran twice
  Ctx->OperandStackObj()->Clear();
  for (std::int64_t stale : {handle, std::int64_t{0}, std::int64_t{123456789}}) {
    Ctx->OperandStackObj()->Clear();
    RunBlock(B({B({I(stale), X("inttoobj")}), B({X("getmsg")}), X("tryexcept")}));
    EXPECT_EQ(Operands(), "'TSLObjectHandles.Find: no object with handle " + std::to_string(stale) + "'");
  }
  EXPECT_THROW_MSG(ObjectHandles().GiveBack(handle),
                   "TSLObjectHandles.GiveBack: no object with handle " + std::to_string(handle));
}


TEST_F(SystemDict, AbortAsksTheTaskOrEndsTheRun) {
  TFakeScriptTask task;
  Ctx->FScriptTask = &task;
  RunBlock(B({X("abort"), I(1)}));
  EXPECT_EQ(task.Aborts, 1);  // the task ends the script at its next step
  EXPECT_EQ(Operands(), "1");
  Ctx->FScriptTask = nullptr;
  ExpectRunFails(B({B({X("abort")}), B({I(2)}), X("tryexcept")}), "script task aborted");
}

class SystemWithStorage : public StorageTest {};

TEST_F(SystemWithStorage, TheStorageManagerFillsSystemAndImportReadsDictionaries) {
  TSLDictionary* system = StorageManager->SystemDict();
  EXPECT_EQ(system->GetNameAtIndex(0), u"abort");
  EXPECT_EQ(system->GetNameAtIndex(system->GetCount() - 1), u"false");
  WriteFile("Lib\\Consts.stx", "[D /Pi 3.14]");
  auto ctx = TRef<TSLContextImplementation>(StorageManager->CreateContext(false));
  const TRef<TSLObject> script(Sl("[B 'Lib\\Consts' import Consts:Pi "
                                  "[B 'Lib\\None' import] [B /Msg get] tryexcept [B 5 import] [B /Msg get] tryexcept]"));
  ctx->PushBlock(script.get());
  while (!StorageManager->Interpreter()->Run(ctx.get())) {
  }
  TSLStack* ops = ctx->OperandStackObj();
  ASSERT_EQ(ops->GetCount(), 3);
  EXPECT_EQ(CheckedCast<TSLDouble>(ops->GetObjAtIndex(2))->GetDoubleValue(), 3.14);
  EXPECT_EQ(CheckedCast<TSLString>(ops->GetObjAtIndex(1))->StringValue(),
            u"TStorageManager.ImportIntoContext: No storage object with name:Lib\\None found");
  EXPECT_EQ(CheckedCast<TSLString>(ops->GetObjAtIndex(0))->StringValue(), u"Invalid class typecast");
}

}  // namespace
}  // namespace vt::test
