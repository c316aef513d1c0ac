// The adapter chooser and the Device Options rules: which adapters are
// listed, what OK opens, which serial-number buttons show and what they select.
#include <gtest/gtest.h>

#include <cstring>

#include "shell/core/DeviceChoice.h"

namespace tarvo::test {
namespace {

TDeviceInfo Device(int32_t type, const char* serial) {
  TDeviceInfo d;
  d.HardwareType = type;
  std::strcpy(d.SerialNo, serial);
  return d;
}

TEST(DeviceChooserTest, ListsOnlyTheSavedModelAndChoosesFromTheCompactedList) {
  TDeviceInfo list[4] = {Device(HW_TARVO_ISO, "1111"), Device(HW_TARVO, "2222"), Device(HW_TARVO_ISO, "3333"),
                         Device(0x8000, "9999")};
  size_t count = 4;
  const auto lines = BuildChooserList(list, count, HW_TARVO_ISO);
  EXPECT_EQ(lines, (std::vector<std::string>{"TarvoISO S/N 1111", "TarvoISO S/N 3333"}));
  ASSERT_EQ(count, 2u);
  EXPECT_STREQ(ChooserSelection(1, list, count, {}).SerialNo, "3333");
  EXPECT_EQ(ChooserSelection(-1, list, count, {}).HardwareType, HW_ANY);
  EXPECT_STREQ(ChooserSelection(-1, list, count, {}).SerialNo, "");
  EXPECT_STREQ(ChooserSelection(5, list, count, Device(2, "Prompt")).SerialNo, "Prompt");
}

TEST(DeviceChooserTest, SavedTypeZeroListsEveryAdapterInDriverOrder) {
  TDeviceInfo list[3] = {Device(0x8000, "0099"), Device(HW_TARVO, "1234"), Device(HW_TARVO_AUTO, "0123")};
  size_t count = 3;
  EXPECT_EQ(BuildChooserList(list, count, HW_ANY),
            (std::vector<std::string>{"Unknown S/N 0099", "Tarvo S/N 1234", "Tarvo AUTO S/N 0123"}));
}

TEST(SplashTest, OnlyAFourCharacterSerialNumberIsShown) {
  EXPECT_EQ(SplashSerialText("S/N 1234"), "S/N 1234");
  EXPECT_EQ(SplashSerialText("S/N 12345"), "   S/N ?");
  EXPECT_EQ(SplashSerialText("   S/N ?"), "   S/N ?");
}

struct ShowCase {
  bool open;
  const char* saved;
  std::vector<std::string> captions;
  int selected;
};

class DeviceOptionsShowTest : public ::testing::TestWithParam<ShowCase> {};

TEST_P(DeviceOptionsShowTest, SerialButtonsFollowTheSavedAndTheOpenAdapter) {
  const ShowCase& c = GetParam();
  const TDeviceInfo open = Device(HW_TARVO, "1234");
  const TDeviceOptionsForm f = DeviceOptionsOnShow(Device(HW_TARVO, c.saved), c.open ? &open : nullptr);
  std::vector<std::string> shown;
  for (int i = 0; i < 3; ++i)
    if (f.SerialVisible[size_t(i)]) shown.push_back(f.SerialCaption[size_t(i)]);
  EXPECT_EQ(shown, c.captions) << c.saved;
  EXPECT_EQ(f.SerialButton, c.selected) << c.saved;
}

INSTANTIATE_TEST_SUITE_P(Table, DeviceOptionsShowTest,
                         ::testing::Values(ShowCase{true, "", {"1234", "Prompt"}, 5},
                                           ShowCase{true, "Prompt", {"1234", "Prompt"}, 7},
                                           ShowCase{true, "1234", {"1234", "Prompt"}, 6},
                                           ShowCase{true, "5678", {"1234", "5678", "Prompt"}, 7},
                                           ShowCase{false, "", {"Prompt"}, 5},
                                           ShowCase{false, "Prompt", {"Prompt"}, 6},
                                           ShowCase{false, "5678", {"5678", "Prompt"}, 6}));

TEST(DeviceOptionsTest, ChoosingTheSavedSerialSelectsTheSavedModel) {
  const TDeviceInfo saved = Device(HW_TARVO_AUTO, "5678");
  const TDeviceInfo open = Device(HW_TARVO_ISO, "1234");
  TDeviceOptionsForm f = DeviceOptionsOnShow(saved, &open);
  EXPECT_EQ(f.HardwareButton, 4);
  ChooseSerialButton(f, 6, saved, &open);
  EXPECT_EQ(f.HardwareButton, 3);  // the open TarvoISO
  ChooseSerialButton(f, 7, saved, &open);
  EXPECT_EQ(f.HardwareButton, 4);  // the saved Tarvo AUTO
  ChooseSerialButton(f, 8, saved, &open);
  EXPECT_EQ(f.HardwareButton, 1);  // "Prompt": any model
  const TDeviceInfo result = DeviceOptionsResult(f);
  EXPECT_EQ(result.HardwareType, HW_ANY);
  EXPECT_STREQ(result.SerialNo, "Prompt");
}

TEST(DeviceOptionsTest, AnyAndAnyStoresTypeZeroAndAnEmptySerial) {
  TDeviceOptionsForm f;
  f.HardwareButton = 1;
  f.SerialButton = 5;
  f.SerialCaption[0] = "1234";
  const TDeviceInfo result = DeviceOptionsResult(f);
  EXPECT_EQ(result.HardwareType, 0);
  EXPECT_STREQ(result.SerialNo, "");
}

}  // namespace
}  // namespace tarvo::test
