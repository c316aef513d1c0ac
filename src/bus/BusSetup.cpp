#include "bus/BusSetup.h"

#include <charconv>
#include <cmath>

#include "adapter/TarvoAPI.h"

namespace tarvo::bus {

uint32_t PresetBitRate(const TBaudRatePreset& preset) {
  return uint32_t(std::lround(BitRateKbps(PresetValues(preset, true), true) * 1000.0));
}

const TBaudRatePreset* PresetOfBitRate(std::string_view text, std::string& error) {
  uint32_t rate = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), rate);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) {
    error = "the bit rate must be a number of bit/s, e.g. 250000";
    return nullptr;
  }
  for (const TBaudRatePreset& preset : BaudRatePresets)
    if (PresetBitRate(preset) == rate) return &preset;
  error = "the adapter runs at 12500, 20000, 33333, 50000, 62500, 83333, 100000, 125000, 250000, 500000, "
          "625000, 800000 or 1000000 bit/s, not " +
          std::string(text);
  return nullptr;
}

bool PresetTimingFor(const TBaudRatePreset& preset, bool clock40MHz, TBitTimingValues& values, std::string& error) {
  if (!clock40MHz && preset.Number == Preset800kNumber) {
    error = "800000 bit/s needs an adapter with the 40 MHz CAN controller";
    return false;
  }
  const TBitTimingValues v = PresetValues(preset, clock40MHz);
  if (const char* broken = FirstSegmentRuleMessage(v); broken != nullptr) {
    error = broken;
    return false;
  }
  if (BitRateKbps(v, clock40MHz) > MaximumBitRateKbps) {
    error = MaximumBitRateMessage;
    return false;
  }
  values = v;
  return true;
}

uint8_t OperatingModeByte(TBusMode mode) {
  if (mode == TBusMode::ListenOnly) return OPMODE_LISTEN_ONLY;
  if (mode == TBusMode::Loopback) return OPMODE_LOOPBACK;
  return OPMODE_NORMAL;
}

}  // namespace tarvo::bus
