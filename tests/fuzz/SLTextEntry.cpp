// The SL text decoder under arbitrary bytes, and the encoder on whatever it accepts.
#include <stdexcept>
#include <unordered_set>

#include "FuzzEntries.h"
#include "sl/text/Decoder.h"
#include "sl/text/Encoder.h"
#include "sl/text/StringStream.h"
#include "sl/values/Arrays.h"
#include "sl/values/Record.h"
#include "sl/values/Stack.h"

namespace vt {

namespace {

// Every composite the decoder creates, while it lives. A text may tie composites into
// cycles, which reference counting never frees; they are cut after each input.
std::unordered_set<TSLComposite*>& Live() {
  static std::unordered_set<TSLComposite*> live;
  return live;
}

template <class T>
class TTracked final : public T {
 public:
  explicit TTracked(bool AutoRelease) : T(AutoRelease) { Live().insert(this); }

 protected:
  ~TTracked() override { Live().erase(this); }
};

void CutCycles() {
  std::vector<TRef<TSLComposite>> live(Live().begin(), Live().end());
  for (auto& c : live) {
    // Records hold their fields in a tracked array and their definition in a tracked
    // dictionary, so emptying arrays and dictionaries cuts every cycle.
    if (auto* a = dynamic_cast<TSLArray*>(c.get())) a->Clear();
    if (auto* d = dynamic_cast<TSLDictionary*>(c.get())) d->Clear();
  }
}

TRef<TSLStreamDecoder> MakeDecoder() {
  auto decoder = MakeRef<TSLStreamDecoder>();
  AddStandardScanners(*decoder);
  decoder->RegisterComposite(CreateEmptyComposite<TTracked<TSLArray>>);
  decoder->RegisterComposite(CreateEmptyComposite<TTracked<TSLBlock>>);
  decoder->RegisterComposite(CreateEmptyComposite<TTracked<TSLProcedure>>);
  decoder->RegisterComposite(CreateEmptyComposite<TTracked<TSLDictionary>>);
  decoder->RegisterComposite(CreateEmptyComposite<TTracked<TSLStack>>);
  decoder->RegisterComposite(CreateEmptyComposite<TTracked<TSLRecord>>);
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

void RoundTrip(const std::uint8_t* Data, std::size_t Size) {
  auto decoder = MakeDecoder();
  TSLObject* value = nullptr;
  try {
    value = Decode(*decoder, std::string(reinterpret_cast<const char*>(Data), Size), Size % 2 == 1);
  } catch (const Exception&) {
    return;  // bad text: an error is the right answer
  }
  const std::string text = Encode(value);
  try {
    Encode(Decode(*decoder, text, false));
  } catch (const Exception& e) {
    throw std::logic_error("written text does not read again: " + std::string(e.what()) + "\n" + text);
  }
}

}  // namespace

int FuzzSLText(const std::uint8_t* Data, std::size_t Size) {
  try {
    RoundTrip(Data, Size);
  } catch (...) {
    CutCycles();
    RefObjManager().PurgeAutoReleasePool();
    throw;
  }
  CutCycles();
  RefObjManager().PurgeAutoReleasePool();
  return 0;
}

}  // namespace vt
