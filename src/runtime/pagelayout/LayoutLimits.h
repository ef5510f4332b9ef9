// Limits of the page-layout library: how far a scale fraction may be refined, how long a
// word may be, how many points a graph gathers at a time, how many divisions an axis may draw.
#pragma once

namespace vt {

// Scales are fractions Num/Den with a power-of-two Den; refining stops at this Den, so
// that every product of a coordinate and Num or Den stays well inside 64 bits.
inline constexpr long long PLMaxScaleDenominator = 1LL << 30;
// The relative error a scale fraction may have.
inline constexpr double PLScaleTolerance = 0.001;
// AddText keeps at most this many characters of one word and drops the rest.
inline constexpr int PLMaxWordLength = 255;
// A graph gathers this many points from its callbacks before it maps and merges them: a
// batch small enough to stay in the first-level cache.
inline constexpr int PLGraphBatchSize = 256;
// An axis whose settings would give more divisions than this is an error rather than
// a drawing that never ends.
inline constexpr int PLMaxAxisDivisions = 10000;

}  // namespace vt
