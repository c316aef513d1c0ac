// Reading a 2,000,000-line log back for a replay, in each format: from bytes
// in memory and from the file (pieces of a megabyte). Counters:
// lines_per_s, and allocs, the allocations the reader made during the whole
// parse (they do not grow with the lines: none are made per line).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "logging/LogBuffer.h"
#include "logging/LogLines.h"
#include "logging/ReplayParser.h"
#include "support/HeapCounter.h"


namespace {

using namespace tarvo;

constexpr int Lines = 2000000;

const std::string& LogBytes(TLogFileType type) {
  static std::string cache[3];
  std::string& bytes = cache[type];
  if (!bytes.empty()) return bytes;
  TLogLineFormat f;
  f.FileType = type;
  bytes = LogHeader(f, "bench.txt", TLogHeaderClock{"09:04:05", "08.12.2026", "Tue Dec 08 9:4:5 2026"});
  bytes.reserve(size_t(Lines) * 60);
  std::mt19937 random(1);
  TTarvoCAN m;
  char line[TLogBuffer::MaxLineLength];
  for (int i = 0; i < Lines; ++i) {
    m.TimeStamp += 16 + random() % 1200;
    m.IDE = random() % 10 < 3;
    m.ID = random() & (m.IDE ? 0x1FFFFFFF : 0x7FF);
    m.DLC = uint8_t(random() % 9);
    for (int b = 0; b < 8; ++b) m.Data[b] = uint8_t(random());
    bytes.append(line, FormatReceiveLine(f, m, 1, 0, line)).append("\r\n");
  }
  bytes += "\r\n";
  return bytes;
}

std::vector<TTarvoCAN>& Buffer() {
  static std::vector<TTarvoCAN> buffer = std::vector<TTarvoCAN>(size_t(MaxLogMessages));
  return buffer;
}

void Finish(benchmark::State& state, const TReplayParseResult& r, uint64_t allocations) {
  if (r.Status != PARSE_VALID || r.NoOfMessages != Lines) state.SkipWithError("parse failed");
  state.counters["lines_per_s"] = benchmark::Counter(double(Lines), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["allocs"] = double(allocations);
}

// Runs parse once per iteration and reports its allocations.
template <typename Parse>
void Measure(benchmark::State& state, Parse parse) {
  TReplayParseResult r;
  uint64_t allocations = 0;
  for (auto _ : state) {
    const uint64_t before = HeapAllocations();
    r = parse();
    allocations = HeapAllocations() - before;
    benchmark::DoNotOptimize(r);
  }
  Finish(state, r, allocations);
}

TReplayParseOptions Options(TLogFileType type) {
  TReplayParseOptions options;
  options.FileType = type;
  return options;
}

void ParseBytes(benchmark::State& state) {
  const TLogFileType type = TLogFileType(state.range(0));
  const std::string& bytes = LogBytes(type);
  Measure(state, [&] { return ParseReplayLog(bytes, Options(type), Buffer()); });
}

void ParseFile(benchmark::State& state) {
  const TLogFileType type = TLogFileType(state.range(0));
  const std::string path = (std::filesystem::temp_directory_path() / ("tarvo-parse-bench-" + std::to_string(type))).string();
  std::ofstream(path, std::ios::binary) << LogBytes(type);
  Measure(state, [&] { return ParseReplayLogFile(path, Options(type), Buffer()); });
  std::filesystem::remove(path);
}

BENCHMARK(ParseBytes)->ArgName("txt0_csv1_asc2")->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ParseFile)->ArgName("txt0_csv1_asc2")->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
