// The SL text decoder; see Decoder.h.
#include "sl/text/Decoder.h"

#include <algorithm>

#include "platform/Format.h"
#include "platform/NumberText.h"
#include "sl/SLLimits.h"
#include "sl/storage/StorageManager.h"
#include "sl/text/FileStreams.h"
#include "sl/values/Arrays.h"
#include "sl/values/Record.h"
#include "sl/values/Scalars.h"
#include "sl/values/Stack.h"

namespace vt {

TRef<TSLDictionary> TypeDefinitions;

namespace {

[[noreturn]] void RaiseTooDeep() {
  throw Exception(Format("composites nested deeper than %d levels", kMaxCompositeDepth));
}

// The entry Name of Dict (a dictionary or anything else), found without regard to case.
bool LookUp(const TSLObject* Dict, const WideString& Name, TSLObject*& Value) {
  auto* d = dynamic_cast<const TSLDictionary*>(Dict);
  const int i = d ? d->IndexOfName(Name) : -1;
  if (i < 0) return false;
  Value = d->GetObjAtIndex(i);
  return true;
}

bool IsCopiedScalar(const TSLObject* Obj) {
  return dynamic_cast<const TSLLongint*>(Obj) || dynamic_cast<const TSLString*>(Obj) ||
         dynamic_cast<const TSLDouble*>(Obj) || dynamic_cast<const TSLBoolean*>(Obj);
}

}  // namespace

// TSLStreamDecoderCompData

TSLObject* TSLStreamDecoderCompData::GetFirstElement() { return FStreamDecoder->GetFirstCompositeElement(); }
TSLObject* TSLStreamDecoderCompData::GetNextElement() { return FStreamDecoder->GetNextCompositeElement(); }
TSLObject* TSLStreamDecoderCompData::GetElementAtIndex(int Index) {
  return FStreamDecoder->GetCompositeElementAtIndex(Index);
}

// TSLStreamDecoder

TSLStreamDecoder::TSLStreamDecoder(bool AutoRelease)
    : TSLObject(AutoRelease), CurrentCompData(MakeRef<TSLStreamDecoderCompData>(this)) {}

TSLStreamDecoder::~TSLStreamDecoder() = default;

void TSLStreamDecoder::AddScanner(TSLScanner* Scanner) { ScannerList.emplace_back(Scanner); }

void TSLStreamDecoder::RegisterComposite(TCompositeFactory Factory) {
  // The type letter is asked of an instance, which goes again at once.
  TSLComposite* probe = Factory();
  const char type = probe->GetCompositeType();
  probe->Free();
  if (type < 'A' || type > 'Z') throw Exception(Format("Internal error: illegal composite type '%s'", CharText(type)));
  TCompositeFactory& slot = CompClasses[type - 'A'];
  if (slot) throw Exception(Format("Internal error: composite of type '%s' is already registered", CharText(type)));
  slot = Factory;
}

void TSLStreamDecoder::Reset() {
  CompositeStack.clear();
  ElementStack.clear();
  IdentDict.clear();
  CompList.clear();
  CompList.push_back(TNumbered{nullptr, 0});  // "@0" is nil
  FCopyBudget = kMaxConstantCopyValues;
}

std::string TSLStreamDecoder::SyntaxErrorPrefix(TSLLookaheadStream& Stream) const {
  AnsiString name;
  if (const std::uint16_t id = Stream.GetStorageID()) {
    try {
      name = ExtractFileNamePart(StorageIDManager().GetIDInfo(id).Name, fnpName);
    } catch (const Exception&) {
      // An id nobody registered: the syntax error is what matters, without a name.
    }
  }
  return Format("[%s, %s] Syntax error: ", AnsiToUtf8(name), IntToStr(Stream.Line()));
}

void TSLStreamDecoder::ScanText(TSLLookaheadStream* Stream, bool Debug) {
  CurrentStream = Stream;
  Reset();
  try {
    while (!Stream->IsEndOfStream()) {
      ScanToken(*Stream, Debug);
      if (CompositeStack.empty() && ElementStack.size() == 1) break;
    }
  } catch (const Exception& e) {
    CurrentStream = nullptr;
    Abandon();
    throw Exception(SyntaxErrorPrefix(*Stream) + e.Message());
  }
  CurrentStream = nullptr;
}

TSLObject* TSLStreamDecoder::TakeResult() {
  TSLObject* result = nullptr;
  if (!ElementStack.empty()) {
    result = ElementStack.back().Obj.get();
    if (result) result->RetainAndAutoRelease();
    ElementStack.pop_back();
  }
  CompList.clear();
  IdentDict.clear();
  return result;
}

// Composites finished inside one that never closes may refer to each other; nobody
// gets them, so their cycles are cut here, or reference counting would never free
// them. Only the text's own composites are numbered (a constant's copy is new too).
void TSLStreamDecoder::Abandon() {
  for (const TNumbered& numbered : CompList)
    if (auto* c = As<TSLCollection>(numbered.Obj.get()); c && !As<TSLRecord>(c)) c->Clear();
  CompositeStack.clear();
  ElementStack.clear();
  CompList.clear();
  IdentDict.clear();
}

TSLObject* TSLStreamDecoder::ReadObject(TSLLookaheadStream* Stream, bool Debug) {
  ScanText(Stream, Debug);
  return TakeResult();
}

TSLObject* TSLStreamDecoder::ReadSingleObject(TSLLookaheadStream* Stream, bool Debug) {
  ScanText(Stream, Debug);
  // A composite still open may be the result itself ("[A" alone), unfinished.
  if (!CompositeStack.empty() || ElementStack.size() > 1) {
    Abandon();
    throw Exception(SyntaxErrorPrefix(*Stream) +
                    "illegal nesting (check number of opening and closing square brackets)");
  }
  return TakeResult();
}

// One token: the scanners are asked in chain order, each at the current character. The
// stream is not at its end here. Only a scanner that declines after reading can have
// moved on, so the next character is looked at again only then.
void TSLStreamDecoder::ScanToken(TSLLookaheadStream& Stream, bool Debug) {
  char next = Stream.ReadChar();
  Stream.UnreadChar();
  for (auto& scanner : ScannerList) {
    if (!scanner->MayStartWith(next)) continue;
    if (scanner->ScanStream(DecoderInterface, Debug)) return;
    if (Stream.IsEndOfStream()) break;
    next = Stream.ReadChar();
    Stream.UnreadChar();
  }
  const char c = Stream.ReadChar();
  throw Exception(Format("illegal AnsiCharacter '%s'", CharText(c)));
}

// Pushes a value, taking it over: a new value (count 0) that cannot be pushed is freed.
void TSLStreamDecoder::Push(TSLObject* Obj, int Height) {
  if (CompositeStack.empty() && !ElementStack.empty()) {
    if (Obj && Obj->GetRefCount() == 0) Obj->Free();
    throw Exception("Internal error: only one root object is allowed");
  }
  ElementStack.push_back(TElement{TRef<TSLObject>(Obj), Height});
  if (!CompositeStack.empty()) ++CompositeStack.back().ElementCount;
}

// Gives a composite of the text its number.
int TSLStreamDecoder::Number(TSLObject* Composite, int Height) {
  CompList.push_back(TNumbered{TRef<TSLObject>(Composite), Height});
  return static_cast<int>(CompList.size()) - 1;
}

void TSLStreamDecoder::PushElement(TSLObject* Obj, bool FromReference) {
  Push(Obj, 0);
  if (!FromReference && Obj && Obj->AsComposite()) Number(Obj, 0);
}

void TSLStreamDecoder::BeginOfComposite(char CompType, const AnsiString& Ident, std::unique_ptr<TDbgInfo> DbgInfo) {
  if (CompType < 'A' || CompType > 'Z')
    throw Exception(Format("Internal error: illegal composite type '%s'", CharText(CompType)));
  const TCompositeFactory create = CompClasses[CompType - 'A'];
  if (!create) throw Exception(Format("unknown composite type '%s'", CharText(CompType)));
  if (CompositeStack.size() >= static_cast<std::size_t>(kMaxCompositeDepth)) RaiseTooDeep();
  const int number = static_cast<int>(CompList.size());
  // Copies keep their original's name, so a name may come again: "@Name" stays with the first.
  if (!Ident.empty()) IdentDict.try_emplace(AnsiToWide(Ident), number);
  TSLComposite* composite = create();
  composite->SetIdent(Ident);
  composite->SetDbgInfo(std::move(DbgInfo));
  Push(composite, kOpen);
  Number(composite, kOpen);
  CompositeStack.push_back(TOpenComposite{0, number});
}

void TSLStreamDecoder::EndOfComposite() {
  if (CompositeStack.empty()) throw Exception("composite not opened");
  const TOpenComposite open = CompositeStack.back();
  CompositeStack.pop_back();
  const int n = open.ElementCount;
  CurrentCompData->FElementCount = n;
  CurrentCompElement = n;
  const auto first = ElementStack.end() - n;
  int height = 0;
  for (auto e = first; e != ElementStack.end(); ++e) height = std::max(height, e->Height);
  if (++height > kMaxCompositeDepth) RaiseTooDeep();
  TElement& composite = *(first - 1);
  static_cast<TSLComposite*>(composite.Obj.get())->InitComposite(CurrentCompData.get());
  ElementStack.erase(first, ElementStack.end());
  composite.Height = height;
  CompList[open.Number].Height = height;
}

TSLObject* TSLStreamDecoder::GetNextCompositeElement() {
  if (CurrentCompElement <= 0) throw Exception("Internal error: no more objects on stack");
  --CurrentCompElement;
  return ElementStack[ElementStack.size() - 1 - CurrentCompElement].Obj.get();
}

TSLObject* TSLStreamDecoder::GetFirstCompositeElement() {
  CurrentCompElement = CurrentCompData->FElementCount;
  return GetNextCompositeElement();
}

TSLObject* TSLStreamDecoder::GetCompositeElementAtIndex(int Index) {
  const int n = CurrentCompData->FElementCount;
  if (Index < 0 || Index >= n)
    throw Exception(Format("Internal error: index (%d) is out of bounds (%d)", Index, n));
  return ElementStack[ElementStack.size() - n + Index].Obj.get();
}

void TSLStreamDecoder::PushReference(int Index) {
  const TNumbered& entry = CompList[Index];
  // A reference to a composite still open closes a cycle; its depth is counted where
  // the composite itself stands.
  Push(entry.Obj.get(), entry.Height == kOpen ? 0 : entry.Height);
}

void TSLStreamDecoder::ResolvePointer(int Index) {
  const int count = static_cast<int>(CompList.size());
  if (Index < 0 || Index >= count)
    throw Exception(Format("pointer index (%d) is out of bounds (%d)", Index, count));
  PushReference(Index);
}

void TSLStreamDecoder::ResolvePointer(const AnsiString& Ident) {
  auto it = IdentDict.find(AnsiToWide(Ident));
  if (it == IdentDict.end()) throw Exception(Format("no composite object named '%s' found", AnsiToUtf8(Ident)));
  PushReference(it->second);
}

bool TSLStreamDecoder::FindConstant(const WideString& Name, TSLObject*& Value) const {
  if (LookUp(TypeDefinitions.get(), Name, Value)) return true;
  auto it = IdentDict.find(std::u16string_view(u"CONST"));
  if (it != IdentDict.end() && LookUp(CompList[it->second].Obj.get(), Name, Value)) return true;
  TSLDictionary* top = OnGetScriptDictionary ? OnGetScriptDictionary() : nullptr;
  return top && (LookUp(top->FindObject(u"GLOBAL_CONST"), Name, Value) || LookUp(top, Name, Value));
}

void TSLStreamDecoder::ResolveConstant(const AnsiString& Ident) {
  const AnsiString name = Ident.substr(0, Ident.find('\r'));
  TSLObject* value = nullptr;
  if (!FindConstant(AnsiToWide(name), value))
    throw Exception("Object with name " + AnsiToUtf8(name) + " doesn't exist");
  PushConstantValue(value);
}

// A constant is pushed by value: a scalar as a new value, a dictionary as its entries,
// name after value, spliced into the enclosing composite; anything else not at all.
void TSLStreamDecoder::PushConstantValue(TSLObject* Value) {
  if (IsCopiedScalar(Value)) {
    PushElement(Value->CopyObject(), false);
    return;
  }
  auto* dict = dynamic_cast<TSLDictionary*>(Value);
  if (!dict) return;
  for (int i = 0; i < dict->GetCount(); ++i) {
    PushElement(new TSLIdent(false, WideToAnsi(dict->GetNameAtIndex(i)), false), false);
    TSLObject* entry = dict->GetObjAtIndex(i);
    if (IsCopiedScalar(entry)) {
      PushElement(entry->CopyObject(), false);
    } else if (auto* a = dynamic_cast<TSLArray*>(entry)) {
      const int height = CopyHeight(a, 0);
      PushCopy(a->CopyArray(), height);
    } else if (auto* d = dynamic_cast<TSLDictionary*>(entry)) {
      const int height = CopyHeight(d, 0);
      PushCopy(d->CopyDictionary(), height);
    }
  }
}

// A copied composite counts as a composite of the text.
void TSLStreamDecoder::PushCopy(TSLCollection* Copy, int Height) {
  Push(Copy, Height);
  Number(Copy, Height);
}

// How deep the composites of a copy of Obj would nest; the walk stops with an error where
// the copy would nest too deep or exhaust what constants may copy into one text (a cycle
// does the one, composites shared many times over the other).
int TSLStreamDecoder::CopyHeight(const TSLObject* Obj, int Depth) {
  if (--FCopyBudget < 0)
    throw Exception(Format("too many values copied from constants (more than %d)", kMaxConstantCopyValues));
  if (Depth >= kMaxCompositeDepth) RaiseTooDeep();
  // A record's copy shares the definition and copies the field values, however many.
  if (auto* r = dynamic_cast<const TSLRecord*>(Obj)) return CopyHeight(r->Data(), Depth + 1) + 1;
  auto* c = dynamic_cast<const TSLCollection*>(Obj);
  if (!c) return 0;
  int height = 0;
  for (int i = 0; i < c->GetCount(); ++i) height = std::max(height, CopyHeight(c->GetObjAtIndex(i), Depth + 1));
  return height + 1;
}

void AddStandardScanners(TSLStreamDecoder& Decoder) {
  Decoder.AddScanner(MakeRef<TSLWhitespaceScanner>().get());
  Decoder.AddScanner(MakeRef<TSLNumberScanner>().get());
  Decoder.AddScanner(MakeRef<TSLStringScanner>().get());
  Decoder.AddScanner(MakeRef<TSLIdentScanner>().get());
  Decoder.AddScanner(MakeRef<TSLCompositeScanner>().get());
  Decoder.AddScanner(MakeRef<TSLBooleanScanner>().get());
  Decoder.AddScanner(MakeRef<TSLPointerScanner>().get());
  Decoder.AddScanner(MakeRef<TSLCommentScanner>().get());
  Decoder.AddScanner(MakeRef<TSLConstantScanner>().get());
}

void RegisterStandardComposites(TSLStreamDecoder& Decoder) {
  Decoder.RegisterComposite(CreateEmptyComposite<TSLArray>);
  Decoder.RegisterComposite(CreateEmptyComposite<TSLBlock>);
  Decoder.RegisterComposite(CreateEmptyComposite<TSLProcedure>);
  Decoder.RegisterComposite(CreateEmptyComposite<TSLDictionary>);
  Decoder.RegisterComposite(CreateEmptyComposite<TSLStack>);
  Decoder.RegisterComposite(CreateEmptyComposite<TSLRecord>);
}

}  // namespace vt
