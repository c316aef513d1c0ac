#pragma once
// The texts the run control and identification write into the status bar.
// On-screen numbers use the user's regional decimal separator, passed as a
// string because some locales use a separator outside ASCII.
#include <cstdint>
#include <string>

namespace tarvo {

inline constexpr const char* StoppedText = "Stopped";

// Adapter status code: a single known bit gives its name, anything else two
// upper-case hexadecimal digits.
std::string StatusCodeText(uint8_t code);

// "Running    hh:mm:ss" from milliseconds since the start of the run.
std::string RunningTimeText(uint32_t tarvoTimeMs);

// Gauge position 0..1000 from whole and tenth percent; an adapter reporting
// more than 100.0 % shows a full bar.
int BusLoadPosition(uint8_t wholePercent, uint8_t tenths);
// "Bus Load 12,3%" for position 123 with a comma separator.
std::string BusLoadText(int position, const std::string& decimalSeparator);

// "    Lost 1037" after the adapter's status while messages were lost in this
// run; empty while none were.
std::string LostMessagesText(uint32_t lost);

// A version byte in tenths: 71 gives "7" + separator + "1".
std::string VersionText(uint8_t versionByte, const std::string& decimalSeparator);

}  // namespace tarvo
