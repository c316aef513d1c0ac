#include "dbc/SignalText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace tarvo {

namespace {

// Fewest decimals (0..9) that show x exactly enough.
int DecimalsOf(double x) {
  double scaled = std::fabs(x);
  if (!std::isfinite(scaled)) return 0;
  for (int d = 0; d < 9; ++d) {
    if (std::fabs(scaled - std::nearbyint(scaled)) <= 1e-9 * scaled) return d;
    scaled *= 10;
  }
  return 9;
}

std::string WithSeparator(std::string text, std::string_view separator) {
  const size_t dot = text.find('.');
  if (dot != std::string::npos && separator != ".") text.replace(dot, 1, separator);
  return text;
}

}  // namespace

int PhysicalDecimals(const TDbcSignal& s) { return std::max(DecimalsOf(s.Factor), DecimalsOf(s.Offset)); }

std::string PhysicalText(const TDbcSignal& s, double physical, std::string_view decimalSeparator) {
  char buffer[512];
  if (!std::isfinite(physical)) {
    std::snprintf(buffer, sizeof buffer, "%g", physical);
  } else if (s.ValueType != DBC_INTEGER) {
    std::snprintf(buffer, sizeof buffer, "%.7g", physical);
  } else {
    std::snprintf(buffer, sizeof buffer, "%.*f", PhysicalDecimals(s), physical);
  }
  return WithSeparator(buffer, decimalSeparator);
}

const std::string* FindValueText(const TDbcSignal& s, uint64_t raw) {
  const int64_t value = SignedRaw(s, raw);
  for (const TDbcValueText& v : s.ValueTexts)
    if (v.Value == value || uint64_t(v.Value) == raw) return &v.Text;
  return nullptr;
}

std::string SignalValueText(const TDbcSignal& s, uint64_t raw, double physical, std::string_view decimalSeparator) {
  if (const std::string* text = FindValueText(s, raw)) return *text;
  std::string out = PhysicalText(s, physical, decimalSeparator);
  if (!s.Unit.empty()) out += " " + s.Unit;
  return out;
}

std::string RawValueText(const TDbcSignal& s, uint64_t raw, bool hexadecimal) {
  char buffer[32];
  if (hexadecimal)
    std::snprintf(buffer, sizeof buffer, "%llX", static_cast<unsigned long long>(raw));
  else if (s.Signed && s.ValueType == DBC_INTEGER)
    std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(SignedRaw(s, raw)));
  else
    std::snprintf(buffer, sizeof buffer, "%llu", static_cast<unsigned long long>(raw));
  return buffer;
}

std::string MessageTooltipText(const TDbcMessage& message, const uint8_t* data, uint8_t dlc, bool hexadecimal,
                               std::string_view decimalSeparator) {
  std::vector<TDecodedSignal> decoded(message.Signals.size());
  const size_t n = DecodeMessage(message, data, std::min<size_t>(dlc, 8), decoded.data());  // data holds 8 bytes
  std::string text = message.Name;
  for (size_t i = 0; i < n; ++i) {
    const TDecodedSignal& d = decoded[i];
    text += "\n" + d.Signal->Name;
    if (!d.Present) {
      text += ": not in frame";
      continue;
    }
    text += " = " + SignalValueText(*d.Signal, d.Raw, d.Physical, decimalSeparator) + " (" +
            RawValueText(*d.Signal, d.Raw, hexadecimal) + ")";
  }
  return text;
}

bool ParseSignalText(const TDbcSignal& s, std::string_view text, std::string_view decimalSeparator, uint64_t& raw) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  for (const TDbcValueText& v : s.ValueTexts) {
    if (v.Text == text) {
      raw = uint64_t(v.Value) & SignalMask(s.Length);
      return true;
    }
  }
  // A trailing unit typed along with the number is accepted.
  if (!s.Unit.empty() && text.size() > s.Unit.size() && text.substr(text.size() - s.Unit.size()) == s.Unit) {
    text.remove_suffix(s.Unit.size());
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  }
  std::string number(text);
  if (!decimalSeparator.empty() && decimalSeparator != ".") {
    const size_t at = number.find(decimalSeparator);
    if (at != std::string::npos) number.replace(at, decimalSeparator.size(), ".");
  }
  std::string_view view = number;
  if (!view.empty() && view.front() == '+') view.remove_prefix(1);
  if (view.empty()) return false;
  const char* first = view.data();
  const char* last = view.data() + view.size();
  // Whole numbers of an unscaled integer signal are taken exactly: a double
  // cannot carry all 64 bits.
  if (s.ValueType == DBC_INTEGER && s.Factor == 1.0 && s.Offset == 0.0) {
    const uint64_t mask = SignalMask(s.Length);
    if (view.front() == '-') {
      int64_t v = 0;
      const auto [end, ec] = std::from_chars(first, last, v);
      if (ec == std::errc() && end == last) {
        const int64_t lowest = s.Length >= 64 ? INT64_MIN : -int64_t(mask >> 1) - 1;
        raw = s.Signed ? uint64_t(v < lowest ? lowest : v) & mask : 0;
        return true;
      }
    } else {
      uint64_t v = 0;
      const auto [end, ec] = std::from_chars(first, last, v);
      if (ec == std::errc() && end == last) {
        const uint64_t top = s.Signed ? mask >> 1 : mask;
        raw = v > top ? top : v;
        return true;
      }
    }
  }
  double value = 0;
  const auto [end, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || end != last || !std::isfinite(value)) return false;
  raw = RawFromPhysical(s, value);
  return true;
}

}  // namespace tarvo
