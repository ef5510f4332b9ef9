// Visibility flags, their equations and the controller; see VisibilityFlags.h.
#include "parameters/VisibilityFlags.h"

#include <algorithm>

#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "sl/values/Arrays.h"
#include "sl/values/Scalars.h"

namespace vt {

// TBitStack

void TBitStack::Push(bool B) {
  // The last entry stays free, as it always has: a push that would fill it fails.
  if (StackPtr + 1 >= BitStackSize) throw Exception(Format("%s.Push: stack overflow", ClassName()));
  Stack[StackPtr++] = B;
}

bool TBitStack::Pop() {
  if (StackPtr <= 0) throw Exception(Format("%s.Pop: stack underflow", ClassName()));
  return Stack[--StackPtr] != 0;
}

// TVisibilityFlag

std::uint8_t TVisibilityFlag::AddCalcFlag(std::u16string_view Name) {
  TVisibilityFlag* operand = FOwner->GetFlag(Name);
  const auto it = std::find(FFlagList.begin(), FFlagList.end(), operand);
  if (it != FFlagList.end()) return static_cast<std::uint8_t>(it - FFlagList.begin());
  if (FFlagList.size() >= MaxEquationOperands)
    throw Exception(Format("%s.AddCalcFlag: equation of '%s' has more than %d operands", ClassName(),
                           FOwner->GetNameOfFlag(this), MaxEquationOperands));
  FFlagList.push_back(operand);
  return static_cast<std::uint8_t>(FFlagList.size() - 1);
}

std::uint8_t TVisibilityFlag::GetCommandToken(std::u16string_view Token) {
  if (Token.size() != 1) return AddCalcFlag(Token);
  switch (Token[0]) {
    case u'!': return TokenNot;
    case u'#': return TokenOr;
    case u'&': return TokenAnd;
    default: throw Exception(Format("undefined command token: %s", Token));
  }
}

void TVisibilityFlag::SetEquation(const TSLArray& EquArr) {
  std::string equation;
  for (int i = 0; i < EquArr.GetCount(); ++i)
    equation += static_cast<char>(GetCommandToken(CheckedCast<TSLString>(EquArr.GetObjAtIndex(i))->StringValue()));
  FEquation = std::move(equation);
}

bool TVisibilityFlag::SetupCalcOrder(std::uint8_t ACalcStep) {
  if (ACalcStep == 0) FCalcStep = CalcStepNone;
  if (FCalcStep != CalcStepNone) return true;
  if (ACalcStep == CalcStepNone) return false;
  for (const TVisibilityFlag* operand : FFlagList)
    if (operand->FCalcStep >= ACalcStep) return false;
  FCalcStep = ACalcStep;
  return true;
}

void TVisibilityFlag::Calculate(TBitStack& BitStack) {
  BitStack.Clear();
  for (const char c : FEquation) {
    const auto code = static_cast<std::uint8_t>(c);
    if (code < FFlagList.size()) {
      BitStack.Push(FFlagList[code]->FValue);
    } else if (code == TokenNot) {
      BitStack.Push(!BitStack.Pop());
    } else if (code == TokenOr || code == TokenAnd) {
      const bool a = BitStack.Pop();
      const bool b = BitStack.Pop();
      BitStack.Push(code == TokenOr ? a || b : a && b);
    } else {
      throw Exception(Format("%s.Calculate: command token error", ClassName()));
    }
  }
  if (BitStack.Count() == 0) return;
  if (BitStack.Count() > 1) throw Exception(Format("%s.Calculate: error in equation", ClassName()));
  FValue = BitStack.Pop();
}

// TVisibilityController

TVisibilityFlag* TVisibilityController::CreateFlag(std::u16string_view AName) {
  if (FlagList.contains(AName)) throw Exception("String list does not allow duplicates");
  auto& flag = FlagList[WideString(AName)];
  flag = std::make_unique<TVisibilityFlag>(this);
  return flag.get();
}

TVisibilityFlag* TVisibilityController::GetFlag(std::u16string_view AName) const {
  const auto it = FlagList.find(AName);
  if (it == FlagList.end()) throw Exception(Format("visibility flag with name '%s' not found", AName));
  return it->second.get();
}

WideString TVisibilityController::GetNameOfFlag(const TVisibilityFlag* AFlag) const {
  for (const auto& [name, flag] : FlagList)
    if (flag.get() == AFlag) return name;
  return {};
}

void TVisibilityController::LoadFlags(const TSLNamedCollection& InitDict) {
  if (!InitDict.NameExists(u"VisibilityFlags")) return;
  const TSLArray* records = CheckedCast<TSLArray>(InitDict.GetObjWithName(u"VisibilityFlags"));
  const auto record = [records](int i) { return CheckedCast<TSLNamedCollection>(records->GetObjAtIndex(i)); };
  // Every flag first, so that an equation may name flags of later records.
  for (int i = 0; i < records->GetCount(); ++i) {
    const WideString type = record(i)->GetStrWithName(u"Type");
    const WideString name = record(i)->GetStrWithName(u"Name");
    const char16_t kind = type.empty() ? u'\0' : type[0];
    if (kind == u'B' || kind == u'C') {
      CreateFlag(name);
    } else if (kind == u'I') {
      GetFlag(name);
    } else {
      throw Exception(Format("unknow visibility flag type '%s' for '%s'", type, name));
    }
  }
  for (int i = 0; i < records->GetCount(); ++i) {
    const WideString type = record(i)->GetStrWithName(u"Type");
    if (type[0] != u'C') continue;
    GetFlag(record(i)->GetStrWithName(u"Name"))
        ->SetEquation(*CheckedCast<TSLArray>(record(i)->GetObjWithName(u"Equation")));
  }
  SetupCalcOrder();
}

void TVisibilityController::SetupCalcOrder() {
  LastCalcStep = 0;
  for (;;) {
    bool refused = false;
    for (const auto& entry : FlagList)
      if (!entry.second->SetupCalcOrder(LastCalcStep)) refused = true;
    if (!refused) return;
    if (LastCalcStep == CalcStepNone) break;
    ++LastCalcStep;
  }
  throw Exception(Format("%s.SetupCalcOrder: circular references", ClassName()));
}

void TVisibilityController::PrepareCalculation() {
  for (const auto& entry : FlagList) entry.second->SetValue(false);
}

void TVisibilityController::CreateSnapshot() {
  for (const auto& entry : FlagList) entry.second->CreateSnapshot();
}

void TVisibilityController::ExecuteCalculation() {
  for (int step = 0; step <= LastCalcStep; ++step)
    for (const auto& entry : FlagList)
      if (entry.second->CalcStep() == step) entry.second->Calculate(BitStack);
}

bool TVisibilityController::CompareSnapshot() const {
  return std::all_of(FlagList.begin(), FlagList.end(),
                     [](const auto& entry) { return entry.second->CompareSnapshot(); });
}

}  // namespace vt
