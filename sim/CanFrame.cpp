#include "sim/CanFrame.h"

#include <cmath>

namespace tarvo::sim {

int FrameBits(const CanFrame& f) {
  const int dataBits = f.Remote ? 0 : 8 * (f.Dlc > 8 ? 8 : f.Dlc);
  return (f.Extended ? 67 : 47) + dataBits;
}

uint64_t ArbitrationKey(const CanFrame& f) {
  // Arbitration field bit by bit: base identifier, RTR (standard) or SRR
  // (extended, always recessive), IDE, then for extended frames the 18-bit
  // identifier extension and RTR. A standard frame ends after IDE, which
  // the zero padding reproduces.
  if (!f.Extended) {
    const uint64_t base = f.Id & MaxStandardId;
    return (base << 21) | (uint64_t(f.Remote) << 20);
  }
  const uint64_t id = f.Id & MaxExtendedId;
  const uint64_t base = id >> 18;
  const uint64_t extension = id & 0x3FFFF;
  return (base << 21) | (1ull << 20) | (1ull << 19) | (extension << 1) | uint64_t(f.Remote);
}

int64_t BitsToNs(int64_t bits, double bitRate) {
  return std::llround(double(bits) * double(NsPerSecond) / bitRate);
}

}  // namespace tarvo::sim
