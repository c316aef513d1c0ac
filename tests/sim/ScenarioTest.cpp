// The scenario text format: what each line gives, and malformed lines
// reported and ignored without losing the rest.
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include <gtest/gtest.h>

#include "sim/Scenario.h"

namespace tarvo::sim {
namespace {

TEST(Scenario, LinesGiveDevicesVersionsBusNodesAndFaults) {
  std::vector<ScenarioIssue> issues;
  const Scenario s = ParseScenario(
      "# comment\n"
      "library 3.10\n"
      "DRIVER 3.1   # trailing comment\n"
      "adapter TarvoAUTO 77 hw 8.2 sw 4 desc My bench adapter\n"
      "adapter 1a2b XYZ\n"
      "bus 83.333k\n"
      "node 18FF1234 20 ext data ++ ?? 10\n"
      "node 7DF 1000 rtr dlc 8 phase 250\n"
      "node 000 0\n"
      "respond 6A0 data 11 22\n"
      "fault 100 50 errors 200 every 1000\n"
      "fault 5 6 busoff\n",
      issues);
  EXPECT_TRUE(issues.empty());
  EXPECT_EQ(s.LibraryVersion, VersionWord(3, 10));
  EXPECT_EQ(s.DriverVersion, VersionWord(3, 1));
  EXPECT_EQ(s.BusBitRate, 83333u);
  ASSERT_EQ(s.Adapters.size(), 2u);
  EXPECT_EQ(s.Adapters[0], (AdapterSpec{PidTarvoAUTO, "77", "My bench adapter", 82, 40}));
  EXPECT_EQ(s.Adapters[1], (AdapterSpec{"1a2b", "XYZ", "USB device", 71, 34}));
  ASSERT_EQ(s.Nodes.size(), 3u);
  NodeSpec n0;
  n0.Frame = CanFrame{0x18FF1234, true, false, 3, {0, 0, 0x10}};
  n0.Kind[0] = ByteKind::Counter;
  n0.Kind[1] = ByteKind::Random;
  n0.PeriodMs = 20;
  EXPECT_EQ(s.Nodes[0], n0);
  EXPECT_EQ(s.Nodes[1].Frame, (CanFrame{0x7DF, false, true, 8, {}}));
  EXPECT_EQ(s.Nodes[1].PhaseMs, 250u);
  EXPECT_EQ(s.Nodes[2].PeriodMs, 0u);
  ASSERT_EQ(s.Responders.size(), 1u);
  EXPECT_EQ(s.Responders[0].Answer, (CanFrame{0x6A0, false, false, 2, {0x11, 0x22}}));
  ASSERT_EQ(s.Faults.size(), 2u);
  EXPECT_EQ(s.Faults[0], (FaultSpec{FaultKind::ErrorFrames, 100, 50, 1000, 200}));
  EXPECT_EQ(s.Faults[1], (FaultSpec{FaultKind::BusOff, 5, 6, 0, 0}));
}

TEST(Scenario, DriverQueryCanBeMadeToFail) {
  std::vector<ScenarioIssue> issues;
  EXPECT_TRUE(ParseScenario("driver fail\n", issues).DriverVersionFails);
  EXPECT_FALSE(ParseScenario("driver fail\ndriver 3.4\n", issues).DriverVersionFails);
}

TEST(Scenario, MalformedLinesAreReportedOnceAndIgnored) {
  const std::string bad[] = {
      "frobnicate 1",
      "library 3",
      "library 3.x",
      "driver",
      "bus 2M",
      "bus fast",
      "adapter TarvoISO",
      "adapter TarvoISO 1 hw 7.12",
      "adapter TarvoISO 1 hw 26.0",
      "adapter TarvoISO 1 color red",
      "adapter TarvoISO 1234567890123456789012345678901234567890123456789012345678901234",
      "node 800 10",
      "node 20000000 10 ext",
      "node 100",
      "node 100 ten",
      "node 100 10 dlc 9",
      "node 100 10 dlc 1 data 01 02",
      "node 100 10 data 01 02 03 04 05 06 07 08 09",
      "node 100 10 data 1",
      "node 100 10 rtr data 01",
      "node 100 10 phase",
      "respond 100 data ++",
      "respond 100 rtr",
      "fault 100 0 busoff",
      "fault 100 10 errors",
      "fault 100 10 errors 0",
      "fault 100 10 meltdown",
      "fault 100 10 busoff every 5",
      "fault 100 10 passive sometimes",
      "\x01\x02\xff\xfe",
      std::string(1200, 'x'),
  };
  std::string text = "adapter TarvoISO 1\n";
  for (const std::string& line : bad) text += line + "\n";
  text += "node 123 10\n";
  std::vector<ScenarioIssue> issues;
  const Scenario s = ParseScenario(text, issues);
  ASSERT_EQ(issues.size(), std::size(bad));
  for (size_t i = 0; i < issues.size(); ++i) {
    EXPECT_EQ(issues[i].Line, int(i) + 2) << bad[i];
    EXPECT_FALSE(issues[i].Message.empty());
  }
  EXPECT_EQ(s.Adapters.size(), 1u);
  ASSERT_EQ(s.Nodes.size(), 1u);
  EXPECT_EQ(s.Nodes[0].Frame.Id, 0x123u);
  EXPECT_EQ(s.BusBitRate, 250000u);
}

TEST(Scenario, TokenSoupNeverBreaksTheParser) {
  const char* words[] = {"adapter", "node", "respond", "fault", "bus", "library", "driver", "ext", "rtr",
                         "dlc", "phase", "data", "errors", "busoff", "passive", "every", "desc", "hw", "sw",
                         "++", "??", "7.1", "3.", ".2", "1M", "0x", "FFFFFFFFFFFFFFFFFFFF", "-1", "8", "0",
                         "TarvoISO", "#", "\t", "k", "1e9"};
  std::mt19937 random(11);
  std::string text;
  for (int line = 0; line < 5000; ++line) {
    for (int n = int(random() % 9); n > 0; --n) text += std::string(words[random() % std::size(words)]) + " ";
    text += "\n";
  }
  std::vector<ScenarioIssue> issues;
  const Scenario s = ParseScenario(text, issues);
  EXPECT_LE(s.Adapters.size(), MaxScenarioDevices);
  EXPECT_LE(s.Nodes.size(), MaxScenarioNodes);
  for (const NodeSpec& n : s.Nodes) EXPECT_LE(n.Frame.Dlc, 8);
}

TEST(Scenario, CapacitiesAreKept) {
  std::string text;
  for (int i = 0; i < 20; ++i) text += "adapter TarvoISO " + std::to_string(i) + "\n";
  std::vector<ScenarioIssue> issues;
  EXPECT_EQ(ParseScenario(text, issues).Adapters.size(), MaxScenarioDevices);
  EXPECT_EQ(issues.size(), 20 - MaxScenarioDevices);
}

TEST(Scenario, UnreadableFileFallsBackToTheBuiltInScenario) {
  std::vector<ScenarioIssue> issues;
  EXPECT_EQ(LoadScenarioFile("/nonexistent/x.scn", issues), DefaultScenario());
  ASSERT_EQ(issues.size(), 1u);
  EXPECT_EQ(issues[0].Line, 0);
}

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(Scenario, ShippedFilesParseCleanlyAndDefaultMatchesTheBuiltIn) {
  const std::filesystem::path dir = TARVO_SIM_SCENARIO_DIR;
  EXPECT_EQ(ReadFile(dir / "default.scn"), DefaultScenarioText());
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::vector<ScenarioIssue> issues;
    const Scenario s = LoadScenarioFile(entry.path().string(), issues);
    EXPECT_TRUE(issues.empty()) << entry.path() << ": " << (issues.empty() ? "" : issues[0].Message);
    EXPECT_FALSE(s.Adapters.empty()) << entry.path();
    ++files;
  }
  EXPECT_GE(files, 8);
  const Scenario d = DefaultScenario();
  ASSERT_EQ(d.Adapters.size(), 1u);
  EXPECT_EQ(d.Adapters[0].ProductId, PidTarvoISO);
  EXPECT_EQ(d.Adapters[0].Hardware / 10, 7);
  EXPECT_EQ(d.Adapters[0].Software / 10, 3);
  EXPECT_EQ(d.BusBitRate, 250000u);
}

}  // namespace
}  // namespace tarvo::sim
