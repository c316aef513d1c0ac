#include "common/CsvField.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvo {
namespace {

TEST(CsvField, QuotesATextWithACommaAQuoteOrALineEndAndDoublesItsQuotes) {
  const struct {
    const char* text;
    const char* field;
  } cases[] = {
      {"Speed", "Speed"},
      {"", ""},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"\"", "\"\"\"\""},
      {"two\r\nlines", "\"two\r\nlines\""},
      {"one\nline", "\"one\nline\""},
      {"semi;colon", "semi;colon"},
  };
  for (const auto& c : cases) EXPECT_EQ(CsvField(c.text), c.field) << c.text;
}

TEST(CsvField, PutWritesNoMoreThanTheWorstCaseAndAppendKeepsWhatWasThere) {
  const std::string quotes(8, '"');
  char buffer[CsvFieldMaxLength(8) + 1];
  buffer[CsvFieldMaxLength(8)] = 'X';
  char* end = PutCsvField(buffer, quotes);
  EXPECT_EQ(size_t(end - buffer), CsvFieldMaxLength(8));
  EXPECT_EQ(buffer[CsvFieldMaxLength(8)], 'X');
  EXPECT_EQ(std::string(buffer, end), "\"" + std::string(16, '"') + "\"");

  std::string row = "1.5";
  AppendCsvField(row, ",");
  AppendCsvField(row, "x");
  EXPECT_EQ(row, "1.5\",\"x");
}

}  // namespace
}  // namespace tarvo
