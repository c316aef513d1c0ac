// The program's adapter shared over socketcand: what the program received
// reaches the clients, what the clients send goes out through the program,
// and the repetition buffers stay the program's. Server and client take
// turns on one thread, as in the window.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "bus/SharedAdapterPort.h"
#include "bus/SocketcandServer.h"
#include "support/SocketcandClient.h"

namespace tarvo::bus {
namespace {

TTarvoCAN Message(uint32_t id, uint8_t dlc, uint32_t ticks) {
  TTarvoCAN m;
  m.ID = id;
  m.DLC = dlc;
  for (uint8_t i = 0; i < dlc; ++i) m.Data[i] = uint8_t(0xA0 + i);
  m.TimeStamp = ticks;
  return m;
}

struct SharedRig : ::testing::Test {
  std::vector<TTarvoCAN> Sent;
  TBusMode BusMode = TBusMode::Normal;
  TSharedAdapterPort Port{[this](std::span<const TTarvoCAN> m) {
                            Sent.insert(Sent.end(), m.begin(), m.end());
                            return true;
                          },
                          [this] { return BusMode; }};
  std::unique_ptr<TSocketcandServer> Server;
  test::SocketcandClient Client;

  void SetUp() override {
    TServerOptions options;
    options.Port = 0;
    Server = std::make_unique<TSocketcandServer>(Port, options);
    std::string error;
    ASSERT_TRUE(Server->Listen(error)) << error;
  }
  void Connect() { ASSERT_TRUE(Client.Connect(Server->Where())) << Server->Where(); }
  void Write(const std::string& text) { ASSERT_TRUE(Client.Send(text)) << text; }
  // Serves and reads by turns until text has arrived (and is consumed), for
  // at most 5 s.
  bool Await(const std::string& text) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < end) {
      Server->Step(1);
      Client.ReadOnce(0);
      if (Client.WaitFor(text, std::chrono::milliseconds(0))) return true;
    }
    return false;
  }
  // What arrived after the text last awaited.
  std::string Unread() const { return std::string(Client.Unread()); }
  void RawMode() {
    Connect();
    ASSERT_TRUE(Await("< hi >"));
    Write("< open can0 >");
    ASSERT_TRUE(Await("< ok >"));
    Write("< rawmode >");
    ASSERT_TRUE(Await("< ok >"));
  }
};

TEST_F(SharedRig, WhatTheProgramReceivedReachesTheClientInOrderOnTheRunsTimeLine) {
  RawMode();
  EXPECT_EQ(Server->ClientCount(), 1u);
  Port.Received(Message(0x123, 2, 1000));
  Port.Received(Message(0x124, 0, 1000 + 39062));  // one second of ticks later
  ASSERT_TRUE(Await("< frame 123 "));
  const std::string first = Unread().substr(0, Unread().find(" >"));
  ASSERT_TRUE(Await(" A0A1 >"));
  ASSERT_TRUE(Await("< frame 124 "));
  const double t1 = std::stod(first), t2 = std::stod(Unread());
  EXPECT_NEAR(t2 - t1, 39062 * 25.6e-6, 2e-6);
  EXPECT_NEAR(t1, double(std::chrono::duration_cast<std::chrono::microseconds>(
                             std::chrono::system_clock::now().time_since_epoch()).count()) / 1e6,
              5.0);
}

TEST_F(SharedRig, ANewRunStartsANewTimeLine) {
  RawMode();
  Port.Received(Message(0x100, 0, 390620));  // ten seconds into a run
  Port.Received(Message(0x101, 0, 10));      // the next run
  ASSERT_TRUE(Await("< frame 100 "));
  const double t1 = std::stod(Unread());
  ASSERT_TRUE(Await("< frame 101 "));
  const double t2 = std::stod(Unread());
  EXPECT_GT(t2, t1 - 0.5) << "not ten seconds in the past";
}

TEST_F(SharedRig, FramesTheClientSendsGoOutThroughTheProgram) {
  RawMode();
  Write("< send 321 2 11 22 >< send 18DAF110 0 >");
  Write("< echo >");
  ASSERT_TRUE(Await("< echo >"));
  ASSERT_EQ(Sent.size(), 2u);
  EXPECT_EQ(Sent[0].ID, 0x321u);
  EXPECT_EQ(Sent[0].IDE, 0);
  EXPECT_EQ(Sent[0].DLC, 2);
  EXPECT_EQ(Sent[0].Data[1], 0x22);
  EXPECT_EQ(Sent[1].ID, 0x18DAF110u);
  EXPECT_EQ(Sent[1].IDE, 1);
}

TEST_F(SharedRig, NothingGoesOutOnAListenOnlyBus) {
  BusMode = TBusMode::ListenOnly;
  RawMode();
  Write("< send 321 1 11 >");
  ASSERT_TRUE(Await("< error "));
  EXPECT_TRUE(Sent.empty());
}

// The user may switch the window to listen-only while a client is connected.
TEST_F(SharedRig, NothingGoesOutOnceTheBusTurnedListenOnly) {
  RawMode();
  BusMode = TBusMode::ListenOnly;
  Write("< send 321 1 11 >< echo >");
  ASSERT_TRUE(Await("< echo >"));
  EXPECT_TRUE(Sent.empty());
}

TEST_F(SharedRig, PeriodicFramesAreRefusedTheBuffersAreTheTransmitLists) {
  Connect();
  ASSERT_TRUE(Await("< hi >"));
  Write("< open can0 >");
  ASSERT_TRUE(Await("< ok >"));
  Write("< add 0 100000 123 1 11 >");
  EXPECT_TRUE(Await("< error the adapter's repetition buffers are not available >"));
  Write("< delete 123 >");
  EXPECT_TRUE(Await("< error no periodic frame with this identifier >"));
}

}  // namespace
}  // namespace tarvo::bus
