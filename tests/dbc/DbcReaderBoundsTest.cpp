// The DBC reader on files built to be hard on it: whatever a file holds,
// reading it takes time linear in its size and heap within a small multiple
// of it, and decoding by many switch ranges stays fast. The sizes here show
// linear against quadratic work in well under a second each; the larger
// figures are in bench/dbc (dbc_bench).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <new>
#include <random>
#include <string>

#include "support/HeapCounter.h"
#include "dbc/DbcReader.h"
#include "dbc/SignalCodec.h"


namespace tarvo {
namespace {

std::string Filled(std::string text, size_t size, const std::string& piece) {
  while (text.size() + piece.size() < size) text += piece;
  return text;
}

const std::string Tail = "BO_ 1 Tail: 8 N\n SG_ T : 0|8@1+ (1,0) [0|0] \"\" N\n";

double SecondsToRead(const std::string& text, TDbcReadResult& r) {
  const auto start = std::chrono::steady_clock::now();
  r = ReadDbc(text);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Faults that each used to read the rest of the file: open statements among
// comment lines, and one message of 100,000 signals (each checked against
// every other for its name). Quadratic work takes tens of seconds here.
TEST(DbcReaderBounds, ReadingTakesTimeLinearInTheSize) {
  std::string open;
  for (int i = 0; i < 999; ++i) open += "BA_ \"GenMsgCycleTime\" BO_ 1 100\n";
  open = Filled(std::move(open), 8u << 20, "// filler of the file, line after line\n") + Tail;
  TDbcReadResult r;
  EXPECT_LT(SecondsToRead(open, r), 3.0);
  ASSERT_TRUE(r.Ok) << DbcErrorText(r.Error);
  EXPECT_EQ(r.Skipped.size(), 999u);
  EXPECT_EQ(r.Skipped[998].Line, 999);

  std::string signals = "BO_ 1 M: 8 N\n";
  for (int k = 0; k < 100000; ++k) signals += " SG_ S" + std::to_string(k) + " : 0|1@1+ (1,0) [0|0] \"\" N\n";
  EXPECT_LT(SecondsToRead(signals, r), 3.0);
  ASSERT_TRUE(r.Ok) << DbcErrorText(r.Error);
  EXPECT_EQ(r.Database.Messages[0].Signals.size(), 100000u);
}

// The shortest texts of the records the reader keeps, repeated: the heap a
// read holds at its most stays within a small multiple of the file's size.
// A file that would take more is refused with the reason, naming the line.
TEST(DbcReaderBounds, ReadingHoldsHeapWithinASmallMultipleOfTheSize) {
  constexpr size_t Size = 8u << 20;
  const struct {
    const char* Name;
    std::function<std::string()> Make;
  } cases[] = {
      {"node names", [] { return Filled("BU_:", Size, " a") + "\n" + Tail; }},
      {"messages", [] {
         std::string t;
         for (uint64_t k = 0; t.size() < Size; ++k) t += "BO_ " + std::to_string(k) + " m:1\n";
         return t;
       }},
      {"signals", [] {
         std::string t = "BO_ 1 M: 8 N\n";
         for (uint64_t k = 0; t.size() < Size; ++k) t += "SG_ s" + std::to_string(k) + ":0|1@1+(1,0)[0|0]\"\"\n";
         return t;
       }},
      {"receivers", [] {
         std::string t = "BO_ 1 M: 8 N\n";
         for (uint64_t k = 0; t.size() < Size; ++k) t += Filled("SG_ S" + std::to_string(k) + ":0|1@1+(1,0)[0|0]\"\"", 4000, " a") + "\n";
         return t;
       }},
      {"distinct value texts", [] {
         std::string t = Tail + "VAL_ 1 T";
         for (uint64_t v = 0; t.size() < Size; ++v) t += " " + std::to_string(v) + " \"\"";
         return t + " ;\n";
       }},
      {"one value text again and again", [] { return Filled(Tail + "VAL_ 1 T", Size, " 1 \"One\"") + " ;\n"; }},
      {"comments on nodes", [] {
         std::string t = Tail + "BU_: a\n";
         for (uint64_t k = 0; t.size() < Size; ++k) t += "CM_ BU_ a\"\";\n";
         return t;
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string text = c.Make();
    ResetHeapPeak();
    const int64_t before = HeapBytesNow();
    {
      const TDbcReadResult r = ReadDbc(text);
      if (!r.Ok) {
        EXPECT_GE(r.Error.Line, 1);
        EXPECT_NE(r.Error.What.find("times the file's size in memory"), std::string::npos) << DbcErrorText(r.Error);
      }
    }
    const double multiple = double(HeapBytesPeak() - before) / double(text.size());
    EXPECT_LT(multiple, 11.0);
  }
}

// Selection by SG_MUL_VAL_ ranges, written overlapping, touching, backwards
// and out of order, against the ranges as written, value by value.
TEST(DbcReaderBounds, ManySwitchRangesSelectAsWrittenAndFast) {
  std::mt19937 random(5);
  std::vector<std::pair<uint32_t, uint32_t>> written;
  std::string text = "BO_ 1 M: 8 N\n SG_ Switch M : 0|16@1+ (1,0) [0|0] \"\" N\n SG_ Paged m0 : 32|8@1+ (1,0) [0|0] \"\" N\n"
                     "SG_MUL_VAL_ 1 Paged Switch ";
  for (int k = 0; k < 3000; ++k) {
    const uint32_t a = random() % 60000, b = a + random() % 9;
    const bool backwards = k % 10 == 0 && a != b;
    written.push_back({a, b});
    text += (k ? ", " : "") + std::to_string(backwards ? b : a) + "-" + std::to_string(backwards ? a : b);
  }
  text += ";\n";
  const TDbcReadResult r = ReadDbc(text);
  ASSERT_TRUE(r.Ok) << DbcErrorText(r.Error);
  const TDbcMessage& m = r.Database.Messages[0];
  uint8_t data[8] = {0, 0, 0, 0, 7, 0, 0, 0};
  TDecodedSignal out[2];
  for (uint32_t v = 0; v < 65536; ++v) {
    bool in = false;
    for (const auto& [a, b] : written) in = in || (v >= a && v <= b);
    data[0] = uint8_t(v);
    data[1] = uint8_t(v >> 8);
    ASSERT_EQ(DecodeMessage(m, data, 8, out), in ? 2u : 1u) << v;
  }
  // 100,000 ranges: a frame is selected by a search, not a walk of them all.
  text = "BO_ 1 M: 8 N\n SG_ Switch M : 0|32@1+ (1,0) [0|0] \"\" N\n SG_ Paged m0 : 32|8@1+ (1,0) [0|0] \"\" N\n"
         "SG_MUL_VAL_ 1 Paged Switch ";
  for (int k = 0; k < 100000; ++k) text += (k ? ", " : "") + std::to_string(3 * k) + "-" + std::to_string(3 * k + 1);
  const TDbcReadResult many = ReadDbc(text + ";\n");
  ASSERT_TRUE(many.Ok) << DbcErrorText(many.Error);
  size_t present = 0;
  const auto start = std::chrono::steady_clock::now();
  for (uint32_t v = 0; v < 300000; ++v) {
    for (int i = 0; i < 4; ++i) data[i] = uint8_t(v >> (8 * i));
    present += DecodeMessage(many.Database.Messages[0], data, 8, out);
  }
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 2.0);
  EXPECT_EQ(present, 300000u + 200000u);
}

}  // namespace
}  // namespace tarvo
