// Limits of the parameter model: the coding of visibility equations, the bit stack that
// evaluates them, the rounds of a visibility update, the range of the display rounding's
// decimals and the parameter list's columns. One place, so that a test or a description
// file's author can see every number the model keeps.
#pragma once

#include <cstdint>

namespace vt {

// An equation is coded one byte per token: operand indices below this, the operators
// from it on, so an equation names at most this many distinct operand flags.
inline constexpr int MaxEquationOperands = 240;

// Entries of the bit stack; the last one is never used, so an equation may hold at most
// BitStackSize - 1 values at once.
inline constexpr int BitStackSize = 32;

// The evaluation step of a flag not yet ordered. Steps run from 0 up to one below it, so
// a chain of computed flags may be at most 254 flags deep.
inline constexpr std::uint8_t CalcStepNone = 255;

// Decimals the display rounding keeps: the view's menu steps them from 0 to 10, and any
// other number from a settings file is taken as the nearer end.
inline constexpr std::int32_t MinBeautifulViewZeros = 0;
inline constexpr std::int32_t MaxBeautifulViewZeros = 10;

// Columns of the parameter list, and the width each has until the settings give one.
inline constexpr int ParameterColumns = 12;
inline constexpr std::int32_t DefaultColumnWidth = 50;

// Rounds of one visibility update: each round lets boolean parameters switch flags on and
// the computed flags follow; a tree whose flags still change after this many feeds back
// on itself.
inline constexpr int MaxVisibilityRounds = 20;

}  // namespace vt

// Device UPIDs from this one on name folders and other nodes without a drive address:
// the work list passes them over.
inline constexpr std::int32_t FirstAddresslessUPID = 0xFFFF;

// Answers of one parameter that may fail in a row while the device logs in: the next
// failure stops the login.
inline constexpr int MaxLoginReadRepeats = 2;

// Login window progress: one " ." per this many parameters of a tree.
inline constexpr int LoginProgressStep = 16;

// Changed-parameter polls that may pass without the previous one's answer before the
// poll is sent anew.
inline constexpr int MaxMissedPolls = 5;
