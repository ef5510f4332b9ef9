// Built-ins that steer execution through the tokenizers: conditionals and loops,
// exceptions (raise, raisese, tryexcept, tryfinally), exits, and waiting. They never
// run a block themselves: they push a tokenizer and the interpreter runs it next.
#pragma once

#include "SL20Prc.h"

namespace vt {

class TSLContextImplementation;

// bool blk →: blk runs next when bool is true
class TSLIfProcedure : public TSLInternalProcedure {
 public:
  using TSLInternalProcedure::TSLInternalProcedure;
  const char* ClassName() const override { return "TSLIfProcedure"; }
  void Execute(TSLContext* Context) override;
};

// bool blk1 blk2 →: blk1 runs next when bool is true, else blk2
class TSLIfElseProcedure : public TSLInternalProcedure {
 public:
  using TSLInternalProcedure::TSLInternalProcedure;
  const char* ClassName() const override { return "TSLIfElseProcedure"; }
  void Execute(TSLContext* Context) override;
};

// initial increment limit proc →: a counting loop, integer or double
class TSLForProcedure : public TSLInternalProcedure {
 public:
  using TSLInternalProcedure::TSLInternalProcedure;
  const char* ClassName() const override { return "TSLForProcedure"; }
  void Execute(TSLContext* Context) override;
};

// collection proc →: proc once per element (names of named collections)
class TSLForallProcedure : public TSLInternalProcedure {
 public:
  using TSLInternalProcedure::TSLInternalProcedure;
  const char* ClassName() const override { return "TSLForallProcedure"; }
  void Execute(TSLContext* Context) override;
};

// blk →: blk again and again until exitloop or an exception
class TSLLoopProcedure : public TSLInternalProcedure {
 public:
  using TSLInternalProcedure::TSLInternalProcedure;
  const char* ClassName() const override { return "TSLLoopProcedure"; }
  void Execute(TSLContext* Context) override;
};

// n blk →: blk n times (-1: without end)
class TSLRepeatProcedure : public TSLInternalProcedure {
 public:
  using TSLInternalProcedure::TSLInternalProcedure;
  const char* ClassName() const override { return "TSLRepeatProcedure"; }
  void Execute(TSLContext* Context) override;
};

// ms →: pauses the script
class TSLWaitProcedure : public TSLInternalProcedure {
 public:
  using TSLInternalProcedure::TSLInternalProcedure;
  const char* ClassName() const override { return "TSLWaitProcedure"; }
  void Execute(TSLContext* Context) override;
};

// → 100 200 300: three waits driven by its user value
class TSLTestProcedure : public TSLInternalProcedure {
 public:
  using TSLInternalProcedure::TSLInternalProcedure;
  const char* ClassName() const override { return "TSLTestProcedure"; }
  void Execute(TSLContext* Context) override;
};

class TSLRaiseProcedure : public TSLInternalProcedure {
 public:
  using TSLInternalProcedure::TSLInternalProcedure;
  const char* ClassName() const override { return "TSLRaiseProcedure"; }
  void Execute(TSLContext* Context) override;
};

// Raises a new dictionary {"Msg": text}; every standard error arrives here.
class TSLRaiseSEProcedure : public TSLInternalProcedure {
 public:
  explicit TSLRaiseSEProcedure(bool AutoRelease);
  const char* ClassName() const override { return "TSLRaiseSEProcedure"; }
  void Execute(TSLContext* Context) override;

 private:
  TRef<TSLRaiseProcedure> FRaise;
};

class TSLTryExceptProcedure : public TSLInternalProcedure {
 public:
  using TSLInternalProcedure::TSLInternalProcedure;
  const char* ClassName() const override { return "TSLTryExceptProcedure"; }
  void Execute(TSLContext* Context) override;
};

class TSLTryFinallyProcedure : public TSLInternalProcedure {
 public:
  using TSLInternalProcedure::TSLInternalProcedure;
  const char* ClassName() const override { return "TSLTryFinallyProcedure"; }
  void Execute(TSLContext* Context) override;
};

class TSLExitBlockProcedure : public TSLInternalProcedure {
 public:
  using TSLInternalProcedure::TSLInternalProcedure;
  const char* ClassName() const override { return "TSLExitBlockProcedure"; }
  void Execute(TSLContext* Context) override;
};

class TSLExitLoopProcedure : public TSLInternalProcedure {
 public:
  using TSLInternalProcedure::TSLInternalProcedure;
  const char* ClassName() const override { return "TSLExitLoopProcedure"; }
  void Execute(TSLContext* Context) override;
};

class TSLExitProcProcedure : public TSLInternalProcedure {
 public:
  using TSLInternalProcedure::TSLInternalProcedure;
  const char* ClassName() const override { return "TSLExitProcProcedure"; }
  void Execute(TSLContext* Context) override;
};

// The context a built-in runs in, as the one implementation.
TSLContextImplementation* Implementation(TSLContext* Context);

}  // namespace vt
