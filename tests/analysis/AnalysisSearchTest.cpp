// Search in a log opened for analysis goes round: forward past the last row
// it goes on at the first, backward past the first at the last, so a match
// before the start is found; the row it starts from is looked at last.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "analysis/LogAnalysis.h"
#include "support/TempFolder.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

class AnalysisSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Rows 0..4: identifiers 123, 456, 789, 456, 321; data AA .. EE.
    const std::string rule(67, '~');
    std::string text = rule + "\r\nx - 09:04:05 08.12.2026 - Hexadecimal\r\n" + rule +
                       "\r\n\r\nTYPE  ___TIME____  ___ID____  D1   D2   D3   D4   D5   D6   D7   D8\r\n";
    const char* ids[] = {"123", "456", "789", "456", "321"};
    const char* data[] = {"AA", "BB", "CC", "DD", "EE"};
    for (int i = 0; i < 5; ++i)
      text += "RD11  0.0" + std::to_string(i) + "00       " + ids[i] + "        " + data[i] + "  \r\n";
    folder_.Write("s.txt", text + "\r\n");
  }
  test::TempFolder folder_{"tarvo-search"};
  const fs::path dir_ = folder_.Path();
};

TEST_F(AnalysisSearchTest, SearchGoesRoundToTheRowsBeforeItsStart) {
  TLogAnalysis a;
  std::string error;
  ASSERT_TRUE(a.Open((dir_ / "s.txt").string(), error)) << error;
  ASSERT_EQ(a.RowCount(), 5u);
  const struct {
    const char* Text;
    long From;
    bool Forward;
    long Found;
  } cases[] = {
      {"456", 1, true, 3},   // the next one after the start
      {"456", 3, true, 1},   // past the last row, on at the first
      {"123", 2, true, 0},   // the only match, before the start
      {"456", 3, false, 1},  // the one before the start
      {"456", 1, false, 3},  // past the first row, on at the last
      {"321", 2, false, 4},  // the only match, after the start
      {"cc", 2, true, 2},    // only the start row holds it: found last
      {"cc", 2, false, 2},
      {"ee", 4, true, 4},    // from the last row
      {"aa", 0, false, 0},   // from the first row
      {"999", 2, true, -1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(a.Find(c.Text, c.From, c.Forward, nullptr), c.Found)
        << "\"" << c.Text << "\" from row " << c.From << (c.Forward ? " forward" : " backward");
}

// Among the rows a filter lets through, search goes round those rows.
TEST_F(AnalysisSearchTest, AFilteredViewIsSearchedRoundItsOwnRows) {
  TLogAnalysis a;
  std::string error;
  ASSERT_TRUE(a.Open((dir_ / "s.txt").string(), error)) << error;
  TAnalysisFilter filter;
  filter.Ids = "456 321";  // rows 1, 3 and 4 of the log: 0, 1 and 2 of the view
  a.SetFilter(filter, nullptr);
  ASSERT_EQ(a.RowCount(), 3u);
  EXPECT_EQ(a.Find("456", 1, true, nullptr), 0);
  EXPECT_EQ(a.Find("321", 0, false, nullptr), 2);
  EXPECT_EQ(a.Find("123", 0, true, nullptr), -1);  // not in the view
}

}  // namespace
}  // namespace tarvo
