#include "support/Frames.h"

#include "adapter/Framing.h"

namespace tarvo::test {

std::vector<uint8_t> Framed(const std::vector<uint8_t>& packet) {
  // Every packet byte and both CRC bytes doubled, plus the four marker bytes.
  std::vector<uint8_t> out(2 * packet.size() + 8);
  out.resize(BuildFrame(packet.data(), packet.size(), out.data()));
  return out;
}

}  // namespace tarvo::test
