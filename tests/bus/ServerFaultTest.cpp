// tarvo-bus serve when the adapter goes away: every client is told, the
// server keeps accepting and answering. The simulated adapter cannot be
// unplugged, so a loader in front of it makes its device fail on demand.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "adapter/DriverApi.h"
#include "adapter/SiUSBXp.h"
#include "bus/SocketcandServer.h"
#include "support/SocketcandClient.h"

namespace tarvo::bus {
namespace {

using namespace std::chrono_literals;

// ---- the simulated adapter, unplugged on demand ----

std::atomic<bool> g_unplugged{false};
SI_Read_t g_read = nullptr;
SI_Write_t g_write = nullptr;
SI_CheckRXQueue_t g_check = nullptr;
constexpr int DeviceNotFound = 0xFF;

extern "C" int UnpluggableRead(void* h, void* b, uint32_t n, uint32_t* got, void* o) {
  if (g_unplugged) {
    *got = 0;
    return DeviceNotFound;
  }
  return g_read(h, b, n, got, o);
}
extern "C" int UnpluggableWrite(void* h, void* b, uint32_t n, uint32_t* written, void* o) {
  if (g_unplugged) {
    *written = 0;
    return DeviceNotFound;
  }
  return g_write(h, b, n, written, o);
}
extern "C" int UnpluggableCheck(void* h, uint32_t* bytes, uint32_t* status) {
  if (g_unplugged) return DeviceNotFound;
  return g_check(h, bytes, status);
}

class UnpluggableLoader : public LibraryLoader {
 public:
  void* Load(const char* name) override { return SystemLibraryLoader().Load(name); }
  void* Symbol(void* library, const char* name) override {
    void* real = SystemLibraryLoader().Symbol(library, name);
    if (real == nullptr) return nullptr;
    const std::string n = name;
    if (n == "SI_Read") return g_read = reinterpret_cast<SI_Read_t>(real), reinterpret_cast<void*>(&UnpluggableRead);
    if (n == "SI_Write")
      return g_write = reinterpret_cast<SI_Write_t>(real), reinterpret_cast<void*>(&UnpluggableWrite);
    if (n == "SI_CheckRXQueue")
      return g_check = reinterpret_cast<SI_CheckRXQueue_t>(real), reinterpret_cast<void*>(&UnpluggableCheck);
    return real;
  }
  void Free(void* library) override { SystemLibraryLoader().Free(library); }
};

using Client = test::SocketcandClient;

class ServerWithoutAdapter : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TARVO_SIM_SCENARIO", TARVO_SCENARIOS "/default.scn", 1);
    unsetenv("TARVO_SIM_TRACE");
    g_unplugged = false;
    std::string error;
    ASSERT_TRUE(link_.Open("", error)) << error;
    ASSERT_TRUE(link_.Start(TBusSetup{}, error)) << error;
    TServerOptions options;
    options.Port = 0;
    server_ = std::make_unique<TSocketcandServer>(link_, options);
    ASSERT_TRUE(server_->Listen(error)) << error;
    thread_ = std::thread([this] { server_->Run(stop_); });
  }
  void TearDown() override {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    server_.reset();
    g_unplugged = false;
    link_.Close();
  }

  UnpluggableLoader loader_;
  TBusLink link_{loader_};
  std::unique_ptr<TSocketcandServer> server_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST_F(ServerWithoutAdapter, TellsEveryClientAndKeepsServing) {
  Client raw(server_->Where());
  ASSERT_TRUE(raw.Connected());
  ASSERT_TRUE(raw.OpenRawMode());
  Client bcm(server_->Where());
  ASSERT_TRUE(bcm.WaitFor("< hi >"));
  ASSERT_TRUE(bcm.Send("< open can0 >"));
  ASSERT_TRUE(bcm.WaitFor("< ok >"));
  ASSERT_TRUE(raw.WaitFor("< frame ")) << "the bus is lively before";

  g_unplugged = true;
  EXPECT_TRUE(raw.WaitFor("< error the adapter does not answer >")) << raw.Received().substr(0, 200);
  EXPECT_TRUE(bcm.WaitFor("< error the adapter does not answer >"));

  // Still serving: old clients are answered, new ones are greeted and told.
  ASSERT_TRUE(raw.Send("< echo >"));
  EXPECT_TRUE(raw.WaitFor("< echo >"));
  Client late(server_->Where());
  ASSERT_TRUE(late.Connected());
  ASSERT_TRUE(late.OpenRawMode());
  EXPECT_TRUE(late.WaitFor("< error the adapter does not answer >"));
  ASSERT_TRUE(late.Send("< echo >"));
  EXPECT_TRUE(late.WaitFor("< echo >"));
}

}  // namespace
}  // namespace tarvo::bus
