#pragma once
// The bus set-up tarvo-bus runs with: the bit rate (one of the program's
// presets, named by its rate in bit/s as `ip link ... bitrate` takes it, or
// the bit timing of a configuration file), the operating mode, the receive
// filters and the adapter's serial number.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "adapter/TarvoAPI.h"
#include "setup/BitTiming.h"

namespace tarvo::bus {

enum class TBusMode { Normal, ListenOnly, Loopback };

struct TBusSetup {
  int PresetNumber = DefaultPresetNumber;  // "250k"
  // The six values on the adapter's clock, in place of the preset.
  std::optional<TBitTimingValues> Timing;
  TBusMode Mode = TBusMode::Normal;
  TFilterSettings Filters = AcceptAllFilters();
  std::string SerialNo;  // empty: any adapter
};

// The preset whose bit rate the text names in bit/s ("250000", "33333");
// nullptr with a one-line reason when no preset has that rate.
const TBaudRatePreset* PresetOfBitRate(std::string_view text, std::string& error);

// The bit rate of a preset in bit/s, rounded ("33.33k" -> 33333).
uint32_t PresetBitRate(const TBaudRatePreset& preset);

// The six values the preset gives on the adapter's clock, checked against
// the bit-timing rules; false with the rule's message when the adapter
// cannot run it (800 kbit/s needs the 40 MHz controller).
bool PresetTimingFor(const TBaudRatePreset& preset, bool clock40MHz, TBitTimingValues& values, std::string& error);

// The mode byte SetOperatingMode carries.
uint8_t OperatingModeByte(TBusMode mode);

}  // namespace tarvo::bus
