#include "sim/Scenario.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>

namespace tarvo::sim {
namespace {

using Args = std::vector<std::string_view>;
// Each line parser returns "" on success, otherwise why the line is ignored.
using Error = std::string;

constexpr std::string_view Whitespace = " \t\r\v\f";

std::string_view Trim(std::string_view s) {
  const size_t first = s.find_first_not_of(Whitespace);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(Whitespace) - first + 1);
}

Args Split(std::string_view s) {
  Args out;
  size_t pos = 0;
  while ((pos = s.find_first_not_of(Whitespace, pos)) != std::string_view::npos) {
    const size_t end = std::min(s.find_first_of(Whitespace, pos), s.size());
    out.push_back(s.substr(pos, end - pos));
    pos = end;
  }
  return out;
}

bool Is(std::string_view token, std::string_view word) {
  return token.size() == word.size() &&
         std::equal(token.begin(), token.end(), word.begin(),
                    [](char a, char b) { return std::tolower(uint8_t(a)) == std::tolower(uint8_t(b)); });
}

bool ParseUnsigned(std::string_view s, int base, uint64_t max, uint64_t& out) {
  if (base == 16 && s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.remove_prefix(2);
  uint64_t v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size() || v > max) return false;
  out = v;
  return true;
}

template <typename T>
bool ParseNumber(std::string_view s, int base, uint64_t max, T& out) {
  uint64_t v = 0;
  if (!ParseUnsigned(s, base, max, v)) return false;
  out = T(v);
  return true;
}

// "3.2" -> major 3, minor 2 (the minor is a number of its own: "3.10" is ten).
bool ParseVersion(std::string_view s, uint32_t& word) {
  const size_t dot = s.find('.');
  uint32_t major = 0, minor = 0;
  if (dot == std::string_view::npos || !ParseNumber(s.substr(0, dot), 10, 0xFFFF, major) ||
      !ParseNumber(s.substr(dot + 1), 10, 0xFFFF, minor))
    return false;
  word = VersionWord(major, minor);
  return true;
}

// "7.1" -> 71, "7" -> 70: versions are reported in tenths.
bool ParseTenths(std::string_view s, uint8_t& tenths) {
  const size_t dot = s.find('.');
  uint32_t whole = 0, tenth = 0;
  if (!ParseNumber(s.substr(0, dot), 10, 25, whole)) return false;
  if (dot != std::string_view::npos && (s.size() != dot + 2 || !ParseNumber(s.substr(dot + 1), 10, 9, tenth)))
    return false;
  if (whole * 10 + tenth > 255) return false;
  tenths = uint8_t(whole * 10 + tenth);
  return true;
}

// "250000", "250k", "83.333k", "1M".
bool ParseBitRate(std::string_view s, uint32_t& rate) {
  double scale = 1;
  if (!s.empty() && (s.back() == 'k' || s.back() == 'K')) scale = 1e3;
  if (!s.empty() && s.back() == 'M') scale = 1e6;
  if (scale != 1) s.remove_suffix(1);
  double v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::fixed);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return false;
  v *= scale;
  if (!(v >= 5000 && v <= 1000000)) return false;
  rate = uint32_t(std::lround(v));
  return true;
}

// Options shared by node and respond lines, after the identifier; data
// takes the rest of the line.
Error ParseFrameOptions(const Args& a, size_t i, CanFrame& f, ByteKind* kinds, uint32_t* phase) {
  int dlc = -1;
  int bytes = 0;
  for (; i < a.size(); ++i) {
    if (Is(a[i], "ext")) f.Extended = true;
    else if (Is(a[i], "rtr")) f.Remote = true;
    else if (Is(a[i], "dlc") && i + 1 < a.size()) {
      if (!ParseNumber(a[++i], 10, 8, dlc)) return "dlc must be 0..8";
    } else if (phase && Is(a[i], "phase") && i + 1 < a.size()) {
      if (!ParseNumber(a[++i], 10, 3600000, *phase)) return "bad phase";
    } else if (Is(a[i], "data")) {
      for (++i; i < a.size(); ++i, ++bytes) {
        if (bytes == 8) return "more than 8 data bytes";
        const bool counter = a[i] == "++", random = a[i] == "??";
        if ((counter || random) && !kinds) return "only a node has ++ and ?? bytes";
        if (counter || random) kinds[bytes] = counter ? ByteKind::Counter : ByteKind::Random;
        else if (a[i].size() != 2 || !ParseNumber(a[i], 16, 0xFF, f.Data[bytes]))
          return "data bytes are two hex digits, ++ or ??";
      }
    } else {
      return "unknown option '" + std::string(a[i]) + "'";
    }
  }
  if (f.Remote && bytes > 0) return "a remote frame carries no data";
  if (dlc >= 0 && dlc < bytes) return "more data bytes than the dlc";
  f.Dlc = uint8_t(dlc >= 0 ? dlc : bytes);
  if (f.Id > (f.Extended ? MaxExtendedId : MaxStandardId)) return "identifier out of range";
  return {};
}

Error ParseNode(const Args& a, Scenario& s) {
  if (a.size() < 2) return "expected: node <id> <period_ms> [options]";
  NodeSpec n;
  if (!ParseNumber(a[0], 16, MaxExtendedId, n.Frame.Id)) return "bad identifier";
  if (!ParseNumber(a[1], 10, 3600000, n.PeriodMs)) return "bad period";
  if (Error e = ParseFrameOptions(a, 2, n.Frame, n.Kind, &n.PhaseMs); !e.empty()) return e;
  if (s.Nodes.size() >= MaxScenarioNodes) return "too many nodes";
  s.Nodes.push_back(n);
  return {};
}

Error ParseResponder(const Args& a, Scenario& s) {
  if (a.empty()) return "expected: respond <id> [options]";
  ResponderSpec r;
  if (!ParseNumber(a[0], 16, MaxExtendedId, r.Answer.Id)) return "bad identifier";
  if (Error e = ParseFrameOptions(a, 1, r.Answer, nullptr, nullptr); !e.empty()) return e;
  if (r.Answer.Remote) return "the answer is a data frame";
  if (s.Responders.size() >= MaxScenarioResponders) return "too many responders";
  s.Responders.push_back(r);
  return {};
}

Error ParseFault(const Args& a, Scenario& s) {
  if (a.size() < 3) return "expected: fault <start_ms> <duration_ms> errors <per_s>|passive|busoff [every <ms>]";
  FaultSpec f;
  if (!ParseNumber(a[0], 10, 86400000, f.StartMs)) return "bad start";
  if (!ParseNumber(a[1], 10, 86400000, f.DurationMs) || f.DurationMs == 0) return "bad duration";
  size_t i = 3;
  if (Is(a[2], "errors")) {
    f.Kind = FaultKind::ErrorFrames;
    if (a.size() < 4 || !ParseNumber(a[3], 10, 40000, f.PerSecond) || f.PerSecond == 0)
      return "errors needs a rate of 1..40000 per second";
    i = 4;
  } else if (Is(a[2], "passive")) {
    f.Kind = FaultKind::Passive;
  } else if (Is(a[2], "busoff")) {
    f.Kind = FaultKind::BusOff;
  } else {
    return "unknown fault '" + std::string(a[2]) + "'";
  }
  if (i + 2 == a.size() && Is(a[i], "every")) {
    if (!ParseNumber(a[i + 1], 10, 86400000, f.EveryMs) || f.EveryMs <= f.DurationMs)
      return "every must be longer than the duration";
  } else if (i != a.size()) {
    return "unexpected '" + std::string(a[i]) + "'";
  }
  if (s.Faults.size() >= MaxScenarioFaults) return "too many faults";
  s.Faults.push_back(f);
  return {};
}

void SetModel(std::string_view model, AdapterSpec& d) {
  struct Model { const char* name; const char* pid; const char* description; };
  static constexpr Model Models[] = {{"Tarvo", PidTarvo, "Tarvo"},
                                     {"TarvoISO", PidTarvoISO, "TarvoISO"},
                                     {"TarvoAUTO", PidTarvoAUTO, "Tarvo AUTO"}};
  for (const Model& m : Models) {
    if (Is(model, m.name)) {
      d.ProductId = m.pid;
      d.Description = m.description;
      return;
    }
  }
  d.ProductId = std::string(model);
  d.Description = "USB device";
}

// desc takes the rest of the line, spaces included.
Error ParseAdapter(const Args& a, std::string_view line, Scenario& s) {
  if (a.size() < 2) return "expected: adapter <model|pid> <serial> [hw <v>] [sw <v>] [desc <text>]";
  AdapterSpec d;
  SetModel(a[0], d);
  if (d.ProductId.size() > 8) return "product ID longer than 8 characters";
  if (a[1].size() > MaxDeviceStringLength) return "serial number too long";
  d.Serial = std::string(a[1]);
  for (size_t i = 2; i < a.size(); ++i) {
    if (Is(a[i], "hw") && i + 1 < a.size()) {
      if (!ParseTenths(a[++i], d.Hardware)) return "bad hardware version";
    } else if (Is(a[i], "sw") && i + 1 < a.size()) {
      if (!ParseTenths(a[++i], d.Software)) return "bad software version";
    } else if (Is(a[i], "desc") && i + 1 < a.size()) {
      d.Description = std::string(Trim(line.substr(size_t(a[i + 1].data() - line.data()))));
      if (d.Description.size() > MaxDeviceStringLength) return "description too long";
      break;
    } else {
      return "unknown option '" + std::string(a[i]) + "'";
    }
  }
  if (s.Adapters.size() >= MaxScenarioDevices) return "too many devices";
  s.Adapters.push_back(d);
  return {};
}

Error ParseVersionLine(const Args& a, bool driver, Scenario& s) {
  if (a.size() != 1) return "expected one version such as 3.2";
  if (driver && Is(a[0], "fail")) {
    s.DriverVersionFails = true;
    return {};
  }
  uint32_t word = 0;
  if (!ParseVersion(a[0], word)) return "bad version '" + std::string(a[0]) + "'";
  (driver ? s.DriverVersion : s.LibraryVersion) = word;
  if (driver) s.DriverVersionFails = false;
  return {};
}

Error ParseLine(std::string_view line, Scenario& s) {
  line = line.substr(0, line.find('#'));
  Args a = Split(line);
  if (a.empty()) return {};
  const std::string_view key = a.front();
  a.erase(a.begin());
  if (Is(key, "library")) return ParseVersionLine(a, false, s);
  if (Is(key, "driver")) return ParseVersionLine(a, true, s);
  if (Is(key, "adapter")) return ParseAdapter(a, line, s);
  if (Is(key, "node")) return ParseNode(a, s);
  if (Is(key, "respond")) return ParseResponder(a, s);
  if (Is(key, "fault")) return ParseFault(a, s);
  if (Is(key, "bus")) {
    if (a.size() != 1 || !ParseBitRate(a[0], s.BusBitRate)) return "expected: bus <bit rate 5000..1000000>";
    return {};
  }
  return "unknown keyword '" + std::string(key) + "'";
}

constexpr std::string_view BuiltInScenario = R"(# Tarvo simulated adapter: the built-in scenario.
# One current TarvoISO adapter on a lively 250 kbit/s bus.
library 3.2
driver 3.2
adapter TarvoISO 10482 hw 7.1 sw 3.4
bus 250000
# Engine and body nodes: counters, changing values, both identifier formats.
node 0A0 5 data ++ 3C ?? ?? 00 00 7F ++
node 0C4 10 data ++ 00 ?? 12 34 ?? 00 00
node 0F1 20 data 01 ++ ?? 00
node 321 200 data 55 AA ++ 00 10 02
node 100 500 data ++ ??
node 18FEF100 100 ext data FF FF ++ ?? 00 00 FF FF
node 18F00400 50 ext data ++ ?? ?? 00 FF FF FF FF
node 0CFF1234 1000 ext dlc 0
# Remote frames, and the node that answers them (also those the host sends).
node 7DF 1000 rtr dlc 8 phase 250
node 18EAFF00 2000 ext rtr dlc 3 phase 700
respond 7DF data 02 01 0C 00 00 00 00 00
respond 18EAFF00 ext data 00 EE 00
respond 6A0 data 11 22 33 44
# A short burst of error frames once a minute.
fault 30000 1000 errors 20 every 60000
)";

}  // namespace

Scenario ParseScenario(std::string_view text, std::vector<ScenarioIssue>& issues) {
  Scenario s;
  int lineNo = 0;
  while (!text.empty()) {
    const size_t end = std::min(text.find('\n'), text.size());
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    ++lineNo;
    Error e = line.size() > MaxScenarioLineLength ? "line too long" : ParseLine(line, s);
    if (!e.empty()) issues.push_back({lineNo, e + ": " + std::string(Trim(line.substr(0, 80)))});
  }
  return s;
}

std::string_view DefaultScenarioText() { return BuiltInScenario; }

Scenario DefaultScenario() {
  std::vector<ScenarioIssue> ignored;
  return ParseScenario(BuiltInScenario, ignored);
}

Scenario LoadScenarioFile(const std::string& path, std::vector<ScenarioIssue>& issues) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    issues.push_back({0, "cannot read the file; using the built-in scenario"});
    return DefaultScenario();
  }
  // Bounded, so that a device file or a huge file cannot stall the caller.
  std::string text(MaxScenarioFileBytes + 1, '\0');
  in.read(text.data(), std::streamsize(text.size()));
  text.resize(size_t(in.gcount()));
  if (text.size() > MaxScenarioFileBytes) {
    text.resize(MaxScenarioFileBytes);
    issues.push_back({0, "file larger than 1 MiB; the rest is ignored"});
  }
  return ParseScenario(text, issues);
}

}  // namespace tarvo::sim
