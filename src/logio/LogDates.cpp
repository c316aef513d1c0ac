#include "logio/LogDates.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

#include "logio/TextFields.h"

namespace tarvo {

namespace {

constexpr int64_t NsPerSecond = 1'000'000'000;

// Local broken-down time to nanoseconds since 1970, with ms.
std::optional<int64_t> FromLocal(std::tm t, int milliseconds) {
  t.tm_isdst = -1;
  const std::time_t seconds = std::mktime(&t);
  // Nanoseconds since 1970 in 64 bits reach from 1677 to 2262; a header
  // naming another year says nothing usable.
  if (seconds == std::time_t(-1) || seconds < -9'000'000'000 || seconds > 9'000'000'000) return std::nullopt;
  return int64_t(seconds) * NsPerSecond + int64_t(milliseconds) * 1'000'000;
}

std::tm ToLocal(int64_t epochNs) {
  std::time_t seconds = std::time_t(epochNs / NsPerSecond);
  if (epochNs < 0 && epochNs % NsPerSecond) --seconds;
  std::tm t{};
  localtime_r(&seconds, &t);
  return t;
}

int MonthOf(std::string_view word) {
  static const char* const months[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                       "jul", "aug", "sep", "oct", "nov", "dec"};
  if (word.size() < 3) return -1;
  std::string w(word.substr(0, 3));
  for (char& c : w) c = char(std::tolower(static_cast<unsigned char>(c)));
  for (int m = 0; m < 12; ++m)
    if (w == months[m]) return m;
  // German writers' names where they differ.
  if (w == "mär" || word.starts_with("M\xe4r")) return 2;
  if (w == "mai") return 4;
  if (w == "okt") return 9;
  if (w == "dez") return 11;
  return -1;
}

}  // namespace

std::optional<int64_t> ParseAscDate(std::string_view line) {
  std::array<std::string_view, 12> w;
  const size_t count = std::min<size_t>(Words(line, w), w.size());
  std::tm t{};
  int found = 0, milliseconds = 0;  // found: 1 month, 2 day, 4 time, 8 year
  bool pm = false, am = false;
  for (size_t i = 0; i < count; ++i) {
    const std::string_view word = w[i];
    uint32_t n = 0;
    if (const int m = MonthOf(word); m >= 0 && !(found & 1)) {
      t.tm_mon = m;
      found |= 1;
    } else if (word.find(':') != std::string_view::npos) {
      int h = 0, mi = 0, s = 0, ms = 0, msDigits = 0;
      const std::string text(word);
      if (std::sscanf(text.c_str(), "%d:%d:%d.%n", &h, &mi, &s, &msDigits) < 3) continue;
      const size_t dot = text.find('.');
      if (dot != std::string::npos) {
        const std::string fraction = (text.substr(dot + 1) + "000").substr(0, 3);
        uint32_t f = 0;
        if (DecNumber(fraction, f)) ms = int(f);
      }
      t.tm_hour = h, t.tm_min = mi, t.tm_sec = s, milliseconds = ms;
      found |= 4;
    } else if (word == "PM" || word == "pm") {
      pm = true;
    } else if (word == "AM" || word == "am") {
      am = true;
    } else if (word.size() == 4 && DecNumber(word, n)) {
      t.tm_year = int(n) - 1900;
      found |= 8;
    } else if (word.size() <= 2 && DecNumber(word, n) && (found & 1) && !(found & 2)) {
      t.tm_mday = int(n);
      found |= 2;
    }
  }
  if (found != 15) return std::nullopt;
  if (pm && t.tm_hour < 12) t.tm_hour += 12;
  if (am && t.tm_hour == 12) t.tm_hour = 0;
  return FromLocal(t, milliseconds);
}

std::string AscDateText(int64_t epochNs) {
  static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::tm t = ToLocal(epochNs);
  char text[64];
  std::snprintf(text, sizeof text, "%s %s %02d %d:%d:%d %04d", days[t.tm_wday % 7], months[t.tm_mon % 12], t.tm_mday,
                t.tm_hour, t.tm_min, t.tm_sec, t.tm_year + 1900);
  return text;
}

std::optional<int64_t> ParseTarvoHeaderClock(std::string_view time, std::string_view date) {
  std::tm t{};
  int h = 0, mi = 0, s = 0;
  if (std::sscanf(std::string(time).c_str(), "%d:%d:%d", &h, &mi, &s) != 3) return std::nullopt;
  int a = 0, b = 0, c = 0;
  const std::string d(date);
  if (std::sscanf(d.c_str(), "%d-%d-%d", &a, &b, &c) == 3 && a > 31) {
    t.tm_year = a - 1900, t.tm_mon = b - 1, t.tm_mday = c;
  } else if (std::sscanf(d.c_str(), "%d.%d.%d", &a, &b, &c) == 3) {
    t.tm_mday = a, t.tm_mon = b - 1, t.tm_year = c - 1900;
  } else if (std::sscanf(d.c_str(), "%d/%d/%d", &a, &b, &c) == 3) {
    // Month first, as the regional short date that writes "/" most often does,
    // unless the first number cannot be a month.
    if (a > 12) std::swap(a, b);
    t.tm_mon = a - 1, t.tm_mday = b, t.tm_year = (c < 100 ? c + 2000 : c) - 1900;
  } else {
    return std::nullopt;
  }
  if (t.tm_mon < 0 || t.tm_mon > 11 || t.tm_mday < 1 || t.tm_mday > 31 || h > 23 || mi > 59 || s > 60)
    return std::nullopt;
  t.tm_hour = h, t.tm_min = mi, t.tm_sec = s;
  return FromLocal(t, 0);
}

std::string TarvoHeaderTimeText(int64_t epochNs) {
  const std::tm t = ToLocal(epochNs);
  char text[32];
  std::strftime(text, sizeof text, "%H:%M:%S", &t);
  return text;
}

std::string TarvoHeaderDateText(int64_t epochNs) {
  const std::tm t = ToLocal(epochNs);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d", &t);
  return text;
}

int64_t NowEpochNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace tarvo
