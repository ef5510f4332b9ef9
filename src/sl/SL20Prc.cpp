// Internal and polymorphic procedures; see SL20Prc.h.
#include "SL20Prc.h"

#include "Format.h"

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

}  // namespace vt
