// Bit rates as `ip link ... bitrate` names them, mapped onto the program's
// presets and checked with the bit-timing rules for the adapter's clock.
#include <gtest/gtest.h>

#include "adapter/TarvoAPI.h"
#include "bus/BusSetup.h"

namespace tarvo::bus {
namespace {

TEST(BitRate, NamesEachPresetByItsRateInBitsPerSecond) {
  const std::pair<const char*, int> cases[] = {
      {"12500", 100},  {"20000", 101},  {"33333", 102},  {"50000", 103},  {"62500", 104},
      {"83333", 105},  {"100000", 106}, {"125000", 107}, {"250000", 108}, {"500000", 109},
      {"625000", 110}, {"800000", 111}, {"1000000", 112},
  };
  for (const auto& [text, number] : cases) {
    std::string error;
    const TBaudRatePreset* preset = PresetOfBitRate(text, error);
    ASSERT_NE(preset, nullptr) << text << ": " << error;
    EXPECT_EQ(preset->Number, number) << text;
  }
}

TEST(BitRate, RefusesOtherRatesAndOtherTextsWithOneLine) {
  for (const char* text : {"300000", "250001", "249999", "0", "33330", "", "250k", "250000x", "-250000",
                           "99999999999999999999"}) {
    std::string error;
    EXPECT_EQ(PresetOfBitRate(text, error), nullptr) << text;
    EXPECT_FALSE(error.empty()) << text;
    EXPECT_EQ(error.find('\n'), std::string::npos) << text;
  }
}

TEST(BitRate, GivesThePresetsTimingForTheAdaptersClock) {
  std::string error;
  TBitTimingValues v;
  const TBaudRatePreset& p250k = *FindBaudRatePreset(108);
  ASSERT_TRUE(PresetTimingFor(p250k, true, v, error));
  EXPECT_EQ(v.BRP, 4);
  EXPECT_EQ(SetBitTimingArguments(v, true).BRPByte, 0x43);
  ASSERT_TRUE(PresetTimingFor(p250k, false, v, error));
  EXPECT_EQ(v.BRP, 2);  // half the prescaler on a 20 MHz controller
  EXPECT_EQ(SetBitTimingArguments(v, false).BRPByte, 0x01);
  EXPECT_DOUBLE_EQ(BitRateKbps(v, false), 250.0);
  // 800 kbit/s keeps BRP 1 and so cannot run on 20 MHz.
  const TBaudRatePreset& p800k = *FindBaudRatePreset(Preset800kNumber);
  EXPECT_TRUE(PresetTimingFor(p800k, true, v, error));
  EXPECT_FALSE(PresetTimingFor(p800k, false, v, error));
  EXPECT_NE(error.find("40 MHz"), std::string::npos);
}

TEST(BitRate, KnowsWhichAdaptersRunTheirControllerFrom40MHz) {
  EXPECT_TRUE(HasCANClock40MHz(HW_TARVO, 70, 20));
  EXPECT_FALSE(HasCANClock40MHz(HW_TARVO, 69, 34));
  EXPECT_TRUE(HasCANClock40MHz(HW_TARVO_ISO, 50, 30));
  EXPECT_FALSE(HasCANClock40MHz(HW_TARVO_ISO, 71, 29));
  EXPECT_TRUE(HasCANClock40MHz(HW_TARVO_AUTO, 10, 10));
}

TEST(OperatingMode, SendsTheModeByteOfEachChoice) {
  EXPECT_EQ(OperatingModeByte(TBusMode::Normal), OPMODE_NORMAL);
  EXPECT_EQ(OperatingModeByte(TBusMode::ListenOnly), OPMODE_LISTEN_ONLY);
  EXPECT_EQ(OperatingModeByte(TBusMode::Loopback), OPMODE_LOOPBACK);
}

}  // namespace
}  // namespace tarvo::bus
