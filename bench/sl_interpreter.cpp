// The SL interpreter and its built-ins on three small programs (a counting loop with
// arithmetic, a loop of definitions and name look-ups, a loop building strings and
// dictionaries), each beside the same program in PostScript run by Ghostscript and in
// Lua 5.4, timed in the same run. An operation is one pass of the program's loop; the
// peers' start-up is measured with an empty loop and taken off. Every program leaves
// one number, and the three languages must agree on it. Beside them, procedure recursion
// at several depths, whose time must grow linearly with the depth.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

#include "platform/NumberText.h"
#include "sl/builtins/SystemDictionary.h"
#include "sl/interpreter/Interpreter.h"
#include "sl/text/Decoder.h"
#include "sl/text/StringStream.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

struct TProgram {
  const char* Name;
  int Passes;
  const char* SL;  // %N% stands for the number of passes
  const char* PostScript;
  const char* Lua;
};

const TProgram kPrograms[] = {
    {"arithmetic", 3000000,  //
     "0 1 1 %N% [B dup 3 mul exch 7 mod add add 65535 and] for",
     "0 1 1 %N% { dup 3 mul exch 7 mod add add 65535 and } for =",
     "local s = 0 for i = 1, %N% do s = (s + i * 3 + i % 7) & 65535 end print(s)"},
    {"names", 2000000,  //
     "/x 0 def /y 0 def 1 1 %N% [B /i exch def /x x i add 65535 and def /y y x xor def] for y",
     "/x 0 def /y 0 def 1 1 %N% { /i exch def /x x i add 65535 and def /y y x xor def } for y =",
     "x = 0 y = 0 for j = 1, %N% do i = j x = (x + i) & 65535 y = y ~ x end print(y)"},
    {"strings", 500000,  //
     "/t 0 def 1 1 %N% [B /i exch def /d 2 dict def d /k i cvs put d /s 'key' d /k get add put "
     "/t t d /s get length add def] for t",
     "/concat { exch dup length 2 index length add string dup dup 4 2 roll copy length 4 -1 roll putinterval } def "
     "/t 0 def 1 1 %N% { /i exch def /d 2 dict def d /k i 20 string cvs put d /s (key) d /k get concat put "
     "/t t d /s get length add def } for t =",
     "t = 0 for j = 1, %N% do i = j d = {} d.k = tostring(i) d.s = \"key\" .. d.k t = t + #d.s end print(t)"},
};

std::string WithPasses(const char* Text, int Passes) {
  std::string s(Text);
  const std::size_t at = s.find("%N%");
  return s.replace(at, 3, std::to_string(Passes));
}

// What each run measured: passes per second and the number the program left.
struct TResult {
  double Rate = 0;
  std::string Value;
};
std::map<std::string, TResult> Results;  // by "program/peer"

using Clock = std::chrono::steady_clock;
double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The SL runtime as a script task has it: System, Create and Global, one interpreter.
class TSLRuntime {
 public:
  TSLRuntime() {
    CreateSystemProcedures(FSystem.get());
    CreateSystemValues(FSystem.get());
    AddStandardScanners(*FDecoder);
    RegisterStandardComposites(*FDecoder);
  }

  // Runs the program text once; the time excludes reading the text.
  double Run(const std::string& Text, std::string& Value) {
    auto stream = MakeRef<TSLStringStream>();
    stream->SetBuffer("[B " + Text + " ]");
    auto reader = MakeRef<TSLLookaheadStream>(stream.get());
    const TRef<TSLObject> block(FDecoder->ReadSingleObject(reader.get(), false));
    auto ctx = MakeRef<TSLContextImplementation>();
    ctx->AddNamedDict("System", FSystem.get());
    ctx->AddNamedDict("Create", FCreate.get());
    ctx->AddNamedDict("Global", MakeRef<TSLDictionary>().get());
    ctx->PushBlock(block.get());
    const auto start = Clock::now();
    while (!FInterpreter->Run(ctx.get())) RefObjManager().PurgeAutoReleasePool();  // as the program's purge task
    const double seconds = Seconds(Clock::now() - start);
    Value = IntToStr(CheckedCast<TSLLongint>(ctx->OperandStackObj()->GetObjAtIndex(0))->GetLongintValue());
    return seconds;
  }

 private:
  TRef<TSLDictionary> FSystem = MakeRef<TSLDictionary>(), FCreate = MakeRef<TSLDictionary>();
  TRef<TSLStreamDecoder> FDecoder = MakeRef<TSLStreamDecoder>();
  TRef<TSLInterpreter> FInterpreter = MakeRef<TSLInterpreter>();
};

// Runs a peer on a program file; the seconds it took, its output in Output.
double RunPeer(const std::string& Command, const std::string& Text, std::string& Output) {
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("vt-bench-sl-" + std::to_string(::getpid()));
  std::ofstream(file) << Text << "\n";
  const auto start = Clock::now();
  FILE* pipe = ::popen((Command + " " + file.string()).c_str(), "r");
  Output.clear();
  char buffer[256];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe)) Output += buffer;
  const int status = pipe ? ::pclose(pipe) : -1;
  const double seconds = Seconds(Clock::now() - start);
  std::filesystem::remove(file);
  while (!Output.empty() && (Output.back() == '\n' || Output.back() == '\r')) Output.pop_back();
  return status == 0 ? seconds : -1;
}

bool Installed(const char* Program) {
  return std::system((std::string("command -v ") + Program + " >/dev/null 2>&1").c_str()) == 0;
}

void Record(benchmark::State& State, const std::string& Key, double Rate, const std::string& Value) {
  Results[Key] = TResult{Rate, Value};
  State.counters["ops/s"] = Rate;
}

void BM_SL(benchmark::State& State, const TProgram& P) {
  TSLRuntime runtime;
  const std::string text = WithPasses(P.SL, P.Passes);
  std::string value;
  double best = 1e300;
  for (auto _ : State) {
    const double seconds = runtime.Run(text, value);
    State.SetIterationTime(seconds);
    best = std::min(best, seconds);
  }
  Record(State, std::string(P.Name) + "/SL", P.Passes / best, value);
}

// A peer's time for the loop alone: a run with the passes minus a run of an empty loop.
void BM_Peer(benchmark::State& State, const TProgram& P, const char* Peer, const char* Command, bool PostScript) {
  if (!Installed(Peer)) {
    State.SkipWithError((std::string(Peer) + " is not installed (scripts/bench.sh installs it)").c_str());
    return;
  }
  const char* text = PostScript ? P.PostScript : P.Lua;
  std::string value, empty;
  double best = 1e300;
  for (auto _ : State) {
    const double full = RunPeer(Command, WithPasses(text, P.Passes), value);
    const double startUp = RunPeer(Command, WithPasses(text, 0), empty);
    if (full < 0 || startUp < 0) {
      State.SkipWithError((std::string(Peer) + " failed").c_str());
      return;
    }
    const double seconds = std::max(full - startUp, 1e-9);
    State.SetIterationTime(seconds);
    best = std::min(best, seconds);
  }
  Record(State, std::string(P.Name) + "/" + Peer, P.Passes / best, value);
}

// A procedure calling itself N levels deep, looking names up on the way down and back
// up: every level must cost the same however deep it lies (the fit over the depths
// shows the complexity).
void BM_Recursion(benchmark::State& State) {
  TSLRuntime runtime;
  const std::string depth = std::to_string(State.range(0));
  const std::string text = "/r [P [A /n] n 0 gt [B n 1 sub r n pop] if [A]] def " + depth + " r " + depth;
  std::string value;
  for (auto _ : State) State.SetIterationTime(runtime.Run(text, value));
  State.SetComplexityN(State.range(0));
}

void PrintRatios() {
  std::printf("\n%-12s %14s %14s %14s %9s %9s  %s\n", "program", "SL ops/s", "gs ops/s", "lua ops/s", "SL/gs", "SL/lua",
              "results");
  for (const TProgram& p : kPrograms) {
    const TResult& sl = Results[std::string(p.Name) + "/SL"];
    const TResult& gs = Results[std::string(p.Name) + "/gs"];
    const TResult& lua = Results[std::string(p.Name) + "/lua5.4"];
    auto ratio = [&](const TResult& peer) { return peer.Rate > 0 ? sl.Rate / peer.Rate : 0.0; };
    const bool agree = sl.Value == gs.Value && sl.Value == lua.Value;
    std::printf("%-12s %14.0f %14.0f %14.0f %9.2f %9.2f  %s\n", p.Name, sl.Rate, gs.Rate, lua.Rate, ratio(gs),
                ratio(lua), agree ? ("all " + sl.Value).c_str() : ("DIFFER: " + sl.Value + " " + gs.Value + " " + lua.Value).c_str());
  }
  std::printf("(ratio above 1: SL is faster)\n");
}

}  // namespace

int main(int argc, char** argv) {
  for (const TProgram& p : kPrograms) {
    benchmark::RegisterBenchmark((std::string(p.Name) + "/SL").c_str(), BM_SL, p)->UseManualTime()->Iterations(3);
    benchmark::RegisterBenchmark((std::string(p.Name) + "/gs").c_str(), BM_Peer, p, "gs",
                                 "gs -q -dNODISPLAY -dBATCH", true)
        ->UseManualTime()
        ->Iterations(3);
    benchmark::RegisterBenchmark((std::string(p.Name) + "/lua5.4").c_str(), BM_Peer, p, "lua5.4", "lua5.4", false)
        ->UseManualTime()
        ->Iterations(3);
  }
  benchmark::RegisterBenchmark("recursion/SL", BM_Recursion)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond)
      ->RangeMultiplier(2)
      ->Range(5000, 40000)
      ->Complexity(benchmark::oN);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintRatios();
  return 0;
}
