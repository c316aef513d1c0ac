// The socketcand protocol as the server speaks it, over strings: the
// handshake python-can's client performs, sends, and what garbage gets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bus/Socketcand.h"
#include "bus/SocketcandServer.h"

namespace tarvo::bus {
namespace {

struct Exchange {
  std::string Replies;
  std::vector<TBusFrame> Sends;
  bool Open = true;
};

Exchange Feed(TSocketcandSession& s, std::string_view bytes) {
  Exchange e;
  e.Open = s.Feed(bytes, e.Replies, e.Sends);
  return e;
}

TSocketcandSession RawSession() {
  TSocketcandSession s;
  Feed(s, "< open can0 >");
  Feed(s, "< rawmode >");
  return s;
}

TEST(SocketcandSession, AnswersTheHandshakeOfPythonCansClient) {
  TSocketcandSession s;
  EXPECT_EQ(Feed(s, "< open can0 >").Replies, "< ok >");
  EXPECT_FALSE(s.RawMode());
  EXPECT_EQ(Feed(s, "< rawmode >").Replies, "< ok >");
  EXPECT_TRUE(s.RawMode());
  EXPECT_EQ(Feed(s, "< echo >").Replies, "< echo >");
}

TEST(SocketcandSession, TakesCommandsSplitAnywhereAndSeveralInOneRead) {
  TSocketcandSession s;
  EXPECT_EQ(Feed(s, "<").Replies, "");
  EXPECT_EQ(Feed(s, " open ca").Replies, "");
  EXPECT_EQ(Feed(s, "n0 >\r\n< rawmode >< send 1 0  >").Replies, "< ok >< ok >");
  const Exchange e = Feed(s, "< send 12 1 ab >< send 13 1 cd >");
  ASSERT_EQ(e.Sends.size(), 2u);
  EXPECT_EQ(e.Sends[0].CanId, 0x12u);
  EXPECT_EQ(e.Sends[1].Data[0], 0xCD);
}

struct SendCase {
  const char* Command;
  uint32_t CanId;
  std::vector<uint8_t> Data;
};

TEST(SocketcandSession, SendsWhatPythonCanWrites) {
  // python-can writes the identifier and length in upper-case hex without
  // padding and each byte in lower-case hex without padding.
  const SendCase cases[] = {
      {"< send 123 2 11 5 >", 0x123, {0x11, 0x05}},
      {"< send 7FF 0  >", 0x7FF, {}},
      {"< send 800 1 0 >", 0x800 | CanEffFlag, {0x00}},
      {"< send 1234 1 ff >", 0x1234 | CanEffFlag, {0xFF}},
      {"< send 0000012 1 1 >", 0x12 | CanEffFlag, {0x01}},
      {"< send 1FFFFFFF 8 1 2 3 4 5 6 7 8 >", 0x1FFFFFFF | CanEffFlag, {1, 2, 3, 4, 5, 6, 7, 8}},
  };
  for (const SendCase& c : cases) {
    TSocketcandSession s = RawSession();
    const Exchange e = Feed(s, c.Command);
    EXPECT_EQ(e.Replies, "") << c.Command;
    ASSERT_EQ(e.Sends.size(), 1u) << c.Command;
    EXPECT_EQ(e.Sends[0].CanId, c.CanId) << c.Command;
    ASSERT_EQ(e.Sends[0].Len, c.Data.size()) << c.Command;
    for (size_t i = 0; i < c.Data.size(); ++i) EXPECT_EQ(e.Sends[0].Data[i], c.Data[i]) << c.Command;
  }
}

TEST(SocketcandSession, AnswersBadCommandsWithAnErrorAndSendsNothing) {
  const char* cases[] = {
      "< send 123 3 11 22 >",          // fewer bytes than LEN
      "< send 123 1 11 22 >",          // more bytes than LEN
      "< send 123 9 1 2 3 4 5 6 7 8 9 >",
      "< send 20000000 0  >",          // beyond 29 bits
      "< send 123456789 0  >",
      "< send 12G 0  >",
      "< send 123 1 100 >",            // a byte of three digits
      "< send 123 1 -1 >",
      "< send >",
      "< frobnicate >",
      "<>",
      "< open can0 >",                 // already open
  };
  for (const char* command : cases) {
    TSocketcandSession s = RawSession();
    const Exchange e = Feed(s, command);
    EXPECT_TRUE(e.Sends.empty()) << command;
    EXPECT_EQ(e.Replies.rfind(" < error ", 0), 0u) << command << " -> " << e.Replies;
    EXPECT_TRUE(e.Open) << command;
  }
}

TEST(SocketcandSession, SendsNothingBeforeABusIsOpenOrOnAListenOnlyBus) {
  TSocketcandSession closed;
  Exchange e = Feed(closed, "< send 123 1 11 >< rawmode >< open can1 >");
  EXPECT_TRUE(e.Sends.empty());
  EXPECT_EQ(e.Replies, " < error no bus open > < error no bus open > < error could not open bus >");
  EXPECT_FALSE(closed.RawMode());

  TSocketcandSession listenOnly(false);
  Feed(listenOnly, "< open can0 >< rawmode >");
  e = Feed(listenOnly, "< send 123 1 11 >");
  EXPECT_TRUE(e.Sends.empty());
  EXPECT_NE(e.Replies.find("listen-only"), std::string::npos);
}

TEST(SocketcandSession, AnswersGarbageOncePerRunAndClosesOnOverlongCommands) {
  TSocketcandSession s = RawSession();
  Exchange e = Feed(s, "hello world\x01\xff < echo >");
  EXPECT_EQ(e.Replies, " < error expected a command in < > >< echo >");
  EXPECT_TRUE(e.Open);

  TSocketcandSession longLine = RawSession();
  e = Feed(longLine, "< " + std::string(MaxCommandLength - 1, 'x'));
  EXPECT_TRUE(e.Open);  // exactly the limit is still held
  e = Feed(longLine, "y");
  EXPECT_FALSE(e.Open);
  EXPECT_NE(e.Replies.find("too long"), std::string::npos);

  TSocketcandSession nested = RawSession();
  EXPECT_FALSE(Feed(nested, "< send < send 123 0  >").Open);
}

TEST(SocketcandSession, ClosesAfterTooManyErrorsInARow) {
  TSocketcandSession s = RawSession();
  for (int i = 1; i < MaxErrorsInARow; ++i) ASSERT_TRUE(Feed(s, "< nonsense >").Open) << i;
  EXPECT_FALSE(Feed(s, "< nonsense >").Open);

  TSocketcandSession recovering = RawSession();
  for (int round = 0; round < 3; ++round) {
    for (int i = 1; i < MaxErrorsInARow; ++i) Feed(recovering, "< nonsense >");
    ASSERT_TRUE(Feed(recovering, "< echo >").Open);
  }
}

TEST(PeriodCode, NamesOnlyThePeriodsTheAdapterRepeatsAt) {
  const std::pair<uint64_t, uint8_t> cases[] = {
      {10000, 1},    {20000, 2},   {50000, 3},   {100000, 4},  {200000, 5}, {500000, 6},
      {1000000, 7},  {2000000, 8}, {5000000, 9}, {10000000, 10}, {0, 0},    {9999, 0},
      {10001, 0},    {30000, 0},   {20000000, 0},
  };
  for (const auto& [periodUs, code] : cases) EXPECT_EQ(PeriodCodeOf(periodUs), code) << periodUs;
}

TEST(SocketcandSession, TakesPeriodicFramesInBcmModeOnly) {
  TSocketcandSession s;
  Feed(s, "< open can0 >");
  Exchange e = Feed(s, "< add 0 100000 123 2 11 22 >< add 1 0 12345678 0  >< update 123 1 33 >< delete 123 >");
  EXPECT_EQ(e.Replies, "");
  const std::vector<TPeriodicRequest>& r = s.PeriodicRequests();
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0].Kind, TPeriodicRequest::TKind::Add);
  EXPECT_EQ(r[0].PeriodCode, 4);
  EXPECT_EQ(r[0].Frame.CanId, 0x123u);
  EXPECT_EQ(r[0].Frame.Len, 2);
  EXPECT_EQ(r[1].PeriodCode, 7);
  EXPECT_EQ(r[1].Frame.CanId, 0x12345678u | CanEffFlag);
  EXPECT_EQ(r[2].Kind, TPeriodicRequest::TKind::Update);
  EXPECT_EQ(r[2].Frame.Data[0], 0x33);
  EXPECT_EQ(r[3].Kind, TPeriodicRequest::TKind::Delete);
  EXPECT_EQ(r[3].Frame.CanId, 0x123u);

  const char* refused[] = {
      "< add 0 30000 123 1 11 >",   // no such period on the adapter
      "< add 0 100000 123 2 11 >",  // fewer bytes than LEN
      "< add 0 1e5 123 0  >",
      "< add 0 100000 >",
      "< delete >",
      "< delete 123 456 >",
      "< update 123 9 1 2 3 4 5 6 7 8 9 >",
  };
  for (const char* command : refused) {
    s.PeriodicRequests().clear();
    e = Feed(s, command);
    EXPECT_EQ(e.Replies.rfind(" < error ", 0), 0u) << command << " -> " << e.Replies;
    EXPECT_TRUE(s.PeriodicRequests().empty()) << command;
  }

  TSocketcandSession raw = RawSession();
  e = Feed(raw, "< add 0 100000 123 1 11 >");
  EXPECT_NE(e.Replies.find("bcmmode"), std::string::npos);
  EXPECT_TRUE(raw.PeriodicRequests().empty());
  TSocketcandSession listenOnly(false);
  e = Feed(listenOnly, "< open can0 >< add 0 100000 123 1 11 >");
  EXPECT_NE(e.Replies.find("listen-only"), std::string::npos);
  EXPECT_TRUE(listenOnly.PeriodicRequests().empty());
}

TEST(RepetitionBuffers, GivesEachClientsIdentifierOneBufferOfFifteen) {
  TRepetitionBuffers b;
  EXPECT_EQ(b.Claim(1, 0x123), 1);
  EXPECT_EQ(b.Claim(1, 0x123), 1);  // the same frame again: its buffer
  EXPECT_EQ(b.Claim(2, 0x123), 2);  // another client's frame of that identifier
  EXPECT_EQ(b.Find(2, 0x123), 2);
  EXPECT_EQ(b.Find(3, 0x123), 0);
  for (uint32_t id = 0; id < 13; ++id) EXPECT_EQ(b.Claim(3, id), int(3 + id));
  EXPECT_EQ(b.Claim(3, 0x7FF), 0);  // all fifteen taken
  b.Release(1);
  EXPECT_EQ(b.Claim(3, 0x7FF), 1);
  const std::vector<int> released = b.ReleaseAll(3);
  EXPECT_EQ(released.size(), 14u);
  EXPECT_EQ(b.Find(2, 0x123), 2);
  EXPECT_EQ(b.Claim(4, 0x100), 1);
}

TEST(FrameMessage, WritesFramesAsSocketcandDoes) {
  TBusFrame f;
  f.CanId = 0x123;
  f.Len = 2;
  f.Data[0] = 0x11, f.Data[1] = 0xAB;
  f.TimeUs = 1702288800012345;
  EXPECT_EQ(FrameMessage(f), " < frame 123 1702288800.012345 11AB >");
  f.CanId = 0x18FEF100 | CanEffFlag;
  f.Len = 0;
  EXPECT_EQ(FrameMessage(f), " < frame 18FEF100 1702288800.012345  >");
}

// Bus states and errors: the error flag and class as the identifier, the
// eight data bytes of the SocketCAN error frame.
TEST(FrameMessage, WritesErrorFramesWithTheErrorFlagInTheIdentifier) {
  TBusFrame f;
  f.TimeUs = 1702288800000001;
  f.Len = CanErrDlc;
  f.CanId = CanErrFlag | CanErrBusOff;
  EXPECT_EQ(FrameMessage(f), " < frame 20000040 1702288800.000001 0000000000000000 >");
  f.CanId = CanErrFlag | CanErrCrtl;
  f.Data[1] = CanErrCrtlRxPassive;
  EXPECT_EQ(FrameMessage(f), " < frame 20000004 1702288800.000001 0010000000000000 >");
}

TEST(OutputQueue, HoldsAtMostItsLimitAndReportsWhatTheClientMissed) {
  const std::string line = " < frame 123 1.000000 11 >";  // 26 bytes
  TOutputQueue q(100);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(q.PushFrame(line));
  EXPECT_FALSE(q.PushFrame(line));  // 104 > 100
  EXPECT_FALSE(q.PushFrame(line));
  EXPECT_EQ(q.Missed(), 2u);
  EXPECT_LE(q.Pending().size(), 100u);
  q.Consume(3 * line.size());
  EXPECT_TRUE(q.PushFrame(line));
  EXPECT_EQ(q.Pending(), " < error 2 frames missed >" + line);
  EXPECT_EQ(q.Missed(), 0u);
  EXPECT_EQ(q.MissedTotal(), 2u);
  EXPECT_FALSE(q.PushReply(std::string(75, 'x')));
  EXPECT_TRUE(q.PushReply(std::string(48, 'x')));
}

TEST(OutputQueue, KeepsItsBufferBoundedWhileTheClientReadsSlowly) {
  const std::string line = " < frame 123 1.000000 1122334455667788 >";
  TOutputQueue q(1000);
  for (int i = 0; i < 100000; ++i) {
    q.PushFrame(line);
    q.Consume(line.size() / 2 + (i % 7));
    ASSERT_LE(q.Pending().size(), 1000u);
  }
}

}  // namespace
}  // namespace tarvo::bus
