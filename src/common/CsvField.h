#pragma once
// One CSV field as RFC 4180 writes it, for every CSV the program and the log
// tool write (log lines, decoded signals, plot exports). A text holding a
// comma, a double quote or a line end is enclosed in double quotes with its
// quotes doubled, so every row keeps its fields for every CSV reader; any
// other text is written as it is. Examples:
//   Speed     -> Speed
//   a,b       -> "a,b"
//   say "hi"  -> "say ""hi"""
#include <cstddef>
#include <string>
#include <string_view>

namespace tarvo {

// The most characters a field of n characters can take: every character a
// doubled quote, plus the enclosing pair.
constexpr size_t CsvFieldMaxLength(size_t n) { return 2 * n + 2; }

// Writes the field at p, which has room for CsvFieldMaxLength(text.size())
// characters, and returns the position after it. text must not overlap p.
char* PutCsvField(char* p, std::string_view text);

// Appends the field to out.
void AppendCsvField(std::string& out, std::string_view text);

// The field as a string.
std::string CsvField(std::string_view text);

}  // namespace tarvo
