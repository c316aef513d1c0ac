#include "dbc/SignalCodec.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace tarvo {

namespace {

static_assert(std::endian::native == std::endian::little || std::endian::native == std::endian::big);

uint64_t LoadLittle(const uint8_t bytes[8]) {
  uint64_t w;
  std::memcpy(&w, bytes, 8);
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
  return w;
}

void StoreLittle(uint64_t w, uint8_t bytes[8]) {
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
  std::memcpy(bytes, &w, 8);
}

}  // namespace

TFrameWords FrameWords(const uint8_t* data, size_t dlc) {
  uint8_t bytes[8] = {};
  std::memcpy(bytes, data, dlc < 8 ? dlc : 8);
  TFrameWords w;
  w.Little = LoadLittle(bytes);
  w.Big = __builtin_bswap64(w.Little);
  return w;
}

bool PlaceSignal(TDbcSignal& s, uint32_t messageSize) {
  if (s.Length < 1 || s.Length > 64) return false;
  const uint64_t bits = uint64_t(messageSize) * 8;
  if (s.ByteOrder == DBC_LITTLE_ENDIAN) {
    const uint64_t last = uint64_t(s.StartBit) + s.Length - 1;
    if (last >= bits) return false;
    const uint64_t bytesUsed = last / 8 + 1;
    s.Shift = bytesUsed <= 8 ? uint8_t(s.StartBit) : 0;
    s.BytesUsed = uint8_t(bytesUsed < 255 ? bytesUsed : 255);
    return true;
  }
  // Big endian: number the bits of the message as one big-endian word of
  // messageSize bytes and find the least significant bit.
  const uint32_t byte = s.StartBit / 8;
  if (byte >= messageSize) return false;
  const int64_t msb = int64_t(messageSize - 1 - byte) * 8 + s.StartBit % 8;
  const int64_t lsb = msb - s.Length + 1;
  if (lsb < 0) return false;
  const uint64_t bytesUsed = messageSize - uint64_t(lsb / 8);
  if (bytesUsed <= 8) {
    // Same bit in the eight-byte word of a classic frame.
    s.Shift = uint8_t(lsb + int64_t(8 - messageSize) * 8);
  } else {
    s.Shift = 0;
  }
  s.BytesUsed = uint8_t(bytesUsed < 255 ? bytesUsed : 255);
  return true;
}

double PhysicalValue(const TDbcSignal& s, uint64_t raw) {
  if (s.ValueType == DBC_FLOAT32) {
    float f;
    const uint32_t bits = uint32_t(raw);
    std::memcpy(&f, &bits, 4);
    return double(f) * s.Factor + s.Offset;
  }
  if (s.ValueType == DBC_FLOAT64) {
    double d;
    std::memcpy(&d, &raw, 8);
    return d * s.Factor + s.Offset;
  }
  const double value = s.Signed ? double(SignedRaw(s, raw)) : double(raw);
  return value * s.Factor + s.Offset;
}

uint64_t RawFromPhysical(const TDbcSignal& s, double physical) {
  const double factor = s.Factor == 0.0 ? 1.0 : s.Factor;
  const double value = (physical - s.Offset) / factor;
  if (s.ValueType == DBC_FLOAT32) {
    const float f = float(value);
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return bits;
  }
  if (s.ValueType == DBC_FLOAT64) {
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    return bits;
  }
  if (std::isnan(value)) return 0;
  const double rounded = std::nearbyint(value);
  const uint64_t mask = SignalMask(s.Length);
  if (s.Signed) {
    // Two's complement in Length bits: -2^(n-1) .. 2^(n-1) - 1.
    const int64_t hi = s.Length >= 64 ? std::numeric_limits<int64_t>::max() : int64_t(mask >> 1);
    const int64_t lo = -hi - 1;
    int64_t v;
    if (rounded >= double(hi)) v = hi;  // double(hi) may round up past hi
    else if (rounded <= double(lo)) v = lo;
    else v = int64_t(rounded);
    return uint64_t(v) & mask;
  }
  if (rounded <= 0.0) return 0;
  if (rounded >= double(mask)) return mask;
  return uint64_t(rounded);
}

void InsertRaw(const TDbcSignal& s, uint64_t raw, uint8_t data[8]) {
  if (s.BytesUsed > 8) return;
  const uint64_t mask = SignalMask(s.Length) << s.Shift;
  const uint64_t bits = (raw << s.Shift) & mask;
  uint64_t little = LoadLittle(data);
  if (s.ByteOrder == DBC_LITTLE_ENDIAN) {
    little = (little & ~mask) | bits;
  } else {
    const uint64_t big = (__builtin_bswap64(little) & ~mask) | bits;
    little = __builtin_bswap64(big);
  }
  StoreLittle(little, data);
}

uint64_t ExtractRawFromBytes(const TDbcSignal& s, const uint8_t* data, size_t length) {
  const auto bit = [&](uint32_t b) -> uint64_t {
    return b / 8 < length ? (data[b / 8] >> (b % 8)) & 1u : 0u;
  };
  uint64_t raw = 0;
  if (s.ByteOrder == DBC_LITTLE_ENDIAN) {
    for (int j = s.Length - 1; j >= 0; --j) raw = (raw << 1) | bit(s.StartBit + uint32_t(j));
    return raw;
  }
  // Big endian: the start bit is the most significant; within a byte the
  // bits go down, and from bit 0 on to bit 7 of the next byte.
  uint32_t b = s.StartBit;
  for (int j = 0; j < s.Length; ++j) {
    raw = (raw << 1) | bit(b);
    b = b % 8 == 0 ? b + 15 : b - 1;
  }
  return raw;
}

namespace {

// The raw value of a signal in a frame, by one of the two readings below.
struct TWordReading {
  const TFrameWords& Words;
  uint64_t operator()(const TDbcSignal& s) const { return ExtractRaw(s, Words); }
};
struct TByteReading {
  const uint8_t* Data;
  size_t Length;
  uint64_t operator()(const TDbcSignal& s) const { return ExtractRawFromBytes(s, Data, Length); }
};

// With extended multiplexing a signal follows its switch, which may follow
// another: the chain is followed a bounded number of steps (a file whose
// switches loop selects nothing of the loop).
// The switch ranges are sorted by their low end and do not overlap (the
// reader merges them): the one that may hold value is the last that starts
// at or below it.
bool InRanges(const std::vector<std::pair<uint64_t, uint64_t>>& ranges, uint64_t value) {
  const auto after = std::upper_bound(ranges.begin(), ranges.end(), value,
                                      [](uint64_t v, const std::pair<uint64_t, uint64_t>& r) { return v < r.first; });
  return after != ranges.begin() && value <= std::prev(after)->second;
}

template <typename Reading>
bool Selected(const TDbcMessage& message, const TDbcSignal& signal, const Reading& read, size_t length, int depth) {
  if (depth > MaxSwitchDepth) return false;
  if (signal.SwitchIndex >= 0 && size_t(signal.SwitchIndex) < message.Signals.size()) {
    const TDbcSignal& sw = message.Signals[size_t(signal.SwitchIndex)];
    if (sw.BytesUsed > length || !Selected(message, sw, read, length, depth + 1)) return false;
    return InRanges(signal.SwitchRanges, read(sw));
  }
  if (signal.Multiplex != DBC_MULTIPLEXED) return true;
  if (message.MultiplexerIndex < 0) return false;
  const TDbcSignal& mux = message.Signals[size_t(message.MultiplexerIndex)];
  return mux.BytesUsed <= length && read(mux) == signal.MultiplexValue;
}

template <typename Reading>
size_t Decode(const TDbcMessage& message, const Reading& read, size_t length, TDecodedSignal* out) {
  size_t n = 0;
  for (const TDbcSignal& s : message.Signals) {
    if (!Selected(message, s, read, length, 0)) continue;
    TDecodedSignal& d = out[n++];
    d.Signal = &s;
    d.Present = s.BytesUsed <= length;
    d.Raw = d.Present ? read(s) : 0;
    d.Physical = d.Present ? PhysicalValue(s, d.Raw) : 0.0;
  }
  return n;
}

}  // namespace

bool SignalSelected(const TDbcMessage& message, const TDbcSignal& signal, const TFrameWords& words) {
  return Selected(message, signal, TWordReading{words}, 8, 0);
}

size_t DecodeMessage(const TDbcMessage& message, const uint8_t* data, size_t length, TDecodedSignal* out) {
  // Classic frames of messages up to eight bytes: each signal is a shift of
  // one of two words. Longer CAN FD frames and messages are read bit by bit.
  if (length <= 8 && message.Size <= 8) {
    const TFrameWords words = FrameWords(data, length);
    return Decode(message, TWordReading{words}, length, out);
  }
  return Decode(message, TByteReading{data, length}, length, out);
}

}  // namespace tarvo
