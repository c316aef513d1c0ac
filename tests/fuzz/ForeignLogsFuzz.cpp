// The log tool's readers of other tools' logs (candump, foreign ASC) over
// arbitrary lines. Checks: nothing reads outside a buffer, and a line taken
// as a message is one Tarvo can write and replay.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "logging/tool/ForeignLogs.h"

namespace {
void Check(bool condition) {
  if (!condition) std::abort();
}
void CheckMessage(tarvo::TForeignLine kind, const tarvo::TForeignMessage& m) {
  if (kind != tarvo::FOREIGN_MESSAGE) return;
  Check(m.Message.DLC <= 8 && m.Message.IDE <= 1 && m.Message.RTR <= 1 && m.Direction <= 1);
  Check(m.Message.ID <= (m.Message.IDE ? 0x1FFFFFFFu : 0x7FFu));
  Check(m.Microseconds >= 0);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvo;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  TForeignAscReader asc;
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    const std::string_view line = text.substr(0, nl);
    TForeignMessage m;
    CheckMessage(ReadCandumpLine(line, m), m);
    CheckMessage(asc.Line(line, m), m);
    if (nl == std::string_view::npos) break;
    text.remove_prefix(nl + 1);
  }
  return 0;
}
