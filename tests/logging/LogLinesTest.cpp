// The lines, header and footer of the three log formats, byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "logging/LogBuffer.h"
#include "logging/LogLines.h"
#include "logging/LogWriters.h"

namespace tarvo {
namespace {

TTarvoCAN Message(uint8_t ide, uint8_t rtr, uint32_t id, uint8_t dlc, std::initializer_list<uint8_t> data,
                  uint32_t ticks) {
  TTarvoCAN m;
  m.IDE = ide;
  m.RTR = rtr;
  m.ID = id;
  m.DLC = dlc;
  size_t i = 0;
  for (uint8_t b : data) m.Data[i++] = b;
  m.TimeStamp = ticks;
  return m;
}

const TTarvoCAN Data123 = Message(0, 0, 0x123, 3, {0x01, 0x41, 0xFF}, 48828);
const TTarvoCAN Remote12345Dlc8 = Message(1, 1, 0x12345, 8, {}, 48828);
const TTarvoCAN Remote12345Dlc2 = Message(1, 1, 0x12345, 2, {}, 48828);
const TTarvoCAN DataDlc0 = Message(0, 0, 0x123, 0, {}, 48828);

TLogLineFormat Format(TLogFileType type, bool hex, bool optional = false, char marker = ' ') {
  TLogLineFormat f;
  f.FileType = type;
  f.Hexadecimal = hex;
  f.ASCIIDecode = f.MessageCount = f.MessagePeriod = optional;
  f.StatusCode = marker;
  return f;
}

std::string Receive(const TLogLineFormat& f, const TTarvoCAN& m, uint32_t count = 5, uint32_t period = 3906) {
  char out[TLogBuffer::MaxLineLength];
  return std::string(out, FormatReceiveLine(f, m, count, period, out));
}

struct ReceiveCase {
  const char* name;
  TLogLineFormat format;
  TTarvoCAN message;
  uint32_t count, period;
  std::string line;
};

class ReceiveLines : public ::testing::TestWithParam<ReceiveCase> {};

TEST_P(ReceiveLines, MatchTheFormatByteForByte) {
  const ReceiveCase& c = GetParam();
  EXPECT_EQ(Receive(c.format, c.message, c.count, c.period), c.line);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedLines, ReceiveLines,
    ::testing::Values(
        ReceiveCase{"TxtDec", Format(TXT_FILE, false), Data123, 5, 3906,
                    "RD11  1.2500       291        1    65   255  "},
        ReceiveCase{"TxtHex", Format(TXT_FILE, true), Data123, 5, 3906,
                    "RD11  1.2500       123        01   41   FF  "},
        ReceiveCase{"TxtDecOptional", Format(TXT_FILE, false, true), Data123, 5, 3906,
                    "RD11  1.2500       291        1    65   255                            A         5            "
                    "0.1000"},
        ReceiveCase{"CsvDec", Format(CSV_FILE, false), Data123, 5, 3906, "RD11,1.2500,291,1,65,255"},
        ReceiveCase{"CsvHexMarker", Format(CSV_FILE, true, false, '!'), Data123, 5, 3906,
                    "RD11,!1.2500,123,1,41,FF"},
        ReceiveCase{"CsvDecOptional", Format(CSV_FILE, false, true), Data123, 5, 3906,
                    "RD11,1.2500,291,1,65,255,,,,,, A ,5,0.1000"},
        ReceiveCase{"AscDec", Format(ASC_FILE, false), Data123, 5, 3906,
                    "   1.250000 1  291             Rx   d 3   1  65 255"},
        ReceiveCase{"AscHex", Format(ASC_FILE, true), Data123, 5, 3906,
                    "   1.250000 1  123             Rx   d 3 01 41 FF"},
        ReceiveCase{"AscHexRemote", Format(ASC_FILE, true), Remote12345Dlc8, 5, 3906,
                    "   1.250000 1  12345x          Rx   r 8"},
        ReceiveCase{"TxtHexRemote", Format(TXT_FILE, true), Remote12345Dlc2, 5, 3906,
                    "RR29  1.2500       12345      ?    ?   "},
        ReceiveCase{"CsvHexRemote", Format(CSV_FILE, true), Remote12345Dlc2, 5, 3906, "RR29,1.2500,12345,?,?"},
        ReceiveCase{"CsvDlc0", Format(CSV_FILE, false), DataDlc0, 5, 3906, "RD11,1.2500,291,"},
        ReceiveCase{"TxtOneTick", Format(TXT_FILE, false), Message(0, 0, 1, 0, {}, 1), 0, 0,
                    "RD11  0.0000       1          "},
        ReceiveCase{"CsvCountZeroPeriodZero", Format(CSV_FILE, false, true), DataDlc0, 0, 0,
                    "RD11,1.2500,291,,,,,,,,,,,0"},
        ReceiveCase{"TxtPeriodZero", Format(TXT_FILE, false, true), DataDlc0, 7, 0,
                    // 6 + 2 after the identifier, 40 for the data, 8 + 3 for the empty ASCII
                    "RD11  1.2500       291" + std::string(59, ' ') + "7            "},
        // Halves go to the even neighbour: 3 ticks are 0.768 units of 0.1 ms.
        ReceiveCase{"AscDecExtendedData", Format(ASC_FILE, false), Message(1, 0, 0x1FFFFFFF, 1, {7}, 39062500), 0,
                    0, "1000.000000 1  536870911x      Rx   d 1   7"},
        // Every column at its boundaries: decimal bytes of one, two and three
        // digits, the widest identifiers, the largest time, count and period.
        ReceiveCase{"AscDecByteWidths", Format(ASC_FILE, false), Message(0, 0, 0x123, 6, {0, 9, 10, 99, 100, 255}, 48828),
                    0, 0, "   1.250000 1  291             Rx   d 6   0   9  10  99 100 255"},
        ReceiveCase{"TxtDecByteWidths", Format(TXT_FILE, false), Message(0, 0, 0x123, 6, {0, 9, 10, 99, 100, 255}, 48828),
                    0, 0, "RD11  1.2500       291        0    9    10   99   100  255  "},
        ReceiveCase{"CsvDecByteWidths", Format(CSV_FILE, false), Message(0, 0, 0x123, 6, {0, 9, 10, 99, 100, 255}, 48828),
                    0, 0, "RD11,1.2500,291,0,9,10,99,100,255"},
        ReceiveCase{"AscHexByteWidths", Format(ASC_FILE, true), Message(0, 0, 0x7FF, 4, {0, 9, 10, 255}, 48828),
                    0, 0, "   1.250000 1  7FF             Rx   d 4 00 09 0A FF"},
        ReceiveCase{"TxtHexWidest", Format(TXT_FILE, true), Message(1, 0, 0x1FFFFFFF, 2, {0, 0xFF}, 0xFFFFFFFF), 0, 0,
                    "RD29  109951.1628  1FFFFFFF   00   FF  "},
        ReceiveCase{"TxtDecWidest", Format(TXT_FILE, false, true), Message(1, 0, 0x1FFFFFFF, 1, {255}, 0xFFFFFFFF),
                    0xFFFFFFFF, 0xFFFFFFFF,
                    "RD29  109951.1628  536870911  255  " + std::string(35, ' ') + "        " + "   " +
                        "4294967295   109951.1628"},
        ReceiveCase{"AscDecWidest", Format(ASC_FILE, false), Message(1, 0, 0x1FFFFFFF, 1, {255}, 0xFFFFFFFF), 0, 0,
                    "109951.162800 1  536870911x      Rx   d 1 255"},
        // A comma or a double quote in the ASCII text: the field is quoted.
        ReceiveCase{"CsvAsciiQuoted", Format(CSV_FILE, true, true), Message(0, 0, 0x123, 4, {0x41, 0x2C, 0x22, 0x42}, 48828),
                    5, 3906, "RD11,1.2500,123,41,2C,22,42,,,,,\"A,\"\"B\",5,0.1000"},
        // A DLC above 8 names only eight data positions.
        ReceiveCase{"CsvDlcAbove8", Format(CSV_FILE, true), Message(0, 0, 0x7FF, 15, {1, 2, 3, 4, 5, 6, 7, 8}, 0),
                    0, 0, "RD11,0.0000,7FF,1,2,3,4,5,6,7,8"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TransmitLines, MatchTheFormatWithAsciiDecode) {
  const uint8_t data[8] = {0x31, 0x32};
  char out[TLogBuffer::MaxLineLength];
  struct Case {
    TLogFileType type;
    const char* line;
  } cases[] = {
      {TXT_FILE, "TD11  2.5000       7FF        31   32                                 12"},
      {CSV_FILE, "TD11,2.5000,7FF,31,32,,,,,,,12"},
      {ASC_FILE, "   2.500000 1  7FF             Tx   d 2 31 32"},
  };
  for (const Case& c : cases) {
    TLogLineFormat f = Format(c.type, true);
    f.ASCIIDecode = true;
    f.MessageCount = f.MessagePeriod = true;  // never on transmitted lines
    EXPECT_EQ(std::string(out, FormatTransmitLine(f, 0, 0x7FF, 0, 2, data, 2500, out)), c.line);
  }
}

TEST(TransmitLines, CountAndPeriodAloneAddNothing) {
  const uint8_t data[8] = {0x31, 0x32};
  char out[TLogBuffer::MaxLineLength];
  TLogLineFormat f = Format(CSV_FILE, true);
  f.MessageCount = f.MessagePeriod = true;
  EXPECT_EQ(std::string(out, FormatTransmitLine(f, 0, 0x7FF, 0, 2, data, 2500, out)), "TD11,2.5000,7FF,31,32");
  f.FileType = TXT_FILE;
  EXPECT_EQ(std::string(out, FormatTransmitLine(f, 1, 0x12345, 1, 1, data, 1, out)),
            "TR29  0.0010       12345      ?   ");
}

std::string StatusLine(TLogFileType type, int kind) {
  TDeviceStatus status;
  status.TimeStamp = 97656;
  TLog log;
  log.FileType = type;
  log.Buffer[0] = std::make_unique<TLogBuffer>(1024);
  TDisplaySettings display;
  display.NumericBase = NUMERIC_DECIMAL;
  switch (kind) {
    case 0: LogBusEvent(log, display, 1, status.TimeStamp); break;
    case 1: status.Param[2] = 5; LogErrorCounters(log, display, status); break;
    case 2: status.Param[2] = 0x12; LogStatus(log, display, status); break;
    case 3: status.Param[0] = 12; status.Param[1] = 5; LogBusLoad(log, display, status, true); break;
    case 4: LogMessageMissing(log, display, status); break;
  }
  return std::string(log.Buffer[0]->Text());
}

TEST(StatusLines, MatchTheWorkedLines) {
  struct Case {
    int kind;
    const char* txt;
    const char* csv;
  } cases[] = {
      {0, "EF    2.5000     \r\n", "EF,2.5000\r\n"},
      {1, "RE    2.5000       Count      5  \r\nTE    2.5000       Count      0  \r\n",
       "RE,2.5000,Count,5  \r\nTE,2.5000,Count,0  \r\n"},
      {2, "ST    2.5000       Status     12 (Hex.)\r\n", "ST,2.5000,Status,12 (Hex.)\r\n"},
      {3, "BL    2.5000       Bus Load   12.5%\r\n", "BL,2.5000,Bus Load,12.5%\r\n"},
      {4, "MM   !2.5000     \r\n", "MM,!2.5000\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    EXPECT_EQ(StatusLine(TXT_FILE, c.kind), c.txt);
    EXPECT_EQ(StatusLine(CSV_FILE, c.kind), c.csv);
  }
  EXPECT_EQ(StatusLine(ASC_FILE, 0), "   2.500000 1  ErrorFrame\r\n");
  for (int kind = 1; kind <= 4; ++kind) EXPECT_EQ(StatusLine(ASC_FILE, kind), "") << kind;
}

TEST(StatusLines, BusEventsOfEveryKindAndNoneOutsideThem) {
  char out[TLogBuffer::MaxLineLength];
  const TLogLineFormat f = Format(CSV_FILE, true);
  const char* codes[] = {"EF", "BA", "BP", "BO"};
  for (int event = 1; event <= 4; ++event)
    EXPECT_EQ(std::string(out, FormatBusEventLine(f, event, 97656, out)), std::string(codes[event - 1]) + ",2.5000");
  EXPECT_EQ(FormatBusEventLine(f, 0, 97656, out), 0u);
  EXPECT_EQ(FormatBusEventLine(f, 5, 97656, out), 0u);
}

TEST(StatusLines, SetTheMarkerOfLaterMessageLines) {
  TLog log;
  log.FileType = CSV_FILE;
  log.Buffer[0] = std::make_unique<TLogBuffer>(1024);
  TDisplaySettings display;
  display.ASCIIDecode = display.MessageCount = display.MessagePeriod = false;
  TDeviceStatus status;
  status.Param[2] = 0x12;
  LogStatus(log, display, status);  // display base hexadecimal: no "(Hex.)"
  LogReceiveMessage(log, display, Data123, 1, 0);
  status.Param[0] = 200;  // limited to 100.0 %
  LogBusLoad(log, display, status, false);
  status.Param[2] = 0;
  LogStatus(log, display, status);
  LogReceiveMessage(log, display, Data123, 1, 0);
  LogBusLoad(log, display, status, true);
  EXPECT_EQ(log.Buffer[0]->Text(),
            "ST,0.0000,Status,12\r\n"
            "RD11,!1.2500,123,1,41,FF\r\n"
            "BL,!0.0000,Bus Load,100.0%\r\n"
            "ST,0.0000,Status,OK\r\n"
            "RD11,1.2500,123,1,41,FF\r\n"
            "BL,0.0000,Bus Load,100.0%\r\n");
  EXPECT_EQ(log.Buffer[0]->Count(), 6);
}

TEST(Writers, TransmitWritesNothingWhileTheViewHidesTransmissions) {
  TLog log;
  log.Buffer[0] = std::make_unique<TLogBuffer>(1024);
  TDisplaySettings display;
  const uint8_t data[8] = {};
  LogTransmitMessage(log, display, false, 0, 1, 0, 0, data, 0);
  EXPECT_TRUE(log.Buffer[0]->Empty());
  LogTransmitMessage(log, display, true, 0, 1, 0, 0, data, 0);
  EXPECT_EQ(log.Buffer[0]->Count(), 1);
}

TEST(Writers, AppendToTheBufferTheGuiThreadFillsAndNothingWithoutOne) {
  TLog log;
  TDisplaySettings display;
  LogReceiveMessage(log, display, Data123, 1, 0);  // no buffers: no recording
  log.Buffer[0] = std::make_unique<TLogBuffer>(1024);
  log.Buffer[1] = std::make_unique<TLogBuffer>(1024);
  log.BufferNo = 1;
  LogReceiveMessage(log, display, Data123, 1, 0);
  EXPECT_EQ(log.Buffer[0]->Count(), 0);
  EXPECT_EQ(log.Buffer[1]->Count(), 1);
}

TEST(LogBuffer, GrowsWithoutLosingLines) {
  TLogBuffer buffer(300);
  std::string expected;
  for (int i = 0; i < 1000; ++i) {
    const std::string line = "line " + std::to_string(i);
    buffer.AppendLine(line);
    expected += line + "\r\n";
  }
  buffer.AppendLine(std::string(5000, 'x'));
  expected += std::string(5000, 'x') + "\r\n";
  EXPECT_EQ(buffer.Text(), expected);
  EXPECT_EQ(buffer.Count(), 1001);
  buffer.Clear();
  EXPECT_TRUE(buffer.Empty());
  EXPECT_EQ(buffer.Text(), "");
}

// ---- Header and footer --------------------------------------------------------

const TLogHeaderClock Clock{"09:04:05", "08/12/2026", "Tue Dec 08 9:4:5 2026"};

TEST(Header, TxtWithAndWithoutOptionalColumns) {
  const std::string rule67(67, '~');
  EXPECT_EQ(LogHeader(Format(TXT_FILE, false), "trace.txt", Clock),
            rule67 + "\r\ntrace - 09:04:05 08/12/2026 - Decimal\r\n" + rule67 +
                "\r\n\r\nTYPE  ___TIME____  ___ID____  D1   D2   D3   D4   D5   D6   D7   D8\r\n");
  const std::string rule104(67 + 11 + 13 + 13, '~');
  EXPECT_EQ(LogHeader(Format(TXT_FILE, true, true), "trace.txt", Clock),
            rule104 + "\r\ntrace - 09:04:05 08/12/2026 - Hexadecimal\r\n" + rule104 +
                "\r\n\r\nTYPE  ___TIME____  ___ID____  D1   D2   D3   D4   D5   D6   D7   D8"
                "   _ASCII__   __COUNT___   __PERIOD__\r\n");
}

TEST(Header, CsvWithAsciiOnly) {
  TLogLineFormat f = Format(CSV_FILE, true);
  f.ASCIIDecode = true;
  const std::string rule(95 + 11, '~');
  EXPECT_EQ(LogHeader(f, "a.csv", Clock), rule + "\r\na - 09:04:05 08/12/2026 - Hexadecimal\r\n" + rule +
                                              "\r\n\r\nTYPE,TIME,ID,D1,D2,D3,D4,D5,D6,D7,D8,ASCII\r\n");
  EXPECT_EQ(LogHeader(f, "abc", Clock).substr(rule.size() + 2, 4), " - 0");  // a name shorter than an extension
}

TEST(Header, Asc) {
  EXPECT_EQ(LogHeader(Format(ASC_FILE, false), "x.asc", Clock),
            "date Tue Dec 08 9:4:5 2026\r\n"
            "base dec  timestamps absolute\r\n"
            "no internal events logged\r\n"
            "// Tarvo Application v5.6\r\n"
            "   0.000000 Start of measurement\r\n");
  EXPECT_EQ(LogHeader(Format(ASC_FILE, true), "x.asc", Clock).substr(28, 10), "base hex  ");
}

TEST(Footer, TxtWithEveryOptionalKey) {
  TLogFooterInfo info;
  info.RecordErrorCounters = info.RecordBusLoad = true;
  info.TarvoDescription = "Tarvo  H/W v7.0  S/W v1.2";
  info.TarvoInternalStatus = "  Status OK";
  const std::string rule = std::string(67, '~') + "\r\n";
  EXPECT_EQ(LogFooter(Format(TXT_FILE, true), info),
            rule + "Key\r\n" + rule +
                "RD = Receive Data\r\nRR = Receive Request\r\nTD = Transmit Data\r\nTR = Transmit Request\r\n"
                "EF = Error Frame\r\nRE = Receive Error Count\r\nTE = Transmit Error Count\r\n"
                "BA = Bus Active\r\nBP = Bus Passive\r\nBO = Bus Off\r\nBL = Bus Load\r\n"
                "ST = Tarvo Status\r\nMM = Message Missing {Corrupt message received}\r\n"
                " ! = Tarvo Error {Messages may be missing from log}\r\n" +
                rule + "CAN Baud Rate = 250.00k\r\nCAN Bit Sample Point = 70.00%\r\n" +
                "Tarvo  H/W v7.0  S/W v1.2  Status OK\r\n" + rule);
}

TEST(Footer, OptionalKeysNeedSupportAndRecording) {
  TLogFooterInfo info;
  info.RecordErrorCounters = info.RecordBusLoad = true;
  info.BusLoadSupportedFlag = false;
  const std::string footer = LogFooter(Format(CSV_FILE, true), info);
  EXPECT_EQ(footer.find("RE = "), std::string::npos);
  EXPECT_EQ(footer.find("BL = "), std::string::npos);
  EXPECT_EQ(footer.substr(0, 95), std::string(95, '~'));
  info.BusLoadSupportedFlag = true;
  info.RecordBusLoad = false;
  const std::string onlyCounters = LogFooter(Format(CSV_FILE, true), info);
  EXPECT_NE(onlyCounters.find("TE = Transmit Error Count\r\n"), std::string::npos);
  EXPECT_EQ(onlyCounters.find("BL = "), std::string::npos);
  EXPECT_EQ(LogFooter(Format(ASC_FILE, true), info), "");
}

TEST(Footer, BitRateAndSamplePoint) {
  struct Case {
    uint8_t brp, prop, ph1, ph2;
    bool clock40;
    const char* rate;
    const char* sample;
  } cases[] = {
      {4, 5, 8, 6, true, "CAN Baud Rate = 250.00k", "CAN Bit Sample Point = 70.00%"},
      {2, 2, 4, 3, true, "CAN Baud Rate = 1.00M", "CAN Bit Sample Point = 70.00%"},
      {4, 5, 8, 6, false, "CAN Baud Rate = 125.00k", "CAN Bit Sample Point = 70.00%"},
      {1, 2, 4, 3, true, "CAN Baud Rate = 2.00M", "CAN Bit Sample Point = 70.00%"},
      {3, 1, 1, 1, true, "CAN Baud Rate = 1.67M", "CAN Bit Sample Point = 75.00%"},
      {16, 8, 8, 8, false, "CAN Baud Rate = 25.00k", "CAN Bit Sample Point = 68.00%"},
      {0, 1, 1, 1, true, "CAN Baud Rate = 0.00k", "CAN Bit Sample Point = 75.00%"},
  };
  for (const Case& c : cases) {
    TLogFooterInfo info;
    info.BRP = c.brp;
    info.PROPSEG = c.prop;
    info.PHSEG1 = c.ph1;
    info.PHSEG2 = c.ph2;
    info.CANClock40MHzFlag = c.clock40;
    EXPECT_EQ(LogBaudRateText(info), c.rate);
    EXPECT_EQ(LogSamplePointText(info), c.sample);
  }
}

}  // namespace
}  // namespace tarvo
