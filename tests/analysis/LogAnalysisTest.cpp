// A log opened for analysis: every reader's files, the time since the last
// message of the same identifier, filters, search, going to a time, and the
// statistics of each identifier.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>

#include "analysis/LogAnalysis.h"
#include "dbc/DbcReader.h"
#include "support/TempFolder.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

class LogAnalysisTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& text) { return folder_.Write(name, text); }
  // 0x100 every 10 ms (the one at 60 ms 2 ms late), 0x200 every 25 ms,
  // transmitted.
  std::string PeriodicLog() {
    const std::string rule(67, '~');
    std::string text = rule + "\r\nx - 09:04:05 08.12.2026 - Hexadecimal\r\n" + rule +
                       "\r\n\r\nTYPE  ___TIME____  ___ID____  D1   D2   D3   D4   D5   D6   D7   D8\r\n";
    char line[128];
    for (int ms = 0; ms <= 100; ++ms) {
      if (ms % 10 == 0) {
        std::snprintf(line, sizeof line, "RD11  %.4f       100        %02X   34  \r\n",
                      (ms + (ms == 60 ? 2 : 0)) / 1000.0, ms);
        text += line;
      }
      if (ms % 25 == 0) {
        std::snprintf(line, sizeof line, "TD11  %.4f       200        AB  \r\n", ms / 1000.0 + 0.0005);
        text += line;
      }
    }
    return text + "\r\n";
  }
  test::TempFolder folder_{"tarvo-analysis"};
  const fs::path dir_ = folder_.Path();
};

TEST_F(LogAnalysisTest, ATarvoLogOpensWithTimesDeltasAndDirections) {
  TLogAnalysis a;
  std::string error;
  ASSERT_TRUE(a.Open(Write("p.txt", PeriodicLog()), error)) << error;
  ASSERT_EQ(a.MessageCount(), 16u);
  EXPECT_EQ(a.Cell(0, ANALYSIS_TIME, nullptr), "0.000000");
  EXPECT_EQ(a.Cell(0, ANALYSIS_DELTA, nullptr), "");
  EXPECT_EQ(a.Cell(0, ANALYSIS_ID, nullptr), "100");
  EXPECT_EQ(a.Cell(0, ANALYSIS_DATA, nullptr), "00 34");
  EXPECT_EQ(a.Cell(1, ANALYSIS_DIRECTION, nullptr), "Tx");
  EXPECT_EQ(a.Cell(2, ANALYSIS_DELTA, nullptr), "0.010000");  // exactly as written, not in adapter ticks
}

TEST_F(LogAnalysisTest, FiltersSearchAndTime) {
  const TDbcReadResult db = ReadDbc("BO_ 512 Wiper: 1 N\n");
  ASSERT_TRUE(db.Ok);
  TLogAnalysis a;
  std::string error;
  ASSERT_TRUE(a.Open(Write("p.txt", PeriodicLog()), error));
  a.SetFilter({"200", "", -1, ""}, nullptr);
  EXPECT_EQ(a.RowCount(), 5u);
  a.SetFilter({"", "wip", -1, ""}, &db.Database);
  EXPECT_EQ(a.RowCount(), 5u);
  a.SetFilter({"", "", 0, ""}, nullptr);
  EXPECT_EQ(a.RowCount(), 11u);
  a.SetFilter({"", "", -1, "28 34"}, nullptr);  // 0x28 = 40 ms
  ASSERT_EQ(a.RowCount(), 1u);
  EXPECT_EQ(a.Cell(0, ANALYSIS_TIME, nullptr), "0.040000");
  a.SetFilter({}, nullptr);
  EXPECT_EQ(a.RowCount(), 16u);
  // Search wraps; identifiers, names and data are searched.
  EXPECT_EQ(a.Find("ab", 0, true, nullptr), 1);
  EXPECT_EQ(a.Find("ab", 1, true, nullptr), 4);
  EXPECT_EQ(a.Find("ab", 1, false, nullptr), 15);
  EXPECT_EQ(a.Find("wiper", 5, true, &db.Database), 8);
  EXPECT_EQ(a.Find("nothing", 0, true, nullptr), -1);
  EXPECT_EQ(a.RowAtTime(0.045), 7);
  EXPECT_EQ(a.RowAtTime(99), 15);
}

TEST_F(LogAnalysisTest, StatisticsPerIdentifierShowPeriodAndJitter) {
  TLogAnalysis a;
  std::string error;
  ASSERT_TRUE(a.Open(Write("p.txt", PeriodicLog()), error));
  const std::vector<TIdStatistics> s = a.Statistics();
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[0].ID, 0x100u);
  EXPECT_EQ(s[0].Count, 11u);
  EXPECT_NEAR(s[0].MeanPeriod, 0.010, 0.0001);
  EXPECT_NEAR(s[0].MinPeriod, 0.008, 0.0001);
  EXPECT_NEAR(s[0].MaxPeriod, 0.012, 0.0001);
  EXPECT_GT(s[0].Jitter, 0.0005);
  EXPECT_EQ(s[1].ID, 0x200u);
  EXPECT_NEAR(s[1].MeanPeriod, 0.025, 0.0001);
  EXPECT_NEAR(s[1].Jitter, 0.0, 0.0001);
}

// CAN FD frames keep all their bytes in the index (beyond eight in a store
// of their own), error frames are rows, times are the file's own, and the
// lines the reader could not use are counted for the status line.
TEST_F(LogAnalysisTest, CanFdErrorFramesAndDamagedLinesOfACandumpLog) {
  TLogAnalysis a;
  std::string error;
  ASSERT_TRUE(a.Open(Write("fd.log", "(10.000000) can0 123##100112233445566778899AABBCCDDEEFF1011121314151617\n"
                                     "(10.000500) can0 20000080#0000000000000000\n"
                                     "(10.001000) can1 123#AA\n"
                                     "(10.001) can0 123#GG\n"
                                     "(10.002000) can0 123##0\n"),
                     error))
      << error;
  ASSERT_EQ(a.MessageCount(), 4u);
  EXPECT_EQ(a.Cell(0, ANALYSIS_DLC, nullptr), "24");
  EXPECT_EQ(a.Cell(0, ANALYSIS_DATA, nullptr),
            "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF 10 11 12 13 14 15 16 17");
  EXPECT_EQ(a.Cell(1, ANALYSIS_DATA, nullptr), "error frame");
  EXPECT_EQ(a.Cell(1, ANALYSIS_TIME, nullptr), "10.000500");
  EXPECT_EQ(a.Cell(0, ANALYSIS_TYPE, nullptr), "FD BRS");
  EXPECT_EQ(a.Cell(1, ANALYSIS_TYPE, nullptr), "error");
  EXPECT_EQ(a.Cell(2, ANALYSIS_CHANNEL, nullptr), "can1");
  EXPECT_EQ(a.Cell(2, ANALYSIS_DATA, nullptr), "AA");
  EXPECT_EQ(a.Cell(2, ANALYSIS_DELTA, nullptr), "");          // the first of 0x123 on its channel
  EXPECT_EQ(a.Cell(3, ANALYSIS_DELTA, nullptr), "0.002000");  // after the FD frame on can0
  EXPECT_EQ(a.Cell(3, ANALYSIS_DLC, nullptr), "0");
  EXPECT_EQ(a.Message(2).Channel, 2);
  ASSERT_FALSE(a.ReadNotes().empty());
  EXPECT_EQ(a.ReadNotes()[0], "1 data that do not match their length, not read");
  EXPECT_EQ(a.ReadNotes()[1], "line 4: data that do not match their length");
}

// Channels, remote frames and time bases: a channel filter, statistics that
// keep a request apart from its answers and one channel apart from another,
// going to a time in the time shown.
TEST_F(LogAnalysisTest, ChannelsRemoteFramesAndTimeBases) {
  TLogAnalysis a;
  std::string error;
  std::string log;
  char line[96];
  for (int i = 0; i < 10; ++i) {
    // 0x100 on can0 every 10 ms, requested by a remote frame 1 ms before each
    // answer every 50 ms; 0x100 on can1 every 20 ms.
    std::snprintf(line, sizeof line, "(50.%06d) can0 100#%02X\n", i * 10000, i);
    log += line;
    if (i % 5 == 4) {
      std::snprintf(line, sizeof line, "(50.%06d) can0 100#R\n", i * 10000 + 1000);
      log += line;
    }
    if (i % 2 == 0) {
      std::snprintf(line, sizeof line, "(50.%06d) can1 100#%02X\n", i * 10000 + 5000, i);
      log += line;
    }
  }
  ASSERT_TRUE(a.Open(Write("ch.log", log), error)) << error;
  ASSERT_EQ(a.Channels(), (std::vector<uint16_t>{1, 2}));
  const std::vector<TIdStatistics> s = a.Statistics();
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[0].Channel, 1);
  EXPECT_FALSE(s[0].Remote);
  EXPECT_EQ(s[0].Count, 10u);
  EXPECT_NEAR(s[0].MeanPeriod, 0.010, 1e-9);
  EXPECT_NEAR(s[0].Jitter, 0.0, 1e-9);
  EXPECT_TRUE(s[1].Remote);
  EXPECT_EQ(s[1].Count, 2u);
  EXPECT_NEAR(s[1].MeanPeriod, 0.050, 1e-9);
  EXPECT_EQ(s[2].Channel, 2);
  EXPECT_NEAR(s[2].MeanPeriod, 0.020, 1e-9);
  TAnalysisFilter f;
  f.Channel = 2;
  a.SetFilter(f, nullptr);
  EXPECT_EQ(a.RowCount(), 5u);
  EXPECT_EQ(a.Cell(0, ANALYSIS_CHANNEL, nullptr), "can1");
  a.SetFilter({}, nullptr);
  EXPECT_EQ(a.RowAtTime(50.04), 6);  // the file's time
  a.SetAbsoluteTime(false);
  EXPECT_EQ(a.RowAtTime(0.04), 6);   // from the first message
}

// A long log read in pieces, as the window reads it: the first piece is
// there at once, a filter set meanwhile takes in the later messages, the
// periods across the pieces are right, and the end equals reading it whole.
TEST_F(LogAnalysisTest, ALongLogReadInPiecesEqualsReadingItWhole) {
  std::string log;
  char line[96];
  for (int i = 0; i < 60000; ++i) {  // more than one block of the reader
    std::snprintf(line, sizeof line, "(%d.%06d) can%d %03X#%02X\n", 100 + i / 1000, (i % 1000) * 1000, i % 2,
                  0x100 + i % 3, i & 0xFF);
    log += line;
  }
  const std::string path = Write("long.log", log);
  TLogAnalysis whole;
  std::string error;
  ASSERT_TRUE(whole.Open(path, error)) << error;
  TLogAnalysis pieces;
  ASSERT_TRUE(pieces.Start(path, error)) << error;
  EXPECT_EQ(pieces.Progress(), 0.0);
  EXPECT_TRUE(pieces.ReadFor(std::chrono::seconds(0)));  // one piece, then back to the window
  ASSERT_FALSE(pieces.Complete());
  ASSERT_GT(pieces.MessageCount(), 0u);
  ASSERT_LT(pieces.MessageCount(), 60000u);
  EXPECT_GT(pieces.Progress(), 0.0);
  EXPECT_LT(pieces.Progress(), 1.0);
  TAnalysisFilter f;
  f.Ids = "101";
  pieces.SetFilter(f, nullptr);
  whole.SetFilter(f, nullptr);
  int calls = 0;
  while (pieces.ReadFor(std::chrono::seconds(0))) ASSERT_LT(++calls, 60000);
  EXPECT_TRUE(pieces.Complete());
  EXPECT_EQ(pieces.Progress(), 1.0);
  ASSERT_EQ(pieces.MessageCount(), whole.MessageCount());
  ASSERT_EQ(pieces.RowCount(), whole.RowCount());
  for (size_t r = 0; r < whole.RowCount(); r += 97)
    for (int c = 0; c < ANALYSIS_COUNT; ++c)
      ASSERT_EQ(pieces.Cell(r, TAnalysisColumn(c), nullptr), whole.Cell(r, TAnalysisColumn(c), nullptr)) << r << " " << c;
  EXPECT_EQ(pieces.Channels(), whole.Channels());
  EXPECT_EQ(pieces.Statistics().size(), 6u);  // three identifiers on two channels
}

TEST_F(LogAnalysisTest, ForeignLogsOpenAndBadOnesSayWhy) {
  TLogAnalysis a;
  std::string error;
  ASSERT_TRUE(a.Open(Write("c.log", "(100.000000) can0 123#1122\n(100.500000) can0 18FEF100#R\n"), error)) << error;
  ASSERT_EQ(a.MessageCount(), 2u);
  EXPECT_EQ(a.Cell(1, ANALYSIS_TIME, nullptr), "100.500000");  // the file's own time
  a.SetAbsoluteTime(false);
  EXPECT_EQ(a.Cell(1, ANALYSIS_TIME, nullptr), "0.500000");     // from the first message
  EXPECT_EQ(a.Cell(1, ANALYSIS_ID, nullptr), "18FEF100x");
  EXPECT_EQ(a.Cell(1, ANALYSIS_DATA, nullptr), "remote");
  ASSERT_TRUE(a.Open(Write("v.asc", "date Thu Dec 10 2026\nbase hex  timestamps absolute\n"
                                    "   0.250000 1  7FF             Rx   d 2 01 02\n"),
                     error))
      << error;
  EXPECT_EQ(a.MessageCount(), 1u);
  EXPECT_FALSE(a.Open(Write("n.bin", "x"), error));
  EXPECT_EQ(error, "its format cannot be told from its content or its name");
  EXPECT_FALSE(a.Open(Write("g.txt", "garbage\r\n"), error));
  EXPECT_EQ(error, "not a Tarvo TXT log: header line 1 lacks ten \"~\"");
  EXPECT_FALSE(a.Open((dir_ / "none.log").string(), error));
  EXPECT_EQ(error, "No such file or directory");
}

}  // namespace
}  // namespace tarvo
