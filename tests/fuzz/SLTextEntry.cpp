// The SL text decoder under arbitrary bytes, and the encoder on whatever it accepts.
#include <stdexcept>

#include "FuzzEntries.h"
#include "FuzzSupport.h"
#include "sl/text/Decoder.h"
#include "sl/text/Encoder.h"
#include "sl/text/StringStream.h"

namespace vt {

namespace {

TRef<TSLStreamDecoder> MakeDecoder() {
  auto decoder = MakeRef<TSLStreamDecoder>();
  AddStandardScanners(*decoder);
  RegisterStandardComposites(*decoder);
  return decoder;
}

TSLObject* Decode(TSLStreamDecoder& Decoder, std::string Text, bool Debug) {
  auto stream = MakeRef<TSLStringStream>();
  stream->SetBuffer(std::move(Text));
  return Decoder.ReadSingleObject(MakeRef<TSLLookaheadStream>(stream.get()).get(), Debug);
}

std::string Encode(TSLObject* Obj) {
  auto stream = MakeRef<TSLStringStream>();
  MakeRef<TSLStreamEncoder>()->WriteObject(stream.get(), Obj);
  return stream->Buffer();
}

}  // namespace

int FuzzSLText(const std::uint8_t* Data, std::size_t Size) {
  TFuzzValues values;
  auto decoder = MakeDecoder();
  TSLObject* value = nullptr;
  try {
    value = values.Keep(Decode(*decoder, std::string(reinterpret_cast<const char*>(Data), Size), Size % 2 == 1));
  } catch (const Exception&) {
    return 0;  // bad text: an error is the right answer
  }
  const std::string text = Encode(value);
  try {
    Encode(values.Keep(Decode(*decoder, text, false)));
  } catch (const Exception& e) {
    throw std::logic_error("written text does not read again: " + std::string(e.what()) + "\n" + text);
  }
  return 0;
}

}  // namespace vt
