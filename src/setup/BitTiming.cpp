#include "setup/BitTiming.h"

#include <charconv>
#include <cmath>

#include "adapter/TarvoAPI.h"
#include "common/TimeUnits.h"

namespace tarvo {

namespace {

// Quanta in one bit: the synchronisation quantum plus the three segments.
int QuantaPerBit(const TBitTimingValues& v) { return 1 + v.PROPSEG + v.PHSEG1 + v.PHSEG2; }

double BitRateOn40MHz(const TBitTimingValues& v) {
  const int divisor = 2 * v.BRP * QuantaPerBit(v);
  return 40000.0 / divisor;
}

}  // namespace

const TBaudRatePreset* FindBaudRatePreset(int number) {
  for (const TBaudRatePreset& preset : BaudRatePresets)
    if (preset.Number == number) return &preset;
  return nullptr;
}

TBitTimingValues PresetValues(const TBaudRatePreset& preset, bool clock40MHz) {
  TBitTimingValues v;
  v.BRP = (clock40MHz || preset.Number == Preset800kNumber) ? preset.BRP40 : preset.BRP40 / 2;
  v.PROPSEG = preset.PROPSEG;
  v.PHSEG1 = preset.PHSEG1;
  v.PHSEG2 = preset.PHSEG2;
  v.SJW = 1;
  v.SAM = 1;
  return v;
}

double BitRateKbps(const TBitTimingValues& v, bool clock40MHz) {
  const double rate = BitRateOn40MHz(v);
  return clock40MHz ? rate : rate / 2.0;
}

double SamplePointPercent(const TBitTimingValues& v) {
  const int hundredths = (1 + v.PROPSEG + v.PHSEG1) * 10000 / QuantaPerBit(v);
  return hundredths / 100.0;
}

const char* FirstSegmentRuleMessage(const TBitTimingValues& v) {
  if (v.PROPSEG + v.PHSEG1 + v.PHSEG2 < 7) return SegmentSumMessage;
  if (v.PHSEG2 > v.PROPSEG + v.PHSEG1) return Phase2Message;
  if (v.SJW > v.PHSEG2) return SJWMessage;
  return nullptr;
}

bool MatchesPresetRate(const TBitTimingValues& v, const TBaudRatePreset& preset) {
  // Compared in whole hundredths, so 33.33 and 83.33 need no floating equality.
  const double hundredths = std::nearbyint(BitRateOn40MHz(v) * 100.0);
  return hundredths == preset.NominalHundredths;
}

std::string FormatFixed(double value, int decimals, const std::string& separator) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  std::string text(buffer, result.ptr);
  const auto point = text.find('.');
  if (point != std::string::npos) text.replace(point, 1, separator);
  return text;
}

std::string BitRatePanelText(double bitRateKbps, double samplePoint, const std::string& separator) {
  const std::string rate = bitRateKbps < MaximumBitRateKbps
                               ? FormatFixed(bitRateKbps, 2, separator) + "k"
                               : "1" + separator + "00M";
  return "B/R " + rate + "    S/P " + FormatFixed(samplePoint, 1, separator) + "%";
}

std::string BitRateLabelText(double bitRateKbps, const std::string& separator) {
  if (bitRateKbps < MaximumBitRateKbps) return "= " + FormatFixed(bitRateKbps, 2, separator) + "k";
  return "= 1" + separator + "00M";
}

bool IsCurrentAdapter(int32_t hardwareType, int hardwareVersionTenths) {
  if (hardwareType == HW_TARVO) return hardwareVersionTenths >= 70;
  return hardwareType == HW_TARVO_ISO || hardwareType == HW_TARVO_AUTO;
}

bool HasCANClock40MHz(int32_t hardwareType, int hardwareVersionTenths, int softwareVersionTenths) {
  if (hardwareType == HW_TARVO) return hardwareVersionTenths >= 70;
  return !(hardwareType == HW_TARVO_ISO && softwareVersionTenths < 30);
}

uint32_t ReplayMinimumGapFor(double bitRateKbps, bool currentAdapter) {
  const double gap = std::nearbyint(150.0 / (bitRateKbps * 1000.0) * TicksPerSecond + 1.0);
  const double floor = currentAdapter ? 39.0 : 78.0;
  return static_cast<uint32_t>(gap <= floor ? floor : gap);
}

TSetBitTimingArgs SetBitTimingArguments(const TBitTimingValues& v, bool clock40MHz) {
  TSetBitTimingArgs a;
  a.SJWMinus1 = static_cast<uint8_t>(v.SJW - 1);
  a.BRPByte = static_cast<uint8_t>(v.BRP - 1 + (clock40MHz ? 64 : 0));
  a.PHSEG1Minus1 = static_cast<uint8_t>(v.PHSEG1 - 1);
  a.PHSEG2Minus1 = static_cast<uint8_t>(v.PHSEG2 - 1);
  a.PROPSEGMinus1 = static_cast<uint8_t>(v.PROPSEG - 1);
  a.TripleSample = v.SAM == 3 ? 1 : 0;
  return a;
}

}  // namespace tarvo
