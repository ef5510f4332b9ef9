// The program-wide unit manager: base units (such as "Time", in seconds) with the display
// units they are shown in (such as "ms"), read once at start-up from the units file. The
// oscilloscope and curve windows take their time units from it.
#pragma once

#include <map>
#include <string_view>
#include <vector>

#include "platform/TextConversion.h"

namespace vt {

class TSLNamedCollection;

class TDisplayUnit {
 public:
  // Reads "Name", "Offset", "Scale" (reals) and "UnitSystem".
  explicit TDisplayUnit(const TSLNamedCollection& Record);
  const char* ClassName() const { return "TDisplayUnit"; }

  // A value in this unit to the base unit: value × scale + offset.
  double SelfToBase(double Value) const { return Value * FScale + FOffset; }
  // A value in the base unit to this unit: (value − offset) ÷ scale; a unit of scale 0
  // raises EConvertError.
  double BaseToSelf(double Value) const;

  const WideString& Name() const { return FName; }
  double Offset() const { return FOffset; }
  double Scale() const { return FScale; }
  // The unit system's name as the file writes it; kept, not interpreted.
  const WideString& UnitSystem() const { return FUnitSystem; }

 private:
  WideString FName;
  double FOffset;
  double FScale;
  WideString FUnitSystem;
};

class TBaseUnit {
 public:
  // Reads "Name", "Caption" and every element of "DisplayUnits", in file order.
  explicit TBaseUnit(const TSLNamedCollection& Record);
  const char* ClassName() const { return "TBaseUnit"; }

  int GetCount() const { return static_cast<int>(FDisplayUnits.size()); }
  // Raises "List index out of bounds (<Index>)" outside 0 … GetCount() − 1.
  const TDisplayUnit& GetUnitAtIndex(int Index) const;
  // The first display unit of that name in any letter case; nil when none.
  const TDisplayUnit* GetUnitWithName(std::u16string_view Name) const;
  const WideString& Name() const { return FName; }
  const WideString& Caption() const { return FCaption; }

 private:
  WideString FName;
  WideString FCaption;
  std::vector<TDisplayUnit> FDisplayUnits;
};

class TUnitManager {
 public:
  const char* ClassName() const { return "TUnitManager"; }

  // Reads the base units of the units file through the storage manager
  // ("archive://Archives\UnitService\Units.stx"). A base unit whose name (in any letter
  // case) is already known is skipped. Any failure is shown in a message box and ends
  // the loading; the base units read before it stay.
  void Initialize(const AnsiString& FileName);
  int GetNumberOfBaseUnits() const { return static_cast<int>(FBaseUnitsList.size()); }
  // Nil when there is no base unit of that name in any letter case.
  const TBaseUnit* GetBaseUnitWithName(std::u16string_view Name) const;

 private:
  void LoadBaseUnits(const AnsiString& FileName);

  std::map<WideString, TBaseUnit, TWideTextLess> FBaseUnitsList;
};

}  // namespace vt
