// Signal decoding and encoding: a table of known frames checked against the
// bytes they must produce, every case round-tripped, and every placement of
// every length cross-checked bit by bit against the DBC bit numbering.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "dbc/DbcReader.h"
#include "dbc/SignalCodec.h"

namespace tarvo {
namespace {

TDbcSignal MakeSignal(TDbcByteOrder order, uint32_t start, uint16_t length, bool isSigned = false, double factor = 1,
                      double offset = 0, TDbcValueType type = DBC_INTEGER) {
  TDbcSignal s;
  s.ByteOrder = order;
  s.StartBit = start;
  s.Length = length;
  s.Signed = isSigned;
  s.Factor = factor;
  s.Offset = offset;
  s.ValueType = type;
  EXPECT_TRUE(PlaceSignal(s, 8)) << "start " << start << " length " << length;
  return s;
}

// The DBC bit numbering written out bit by bit, independent of the codec's
// word arithmetic: little endian walks up from the start bit; big endian
// starts at the most significant bit and walks down inside a byte, then to
// bit 7 of the next byte.
uint64_t ReferenceExtract(const TDbcSignal& s, const uint8_t data[8]) {
  uint64_t raw = 0;
  uint32_t pos = s.StartBit;
  for (int i = 0; i < s.Length; ++i) {
    const uint64_t bit = (data[pos / 8] >> (pos % 8)) & 1;
    if (s.ByteOrder == DBC_LITTLE_ENDIAN) {
      raw |= bit << i;
      ++pos;
    } else {
      raw |= bit << (s.Length - 1 - i);
      pos = pos % 8 == 0 ? pos + 15 : pos - 1;
    }
  }
  return raw;
}

struct CodecCase {
  const char* Name;
  TDbcByteOrder Order;
  uint32_t Start;
  uint16_t Length;
  bool Signed;
  double Factor;
  double Offset;
  TDbcValueType Type;
  double Physical;
  uint64_t Raw;
  uint8_t Bytes[8];
};

const CodecCase Cases[] = {
    {"little byte", DBC_LITTLE_ENDIAN, 0, 8, false, 1, 0, DBC_INTEGER, 171, 0xAB, {0xAB}},
    {"little odd start across bytes", DBC_LITTLE_ENDIAN, 4, 12, false, 1, 0, DBC_INTEGER, 0xCDA, 0xCDA, {0xA0, 0xCD}},
    {"little 7 bits from bit 13", DBC_LITTLE_ENDIAN, 13, 7, false, 1, 0, DBC_INTEGER, 0x45, 0x45, {0, 0xA0, 0x08}},
    {"big 12 bits from bit 7", DBC_BIG_ENDIAN, 7, 12, false, 1, 0, DBC_INTEGER, 0xABC, 0xABC, {0xAB, 0xC0}},
    {"big odd start 3, 10 bits", DBC_BIG_ENDIAN, 3, 10, false, 1, 0, DBC_INTEGER, 0x201, 0x201, {0x08, 0x04}},
    {"big odd start 21, over three bytes", DBC_BIG_ENDIAN, 21, 16, false, 1, 0, DBC_INTEGER, 0xFFFF, 0xFFFF,
     {0, 0, 0x3F, 0xFF, 0xC0}},
    {"one bit little, last bit", DBC_LITTLE_ENDIAN, 63, 1, false, 1, 0, DBC_INTEGER, 1, 1, {0, 0, 0, 0, 0, 0, 0, 0x80}},
    {"one bit big, bit 0 of D8", DBC_BIG_ENDIAN, 56, 1, false, 1, 0, DBC_INTEGER, 1, 1, {0, 0, 0, 0, 0, 0, 0, 0x01}},
    // Physical values are doubles: a 64-bit case keeps to 53 significant bits
    // (all 64 raw bits are checked by EveryPlacementAgreesWithTheBitNumbering).
    {"64 bits little", DBC_LITTLE_ENDIAN, 0, 64, false, 1, 0, DBC_INTEGER, 81985529216486656.0, 0x0123456789ABCD00,
     {0x00, 0xCD, 0xAB, 0x89, 0x67, 0x45, 0x23, 0x01}},
    {"64 bits big", DBC_BIG_ENDIAN, 7, 64, false, 1, 0, DBC_INTEGER, 81985529216486656.0, 0x0123456789ABCD00,
     {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0x00}},
    {"64 bits signed little", DBC_LITTLE_ENDIAN, 0, 64, true, 1, 0, DBC_INTEGER, -2, 0xFFFFFFFFFFFFFFFE,
     {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
    {"signed little byte", DBC_LITTLE_ENDIAN, 8, 8, true, 1, 0, DBC_INTEGER, -1, 0xFF, {0, 0xFF}},
    {"signed big, scaled and offset", DBC_BIG_ENDIAN, 7, 12, true, 0.5, -40, DBC_INTEGER, -50, 0xFEC, {0xFE, 0xC0}},
    {"scaled little 16 bits", DBC_LITTLE_ENDIAN, 24, 16, false, 0.125, 0, DBC_INTEGER, 2150, 17200,
     {0, 0, 0, 0x30, 0x43}},
    {"offset little", DBC_LITTLE_ENDIAN, 16, 8, false, 1, -40, DBC_INTEGER, 25, 65, {0, 0, 0x41}},
    {"signed little odd start, negative", DBC_LITTLE_ENDIAN, 3, 10, true, 0.1, 0, DBC_INTEGER, -51.2, 0x200,
     {0x00, 0x10}},
    {"float32 little", DBC_LITTLE_ENDIAN, 32, 32, false, 1, 0, DBC_FLOAT32, 1.5, 0x3FC00000,
     {0, 0, 0, 0, 0x00, 0x00, 0xC0, 0x3F}},
    {"float64 big", DBC_BIG_ENDIAN, 7, 64, false, 1, 0, DBC_FLOAT64, -2.5, 0xC004000000000000,
     {0xC0, 0x04, 0, 0, 0, 0, 0, 0}},
};

class CodecTable : public testing::TestWithParam<CodecCase> {};

TEST_P(CodecTable, EncodesToTheBytesAndDecodesBack) {
  const CodecCase& c = GetParam();
  const TDbcSignal s = MakeSignal(c.Order, c.Start, c.Length, c.Signed, c.Factor, c.Offset, c.Type);
  const uint64_t raw = RawFromPhysical(s, c.Physical);
  EXPECT_EQ(raw, c.Raw);
  uint8_t data[8] = {};
  InsertRaw(s, raw, data);
  EXPECT_EQ(0, std::memcmp(data, c.Bytes, 8));
  const TFrameWords w = FrameWords(data, 8);
  EXPECT_EQ(ExtractRaw(s, w), c.Raw);
  EXPECT_EQ(ReferenceExtract(s, data), c.Raw);
  EXPECT_DOUBLE_EQ(PhysicalValue(s, ExtractRaw(s, w)), c.Physical);
}

TEST_P(CodecTable, LeavesTheOtherBitsAlone) {
  const CodecCase& c = GetParam();
  const TDbcSignal s = MakeSignal(c.Order, c.Start, c.Length, c.Signed, c.Factor, c.Offset, c.Type);
  uint8_t data[8];
  std::memset(data, 0xFF, 8);
  InsertRaw(s, 0, data);
  uint8_t expected[8];
  std::memset(expected, 0xFF, 8);
  for (int b = 0; b < 8; ++b) {
    uint8_t ones[8] = {};
    InsertRaw(s, ~uint64_t(0), ones);
    expected[b] = uint8_t(~ones[b]);
  }
  EXPECT_EQ(0, std::memcmp(data, expected, 8));
}

INSTANTIATE_TEST_SUITE_P(Signals, CodecTable, testing::ValuesIn(Cases), [](const auto& info) {
  std::string name = info.param.Name;
  for (char& ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
});

// Every start bit and length that fits a classic frame, both byte orders:
// the word arithmetic agrees with the bit-by-bit numbering, and a random raw
// value written into random bytes reads back while the other bits stay.
TEST(SignalCodec, EveryPlacementAgreesWithTheBitNumbering) {
  std::mt19937_64 random(12);
  int placements = 0;
  for (TDbcByteOrder order : {DBC_LITTLE_ENDIAN, DBC_BIG_ENDIAN}) {
    for (uint16_t length = 1; length <= 64; ++length) {
      for (uint32_t start = 0; start < 64; ++start) {
        TDbcSignal s;
        s.ByteOrder = order;
        s.StartBit = start;
        s.Length = length;
        if (!PlaceSignal(s, 8)) continue;
        ++placements;
        uint8_t data[8];
        for (uint8_t& b : data) b = uint8_t(random());
        uint8_t before[8];
        std::memcpy(before, data, 8);
        ASSERT_EQ(ExtractRaw(s, FrameWords(data, 8)), ReferenceExtract(s, data));
        const uint64_t raw = random() & SignalMask(length);
        InsertRaw(s, raw, data);
        ASSERT_EQ(ReferenceExtract(s, data), raw) << order << " " << start << " " << length;
        InsertRaw(s, ReferenceExtract(s, before), data);
        ASSERT_EQ(0, std::memcmp(data, before, 8)) << order << " " << start << " " << length;
      }
    }
  }
  // 64 + 63 + ... + 1 placements per byte order.
  EXPECT_EQ(placements, 2 * 64 * 65 / 2);
}

// Bits of a frame of any length by another numbering: little endian counts
// up from the start bit; big endian counts through the frame as one
// big-endian bit string from the start bit's place in it.
uint64_t ReferenceExtractWide(const TDbcSignal& s, const uint8_t* data) {
  uint64_t raw = 0;
  for (int k = 0; k < s.Length; ++k) {
    uint32_t byte, bit;
    if (s.ByteOrder == DBC_LITTLE_ENDIAN) {
      const uint32_t at = s.StartBit + uint32_t(s.Length - 1 - k);  // most significant first
      byte = at / 8, bit = at % 8;
    } else {
      const uint32_t at = (s.StartBit / 8) * 8 + (7 - s.StartBit % 8) + uint32_t(k);
      byte = at / 8, bit = 7 - at % 8;
    }
    raw = (raw << 1) | ((data[byte] >> bit) & 1u);
  }
  return raw;
}

// CAN FD frames of up to 64 bytes and messages longer than eight: every
// placement reads the bits the numbering names, and in eight bytes the same
// bits as the word reading of classic frames.
TEST(SignalCodec, LongFramesAreReadBitForBit) {
  std::mt19937_64 random(24);
  uint8_t data[64];
  for (uint8_t& b : data) b = uint8_t(random());
  for (uint32_t size : {8u, 12u, 64u}) {
    int placements = 0;
    for (TDbcByteOrder order : {DBC_LITTLE_ENDIAN, DBC_BIG_ENDIAN}) {
      for (uint16_t length : {1, 7, 8, 13, 32, 57, 64}) {
        for (uint32_t start = 0; start < size * 8; ++start) {
          TDbcSignal s;
          s.ByteOrder = order;
          s.StartBit = start;
          s.Length = length;
          if (!PlaceSignal(s, size)) continue;
          ++placements;
          ASSERT_EQ(ExtractRawFromBytes(s, data, size), ReferenceExtractWide(s, data))
              << size << " " << order << " " << start << " " << length;
          if (size == 8) {
            ASSERT_EQ(ExtractRawFromBytes(s, data, 8), ExtractRaw(s, FrameWords(data, 8)));
          }
        }
      }
    }
    EXPECT_GT(placements, 0);
  }
}

TEST(SignalCodec, DecodingACanFdFrameOfAMessageLongerThanEightBytes) {
  const TDbcReadResult r = ReadDbc(
      "BO_ 291 Long: 24 N\n"
      " SG_ Head : 0|8@1+ (1,0) [0|0] \"\" N\n"
      " SG_ Far : 160|16@1+ (0.5,0) [0|0] \"\" N\n"
      " SG_ Motor : 183|12@0- (1,0) [0|0] \"\" N\n"
      " SG_ Front : 15|12@0+ (1,0) [0|0] \"\" N\n");
  ASSERT_TRUE(r.Ok);
  uint8_t data[24] = {};
  data[0] = 0x11;
  data[20] = 0x34, data[21] = 0x12;  // Far = 0x1234 * 0.5
  data[22] = 0xFF, data[23] = 0xE0;  // Motor: the 12 bits from bit 183 down, 0xFFE = -2
  data[1] = 0xAB, data[2] = 0xC0;    // Front: big endian from bit 15, 0xABC
  TDecodedSignal out[4];
  ASSERT_EQ(DecodeMessage(r.Database.Messages[0], data, 24, out), 4u);
  EXPECT_EQ(out[3].Physical, 0xABC);
  EXPECT_EQ(out[0].Physical, 0x11);
  EXPECT_EQ(out[1].Physical, 0x1234 * 0.5);
  EXPECT_EQ(out[2].Physical, -2);
  // A frame too short for the far signals leaves them absent, not read past its end.
  ASSERT_EQ(DecodeMessage(r.Database.Messages[0], data, 8, out), 4u);
  EXPECT_TRUE(out[0].Present);
  EXPECT_FALSE(out[1].Present);
  EXPECT_FALSE(out[2].Present);
  // and the near ones of a long message are read from a short frame alike
  ASSERT_TRUE(out[3].Present);
  EXPECT_EQ(out[3].Physical, 0xABC);
}

TEST(SignalCodec, PlacementRefusesSignalsOutsideTheMessage) {
  struct Placement {
    TDbcByteOrder Order;
    uint32_t Start;
    uint16_t Length;
    uint32_t Size;
    bool Fits;
  };
  const Placement placements[] = {
      {DBC_LITTLE_ENDIAN, 60, 4, 8, true},  {DBC_LITTLE_ENDIAN, 61, 4, 8, false}, {DBC_LITTLE_ENDIAN, 0, 9, 1, false},
      {DBC_BIG_ENDIAN, 7, 8, 1, true},      {DBC_BIG_ENDIAN, 7, 9, 1, false},     {DBC_BIG_ENDIAN, 0, 2, 8, true},
      {DBC_BIG_ENDIAN, 56, 2, 8, false},    {DBC_BIG_ENDIAN, 64, 1, 8, false},    {DBC_LITTLE_ENDIAN, 0, 0, 8, false},
      {DBC_LITTLE_ENDIAN, 0, 65, 16, false}, {DBC_LITTLE_ENDIAN, 0, 1, 0, false},
  };
  for (const Placement& p : placements) {
    TDbcSignal s;
    s.ByteOrder = p.Order;
    s.StartBit = p.Start;
    s.Length = p.Length;
    EXPECT_EQ(PlaceSignal(s, p.Size), p.Fits) << p.Order << " " << p.Start << "|" << p.Length << " in " << p.Size;
  }
}

TEST(SignalCodec, ShortMessagesAndShortFramesUseTheirFirstBytes) {
  // A big-endian signal of a two-byte message sits in D1..D2.
  TDbcSignal s;
  s.ByteOrder = DBC_BIG_ENDIAN;
  s.StartBit = 7;
  s.Length = 16;
  ASSERT_TRUE(PlaceSignal(s, 2));
  EXPECT_EQ(s.BytesUsed, 2);
  const uint8_t data[8] = {0x12, 0x34, 0x56};
  EXPECT_EQ(ExtractRaw(s, FrameWords(data, 2)), 0x1234u);
  // Bytes beyond the DLC count as zero.
  const TDbcSignal wide = MakeSignal(DBC_LITTLE_ENDIAN, 0, 24);
  EXPECT_EQ(ExtractRaw(wide, FrameWords(data, 2)), 0x3412u);
}

TEST(SignalCodec, EncodingHoldsValuesToWhatTheSignalCarries) {
  const TDbcSignal u8 = MakeSignal(DBC_LITTLE_ENDIAN, 0, 8);
  EXPECT_EQ(RawFromPhysical(u8, 300), 255u);
  EXPECT_EQ(RawFromPhysical(u8, -5), 0u);
  EXPECT_EQ(RawFromPhysical(u8, 2.5), 2u);  // nearest, halves to even
  EXPECT_EQ(RawFromPhysical(u8, 3.5), 4u);
  EXPECT_EQ(RawFromPhysical(u8, std::nan("")), 0u);
  const TDbcSignal s4 = MakeSignal(DBC_LITTLE_ENDIAN, 0, 4, true);
  EXPECT_EQ(RawFromPhysical(s4, 100), 0x7u);
  EXPECT_EQ(RawFromPhysical(s4, -100), 0x8u);
  const TDbcSignal u64 = MakeSignal(DBC_LITTLE_ENDIAN, 0, 64);
  EXPECT_EQ(RawFromPhysical(u64, 1e30), ~uint64_t(0));
  const TDbcSignal s64 = MakeSignal(DBC_LITTLE_ENDIAN, 0, 64, true);
  EXPECT_EQ(RawFromPhysical(s64, 1e30), uint64_t(INT64_MAX));
  EXPECT_EQ(RawFromPhysical(s64, -1e30), uint64_t(INT64_MIN));
  const TDbcSignal scaled = MakeSignal(DBC_LITTLE_ENDIAN, 0, 8, false, 0.5, 10);
  EXPECT_EQ(RawFromPhysical(scaled, 11.2), 2u);  // (11.2 - 10) / 0.5 = 2.4 -> 2
  const TDbcSignal zeroFactor = MakeSignal(DBC_LITTLE_ENDIAN, 0, 8, false, 0, 0);
  EXPECT_EQ(RawFromPhysical(zeroFactor, 7), 7u);
}

const char MultiplexedDbc[] = R"(
BO_ 100 Pages: 8 Node
 SG_ Page M : 0|8@1+ (1,0) [0|0] "" Node
 SG_ Always : 56|8@1+ (1,0) [0|0] "" Node
 SG_ A m0 : 8|16@1+ (1,0) [0|0] "" Node
 SG_ B m1 : 15|16@0- (0.5,0) [0|0] "V" Node
 SG_ C m1 : 31|8@0+ (1,0) [0|0] "" Node
)";

TEST(SignalCodec, MultiplexerSelectsTheSignalsOfItsPage) {
  const TDbcReadResult r = ReadDbc(MultiplexedDbc);
  ASSERT_TRUE(r.Ok) << DbcErrorText(r.Error);
  const TDbcMessage& m = r.Database.Messages[0];
  ASSERT_EQ(m.MultiplexerIndex, 0);
  TDecodedSignal out[5];

  // Page 1: B and C, with B big endian signed.
  uint8_t data[8] = {};
  const TDbcSignal& page = m.Signals[0];
  InsertRaw(page, 1, data);
  InsertRaw(m.Signals[3], RawFromPhysical(m.Signals[3], -3.5), data);
  InsertRaw(m.Signals[4], 0x5A, data);
  size_t n = DecodeMessage(m, data, 8, out);
  ASSERT_EQ(n, 4u);
  EXPECT_EQ(out[0].Signal->Name, "Page");
  EXPECT_EQ(out[1].Signal->Name, "Always");
  EXPECT_EQ(out[2].Signal->Name, "B");
  EXPECT_DOUBLE_EQ(out[2].Physical, -3.5);
  EXPECT_EQ(out[3].Signal->Name, "C");
  EXPECT_EQ(out[3].Raw, 0x5Au);
  EXPECT_TRUE(SignalSelected(m, m.Signals[3], FrameWords(data, 8)));
  EXPECT_FALSE(SignalSelected(m, m.Signals[2], FrameWords(data, 8)));

  // Page 0: A only; a page no signal belongs to: only the plain ones.
  InsertRaw(page, 0, data);
  n = DecodeMessage(m, data, 8, out);
  ASSERT_EQ(n, 3u);
  EXPECT_EQ(out[2].Signal->Name, "A");
  InsertRaw(page, 7, data);
  EXPECT_EQ(DecodeMessage(m, data, 8, out), 2u);

  // A frame too short for a signal shows it as not present; without the
  // multiplexer's byte no multiplexed signal is shown.
  InsertRaw(page, 1, data);
  n = DecodeMessage(m, data, 3, out);
  ASSERT_EQ(n, 4u);
  EXPECT_TRUE(out[2].Present);
  EXPECT_FALSE(out[1].Present);  // Always, in D8
  EXPECT_FALSE(out[3].Present);  // C, in D4
  EXPECT_EQ(DecodeMessage(m, data, 0, out), 2u);
}

}  // namespace
}  // namespace tarvo
