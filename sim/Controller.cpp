#include "sim/Controller.h"

#include "sim/Scenario.h"

namespace tarvo::sim {
namespace {

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

}  // namespace

bool Has40MHzClock(const AdapterSpec& a) {
  if (a.ProductId == PidTarvo && a.Hardware < 70) return false;
  if (a.ProductId == PidTarvoISO && a.Software < 30) return false;
  return true;
}

BitTiming BitTiming::Decode(const uint8_t bytes[6], bool has40MHz) {
  BitTiming t;
  t.Sjw = (bytes[0] & 0x03) + 1;
  t.Brp = (bytes[1] & 0x3F) + 1;
  t.PhSeg1 = (bytes[2] & 0x07) + 1;
  t.PhSeg2 = (bytes[3] & 0x07) + 1;
  t.PropSeg = (bytes[4] & 0x07) + 1;
  t.TripleSample = bytes[5] != 0;
  t.ClockHz = has40MHz && (bytes[1] & 0x40) ? 40'000'000 : 20'000'000;
  return t;
}

double BitTiming::BitRate() const {
  return double(ClockHz) / (2.0 * Brp * (1 + PropSeg + PhSeg1 + PhSeg2));
}

AcceptanceFilters AcceptanceFilters::Decode(const uint8_t b[38]) {
  // Offsets within the packet minus the type byte: mask 1 at 0, filters 1-2
  // as (flag, value) from 4, mask 2 at 14, filters 3-6 from 18.
  AcceptanceFilters f;
  f.Mask[0] = Le32(b + 0);
  f.Mask[1] = Le32(b + 14);
  for (int i = 0; i < 6; ++i) {
    const uint8_t* p = b + (i < 2 ? 4 + 5 * i : 18 + 5 * (i - 2));
    f.FilterExtended[i] = p[0] != 0;
    f.Filter[i] = Le32(p + 1);
  }
  return f;
}

bool AcceptanceFilters::Accepts(const CanFrame& frame) const {
  const uint32_t idBits = frame.Extended ? MaxExtendedId : MaxStandardId;
  for (int i = 0; i < 6; ++i) {
    const uint32_t mask = Mask[i < 2 ? 0 : 1] & idBits;
    if (FilterExtended[i] == frame.Extended && ((frame.Id ^ Filter[i]) & mask) == 0) return true;
  }
  return false;
}

uint8_t ErrorCounters::StateBits() const {
  const int rec = ReportedRec(), tec = ReportedTec();
  uint8_t bits = 0;
  if (rec >= 96 || tec >= 96) bits |= 0x01;
  if (rec >= 96) bits |= 0x02;
  if (tec >= 96) bits |= 0x04;
  if (rec >= 128) bits |= 0x08;
  if (tec >= 128) bits |= 0x10;
  if (BusOff) bits |= 0x20;
  return bits;
}

}  // namespace tarvo::sim
