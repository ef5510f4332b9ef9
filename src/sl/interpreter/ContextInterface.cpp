// The context facade; see ContextInterface.h.
#include "sl/interpreter/ContextInterface.h"

#include "sl/interpreter/Interpreter.h"
#include "sl/interpreter/Tokenizers.h"
#include "sl/values/Scalars.h"

namespace vt {

void ScheduleName(TSLContextImplementation* Context, const std::string& Name) {
  auto tokenizer = MakeRef<TSLObjectTokenizer>(MakeRef<TSLIdent>(Name, true).get());
  Context->ExecutionStackObj()->Push(tokenizer.get());
}

void ScheduleStandardException(TSLContextImplementation* Context, const std::u16string& Message) {
  Context->OperandStackObj()->Push(MakeRef<TSLString>(Message).get());
  ScheduleName(Context, "raisese");
}

namespace {

TContextInterfaceImplementation* Impl(TContextInterface* Self) {
  return static_cast<TContextInterfaceImplementation*>(Self);
}
TSLStack* Operands(TContextInterface* Self) { return Impl(Self)->FContext->OperandStackObj(); }

// Runs Action; a failure becomes the return code 1 and the text of LastError, because
// no exception may cross into a library.
template <class Action>
int32_t Guarded(TContextInterface* Self, Action action) {
  try {
    action();
    return 0;
  } catch (const std::exception& e) {
    Impl(Self)->FLastError = e.what();
    return 1;
  }
}

template <class T>
bool TopIs(TContextInterface* Self) {
  TSLStack* ops = Operands(Self);
  return ops->GetCount() > 0 && As<T>(ops->GetObjAtIndex(0));
}

// Reads the top operand, which must be of class T, and pops it.
template <class T, class Read>
auto PopTyped(TContextInterface* Self, Read read) {
  TSLStack* ops = Operands(Self);
  auto value = read(CheckedCast<T>(ops->GetObjAtIndex(0)));
  ops->Pop(false);
  return value;
}

const char* HandOut(TContextInterface* Self, std::string Text, int32_t* Length) {
  auto* impl = Impl(Self);
  impl->FLastText = std::move(Text);
  *Length = static_cast<int32_t>(impl->FLastText.size());
  return impl->FLastText.c_str();
}

void CSetUserValue(TContextInterface* Self, int32_t Value) { Impl(Self)->FContext->SetUserValue(Value); }
int32_t CGetUserValue(TContextInterface* Self) { return Impl(Self)->FContext->GetUserValue(); }
void CPushLongint(TContextInterface* Self, int64_t Value) { Operands(Self)->PushLongint(Value); }
void CPushDouble(TContextInterface* Self, double Value) { Operands(Self)->Push(MakeRef<TSLDouble>(Value).get()); }
void CPushString(TContextInterface* Self, const char* Value, int32_t Length) {
  Operands(Self)->PushString(std::string(Value, Length));
}
void CPushIdent(TContextInterface* Self, const char* Name, int32_t Length) {
  Operands(Self)->Push(MakeRef<TSLIdent>(std::string(Name, Length), true).get());
}
void CPushBoolean(TContextInterface* Self, int32_t Value) {
  Operands(Self)->Push(MakeRef<TSLBoolean>(Value != 0).get());
}
int32_t CPopLongint(TContextInterface* Self, int64_t* Value) {
  return Guarded(Self, [&] { *Value = PopTyped<TSLLongint>(Self, [](TSLLongint* v) { return v->GetLongintValue(); }); });
}
int32_t CPopDouble(TContextInterface* Self, double* Value) {
  return Guarded(Self, [&] { *Value = PopTyped<TSLDouble>(Self, [](TSLDouble* v) { return v->GetDoubleValue(); }); });
}
int32_t CPopString(TContextInterface* Self, const char** Value, int32_t* Length) {
  return Guarded(Self, [&] {
    *Value = HandOut(Self, PopTyped<TSLString>(Self, [](TSLString* v) { return WideToAnsi(v->StringValue()); }), Length);
  });
}
int32_t CPopBoolean(TContextInterface* Self, int32_t* Value) {
  return Guarded(Self, [&] { *Value = PopTyped<TSLBoolean>(Self, [](TSLBoolean* v) { return v->BooleanValue() ? 1 : 0; }); });
}
int32_t CPopIdent(TContextInterface* Self, const char** Name, int32_t* Length) {
  return Guarded(Self, [&] { *Name = HandOut(Self, PopTyped<TSLIdent>(Self, [](TSLIdent* v) { return v->IdentValue(); }), Length); });
}
int32_t CCheckLongint(TContextInterface* Self) { return TopIs<TSLLongint>(Self); }
int32_t CCheckDouble(TContextInterface* Self) { return TopIs<TSLDouble>(Self); }
int32_t CCheckString(TContextInterface* Self) { return TopIs<TSLString>(Self); }
int32_t CCheckBoolean(TContextInterface* Self) { return TopIs<TSLBoolean>(Self); }
int32_t CWait(TContextInterface* Self, void* Sender, int32_t Timeout) {
  return Guarded(Self, [&] { Impl(Self)->FContext->Wait(Sender, Timeout); });
}
int32_t CContinue(TContextInterface* Self, void* Sender) {
  return Guarded(Self, [&] { Impl(Self)->FContext->Continue(Sender); });
}
void CExecuteName(TContextInterface* Self, const char* Name, int32_t Length) {
  ScheduleName(Impl(Self)->FContext, std::string(Name, Length));
}
void CRaiseStandardException(TContextInterface* Self, const char* Message, int32_t Length) {
  ScheduleStandardException(Impl(Self)->FContext, AnsiToWide(std::string_view(Message, Length)));
}
const char* CLastError(TContextInterface* Self) { return Impl(Self)->FLastError.c_str(); }

[[noreturn]] void RaiseLastError(TContextInterface* Ci) {
  const std::string text = Ci->LastError(Ci);
  if (text == EInvalidCast().Message()) throw EInvalidCast();
  throw Exception(text);
}

void Check(TContextInterface* Ci, int32_t Result) {
  if (Result != 0) RaiseLastError(Ci);
}

}  // namespace

TContextInterfaceImplementation::TContextInterfaceImplementation(TSLContextImplementation* Context)
    : TContextInterface{CSetUserValue, CGetUserValue, CPushLongint,   CPushDouble,   CPushString,
                        CPushIdent,    CPushBoolean,  CPopLongint,    CPopDouble,    CPopString,
                        CPopBoolean,   CCheckLongint, CCheckDouble,   CCheckString,  CCheckBoolean,
                        CWait,         CContinue,     CExecuteName,   CPopIdent,     CRaiseStandardException,
                        CLastError},
      FContext(Context) {}

void SetUserValue(TContextInterface* Ci, std::int32_t Value) { Ci->SetUserValue(Ci, Value); }
std::int32_t GetUserValue(TContextInterface* Ci) { return Ci->GetUserValue(Ci); }
void PushLongint(TContextInterface* Ci, std::int64_t Value) { Ci->PushLongint(Ci, Value); }
void PushDouble(TContextInterface* Ci, double Value) { Ci->PushDouble(Ci, Value); }
void PushString(TContextInterface* Ci, const std::string& Value) {
  Ci->PushString(Ci, Value.data(), static_cast<int32_t>(Value.size()));
}
void PushIdent(TContextInterface* Ci, const std::string& Name) {
  Ci->PushIdent(Ci, Name.data(), static_cast<int32_t>(Name.size()));
}
void PushBoolean(TContextInterface* Ci, bool Value) { Ci->PushBoolean(Ci, Value ? 1 : 0); }

std::int64_t PopLongint(TContextInterface* Ci) {
  int64_t v = 0;
  Check(Ci, Ci->PopLongint(Ci, &v));
  return v;
}
double PopDouble(TContextInterface* Ci) {
  double v = 0;
  Check(Ci, Ci->PopDouble(Ci, &v));
  return v;
}
std::string PopString(TContextInterface* Ci) {
  const char* text = nullptr;
  int32_t length = 0;
  Check(Ci, Ci->PopString(Ci, &text, &length));
  return std::string(text, length);
}
bool PopBoolean(TContextInterface* Ci) {
  int32_t v = 0;
  Check(Ci, Ci->PopBoolean(Ci, &v));
  return v != 0;
}
std::string PopIdent(TContextInterface* Ci) {
  const char* text = nullptr;
  int32_t length = 0;
  Check(Ci, Ci->PopIdent(Ci, &text, &length));
  return std::string(text, length);
}
bool CheckLongint(TContextInterface* Ci) { return Ci->CheckLongint(Ci) != 0; }
bool CheckDouble(TContextInterface* Ci) { return Ci->CheckDouble(Ci) != 0; }
bool CheckString(TContextInterface* Ci) { return Ci->CheckString(Ci) != 0; }
bool CheckBoolean(TContextInterface* Ci) { return Ci->CheckBoolean(Ci) != 0; }
void Wait(TContextInterface* Ci, void* Sender, std::int32_t Timeout) { Check(Ci, Ci->Wait(Ci, Sender, Timeout)); }
void Continue(TContextInterface* Ci, void* Sender) { Check(Ci, Ci->Continue(Ci, Sender)); }
void ExecuteName(TContextInterface* Ci, const std::string& Name) {
  Ci->ExecuteName(Ci, Name.data(), static_cast<int32_t>(Name.size()));
}
void RaiseStandardException(TContextInterface* Ci, const std::string& Message) {
  Ci->RaiseStandardException(Ci, Message.data(), static_cast<int32_t>(Message.size()));
}

}  // namespace vt
