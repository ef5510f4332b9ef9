// The entry functions of the fuzz targets: each takes one input, must neither crash nor
// leak on any bytes, and throws std::logic_error where it finds a fault. libFuzzer calls
// them through libfuzzer/main.cpp; the replay test runs the committed seeds through them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vt {

// SL text: decoded as a whole text; a value that reads must write and read again.
int FuzzSLText(const std::uint8_t* Data, std::size_t Size);
// Serial frames: the assembler, read in pieces with pauses, against the frame rules.
int FuzzSerialFrames(const std::uint8_t* Data, std::size_t Size);
// An archive file: opened, every entry read, written back and read again.
int FuzzArchive(const std::uint8_t* Data, std::size_t Size);
// An enciphered SL text file (plain bytes are enciphered first): read, written back
// enciphered and read again.
int FuzzEncipheredFile(const std::uint8_t* Data, std::size_t Size);
// A drive's answer frame decoded by one telegram pattern or as the login answer.
int FuzzTelegramAnswers(const std::uint8_t* Data, std::size_t Size);
// A drive's info node decoded in one of its layouts.
int FuzzInfoNode(const std::uint8_t* Data, std::size_t Size);
// A parameter-tree description (SL text) loaded into a device's parameter service.
int FuzzParameterTree(const std::uint8_t* Data, std::size_t Size);

}  // namespace vt
