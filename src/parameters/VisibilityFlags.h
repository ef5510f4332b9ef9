// Visibility flags: named truth values that decide which parameters a tree shows. Basic
// flags are set by boolean parameters; computed flags follow from other flags by a
// postfix equation over "!" (not), "#" (or) and "&" (and), loaded from the
// "VisibilityFlags" of a tree description, coded to bytes and evaluated in steps so that
// every flag comes after its operands. One controller per parameter or variable service;
// everything runs on that service's task, without locks.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "parameters/ParameterLimits.h"
#include "platform/TextConversion.h"

namespace vt {

class TSLArray;
class TSLNamedCollection;
class TVisibilityController;

// The stack an equation is evaluated on; BitStackSize - 1 entries are usable.
class TBitStack {
 public:
  const char* ClassName() const { return "TBitStack"; }
  void Clear() { StackPtr = 0; }
  // Raises "TBitStack.Push: stack overflow" when the stack is full.
  void Push(bool B);
  // Raises "TBitStack.Pop: stack underflow" when the stack is empty.
  bool Pop();
  std::int32_t Count() const { return StackPtr; }

 private:
  std::uint8_t Stack[BitStackSize] = {};
  std::int32_t StackPtr = 0;
};

class TVisibilityFlag {
 public:
  // Equation codes: operand indices below MaxEquationOperands, then the operators.
  static constexpr std::uint8_t TokenNot = MaxEquationOperands;
  static constexpr std::uint8_t TokenOr = MaxEquationOperands + 1;
  static constexpr std::uint8_t TokenAnd = MaxEquationOperands + 2;

  explicit TVisibilityFlag(TVisibilityController* AOwner) : FOwner(AOwner) {}
  const char* ClassName() const { return "TVisibilityFlag"; }

  TVisibilityController* Owner() const { return FOwner; }
  bool Value() const { return FValue; }
  void SetValue(bool AValue) { FValue = AValue; }
  std::uint8_t CalcStep() const { return FCalcStep; }

  // The code of an operand flag (raises when the owner has no flag of that name); an
  // operand used again keeps its code. More than MaxEquationOperands distinct operands
  // are refused.
  std::uint8_t AddCalcFlag(std::u16string_view Name);
  // The code of one token: "!", "#", "&", or an operand name of two characters or more.
  // Raises "undefined command token: <token>" for any other single character.
  std::uint8_t GetCommandToken(std::u16string_view Token);
  // Codes the equation, an array of token texts.
  void SetEquation(const TSLArray& EquArr);
  // Offered step ACalcStep; true when the flag has a step. Step 0 first forgets the old
  // one. A flag takes the step offered once every operand has a lower one.
  bool SetupCalcOrder(std::uint8_t ACalcStep);
  // Evaluates the equation into the value; an empty equation (a basic flag) leaves it.
  void Calculate(TBitStack& BitStack);
  void CreateSnapshot() { FSnapshotValue = FValue; }
  bool CompareSnapshot() const { return FSnapshotValue == FValue; }

 private:
  TVisibilityController* FOwner;
  bool FValue = false;
  bool FSnapshotValue = false;
  std::vector<TVisibilityFlag*> FFlagList;  // the operands in order of first use; not owned
  std::string FEquation;                    // one code per token
  std::uint8_t FCalcStep = CalcStepNone;
};

class TVisibilityController {
 public:
  TVisibilityController() = default;
  TVisibilityController(const TVisibilityController&) = delete;
  TVisibilityController& operator=(const TVisibilityController&) = delete;
  const char* ClassName() const { return "TVisibilityController"; }

  // A new flag of that name; a name already present in any letter case raises
  // "String list does not allow duplicates".
  TVisibilityFlag* CreateFlag(std::u16string_view AName);
  // Raises "visibility flag with name '<AName>' not found" when there is none.
  TVisibilityFlag* GetFlag(std::u16string_view AName) const;
  // The name the flag is registered under, empty when it is not one of ours.
  WideString GetNameOfFlag(const TVisibilityFlag* AFlag) const;
  int GetCount() const { return static_cast<int>(FlagList.size()); }
  std::uint8_t GetLastCalcStep() const { return LastCalcStep; }

  // Reads the "VisibilityFlags" array of a tree description (nothing without the key):
  // creates its flags ("B" basic, "C" computed, "I" one that must exist already; only
  // the type's first character counts), codes the equations, then orders every flag.
  // A failure leaves the flags created so far.
  void LoadFlags(const TSLNamedCollection& InitDict);
  // Gives every flag its evaluation step; a flag that depends on itself raises
  // "TVisibilityController.SetupCalcOrder: circular references".
  void SetupCalcOrder();
  // Every flag false.
  void PrepareCalculation();
  void CreateSnapshot();
  // Evaluates the flags step by step, in name order within a step.
  void ExecuteCalculation();
  // True when no flag changed since the snapshot.
  bool CompareSnapshot() const;

 private:
  std::map<WideString, std::unique_ptr<TVisibilityFlag>, TWideTextLess> FlagList;  // in name order
  TBitStack BitStack;
  std::uint8_t LastCalcStep = 0;
};

}  // namespace vt
