// The shared text checks and conversions over arbitrary text (what a user
// types into an editor field or a hand-edited file holds). Checks: nothing
// reads outside a buffer (sanitizers), and the routines agree with each
// other: a text the checks accept converts to the value they checked.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/TextRoutines.h"

namespace {
void Check(bool condition) {
  if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvo;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const bool hex : {true, false}) {
    const bool number = IsNumberText(text, hex);
    const uint32_t value = hex ? HexTextToInt(text) : DecTextToInt(text);
    for (const bool elevenBit : {true, false}) {
      const int id = CheckIDText(elevenBit, text, hex);
      Check(id >= 0 && id <= 2);
      if (id == 0) Check(number && !text.empty() && value <= (elevenBit ? 0x7FFu : 0x1FFFFFFFu));
      if (id == 2) Check(number && value > (elevenBit ? 0x7FFu : 0x1FFFFFFFu));
    }
    if (CheckDataByteText(text, hex)) Check(number && !text.empty() && value < 256);
  }
  CheckTimeText(text);
  const int key = KeyTextToKeyNo(text);
  Check(key >= 0 && key <= 18);
  return 0;
}
