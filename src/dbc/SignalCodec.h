#pragma once
// Decoding and encoding of DBC signals in a classic CAN frame (8 data bytes).
//
// The frame's eight bytes are read as two 64-bit words, once in each byte
// order; a signal is then one shift and one mask of the word of its order:
//
//   little endian (@1)  word = D1 | D2 << 8 | ... | D8 << 56
//                       the start bit is the signal's least significant bit,
//                       counted from bit 0 of D1 upwards: Shift = start
//   big endian (@0)     word = D1 << 56 | D2 << 48 | ... | D8
//                       the start bit names the most significant bit, counted
//                       inside its byte (bit 7 of D1 is 7, bit 0 of D2 is 8):
//                       msb = (7 - start / 8) * 8 + start % 8, Shift = msb - length + 1
//
// Worked example: a 12-bit big-endian signal with start bit 7 over D1 = 0xAB,
// D2 = 0xCD holds 0xABC (msb 63, Shift 52); a 12-bit little-endian signal
// with start bit 4 over the same bytes holds 0xCDA (the high nibble of D1, then D2).
//
// Physical value = raw x factor + offset; signed signals are two's complement
// in their length; SIG_VALTYPE_ float signals hold IEEE single or double bits.
#include <cstddef>
#include <cstdint>

#include "dbc/DbcDatabase.h"

namespace tarvo {

struct TFrameWords {
  uint64_t Little = 0;
  uint64_t Big = 0;
};

// The frame's bytes as the two words above; only the first dlc (at most 8)
// bytes are read, the rest count as 0.
TFrameWords FrameWords(const uint8_t* data, size_t dlc);

// Fills Shift and BytesUsed from start bit, length and byte order for a
// message of messageSize bytes. False when the signal does not lie inside
// the message (or has a length outside 1..64).
bool PlaceSignal(TDbcSignal& signal, uint32_t messageSize);

inline uint64_t SignalMask(uint16_t length) { return length >= 64 ? ~uint64_t(0) : (uint64_t(1) << length) - 1; }

// The signal's raw bits (unsigned, length bits).
inline uint64_t ExtractRaw(const TDbcSignal& s, const TFrameWords& w) {
  const uint64_t word = s.ByteOrder == DBC_LITTLE_ENDIAN ? w.Little : w.Big;
  return (word >> s.Shift) & SignalMask(s.Length);
}

// Raw bits read as the signal's integer: sign-extended when signed.
inline int64_t SignedRaw(const TDbcSignal& s, uint64_t raw) {
  if (!s.Signed || s.Length >= 64) return int64_t(raw);
  const uint64_t sign = uint64_t(1) << (s.Length - 1);
  return int64_t((raw ^ sign) - sign);
}

// Raw bits -> physical value.
double PhysicalValue(const TDbcSignal& s, uint64_t raw);

// Physical value -> raw bits: (physical - offset) / factor rounded to the
// nearest integer, held to what the signal's length and sign can carry.
uint64_t RawFromPhysical(const TDbcSignal& s, double physical);

// Writes the raw bits into the frame's eight bytes, other bits unchanged.
void InsertRaw(const TDbcSignal& s, uint64_t raw, uint8_t data[8]);

// A signal is present in a frame when the frame's DLC covers its bytes and,
// for a multiplexed signal, the multiplexer selects it.
struct TDecodedSignal {
  const TDbcSignal* Signal = nullptr;
  bool Present = false;  // false: the frame is too short to hold it
  uint64_t Raw = 0;
  double Physical = 0.0;
};

// Decodes the signals a frame of this message shows: the plain ones, the
// multiplexer and the multiplexed ones its value selects, in file order.
// length is the number of data bytes, up to 64 for a CAN FD frame.
// out holds message.Signals.size() entries; returns how many were written.
size_t DecodeMessage(const TDbcMessage& message, const uint8_t* data, size_t length, TDecodedSignal* out);

// A signal's raw bits read from a frame of any length (up to 64 bytes);
// bits beyond the frame count as 0.
uint64_t ExtractRawFromBytes(const TDbcSignal& s, const uint8_t* data, size_t length);

// A signal whose switch (SG_MUL_VAL_) follows another switch, and so on, is
// selected through at most this many of them.
inline constexpr int32_t MaxSwitchDepth = 16;

// True when the signal belongs to the frame as the multiplexer selects it.
bool SignalSelected(const TDbcMessage& message, const TDbcSignal& signal, const TFrameWords& words);

}  // namespace tarvo
