// Script-class instances, methods and factories; see ClassBridge.h.
#include "sl/interpreter/ClassBridge.h"

#include "platform/Format.h"

namespace vt {

void TSLClass::InitWithClass(TScriptClass* ScriptClass, TContextInterface* Context) {
  FScriptClass = ScriptClass;
  FScrObjHandle = ScriptClass->CreateObject(Context);
  FHasObject = true;
  for (std::int32_t id = 0;; ++id) {
    const AnsiString name = ScriptClass->GetMethodName(id);
    if (name.empty()) break;
    AddObject(AnsiToWide(name), MakeRef<TSLScrObjMethod>(this, id).get());
  }
}

void TSLClass::AddMethod(TExecuteEvent Method, const WideString& Name) {
  if (NameExists(Name)) throw Exception(Format("%s.AddMethod: name '%s' is alreay in use", ClassName(), Name));
  AddObject(Name, MakeRef<TSLClassMethod>(this, std::move(Method)).get());
}

TSLObject* TSLClass::CopyObject() const {
  auto* self = const_cast<TSLClass*>(this);
  self->RetainAndAutoRelease();
  return self;
}

TSLClass::~TSLClass() {
  *FLink = nullptr;
  FData.reset();
  if (FHasObject) {
    try {
      FScriptClass->DestroyObject(FScrObjHandle);
    } catch (...) {
      // A destructor cannot report; the native object is gone either way.
    }
  }
}

TSLClass* TSLMethodProcedure::LiveOwner() const {
  if (!*FOwner) throw Exception(Format("%s.Execute: the object of this method no longer exists", ClassName()));
  return *FOwner;
}

void TSLScrObjMethod::Execute(TSLContext* Context) {
  TSLClass* owner = LiveOwner();
  owner->ScriptClass()->ExecuteMethod(owner->ScrObjHandle(), FMethodId, Context->ContextInterface());
}

void TSLClassMethod::Execute(TSLContext* Context) {
  TSLClass* owner = LiveOwner();
  if (FOnExecute) FOnExecute(owner->Data(), Context->ContextInterface());
}

void TSLScriptClassFactory::Execute(TSLContext* Context) {
  auto instance = MakeRef<TSLClass>();
  instance->InitWithClass(FScriptClass, Context->ContextInterface());
  Context->OperandStack()->Push(instance.get());
}

}  // namespace vt
