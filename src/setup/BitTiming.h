#pragma once
// Bit timing of the adapter's CAN controller: the six register values, the
// thirteen preset bit rates, the rules a set must pass, the bit rate and
// sample point it gives, and the bytes SetBitTiming carries.
//
// Worked example, the "250k" preset on a 40 MHz adapter: BRP 4, PROPSEG 5,
// PHSEG1 8, PHSEG2 6 give 40000 / (2 x 4 x (1 + 5 + 8 + 6)) = 250 kbit/s and a
// sample point of (1 + 5 + 8) x 10000 / 20 / 100 = 70.00 %.
#include <array>
#include <cstdint>
#include <string>

namespace tarvo {

struct TBitTimingValues {
  int BRP = 2;
  int PROPSEG = 3;
  int PHSEG1 = 8;
  int PHSEG2 = 8;
  int SJW = 1;
  int SAM = 1;  // 1 = one sample, 3 = three samples
  bool operator==(const TBitTimingValues&) const = default;
};

struct TFieldRange {
  int Min;
  int Max;
};

inline constexpr TFieldRange BRPRange{1, 128};  // 64 once an adapter has been checked
inline constexpr TFieldRange PROPSEGRange{1, 8};
inline constexpr TFieldRange PHSEG1Range{1, 8};
inline constexpr TFieldRange PHSEG2Range{2, 8};
inline constexpr TFieldRange SJWRange{1, 4};
inline constexpr TFieldRange SAMRange{1, 3};
inline constexpr int BRPMaxForAdapter = 64;

// Radio-button numbers of the baud-rate choice, also stored in the settings.
inline constexpr int FirstPresetNumber = 100;
inline constexpr int LastPresetNumber = 112;
inline constexpr int Preset800kNumber = 111;
inline constexpr int CustomBaudRateNumber = 120;
inline constexpr int DefaultPresetNumber = 108;  // "250k"

struct TBaudRatePreset {
  int Number;
  const char* Caption;
  int BRP40;  // BRP for a 40 MHz clock
  int PROPSEG;
  int PHSEG1;
  int PHSEG2;
  int NominalHundredths;  // the nominal bit rate in 1/100 kbit/s
};

inline constexpr std::array<TBaudRatePreset, 13> BaudRatePresets{{
    {100, "12.5k", 64, 8, 8, 8, 1250},
    {101, "20k", 50, 5, 8, 6, 2000},
    {102, "33.33k", 30, 5, 8, 6, 3333},
    {103, "50k", 20, 5, 8, 6, 5000},
    {104, "62.5k", 16, 5, 8, 6, 6250},
    {105, "83.33k", 12, 6, 7, 6, 8333},
    {106, "100k", 10, 5, 8, 6, 10000},
    {107, "125k", 8, 5, 8, 6, 12500},
    {108, "250k", 4, 5, 8, 6, 25000},
    {109, "500k", 2, 5, 8, 6, 50000},
    {110, "625k", 2, 5, 6, 4, 62500},
    {111, "800k", 1, 8, 8, 8, 80000},
    {112, "1M", 2, 2, 4, 3, 100000},
}};

// nullptr for numbers that name no preset (120 "Custom" included).
const TBaudRatePreset* FindBaudRatePreset(int number);
// The preset's six values for the adapter's clock: a 20 MHz controller
// needs half the prescaler; "800k" keeps BRP 1 on either clock.
TBitTimingValues PresetValues(const TBaudRatePreset& preset, bool clock40MHz);

// Bit rate in kbit/s; halved on a 20 MHz controller.
double BitRateKbps(const TBitTimingValues& v, bool clock40MHz);
// Sample point in percent, truncated to hundredths.
double SamplePointPercent(const TBitTimingValues& v);

inline constexpr double MaximumBitRateKbps = 1000.0;

inline constexpr const char* SegmentSumMessage =
    "PROPSEG + PHSEG1 + PHSEG2 must be greater than or equal to 7.";
inline constexpr const char* Phase2Message = "PROPSEG + PHSEG1 must be greater than or equal to PHSEG2.";
inline constexpr const char* SJWMessage = "PHSEG2 must be greater than or equal to SJW.";
inline constexpr const char* MaximumBitRateMessage = "Maximum CAN baud rate is 1M bits/s.";
inline constexpr const char* UnsupportedBitTimingMessage =
    "The Tarvo device connected does not support the CAN baud rate settings specified. "
    "Please select new CAN baud rate settings on the 'CAN Setup' page.";

// The segment rules form one chain: only the first rule a set breaks is
// reported. nullptr when the set passes all three.
const char* FirstSegmentRuleMessage(const TBitTimingValues& v);

// Whether the values, read on a 40 MHz clock and rounded to 1/100 kbit/s
// (halves to even), give exactly the nominal rate of the preset.
bool MatchesPresetRate(const TBitTimingValues& v, const TBaudRatePreset& preset);

// Fixed-point text with the given number of decimals and decimal separator;
// independent of the C locale the process runs in.
std::string FormatFixed(double value, int decimals, const std::string& separator);
// The status-bar text ("B/R 250.00k    S/P 70.0%") and the result label
// text ("= 250.00k") of an accepted set.
std::string BitRatePanelText(double bitRateKbps, double samplePoint, const std::string& separator);
std::string BitRateLabelText(double bitRateKbps, const std::string& separator);

// A current adapter can replay messages twice as densely as an older Tarvo.
bool IsCurrentAdapter(int32_t hardwareType, int hardwareVersionTenths);
// Whether the adapter's CAN controller runs from 40 MHz: all but a Tarvo
// with hardware below 7.0 and a TarvoISO with software below 3.0, which run
// from 20 MHz. Versions in tenths, as the identification status gives them.
bool HasCANClock40MHz(int32_t hardwareType, int hardwareVersionTenths, int softwareVersionTenths);
// 150 bit times in 25.6 us ticks, plus one, with the adapter's floor.
uint32_t ReplayMinimumGapFor(double bitRateKbps, bool currentAdapter);

// The six bytes SetBitTiming carries, in its argument order.
struct TSetBitTimingArgs {
  uint8_t SJWMinus1 = 0;
  uint8_t BRPByte = 0;  // BRP - 1, bit 6 set on a 40 MHz controller
  uint8_t PHSEG1Minus1 = 0;
  uint8_t PHSEG2Minus1 = 0;
  uint8_t PROPSEGMinus1 = 0;
  uint8_t TripleSample = 0;  // 1 when SAM is 3
  bool operator==(const TSetBitTimingArgs&) const = default;
};
TSetBitTimingArgs SetBitTimingArguments(const TBitTimingValues& v, bool clock40MHz);

}  // namespace tarvo
