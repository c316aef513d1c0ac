#include <gtest/gtest.h>

#include <cstring>

#include "ShellTestSupport.h"

namespace tarvo {
namespace {
using Packet = std::vector<uint8_t>;
using test::ShellFixture;

// With no adapter answering, the bus-load gauge is still created (nothing
// said otherwise), so the adapter text sits in panel 5.
TEST(Identification, EachFailureHasItsAdapterText) {
  struct Case {
    const char* Label;
    std::function<void(ShellFixture&)> Arrange;
    const char* AdapterText;
    const char* InternalStatus;
    const char* SerialNo;
  };
  const Case cases[] = {
      {"library missing", [](ShellFixture& f) { f.Loader.LoadResult = nullptr; },
       "    Quorbel TarvoUSB.dll not found", "", "   S/N ?"},
      {"library incomplete", [](ShellFixture& f) { f.Loader.Missing.insert("SI_Read"); },
       "    Quorbel TarvoUSB.dll not found", "", "   S/N ?"},
      {"kernel driver too old", [](ShellFixture& f) { f.Driver.DriverVersionHigh = test::Version(3, 1); },
       "    Quorbel Tarvo driver not found", "", "   S/N ?"},
      {"no adapter", [](ShellFixture& f) { f.Driver.Devices.clear(); }, "    Quorbel Tarvo not found", "",
       "   S/N ?"},
      {"device list fails", [](ShellFixture& f) { f.Driver.NumDevicesResult = 1; }, "    Quorbel Tarvo not found",
       "", "   S/N ?"},
      {"set-up of the opened adapter fails", [](ShellFixture& f) { f.Driver.LineControlResult = 1; },
       "    Quorbel Tarvo not found", "", "   S/N ?"},
      {"status request fails", [](ShellFixture& f) { f.Driver.WriteResult = 1; },
       "    Tarvo    S/N 1234    Status request failed", "  Status request failed", "S/N 1234"},
      {"receive error", [](ShellFixture& f) { f.Driver.CheckRXQueueResult = 1; },
       "    Tarvo    S/N 1234    Status no response", "  Status no response", "S/N 1234"},
      {"no answer", [](ShellFixture& f) { f.StatusAnswer.reset(); },
       "    Tarvo    S/N 1234    Status unknown", "  Status unknown", "S/N 1234"},
      {"answer of another type",
       [](ShellFixture& f) {
         f.StatusAnswer = test::StatusFrame(3, 1, 2, 3, 4, 0);
       },
       "    Tarvo    S/N 1234    Status unknown", "  Status unknown", "S/N 1234"},
  };
  for (const Case& c : cases) {
    ShellFixture f;
    f.AttachAdapter(test::TarvoProductId);
    c.Arrange(f);
    f.Create();
    EXPECT_EQ(f.Window.Panels[5], c.AdapterText) << c.Label;
    EXPECT_EQ(f.App->Identity.TarvoInternalStatus, c.InternalStatus) << c.Label;
    EXPECT_EQ(f.App->Identity.SerialNo, c.SerialNo) << c.Label;
    EXPECT_FALSE(f.App->DeviceReadyFlag) << c.Label;
    EXPECT_FALSE(f.Window.Enabled("Start1").has_value()) << c.Label << ": Start stays as created";
    EXPECT_FALSE(f.Window.Enabled("StartRxTx1").has_value()) << c.Label;
  }
}

TEST(Identification, NotFoundDescribesTheMissingAdapter) {
  ShellFixture f;
  f.Create();
  EXPECT_EQ(f.App->Identity.TarvoDescription, "Quorbel Tarvo not found");
  EXPECT_EQ(f.Window.Panels[0], "Stopped");
}

TEST(Identification, VersionsUseTheRegionalSeparatorOnScreenAndAFullStopInTheLog) {
  ShellFixture f;
  f.AttachAdapter(test::TarvoProductId, 71, 35, 0);
  f.Create(",");
  EXPECT_EQ(f.Window.Panels[5], "    Tarvo    S/N 1234    H/W v7,1    S/W v3,5    Status OK");
  EXPECT_EQ(f.App->Identity.TarvoDescriptor, "    Tarvo    S/N 1234    H/W v7,1    S/W v3,5");
  EXPECT_EQ(f.App->Identity.TarvoDescription, "Tarvo  S/N 1234  H/W v7,1  S/W v3,5");
  EXPECT_EQ(f.App->Identity.LogDescription, "Tarvo  S/N 1234  H/W v7.1  S/W v3.5");
  EXPECT_EQ(f.Log.TarvoDescription, "Tarvo  S/N 1234  H/W v7.1  S/W v3.5");
  EXPECT_EQ(f.App->Identity.SerialNo, "S/N 1234");
  EXPECT_EQ(f.App->Identity.TarvoInternalStatus, "  Status OK");
  EXPECT_EQ(f.Window.BusLoads.back().Text, "Bus Load 0,0%");
}

TEST(Identification, AnAnsweringAdapterEnablesTheRunAndReplayCommands) {
  for (const bool hpTimer : {true, false}) {
    ShellFixture f;
    f.Log.HPTimer = hpTimer;
    f.AttachAdapter(test::TarvoProductId, 71, 35, 0x80);
    f.Create(".");
    EXPECT_EQ(f.Window.Panels[5], "    Tarvo    S/N 1234    H/W v7.1    S/W v3.5    Status CAN BUS ERROR");
    EXPECT_TRUE(f.App->DeviceReadyFlag);
    for (const char* name : {"Start1", "StartButton", "StartRxTx1", "StartRxTxButton", "SingleStepLogReplay1",
                             "SingleStepLogReplayButton"})
      EXPECT_EQ(f.Window.Enabled(name), true) << name;
    EXPECT_EQ(f.Window.Enabled("StartLogReplay1"), hpTimer);
    EXPECT_EQ(f.Window.Enabled("StartLogReplayButton"), hpTimer);
    EXPECT_EQ(f.App->DeviceStatus.StatusType, 0);
    EXPECT_EQ(f.Window.Page, TPage::CANView);
  }
}

TEST(Identification, ModelAndVersionsDecideClockAndBusLoadSupport) {
  struct Case {
    const char* Label;
    const char* ProductId;
    uint8_t Hardware, Software;
    bool Clock40MHz, BusLoad;
  };
  const Case cases[] = {
      {"Tarvo hardware 6.9", test::TarvoProductId, 69, 50, false, false},
      {"Tarvo hardware 7.0", test::TarvoProductId, 70, 10, true, true},
      {"TarvoISO software 2.9", test::TarvoISOProductId, 10, 29, false, true},
      {"TarvoISO software 3.0", test::TarvoISOProductId, 10, 30, true, true},
      {"Tarvo AUTO", test::TarvoAUTOProductId, 10, 10, true, true},
  };
  for (const Case& c : cases) {
    ShellFixture f;
    f.AttachAdapter(c.ProductId, c.Hardware, c.Software);
    f.Create();
    EXPECT_EQ(f.App->CANClock40MHzFlag, c.Clock40MHz) << c.Label;
    EXPECT_EQ(f.App->BusLoadSupportedFlag, c.BusLoad) << c.Label;
    EXPECT_EQ(f.Window.GaugeCreated, c.BusLoad) << c.Label;
    const int panel = c.BusLoad ? 5 : 4;
    EXPECT_EQ(f.App->Identity.DevicePanelNo, panel) << c.Label;
    EXPECT_NE(f.Window.Panels[panel].find("Status OK"), std::string::npos) << c.Label;
    EXPECT_EQ(f.Window.Panels.count(c.BusLoad ? 4 : 5), 0u) << c.Label;
  }
}

TEST(Identification, ATarvoAUTOIsStoppedRightAfterTheStatusRequest) {
  const std::pair<const char*, std::vector<Packet>> cases[] = {
      {test::TarvoAUTOProductId, {{0x01}, {0x05, 0x00}}},
      {test::TarvoProductId, {{0x01}}},
      {test::TarvoISOProductId, {{0x01}}},
  };
  for (const auto& [productId, packets] : cases) {
    ShellFixture f;
    f.AttachAdapter(productId);
    f.Create();
    EXPECT_EQ(test::HostPackets(f.Driver), packets) << productId;
  }
}

TEST(Identification, WindowCaptionNamesTheModel) {
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {test::TarvoProductId, std::nullopt},
      {test::TarvoISOProductId, "TarvoISO"},
      {test::TarvoAUTOProductId, "Tarvo AUTO"},
  };
  for (const auto& [productId, caption] : cases) {
    ShellFixture f;
    f.AttachAdapter(productId);
    f.Create();
    EXPECT_EQ(f.Window.WindowCaption, caption) << productId;
  }
}

TEST(Identification, ASavedAdapterThatIsGoneGivesWayToAnyAdapter) {
  ShellFixture f;
  f.AttachAdapter(test::TarvoISOProductId);
  f.App->SavedDeviceSelection.HardwareType = HW_TARVO;
  std::strcpy(f.App->SavedDeviceSelection.SerialNo, "9999");
  f.Create();
  EXPECT_EQ(f.App->DeviceSelection.HardwareType, HW_TARVO_ISO);
  EXPECT_STREQ(f.App->DeviceSelection.SerialNo, "1234");
  EXPECT_TRUE(f.App->DeviceReadyFlag);
  EXPECT_EQ(f.Startup.Calls, std::vector<std::string>{"ScheduleSplash"});
}

TEST(Identification, PromptModeAsksForTheAdapterFirst) {
  ShellFixture f;
  f.AttachAdapter(test::TarvoProductId);
  std::strcpy(f.App->SavedDeviceSelection.SerialNo, "Prompt");
  f.Startup.Choice.HardwareType = HW_TARVO;
  std::strcpy(f.Startup.Choice.SerialNo, "12");
  f.Create();
  EXPECT_EQ(f.Startup.Calls, std::vector<std::string>{"ChooseDevice"});
  EXPECT_STREQ(f.App->DeviceSelection.SerialNo, "1234");
  EXPECT_TRUE(f.App->DeviceReadyFlag);
}

TEST(Identification, AnInvalidBitTimingOpensTheCANSetupPage) {
  ShellFixture f;
  f.AttachAdapter(test::TarvoProductId);
  f.SetupPage.BitTimingValid = false;
  f.Create();
  EXPECT_EQ(f.Window.Page, TPage::CANSetup);
}

TEST(StartUp, PreparesDirectoriesAndTheStatusBar) {
  ShellFixture f;
  f.Create();
  EXPECT_FALSE(f.App->Dirs.TarvoDIR.empty());
  EXPECT_EQ(f.Log.DIR, f.App->Dirs.LogDIR);
  EXPECT_EQ(f.Window.Panels[2], "Hexadecimal ");
  EXPECT_EQ(f.Persistence.Calls, std::vector<std::string>{"LoadSettings"});
  EXPECT_EQ(f.App->Driver.DriverStatus, DRIVER_OK);
}

}  // namespace
}  // namespace tarvo
