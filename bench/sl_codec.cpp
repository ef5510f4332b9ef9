// Decoding and encoding a generated 20 MB settings-like SL text, beside Python's json
// module loading and dumping the same content as JSON, measured in the same run; and a
// short text whose constants make nearly a million values, against a time budget.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "sl/text/Decoder.h"
#include "sl/text/Encoder.h"
#include "sl/text/StringStream.h"
#include "sl/values/Arrays.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

constexpr std::size_t kTargetBytes = 20'000'000;

// Drive settings: nested dictionaries, arrays, strings, integers, doubles, Booleans.
TRef<TSLDictionary> MakeDevice(std::mt19937& rng, int index) {
  std::uniform_int_distribution<int> small(-1000, 100000);
  std::uniform_real_distribution<double> real(-500.0, 500.0);
  auto dev = MakeRef<TSLDictionary>();
  dev->SetStrWithName(u"Name", u"Drive " + AnsiToWide(std::to_string(index)));
  dev->SetStrWithName(u"Description", u"Linear axis, 'slot' @ station " + AnsiToWide(std::to_string(index % 17)));
  dev->SetIntWithName(u"Baud", 38400);
  dev->SetIntWithName(u"Address", index);
  dev->SetBoolWithName(u"Enabled", index % 3 != 0);
  dev->SetFloatWithName(u"Gain", real(rng));
  auto axes = MakeRef<TSLArray>();
  for (int i = 0; i < 6; ++i) axes->SetIntAtIndex(i, small(rng));
  dev->SetObjWithName(u"Axes", axes.get());
  auto limits = MakeRef<TSLDictionary>();
  limits->SetFloatWithName(u"Min", real(rng));
  limits->SetFloatWithName(u"Max", real(rng));
  limits->SetStrWithName(u"Unit", u"mm/s");
  dev->SetObjWithName(u"Limits", limits.get());
  auto params = MakeRef<TSLDictionary>();
  for (int i = 0; i < 40; ++i) {
    const WideString key = u"Parameter" + AnsiToWide(std::to_string(i));
    if (i % 4 == 0) {
      params->SetFloatWithName(key, real(rng));
    } else {
      params->SetIntWithName(key, small(rng));
    }
  }
  dev->SetObjWithName(u"Parameters", params.get());
  auto tags = MakeRef<TSLArray>();
  tags->SetStrAtIndex(0, "motor");
  tags->SetStrAtIndex(1, "axis-" + std::to_string(index % 8));
  dev->SetObjWithName(u"Tags", tags.get());
  return dev;
}

// The same content as JSON, written from the SL values.
void AppendJson(std::string& out, const TSLObject* v) {
  if (auto* d = dynamic_cast<const TSLDictionary*>(v)) {
    out += '{';
    for (int i = 0; i < d->GetCount(); ++i) {
      if (i) out += ", ";
      out += '"' + WideToUtf8(d->GetNameAtIndex(i)) + "\": ";
      AppendJson(out, d->GetObjAtIndex(i));
    }
    out += '}';
  } else if (auto* a = dynamic_cast<const TSLArray*>(v)) {
    out += '[';
    for (int i = 0; i < a->GetCount(); ++i) {
      if (i) out += ", ";
      AppendJson(out, a->GetObjAtIndex(i));
    }
    out += ']';
  } else if (auto* s = dynamic_cast<const TSLString*>(v)) {
    out += '"';
    for (char c : WideToUtf8(s->StringValue())) {
      if (c == '"' || c == '\\') out += '\\';
      out += c;
    }
    out += '"';
  } else if (auto* i = dynamic_cast<const TSLLongint*>(v)) {
    out += std::to_string(i->GetLongintValue());
  } else if (auto* f = dynamic_cast<const TSLDouble*>(v)) {
    char buf[32];
    out.append(buf, std::to_chars(buf, buf + sizeof buf, f->GetDoubleValue()).ptr);
  } else if (auto* b = dynamic_cast<const TSLBoolean*>(v)) {
    out += b->BooleanValue() ? "true" : "false";
  }
}

struct TContent {
  TRef<TSLDictionary> Root;
  std::string SLText;
  std::string JsonText;
};

std::string EncodeToText(TSLObject* Obj) {
  auto stream = MakeRef<TSLStringStream>();
  MakeRef<TSLStreamEncoder>()->WriteObject(stream.get(), Obj);
  return stream->Buffer();
}

TContent& Content() {
  static TContent content = [] {
    TContent c;
    std::mt19937 rng(20240611);
    c.Root = MakeRef<TSLDictionary>();
    c.Root->SetIdent("Settings");
    c.Root->SetIntWithName(u"Version", 3);
    auto devices = MakeRef<TSLArray>();
    c.Root->SetObjWithName(u"Devices", devices.get());
    const std::size_t perDevice = EncodeToText(MakeDevice(rng, 0).get()).size();
    for (std::size_t i = 0; i < kTargetBytes / perDevice; ++i)
      devices->AddObject(MakeDevice(rng, static_cast<int>(i)).get());
    c.SLText = EncodeToText(c.Root.get());
    AppendJson(c.JsonText, c.Root.get());
    RefObjManager().PurgeAutoReleasePool();
    return c;
  }();
  return content;
}

struct TPeer {
  double LoadSeconds = 0;
  double DumpSeconds = 0;
};

// Python's json on the JSON twin, timed inside Python (best of three, freeing excluded).
TPeer MeasurePythonJson() {
  char path[] = "/tmp/vt-bench-json-XXXXXX";
  const int fd = mkstemp(path);
  close(fd);
  std::ofstream(path, std::ios::binary) << Content().JsonText;
  const std::string command = std::string("python3 -c '") +
                              "import json,sys,time\n"
                              "text=open(sys.argv[1],encoding=\"utf-8\").read()\n"
                              "load=dump=1e9\n"
                              "for _ in range(3):\n"
                              "  obj=out=None\n"
                              "  t=time.perf_counter(); obj=json.loads(text); load=min(load,time.perf_counter()-t)\n"
                              "  t=time.perf_counter(); out=json.dumps(obj); dump=min(dump,time.perf_counter()-t)\n"
                              "print(load,dump)\n" +
                              "' " + path;
  TPeer peer;
  if (FILE* p = popen(command.c_str(), "r")) {
    if (fscanf(p, "%lf %lf", &peer.LoadSeconds, &peer.DumpSeconds) != 2) peer = {};
    pclose(p);
  }
  unlink(path);
  return peer;
}

// Decodes Text once per iteration; the value is freed outside the timing.
void DecodeEachIteration(benchmark::State& state, const std::string& Text) {
  auto stream = MakeRef<TSLStringStream>();
  stream->SetBuffer(Text);
  auto reader = MakeRef<TSLLookaheadStream>(stream.get());
  auto decoder = MakeRef<TSLStreamDecoder>();
  AddStandardScanners(*decoder);
  RegisterStandardComposites(*decoder);
  auto decode = [&] {
    stream->Reset(saRead);
    reader->SetCharStream(stream.get());
    benchmark::DoNotOptimize(decoder->ReadSingleObject(reader.get(), false));
  };
  // Once untimed: the first pass over a fresh heap mostly measures its page faults (the
  // peer's best of three leaves them out in the same way).
  decode();
  RefObjManager().PurgeAutoReleasePool();
  for (auto _ : state) {
    decode();
    state.PauseTiming();
    RefObjManager().PurgeAutoReleasePool();
    state.ResumeTiming();
  }
}

void BM_Decode(benchmark::State& state) {
  DecodeEachIteration(state, Content().SLText);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Content().SLText.size()));
}

// Five levels of ten references each under one constant, copied eight times: about
// 890,000 values from some 250 bytes, close to what constants may copy into one text.
// Every value passes the autorelease pool, which starts small after each purge: its
// growth decides whether this is linear.
const std::string& ConstantCopiesText() {
  static const std::string text = [] {
    std::string t = "[A [A:L0 1 1 1 1 1 1 1 1 1 1]";
    for (int level = 1; level <= 4; ++level) {
      t += " [A:L" + std::to_string(level);
      for (int i = 0; i < 10; ++i) t += " @L" + std::to_string(level - 1);
      t += "]";
    }
    t += " [D:CONST /k [D /v @L4]]";
    for (int i = 0; i < 8; ++i) t += " [D *k]";
    return t + "]";
  }();
  return text;
}
constexpr double kConstantCopiesBudgetSeconds = 0.25;

void BM_DecodeConstantCopies(benchmark::State& state) { DecodeEachIteration(state, ConstantCopiesText()); }

void BM_Encode(benchmark::State& state) {
  auto stream = MakeRef<TSLStringStream>();
  auto encoder = MakeRef<TSLStreamEncoder>();
  for (auto _ : state) {
    stream->Rewrite();
    encoder->WriteObject(stream.get(), Content().Root.get());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Content().SLText.size()));
}

BENCHMARK(BM_Decode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeConstantCopies)->Unit(benchmark::kMillisecond);

// Keeps the mean time per iteration of each benchmark for the summary.
class TCollectingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration) Seconds[r.benchmark_name()] = r.real_accumulated_time / r.iterations;
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> Seconds;
};

void PrintLine(const char* what, double ours, std::size_t ourBytes, const char* peerName, double peer,
               std::size_t peerBytes) {
  auto mbs = [](std::size_t bytes, double s) { return s > 0 ? bytes / s / 1e6 : 0.0; };
  std::printf("%-7s SL text %8.1f MB/s (%7.1f ms)   %s %8.1f MB/s (%7.1f ms)   %.2fx the peer's speed\n", what,
              mbs(ourBytes, ours), ours * 1e3, peerName, mbs(peerBytes, peer), peer * 1e3,
              ours > 0 ? peer / ours : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const TContent& c = Content();
  const TPeer peer = MeasurePythonJson();
  TCollectingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nSame content: SL text %.1f MB, JSON %.1f MB\n", c.SLText.size() / 1e6, c.JsonText.size() / 1e6);
  if (peer.LoadSeconds == 0) std::printf("python3 json could not be measured\n");
  PrintLine("decode", reporter.Seconds["BM_Decode"], c.SLText.size(), "json.loads", peer.LoadSeconds,
            c.JsonText.size());
  PrintLine("encode", reporter.Seconds["BM_Encode"], c.SLText.size(), "json.dumps", peer.DumpSeconds,
            c.JsonText.size());
  const double copies = reporter.Seconds["BM_DecodeConstantCopies"];
  std::printf("copies  a %zu-byte text of constant copies decodes in %.1f ms (budget %.0f ms): %s\n",
              ConstantCopiesText().size(), copies * 1e3, kConstantCopiesBudgetSeconds * 1e3,
              copies <= kConstantCopiesBudgetSeconds ? "within" : "OVER");
  benchmark::Shutdown();
  return 0;
}
