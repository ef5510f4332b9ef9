// The names of our drive family that the search for parameter-tree description files
// knows: tree names are "<base>_<series>_V<major>S<minor>_<beta>" (the description file
// adds ".IN2"). Older firmware named some trees' bases with the drive-series number and
// its series differently; these tables map such names onto today's.
#pragma once

namespace vt {

struct TTreeRename {
  const char16_t* OldBaseName;
  const char16_t* NewBaseName;
};

// Two application trees and the Ethernet interface tree lost the series number "2". The
// release catalogue names a motion-control tree by the rotary-unit revision it supports
// ("S" and the revision after the base); revision 1's tree is today's.
inline constexpr TTreeRename TreeRenames[] = {
    {u"VX2APSERVO", u"VXAPSERVO"},
    {u"VX2APMOTION", u"VXAPMOTION"},
    {u"VX2IFETH", u"VXIFETH"},
    {u"VXMCS1", u"VXMC"},
};

// A tree name without a series belongs to the standard series.
inline constexpr char16_t DefaultSeries[] = u"VX2";
// The customer variants of a series carry this marker; their trees are shared under the
// one-letter prefix: "VX2OEM07" is "O07".
inline constexpr char16_t CustomerSeriesMarker[] = u"OEM";
inline constexpr char16_t CustomerSeriesPrefix[] = u"O";
// Variants of the first series ("VX1C") use the trees of its successor ("VX2C").
inline constexpr char16_t OlderSeries[] = u"VX1";
inline constexpr char16_t NewerSeriesPrefix[] = u"VX2";

}  // namespace vt
