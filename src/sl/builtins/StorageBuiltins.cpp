// Storage, checksum, cipher and release-check built-ins; see StorageBuiltins.h.
#include "sl/builtins/StorageBuiltins.h"

#include "platform/Cipher.h"
#include "platform/Dialogs.h"
#include "platform/Format.h"
#include "platform/NumberText.h"
#include "platform/PathResolver.h"
#include "sl/interpreter/ScriptTask.h"
#include "sl/storage/StorageNames.h"
#include "sl/text/FileStreams.h"
#include "sl/values/Arrays.h"
#include "sl/values/Dictionary.h"

namespace vt {

namespace {

// The constants of one unscrambling of ".HX3" package words (the step of Cipher.h).
struct TUnscrambling {
  std::uint32_t Mask;
  std::uint32_t Multiplier;
  int RotateLow;
  int RotateHigh;
};
// Kinds 5, 6, 8 and 9 use the first set, kind 7 the second.
constexpr TUnscrambling kUnscrambling[] = {{0x5A3C, 0x9E37, 3, 5}, {0xC3A5, 0x7F4B, 6, 2}};

const TUnscrambling* UnscramblingOfKind(std::uint32_t Kind) {
  switch (Kind) {
    case 5: case 6: case 8: case 9: return &kUnscrambling[0];
    case 7: return &kUnscrambling[1];
    default: return nullptr;
  }
}

std::uint32_t Unscramble(std::uint32_t Word, std::uint32_t Address, const TUnscrambling& Set) {
  auto half = [&](std::uint32_t W, std::uint32_t A) {
    return std::uint32_t{Decrypt(static_cast<std::uint16_t>(W), A, Set.Mask, Set.Multiplier, Set.RotateLow, Set.RotateHigh)};
  };
  return half(Word >> 16, Address + 2) << 16 | half(Word & 0xFFFF, Address);
}

// The program's counter block with the byte and the word written into bytes 6 to 11
// as six upper-case hexadecimal digits.
TAESCounter CounterOf(TSLStack* Ops) {
  const auto byte = static_cast<std::uint8_t>(LongintOperand(Ops, 0));
  const auto word = static_cast<std::uint16_t>(LongintOperand(Ops, 1));
  const std::string digits = Format("%.2x%.4x", byte, word);
  TAESCounter counter = StringCipherCounter();
  for (std::size_t i = 0; i < digits.size(); ++i) counter[6 + i] = static_cast<std::uint8_t>(digits[i]);
  return counter;
}

// Text from Pos on, at most Count characters; empty when Pos lies beyond the end.
AnsiString Part(const AnsiString& Text, std::size_t Pos, std::size_t Count = AnsiString::npos) {
  return Pos > Text.size() ? AnsiString() : Text.substr(Pos, Count);
}

TProductInfoSource& ProductInfoSource() {
  static TProductInfoSource source;
  return source;
}

}  // namespace

TSLStorageObject* OpenStorageObject(TSLContext* Context, const AnsiString& Name, TStreamAccess Access) {
  TSLContextImplementation* context = Implementation(Context);
  TSLStorageObject* object = TheStorageManager().GetObject(Name, Access, context->FDebug);
  std::uint16_t id = 0;
  if (context->FDebug && context->FScriptTask && StorageIDManager().NameExist(object->GetName(), id))
    if (TScriptDebuggerInterface* debugger = context->FScriptTask->GetScriptDebugger())
      debugger->AddScript(Name, id);
  return object;
}

std::uint32_t ReadPackageWord(TSLObject* Package, std::uint32_t Address) {
  auto* blocks = CheckedCast<TSLCollection>(CheckedCast<TSLDictionary>(Package)->GetObjWithName(u"BlockArray"));
  for (int i = 0; i < blocks->GetCount(); ++i) {
    auto* block = CheckedCast<TSLDictionary>(blocks->GetObjAtIndex(i));
    const std::int64_t offset = block->GetIntWithName(u"BlockOffset");
    if (Address < offset || Address >= offset + block->GetIntWithName(u"BlockSize")) continue;
    auto* strings = CheckedCast<TSLCollection>(block->GetObjWithName(u"BlockDataArray"));
    std::uint32_t word = 0;
    int taken = 0;
    std::int64_t start = offset;  // the address of the current string's first byte
    for (int s = 0; s < strings->GetCount() && taken < 4; ++s) {
      const AnsiString digits = strings->GetStrAtIndex(s);
      const std::int64_t pairs = static_cast<std::int64_t>(digits.size() / 2);
      for (std::int64_t p = taken == 0 ? Address - start : 0; p >= 0 && p < pairs && taken < 4; ++p) {
        const int high = HexDigitValue(digits[2 * p]), low = HexDigitValue(digits[2 * p + 1]);
        if (high < 0 || low < 0) throw Exception("bad hexadecimal digits in BlockDataArray");
        word |= static_cast<std::uint32_t>(high << 4 | low) << (8 * taken++);
      }
      start += pairs;
    }
    if (taken < 4) throw Exception("the block's data does not hold the word");
    return word;
  }
  throw Exception("no block holds the address");
}

void SetProductInfoSource(TProductInfoSource Source) { ProductInfoSource() = std::move(Source); }

AnsiString GetProductInfoStr(const AnsiString& Name) {
  return ProductInfoSource() ? ProductInfoSource()(Name) : AnsiString();
}

bool MayInstallRelease(const AnsiString& Release) {
  // A part that is missing or no number ends the check with the answer as it stands.
  const std::size_t dot = Release.find('.');
  if (dot != AnsiString::npos) {
    const auto major = TryStrToInt64(Release.substr(0, dot));
    const std::size_t b = Release.find('B');
    if (!major || b == AnsiString::npos || b < dot + 2) return true;
    const auto minor = TryStrToInt64(Release.substr(dot + 1, b - 1 - (dot + 1)));
    const auto build = TryStrToInt64(Part(Release, b + 6, 8));
    const AnsiString name = GetProductInfoStr("ProgramName");
    const AnsiString caption = GetProductInfoStr("ProgramVersionCaption");
    const std::size_t k = name.find('k'), nameDot = name.find('.'), blank = caption.find(' ');
    if (!minor || !build || k == AnsiString::npos || nameDot == AnsiString::npos || nameDot < k + 2 ||
        blank == AnsiString::npos)
      return true;
    const auto ownMajor = TryStrToInt64(name.substr(k + 2, nameDot - (k + 2)));
    const auto ownMinor = TryStrToInt64(name.substr(nameDot + 1));
    const auto ownBuild = TryStrToInt64(Part(caption, blank + 1, 8));
    if (!ownMajor || !ownMinor || !ownBuild) return true;
    return *build <= *ownBuild && (*major < *ownMajor || (*major == *ownMajor && *minor <= *ownMinor));
  }
  if (Release.compare(0, 3, "ROS") != 0 || Release.size() < 8) return true;
  auto word = [&](std::size_t Pos) {
    return static_cast<unsigned>(static_cast<std::uint8_t>(Release[Pos])) |
           static_cast<unsigned>(static_cast<std::uint8_t>(Release[Pos + 1])) << 8;
  };
  const unsigned rosMajor = word(6), rosMinor = word(4);
  if (rosMajor <= 1) return true;
  ShowMessage(AnsiToWide(Format("ROS with version %u.%u is running Vorlix-Talk does not support this version", rosMajor,
                                rosMinor)));
  return false;
}

void TSLLoadObjProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const AnsiString name = TextOperand(ops, 0);
  Drop(ops, 1);
  ops->Push(OpenStorageObject(Context, name, saRead)->GetData());
}

void TSLSaveObjProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  TSLObject* data = ops->GetObjAtIndex(0);  // any value, nil too
  const AnsiString name = TextOperand(ops, 1);
  TRef<TSLStorageObject> object(TheStorageManager().CreateObject(name));
  object->SetData(data);
  object->Write();
  Drop(ops, 2);
}

void TSLLoadStoObjProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const AnsiString accessText = TextOperand(ops, 0);
  const AnsiString name = TextOperand(ops, 1);
  Drop(ops, 2);
  ops->Push(OpenStorageObject(Context, name, ConvertAccessString(accessText)));
}

void TSLCRCFromFileProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const auto kind = static_cast<std::uint32_t>(LongintOperand(ops, 0));
  const auto address = static_cast<std::uint32_t>(LongintOperand(ops, 1));
  const AnsiString name = TextOperand(ops, 2);
  auto push = [&](std::uint32_t Value, int Status) {
    PushNew<TSLLongint>(ops, Value);
    PushNew<TSLLongint>(ops, Status);
  };
  if (!IsStorageFile(name)) return push(0, 1);
  const bool hx3 = UpperCaseAnsi(ExtractFileNamePart(name, fnpExt)) == ".HX3";
  std::uint32_t word = 0;
  try {
    TSLStorageObject* package = OpenStorageObject(Context, name, saRead);
    word = ReadPackageWord(package->GetData(), address);
  } catch (const std::exception&) {
    return push(0, 255);
  }
  if (!hx3) return push(word, 0);
  const TUnscrambling* set = UnscramblingOfKind(kind);
  if (!set) return push(word, 2);
  push(Unscramble(word, address, *set), 0);
}

void TSLEncrStrProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const TAESCounter counter = CounterOf(ops);
  const WideString text = OperandAt<TSLString>(ops, 2)->StringValue();
  Drop(ops, 3);
  auto bytes = MakeRef<TSLArray>();
  for (char b : EncryptAES256CTR(text, StringCipherKey(), counter))
    bytes->AddObject(MakeRef<TSLLongint>(static_cast<std::uint8_t>(b)).get());
  ops->Push(bytes.get());
}

void TSLDecrStrProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const TAESCounter counter = CounterOf(ops);
  auto* bytes = OperandAt<TSLArray>(ops, 2);
  std::string cipher;
  for (int i = 0; i < bytes->GetCount(); ++i)
    cipher += static_cast<char>(CheckedCast<TSLLongint>(bytes->GetObjAtIndex(i))->GetLongintValue() & 0xFF);
  Drop(ops, 3);
  PushNew<TSLString>(ops, DecryptAES256CTR(cipher, StringCipherKey(), counter));
}

void TSLInstRelProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const AnsiString release = TextOperand(ops, 0);
  Drop(ops, 1);
  PushNew<TSLBoolean>(ops, MayInstallRelease(release));
}

}  // namespace vt
