// The six unit systems in which values are shown and entered, their short idents and
// display names, and the look-up of a system by display name (scripts name systems so).
#pragma once

#include <cstdint>
#include <string_view>

namespace vt {

// Stored in one byte; a value above usRotUmin may reach the conversions through a
// script and is then treated as a system without unit data.
enum TUnitSystem : std::uint8_t { usSI, usMetric, usEnglish, usImperial, usRotDegree, usRotUmin };

inline constexpr int UnitSystemCount = 6;
inline constexpr const char* UnitSystemIdent[UnitSystemCount] = {"SI", "ME", "EN", "IM", "DEG", "UMIN"};
inline constexpr const char* UnitSystemStr[UnitSystemCount] = {"SI",       "Metric",          "English",
                                                               "Imperial", "Rotative Degree", "Rotative Umin"};

// The system whose display name is exactly Name (case counts); raises
// "StrToUnitSystem: unit system with ID '<Name>' not found" for any other text.
TUnitSystem StrToUnitSystem(std::string_view Name);

}  // namespace vt
