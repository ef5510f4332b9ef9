// Internal and polymorphic procedures and the operand helpers; see SL20Prc.h.
#include "SL20Prc.h"

#include "CtxIntf.h"
#include "Format.h"
#include "SL20Dic.h"
#include "SL20Exe.h"

namespace vt {

void TSLPolymorphProcedure::RegisterProcedures() {
  throw Exception(Format("%s.RegisterProcedures not overwritten", ClassName()));
}

void TSLPolymorphProcedure::Register(TPolyProcRef Handler, TClassTest Belongs, int Index) {
  if (ProcedureCount == kPolymorphHandlers)
    throw Exception(Format("Procedure array has only %d entries", kPolymorphHandlers));
  ProcedureArray[ProcedureCount++] = TEntry{Belongs, Index, std::move(Handler)};
}

void TSLPolymorphProcedure::Execute(TSLContext* Context) {
  const TSLObject* examined = nullptr;
  for (int i = 0; i < ProcedureCount; ++i) {
    const TEntry& entry = ProcedureArray[i];
    examined = Context->OperandStack()->GetObjAtIndex(entry.Index);
    if (entry.Belongs(examined)) {
      entry.Handler(Context);
      return;
    }
  }
  throw Exception(Format("Procedure '%s' doesn't work on object with class %s", ClassName(),
                         examined ? examined->ClassName() : "nil"));
}

TSLContextImplementation* Implementation(TSLContext* Context) {
  return CheckedCast<TSLContextImplementation>(Context);
}

TSLStack* Operands(TSLContext* Context) { return Implementation(Context)->OperandStackObj(); }

TSLObject* AnyOperandAt(TSLStack* Ops, int Depth) {
  TSLObject* obj = Ops->GetObjAtIndex(Depth);
  if (!obj) throw EInvalidCast();
  return obj;
}

void Drop(TSLStack* Ops, int Count) {
  for (int i = 0; i < Count; ++i) Ops->Pop(false);
}

TRef<TSLObject> PopHeld(TSLStack* Ops) {
  TRef<TSLObject> top(Ops->GetObjAtIndex(0));
  Ops->Pop(false);
  return top;
}

std::int64_t LongintOperand(TSLStack* Ops, int Depth) { return OperandAt<TSLLongint>(Ops, Depth)->GetLongintValue(); }
double DoubleOperand(TSLStack* Ops, int Depth) { return OperandAt<TSLDouble>(Ops, Depth)->GetDoubleValue(); }
AnsiString TextOperand(TSLStack* Ops, int Depth) { return WideToAnsi(OperandAt<TSLString>(Ops, Depth)->StringValue()); }

void DefineName(TSLDictionary* Dict, const WideString& Name, TSLObject* Value) {
  if (Dict->NameExists(Name)) Dict->RemoveObject(Name);
  Dict->AddObject(Name, Value);
}

void RaiseStandardError(TSLContext* Context, const std::u16string& Message) {
  ScheduleStandardException(Implementation(Context), Message);
}

}  // namespace vt
