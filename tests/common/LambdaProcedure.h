// A built-in written as a lambda, for tests that give scripts procedures of their own.
#pragma once

#include <functional>

#include "sl/interpreter/Procedures.h"

namespace vt::test {

class TLambdaProc : public TSLInternalProcedure {
 public:
  TLambdaProc(bool AutoRelease, std::function<void(TSLContext*)> f) : TSLInternalProcedure(AutoRelease), F(std::move(f)) {}
  const char* ClassName() const override { return "TLambdaProc"; }
  void Execute(TSLContext* Context) override { F(Context); }

 private:
  std::function<void(TSLContext*)> F;
};

}  // namespace vt::test
