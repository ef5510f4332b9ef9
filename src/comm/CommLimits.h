// Limits and tunables of the drive link: frame layout, slot counts, the pauses and
// time limits of the serial and UDP ports, the IPv6 card walk. One place, so that a
// test or a port can see every number the link keeps.
#pragma once

#include <cstdint>

namespace vt {

// Serial frame: start byte, length, 8-bit sum, payload; the length is one byte.
inline constexpr std::uint8_t RsFrameStart = 0xA5;
inline constexpr int RsFrameHeaderSize = 3;
inline constexpr int MaxPayloadSize = 255;

// Slots of a port driver: one device link on a serial port, one per peer on UDP.
inline constexpr std::int32_t RsPortCount = 1;
inline constexpr std::int32_t UdpPortCount = 65535;

// Serial port defaults before the driver sets its own.
inline constexpr std::uint32_t CommPortDefaultBaud = 9600;
// The serial driver lets the line settle this long after opening, in milliseconds.
inline constexpr int RsOpenPause = 250;
// A partial frame whose next byte is this late is dropped: about 100 byte times at
// 9600 baud, far above the pauses of USB adapters (16 ms), far below the time a
// request waits for its answer. So a stray start byte costs one answer, not many.
inline constexpr std::int64_t RsFrameGap = 100;
// A write waits at most this long for room in the output queue (a stalled line).
inline constexpr int RsWriteTimeout = 2000;

// After a card change the IPv6 link sends once per card; this many sends through the
// same card give it the user's number of tries again.
inline constexpr int Ipv6SameCardSends = 6;

// Trace lines show at most this many bytes of a frame.
inline constexpr int TraceMaxBytes = 255;

// Status codes of the port side.
inline constexpr std::uint8_t StatusPortRefused = 0x80;    // slot out of range, wrong form
inline constexpr std::uint8_t StatusUdpSendFailed = 0x81;  // or the port is not open
inline constexpr std::uint8_t StatusSlotTaken = 0x82;      // slot 0 registered already
inline constexpr std::uint8_t StatusRsSendFailed = 0x8F;
inline constexpr std::uint8_t StatusNoPortDriver = 0x90;
inline constexpr std::uint8_t StatusNotOwner = 0x91;
inline constexpr std::uint8_t StatusReplaced = 0xFF;  // an existing registration replaced

}  // namespace vt
