// The storage and archive script classes; see StorageScriptClasses.h.
#include "sl/storage/StorageScriptClasses.h"

#include "platform/Format.h"
#include "sl/builtins/StorageBuiltins.h"
#include "sl/interpreter/Interpreter.h"
#include "sl/storage/StorageNames.h"

namespace vt {

namespace {

// The methods are native code of this program, so they reach the script's operand
// stack directly for the SL objects they move; plug-in libraries cannot.
TSLContextImplementation* ContextOf(TContextInterface* Ci) {
  return static_cast<TContextInterfaceImplementation*>(Ci)->FContext;
}

// The top operand of any class, taken off the stack but held.
TRef<TSLObject> PopObject(TContextInterface* Ci) {
  TSLStack* ops = ContextOf(Ci)->OperandStackObj();
  TRef<TSLObject> top(ops->GetObjAtIndex(0));
  ops->Pop(false);
  return top;
}

void PushObject(TContextInterface* Ci, TSLObject* Obj) { ContextOf(Ci)->OperandStackObj()->Push(Obj); }

// A list position or entry position: the low 32 bits of an Int.
std::int32_t PopIndex(TContextInterface* Ci) { return static_cast<std::int32_t>(PopLongint(Ci)); }

// Appends to an instance's list and pushes the new position.
void Append(TSLArray* List, TSLObject* Obj, TContextInterface* Ci) {
  List->AddObject(Obj);
  PushLongint(Ci, List->GetCount() - 1);
}

const char* FormatText(TStorageFormat Format) {
  switch (Format) {
    case sfASCII: return "ascii";
    case sfEASCII: return "eascii";
    default: return "unknown";
  }
}

using TStoObj = TStorageObjectManagerScriptObject;
using TArcObj = TArchiveManagerScriptObject;

// An instance's archive and one entry of it: arc entry →
TSLArchiveEntry* PopEntry(TArcObj& Self, TContextInterface* Ci) {
  const std::int32_t entry = PopIndex(Ci);
  return Self.At(PopIndex(Ci))->EntryAtIndex(entry);
}

// arc name format → entry: a new entry added to the archive, its position pushed
// (entries keep their order, so it is the last).
void AddNewEntry(TArcObj& Self, TContextInterface* Ci, TSLObject* Data, bool IsLink) {
  const TStorageFormat format = ConvertFormatString(PopString(Ci));
  const AnsiString name = PopString(Ci);
  TSLArchive* archive = Self.At(PopIndex(Ci));
  auto entry = MakeRef<TSLArchiveEntry>(archive, name);
  entry->SetData(Data);
  entry->SetIsLink(IsLink);
  entry->SetFormat(format);
  archive->AddEntry(entry.get());
  PushLongint(Ci, archive->GetCount() - 1);
}

}  // namespace

TSLStorageObject* TStorageObjectManagerScriptObject::At(std::int32_t Index) const {
  return CheckedCast<TSLStorageObject>(StoObjArr->GetObjAtIndex(Index));
}

TSLArchive* TArchiveManagerScriptObject::At(std::int32_t Index) const {
  return CheckedCast<TSLArchive>(ArcObjArr->GetObjAtIndex(Index));
}

template <class TNative>
void TNativeScriptClass<TNative>::ExecuteMethod(std::int64_t Handle, std::int64_t MethodId, TContextInterface* Context) {
  const auto object = Objects.find(Handle);
  if (object == Objects.end()) throw Exception(Format("ExecuteMethod: no object with handle %d", Handle));
  const std::vector<TMethod>& methods = Methods();
  if (MethodId < 0 || MethodId >= static_cast<std::int64_t>(methods.size()))
    throw Exception(Format("ExecuteMethod: no method with id %d", MethodId));
  methods[static_cast<std::size_t>(MethodId)].Run(*object->second, Context);
}

template <class TNative>
AnsiString TNativeScriptClass<TNative>::GetMethodName(std::int32_t Index) {
  const std::vector<TMethod>& methods = Methods();
  return Index >= 0 && Index < static_cast<std::int32_t>(methods.size()) ? methods[Index].Name : "";
}

template class TNativeScriptClass<TStoObj>;
template class TNativeScriptClass<TArcObj>;

const std::vector<TStorageObjectManagerScriptClass::TMethod>& TStorageObjectManagerScriptClass::Methods() const {
  static const std::vector<TMethod> methods = {
      {"GetObject",  // name access → index
       [](TStoObj& self, TContextInterface* ci) {
         const TStreamAccess access = ConvertAccessString(PopString(ci));
         const AnsiString name = PopString(ci);
         Append(self.StoObjArr.get(), OpenStorageObject(ContextOf(ci), name, access), ci);
       }},
      {"CreateObject",  // name → index
       [](TStoObj& self, TContextInterface* ci) { Append(self.StoObjArr.get(), TheStorageManager().CreateObject(PopString(ci)), ci); }},
      {"ObjectExists",  // name → Boolean
       [](TStoObj&, TContextInterface* ci) { PushBoolean(ci, TheStorageManager().ObjectExists(PopString(ci))); }},
      {"SetData",  // index x →
       [](TStoObj& self, TContextInterface* ci) {
         const TRef<TSLObject> data = PopObject(ci);
         self.At(PopIndex(ci))->SetData(data.get());
       }},
      {"GetData",  // index → x
       [](TStoObj& self, TContextInterface* ci) { PushObject(ci, self.At(PopIndex(ci))->GetData()); }},
      {"SetFormat",  // index format →
       [](TStoObj& self, TContextInterface* ci) {
         const TStorageFormat format = ConvertFormatString(PopString(ci));
         self.At(PopIndex(ci))->SetFormat(format);
       }},
      {"GetFormat",  // index → format
       [](TStoObj& self, TContextInterface* ci) { PushString(ci, FormatText(self.At(PopIndex(ci))->GetFormat())); }},
      {"GetName",  // index → name
       [](TStoObj& self, TContextInterface* ci) { PushString(ci, self.At(PopIndex(ci))->GetName()); }},
      {"Read", [](TStoObj& self, TContextInterface* ci) { self.At(PopIndex(ci))->Read(); }},    // index →
      {"Write", [](TStoObj& self, TContextInterface* ci) { self.At(PopIndex(ci))->Write(); }},  // index →
  };
  return methods;
}

const std::vector<TArchiveManagerScriptClass::TMethod>& TArchiveManagerScriptClass::Methods() const {
  static const std::vector<TMethod> methods = {
      {"GetArchive",  // name access → arc
       [](TArcObj& self, TContextInterface* ci) {
         const TStreamAccess access = ConvertAccessString(PopString(ci));
         const AnsiString name = PopString(ci);
         Append(self.ArcObjArr.get(), ArchiveManager().GetArchive(name, access), ci);
       }},
      {"GetIndexOfName",  // arc name → entry, -1 when none
       [](TArcObj& self, TContextInterface* ci) {
         const AnsiString name = PopString(ci);
         PushLongint(ci, self.At(PopIndex(ci))->IndexOfEntry(name));
       }},
      {"GetNameAtIndex",  // arc entry → name
       [](TArcObj& self, TContextInterface* ci) { PushString(ci, PopEntry(self, ci)->GetName()); }},
      {"GetFormatAtIndex",  // arc entry → format
       [](TArcObj& self, TContextInterface* ci) { PushString(ci, FormatText(PopEntry(self, ci)->GetFormat())); }},
      {"GetDataAtIndex",  // arc entry → x
       [](TArcObj& self, TContextInterface* ci) { PushObject(ci, PopEntry(self, ci)->GetData()); }},
      {"GetCount",  // arc → n
       [](TArcObj& self, TContextInterface* ci) { PushLongint(ci, self.At(PopIndex(ci))->GetCount()); }},
      {"AddEntry",  // arc name format x → entry
       [](TArcObj& self, TContextInterface* ci) {
         const TRef<TSLObject> data = PopObject(ci);
         AddNewEntry(self, ci, data.get(), false);
       }},
      {"RemoveEntryWithName",  // arc name →
       [](TArcObj& self, TContextInterface* ci) {
         const AnsiString name = PopString(ci);
         self.At(PopIndex(ci))->RemoveEntryWithName(name);
       }},
      {"RemoveEntryAtIndex",  // arc entry →
       [](TArcObj& self, TContextInterface* ci) {
         const std::int32_t entry = PopIndex(ci);
         self.At(PopIndex(ci))->RemoveEntryAtIndex(entry);
       }},
      {"Clear", [](TArcObj& self, TContextInterface* ci) { self.At(PopIndex(ci))->Clear(); }},  // arc →
      {"Write", [](TArcObj& self, TContextInterface* ci) { self.At(PopIndex(ci))->Write(); }},  // arc →
      {"AddLink",  // arc name format → entry: an entry that copies the file of its name at each write
       [](TArcObj& self, TContextInterface* ci) { AddNewEntry(self, ci, nullptr, true); }},
  };
  return methods;
}

void AnnounceStorageScriptClasses(TStorageManager& Manager) {
  Manager.AnnounceScriptClass("StorageObjectManager", std::make_unique<TStorageObjectManagerScriptClass>(), 1);
  Manager.AnnounceScriptClass("ArchiveManager", std::make_unique<TArchiveManagerScriptClass>(), 1);
}

}  // namespace vt
