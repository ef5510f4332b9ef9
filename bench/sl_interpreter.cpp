// The SL interpreter and its built-ins on three small programs (a counting loop with
// arithmetic, a loop of definitions and name look-ups, a loop building strings and
// dictionaries), each beside the same program in PostScript run by Ghostscript and in
// Lua 5.4. An operation is one pass of the program's loop. Each iteration runs the
// three languages one after the other, so that a change of the machine's load meets
// all of them alike; a peer's time is the median of its whole runs minus the median of
// its runs of an empty loop (its start-up), and each peer runs enough passes that its
// loop takes far longer than the spread of its start-up. Times are processor times
// (user and system, of the peer's whole process tree), which the load of a shared
// machine distorts far less than the time on the wall. Every program leaves one
// number, and the three languages must agree on it. PostScript has no string
// concatenation: its strings program calls a procedure of 14 operators for it in every
// pass, where SL and Lua have one operator, which favours SL there. Beside them,
// procedure recursion at several depths, whose time must grow linearly with the depth.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <sys/resource.h>
#include <time.h>
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
  int Passes;     // of SL and Ghostscript
  int LuaPasses;  // Lua runs these loops some ten times faster
  const char* SL;  // %N% stands for the number of passes
  const char* PostScript;
  const char* Lua;
};

const TProgram kPrograms[] = {
    {"arithmetic", 3000000, 60000000,  //
     "0 1 1 %N% [B dup 3 mul exch 7 mod add add 65535 and] for",
     "0 1 1 %N% { dup 3 mul exch 7 mod add add 65535 and } for =",
     "local s = 0 for i = 1, %N% do s = (s + i * 3 + i % 7) & 65535 end print(s)"},
    {"names", 2000000, 20000000,  //
     "/x 0 def /y 0 def 1 1 %N% [B /i exch def /x x i add 65535 and def /y y x xor def] for y",
     "/x 0 def /y 0 def 1 1 %N% { /i exch def /x x i add 65535 and def /y y x xor def } for y =",
     "x = 0 y = 0 for j = 1, %N% do i = j x = (x + i) & 65535 y = y ~ x end print(y)"},
    {"strings", 500000, 2000000,  //
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

// What the runs of one language on one program measured: passes per second and the
// number the program left.
struct TResult {
  double Rate = 0;
  std::string Value;
  std::string Trouble;  // why there is no rate, when there is none
};
std::map<std::string, TResult> Results;  // by "program/language"

// The processor time this process has used so far, and that of its waited-for children.
double OwnSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}
double ChildrenSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

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
    const double start = OwnSeconds();
    while (!FInterpreter->Run(ctx.get())) RefObjManager().PurgeAutoReleasePool();  // as the program's purge task
    const double seconds = OwnSeconds() - start;
    Value = IntToStr(CheckedCast<TSLLongint>(ctx->OperandStackObj()->GetObjAtIndex(0))->GetLongintValue());
    return seconds;
  }

 private:
  TRef<TSLDictionary> FSystem = MakeRef<TSLDictionary>(), FCreate = MakeRef<TSLDictionary>();
  TRef<TSLStreamDecoder> FDecoder = MakeRef<TSLStreamDecoder>();
  TRef<TSLInterpreter> FInterpreter = MakeRef<TSLInterpreter>();
};

// Runs a peer on a program file; the seconds it took (-1 when it failed), its output
// in Output.
double RunPeer(const std::string& Command, const std::string& Text, std::string& Output) {
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("vt-bench-sl-" + std::to_string(::getpid()));
  std::ofstream(file) << Text << "\n";
  const double start = ChildrenSeconds();
  FILE* pipe = ::popen((Command + " " + file.string()).c_str(), "r");
  Output.clear();
  char buffer[256];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe)) Output += buffer;
  const int status = pipe ? ::pclose(pipe) : -1;
  const double seconds = ChildrenSeconds() - start;
  std::filesystem::remove(file);
  while (!Output.empty() && (Output.back() == '\n' || Output.back() == '\r')) Output.pop_back();
  return status == 0 ? seconds : -1;
}

bool Installed(const char* Program) {
  return std::system((std::string("command -v ") + Program + " >/dev/null 2>&1").c_str()) == 0;
}

double Median(std::vector<double> Values) {
  std::sort(Values.begin(), Values.end());
  const std::size_t n = Values.size();
  return n % 2 ? Values[n / 2] : (Values[n / 2 - 1] + Values[n / 2]) / 2;
}

// A peer: its whole runs of the program and of the empty loop, and its answer.
class TPeer {
 public:
  TPeer(const char* Name, const char* Command, const char* Text, int Passes)
      : FName(Name), FCommand(Command), FText(Text), FPasses(Passes), FInstalled(Installed(Name)) {}

  // One run of the loop and one of the empty loop; false when the peer failed.
  bool RunOnce() {
    if (!FInstalled) return false;
    std::string empty;
    const double full = RunPeer(FCommand, WithPasses(FText, FPasses), FValue);
    const double startUp = RunPeer(FCommand, WithPasses(FText, 0), empty);
    if (full < 0 || startUp < 0) return false;
    FFull.push_back(full);
    FEmpty.push_back(startUp);
    return true;
  }
  // Its answer at Passes, which may differ from the passes it is timed with.
  std::string Answer(int Passes) const {
    if (Passes == FPasses && !FFull.empty()) return FValue;
    std::string value;
    return FInstalled && RunPeer(FCommand, WithPasses(FText, Passes), value) >= 0 ? value : std::string();
  }
  TResult Result(const std::string& Value) const {
    TResult r;
    r.Value = Value;
    if (!FInstalled) {
      r.Trouble = "not installed (scripts/bench.sh installs it)";
    } else if (FFull.empty()) {
      r.Trouble = "failed";
    } else if (const double loop = Median(FFull) - Median(FEmpty); loop <= 0) {
      r.Trouble = "loop time lost in the start-up's spread";
    } else {
      r.Rate = FPasses / loop;
    }
    return r;
  }
  const char* Name() const { return FName; }

 private:
  const char* FName;
  const char* FCommand;
  const char* FText;
  int FPasses;
  bool FInstalled;
  std::vector<double> FFull, FEmpty;
  std::string FValue;  // of the last run of the loop
};

// One program in the three languages, run in turns.
void BM_Program(benchmark::State& State, const TProgram& P) {
  TSLRuntime runtime;
  const std::string text = WithPasses(P.SL, P.Passes);
  TPeer gs("gs", "gs -q -dNODISPLAY -dBATCH", P.PostScript, P.Passes);
  TPeer lua("lua5.4", "lua5.4", P.Lua, P.LuaPasses);
  std::string value;
  std::vector<double> sl;
  for (auto _ : State) {
    const double seconds = runtime.Run(text, value);
    sl.push_back(seconds);
    State.SetIterationTime(seconds);
    gs.RunOnce();
    lua.RunOnce();
  }
  const std::string name(P.Name);
  Results[name + "/SL"] = TResult{P.Passes / Median(sl), value, {}};
  Results[name + "/gs"] = gs.Result(gs.Answer(P.Passes));
  Results[name + "/lua"] = lua.Result(lua.Answer(P.Passes));
  State.counters["SL ops/s"] = Results[name + "/SL"].Rate;
  State.counters["gs ops/s"] = Results[name + "/gs"].Rate;
  State.counters["lua ops/s"] = Results[name + "/lua"].Rate;
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
    const std::string name(p.Name);
    if (!Results.count(name + "/SL")) continue;  // not run
    const TResult& sl = Results[name + "/SL"];
    const TResult& gs = Results[name + "/gs"];
    const TResult& lua = Results[name + "/lua"];
    auto ratio = [&](const TResult& peer) { return peer.Rate > 0 ? sl.Rate / peer.Rate : 0.0; };
    const bool agree = sl.Value == gs.Value && sl.Value == lua.Value;
    std::printf("%-12s %14.0f %14.0f %14.0f %9.2f %9.2f  %s\n", p.Name, sl.Rate, gs.Rate, lua.Rate, ratio(gs),
                ratio(lua), agree ? ("all " + sl.Value).c_str() : ("DIFFER: " + sl.Value + " " + gs.Value + " " + lua.Value).c_str());
    for (const auto& [peer, result] : {std::pair{"gs", &gs}, std::pair{"lua5.4", &lua}})
      if (!result->Trouble.empty()) std::printf("  %s: %s\n", peer, result->Trouble.c_str());
  }
  std::printf("(medians of every iteration's runs; ratio above 1: SL is faster)\n");
}

}  // namespace

int main(int argc, char** argv) {
  for (const TProgram& p : kPrograms)
    benchmark::RegisterBenchmark(p.Name, BM_Program, p)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
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
