#pragma once
// One CAN frame as the simulated bus carries it, and the time units of the
// simulation: everything runs on a 64-bit nanosecond clock.
#include <cstdint>
#include <limits>

namespace tarvo::sim {

inline constexpr int64_t NsPerMs = 1'000'000;
inline constexpr int64_t NsPerSecond = 1'000'000'000;
inline constexpr int64_t NsPerTick = 25'600;  // adapter time stamps count 25.6 us ticks
inline constexpr int64_t NoTime = std::numeric_limits<int64_t>::max();

inline constexpr uint32_t MaxStandardId = 0x7FF;
inline constexpr uint32_t MaxExtendedId = 0x1FFFFFFF;

struct CanFrame {
  uint32_t Id = 0;
  bool Extended = false;
  bool Remote = false;
  uint8_t Dlc = 0;  // 0..8; a remote frame carries a DLC but no data
  uint8_t Data[8] = {};
  bool operator==(const CanFrame&) const = default;
};

// Bits a frame holds the bus for, including the 3-bit intermission. Stuff
// bits are not counted, so every frame has its shortest length:
// 47 + 8 * n bits with an 11-bit identifier, 67 + 8 * n with a 29-bit one.
int FrameBits(const CanFrame& f);

// Error flag, worst-case echo of the other nodes' flags, delimiter and
// intermission.
inline constexpr int ErrorFrameBits = 6 + 6 + 8 + 3;

// Orders frames as bus arbitration does: the lower key wins. A standard
// frame beats an extended one with the same base identifier, a data frame
// beats a remote frame with the same identifier.
uint64_t ArbitrationKey(const CanFrame& f);

// Duration of bits at a bit rate, rounded to the nearest nanosecond.
int64_t BitsToNs(int64_t bits, double bitRate);

}  // namespace tarvo::sim
