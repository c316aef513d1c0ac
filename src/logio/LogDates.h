#pragma once
// The start of a log as its header says it, in local time as the tools
// that write these headers do: ASC date lines ("date Tue Dec 08 9:4:5 2026",
// "date Thu Dec 10 01:31:14.287 PM 2026") and the time and date texts of a
// Tarvo header ("14:24:08 2026-12-11", "14:24:08 11.12.2026").
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

// The moment an ASC date line or "Begin Triggerblock" line names, as
// nanoseconds since 1970; none when it cannot be read.
std::optional<int64_t> ParseAscDate(std::string_view line);
// "Tue Dec 08 9:4:5 2026": day and month names in English, hour, minute and
// second without leading zeros, as Tarvo's ASC header writes them.
std::string AscDateText(int64_t epochNs);
// A Tarvo header's time ("H:M:S") and date (year-month-day, day.month.year,
// or month/day/year) as nanoseconds since 1970; none when they cannot be read.
std::optional<int64_t> ParseTarvoHeaderClock(std::string_view time, std::string_view date);
// The time and date texts Tarvo's header gets for a moment.
std::string TarvoHeaderTimeText(int64_t epochNs);
std::string TarvoHeaderDateText(int64_t epochNs);
// Now, as nanoseconds since 1970.
int64_t NowEpochNs();

}  // namespace tarvo
