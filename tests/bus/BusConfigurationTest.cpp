// --config: configuration files as the program saves them, read for the bus
// set-up through the program's reader and the CAN Setup page's rules.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "bus/BusConfiguration.h"
#include "support/TempFolder.h"

namespace tarvo::bus {
namespace {

// 500 kbit/s on the 40 MHz clock, loopback, both buffers filtering.
constexpr const char* Saved =
    "[CAN_VIEW]\nMode=1\n"
    "[CAN_SETUP]\nEnhancedBaud=109\nEnhancedBRP=2\nEnhancedPHSEG1=8\nEnhancedPHSEG2=6\nEnhancedPRSEG=5\n"
    "EnhancedSJW=1\nEnhancedSAM=1\nMode=14\nFilterType=18\n"
    "Rx1MaskIDE=0\nRx1MaskID=7FF\nRx1Filter1ID=123\nRx1Filter2ID=124\n"
    "Rx2MaskIDE=1\nRx2MaskID=1FFFFFFF\nRx2Filter1ID=18FEF100\nRx2Filter2ID=0\nRx2Filter3ID=0\nRx2Filter4ID=0\n";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(BusConfiguration, TakesBitTimingModeAndFiltersAsSaved) {
  test::TempFolder dir("tarvo-bus-cfx");
  TBusConfiguration config;
  TBusSetup setup;
  std::string error;
  ASSERT_TRUE(config.Load(dir.Write("a.cfx", Saved), setup, error)) << error;
  ASSERT_TRUE(config.TimingFor(true, setup, error)) << error;
  EXPECT_TRUE(config.TakeWarnings().empty());
  EXPECT_EQ(setup.Mode, TBusMode::Loopback);
  ASSERT_TRUE(setup.Timing.has_value());
  EXPECT_EQ(*setup.Timing, (TBitTimingValues{2, 5, 8, 6, 1, 1}));
  EXPECT_EQ(setup.Filters.Mask1, 0x7FFu);
  EXPECT_EQ(setup.Filters.Mask2, 0x1FFFFFFFu);
  EXPECT_EQ(setup.Filters.Filter[0], 0x123u);
  EXPECT_EQ(setup.Filters.Filter[1], 0x124u);
  EXPECT_EQ(setup.Filters.Filter[2], 0x18FEF100u);
  EXPECT_EQ(setup.Filters.Flag[0], 0);
  EXPECT_EQ(setup.Filters.Flag[2], 1);
}

TEST(BusConfiguration, AppliesTheAdaptersClockAsIdentificationDoes) {
  test::TempFolder dir("tarvo-bus-cfx");
  TBusConfiguration config;
  TBusSetup setup;
  std::string error;
  ASSERT_TRUE(config.Load(dir.Write("a.cfx", Saved), setup, error)) << error;
  ASSERT_TRUE(config.TimingFor(false, setup, error)) << error;
  EXPECT_EQ(setup.Timing->BRP, 1);  // the same 500 kbit/s from 20 MHz
  EXPECT_TRUE(config.TakeWarnings().empty());
}

TEST(BusConfiguration, FileWithoutFiltersOrModeReceivesEverythingInNormalMode) {
  test::TempFolder dir("tarvo-bus-cfx");
  TBusConfiguration config;
  TBusSetup setup;
  setup.Mode = TBusMode::ListenOnly;
  std::string error;
  ASSERT_TRUE(config.Load(dir.Write("a.cfx", "[CAN_VIEW]\nMode=1\n"), setup, error)) << error;
  EXPECT_EQ(setup.Mode, TBusMode::Normal);
  const TFilterSettings all = AcceptAllFilters();
  EXPECT_EQ(setup.Filters.Mask1, all.Mask1);
  EXPECT_EQ(setup.Filters.Mask2, all.Mask2);
}

// Values the page cannot take are taken as the program takes them, and said.
TEST(BusConfiguration, AbsurdBitTimingIsHandledAsTheProgramDoesAndSaid) {
  struct Case {
    const char* From;
    const char* To;
    const char* Said;
    int BRP;
  } cases[] = {
      {"EnhancedBRP=2", "EnhancedBRP=0", "taken instead: BRP 1,", 1},              // below the range
      {"EnhancedPHSEG1=8", "EnhancedPHSEG1=99", "PHSEG1 99", 2},                   // above the range
      {"EnhancedPHSEG1=8\nEnhancedPHSEG2=6", "EnhancedPHSEG1=2\nEnhancedPHSEG2=8", "PROPSEG + PHSEG1 must be",
       4},  // the rules refuse: the program's last accepted set
  };
  test::TempFolder dir("tarvo-bus-cfx");
  for (const Case& c : cases) {
    TBusConfiguration config;
    TBusSetup setup;
    std::string error;
    ASSERT_TRUE(config.Load(dir.Write("a.cfx", Replaced(Saved, c.From, c.To)), setup, error)) << c.To << error;
    ASSERT_TRUE(config.TimingFor(true, setup, error)) << c.To << error;
    EXPECT_EQ(setup.Timing->BRP, c.BRP) << c.To;
    std::string said;
    for (const std::string& line : config.TakeWarnings()) {
      EXPECT_EQ(line.find('\n'), std::string::npos);
      said += line + "|";
    }
    EXPECT_NE(said.find(c.Said), std::string::npos) << c.To << ": " << said;
  }
}

TEST(BusConfiguration, RefusesAFileThatCannotBeUsedWithTheReason) {
  test::TempFolder dir("tarvo-bus-cfx");
  std::filesystem::create_directories(dir.Path() / "folder.cfx");
  const std::string fifo = dir.File("pipe.cfx");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    std::string Path;
    const char* Reason;
  } cases[] = {
      {dir.File("missing.cfx"), "was not found"},
      {dir.File("folder.cfx"), "is not a file"},
      {fifo, "is not a file"},
      {dir.Write("a.ini", Saved), "is not a configuration file (*.cfx)"},
      {dir.Write("other.cfx", "[OPTIONS]\nX=1\n"), "no CAN_VIEW section"},
      {dir.Write("mode.cfx", Replaced(Saved, "Mode=14", "Mode=99")), "operating mode or filter type"},
      {dir.Write("type.cfx", Replaced(Saved, "FilterType=18", "FilterType=19")), "operating mode or filter type"},
      {dir.Write("hex.cfx", Replaced(Saved, "Rx1Filter1ID=123", "Rx1Filter1ID=12G")),
       "Receive Buffer 1, Filter 1 must contain only valid hexadecimal"},
      {dir.Write("wide.cfx", Replaced(Saved, "Rx1Filter2ID=124", "Rx1Filter2ID=800")), "too large"},
  };
  for (const Case& c : cases) {
    TBusConfiguration config;
    TBusSetup setup;
    std::string error;
    EXPECT_FALSE(config.Load(c.Path, setup, error)) << c.Path;
    EXPECT_NE(error.find(c.Reason), std::string::npos) << c.Path << ": " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    EXPECT_EQ(setup.Filters.Mask1, AcceptAllFilters().Mask1) << c.Path;
  }
}

}  // namespace
}  // namespace tarvo::bus
