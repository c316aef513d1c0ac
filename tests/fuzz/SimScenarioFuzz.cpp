// The simulated adapter's scenario parser over arbitrary text. Checks:
// nothing reads outside a buffer (sanitizers); a scenario never holds more
// than its capacities; what it reports is tied to a line of the text.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "sim/Scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvo::sim;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<ScenarioIssue> issues;
  const Scenario s = ParseScenario(text, issues);
  if (s.Adapters.size() > MaxScenarioDevices || s.Nodes.size() > MaxScenarioNodes ||
      s.Responders.size() > MaxScenarioResponders || s.Faults.size() > MaxScenarioFaults)
    std::abort();
  for (const AdapterSpec& a : s.Adapters)
    if (a.Serial.size() > MaxDeviceStringLength || a.Description.size() > MaxDeviceStringLength) std::abort();
  for (const ScenarioIssue& issue : issues)
    if (issue.Line < 0 || size_t(issue.Line) > size + 1) std::abort();
  return 0;
}
