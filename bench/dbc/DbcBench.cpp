// Signal decoding and database loading.
//
//   BM_DecodeSignals    a message of ten signals (both byte orders, signed,
//                       scaled) decoded to physical values; items = signals
//   BM_DecodeMultiplexed  the same through DecodeMessage with a multiplexer
//   BM_LoadDbc          reading a generated DBC text of 2,000 messages and
//                       20,000 signals (with comments and value texts)
#include <benchmark/benchmark.h>

#include <string>

#include "dbc/DbcReader.h"
#include "dbc/SignalCodec.h"

namespace tarvo {
namespace {

std::string GeneratedDbc(int messages, int signalsPerMessage) {
  std::string text = "VERSION \"\"\n\nNS_ :\n\tCM_\n\tBA_DEF_\n\tVAL_\n\nBS_:\n\nBU_: Node1 Node2 Node3\n\n";
  for (int m = 0; m < messages; ++m) {
    const uint32_t id = m < 1000 ? uint32_t(m) : (0x80000000u | (0x18F00000u + uint32_t(m)));
    text += "BO_ " + std::to_string(id) + " Message" + std::to_string(m) + ": 8 Node1\n";
    for (int s = 0; s < signalsPerMessage; ++s) {
      const bool big = s % 2 == 1;
      const int start = big ? (s * 6 / 8) * 8 + 7 : s * 6;
      text += " SG_ Signal" + std::to_string(s) + " : " + std::to_string(start) + "|6@" + (big ? "0" : "1") +
              (s % 3 == 0 ? "-" : "+") + " (0.25,-10) [-18|5.75] \"unit\" Node2,Node3\n";
    }
    text += "\n";
  }
  for (int m = 0; m < messages; m += 4) {
    text += "CM_ BO_ " + std::to_string(m) + " \"Comment of message " + std::to_string(m) + ".\";\n";
    text += "BA_ \"GenMsgCycleTime\" BO_ " + std::to_string(m) + " 100;\n";
    text += "VAL_ " + std::to_string(m) + " Signal1 0 \"Zero\" 1 \"One\" 2 \"Two\" ;\n";
  }
  return text;
}

const char DecodeDbc[] = R"(
BO_ 100 Decode: 8 N
 SG_ A : 0|8@1+ (1,0) [0|0] "" N
 SG_ B : 8|12@1- (0.1,0) [0|0] "" N
 SG_ C : 20|4@1+ (1,0) [0|0] "" N
 SG_ D : 31|16@0+ (0.125,0) [0|0] "rpm" N
 SG_ E : 47|3@0+ (1,0) [0|0] "" N
 SG_ F : 44|5@0- (1,-5) [0|0] "" N
 SG_ G : 48|1@1+ (1,0) [0|0] "" N
 SG_ H : 49|7@1+ (2,0) [0|0] "" N
 SG_ I : 56|8@1- (1,0) [0|0] "" N
 SG_ J : 0|64@1+ (1,0) [0|0] "" N
)";

void BM_DecodeSignals(benchmark::State& state) {
  const TDbcReadResult r = ReadDbc(DecodeDbc);
  const TDbcMessage& m = r.Database.Messages[0];
  uint8_t data[8] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
  double sum = 0;
  for (auto _ : state) {
    const TFrameWords w = FrameWords(data, 8);
    for (const TDbcSignal& s : m.Signals) sum += PhysicalValue(s, ExtractRaw(s, w));
    benchmark::DoNotOptimize(sum);
    ++data[0];
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(m.Signals.size()));
}
BENCHMARK(BM_DecodeSignals);

const char MultiplexedDbc[] = R"(
BO_ 100 Pages: 8 N
 SG_ Page M : 0|2@1+ (1,0) [0|0] "" N
 SG_ A m0 : 8|16@1+ (1,0) [0|0] "" N
 SG_ B m1 : 8|16@0- (0.5,0) [0|0] "V" N
 SG_ C m0 : 31|8@0+ (1,0) [0|0] "" N
 SG_ D m1 : 24|8@1+ (1,0) [0|0] "" N
 SG_ E : 32|32@1+ (1,0) [0|0] "" N
)";

void BM_DecodeMultiplexed(benchmark::State& state) {
  const TDbcReadResult r = ReadDbc(MultiplexedDbc);
  const TDbcMessage& m = r.Database.Messages[0];
  uint8_t data[8] = {0x00, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
  TDecodedSignal out[6];
  int64_t signals = 0;
  for (auto _ : state) {
    signals += int64_t(DecodeMessage(m, data, 8, out));
    benchmark::DoNotOptimize(out);
    data[0] ^= 1;
  }
  state.SetItemsProcessed(signals);
}
BENCHMARK(BM_DecodeMultiplexed);

void BM_LoadDbc(benchmark::State& state) {
  const std::string text = GeneratedDbc(2000, 10);
  size_t signals = 0;
  for (auto _ : state) {
    const TDbcReadResult r = ReadDbc(text);
    if (!r.Ok) state.SkipWithError(DbcErrorText(r.Error).c_str());
    signals = r.Database.SignalCount();
    benchmark::DoNotOptimize(r);
  }
  state.counters["signals"] = double(signals);
  state.counters["MB"] = double(text.size()) / 1e6;
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_LoadDbc)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvo

BENCHMARK_MAIN();
