// A log of 2,000,000 lines: opened for analysis (to the first screen of 40
// formatted rows, and a filter over all of it), and decoded with a database
// of 200 signals into CSV as "tarvo-log decode" does; and a candump log of
// 10,000,000 messages indexed whole. Counters:
// bytes_per_message (memory the analysis keeps for each), messages. The
// budget: the analysis on screen in under 1.5 s and 200 MB, the decode in
// under 2 s. Run: build/bin/analysis_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "analysis/LogAnalysis.h"
#include "logio/tool/ToolSupport.h"

namespace {

using namespace tarvo;
namespace fs = std::filesystem;

constexpr int Lines = 2'000'000;

const fs::path& Dir() {
  static const fs::path dir = [] {
    const fs::path d = fs::temp_directory_path() / ("tarvo-analysis-bench-" + std::to_string(::getpid()));
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

// 25 messages of 8 signals each, 0x100 .. 0x118, 8 bytes.
std::string Database() {
  const fs::path path = Dir() / "big.dbc";
  if (fs::exists(path)) return path.string();
  std::ofstream f(path);
  f << "VERSION \"\"\nBU_: N\n";
  for (int m = 0; m < 25; ++m) {
    f << "BO_ " << 256 + m << " M" << m << ": 8 N\n";
    for (int s = 0; s < 8; ++s)
      f << " SG_ S" << m << "_" << s << " : " << s * 8 << "|8@" << (s % 2) << (s % 3 ? "+" : "-") << " (0.5," << s
        << ") [0|0] \"u\" N\n";
  }
  return path.string();
}

std::string Log() {
  const fs::path path = Dir() / "big.csv";
  if (fs::exists(path)) return path.string();
  std::ofstream f(path, std::ios::binary);
  f << std::string(95, '~') << "\r\nbig - 09:04:05 08.12.2026 - Hexadecimal\r\n" << std::string(95, '~')
    << "\r\n\r\nTYPE,TIME,ID,D1,D2,D3,D4,D5,D6,D7,D8\r\n";
  char line[128];
  for (int i = 0; i < Lines; ++i) {
    const int n = std::snprintf(line, sizeof line, "RD11,%.4f,%X,%X,%X,%X,%X,%X,%X,%X,%X\r\n", i * 0.0002, 256 + i % 25,
                                i & 0xFF, (i >> 8) & 0xFF, 1, 2, 3, 4, 5, 6);
    f.write(line, n);
  }
  f << "\r\n";
  return path.string();
}

void OpenToFirstScreen(benchmark::State& state) {
  const std::string path = Log();
  size_t messages = 0;
  for (auto _ : state) {
    TLogAnalysis a;
    std::string error;
    if (!a.Open(path, error)) state.SkipWithError(error.c_str());
    for (size_t row = 0; row < 40 && row < a.RowCount(); ++row)
      for (int c = 0; c < ANALYSIS_COUNT; ++c) benchmark::DoNotOptimize(a.Cell(row, TAnalysisColumn(c), nullptr));
    messages = a.MessageCount();
  }
  state.counters["messages"] = double(messages);
  state.counters["bytes_per_message"] = double(sizeof(TAnalysisMessage));
  state.counters["MB"] = double(messages * sizeof(TAnalysisMessage)) / 1e6;
}
BENCHMARK(OpenToFirstScreen)->Unit(benchmark::kMillisecond)->Iterations(3);

// An hour of a busy bus: 10,000,000 candump messages indexed for the window.
std::string LongCandumpLog() {
  const fs::path path = Dir() / "long.log";
  if (fs::exists(path)) return path.string();
  std::ofstream f(path, std::ios::binary);
  char line[96];
  for (int i = 0; i < 10'000'000; ++i) {
    const int n = std::snprintf(line, sizeof line, "(%d.%06d) can0 %03X#%016llX\n", 1700000000 + i / 1000000,
                                i % 1000000, 256 + i % 25, (unsigned long long)i * 2654435761ull);
    f.write(line, n);
  }
  return path.string();
}

void IndexTenMillion(benchmark::State& state) {
  const std::string path = LongCandumpLog();
  size_t messages = 0;
  for (auto _ : state) {
    TLogAnalysis a;
    std::string error;
    if (!a.Open(path, error)) state.SkipWithError(error.c_str());
    messages = a.MessageCount();
  }
  state.counters["messages"] = double(messages);
  state.counters["bytes_per_message"] = double(sizeof(TAnalysisMessage));
}
BENCHMARK(IndexTenMillion)->Unit(benchmark::kMillisecond)->Iterations(1);

// What the window does first with such a log: open it, index for its first
// budget, and format the first screen.
void FirstScreenOfTenMillion(benchmark::State& state) {
  const std::string path = LongCandumpLog();
  for (auto _ : state) {
    TLogAnalysis a;
    std::string error;
    if (!a.Start(path, error)) state.SkipWithError(error.c_str());
    a.ReadFor(std::chrono::milliseconds(200));
    for (size_t row = 0; row < 40 && row < a.RowCount(); ++row)
      for (int c = 0; c < ANALYSIS_COUNT; ++c) benchmark::DoNotOptimize(a.Cell(row, TAnalysisColumn(c), nullptr));
  }
}
BENCHMARK(FirstScreenOfTenMillion)->Unit(benchmark::kMillisecond)->Iterations(1);

// A filter over all of it, by identifier and by data text.
void FilterTenMillion(benchmark::State& state) {
  TLogAnalysis a;
  std::string error;
  a.Open(LongCandumpLog(), error);
  for (auto _ : state) {
    a.SetFilter({"10A", "", -1, ""}, nullptr);
    benchmark::DoNotOptimize(a.RowCount());
  }
  state.counters["rows"] = double(a.RowCount());
}
BENCHMARK(FilterTenMillion)->Unit(benchmark::kMillisecond)->Iterations(3);

// A log whose every message has an identifier of its own: the statistics
// per identifier for 2,000,000 of them.
void StatisticsOfTwoMillionIdentifiers(benchmark::State& state) {
  const fs::path path = Dir() / "ids.log";
  if (!fs::exists(path)) {
    std::ofstream f(path, std::ios::binary);
    char line[96];
    for (int i = 0; i < 2'000'000; ++i) {
      const int n = std::snprintf(line, sizeof line, "(%d.%06d) can0 %08X#11\n", 1700000000 + i / 1000000, i % 1000000,
                                  0x10000000 + i);
      f.write(line, n);
    }
  }
  TLogAnalysis a;
  std::string error;
  if (!a.Open(path.string(), error)) state.SkipWithError(error.c_str());
  size_t rows = 0;
  for (auto _ : state) rows = a.Statistics().size();
  state.counters["identifiers"] = double(rows);
}
BENCHMARK(StatisticsOfTwoMillionIdentifiers)->Unit(benchmark::kMillisecond)->Iterations(2);

void FilterAll(benchmark::State& state) {
  TLogAnalysis a;
  std::string error;
  a.Open(Log(), error);
  for (auto _ : state) {
    a.SetFilter({"10A", "", -1, ""}, nullptr);
    benchmark::DoNotOptimize(a.RowCount());
  }
}
BENCHMARK(FilterAll)->Unit(benchmark::kMillisecond);

void Decode(benchmark::State& state) {
  const std::string db = Database(), log = Log(), out = (Dir() / "out.csv").string();
  for (auto _ : state) {
    std::string a0 = "tarvo-log", a1 = "decode", a3 = "--dbc", a5 = "--out";
    std::string a2 = log, a4 = db, a6 = out;
    char* argv[] = {a0.data(), a1.data(), a2.data(), a3.data(), a4.data(), a5.data(), a6.data(), nullptr};
    if (DecodeCommand(7, argv) != 0) state.SkipWithError("decode failed");
  }
  state.counters["MB_written"] = double(fs::file_size(out)) / 1e6;
}
BENCHMARK(Decode)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  fs::remove_all(Dir());
  return 0;
}
