#include "common/CsvField.h"

namespace tarvo {

char* PutCsvField(char* p, std::string_view text) {
  const bool quoted = text.find_first_of(",\"\r\n") != std::string_view::npos;
  if (quoted) *p++ = '"';
  for (char c : text) {
    if (c == '"') *p++ = '"';
    *p++ = c;
  }
  if (quoted) *p++ = '"';
  return p;
}

void AppendCsvField(std::string& out, std::string_view text) {
  const size_t start = out.size();
  out.resize(start + CsvFieldMaxLength(text.size()));
  char* const begin = out.data() + start;
  out.resize(start + size_t(PutCsvField(begin, text) - begin));
}

std::string CsvField(std::string_view text) {
  std::string out;
  AppendCsvField(out, text);
  return out;
}

}  // namespace tarvo
