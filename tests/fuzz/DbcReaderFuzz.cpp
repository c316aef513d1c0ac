// The DBC reader over arbitrary text, then every message it accepts decoded
// and re-encoded over bytes taken from the input. Checks: nothing reads
// outside a buffer (sanitizers); a refused text names a place in it and a
// short reason; an accepted database keeps its own rules (signals of 1..64
// bits, one index entry per message, a multiplexer index that names an "M"
// signal); writing back what a signal read leaves the frame unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "dbc/DbcReader.h"
#include "dbc/SignalCodec.h"
#include "dbc/SignalText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvo;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const TDbcReadResult r = ReadDbc(text);
  if (!r.Ok) {
    if (r.Error.Line < 1 || r.Error.Column < 1 || r.Error.What.empty() || r.Error.What.size() > 400) std::abort();
    if (size_t(r.Error.Line) > size + 1) std::abort();
    return 0;
  }
  const TDbcDatabase& db = r.Database;
  if (db.Index.size() != db.Messages.size()) std::abort();
  uint8_t frame[8] = {};
  std::memcpy(frame, data, size < 8 ? size : 8);
  std::vector<TDecodedSignal> decoded;
  for (const TDbcMessage& m : db.Messages) {
    if (db.Find(m.IDE, m.ID) != &m) std::abort();
    if (m.MultiplexerIndex >= 0 &&
        (size_t(m.MultiplexerIndex) >= m.Signals.size() || m.Signals[size_t(m.MultiplexerIndex)].Multiplex != DBC_MULTIPLEXER))
      std::abort();
    for (const TDbcSignal& s : m.Signals) {
      if (s.Length < 1 || s.Length > 64) std::abort();
      if (s.BytesUsed > 8) continue;
      uint8_t copy[8];
      std::memcpy(copy, frame, 8);
      InsertRaw(s, ExtractRaw(s, FrameWords(copy, 8)), copy);
      if (std::memcmp(copy, frame, 8) != 0) std::abort();
      (void)SignalValueText(s, ExtractRaw(s, FrameWords(frame, 8)), 0.0, ".");
    }
    decoded.resize(m.Signals.size());
    for (uint8_t dlc = 0; dlc <= 8; dlc += 4)
      if (DecodeMessage(m, frame, dlc, decoded.data()) > m.Signals.size()) std::abort();
  }
  return 0;
}
