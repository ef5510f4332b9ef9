// TSLRecord: a value whose fields are fixed by a defining dictionary (names = fields,
// values = defaults, composite name = type name). The definition is shared by every
// record of the type and never copied with a record.
#pragma once

#include "sl/values/Arrays.h"
#include "sl/values/Dictionary.h"

namespace vt {

class TSLRecord : public TSLNamedCollection {
 public:
  // Without a definition: the empty record the decoder fills through InitComposite.
  VT_SL_CLASS_BIT(TSLRecord, cbRecord);
  explicit TSLRecord(bool AutoRelease);
  // A new record holding copies of the definition's defaults.
  TSLRecord(bool AutoRelease, TSLDictionary* RecDef);
  const char* ClassName() const override { return "TSLRecord"; }

  WideString GetTypeName() const;
  TSLDictionary* RecDef() const { return FRecDef.get(); }
  TSLArray* Data() const { return FData.get(); }

  int GetCount() const override { return FRecDef ? FRecDef->GetCount() : 0; }
  TSLObject* GetObjAtIndex(int Index) const override;
  int GetIndexOfObj(const TSLObject* Obj) const override;
  // Back to the defaults; the record keeps all its fields.
  void Clear() override;
  void ReplaceObjAtIndex(int Index, TSLObject* Obj) override { SetObjWithName(GetNameAtIndex(Index), Obj); }

  TSLObject* GetObjWithName(const WideString& AName) const override;
  void SetObjWithName(const WideString& AName, TSLObject* Obj) override;
  // The field stays, its value becomes nil.
  void DelObjWithName(const WideString& AName) override;
  WideString GetNameAtIndex(int Index) const override;
  bool GetNameExists(const WideString& AName) const override { return GetIndexOfName(AName) >= 0; }
  int GetIndexOfName(const WideString& AName) const override;

  TSLObject* CopyObject() const override { return CopyRecord(); }
  TSLRecord* CopyRecord() const;
  void InitComposite(TSLCompData* CompData) override;
  void EncodeCompositeContent(TEncoderInterface& Encoder) override;
  char GetCompositeType() const override { return 'R'; }

 protected:
  bool IsKindOfSelf(const TSLObject* Obj) const override { return As<TSLRecord>(Obj); }

 private:
  int FieldIndex(const WideString& AName, const char* Operation) const;

  TRef<TSLDictionary> FRecDef;
  TRef<TSLArray> FData;  // one value per field, in the definition's order; never nil
};

}  // namespace vt
