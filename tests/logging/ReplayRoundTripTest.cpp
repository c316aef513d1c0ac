// What the recorder writes, the replay reads back field for field: every
// format, both bases, with and without the optional columns and the status
// marker, received and transmitted lines.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/TimeUnits.h"
#include "logging/LogBuffer.h"
#include "logging/LogLines.h"
#include "logging/ReplayParser.h"

namespace tarvo {
namespace {

struct Written {
  TTarvoCAN Message;
  uint8_t Direction;
  uint32_t ExpectedTicks;
};

// Ticks as the recorder's 0.0001 s time reads back: tenths of a millisecond
// to the nearest (ticks * 0.256), then back to ticks (* 3.90625), halves to even.
uint32_t ReadBackTicks(uint32_t ticks) {
  const auto nearest = [](uint64_t num, uint64_t den) {
    uint64_t q = num / den, r = num % den;
    if (2 * r > den || (2 * r == den && (q & 1))) ++q;
    return q;
  };
  return uint32_t(nearest(nearest(uint64_t(ticks) * 256, 1000) * 125, 32));
}

std::vector<Written> Messages(std::mt19937& random) {
  std::vector<Written> out;
  uint32_t ticks = 100;
  for (int i = 0; i < 400; ++i) {
    Written w{};
    TTarvoCAN& m = w.Message;
    m.IDE = uint8_t(random() % 2);
    m.RTR = uint8_t(random() % 4 == 0);
    m.ID = uint32_t(random()) & (m.IDE ? 0x1FFFFFFF : 0x7FF);
    if (i < 4) m.ID = i % 2 ? (m.IDE ? 0x1FFFFFFF : 0x7FF) : 0;  // the ends of the ranges
    m.DLC = uint8_t(random() % 9);
    if (!m.RTR)
      for (int b = 0; b < m.DLC; ++b) m.Data[b] = uint8_t(random());
    w.Direction = uint8_t(random() % 2);
    // Steps of at least a millisecond keep both time resolutions in order.
    ticks += 40 + uint32_t(random() % 100000);
    if (w.Direction == REPLAY_DIRECTION_TX) {
      const uint32_t ms = uint32_t(TicksToMs(ticks));
      m.TimeStamp = uint32_t(MsToTicks(ms));
      w.ExpectedTicks = m.TimeStamp;
    } else {
      m.TimeStamp = ticks;
      w.ExpectedTicks = ReadBackTicks(ticks);
    }
    out.push_back(w);
  }
  return out;
}

struct Variant {
  TLogFileType Type;
  bool Hex;
  bool Optional;
  char Marker;
};

TEST(ReplayRoundTrip, RecordedLinesReadBackFieldForField) {
  std::vector<Variant> variants;
  for (TLogFileType type : {TXT_FILE, CSV_FILE, ASC_FILE})
    for (bool hex : {true, false})
      for (bool optional : {false, true})
        for (char marker : {' ', '!'}) variants.push_back({type, hex, optional, marker});
  std::mt19937 random(11);
  for (const Variant& v : variants) {
    const std::string name = std::string(v.Type == TXT_FILE ? "TXT" : v.Type == CSV_FILE ? "CSV" : "ASC") +
                             (v.Hex ? " hex" : " dec") + (v.Optional ? " optional columns" : "") +
                             (v.Marker == '!' ? " marker !" : "");
    TLogLineFormat f;
    f.FileType = v.Type;
    f.Hexadecimal = v.Hex;
    f.ASCIIDecode = f.MessageCount = f.MessagePeriod = v.Optional;
    f.StatusCode = v.Marker;
    std::string file = LogHeader(f, "roundtrip.txt", TLogHeaderClock{"09:04:05", "08.12.2026", "Tue Dec 08 9:4:5 2026"});
    const std::vector<Written> written = Messages(random);
    char line[TLogBuffer::MaxLineLength];
    for (const Written& w : written) {
      const TTarvoCAN& m = w.Message;
      const size_t n = w.Direction == REPLAY_DIRECTION_TX
                           ? FormatTransmitLine(f, m.IDE, m.ID, m.RTR, m.DLC, m.Data, uint32_t(TicksToMs(m.TimeStamp)), line)
                           : FormatReceiveLine(f, m, 7, 3906, line);
      file.append(line, n).append("\r\n");
    }
    file += "\r\n";
    if (v.Type != ASC_FILE) file += LogFooter(f, TLogFooterInfo{});

    TReplayParseOptions options;
    options.FileType = v.Type;
    options.ReplayRx = options.ReplayTx = true;
    std::vector<TTarvoCAN> read(written.size() + 1);
    std::vector<uint8_t> directions(read.size());
    const TReplayParseResult r = ParseReplayLog(file, options, read, directions);
    ASSERT_EQ(r.Status, PARSE_VALID) << name << ": line " << r.LineNo << ": " << r.Reason;
    ASSERT_EQ(r.NoOfMessages, int32_t(written.size())) << name;
    EXPECT_EQ(r.NumericBase, v.Hex ? 1 : 0) << name;
    for (size_t i = 0; i < written.size(); ++i) {
      const TTarvoCAN& a = written[i].Message;
      const TTarvoCAN& b = read[i];
      ASSERT_EQ(b.IDE, a.IDE) << name << " #" << i;
      ASSERT_EQ(b.RTR, a.RTR) << name << " #" << i;
      ASSERT_EQ(b.ID, a.ID) << name << " #" << i;
      ASSERT_EQ(b.DLC, a.DLC) << name << " #" << i;
      for (int d = 0; d < (a.RTR ? 0 : a.DLC); ++d) ASSERT_EQ(b.Data[d], a.Data[d]) << name << " #" << i << " byte " << d;
      ASSERT_EQ(b.TimeStamp, written[i].ExpectedTicks) << name << " #" << i;
      ASSERT_EQ(directions[i], written[i].Direction) << name << " #" << i;
    }
  }
}

}  // namespace
}  // namespace tarvo
