// TRC traces: worked lines of every version read exactly, the writer's
// lines and header, a round trip through memory, damaged lines counted by
// reason while the rest is read, and python-can's TRC reader and writer
// (the reference other tools use) both ways; those skip without python3-can.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "logio/LogFormats.h"
#include "PythonCan.h"
#include "support/TempFolder.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

// "1841300000 1FFFFFFF XT ch2 dlc3 01020A": time in ns, identifier, flags
// (X extended, R remote, E error frame, F CAN FD, B BRS, S ESI, T sent),
// channel, DLC and the data held.
std::string Describe(const TLogMessage& m) {
  std::string flags;
  if (m.Extended()) flags += 'X';
  if (m.Remote()) flags += 'R';
  if (m.ErrorFrame()) flags += 'E';
  if (m.Fd()) flags += 'F';
  if (m.Flags & LOG_BRS) flags += 'B';
  if (m.Flags & LOG_ESI) flags += 'S';
  if (m.Tx()) flags += 'T';
  std::string data;
  char two[3];
  for (int i = 0; i < m.Length; ++i) {
    std::snprintf(two, sizeof two, "%02X", m.Data[i]);
    data += two;
  }
  char text[256];
  std::snprintf(text, sizeof text, "%lld %X %s ch%u dlc%u %s", (long long)m.Time, m.ID,
                flags.empty() ? "-" : flags.c_str(), unsigned(m.Channel), unsigned(m.DLC),
                data.empty() ? "-" : data.c_str());
  return text;
}

TLogMessage Frame(int64_t time, uint32_t id, uint16_t flags, uint16_t channel, std::vector<uint8_t> data,
                  int dlc = -1) {
  TLogMessage m;
  m.Time = time;
  m.ID = id;
  m.Flags = flags;
  m.Channel = channel;
  m.Length = uint8_t(data.size());
  std::copy(data.begin(), data.end(), m.Data);
  m.DLC = dlc >= 0 ? uint8_t(dlc) : (flags & LOG_FD) ? FdDlcOfLength(m.Length) : m.Length;
  return m;
}

std::vector<uint8_t> Counting(int n, int from = 0) {
  std::vector<uint8_t> bytes;
  for (int i = 0; i < n; ++i) bytes.push_back(uint8_t(from + i));
  return bytes;
}

struct TRead {
  std::vector<std::string> Messages;
  TLogReadReport Report;
  TLogInfo Info;
};

TRead ReadText(std::string text) {
  auto source = std::make_unique<TByteSource>();
  source->OpenBytes(std::move(text));
  auto reader = MakeTrcReader(std::move(source));
  TRead r;
  TLogMessage m;
  while (reader->Next(m)) r.Messages.push_back(Describe(m));
  r.Report = reader->Report();
  r.Info = reader->Info();
  return r;
}

std::string Write(const std::vector<TLogMessage>& messages, const TLogWriteOptions& options,
                  TLogWriteReport* report = nullptr) {
  TStringSink sink;
  auto writer = MakeTrcWriter(sink, options);
  for (const TLogMessage& m : messages) writer->Write(m);
  writer->Finish();
  std::string error;
  EXPECT_TRUE(sink.Finish(error)) << error;
  if (report) *report = writer->Report();
  return sink.Bytes;
}

std::string HexBytes(int n, int from) {
  std::string text;
  char two[4];
  for (int i = 0; i < n; ++i) {
    std::snprintf(two, sizeof two, "%02X ", (from + i) & 0xFF);
    text += two;
  }
  return text;
}

// ---- each version's lines --------------------------------------------------------------

struct TVersionCase {
  const char* Name;
  std::string Text;
  std::vector<std::string> Expected;
  std::optional<int64_t> StartEpochNs;
  uint64_t OtherEvents;
};

std::vector<TVersionCase> VersionCases() {
  return {
      {"1.0 without a version line",
       ";##########################################################################\r\n"
       ";   C:\\trace.trc\r\n"
       ";    Start time: 31.08.2004 09:53:23.472\r\n"
       ";----+- ---+--- ----+--- + -+ -- -- ...\r\n"
       "     1)      1841  0001  8  00 11 22 33 44 55 66 77\r\n"
       "     2)      3204  1FFFFFFF  3  01 02 0A\r\n"
       "     3)      3205  0123  2  RTR\r\n"
       "     4)     13287  FFFFFFFF  4  00 00 00 04\r\n",
       {"1841000000 1 - ch1 dlc8 0011223344556677", "3204000000 1FFFFFFF X ch1 dlc3 01020A",
        "3205000000 123 R ch1 dlc2 -"},
       std::nullopt,
       1},
      {"1.1",
       ";$FILEVERSION=1.1\r\n;$STARTTIME=25569.5\r\n;\r\n"
       "     1)      1841.3  Rx         0001  8  00 11 22 33 44 55 66 77 \r\n"
       "     2)      3204.0  Tx     00000100  0  \r\n"
       "     3)      3205.7  Rx         07FF  1  RTR \r\n"
       "     4)      3300.1  Warng  FFFFFFFF  4  00 00 00 08  BUSHEAVY \r\n"
       "     5)      3301.9  Error      0004  5  04 00 02 00 00 \r\n",
       {"1841300000 1 - ch1 dlc8 0011223344556677", "3204000000 100 XT ch1 dlc0 -", "3205700000 7FF R ch1 dlc1 -",
        "3301900000 4 E ch1 dlc5 0400020000"},
       int64_t(43200) * 1'000'000'000,
       1},
      {"1.2",
       ";$FILEVERSION=1.2\n;$STARTTIME=43474.5054524421\n"
       "     1)      1841.3 1  Rx         0001  8  00 11 22 33 44 55 66 77\n"
       "     2)      1842.0 2  Tx     18EFC034  2  AA BB\n",
       {"1841300000 1 - ch1 dlc8 0011223344556677", "1842000000 18EFC034 XT ch2 dlc2 AABB"},
       int64_t(1547035671090997440),
       0},
      {"1.3",
       ";$FILEVERSION=1.3\r\n"
       "     1)      1841.3 1  Rx         0001 -  8  00 11 22 33 44 55 66 77\r\n"
       "     2)      1842.0 2  Tx     18EFC034 -  2  RTR\r\n",
       {"1841300000 1 - ch1 dlc8 0011223344556677", "1842000000 18EFC034 XRT ch2 dlc2 -"},
       std::nullopt,
       0},
      {"2.0",
       ";$FILEVERSION=2.0\r\n;$STARTTIME=43474.5\r\n;$COLUMNS=N,O,T,I,d,l,D\r\n"
       "      1      1059.900 DT     0300 Rx 7  00 00 00 00 04 00 00\r\n"
       "      2      1334.416 FD     0500 Tx 12 01 02 03 04 05 06 07 08 09 0A 0B 0C\r\n"
       "      3      1334.522 ER          Rx 04 00 02 00 00\r\n"
       "      4      1334.531 ST          Rx 00 00 00 08\r\n"
       "      5      1334.643 EC          Rx 02 02\r\n"
       "      6      1336.543 RR     0100 Rx 3\r\n",
       {"1059900000 300 - ch1 dlc7 00000000040000", "1334416000 500 FT ch1 dlc9 0102030405060708090A0B0C",
        "1334522000 0 E ch1 dlc5 0400020000", "1336543000 100 R ch1 dlc3 -"},
       int64_t(1547035200000000000),
       2},
      {"2.1",
       ";$FILEVERSION=2.1\r\n;$STARTTIME=43474.5054524421\r\n;$COLUMNS=N,O,T,B,I,d,R,L,D\r\n"
       "      1      1059.900 DT 1      0300 Rx -  7    00 00 00 00 04 00 00\r\n"
       "      2      1298.945 DT 2  18EFC034 Tx -  8    01 02 03 04 05 06 07 08\r\n"
       "      3      1334.416 FD 1      0500 Tx -  9    01 02 03 04 05 06 07 08 09 0A 0B 0C\r\n"
       "      4      1334.417 FB 1      0501 Rx -  1    FF\r\n"
       "      5      1334.418 FE 1      0502 Rx -  0\r\n"
       "      6      1334.419 BI 2  00000503 Rx -  15   " +
           HexBytes(64, 0) +
           "\r\n"
           "      7      1334.522 ER 1         - Rx -  5    04 00 02 00 00\r\n"
           "      8      1334.531 ST 1         - Rx -  4    00 00 00 08\r\n"
           "      9      1334.643 EC 1         - Rx -  2    02 02\r\n"
           "     10      1336.543 RR 2      0100 Rx -  3\r\n"
           "     11      1336.544 DT 1      0101 Rx -  12   01 02 03 04 05 06 07 08\r\n"
           "     12      1336.545 EV 1 a user's event text\r\n",
       {"1059900000 300 - ch1 dlc7 00000000040000", "1298945000 18EFC034 XT ch2 dlc8 0102030405060708",
        "1334416000 500 FT ch1 dlc9 0102030405060708090A0B0C", "1334417000 501 FB ch1 dlc1 FF",
        "1334418000 502 FS ch1 dlc0 -",
        "1334419000 503 XFBS ch2 dlc15 " + [] {
          std::string s;
          for (int i = 0; i < 64; ++i) s += HexBytes(1, i).substr(0, 2);
          return s;
        }(),
        "1334522000 0 E ch1 dlc5 0400020000", "1336543000 100 R ch2 dlc3 -",
        "1336544000 101 - ch1 dlc12 0102030405060708"},
       int64_t(1547035671090997440),
       3},
      {"2.1 with columns of its own",
       ";$FILEVERSION=2.1\n;$COLUMNS=O,T,B,I,d,l,D\n  1059.9 DT 3 0300 Tx 2 AB CD\n  -0.125 DT 3 0300 Rx 0\n",
       {"1059900000 300 T ch3 dlc2 ABCD", "-125000 300 - ch3 dlc0 -"},
       std::nullopt,
       0},
  };
}

TEST(TrcRead, EveryVersionsLinesAsWritten) {
  for (const TVersionCase& c : VersionCases()) {
    SCOPED_TRACE(c.Name);
    const TRead r = ReadText(c.Text);
    EXPECT_EQ(r.Messages, c.Expected);
    EXPECT_EQ(r.Info.Format, LOG_FORMAT_TRC);
    EXPECT_EQ(r.Info.StartEpochNs, c.StartEpochNs);
    EXPECT_EQ(r.Report.Skipped[SKIP_OTHER_EVENT], c.OtherEvents);
    EXPECT_EQ(r.Report.SkippedTotal(), c.OtherEvents);
    EXPECT_EQ(r.Report.Messages, c.Expected.size());
    EXPECT_TRUE(IsTrcLog(c.Text));
  }
}

TEST(TrcRead, TellsTracesFromOtherLogs) {
  const struct {
    const char* Head;
    bool Trc;
  } cases[] = {
      {";$FILEVERSION=2.1\r\n;$STARTTIME=43474.5\r\n", true},
      {";##########\r\n;   C:\\trace.trc\r\n     1)      1841  0001  8  00 11 22 33 44 55 66 77\r\n", true},
      {";##########\r\n;    Columns description:\r\n", true},  // an empty 1.0 trace
      {";##########\r\nhello there, this is text\r\n", false},
      {"date Tue Dec 08 9:4:5 2026\r\nbase hex  timestamps absolute\r\n", false},
      {"(1436509052.249713) can0 044#2A366C2BBA\n", false},
      {"   1)  1841  0001  8  00\n", false},  // a number and a parenthesis alone say too little
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsTrcLog(c.Head), c.Trc) << c.Head;
  EXPECT_EQ(ProbeLogFormat(";$FILEVERSION=2.1\r\n;$STARTTIME=43474.5\r\n;$COLUMNS=N,O,T,B,I,d,R,L,D\r\n", "a.txt"),
            LOG_FORMAT_TRC);
}

// ---- damaged lines ---------------------------------------------------------------------

TEST(TrcRead, DamagedLinesAreCountedByReasonAndTheRestIsRead) {
  const std::string v21 = ";$FILEVERSION=2.1\r\n;$COLUMNS=N,O,T,B,I,d,R,L,D\r\n";
  const std::string v11 = ";$FILEVERSION=1.1\r\n";
  const struct {
    const std::string& Header;
    std::string Line;
    TLogSkip Reason;
  } cases[] = {
      {v21, "garbage", SKIP_NOT_UNDERSTOOD},
      {v21, "      2      12.500 XX 1      0100 Rx -  1    00", SKIP_NOT_UNDERSTOOD},
      {v21, "      2      12.500 DT 1      0100 Qx -  1    00", SKIP_NOT_UNDERSTOOD},
      {v21, "      2      12.500 DT 0      0100 Rx -  1    00", SKIP_NOT_UNDERSTOOD},
      {v21, "      2      12.500 DT 1      0100", SKIP_NOT_UNDERSTOOD},
      {v21, "     2x      12.500 DT 1      0100 Rx -  1    00", SKIP_NOT_UNDERSTOOD},
      {v21, "      2      12.x00 DT 1      0100 Rx -  1    00", SKIP_TIME},
      {v21, "      2      12.5000001 DT 1      0100 Rx -  1    00", SKIP_TIME},
      {v21, "      2  99999999999999 DT 1      0100 Rx -  1    00", SKIP_TIME},
      {v21, "      2      12.500 DT 1      0800 Rx -  1    00", SKIP_IDENTIFIER},
      {v21, "      2      12.500 DT 1  20000000 Rx -  1    00", SKIP_IDENTIFIER},
      {v21, "      2      12.500 DT 1      01G0 Rx -  1    00", SKIP_IDENTIFIER},
      {v21, "      2      12.500 DT 1 100000000 Rx -  1    00", SKIP_IDENTIFIER},
      {v21, "      2      12.500 DT 1      0100 Rx -  3    00 11", SKIP_DATA},
      {v21, "      2      12.500 DT 1      0100 Rx -  1    00 11", SKIP_DATA},
      {v21, "      2      12.500 DT 1      0100 Rx -  1    0G", SKIP_DATA},
      {v21, "      2      12.500 DT 1      0100 Rx -  1    123", SKIP_DATA},
      {v21, "      2      12.500 DT 1      0100 Rx -  16   00", SKIP_DATA},
      {v21, "      2      12.500 DT 1      0100 Rx -  x    00", SKIP_DATA},
      {v21, "      2      12.500 FD 1      0100 Rx -  9    00 00 00 00 00 00 00 00", SKIP_DATA},
      {v21, "      2      12.500 FD 1      0100 Rx -  15   " + HexBytes(100, 0), SKIP_DATA},
      {v21, "      2      12.500 RR 1      0100 Rx -  2    00 00", SKIP_DATA},
      {v21, "      2      12.500 ER 1         - Rx -  5    04 00", SKIP_DATA},
      {v21, "      2      12.500 ST 1         - Rx -  4    00 00 00 08", SKIP_OTHER_EVENT},
      {v11, "     2)        12.5  Rx         0100  2  RTR 00", SKIP_DATA},
      {v11, "     2)        12.5  Zz         0100  1  00", SKIP_NOT_UNDERSTOOD},
      {v11, "     2)        12,5  Rx         0100  1  00", SKIP_TIME},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Line);
    const bool v2 = &c.Header == &v21;
    const std::string before = v2 ? "      1      10.000 DT 1      0100 Rx -  1    AA" : "     1)        10.0  Rx  0100  1  AA";
    const std::string after = v2 ? "      3      14.000 DT 2  00000200 Tx -  2    BB CC" : "     3)        14.0  Tx  00000200  2  BB CC";
    const TRead r = ReadText(c.Header + before + "\r\n" + c.Line + "\r\n" + after + "\r\n");
    EXPECT_EQ(r.Messages, (std::vector<std::string>{"10000000 100 - ch1 dlc1 AA",
                                                    std::string("14000000 200 XT ") + (v2 ? "ch2" : "ch1") + " dlc2 BBCC"}));
    EXPECT_EQ(r.Report.Skipped[c.Reason], 1u);
    EXPECT_EQ(r.Report.SkippedTotal(), 1u);
    if (LogSkipIsDamage(c.Reason)) {
      ASSERT_EQ(r.Report.First.size(), 1u);
      EXPECT_EQ(r.Report.First[0].Where, v2 ? 4u : 3u);
    }
  }
}

TEST(TrcRead, ColumnsItCannotFollowMakeEveryLineNotUnderstood) {
  const TRead r = ReadText(";$FILEVERSION=2.1\n;$COLUMNS=N,O,D,T\n      1      10.000 DT 1      0100 Rx -  1    AA\n");
  EXPECT_TRUE(r.Messages.empty());
  EXPECT_EQ(r.Report.Skipped[SKIP_NOT_UNDERSTOOD], 1u);
}

TEST(TrcRead, AnOverlongLineIsPassedOverAndCounted) {
  std::string text = ";$FILEVERSION=2.1\n      1      10.000 DT 1      0100 Rx -  1    AA\n      2      11.000 DT 1      0100 Rx -  ";
  text.append(TLineReader::MaxLineBytes + 16, '0');
  text += "\n      3      12.000 DT 1      0100 Rx -  1    BB\n";
  const TRead r = ReadText(std::move(text));
  EXPECT_EQ(r.Messages, (std::vector<std::string>{"10000000 100 - ch1 dlc1 AA", "12000000 100 - ch1 dlc1 BB"}));
  EXPECT_EQ(r.Report.Skipped[SKIP_TOO_LONG], 1u);
  EXPECT_EQ(r.Report.SkippedTotal(), 1u);
}

// ---- writing ---------------------------------------------------------------------------

TEST(TrcWrite, LinesAndHeaderAsPcanViewWritesThem) {
  TLogWriteOptions options;
  options.Source.StartEpochNs = int64_t(1547035200000000000);  // 43474.5 days
  const std::string text = Write(
      {
          Frame(1'059'900'000, 0x300, 0, 1, {0, 0, 0, 0, 4, 0, 0}),
          Frame(1'298'945'400, 0x18EFC034, LOG_EXTENDED | LOG_TX, 2, Counting(8, 1)),
          Frame(1'334'416'000, 0x500, LOG_FD | LOG_BRS | LOG_TX, 1, Counting(12, 1)),
          Frame(1'334'522'000, 0, LOG_ERROR_FRAME, 1, {4, 0, 2, 0, 0}),
          Frame(1'336'543'000, 0x100, LOG_REMOTE, 2, {}, 3),
      },
      options);
  const std::string expected =
      ";$FILEVERSION=2.1\r\n"
      ";$STARTTIME=43474.50000000000000\r\n"
      ";$COLUMNS=N,O,T,B,I,d,R,L,D\r\n";
  EXPECT_EQ(text.substr(0, expected.size()), expected);
  EXPECT_NE(text.find(";   Start time: 09.01.2019 12:00:00.000.0 (UTC)\r\n"), std::string::npos);
  const std::string lines =
      "      1      1059.900 DT 1      0300 Rx -  7    00 00 00 00 04 00 00\r\n"
      "      2      1298.945 DT 2  18EFC034 Tx -  8    01 02 03 04 05 06 07 08\r\n"
      "      3      1334.416 FB 1      0500 Tx -  9    01 02 03 04 05 06 07 08 09 0A 0B 0C\r\n"
      "      4      1334.522 ER 1         - Rx -  5    04 00 02 00 00\r\n"
      "      5      1336.543 RR 2      0100 Rx -  3\r\n";
  ASSERT_GE(text.size(), lines.size());
  EXPECT_EQ(text.substr(text.size() - lines.size()), lines);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n') continue;
    ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "a line without CR LF at " << i;
  }
}

TEST(TrcWrite, RoundTripKeepsEveryKindToTheMicrosecond) {
  TLogWriteOptions options;
  options.Source.StartEpochNs = int64_t(1547035671090997443);  // not a whole microsecond
  TLogMessage busOff;
  busOff.Event = LOG_BUS_OFF;
  busOff.Time = 5'000'000;
  const std::vector<TLogMessage> messages = {
      Frame(0, 0x123, 0, 1, {1, 2, 3}),
      Frame(1'234'567'500, 0x1FFFFFFF, LOG_EXTENDED | LOG_TX, 2, Counting(8, 0xF8)),  // a half: to even, up
      Frame(1'234'568'500, 0x7FF, 0, 1, {}),                                          // a half: to even, down
      Frame(1'234'569'499, 0x5, LOG_EXTENDED | LOG_REMOTE, 1, {}, 5),
      busOff,
      Frame(1'300'000'000, 0x10, LOG_FD | LOG_BRS, 2, Counting(64, 100)),
      Frame(1'300'000'001, 0x11, LOG_FD | LOG_ESI | LOG_TX, 1, Counting(12)),
      Frame(1'300'000'002, 0x12, LOG_FD | LOG_BRS | LOG_ESI, 1, {}),
      Frame(1'300'000'003, 0x13, LOG_FD, 3, Counting(20)),
      Frame(1'300'000'004, 0, LOG_ERROR_FRAME, 1, {4, 0, 2, 0, 0}),
      Frame(1'300'000'005, 0x14, 0, 1, Counting(8), 12),  // classic frame of 8 bytes with DLC 12
      Frame(900'000'000, 0x15, 0, 1, {9}),                 // earlier than the one before
      Frame(-1'500, 0x16, 0, 1, {}),                       // before the log's zero
      Frame(int64_t(864'000) * 1'000'000'000 + 7'000, 0x17, 0, 1, {7}),  // ten days in
  };
  TLogWriteReport report;
  const std::string text = Write(messages, options, &report);
  EXPECT_EQ(report.Written, messages.size() - 1);
  EXPECT_EQ(report.LeftOut[LEFT_OUT_BUS_EVENT], 1u);
  EXPECT_EQ(report.LeftOutTotal(), 1u);

  std::vector<std::string> expected;
  for (TLogMessage m : messages) {
    if (m.Event != LOG_FRAME) continue;
    const int64_t us = m.Time / 1000, rest = m.Time % 1000;
    m.Time = 1000 * (us + (rest > 500 || (rest == 500 && (us & 1)) ? 1 : rest < -500 || (rest == -500 && (us & 1)) ? -1 : 0));
    expected.push_back(Describe(m));
  }
  const TRead r = ReadText(text);
  EXPECT_EQ(r.Messages, expected);
  EXPECT_EQ(r.Info.StartEpochNs, options.Source.StartEpochNs);
  EXPECT_EQ(r.Report.SkippedTotal(), 0u);
  EXPECT_EQ(r.Report.Backwards, 2u);
}

TEST(TrcWrite, EpochTimesCountFromTheFirstMessagesSecond) {
  TLogWriteOptions options;
  options.Source.EpochTimes = true;  // candump
  const int64_t first = int64_t(1436509052249713000), second = int64_t(1436509053000001000);
  const std::string text = Write({Frame(first, 0x44, 0, 1, {0x2A}), Frame(second, 0x45, 0, 1, {})}, options);
  const TRead r = ReadText(text);
  ASSERT_EQ(r.Info.StartEpochNs, int64_t(1436509052) * 1'000'000'000);
  EXPECT_EQ(r.Messages, (std::vector<std::string>{"249713000 44 - ch1 dlc1 2A", "1000001000 45 - ch1 dlc0 -"}));
}

TEST(TrcWrite, AnEmptyLogGetsItsHeaderAtFinish) {
  TLogWriteOptions options;
  options.NowEpochNs = int64_t(1767225600) * 1'000'000'000;  // start unknown: today
  TStringSink sink;
  auto writer = MakeTrcWriter(sink, options);
  EXPECT_TRUE(sink.Bytes.empty());
  writer->Finish();
  std::string error;
  ASSERT_TRUE(sink.Finish(error));
  EXPECT_TRUE(writer->StartUnknown());
  EXPECT_EQ(writer->Report().Written, 0u);
  const TRead r = ReadText(sink.Bytes);
  EXPECT_TRUE(r.Messages.empty());
  EXPECT_EQ(r.Info.StartEpochNs, options.NowEpochNs);
  EXPECT_TRUE(IsTrcLog(sink.Bytes));
}

// ---- python-can ------------------------------------------------------------------------



// Frames of every shape python-can knows: 11 and 29 bits, remote frames,
// CAN FD of up to 64 bytes with BRS and ESI, two channels, both directions,
// microsecond times, one earlier than the frame before. The first is a
// classic data frame, which every reader takes.
std::vector<TLogMessage> RandomFrames(uint32_t seed, bool errorFrames) {
  std::mt19937 random(seed);
  const auto below = [&](uint32_t n) { return uint32_t(random() % n); };
  std::vector<TLogMessage> frames;
  int64_t us = 1000;
  for (int i = 0; i < 300; ++i) {
    us += 1 + below(5000);
    // Frame 150 is earlier than frame 149; both are data frames, which
    // every reader takes.
    const int64_t time = i == 150 ? us - 5001 : us;
    const bool extended = below(2), tx = below(3) == 0;
    const uint32_t id = extended ? below(0x20000000) : below(0x800);
    const uint16_t channel = uint16_t(1 + below(2));
    const uint32_t kind = i == 0 || i == 149 || i == 150 ? 0 : below(10);
    uint16_t flags = (extended ? LOG_EXTENDED : 0) | (tx ? LOG_TX : 0);
    std::vector<uint8_t> data;
    int dlc = -1;
    if (kind == 1) {
      flags |= LOG_REMOTE;
      dlc = int(below(9));
    } else if (kind == 2 || kind == 3) {
      flags |= LOG_FD | (below(2) ? LOG_BRS : 0) | (below(2) ? LOG_ESI : 0);
      data.resize(FdLengthOfDlc(uint8_t(below(16))));
    } else if (kind == 4 && errorFrames) {
      flags = LOG_ERROR_FRAME | (tx ? LOG_TX : 0);
      data.resize(5);
    } else {
      data.resize(below(9));
    }
    for (uint8_t& b : data) b = uint8_t(below(256));
    frames.push_back(Frame(time * 1000, flags & LOG_ERROR_FRAME ? 0 : id, flags, channel, data, dlc));
  }
  return frames;
}

// Frames python-can (4.1: data frames only) may leave out of a 2.1 trace.
bool PythonCanMayLeaveOut(const TLogMessage& m) { return m.Remote() || m.Fd() || m.ErrorFrame(); }

class TrcInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HasPythonCan()) GTEST_SKIP() << "python3-can is not installed";
  }
  std::string Python(const std::string& script, const std::string& args) {
    const std::string file = folder.Write("script.py", script);
    return Output("timeout 20 /usr/bin/python3 " + file + " " + args + " 2>&1");
  }
  test::TempFolder folder{"tarvo-trc"};
  const fs::path dir = folder.Path();
};

TEST_F(TrcInterop, PythonCanWritesTarvoReadsFrameForFrame) {
  const std::vector<TLogMessage> frames = RandomFrames(7, false);
  {
    std::ofstream list(dir / "frames.txt");
    for (const TLogMessage& m : frames) {
      list << m.Time / 1000 << ' ' << m.ID << ' ' << m.Extended() << ' ' << m.Remote() << ' ' << m.Fd() << ' '
           << bool(m.Flags & LOG_BRS) << ' ' << bool(m.Flags & LOG_ESI) << ' ' << m.Channel - 1 << ' ' << !m.Tx()
           << ' ' << int(m.DLC) << ' ';
      for (int i = 0; i < m.Length; ++i) list << char("0123456789abcdef"[m.Data[i] >> 4]) << char("0123456789abcdef"[m.Data[i] & 15]);
      list << (m.Length ? "\n" : "-\n");
    }
  }
  const std::string out = Python(
      "import can, logging, sys\n"
      "logging.disable(logging.WARNING)\n"
      "w = can.TRCWriter(sys.argv[2])\n"
      "for line in open(sys.argv[1]):\n"
      "    us, i, x, r, fd, brs, esi, ch, rx, dlc, data = line.split()\n"
      "    d = bytes.fromhex(data) if data != '-' else b''\n"
      "    m = can.Message(timestamp=int(us) / 1e6, arbitration_id=int(i), is_extended_id=x == '1',\n"
      "                    is_remote_frame=r == '1', is_fd=fd == '1', bitrate_switch=brs == '1',\n"
      "                    error_state_indicator=esi == '1', channel=int(ch), is_rx=rx == '1', data=d,\n"
      "                    dlc=int(dlc) if r == '1' else None)\n"
      "    w.on_message_received(m)\n"
      "w.stop()\n"
      "print('written')\n",
      (dir / "frames.txt").string() + " " + (dir / "python.trc").string());
  ASSERT_NE(out.find("written"), std::string::npos) << out;

  std::string error;
  auto source = std::make_unique<TByteSource>();
  ASSERT_TRUE(source->Open((dir / "python.trc").string(), error)) << error;
  ASSERT_TRUE(IsTrcLog(source->Head()));
  auto reader = MakeTrcReader(std::move(source));
  std::vector<std::string> read;
  TLogMessage m;
  while (reader->Next(m)) read.push_back(Describe(m));

  // python-can counts offsets from its first frame.
  size_t next = 0, classic = 0;
  for (TLogMessage e : frames) {
    e.Time -= frames[0].Time;
    if (next < read.size() && read[next] == Describe(e)) {
      ++next;
      classic += !PythonCanMayLeaveOut(e);
    } else {
      ASSERT_TRUE(PythonCanMayLeaveOut(e)) << "missing or different: " << Describe(e) << "\nread instead: "
                                          << (next < read.size() ? read[next] : "nothing");
    }
  }
  EXPECT_EQ(next, read.size()) << "a frame no one wrote: " << read[std::min(next, read.size() - 1)];
  EXPECT_GT(classic, 150u);
  EXPECT_EQ(reader->Report().DamagedTotal(), 0u);
  EXPECT_EQ(reader->Report().Backwards, 1u);
}

TEST_F(TrcInterop, TarvoWritesPythonCanReadsFrameForFrame) {
  const std::vector<TLogMessage> frames = RandomFrames(11, true);
  TLogWriteOptions options;
  options.Source.StartEpochNs = int64_t(1700000000123456000);
  const std::string text = Write(frames, options);
  std::ofstream(dir / "tarvo.trc", std::ios::binary) << text;
  const std::string out = Python(
      "import can, logging, sys\n"
      "logging.disable(logging.WARNING)\n"
      "for m in can.TRCReader(sys.argv[1]):\n"
      "    print('%.6f %X %d %d %d %d %d %d %d %d %d %s' % (m.timestamp, m.arbitration_id, m.is_extended_id,\n"
      "          m.is_remote_frame, m.is_error_frame, m.is_fd, m.bitrate_switch, m.error_state_indicator,\n"
      "          int(m.channel), not m.is_rx, m.dlc, m.data.hex().upper() or '-'))\n"
      "print('end')\n",
      (dir / "tarvo.trc").string());
  std::istringstream in(out);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_FALSE(lines.empty());
  ASSERT_EQ(lines.back(), "end") << out;
  lines.pop_back();
  ASSERT_FALSE(lines.empty()) << out;

  // The same columns from python-can's view of a frame, its time counted
  // from the first frame (newer python-can adds the start time).
  double zero = 0;
  std::sscanf(lines[0].c_str(), "%lf", &zero);
  size_t next = 0, classic = 0;
  for (const TLogMessage& e : frames) {
    char expected[512];
    std::string data;
    for (int i = 0; i < (e.Remote() ? 0 : e.Length); ++i) data += HexBytes(1, e.Data[i]).substr(0, 2);
    std::snprintf(expected, sizeof expected, "%lld %X %d %d %d %d %d %d %u %d %d %s",
                  (long long)(e.Time - frames[0].Time) / 1000, e.ID, e.Extended(), e.Remote(), e.ErrorFrame(), e.Fd(),
                  bool(e.Flags & LOG_BRS), bool(e.Flags & LOG_ESI), unsigned(e.Channel), e.Tx(),
                  e.Fd() ? FdDlcOfLength(e.Length) : e.Remote() ? e.DLC : e.Length, data.empty() ? "-" : data.c_str());
    std::string got;
    if (next < lines.size()) {
      double t = 0;
      char rest[512] = {};
      std::sscanf(lines[next].c_str(), "%lf %511[^\n]", &t, rest);
      got = std::to_string(std::llround((t - zero) * 1e6)) + " " + rest;
    }
    if (got == expected) {
      ++next;
      classic += !PythonCanMayLeaveOut(e);
    } else {
      ASSERT_TRUE(PythonCanMayLeaveOut(e)) << "python-can read: " << got << "\nwritten: " << expected;
    }
  }
  EXPECT_EQ(next, lines.size()) << "a frame not written: " << lines[std::min(next, lines.size() - 1)];
  EXPECT_GT(classic, 150u);
}

}  // namespace
}  // namespace tarvo
