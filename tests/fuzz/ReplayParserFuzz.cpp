// The replay log reader over arbitrary file bytes. The first byte chooses
// the format (bits 0-1), the directions (bits 2-3) and the minimum gap
// (bits 4-7, times 10 ticks); the rest is the file. Checks: nothing reads
// outside a buffer (sanitizers), and every stored message is one the adapter
// can send: DLC 0..8, identifier within its width, time stamps in order and
// at least the gap apart.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "logging/ReplayParser.h"

namespace {
void Check(bool condition) {
  if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvo;
  if (size == 0) return 0;
  TReplayParseOptions options;
  options.FileType = TLogFileType(data[0] % 3);
  options.ReplayRx = (data[0] & 4) != 0;
  options.ReplayTx = (data[0] & 8) != 0;
  options.MinimumGap = uint32_t(data[0] >> 4) * 10;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  std::vector<TTarvoCAN> messages(64);
  std::vector<uint8_t> directions(64);
  const TReplayParseResult r = ParseReplayLog(bytes, options, messages, directions);
  Check(r.NoOfMessages >= 0 && size_t(r.NoOfMessages) <= messages.size());
  Check(r.NumericBase == 0 || r.NumericBase == 1);
  Check((r.Status == PARSE_VALID) == (r.LineNo == 0));
  for (int32_t i = 0; i < r.NoOfMessages; ++i) {
    const TTarvoCAN& m = messages[size_t(i)];
    Check(m.DLC <= 8 && m.IDE <= 1 && m.RTR <= 1);
    Check(m.ID <= (m.IDE ? 0x1FFFFFFFu : 0x7FFu));
    Check(directions[size_t(i)] == REPLAY_DIRECTION_RX ? options.ReplayRx : options.ReplayTx);
    // In order and at least the gap apart; a time earlier than the one
    // before would pass an unsigned difference alone.
    if (i > 0) {
      const uint32_t before = messages[size_t(i) - 1].TimeStamp;
      Check(m.TimeStamp >= before);
      Check(m.TimeStamp - before >= options.MinimumGap);
    }
  }
  return 0;
}
