// Internal and polymorphic procedures and the operand helpers; see Procedures.h.
#include "sl/interpreter/Procedures.h"

#include "platform/Format.h"
#include "sl/interpreter/ContextInterface.h"
#include "sl/interpreter/Interpreter.h"
#include "sl/values/Dictionary.h"

namespace vt {

void TSLPolymorphProcedure::RegisterProcedures() {
  throw Exception(Format("%s.RegisterProcedures not overwritten", ClassName()));
}

void TSLPolymorphProcedure::Register(const TEntry& Entry) {
  if (ProcedureCount == kPolymorphHandlers)
    throw Exception(Format("Procedure array has only %d entries", kPolymorphHandlers));
  ProcedureArray[ProcedureCount++] = Entry;
}

void TSLPolymorphProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const TSLObject* examined = nullptr;
  for (int i = 0; i < ProcedureCount; ++i) {
    const TEntry& entry = ProcedureArray[i];
    examined = ops->GetObjAtIndex(entry.Index);
    if (entry.Matches(examined)) {
      (this->*entry.Handler)(Context);
      return;
    }
  }
  throw Exception(Format("Procedure '%s' doesn't work on object with class %s", ClassName(),
                         examined ? examined->ClassName() : "nil"));
}

TSLObject* AnyOperandAt(TSLStack* Ops, int Depth) {
  TSLObject* obj = Ops->GetObjAtIndex(Depth);
  if (!obj) throw EInvalidCast();
  return obj;
}

TRef<TSLObject> PopHeld(TSLStack* Ops) {
  TRef<TSLObject> top(Ops->GetObjAtIndex(0));
  Ops->Pop(false);
  return top;
}

std::int64_t LongintOperand(TSLStack* Ops, int Depth) { return OperandAt<TSLLongint>(Ops, Depth)->GetLongintValue(); }
double DoubleOperand(TSLStack* Ops, int Depth) { return OperandAt<TSLDouble>(Ops, Depth)->GetDoubleValue(); }
AnsiString TextOperand(TSLStack* Ops, int Depth) { return WideToAnsi(OperandAt<TSLString>(Ops, Depth)->StringValue()); }

void DefineName(TSLDictionary* Dict, const WideString& Name, TSLObject* Value) { Dict->DefineObject(Name, Value); }

void RaiseStandardError(TSLContext* Context, const std::u16string& Message) {
  ScheduleStandardException(Implementation(Context), Message);
}

}  // namespace vt
