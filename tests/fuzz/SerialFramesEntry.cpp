// The serial frame assembler under arbitrary bytes, read in arbitrary pieces with
// arbitrary pauses. The first byte chooses the check: even, the rest is a list of
// payloads that are framed and must come out exactly; odd, the rest is raw line input
// whose frames must be those of a byte-by-byte reading of the frame rules.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzEntries.h"
#include "comm/CommLimits.h"
#include "comm/SerialFrames.h"

namespace vt {

namespace {

struct TPiece {
  std::string Bytes;
  std::int64_t At;
};

// Pieces: a control byte (bit 7: a pause longer than the gap before it; bits 0-6: the
// length) and that many bytes.
std::vector<TPiece> Pieces(std::string_view Line, std::string_view Control) {
  std::vector<TPiece> pieces;
  std::int64_t now = 0;
  std::size_t c = 0;
  while (!Line.empty()) {
    const auto control = c < Control.size() ? static_cast<std::uint8_t>(Control[c++]) : 0x7F;
    if (control & 0x80) now += RsFrameGap + 1;
    const std::size_t n = std::min<std::size_t>(Line.size(), (control & 0x7F) + 1);
    pieces.push_back({std::string(Line.substr(0, n)), now});
    Line.remove_prefix(n);
    now += 1;
  }
  return pieces;
}

// What the assembler delivers, reading no more than it asks for at a time.
std::vector<std::string> Assemble(const std::vector<TPiece>& Pieces) {
  std::vector<std::string> frames;
  TRsFrameAssembler a;
  a.OnFrame = [&](const std::string& P) {
    if (P.size() > MaxPayloadSize) throw std::logic_error("payload longer than a length byte");
    frames.push_back(P);
  };
  for (const TPiece& p : Pieces)
    for (std::string_view rest = p.Bytes; !rest.empty();) {
      const std::size_t n = std::min<std::size_t>(rest.size(), a.NextSize());
      if (n == 0) throw std::logic_error("next size 0");
      a.Receive(rest.substr(0, n), p.At);
      rest.remove_prefix(n);
    }
  return frames;
}

// The frame rules, one byte at a time.
std::vector<std::string> Reference(const std::vector<TPiece>& Pieces) {
  std::vector<std::string> frames;
  enum { Seek, Length, Sum, Body } state = Seek;
  std::size_t length = 0;
  std::uint8_t sum = 0;
  std::string payload;
  std::int64_t last = 0;
  const auto complete = [&] {
    if (Checksum(payload) == sum) frames.push_back(payload);
    state = Seek;
  };
  for (const TPiece& p : Pieces) {
    if (state != Seek && p.At - last > RsFrameGap) state = Seek;
    last = p.At;
    for (unsigned char b : p.Bytes) {
      switch (state) {
        case Seek:
          if (b == RsFrameStart) state = Length;
          break;
        case Length:
          length = b;
          state = Sum;
          break;
        case Sum:
          sum = b;
          payload.clear();
          state = Body;
          if (length == 0) complete();
          break;
        case Body:
          payload += static_cast<char>(b);
          if (payload.size() == length) complete();
          break;
      }
    }
  }
  return frames;
}

}  // namespace

int FuzzSerialFrames(const std::uint8_t* Data, std::size_t Size) {
  if (Size < 2) return 0;
  const std::string_view input(reinterpret_cast<const char*>(Data) + 1, Size - 1);
  // The controls come from the back of the input, the line from the front.
  const std::string_view control = input.substr(input.size() / 2);
  std::string_view body = input.substr(0, input.size() / 2);
  if (Data[0] % 2 == 0) {
    std::vector<std::string> payloads;
    std::string line;
    while (!body.empty()) {
      const std::size_t n = std::min<std::size_t>(body.size() - 1, static_cast<std::uint8_t>(body[0]));
      payloads.emplace_back(body.substr(1, n));
      line += RsFrame(payloads.back());
      body.remove_prefix(n + 1);
    }
    // Whole frames only, so no pause may cut one: the pause bits are cleared.
    std::string steady(control);
    for (char& c : steady) c = static_cast<char>(c & 0x7F);
    if (Assemble(Pieces(line, steady)) != payloads) throw std::logic_error("framed payloads not delivered exactly");
  } else {
    const auto pieces = Pieces(body, control);
    if (Assemble(pieces) != Reference(pieces)) throw std::logic_error("frames differ from a byte-wise reading");
  }
  return 0;
}

}  // namespace vt
