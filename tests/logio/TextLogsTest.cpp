// The text readers of the log library on the lines their writers write:
// candump, ASC of Tarvo and other tools, Tarvo TXT and CSV. Each line is
// read into a message exactly (time as nanoseconds) or counted by reason;
// damaged lines never stop the reading. And each writer's output reads
// back frame for frame.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logio/LogReader.h"
#include "logio/LogWriter.h"

namespace tarvo {
namespace {

struct TRead {
  std::vector<TLogMessage> Messages;
  TLogReadReport Report;
  TLogInfo Info;
  std::string Error;
};

TRead ReadText(const std::string& text, TLogFormat format = LOG_FORMAT_UNKNOWN) {
  auto source = std::make_unique<TByteSource>();
  source->OpenBytes(text);
  std::string error;
  TRead r;
  std::unique_ptr<TLogReader> reader = MakeLogReader(std::move(source), format, error);
  if (!reader) {
    r.Error = error;
    return r;
  }
  TLogMessage m;
  while (reader->Next(m)) r.Messages.push_back(m);
  r.Report = reader->Report();
  r.Info = reader->Info();
  r.Error = reader->Error();
  return r;
}

// One line: either a message with these fields, or skipped for this reason.
struct LineCase {
  const char* Line;
  int Skip = -1;  // TLogSkip; -1: a message
  uint16_t Flags = 0;
  uint32_t ID = 0;
  uint8_t DLC = 0;
  std::vector<uint8_t> Data = {};
  int64_t Time = 0;
  uint16_t Channel = 1;
};

void ExpectLine(const LineCase& c, const std::string& header, TLogFormat format) {
  const TRead r = ReadText(header + c.Line + "\n", format);
  SCOPED_TRACE(c.Line);
  if (c.Skip >= 0) {
    EXPECT_TRUE(r.Messages.empty());
    EXPECT_EQ(r.Report.Skipped[size_t(c.Skip)], 1u);
    return;
  }
  ASSERT_EQ(r.Messages.size(), 1u);
  EXPECT_EQ(r.Report.SkippedTotal(), 0u);
  const TLogMessage& m = r.Messages[0];
  EXPECT_EQ(m.Flags, c.Flags);
  EXPECT_EQ(m.ID, c.ID);
  EXPECT_EQ(m.DLC, c.DLC);
  ASSERT_EQ(m.Length, c.Data.size());
  for (size_t i = 0; i < c.Data.size(); ++i) EXPECT_EQ(m.Data[i], c.Data[i]);
  EXPECT_EQ(m.Time, c.Time);
  EXPECT_EQ(m.Channel, c.Channel);
}

TEST(TextLogs, CandumpLines) {
  const std::vector<LineCase> cases = {
      {"(1436509052.249713) vcan0 044#2A366C2BBA", -1, 0, 0x44, 5, {0x2A, 0x36, 0x6C, 0x2B, 0xBA}, 1436509052249713000},
      {"(0.000001) can0 12345678#R", -1, LOG_EXTENDED | LOG_REMOTE, 0x12345678, 0, {}, 1000},
      {"(1.5) can1 123#R3", -1, LOG_REMOTE, 0x123, 3, {}, 1500000000, 2},
      {"(1.000000) can0 7FF#", -1, 0, 0x7FF, 0, {}, 1000000000},
      {"(1.000000) can0 123#11.22.33 T", -1, LOG_TX, 0x123, 3, {0x11, 0x22, 0x33}, 1000000000},
      {"(1.000000) can0 123#aabb R", -1, 0, 0x123, 2, {0xAA, 0xBB}, 1000000000},
      {"(1.000000) can0 20000080#0000000000000000", -1, LOG_EXTENDED | LOG_ERROR_FRAME, 0x80, 8,
       {0, 0, 0, 0, 0, 0, 0, 0}, 1000000000},
      {"(1.000000) can0 123##311223344", -1, LOG_FD | LOG_BRS | LOG_ESI, 0x123, 4, {0x11, 0x22, 0x33, 0x44},
       1000000000},
      {"(1.000000) can0 123##0112233445566778899AABBCC", -1, LOG_FD, 0x123, 9,
       {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC}, 1000000000},
      {"(1.000000) can0 123#1122334455667788_C", -1, 0, 0x123, 12, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88},
       1000000000},
      {"(1.000000) can0 800#11", SKIP_IDENTIFIER},
      {"(1.000000) can0 1234#11", SKIP_IDENTIFIER},
      {"(1.000000) can0 123#112", SKIP_DATA},
      {"(1.000000) can0 123#112233445566778899", SKIP_DATA},
      {"(1.000000) can0 123##0112233445566778899", SKIP_DATA},  // 9 bytes is no CAN FD length
      {"(1.000000) can0 123#1122334455667788_8", SKIP_DATA},
      {"(1.000000) can0 123#R9", SKIP_DATA},
      {"(x) can0 123#11", SKIP_TIME},
      {"1.0 can0 123#11", SKIP_NOT_UNDERSTOOD},
      {"(1.0) can0 123#11 X", SKIP_NOT_UNDERSTOOD},
  };
  for (const LineCase& c : cases) ExpectLine(c, "", LOG_FORMAT_CANDUMP);
}

// Lines as python-can's ASCWriter, can-utils' log2asc and Vector tools write them.
TEST(TextLogs, AscLinesOfTarvoAndOtherWriters) {
  const std::string header =
      "date Thu Dec 10 01:31:14.287 AM 2026\nbase hex  timestamps absolute\ninternal events logged\n"
      "// version 9.0.0\nBegin Triggerblock Thu Dec 10 01:31:14.287 AM 2026\n 0.000000 Start of measurement\n";
  const std::vector<LineCase> cases = {
      {" 0.000000 1  123             Rx   d 3 01 02 03", -1, 0, 0x123, 3, {1, 2, 3}, 0},
      {" 0.250000 2  12345x          Tx   r 8 ", -1, LOG_EXTENDED | LOG_REMOTE | LOG_TX, 0x12345, 8, {}, 250000000, 2},
      {" 0.500000 1  ErrorFrame", -1, LOG_ERROR_FRAME, 0, 0, {}, 500000000},
      {"   0.400291 1  12345678x       Rx   r", -1, LOG_EXTENDED | LOG_REMOTE, 0x12345678, 0, {}, 400291000},
      {"   0.4003 1  123             Rx   d 2 01 02  Length = 1 BitCount = 2", -1, 0, 0x123, 2, {1, 2}, 400300000},
      {"   0.5 1  123             Rx   d F 01 02 03 04 05 06 07 08", -1, 0, 0x123, 15, {1, 2, 3, 4, 5, 6, 7, 8},
       500000000},
      // CAN FD the python-can way (name column empty) and with a name.
      {" 1.000000 CANFD   1 Rx          1                                   1 0 9 12 00 01 02 03 04 05 06 07 08 09 0A "
       "0B        0    0     3000        0        0        0        0        0",
       -1, LOG_FD | LOG_BRS, 1, 9, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 1000000000},
      {" 1.000000 CANFD   2 Tx 18FEF100x  EngineData 0 1 2 2 AA BB 0 0 5000 0 0 0 0 0", -1,
       LOG_FD | LOG_ESI | LOG_EXTENDED | LOG_TX, 0x18FEF100, 2, {0xAA, 0xBB}, 1000000000, 2},
      // A classic frame written as a CAN FD line: its flags lack EDL.
      {" 1.000000 CANFD   1 Rx 123  0 0 2 2 AA BB 0 0 0 0 0 0 0 0", -1, 0, 0x123, 2, {0xAA, 0xBB}, 1000000000},
      {" 1.000000 CANFD   1 Rx ErrorFrame 0 0 0", -1, LOG_ERROR_FRAME | LOG_FD, 0, 0, {}, 1000000000},
      {"   0.5 1  123             Rx   d F 01 02 03", SKIP_DATA},
      {"   0.5 1  800             Rx   d 0", SKIP_IDENTIFIER},
      {"   0.5 1  123             Rx   d 3 01 02", SKIP_DATA},
      {"   0.5 1  123             Rx   e 0", SKIP_DATA},
      {"   0.5 1  123             Rx   d 1 100", SKIP_DATA},
      {"   0.5 1  Statistic: D 0 R 0 XD 0 XR 0 E 0 O 0 B 0.00%", SKIP_OTHER_EVENT},
      {"   0.5x 1  123             Rx   d 0", SKIP_TIME},
      {"garbage", SKIP_NOT_UNDERSTOOD},
  };
  for (const LineCase& c : cases) ExpectLine(c, header, LOG_FORMAT_ASC);
}

// In relative time every timed line moves the clock: frames, error frames,
// CAN FD lines and other events alike. Decimal bytes and identifiers.
TEST(TextLogs, AscRelativeTimesCountEveryTimedLine) {
  const TRead r = ReadText(
      "date Tue Dec 08 9:4:5 2026\nbase dec  timestamps relative\nno internal events logged\n"
      "   1.000000 1  291             Rx   d 2 1 255\n"
      "   0.500000 1  ErrorFrame\n"
      "   0.250000 CANFD   1 Rx 291  0 0 1 1 7 0 0 1000 0 0 0 0 0\n"
      "   0.125000 1  Statistic: D 0\n"
      "   0.125000 1  292             Rx   d 0\n");
  ASSERT_EQ(r.Messages.size(), 4u);
  EXPECT_EQ(r.Messages[0].ID, 291u);
  EXPECT_EQ(r.Messages[0].Data[1], 255);
  EXPECT_EQ(r.Messages[1].Time, 1'500'000'000);
  EXPECT_EQ(r.Messages[2].Time, 1'750'000'000);
  EXPECT_EQ(r.Messages[3].Time, 2'000'000'000);
  EXPECT_EQ(r.Report.Skipped[SKIP_OTHER_EVENT], 1u);
  EXPECT_FALSE(r.Info.Hexadecimal);
  ASSERT_TRUE(r.Info.StartEpochNs.has_value());
}

TEST(TextLogs, TarvoTxtAndCsvLinesWithTheFooterLeftAlone) {
  const std::string rule(67, '~');
  const std::string txt = rule + "\r\nt - 09:04:05 08.12.2026 - Hexadecimal\r\n" + rule +
                          "\r\n\r\nTYPE  ___TIME____  ___ID____  D1   D2   D3   D4   D5   D6   D7   D8\r\n"
                          "RD11  1.2500       123        01   41   FF                            A         5   \r\n"
                          "RR29 !1.2600       12345      ?    ?   \r\n"
                          "TD11  2.5000       7FF        31   32                                 12\r\n"
                          "EF    2.5001     \r\n"
                          "BP    2.5002     \r\n"
                          "RE    2.5003       Count      5  \r\n"
                          "RD11  0.1000       800        01  \r\n"
                          "RD11  0.1000       100        01  \r\n"
                          "\r\n" + rule + "\r\nKey\r\n" + rule + "\r\nRD = Receive Data\r\nEF = Error Frame\r\n";
  const TRead r = ReadText(txt);
  EXPECT_EQ(r.Info.Format, LOG_FORMAT_TXT);
  ASSERT_EQ(r.Messages.size(), 6u);
  EXPECT_EQ(r.Messages[0].Time, 1'250'000'000);
  EXPECT_EQ(r.Messages[0].Length, 3);
  EXPECT_EQ(r.Messages[0].Data[2], 0xFF);
  EXPECT_EQ(r.Messages[1].Flags, LOG_EXTENDED | LOG_REMOTE);
  EXPECT_EQ(r.Messages[1].DLC, 2);
  EXPECT_EQ(r.Messages[2].Flags, LOG_TX);
  EXPECT_EQ(r.Messages[3].Flags, LOG_ERROR_FRAME);
  EXPECT_EQ(r.Messages[4].Event, LOG_BUS_PASSIVE);
  EXPECT_EQ(r.Report.Skipped[SKIP_STATUS], 1u);
  EXPECT_EQ(r.Report.Skipped[SKIP_IDENTIFIER], 1u);  // and the footer's key is no line of messages
  EXPECT_EQ(r.Report.Backwards, 1u);
  ASSERT_EQ(r.Report.First.size(), 1u);
  EXPECT_EQ(r.Report.First[0].Where, 12u);

  const std::string csv = std::string(95, '~') + "\r\nc - 09:04:05 08.12.2026 - Decimal\r\n" + std::string(95, '~') +
                          "\r\n\r\nTYPE,TIME,ID,D1,D2,D3,D4,D5,D6,D7,D8\r\n"
                          "RD11,1.2500,291,1,65,255,,,,,, A ,5,0.1000\r\n"
                          "RD11,!1.2500,291,1,2,3,4,5,6,7,8,\"A,B\"\r\n"
                          "BL,1.3000,Bus Load,12.5%\r\n"
                          "RD11,1.4000,291,1,x\r\n"
                          "RD11,1.5000,A0,3,,4\r\n";
  const TRead c = ReadText(csv);
  EXPECT_EQ(c.Info.Format, LOG_FORMAT_CSV);
  ASSERT_EQ(c.Messages.size(), 2u);
  EXPECT_EQ(c.Messages[0].Length, 3);
  EXPECT_EQ(c.Messages[1].Length, 8);  // the quoted ASCII field is not a ninth byte
  EXPECT_EQ(c.Report.Skipped[SKIP_STATUS], 1u);
  EXPECT_EQ(c.Report.Skipped[SKIP_DATA], 2u);  // a byte after an empty field too
}

TEST(TextLogs, SecondsAreReadAndWrittenExactly) {
  struct Case {
    const char* Text;
    int64_t Ns;
    int Decimals;
    const char* Written;
  };
  const Case cases[] = {
      {"162.543500", 162'543'500'000, 6, "162.543500"},
      {"0.00005", 50'000, 4, "0.0000"},    // a half goes to the even neighbour
      {"0.00015", 150'000, 4, "0.0002"},
      {"1436509052.249713", 1'436'509'052'249'713'000, 6, "1436509052.249713"},
      {"-0.5", -500'000'000, 6, "-0.500000"},
      {"0.123456789", 123'456'789, 9, "0.123456789"},
  };
  for (const Case& c : cases) {
    int64_t ns = 0;
    ASSERT_TRUE(ReadSeconds(c.Text, ns)) << c.Text;
    EXPECT_EQ(ns, c.Ns) << c.Text;
    char out[32];
    *WriteSeconds(out, ns, c.Decimals) = 0;
    EXPECT_STREQ(out, c.Written) << c.Text;
  }
  int64_t ns = 0;
  for (const char* bad : {"", ".", "5.", ".5", "1.2.3", "0.1234567891", "9223372037", "1e3", "x", "-"})
    EXPECT_FALSE(ReadSeconds(bad, ns)) << bad;
}

// A message of every kind the text formats hold, written and read back.
std::vector<TLogMessage> EveryKind() {
  std::vector<TLogMessage> out;
  const auto add = [&](uint16_t flags, uint32_t id, std::vector<uint8_t> data, int64_t time, uint16_t channel,
                       uint8_t dlc) {
    TLogMessage m;
    m.Flags = flags;
    m.ID = id;
    m.Time = time;
    m.Channel = channel;
    m.Length = uint8_t(data.size());
    for (size_t i = 0; i < data.size(); ++i) m.Data[i] = data[i];
    m.DLC = dlc;
    out.push_back(m);
  };
  add(0, 0x7FF, {1, 2, 3}, 1'000'100'000, 1, 3);
  add(LOG_EXTENDED | LOG_TX, 0x1FFFFFFF, {0xFF}, 1'000'200'000, 2, 1);
  add(LOG_REMOTE | LOG_EXTENDED, 0x5, {}, 1'000'300'000, 1, 2);
  add(LOG_FD | LOG_BRS, 0x123, std::vector<uint8_t>(64, 0x5A), 1'000'400'000, 2, 15);
  add(LOG_ERROR_FRAME, 0, {}, 1'000'500'000, 1, 0);
  add(0, 0x001, {}, 1'000'200'000, 1, 0);  // earlier than the one before: kept
  return out;
}

TEST(TextLogs, WhatIsWrittenReadsBackFrameForFrame) {
  for (TLogFormat f : {LOG_FORMAT_CANDUMP, LOG_FORMAT_ASC, LOG_FORMAT_TXT, LOG_FORMAT_CSV}) {
    SCOPED_TRACE(LogFormatName(f));
    TStringSink sink;
    TLogWriteOptions options;
    options.Source.Format = LOG_FORMAT_ASC;
    options.Source.StartEpochNs = 1'700'000'000'000'000'000;
    std::unique_ptr<TLogWriter> writer = MakeLogWriter(f, sink, options);
    const std::vector<TLogMessage> in = EveryKind();
    for (const TLogMessage& m : in) writer->Write(m);
    writer->Finish();
    std::string error;
    ASSERT_TRUE(sink.Finish(error));
    const TRead r = ReadText(sink.Bytes);
    ASSERT_EQ(r.Info.Format, f);
    const bool classicOnly = f == LOG_FORMAT_TXT || f == LOG_FORMAT_CSV;
    EXPECT_EQ(writer->Report().LeftOut[LEFT_OUT_FD], classicOnly ? 1u : 0u);
    ASSERT_EQ(r.Messages.size(), in.size() - (classicOnly ? 1 : 0));
    EXPECT_EQ(r.Report.DamagedTotal(), 0u);
    EXPECT_EQ(r.Report.Backwards, 1u);
    size_t k = 0;
    for (const TLogMessage& m : in) {
      if (classicOnly && m.Fd()) continue;
      const TLogMessage& back = r.Messages[k++];
      const int64_t zero = f == LOG_FORMAT_CANDUMP ? *options.Source.StartEpochNs : 0;
      EXPECT_EQ(back.Time - zero, m.Time) << k;
      EXPECT_EQ(back.Flags & ~LOG_EXTENDED, m.Flags & ~LOG_EXTENDED) << k;
      if (m.ErrorFrame()) continue;
      EXPECT_EQ(back.Flags, m.Flags) << k;
      EXPECT_EQ(back.ID, m.ID) << k;
      EXPECT_EQ(back.Length, m.Length) << k;
      EXPECT_EQ(std::string(back.Data, back.Data + back.Length), std::string(m.Data, m.Data + m.Length)) << k;
      if (!classicOnly) {
        EXPECT_EQ(back.Channel, m.Channel) << k;
      }
      if (m.Remote()) {
        EXPECT_EQ(back.DLC, m.DLC) << k;
      }
    }
    if (classicOnly) {
      EXPECT_EQ(writer->Report().ChannelsMerged, 1u);
    }
  }
}

}  // namespace
}  // namespace tarvo
