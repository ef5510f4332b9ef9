// Sizes and limits of our own controls, in pixels at a scaling factor of 1: the fields of
// the IPv4 address edit and the toggle switch. One place, so that a window laying them
// out and a test can see every number the controls keep.
#pragma once

namespace vt {

// IPv4 address edit: four fields of at most three digits, each 0 to 255.
inline constexpr int IP4FieldCount = 4;
inline constexpr int IP4FieldDigits = 3;
inline constexpr int IP4FieldMax = 255;
// Field i sits at i x pitch + 1 from the panel's left, its dot right behind it.
inline constexpr int IP4FieldWidth = 25;
inline constexpr int IP4FieldPitch = 30;
inline constexpr int IP4SeparatorWidth = 5;
// What a frameless line edit keeps beside its text: its margins and the caret.
inline constexpr int IP4FieldTextMargins = 6;
// Fields and dots sit this far below the panel's top edge (and keep as much room below).
inline constexpr int IPEditFieldTop = 2;
// The IPv6 edit's panel before its owner sizes it.
inline constexpr int IP6EditInitialWidth = 15;

// Toggle switch: the track's size; the thumb is a disc inside it; room around the track
// for the focus frame.
inline constexpr int ToggleSwitchWidth = 40;
inline constexpr int ToggleSwitchHeight = 20;
inline constexpr int ToggleThumbMargin = 4;
inline constexpr int ToggleFocusMargin = 3;

}  // namespace vt
