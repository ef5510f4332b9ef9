// The built-ins that work on the three stacks of a context: moving and copying
// operands, defining and looking up names, name spaces, and steering execution
// (conditionals, loops, exits, exceptions, waiting, abort). The control built-ins never
// run a block themselves: they push a tokenizer and the interpreter runs it next.
#pragma once

#include "sl/interpreter/Procedures.h"

namespace vt {

// Operands
VT_SL_FAST_BUILTIN(TSLPopProcedure);   // x →
VT_SL_FAST_BUILTIN(TSLDupProcedure);   // x → x copy
VT_SL_FAST_BUILTIN(TSLExchProcedure);  // a b → b a
VT_SL_BUILTIN(TSLIndexProcedure);  // … n → … copy of the operand at depth n
VT_SL_BUILTIN(TSLAssignProcedure);  // target source → target (with the source's value)

// Names, dictionaries and name spaces
VT_SL_FAST_BUILTIN(TSLDefProcedure);           // /name value →
VT_SL_BUILTIN(TSLUndefProcedure);              // dict /name →
VT_SL_FAST_BUILTIN(TSLDictProcedure);          // n → dict
VT_SL_BUILTIN(TSLCurrentdictProcedure);        // → dict on top of the dictionary stack
VT_SL_BUILTIN(TSLBeginProcedure);              // dict →, onto the dictionary stack
VT_SL_BUILTIN(TSLEndProcedure);                // →, off the dictionary stack
VT_SL_BUILTIN(TSLKnownProcedure);              // dict /name → bool
VT_SL_BUILTIN(TSLGKnownProcedure);             // /name → bool: the context resolves it
VT_SL_BUILTIN(TSLNKnownProcedure);             // ns → bool: a name space of that name exists
VT_SL_BUILTIN(TSLCreateNamespaceProcedure);    // name →
VT_SL_SLOW_BUILTIN(TSLImportProcedure);             // name →: a dictionary imported as name space

// Control flow
VT_SL_BUILTIN(TSLIfProcedure);      // bool blk →
VT_SL_BUILTIN(TSLIfElseProcedure);  // bool blk1 blk2 →
VT_SL_BUILTIN(TSLForProcedure);     // initial increment limit proc →
VT_SL_BUILTIN(TSLForallProcedure);  // collection proc →
VT_SL_BUILTIN(TSLLoopProcedure);    // blk →, until exitloop or an exception
VT_SL_BUILTIN(TSLRepeatProcedure);  // n blk → (-1: without end)
VT_SL_BUILTIN(TSLExitBlockProcedure);
VT_SL_BUILTIN(TSLExitLoopProcedure);
VT_SL_BUILTIN(TSLExitProcProcedure);

// value cases default →: the body of the first matching key, else default
VT_SL_POLYMORPH_BUILTIN(TSLCaseProcedure, VT_SL_HANDLER(Longint) VT_SL_HANDLER(String));

// x →: a name is resolved and run, a block or procedure runs
VT_SL_POLYMORPH_BUILTIN(TSLExecProcedure, VT_SL_HANDLER(Ident) VT_SL_HANDLER(Block) VT_SL_HANDLER(Procedure));

// Exceptions
VT_SL_BUILTIN(TSLTryExceptProcedure);   // tryblk exceptblk →
VT_SL_BUILTIN(TSLTryFinallyProcedure);  // tryblk finallyblk →
VT_SL_BUILTIN(TSLRaiseProcedure);       // obj →

class TSLCreateDictProcedure;

// text →: raises a new dictionary {"Msg": text}; every standard error arrives here
class TSLRaiseSEProcedure : public TSLInternalProcedure {
 public:
  explicit TSLRaiseSEProcedure(bool AutoRelease);
  const char* ClassName() const override { return "TSLRaiseSEProcedure"; }
  void Execute(TSLContext* Context) override;

 protected:
  ~TSLRaiseSEProcedure() override;

 private:
  TRef<TSLCreateDictProcedure> FCreateDict;
  TRef<TSLRaiseProcedure> FRaise;
};

// Task control
VT_SL_SLOW_BUILTIN(TSLAbortProcedure);  // →: aborts the script task that owns the context
VT_SL_SLOW_BUILTIN(TSLWaitProcedure);   // ms →: pauses the script
VT_SL_SLOW_BUILTIN(TSLTestProcedure);   // → 100 200 300: three waits driven by its user value

}  // namespace vt
