#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "logging/ReplayParser.h"
#include "support/TempFolder.h"

namespace tarvo {
namespace {

const std::string TxtRule(67, '~');
const std::string CsvRule(95, '~');

std::string TxtHeader(bool decimal = false) {
  return TxtRule + "\r\nlog - 09:04:05 08.12.2026 - " + (decimal ? "Decimal" : "Hexadecimal") + "\r\n" + TxtRule +
         "\r\n\r\nTYPE  ___TIME____  ___ID____  D1   D2   D3   D4   D5   D6   D7   D8\r\n";
}
std::string CsvHeader(bool decimal = false) {
  return CsvRule + "\r\nlog - 09:04:05 08.12.2026 - " + (decimal ? "Decimal" : "Hexadecimal") + "\r\n" + CsvRule +
         "\r\n\r\nTYPE,TIME,ID,D1,D2,D3,D4,D5,D6,D7,D8\r\n";
}
std::string AscHeader(bool decimal = false) {
  return std::string("date Tue Dec 08 9:4:5 2026\r\nbase ") + (decimal ? "dec" : "hex") +
         "  timestamps absolute\r\nno internal events logged\r\n// Tarvo Application v5.6\r\n"
         "   0.000000 Start of measurement\r\n";
}
std::string Header(TLogFileType type, bool decimal = false) {
  return type == CSV_FILE ? CsvHeader(decimal) : type == ASC_FILE ? AscHeader(decimal) : TxtHeader(decimal);
}

struct Expected {
  uint8_t IDE, RTR;
  uint32_t ID;
  uint8_t DLC;
  std::vector<uint8_t> Data;
  uint32_t TimeStamp;
  uint8_t Direction = REPLAY_DIRECTION_RX;
};

struct Case {
  const char* Name;
  TLogFileType Type;
  bool Decimal;          // header says decimal
  std::string Body;      // lines after the header
  TReplayParseStatus Status;
  std::vector<Expected> Messages;
  bool Rx = true, Tx = false;
  uint32_t Gap = 0;
  int32_t Base = -1;     // expected NumericBase when not -1
};

struct Parsed {
  TReplayParseResult Result;
  std::vector<TTarvoCAN> Messages;
  std::vector<uint8_t> Directions;
};

Parsed Parse(const std::string& bytes, const TReplayParseOptions& options, size_t capacity = 64) {
  Parsed p;
  p.Messages.resize(capacity);
  p.Directions.resize(capacity);
  p.Result = ParseReplayLog(bytes, options, p.Messages, p.Directions);
  return p;
}

void ExpectMessages(const Parsed& p, const std::vector<Expected>& expected, const char* name) {
  ASSERT_EQ(p.Result.NoOfMessages, int32_t(expected.size())) << name;
  for (size_t i = 0; i < expected.size(); ++i) {
    const TTarvoCAN& m = p.Messages[i];
    const Expected& e = expected[i];
    EXPECT_EQ(m.IDE, e.IDE) << name << " #" << i;
    EXPECT_EQ(m.RTR, e.RTR) << name << " #" << i;
    EXPECT_EQ(m.ID, e.ID) << name << " #" << i;
    EXPECT_EQ(m.DLC, e.DLC) << name << " #" << i;
    EXPECT_EQ(m.TimeStamp, e.TimeStamp) << name << " #" << i;
    EXPECT_EQ(p.Directions[i], e.Direction) << name << " #" << i;
    if (e.RTR == 0) {
      for (size_t b = 0; b < e.Data.size(); ++b) EXPECT_EQ(m.Data[b], e.Data[b]) << name << " #" << i << " byte " << b;
    }
  }
}

const uint8_t TX = REPLAY_DIRECTION_TX;

// Every edge of the reader, one small file each.
TEST(ReplayParser, EdgeCases) {
  const std::vector<Case> cases = {
      {"equal and earlier times are pushed forward by the gap", TXT_FILE, false,
       "RD11  0.1000       1          01  \r\nRD11  0.1000       2          02  \r\n"
       "RD11  0.0500       3          03  \r\n",
       PARSE_VALID,
       {{0, 0, 1, 1, {1}, 3906}, {0, 0, 2, 1, {2}, 3945}, {0, 0, 3, 1, {3}, 3984}}, true, false, 39},
      {"a step smaller than the gap is widened, a larger one kept", CSV_FILE, false,
       "RD11,1.0000,1,\r\nRD11,1.0005,2,\r\nRD11,1.0100,3,\r\n", PARSE_VALID,
       {{0, 0, 1, 0, {}, 39062}, {0, 0, 2, 0, {}, 39101}, {0, 0, 3, 0, {}, 39453}}, true, false, 39},
      {"status marker before the time; RE and ST lines skipped", TXT_FILE, false,
       "RE    1.0000       Count      5  \r\nST    1.1000       Status     OK\r\n"
       "RD11 !1.2500       123        01   41   FF  \r\n",
       PARSE_VALID, {{0, 0, 0x123, 3, {1, 0x41, 0xFF}, 48828}}},
      {"only transmitted lines replayed", TXT_FILE, false,
       "RD11  1.0000       100        01  \r\nTD11  1.5000       7FF        31   32  \r\n"
       "RR11  1.7500       101        ?   \r\nTR29  2.0000       1ABCDEF    ?    ?   \r\n",
       PARSE_VALID, {{0, 0, 0x7FF, 2, {0x31, 0x32}, 58594, TX}, {1, 1, 0x1ABCDEF, 2, {}, 78125, TX}}, false, true},
      {"both directions", CSV_FILE, false, "RD11,1.0000,100,1\r\nTD11,1.5000,7FF,31,32\r\n", PARSE_VALID,
       {{0, 0, 0x100, 1, {1}, 39062}, {0, 0, 0x7FF, 2, {0x31, 0x32}, 58594, TX}}, true, true},
      {"CSV remote frame: DLC from the question marks, no data", CSV_FILE, false, "RR29,1.2500,12345,?,?\r\n",
       PARSE_VALID, {{1, 1, 0x12345, 2, {}, 48828}}},
      {"lower-case hexadecimal identifier", TXT_FILE, false, "RD11  1.0000       7ff        01  \r\n",
       PARSE_FORMAT_INVALID, {}},
      {"no \"- Decimal\": hexadecimal", TXT_FILE, false, "RD11  1.0000       10         10  \r\n", PARSE_VALID,
       {{0, 0, 0x10, 1, {0x10}, 39062}}, true, false, 0, 1},
      {"decimal file", TXT_FILE, true, "RD11  1.2500       291        1    65   255  \r\n", PARSE_VALID,
       {{0, 0, 291, 3, {1, 65, 255}, 48828}}, true, false, 0, 0},
      {"hexadecimal digits in a decimal file", CSV_FILE, true, "RD11,1.0000,1A,1\r\n", PARSE_FORMAT_INVALID, {}},
      {"ASC warning line of a forced stop", ASC_FILE, false,
       "   1.000000 1  123             Rx   d 1 01\r\n"
       "Warning - Messages possibly lost due to forced termination.\r\n",
       PARSE_ERROR, {{0, 0, 0x123, 1, {1}, 39062}}},
      {"ASC lines: 29-bit remote, error frame skipped, Tx not chosen", ASC_FILE, false,
       "   1.250000 1  12345x          Rx   r 8\r\n   2.500000 1  ErrorFrame\r\n"
       "   2.600000 1  7FF             Tx   d 2 31 32\r\n   3.000000 1  1               Rx   d 0\r\n",
       PARSE_VALID, {{1, 1, 0x12345, 8, {}, 48828}, {0, 0, 1, 0, {}, 117188}}},
      {"ASC decimal", ASC_FILE, true, "   1.250000 1  291             Rx   d 3   1  65 255\r\n", PARSE_VALID,
       {{0, 0, 291, 3, {1, 65, 255}, 48828}}, true, false, 0, 0},
      {"ASC DLC 9", ASC_FILE, false, "   1.000000 1  123             Rx   d 9 1 2 3 4 5 6 7 8 9\r\n",
       PARSE_FORMAT_INVALID, {}},
      {"ASC negative DLC", ASC_FILE, false, "   1.000000 1  123             Rx   d -1\r\n", PARSE_FORMAT_INVALID, {}},
      {"ASC DLC too large to convert", ASC_FILE, false, "   1.000000 1  123             Rx   d 99999999999\r\n",
       PARSE_ERROR, {}},
      {"ASC fewer data bytes than the DLC", ASC_FILE, false, "   1.000000 1  123             Rx   d 3 01 02\r\n",
       PARSE_FORMAT_INVALID, {}},
      {"ASC frame kind neither d nor r", ASC_FILE, false, "   1.000000 1  123             Rx   x 1 01\r\n",
       PARSE_FORMAT_INVALID, {}},
      {"TXT optional columns cut at 68 characters", TXT_FILE, true,
       "RD11  1.2500       291        1    65   255                            A         5            0.1000\r\n",
       PARSE_VALID, {{0, 0, 291, 3, {1, 65, 255}, 48828}}},
      {"TXT more than 8 data fields", TXT_FILE, false, "RD11  1.0000  1 1 2 3 4 5 6 7 8 9\r\n",
       PARSE_FORMAT_INVALID, {}},
      {"CSV optional columns stop at the empty padding", CSV_FILE, true,
       "RD11,1.2500,291,1,65,255,,,,,, A ,5,0.1000\r\n", PARSE_VALID, {{0, 0, 291, 3, {1, 65, 255}, 48828}}},
      {"CSV data frame of DLC 0", CSV_FILE, true, "RD11,1.2500,291,\r\n", PARSE_VALID, {{0, 0, 291, 0, {}, 48828}}},
      // The ASCII column quoted where it holds "," or "\"", and as older
      // versions wrote it, unquoted: the data read the same.
      {"CSV ASCII text quoted", CSV_FILE, false, "RD11,1.0000,100,41,2C,22,42,,,,,\"A,\"\"B\",5,0.1000\r\n",
       PARSE_VALID, {{0, 0, 0x100, 4, {0x41, 0x2C, 0x22, 0x42}, 39062}}},
      {"CSV ASCII text of an older file, unquoted", CSV_FILE, false,
       "RD11,1.0000,100,41,2C,22,42,,,,,A,\"B,5,0.1000\r\n", PARSE_VALID,
       {{0, 0, 0x100, 4, {0x41, 0x2C, 0x22, 0x42}, 39062}}},
      {"CSV eight bytes, older unquoted text", CSV_FILE, false,
       "RD11,1.0000,100,22,2C,43,44,45,46,47,48,\",CDEFGH\r\n", PARSE_VALID,
       {{0, 0, 0x100, 8, {0x22, 0x2C, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48}, 39062}}},
      {"CSV eight bytes and the ASCII column", CSV_FILE, false, "RD11,0.0001,1,1,2,3,4,5,6,7,8,ABCDEFGH\r\n",
       PARSE_VALID, {{0, 0, 1, 8, {1, 2, 3, 4, 5, 6, 7, 8}, 4}}},
      {"quoted fields in a space-separated line", TXT_FILE, false, "RD11 \"1.0\" \"7 F\" 01\r\n",
       PARSE_FORMAT_INVALID, {}},
      {"quoted time in a space-separated line", TXT_FILE, false, "RD11 \"1.0\" 7F 01\r\n", PARSE_VALID,
       {{0, 0, 0x7F, 1, {1}, 39062}}},
      {"ASC line longer than 128 characters", ASC_FILE, false,
       "   1.000000 1  123             Rx   d 2 01 02" + std::string(150, ' ') + "Length = 1 BitCount = 2\r\n",
       PARSE_VALID, {{0, 0, 0x123, 2, {1, 2}, 39062}}},
      {"quoted field", CSV_FILE, false, "\"RD11\",\"1.0\",\"1\"\"\",1\r\n", PARSE_FORMAT_INVALID, {}},
      {"quoted fields that hold plain texts", CSV_FILE, false, "\"RD11\",\"1.0\",\"7F\",1\r\n", PARSE_VALID,
       {{0, 0, 0x7F, 1, {1}, 39062}}},
      {"empty line ends the messages", TXT_FILE, false,
       "RD11  1.0000       1          01  \r\n\r\nRD11  2.0000       2          02  \r\n", PARSE_VALID,
       {{0, 0, 1, 1, {1}, 39062}}},
      {"footer rule ends the messages", CSV_FILE, false, "RD11,1.0000,1,1\r\n" + CsvRule + "\r\nRD11,x,2,2\r\n",
       PARSE_VALID, {{0, 0, 1, 1, {1}, 39062}}},
      {"bare LF line ends and no line end at the end", TXT_FILE, false,
       "RD11  1.0000       1          01\nRD11  2.0000       2          02", PARSE_VALID,
       {{0, 0, 1, 1, {1}, 39062}, {0, 0, 2, 1, {2}, 78125}}},
      {"11-bit identifier above 7FF", TXT_FILE, false, "RD11  1.0000       800        01  \r\n",
       PARSE_FORMAT_INVALID, {}},
      {"29-bit identifier above 1FFFFFFF", CSV_FILE, false, "RD29,1.0,20000000,1\r\n", PARSE_FORMAT_INVALID, {}},
      {"overlong identifier", CSV_FILE, true, "RD29,1.0,999999999999999999999,1\r\n", PARSE_FORMAT_INVALID, {}},
      {"data byte 256", CSV_FILE, true, "RD11,1.0,1,256\r\n", PARSE_FORMAT_INVALID, {}},
      {"data byte with many leading zeros", CSV_FILE, true,
       "RD11,1.0,1," + std::string(5000, '0') + "7\r\n", PARSE_VALID, {{0, 0, 1, 1, {7}, 39062}}},
      {"type code neither 11 nor 29", TXT_FILE, false, "RD12  1.0000       1          01  \r\n",
       PARSE_FORMAT_INVALID, {}},
      {"type code without data or remote", CSV_FILE, false, "RX11,1.0,1,1\r\n", PARSE_FORMAT_INVALID, {}},
      {"time missing after the marker", CSV_FILE, false, "RD11,!,1,1\r\n", PARSE_FORMAT_INVALID, {}},
      {"time with a letter", CSV_FILE, false, "RD11,1.0s,1,1\r\n", PARSE_FORMAT_INVALID, {}},
      {"time beyond the 32-bit time stamps", CSV_FILE, false, "RD11,110000,1,1\r\n", PARSE_ERROR, {}},
      {"time with an exponent", CSV_FILE, false, "RD11,1e-3,1,1\r\n", PARSE_VALID, {{0, 0, 1, 1, {1}, 39}}},
      {"lines of other kinds are skipped", TXT_FILE, false,
       "EF    2.5000     \r\nBL    2.5000       Bus Load   12.5%\r\nMM   !2.5000     \r\n"
       "BA    2.6000     \r\nRD11  3.0000       5          \r\n",
       PARSE_VALID, {{0, 0, 5, 0, {}, 117188}}},
      {"control characters separate fields", CSV_FILE, false, "\tRD11,\x01" "1.0\t,1,\x7f\r\n",
       PARSE_FORMAT_INVALID, {}},
      {"binary garbage is no message line", TXT_FILE, false,
       std::string("\x80\xff\x00\x01RD11 \x00 1 2\xfe\r\n", 18), PARSE_VALID, {}},
      {"binary garbage in a message line", TXT_FILE, false, std::string("RD11 \xff\x00 1 2\r\n", 14),
       PARSE_FORMAT_INVALID, {}},
      // What a line must be, refused when it is not, rather than read for a
      // part of it.
      {"a CSV data byte after an empty data field", CSV_FILE, false, "RD11,0.3000,A0,3,,4\r\n", PARSE_FORMAT_INVALID,
       {}},
      {"a type code with more after it", CSV_FILE, false, "RD11x,0.3000,A0,3\r\n", PARSE_FORMAT_INVALID, {}},
      {"an ASC identifier with more after its x", ASC_FILE, false, "   1.000000 1  12x34           Rx   d 1 01\r\n",
       PARSE_FORMAT_INVALID, {}},
      {"an ASC direction with more after it", ASC_FILE, false, "   1.000000 1  123             Rxfoo d 1 01\r\n",
       PARSE_FORMAT_INVALID, {}},
      {"an ASC frame kind with more after it", ASC_FILE, false, "   1.000000 1  123             Rx   dzz 1 01\r\n",
       PARSE_FORMAT_INVALID, {}},
  };
  for (const Case& c : cases) {
    TReplayParseOptions options;
    options.FileType = c.Type;
    options.ReplayRx = c.Rx;
    options.ReplayTx = c.Tx;
    options.MinimumGap = c.Gap;
    const Parsed p = Parse(Header(c.Type, c.Decimal) + c.Body, options);
    EXPECT_EQ(p.Result.Status, c.Status) << c.Name << ": " << p.Result.Reason;
    ExpectMessages(p, c.Messages, c.Name);
    if (c.Base >= 0) { EXPECT_EQ(p.Result.NumericBase, c.Base) << c.Name; }
    if (c.Status != PARSE_VALID) { EXPECT_GT(p.Result.LineNo, 5u) << c.Name; }
  }
}

TEST(ReplayParser, HeaderChecks) {
  struct HeaderCase {
    const char* Name;
    TLogFileType Type;
    std::string Bytes;
    TReplayParseStatus Status;
    uint64_t LineNo;
  };
  std::string asc = AscHeader();
  const auto replaced = [](std::string s, const std::string& what, const std::string& with) {
    return s.replace(s.find(what), what.size(), with);
  };
  const std::vector<HeaderCase> cases = {
      {"empty file", TXT_FILE, "", PARSE_FORMAT_INVALID, 1},
      {"ends after three lines", TXT_FILE, TxtRule + "\r\nx\r\n" + TxtRule + "\r\n", PARSE_FORMAT_INVALID, 5},
      {"header only", CSV_FILE, CsvHeader(), PARSE_VALID, 0},
      {"nine tildes", TXT_FILE, replaced(TxtHeader(), TxtRule, "~~~~~~~~~"), PARSE_FORMAT_INVALID, 1},
      {"no column titles", CSV_FILE, replaced(CsvHeader(), "TYPE", "KIND"), PARSE_FORMAT_INVALID, 5},
      {"a TXT file read as ASC", ASC_FILE, TxtHeader(), PARSE_FORMAT_INVALID, 1},
      {"ASC without events line", ASC_FILE, replaced(asc, "no internal", "internal"), PARSE_FORMAT_INVALID, 3},
      {"ASC of another writer", ASC_FILE, replaced(asc, "// Tarvo Application", "// version 9.0.0"),
       PARSE_FORMAT_INVALID, 4},
      {"ASC without start of measurement", ASC_FILE, replaced(asc, "0.000000 Start", "0.000000 Begin"),
       PARSE_FORMAT_INVALID, 5},
  };
  for (const HeaderCase& c : cases) {
    TReplayParseOptions options;
    options.FileType = c.Type;
    const Parsed p = Parse(c.Bytes, options);
    EXPECT_EQ(p.Result.Status, c.Status) << c.Name;
    EXPECT_EQ(p.Result.LineNo, c.LineNo) << c.Name;
    EXPECT_EQ(p.Result.NoOfMessages, 0) << c.Name;
  }
}

TEST(ReplayParser, TimeTextsToTicks) {
  struct TimeCase {
    const char* Text;
    int Result;
    uint32_t Ticks;
  };
  const TimeCase cases[] = {
      {"1.2500", 0, 48828},      {"0.0016", 0, 62},        // 62.5: halves to even
      {"0.0048", 0, 188},        // 187.5
      {"1", 0, 39062},           {"3", 0, 117188},          // 39062.5 and 117187.5
      {"0.000000", 0, 0},        {"-0", 0, 0},              {".5", 0, 19531},
      {"1.", 0, 39062},          {"1e-3", 0, 39},           {"1E1", 0, 390625},
      {"109951.1627", 0, 4294967293u},                      // the last times of a 32-bit stamp
      {"109951.1628", 2, 0},     {"1e300", 2, 0},           {"-1", 2, 0},
      {"99999999999999999999999", 2, 0},
      {".", 1, 0},               {"1.2.3", 1, 0},           {"1,5", 1, 0},
      {"+1", 1, 0},              {"0x10", 1, 0},            {"", 1, 0},
  };
  for (const TimeCase& c : cases) {
    uint32_t ticks = 0;
    EXPECT_EQ(TimeTextToTicks(c.Text, ticks), c.Result) << c.Text;
    if (c.Result == 0) { EXPECT_EQ(ticks, c.Ticks) << c.Text; }
  }
}

// The buffer's capacity: 2,000,000 messages are read, later lines ignored.
TEST(ReplayParser, ReadsExactlyTwoMillionMessages) {
  std::string bytes = CsvHeader();
  bytes.reserve(bytes.size() + size_t(MaxLogMessages + 2) * 20);
  char line[64];
  for (int i = 0; i < MaxLogMessages; ++i) {
    const int n = std::snprintf(line, sizeof line, "RD11,%d.%04d,%X,%X\r\n", i / 10000, i % 10000, i & 0x7FF, i & 0xFF);
    bytes.append(line, size_t(n));
  }
  bytes += "RD11,xx,zz,1\r\n";  // would be invalid if it were read
  std::vector<TTarvoCAN> messages(size_t(MaxLogMessages) + 10);
  TReplayParseOptions options;
  options.FileType = CSV_FILE;
  const TReplayParseResult r = ParseReplayLog(bytes, options, messages);
  EXPECT_EQ(r.Status, PARSE_VALID) << r.Reason;
  ASSERT_EQ(r.NoOfMessages, MaxLogMessages);
  EXPECT_EQ(messages[1999999].ID, uint32_t(1999999 & 0x7FF));
  EXPECT_EQ(messages[1999999].TimeStamp, 7812496u);  // 199.9999 s = 7812496.09 ticks
}

// A smaller buffer ends the parse the same way.
TEST(ReplayParser, StopsAtTheCallersCapacity) {
  TReplayParseOptions options;
  options.FileType = CSV_FILE;
  const Parsed p = Parse(CsvHeader() + "RD11,1,1,1\r\nRD11,2,2,2\r\nRD11,3,3,3\r\n", options, 2);
  EXPECT_EQ(p.Result.Status, PARSE_VALID);
  EXPECT_EQ(p.Result.NoOfMessages, 2);
}

class ReplayParserFile : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) { return Folder.Write(name, bytes); }
  test::TempFolder Folder{"tarvo-parser"};
  const std::filesystem::path Dir = Folder.Path();
};

// Lines that straddle the reader's pieces, and a line of 10 MB, read as a
// whole file and as bytes give the same result.
TEST_F(ReplayParserFile, PiecesAndLongLinesReadLikeBytes) {
  std::string bytes = TxtHeader();
  for (int i = 0; i < 60000; ++i) bytes += "RD11  " + std::to_string(i) + ".0000       7FF        01   02  \r\n";
  bytes += "RD11  99999.0000 " + std::string(10 << 20, ' ') + "1 2\r\n";  // two fields after the cut: skipped
  bytes += "RD11  99999.5000       1          " + std::string(10 << 20, '0') + "\r\n";
  TReplayParseOptions options;
  std::vector<TTarvoCAN> a(100000), b(100000);
  const TReplayParseResult fromBytes = ParseReplayLog(bytes, options, a);
  const TReplayParseResult fromFile = ParseReplayLogFile(Write("long.txt", bytes), options, b);
  EXPECT_EQ(fromFile.Status, fromBytes.Status);
  EXPECT_EQ(fromFile.NoOfMessages, fromBytes.NoOfMessages);
  EXPECT_EQ(fromBytes.Status, PARSE_VALID) << fromBytes.Reason;
  EXPECT_EQ(fromBytes.NoOfMessages, 60001);
  EXPECT_EQ(b[60000].DLC, 1);
  for (int i = 0; i < 60000; i += 997) EXPECT_EQ(a[size_t(i)].TimeStamp, b[size_t(i)].TimeStamp);

  // In CSV the whole 10 MB field counts: many zeros and then a 7.
  std::string csv = CsvHeader() + "RD11,1.0,1," + std::string(10 << 20, '0') + "7\r\nRD11,2.0,2,\r\n";
  options.FileType = CSV_FILE;
  const TReplayParseResult longField = ParseReplayLogFile(Write("long.csv", csv), options, b);
  EXPECT_EQ(longField.Status, PARSE_VALID) << longField.Reason;
  EXPECT_EQ(longField.NoOfMessages, 2);
  EXPECT_EQ(b[0].Data[0], 7);
}

TEST_F(ReplayParserFile, MissingFileIsAnInputOutputError) {
  std::vector<TTarvoCAN> messages(4);
  const TReplayParseResult r = ParseReplayLogFile((Dir / "none.txt").string(), {}, messages);
  EXPECT_EQ(r.Status, PARSE_IO_ERROR);
}

TEST_F(ReplayParserFile, AFolderIsAnInputOutputError) {
  std::vector<TTarvoCAN> messages(4);
  const TReplayParseResult r = ParseReplayLogFile(Dir.string(), {}, messages);
  EXPECT_EQ(r.Status, PARSE_IO_ERROR);
}

// Opening a FIFO to read waits for a writer that never comes: refused first.
TEST_F(ReplayParserFile, AFifoIsRefusedWithoutWaiting) {
  const std::string fifo = (Dir / "pipe.txt").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::vector<TTarvoCAN> messages(4);
  const TReplayParseResult r = ParseReplayLogFile(fifo, {}, messages);
  EXPECT_EQ(r.Status, PARSE_IO_ERROR);
  EXPECT_STREQ(r.Reason, "not a regular file");
}

}  // namespace
}  // namespace tarvo
