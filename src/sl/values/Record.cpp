// Records; see Record.h.
#include "sl/values/Record.h"

#include "platform/Format.h"
#include "sl/values/Scalars.h"

namespace vt {

namespace {

TRef<TSLArray> CopyOfValues(const TSLCollection* Source) {
  auto data = MakeRef<TSLArray>();
  for (int i = 0; i < Source->GetCount(); ++i) data->AddObject(CopyOrNil(Source->GetObjAtIndex(i)));
  return data;
}

}  // namespace

TSLRecord::TSLRecord(bool AutoRelease) : TSLNamedCollection(AutoRelease), FData(MakeRef<TSLArray>()) {
  MarkClass(kClassBit);
}

TSLRecord::TSLRecord(bool AutoRelease, TSLDictionary* RecDef)
    : TSLNamedCollection(AutoRelease), FRecDef(RecDef), FData(CopyOfValues(RecDef)) {
  MarkClass(kClassBit);
}

WideString TSLRecord::GetTypeName() const { return FRecDef ? AnsiToWide(FRecDef->Ident()) : WideString(); }

TSLObject* TSLRecord::GetObjAtIndex(int Index) const { return FData->GetObjAtIndex(Index); }
int TSLRecord::GetIndexOfObj(const TSLObject* Obj) const { return FData->GetIndexOfObj(Obj); }

void TSLRecord::Clear() {
  for (int i = 0; i < GetCount(); ++i) FData->SetObjAtIndex(i, CopyOrNil(FRecDef->GetObjAtIndex(i)));
}

int TSLRecord::GetIndexOfName(const WideString& AName) const {
  return FRecDef ? FRecDef->GetIndexOfName(AName) : -1;
}

int TSLRecord::FieldIndex(const WideString& AName, const char* Operation) const {
  const int i = GetIndexOfName(AName);
  if (i < 0) throw Exception(Format("%s.%s: object with name '%s' not found", ClassName(), Operation, AName));
  return i;
}

TSLObject* TSLRecord::GetObjWithName(const WideString& AName) const {
  return FData->GetObjAtIndex(FieldIndex(AName, "GetObjWithName"));
}

void TSLRecord::SetObjWithName(const WideString& AName, TSLObject* Obj) {
  FData->SetObjAtIndex(FieldIndex(AName, "SetObjWithName"), Obj);
}

void TSLRecord::DelObjWithName(const WideString& AName) {
  FData->SetObjAtIndex(FieldIndex(AName, "DelObjWithName"), nullptr);
}

WideString TSLRecord::GetNameAtIndex(int Index) const {
  if (Index < 0 || Index >= GetCount())
    throw Exception(Format("%s.GetNameAtIndex: index (%d) out of bounds (%d)", ClassName(), Index, GetCount()));
  return FRecDef->GetNameAtIndex(Index);
}

TSLRecord* TSLRecord::CopyRecord() const {
  auto* copy = new TSLRecord(true);
  copy->FRecDef = FRecDef;
  copy->FData = MakeRef<TSLArray>();
  FillCopy(copy->FData.get(), FData.get());
  return copy;
}

void TSLRecord::InitComposite(TSLCompData* CompData) {
  FRecDef = TRef<TSLDictionary>(CheckedCast<TSLDictionary>(CompData->GetElementAtIndex(0)));
  FData = TRef<TSLArray>(CheckedCast<TSLArray>(CompData->GetElementAtIndex(1)));
}

void TSLRecord::EncodeCompositeContent(TEncoderInterface& Encoder) {
  Encoder.EncodeObject(FRecDef.get());
  Encoder.EncodeObject(FData.get());
}

}  // namespace vt
