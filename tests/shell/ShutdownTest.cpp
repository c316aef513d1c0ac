#include <gtest/gtest.h>

#include "ShellTestSupport.h"

namespace tarvo {
namespace {

class Shutdown : public test::ShellFixture, public ::testing::Test {
 protected:
  void SetUp() override {
    AttachAdapter(test::TarvoProductId);
    Create();
    // One journal across the recorders, with what the driver had seen by then.
    Log.OnCall = [this](const std::string& call) { Journal.push_back(call + Seen()); };
    Persistence.OnCall = [this](const std::string& call) { Journal.push_back(call + Seen()); };
  }
  std::string Seen() const {
    return " writes " + std::to_string(Driver.Writes.size()) + " closes " +
           std::to_string(Driver.CallCount("SI_Close")) + (App->Driver.DriverStatus == DRIVER_OK ? " bound" : "");
  }
  std::vector<std::string> Journal;
};

TEST_F(Shutdown, EndsLoggingThenStopsClosesUnbindsAndSavesInThatOrder) {
  App->Start();
  const size_t writes = Driver.Writes.size();
  ASSERT_TRUE(App->Close());
  const std::string before = " writes " + std::to_string(writes) + " closes 0 bound";
  const std::string after = " writes " + std::to_string(writes + 1) + " closes 1";
  EXPECT_EQ(Journal, (std::vector<std::string>{"ConfirmClose" + before, "EndLogging" + before,
                                               "SaveSettings" + after}));
  EXPECT_EQ(test::HostPackets(Driver).back(), (std::vector<uint8_t>{0x05, 0x00}));
  EXPECT_FALSE(App->DeviceConnection.OpenFlag);
  EXPECT_FALSE(Window.TickEnabled);
}

TEST_F(Shutdown, CancelledSavePromptLeavesEverythingRunning) {
  App->Start();
  const size_t writes = Driver.Writes.size();
  Persistence.AllowClose = false;
  EXPECT_FALSE(App->Close());
  EXPECT_EQ(Journal, std::vector<std::string>{"ConfirmClose" + Seen()});
  EXPECT_EQ(Driver.Writes.size(), writes);
  EXPECT_TRUE(App->DeviceConnection.OpenFlag);
  EXPECT_TRUE(App->Run.RunningFlag);
  EXPECT_TRUE(Window.TickEnabled);
}

TEST_F(Shutdown, AFailingStopDoesNotKeepTheAdapterOpen) {
  Driver.WriteResult = 1;
  EXPECT_TRUE(App->Close());
  EXPECT_FALSE(App->DeviceConnection.OpenFlag);
  EXPECT_EQ(Persistence.Calls.back(), "SaveSettings");
}

TEST_F(Shutdown, RunsOnce) {
  ASSERT_TRUE(App->Close());
  Journal.clear();
  EXPECT_TRUE(App->Close());
  EXPECT_TRUE(Journal.empty());
}

TEST(ShutdownWithoutAdapter, ClosesCleanly) {
  test::ShellFixture f;
  f.Loader.LoadResult = nullptr;
  f.Create();
  EXPECT_TRUE(f.App->Close());
  EXPECT_EQ(f.Persistence.Calls.back(), "SaveSettings");
}

}  // namespace
}  // namespace tarvo
