// Every reader of the log library over arbitrary bytes, each format forced
// in turn. Checks: nothing reads outside a buffer, reading ends, and every
// message handed out is one the formats can hold.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "logio/LogReader.h"

namespace {
void Check(bool condition) {
  if (!condition) std::abort();
}
void CheckMessage(const tarvo::TLogMessage& m) {
  using namespace tarvo;
  Check(m.Length <= MaxLogDataBytes && m.DLC <= 15);
  Check(m.ID <= (m.Extended() ? 0x1FFFFFFFu : 0x7FFu) || m.ErrorFrame());
  Check(!(m.Remote() && m.Length > 0));
  Check(m.Fd() || m.ErrorFrame() || m.Length <= 8);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvo;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (TLogFormat f : {LOG_FORMAT_UNKNOWN, LOG_FORMAT_TXT, LOG_FORMAT_CSV, LOG_FORMAT_ASC, LOG_FORMAT_CANDUMP,
                       LOG_FORMAT_BLF, LOG_FORMAT_TRC}) {
    auto source = std::make_unique<TByteSource>();
    source->OpenBytes(bytes);
    std::string error;
    std::unique_ptr<TLogReader> reader = MakeLogReader(std::move(source), f, error);
    if (!reader) continue;
    TLogMessage m;
    uint64_t n = 0;
    while (reader->Next(m)) {
      CheckMessage(m);
      Check(++n <= size + 1);  // no message without bytes behind it
    }
  }
  return 0;
}
