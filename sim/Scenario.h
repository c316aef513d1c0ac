#pragma once
// What the simulated driver pretends is attached: adapters and foreign USB
// devices, the versions it reports, and the bus behind every adapter with its
// nodes and scripted faults. The line format is described in sim/README.md.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/CanFrame.h"

namespace tarvo::sim {

// Product-ID strings of the three models.
inline constexpr const char* PidTarvo = "8A31";
inline constexpr const char* PidTarvoISO = "8A32";
inline constexpr const char* PidTarvoAUTO = "8A3C";

struct AdapterSpec {
  std::string ProductId;    // "8A32"; any other string lists a foreign device
  std::string Serial;
  std::string Description;
  uint8_t Hardware = 71;    // versions in tenths: 71 = 7.1
  uint8_t Software = 34;
  bool operator==(const AdapterSpec&) const = default;
};

// How a node fills each data byte on every send.
enum class ByteKind : uint8_t { Fixed, Counter, Random };

struct NodeSpec {
  CanFrame Frame;           // identifier, format, DLC and the fixed bytes
  ByteKind Kind[8] = {};
  uint32_t PeriodMs = 100;  // 0 = back to back, as often as the bus allows
  uint32_t PhaseMs = 0;     // first send after power-on
  bool operator==(const NodeSpec&) const = default;
};

// Answers a remote frame of the same identifier and format with Answer.
struct ResponderSpec {
  CanFrame Answer;
  bool operator==(const ResponderSpec&) const = default;
};

enum class FaultKind : uint8_t { ErrorFrames, Passive, BusOff };

// A window of time counted from the start of each run; repeats every
// EveryMs when that is not 0.
struct FaultSpec {
  FaultKind Kind = FaultKind::ErrorFrames;
  uint32_t StartMs = 0;
  uint32_t DurationMs = 0;
  uint32_t EveryMs = 0;
  uint32_t PerSecond = 0;  // error frames per second
  bool operator==(const FaultSpec&) const = default;
};

inline constexpr uint32_t VersionWord(uint32_t major, uint32_t minor) { return (major << 16) | minor; }

struct Scenario {
  uint32_t LibraryVersion = VersionWord(3, 2);  // high value of the version queries
  uint32_t DriverVersion = VersionWord(3, 2);
  bool DriverVersionFails = false;
  uint32_t BusBitRate = 250000;
  std::vector<AdapterSpec> Adapters;
  std::vector<NodeSpec> Nodes;
  std::vector<ResponderSpec> Responders;
  std::vector<FaultSpec> Faults;
  bool operator==(const Scenario&) const = default;
};

// Capacities: a scenario asking for more is cut, with a report.
inline constexpr size_t MaxScenarioDevices = 16;
inline constexpr size_t MaxScenarioNodes = 256;
inline constexpr size_t MaxScenarioResponders = 64;
inline constexpr size_t MaxScenarioFaults = 64;
inline constexpr size_t MaxScenarioLineLength = 1000;
inline constexpr size_t MaxScenarioFileBytes = 1 << 20;
inline constexpr size_t MaxDeviceStringLength = 63;

// A line that was ignored, and why (line 0: the file as a whole).
struct ScenarioIssue {
  int Line = 0;
  std::string Message;
};

// Reads the text line by line; a malformed line is reported in issues and
// ignored, the other lines still count.
Scenario ParseScenario(std::string_view text, std::vector<ScenarioIssue>& issues);

// The scenario used when none is named: one current TarvoISO on a lively
// 250 kbit/s bus. sim/scenarios/default.scn holds the same text.
std::string_view DefaultScenarioText();
Scenario DefaultScenario();

// Reads and parses a file; a file that cannot be read gives the default
// scenario and an issue for line 0.
Scenario LoadScenarioFile(const std::string& path, std::vector<ScenarioIssue>& issues);

}  // namespace tarvo::sim
