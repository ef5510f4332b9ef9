// The System dictionary; see SystemDictionary.h.
#include "sl/builtins/SystemDictionary.h"

#include <type_traits>

#include "sl/builtins/ControlBuiltins.h"
#include "sl/builtins/EnvironmentBuiltins.h"
#include "sl/builtins/MathBuiltins.h"
#include "sl/builtins/StorageBuiltins.h"
#include "sl/builtins/StringBuiltins.h"

namespace vt {

namespace {

// One instance per name, shared by every context of the process.
template <class T>
TRef<TSLObject> Make() {
  if constexpr (std::is_base_of_v<TSLPolymorphProcedure, T>)
    return TRef<TSLObject>(TSLPolymorphProcedure::Create<T>());
  else
    return TRef<TSLObject>(MakeRef<T>());
}

struct TSystemEntry {
  const char16_t* Name;
  TRef<TSLObject> (*Make)();
};

// The registration order. Built-ins of further families take their places in this
// one table, so the order stays the documented one.
constexpr TSystemEntry kSystemProcedures[] = {
    {u"abort", Make<TSLAbortProcedure>},
    {u"abs", Make<TSLAbsProcedure>},
    {u"add", Make<TSLAddProcedure>},
    {u"and", Make<TSLAndProcedure>},
    {u"assign", Make<TSLAssignProcedure>},
    {u"atan", Make<TSLAtanProcedure>},
    {u"begin", Make<TSLBeginProcedure>},
    {u"beep", Make<TSLBeepProcedure>},
    {u"carr", Make<TSLCreateArrayProcedure>},
    {u"case", Make<TSLCaseProcedure>},
    {u"ceil", Make<TSLCeilProcedure>},
    {u"cdict", Make<TSLCreateDictProcedure>},
    {u"chdir", Make<TSLChDirProcedure>},
    {u"chfileext", Make<TSLChFileExtProcedure>},
    {u"chki", Make<TSLChkiProcedure>},
    {u"chkr", Make<TSLChkrProcedure>},
    {u"cnamespace", Make<TSLCreateNamespaceProcedure>},
    {u"chr", Make<TSLChrProcedure>},
    {u"cos", Make<TSLCosProcedure>},
    {u"count", Make<TSLCountProcedure>},
    {u"createdir", Make<TSLCreateDirProcedure>},
    {u"crec", Make<TSLCreateRecordProcedure>},
    {u"currentdict", Make<TSLCurrentdictProcedure>},
    {u"cvi", Make<TSLCviProcedure>},
    {u"cvn", Make<TSLCvnProcedure>},
    {u"cvr", Make<TSLCvrProcedure>},
    {u"cvri", Make<TSLCvriProcedure>},
    {u"cvrli", Make<TSLCvrliProcedure>},
    {u"cvrls", Make<TSLCvrlsProcedure>},
    {u"cvrs", Make<TSLCvrsProcedure>},
    {u"cvs", Make<TSLCvsProcedure>},
    {u"date", Make<TSLDateProcedure>},
    {u"datetime", Make<TSLDateTimeProcedure>},
    {u"daysuntilnow", Make<TSLDaysUntilNowProcedure>},
    {u"def", Make<TSLDefProcedure>},
    {u"del", Make<TSLDelProcedure>},
    {u"deletefile", Make<TSLDeleteFileProcedure>},
    {u"dict", Make<TSLDictProcedure>},
    {u"directoryexists", Make<TSLDirectoryExistsProcedure>},
    {u"div", Make<TSLDivProcedure>},
    {u"dup", Make<TSLDupProcedure>},
    {u"end", Make<TSLEndProcedure>},
    {u"eq", Make<TSLEqProcedure>},
    {u"exch", Make<TSLExchProcedure>},
    {u"exec", Make<TSLExecProcedure>},
    {u"exitblock", Make<TSLExitBlockProcedure>},
    {u"exitloop", Make<TSLExitLoopProcedure>},
    {u"exitproc", Make<TSLExitProcProcedure>},
    {u"exp", Make<TSLExpProcedure>},
    {u"extfileext", Make<TSLExtFileExtProcedure>},
    {u"extfilename", Make<TSLExtFileNameProcedure>},
    {u"extfilepath", Make<TSLExtFilePathProcedure>},
    {u"fileexist", Make<TSLFileExistProcedure>},
    {u"filegetattr", Make<TSLFileGetAttrProcedure>},
    {u"filesearch", Make<TSLFileSearchProcedure>},
    {u"floor", Make<TSLFloorProcedure>},
    {u"for", Make<TSLForProcedure>},
    {u"forall", Make<TSLForallProcedure>},
    {u"forcedirectories", Make<TSLForceDirectoriesProcedure>},
    {u"ge", Make<TSLGeProcedure>},
    {u"get", Make<TSLGetProcedure>},
    {u"getcurrentdir", Make<TSLGetCurrentDirProcedure>},
    {u"getdir", Make<TSLGetDirProcedure>},
    {u"getdircontents", Make<TSLGetDirContentsProcedure>},
    {u"getident", Make<TSLGetCompositeIdentProcedure>},
    {u"getrectype", Make<TSLGetRecordTypeProcedure>},
    {u"getsubarr", Make<TSLGetSubArrProcedure>},
    {u"getsubstr", Make<TSLGetSubStrProcedure>},
    {u"gknown", Make<TSLGKnownProcedure>},
    {u"gt", Make<TSLGtProcedure>},
    {u"idiv", Make<TSLIDivProcedure>},
    {u"if", Make<TSLIfProcedure>},
    {u"ifelse", Make<TSLIfElseProcedure>},
    {u"import", Make<TSLImportProcedure>},
    {u"index", Make<TSLIndexProcedure>},
    {u"ins", Make<TSLInsertProcedure>},
    {u"inttoobj", Make<TSLIntToObjProcedure>},
    {u"known", Make<TSLKnownProcedure>},
    {u"loadobj", Make<TSLLoadObjProcedure>},
    {u"loadstoobj", Make<TSLLoadStoObjProcedure>},
    {u"le", Make<TSLLeProcedure>},
    {u"length", Make<TSLLengthProcedure>},
    {u"ln", Make<TSLLnProcedure>},
    {u"log2", Make<TSLLog2Procedure>},
    {u"log10", Make<TSLLog10Procedure>},
    {u"logx", Make<TSLLogXProcedure>},
    {u"loop", Make<TSLLoopProcedure>},
    {u"lt", Make<TSLLtProcedure>},
    {u"mod", Make<TSLModProcedure>},
    {u"msgdlg", Make<TSLMsgDlgProcedure>},
    {u"mul", Make<TSLMulProcedure>},
    {u"ne", Make<TSLNeProcedure>},
    {u"neg", Make<TSLNegProcedure>},
    {u"nknown", Make<TSLNKnownProcedure>},
    {u"not", Make<TSLNotProcedure>},
    {u"objtoint", Make<TSLObjToIntProcedure>},
    {u"or", Make<TSLOrProcedure>},
    {u"ord", Make<TSLOrdProcedure>},
    {u"pad", Make<TSLPadProcedure>},
    {u"padr", Make<TSLPadrProcedure>},
    {u"pop", Make<TSLPopProcedure>},
    {u"power", Make<TSLPowerProcedure>},
    {u"put", Make<TSLPutProcedure>},
    {u"puts", Make<TSLPutsProcedure>},
    {u"putsubarr", Make<TSLPutSubArrProcedure>},
    {u"putsubstr", Make<TSLPutSubStrProcedure>},
    {u"raise", Make<TSLRaiseProcedure>},
    {u"raisese", Make<TSLRaiseSEProcedure>},
    {u"removedir", Make<TSLRemoveDirProcedure>},
    {u"renamefile", Make<TSLRenameFileProcedure>},
    {u"repeat", Make<TSLRepeatProcedure>},
    {u"round", Make<TSLRoundProcedure>},
    {u"saveobj", Make<TSLSaveObjProcedure>},
    {u"search", Make<TSLSearchProcedure>},
    {u"setcurrentdir", Make<TSLSetCurrentDirProcedure>},
    {u"shl", Make<TSLShlProcedure>},
    {u"shr", Make<TSLShrProcedure>},
    {u"sin", Make<TSLSinProcedure>},
    {u"sqrt", Make<TSLSqrtProcedure>},
    {u"sub", Make<TSLSubProcedure>},
    {u"test", Make<TSLTestProcedure>},
    {u"time", Make<TSLTimeProcedure>},
    {u"trunc", Make<TSLTruncProcedure>},
    {u"tryexcept", Make<TSLTryExceptProcedure>},
    {u"tryfinally", Make<TSLTryFinallyProcedure>},
    {u"undef", Make<TSLUndefProcedure>},
    {u"uppercase", Make<TSLUppercaseProcedure>},
    {u"wait", Make<TSLWaitProcedure>},
    {u"xor", Make<TSLXorProcedure>},
    {u"cf32i", Make<TSLCf32iProcedure>},
    {u"cif32", Make<TSLCif32Procedure>},
    {u"InstallRelease", Make<TSLInstRelProcedure>},
    {u"crcfromfile", Make<TSLCRCFromFileProcedure>},
    {u"encrstr", Make<TSLEncrStrProcedure>},
    {u"decrstr", Make<TSLDecrStrProcedure>},
};

}  // namespace

void CreateSystemProcedures(TSLDictionary* Dict) {
  for (const TSystemEntry& entry : kSystemProcedures) Dict->AddObject(entry.Name, entry.Make().get());
}

void CreateSystemValues(TSLDictionary* Dict) {
  for (bool value : {true, false}) {
    auto shared = MakeRef<TSLBoolean>(value);
    shared->MakeConstant();
    Dict->AddObject(value ? u"true" : u"false", shared.get());
  }
}

}  // namespace vt
