// The shell over the simulated adapter library that the program finds beside
// itself: identification and a short run on its scenario bus, in real time.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ShellTestSupport.h"

namespace tarvo {
namespace {

class SimulatedAdapter : public ::testing::Test {
 protected:
  void Create(const std::string& scenario) {
    const std::string path = scenario.empty() ? "" : std::string(TARVO_SIM_SCENARIOS) + "/" + scenario;
    ::setenv("TARVO_SIM_SCENARIO", path.c_str(), 1);
    App = std::make_unique<TTarvoApp>(Clock, Window, Folders, ",");
    App->Initialise({});
  }
  void TearDown() override {
    if (App) App->Close();
  }

  SteadyClock Clock;
  test::RecordingWindow Window;
  test::TemporaryFolders Folders;
  std::unique_ptr<TTarvoApp> App;
};

TEST_F(SimulatedAdapter, IdentifiesTheBuiltInAdapter) {
  Create("");
  ASSERT_TRUE(App->DeviceReadyFlag) << Window.Panels[5];
  EXPECT_EQ(App->DeviceSelection.HardwareType, HW_TARVO_ISO);
  EXPECT_EQ(Window.WindowCaption, "TarvoISO");
  EXPECT_NE(Window.Panels[5].find("    S/N 10482    H/W v7,1    S/W v3,4    Status OK"), std::string::npos)
      << Window.Panels[5];
  EXPECT_TRUE(App->CANClock40MHzFlag);
}

TEST_F(SimulatedAdapter, AnOldTarvoRunsAt20MHzWithoutBusLoad) {
  Create("model1_hw69.scn");
  ASSERT_TRUE(App->DeviceReadyFlag) << Window.Panels[4];
  EXPECT_FALSE(App->CANClock40MHzFlag);
  EXPECT_FALSE(Window.GaugeCreated);
  EXPECT_NE(Window.Panels[4].find("    H/W v6,9    S/W v2,8    Status OK"), std::string::npos) << Window.Panels[4];
}

TEST_F(SimulatedAdapter, ARunFillsTheViewAndFollowsTheAdapterStatus) {
  Create("");
  ASSERT_TRUE(App->DeviceReadyFlag);
  App->Start();
  ASSERT_TRUE(App->Run.RunningFlag);
  while (App->Run.TarvoTime < 1600) {
    Clock.Sleep(10);
    App->OnTick();
  }
  EXPECT_GT(App->View.CANView.Count, 3);
  EXPECT_EQ(Window.Panels[0].rfind("Running    00:00:0", 0), 0u) << Window.Panels[0];
  EXPECT_NE(Window.Panels[5].find("Status OK"), std::string::npos) << Window.Panels[5];
  ASSERT_FALSE(Window.BusLoads.empty());
  EXPECT_GT(Window.BusLoads.back().Position, 0);
  App->Stop();
  EXPECT_FALSE(App->Run.RunningFlag);
  EXPECT_EQ(Window.Panels[0], "Stopped");
}

}  // namespace
}  // namespace tarvo
