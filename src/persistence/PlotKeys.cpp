#include "persistence/PlotKeys.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace tarvo {

std::optional<TPlotKeys> ReadPlotKeys(const TIniDocument& doc) {
  if (!doc.SectionExists(PlotSection)) return std::nullopt;
  TPlotKeys keys;
  const int32_t count = std::clamp(doc.ReadInteger(PlotSection, "Count", 0), 0, MaxPlotKeySignals);
  for (int32_t i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    std::string name = doc.ReadString(PlotSection, "Signal " + n, "");
    if (name.empty()) continue;
    keys.Signals.push_back({std::move(name), doc.ReadBool(PlotSection, "Hidden " + n, false)});
  }
  keys.SharedAxis = doc.ReadBool(PlotSection, "SharedAxis", false);
  keys.Shown = doc.ReadBool(PlotSection, "Shown", false);
  const std::string window = doc.ReadString(PlotSection, "Window", "10");
  if (window == "All") {
    keys.All = true;
  } else {
    const double seconds = std::strtod(window.c_str(), nullptr);
    if (seconds > 0 && seconds <= 1e6) keys.WindowSeconds = seconds;
  }
  return keys;
}

void WritePlotKeys(TIniDocument& doc, const TPlotKeys& keys) {
  if (keys.Signals.empty() && !doc.SectionExists(PlotSection)) return;
  // A longer list written before leaves no keys behind.
  doc.EraseSection(PlotSection);
  doc.WriteInteger(PlotSection, "Count", int64_t(keys.Signals.size()));
  for (size_t i = 0; i < keys.Signals.size(); ++i) {
    const std::string n = std::to_string(i);
    doc.WriteString(PlotSection, "Signal " + n, keys.Signals[i].Name);
    doc.WriteBool(PlotSection, "Hidden " + n, keys.Signals[i].Hidden);
  }
  doc.WriteBool(PlotSection, "SharedAxis", keys.SharedAxis);
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%g", keys.WindowSeconds);
  doc.WriteString(PlotSection, "Window", keys.All ? std::string("All") : std::string(seconds));
  doc.WriteBool(PlotSection, "Shown", keys.Shown);
}

}  // namespace tarvo
