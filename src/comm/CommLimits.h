// Limits and tunables of the drive link: frame layout, slot counts, the pauses and
// time limits of the serial and UDP ports, the IPv6 card walk, the talk server's
// executors and answer time-outs, the talk client's patterns and actors. One place, so
// that a test or a port can see every number the link keeps.
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

// The talk server: request executors, so that up to this many requests for different
// drives are in flight at once.
inline constexpr int ServerActorCount = 20;
// Answer time-outs in milliseconds until the shell sets its own: a login request, every
// other request, a busy answer that names no time.
inline constexpr std::int32_t DefaultLoginTimeout = 250;
inline constexpr std::int32_t DefaultShortTimeout = 2000;
inline constexpr std::int32_t DefaultExtendedTimeout = 25000;
// The system's list of network cards is read again after this many milliseconds: asking
// it costs about 0.1 ms, which every request entry would pay on the talk thread.
inline constexpr std::int64_t CardListRefresh = 1000;
// While the program ends an executor looks this often (ms) whether it may stop idling.
inline constexpr std::int64_t ExitIdleSleep = 100;

// The talk client: pattern ids are 8 bits and 0 ends a request, so ids run 1 to 255.
inline constexpr int MaxTalkPatterns = 255;
// A talk actor's record buffer grows in steps of this many bytes and shrinks back to
// one step when cleared; a record is at most 65535 bytes (a 16-bit size).
inline constexpr int ActorBufferStep = 4096;
inline constexpr int MaxActorRecordSize = 65535;

// The user's cap on a drive's buffer size: a frame holds at least command and status,
// and its length is one byte.
inline constexpr int MinManualBufferSize = 2;
inline constexpr int MaxManualBufferSize = 255;

// The drives' defaults: the serial rate of a new serial port and the UDP port.
inline constexpr std::uint32_t DriveDefaultBaud = 38400;
inline constexpr int DriveDefaultUdpPort = 20000;

// The login dialog's baud-rate tool: it talks to the drive at this rate whatever the
// drive's rate for the link; its receive buffer; how long OK waits for the drive to
// answer a set request and switch (ms); how long closing its port serves events before
// the port may be opened again (ms); how long a port change keeps the port list
// disabled unless the answer comes earlier (ms).
inline constexpr std::uint32_t BaudToolLineRate = DriveDefaultBaud;
inline constexpr int BaudToolRxBufferSize = 1024;
inline constexpr int BaudToolSetPause = 1000;
inline constexpr int BaudToolClosePause = 500;
inline constexpr int BaudToolPortTimer = 2000;

// Drive answers: command byte, status byte, data.
inline constexpr std::uint8_t LoginCommand = 0x01;
inline constexpr std::uint8_t DriveStatusBusy = 0x01;             // the next byte: seconds to wait
inline constexpr std::uint8_t DriveStatusChecksumError = 0xEE;    // the drive saw a wrong sum
inline constexpr std::uint8_t DriveStatusErrorWithData = 0xA4;    // an error whose frame is passed on
inline constexpr std::uint8_t DriveStatusAnotherInstance = 0xB3;  // login: another program is logged in
inline constexpr std::uint8_t DriveStatusUnknownParameter = 0xC0;  // no parameter with that number
// From this status on a reply entry carries no frame (but 0xA4 does).
inline constexpr std::uint8_t StatusErrorFrom = 0x80;

// Status codes of the port side.
inline constexpr std::uint8_t StatusPortRefused = 0x80;    // slot out of range, wrong form
inline constexpr std::uint8_t StatusUdpSendFailed = 0x81;  // or the port is not open
inline constexpr std::uint8_t StatusSlotTaken = 0x82;      // slot 0 registered already
inline constexpr std::uint8_t StatusRsSendFailed = 0x8F;
inline constexpr std::uint8_t StatusNoPortDriver = 0x90;
inline constexpr std::uint8_t StatusNotOwner = 0x91;
inline constexpr std::uint8_t StatusReplaced = 0xFF;  // an existing registration replaced
// Status codes of the talk server.
inline constexpr std::uint8_t StatusNoLink = 0xB0;          // no open link with that handle
inline constexpr std::uint8_t StatusNoAnswer = 0xB2;        // no answer after all tries
inline constexpr std::uint8_t StatusExecutorNoLink = 0xBF;  // internal; also an answer that could not be decoded

}  // namespace vt
