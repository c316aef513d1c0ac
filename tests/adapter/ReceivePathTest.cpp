#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <random>
#include <vector>

#include "FakeDriver.h"
#include "adapter/Framing.h"
#include "support/Frames.h"
#include "adapter/TarvoAPI.h"

namespace tarvo {
namespace {

using test::FakeDriver;
using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

using test::Framed;
using test::ReceivedMessagePacket;
using test::StatusPacket;

// Markers around exactly these bytes (escaped), with no CRC added.
Bytes Raw(const Bytes& between) {
  Bytes out = {DLE, STX};
  for (uint8_t b : between) {
    out.push_back(b);
    if (b == DLE) out.push_back(DLE);
  }
  return out + Bytes{DLE, ETX};
}

Bytes Message(uint32_t id) { return Framed(ReceivedMessagePacket(id, {0x11, 0x22})); }

// The byte ring, message ring and status record as the tick holds them.
struct Receiver {
  std::unique_ptr<TRxRing> rx = std::make_unique<TRxRing>();
  std::unique_ptr<TCANMessageRing> ring = std::make_unique<TCANMessageRing>();
  TDeviceStatus status;

  void StartAt(uint32_t position) { rx->ReadIndex = rx->WriteIndex = position; }
  void Put(const Bytes& bytes) {
    for (uint8_t b : bytes) {
      rx->Bytes[rx->WriteIndex] = b;
      rx->WriteIndex = (rx->WriteIndex + 1) % RxRingSize;
    }
  }
  TResult Parse() { return ParseRxBytes(*rx, *ring, status); }
  std::vector<uint32_t> DrainIds() {
    std::vector<uint32_t> ids;
    for (TTarvoCAN m; ring->Pop(m);) ids.push_back(m.ID);
    return ids;
  }
};

struct DeframeCase {
  const char* what;
  Bytes stream;
  TResult result;
  std::vector<uint32_t> ids = {};
  uint8_t statusType = 0;
};

std::vector<DeframeCase> DeframeCases() {
  Bytes badCrc = Message(0x123);
  badCrc[4] ^= 0x01;  // identifier byte 0x23
  Bytes brokenEscape = Message(0x124);
  brokenEscape.insert(brokenEscape.begin() + 5, {DLE, 0x55});
  const Bytes full37 = StatusPacket(1, {0x10, 0x10, 0x10, 0x10}, 0x10101010) + Bytes(28, 0x10);
  return {
      {"one message", Message(0x123), RES_OK, {0x123}},
      {"noise between frames ignored", Bytes{0xAA, STX, ETX} + Message(1) + Bytes{0x55} + Message(2), RES_OK,
       {1, 2}},
      {"DLE STX inside a frame restarts it silently", Bytes{DLE, STX, 0x00, 0x11, 0x22} + Message(3), RES_OK, {3}},
      {"DLE ETX outside a frame", Bytes{DLE, ETX} + Message(4), RES_FRAMING_ERROR, {4}},
      {"DLE DLE outside a frame", Bytes{DLE, DLE} + Message(5), RES_FRAMING_ERROR, {5}},
      {"DLE and another byte drop the open frame", brokenEscape + Message(6), RES_FRAMING_ERROR, {6}},
      {"CRC mismatch", badCrc + Message(7), RES_CRC_ERROR, {7}},
      {"type 6", Framed(StatusPacket(6, {1, 2, 3, 4}, 5)), RES_BAD_PACKET_TYPE},
      {"type 0xFF", Framed(StatusPacket(0xFF, {1, 2, 3, 4}, 5)), RES_BAD_PACKET_TYPE},
      {"types 2, 4 and 5 are status packets too",
       Framed(StatusPacket(2, {1, 2, 3, 4}, 5)) + Framed(StatusPacket(4, {1, 2, 3, 4}, 5)) +
           Framed(StatusPacket(5, {1, 2, 3, 4}, 5)),
       RES_OK, {}, 5},
      {"nothing between the markers", Raw({}), RES_FRAMING_ERROR},
      {"one byte between the markers", Raw({0x01}), RES_FRAMING_ERROR},
      {"a CRC and no packet", Raw({0x00, 0x00}), RES_FRAMING_ERROR},
      {"DLC 9", Framed(ReceivedMessagePacket(8, Bytes(9, 0xEE))), RES_FRAMING_ERROR},
      {"DLC 8 claimed, 2 bytes sent", Framed(ReceivedMessagePacket(9, {1, 2}, 0, 8)), RES_FRAMING_ERROR},
      {"DLC 2 claimed, 3 bytes sent", Framed(ReceivedMessagePacket(9, {1, 2, 3}, 0, 2)), RES_FRAMING_ERROR},
      {"message cut after its DLC", Framed(Bytes{0x00, 0x00, 1, 0, 0, 0, 8}), RES_FRAMING_ERROR},
      {"status one byte short", Framed(Bytes{0x01, 70, 30, 0, 0, 1, 2, 3}), RES_FRAMING_ERROR},
      {"39 bytes between the markers, all escaped", Framed(full37), RES_OK, {}, 1},
      {"39 bytes with a wrong CRC reach the CRC check", Raw(StatusPacket(1, {}, 0) + Bytes(30, 0x10)),
       RES_CRC_ERROR},
      {"40 bytes", Framed(full37 + Bytes{0x00}), RES_FRAME_TOO_LONG | RES_FRAMING_ERROR},
      {"faults do not stop the parse",
       badCrc + Message(10) + Framed(StatusPacket(7, {0, 0, 0, 0}, 0)) + Raw({}) + Message(11),
       RES_CRC_ERROR | RES_BAD_PACKET_TYPE | RES_FRAMING_ERROR, {10, 11}},
  };
}

TEST(Deframing, ReportsEachFaultAndKeepsTheGoodFrames) {
  for (const DeframeCase& c : DeframeCases()) {
    SCOPED_TRACE(c.what);
    Receiver r;
    r.Put(c.stream);
    EXPECT_EQ(r.Parse(), c.result);
    EXPECT_EQ(r.rx->ReadIndex, r.rx->WriteIndex);
    EXPECT_EQ(r.DrainIds(), c.ids);
    EXPECT_EQ(r.status.StatusType, c.statusType);
  }
}

TEST(Deframing, DecodesEveryFieldOfAMessage) {
  struct Case { uint8_t flags; uint8_t ide; uint8_t rtr; uint32_t id; Bytes data; };
  const Case cases[] = {
      {0x00, 0, 0, 0x7FF, {}},
      {0x01, 0, 1, 0x5A3, {0x10}},
      {0x02, 1, 0, 0x1ABCDEF0, {1, 2, 3}},
      {0xFF, 1, 1, 0x1FFFFFFF, {1, 2, 3, 4, 5, 6, 7, 8}},
      {0xFC, 0, 0, 0x010, {0x10, 0x10, 0x10, 0x10, 0x10}},  // the other flag bits mean nothing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.flags));
    Receiver r;
    TTarvoCAN stale;
    std::fill(std::begin(stale.Data), std::end(stale.Data), 0xFF);
    r.ring->Messages.fill(stale);  // a reused slot must not keep old data bytes
    r.Put(Framed(ReceivedMessagePacket(c.id, c.data, c.flags, -1, 0x21, 0xFEDCBA98)));
    ASSERT_EQ(r.Parse(), RES_OK);
    TTarvoCAN m;
    ASSERT_TRUE(r.ring->Pop(m));
    EXPECT_EQ(m.IDE, c.ide);
    EXPECT_EQ(m.RTR, c.rtr);
    EXPECT_EQ(m.ID, c.id);
    EXPECT_EQ(m.DLC, c.data.size());
    Bytes data(8, 0);
    std::copy(c.data.begin(), c.data.end(), data.begin());
    EXPECT_EQ(Bytes(m.Data, m.Data + 8), data);
    EXPECT_EQ(m.BusState, 0x21);
    EXPECT_EQ(m.TimeStamp, 0xFEDCBA98u);
  }
}

TEST(Deframing, KeepsOnlyTheLastStatusPacket) {
  Receiver r;
  r.Put(Framed(StatusPacket(1, {70, 30, 0x08, 0x02}, 0x11111111)) + Message(1) +
        Framed(StatusPacket(3, {12, 5, 0x10, 96}, 0x22222222)));
  ASSERT_EQ(r.Parse(), RES_OK);
  EXPECT_EQ(r.status.StatusType, 3);
  EXPECT_EQ(Bytes(r.status.Param, r.status.Param + 4), (Bytes{12, 5, 0x10, 96}));
  EXPECT_EQ(r.status.TimeStamp, 0x22222222u);
}

TEST(Deframing, FrameSplitAcrossReadsIsParsedWholeNextTime) {
  const Bytes first = Message(1);
  const Bytes frame = Framed(ReceivedMessagePacket(0x310, {0x02, 0x03}));  // "10 10 03" and STX/ETX values inside
  // Every cut after the opening DLE STX, including between the two bytes of an escape.
  for (size_t cut = 2; cut < frame.size(); ++cut) {
    SCOPED_TRACE(cut);
    Receiver r;
    r.StartAt(1000);
    r.Put(first + Bytes(frame.begin(), frame.begin() + ptrdiff_t(cut)));
    EXPECT_EQ(r.Parse(), RES_OK);
    EXPECT_EQ(r.rx->ReadIndex, 1000 + first.size());
    r.Put(Bytes(frame.begin() + ptrdiff_t(cut), frame.end()));
    EXPECT_EQ(r.Parse(), RES_OK);
    EXPECT_EQ(r.rx->ReadIndex, r.rx->WriteIndex);
    EXPECT_EQ(r.DrainIds(), (std::vector<uint32_t>{1, 0x310}));
  }
}

// A read may end between the DLE and the STX that open a frame; the DLE is
// kept for the next call so that the frame is not lost.
TEST(Deframing, LoneTrailingDLEWaitsForItsSTX) {
  const Bytes frame = Message(2);
  Receiver r;
  r.Put(Message(1) + Bytes{DLE});
  EXPECT_EQ(r.Parse(), RES_OK);
  EXPECT_EQ(r.rx->ReadIndex, r.rx->WriteIndex - 1);
  EXPECT_EQ(r.Parse(), RES_OK);  // nothing new: the DLE still waits, no error
  r.Put(Bytes(frame.begin() + 1, frame.end()));
  EXPECT_EQ(r.Parse(), RES_OK);
  EXPECT_EQ(r.DrainIds(), (std::vector<uint32_t>{1, 2}));
}

TEST(Deframing, LoneTrailingDLEAtRingPositionZeroIsKeptAcrossTheWrap) {
  const Bytes frame = Message(3);
  Receiver r;
  r.StartAt(RxRingSize - 1);
  r.Put(Bytes{0x55, DLE});  // the DLE lands at position 0
  EXPECT_EQ(r.Parse(), RES_OK);
  EXPECT_EQ(r.rx->ReadIndex, 0u);
  r.Put(Bytes(frame.begin() + 1, frame.end()));
  EXPECT_EQ(r.Parse(), RES_OK);
  EXPECT_EQ(r.DrainIds(), std::vector<uint32_t>{3});
}

TEST(Deframing, FramesWrapAroundTheRingEnd) {
  const Bytes frame = Message(0x7FF);
  for (uint32_t back = 1; back <= frame.size(); ++back) {  // frame start at 131071, 131070, ...
    SCOPED_TRACE(back);
    Receiver r;
    r.StartAt(RxRingSize - back);
    r.Put(Bytes(frame.begin(), frame.end() - 1));
    EXPECT_EQ(r.Parse(), RES_OK);
    EXPECT_EQ(r.rx->ReadIndex, RxRingSize - back);  // rewound to the opening DLE
    r.Put(Bytes{frame.back()});
    EXPECT_EQ(r.Parse(), RES_OK);
    EXPECT_EQ(r.DrainIds(), std::vector<uint32_t>{0x7FF});
  }
}

// No error bit (the link is fine), but the loss is counted for the user.
TEST(Deframing, FullMessageRingDropsFurtherMessagesAndCountsThem) {
  Receiver r;
  Bytes stream;
  for (uint32_t id = 0; id <= CANMessageRingSize + 1; ++id) stream = stream + Framed(ReceivedMessagePacket(id, {}, 2));
  r.Put(stream);
  EXPECT_EQ(r.Parse(), RES_OK);
  EXPECT_TRUE(r.ring->FullFlag);
  EXPECT_EQ(r.ring->LostCount, 2u);
  std::vector<uint32_t> expected(CANMessageRingSize);
  std::iota(expected.begin(), expected.end(), 0u);
  EXPECT_EQ(r.DrainIds(), expected);
  EXPECT_TRUE(r.ring->Empty());
  // Room again once the consumer has run.
  r.Put(Message(0x500));
  EXPECT_EQ(r.Parse(), RES_OK);
  EXPECT_EQ(r.DrainIds(), std::vector<uint32_t>{0x500});
  EXPECT_EQ(r.ring->LostCount, 2u);
}

// A CRC that starts from 0 does not see leading zero bytes: a DLE STX after
// the two zero bytes of a message restarts the frame with a valid CRC over
// bytes that make no CAN message. What CAN does not allow is a framing error.
TEST(Deframing, RefusesMessagesCANDoesNotAllow) {
  struct Case { const char* what; Bytes stream; TResult result; std::vector<uint32_t> ids; };
  const Case cases[] = {
      {"restart after two zero bytes: 11-bit identifier FF020000",
       {0x10, 0x02, 0x00, 0x00, 0x10, 0x02, 0x00, 0x01, 0x00, 0x00, 0x02, 0xFF, 0x00,
        0x00, 0x34, 0x12, 0x00, 0x00, 0x24, 0x1F, 0x10, 0x03},
       RES_FRAMING_ERROR, {}},
      {"11-bit identifier 800", Framed(ReceivedMessagePacket(0x800, {1})), RES_FRAMING_ERROR, {}},
      {"29-bit identifier 20000000", Framed(ReceivedMessagePacket(0x20000000, {1}, 2)), RES_FRAMING_ERROR, {}},
      {"remote 11-bit identifier FFFFFFFF", Framed(ReceivedMessagePacket(0xFFFFFFFF, {}, 1)), RES_FRAMING_ERROR, {}},
      {"largest identifiers pass",
       Framed(ReceivedMessagePacket(0x7FF, {})) + Framed(ReceivedMessagePacket(0x1FFFFFFF, {}, 2)), RES_OK,
       {0x7FF, 0x1FFFFFFF}},
      {"a refused frame does not stop the parse", Framed(ReceivedMessagePacket(0x800, {})) + Message(0x12),
       RES_FRAMING_ERROR, {0x12}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Receiver r;
    r.Put(c.stream);
    EXPECT_EQ(r.Parse(), c.result);
    EXPECT_EQ(r.DrainIds(), c.ids);
    EXPECT_EQ(r.ring->LostCount, 0u);
  }
}

// Garbage heavy in DLE, STX and ETX, fed in uneven reads across the ring end:
// only the deframing bits come back, only well-formed messages are stored,
// and no more than one unfinished frame is ever held back.
TEST(Deframing, GarbageNeverYieldsMalformedMessages) {
  std::mt19937 rng(7);
  const uint8_t favourites[] = {DLE, DLE, STX, ETX, 0x00, 0x01};
  constexpr TResult DeframingBits =
      RES_FRAME_TOO_LONG | RES_BAD_PACKET_TYPE | RES_CRC_ERROR | RES_FRAMING_ERROR;
  Receiver r;
  r.StartAt(RxRingSize - 3000);
  for (int call = 0; call < 400; ++call) {
    Bytes chunk(rng() % 200);
    for (uint8_t& b : chunk) b = rng() % 2 ? favourites[rng() % 6] : uint8_t(rng());
    if (call % 3 == 0) chunk = chunk + Message(call);  // some real frames in between
    if (call % 3 == 1) {  // a correct CRC over a packet of any length and a plausible type
      Bytes packet(rng() % 38);
      for (uint8_t& b : packet) b = uint8_t(rng());
      if (!packet.empty()) packet[0] = uint8_t(rng() % 7);
      if (packet.size() > 6) packet[6] = uint8_t(rng() % 12);  // DLC, sometimes above 8
      chunk = chunk + Framed(packet);
    }
    r.Put(chunk);
    EXPECT_EQ(r.Parse() & ~DeframingBits, 0);
    const uint32_t heldBack = (r.rx->WriteIndex - r.rx->ReadIndex) % RxRingSize;
    EXPECT_LE(heldBack, 2 * (MaxReceivedFrameBytes + 2));
    for (TTarvoCAN m; r.ring->Pop(m);) {
      ASSERT_TRUE(IsValidCANMessage(m));
      for (int j = m.DLC; j < 8; ++j) ASSERT_EQ(m.Data[j], 0);
    }
  }
}

// ---- Filling the byte ring from the driver --------------------------------------

struct FillCase {
  const char* what;
  uint32_t readIndex, writeIndex;
  size_t queued;
  std::vector<int> readResults = {};
  uint32_t deliversAtMost = UINT32_MAX;
  TResult fill;
  std::vector<uint32_t> requests;
  uint32_t writeIndexAfter;
};

TEST(FillRxRing, ReadsWhatTheDriverHoldsWithinTheRingsRoom) {
  constexpr uint32_t End = RxRingSize;
  const FillCase cases[] = {
      {"nothing queued", 0, 0, 0, {}, UINT32_MAX, RES_OK, {}, 0},
      {"asks only for what is queued", 0, 0, 100, {}, UINT32_MAX, RES_OK, {100}, 100},
      {"at most 65536 per call", 0, 0, 70000, {}, UINT32_MAX, RES_OK, {65536}, 65536},
      {"time-out with part of the bytes is fine", 0, 0, 30, {SI_RX_QUEUE_NOT_READY}, 10, RES_OK, {30}, 10},
      {"read failure", 50, 50, 30, {0xFF}, UINT32_MAX, RES_READ_FAILED, {30}, 50},
      {"up to the ring end exactly", End - 10, End - 10, 10, {}, UINT32_MAX, RES_OK, {10}, 0},
      {"wrapping read in two parts", End - 10, End - 10, 30, {}, UINT32_MAX, RES_OK, {10, 20}, 20},
      {"short first part ends the call", End - 10, End - 10, 30, {}, 4, RES_OK, {10}, End - 6},
      {"second part fails, first part kept", End - 10, End - 10, 30, {0, 0xFF}, UINT32_MAX, RES_READ_FAILED,
       {10, 20}, 0},
      {"exactly 65536 free: one byte stays free", 0, 65536, 70000, {}, UINT32_MAX, RES_OK, {65535}, End - 1},
      {"less than 65536 free", 10, 65547, 70000, {}, UINT32_MAX, RES_RX_OVERRUN, {}, 65547},
  };
  for (const FillCase& c : cases) {
    SCOPED_TRACE(c.what);
    FakeDriver fake;
    Bytes queued(c.queued);
    std::iota(queued.begin(), queued.end(), uint8_t(1));
    fake.QueueRx(queued);
    fake.ReadResults.assign(c.readResults.begin(), c.readResults.end());
    fake.ReadDeliversAtMost = c.deliversAtMost;
    auto conn = fake.Open();
    conn->Rx.ReadIndex = c.readIndex;
    conn->Rx.WriteIndex = c.writeIndex;
    EXPECT_EQ(FillRxRing(*conn), c.fill);
    EXPECT_EQ(fake.ReadRequests, c.requests);
    EXPECT_EQ(conn->Rx.WriteIndex, c.writeIndexAfter);
    // The bytes land in order at the old write index, across the ring end.
    const uint32_t landed = (c.writeIndexAfter - c.writeIndex) % RxRingSize;
    for (uint32_t i = 0; i < landed; ++i)
      ASSERT_EQ(conn->Rx.Bytes[(c.writeIndex + i) % RxRingSize], queued[i]) << i;
  }
}

TEST(ParseRxRing, ReportsFillFailuresWithTheReadBitAndParsesNothing) {
  struct Case { const char* what; bool open; int checkResult; uint32_t queueStatus; uint32_t writeIndex; TResult result; size_t flushes; int flushResult = 0; };
  const Case cases[] = {
      {"no adapter", false, 0, 0, 0, RES_NOT_OPEN | RES_READ_FAILED, 0},
      {"queue query fails", true, 0xFF, 0, 0, RES_READ_FAILED, 0},
      {"driver overran", true, 0, SI_RX_OVERRUN, 0, RES_RX_OVERRUN | RES_READ_FAILED, 1},
      {"driver overran, its flush fails too", true, 0, SI_RX_OVERRUN, 0, RES_RX_OVERRUN | RES_READ_FAILED, 1, 0xFF},
      {"ring short of room", true, 0, 0, 65537, RES_RX_OVERRUN | RES_READ_FAILED, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeDriver fake;
    fake.CheckRXQueueResult = c.checkResult;
    fake.QueueStatus = c.queueStatus;
    fake.FlushResult = c.flushResult;
    fake.QueueRx(Message(1));
    auto conn = c.open ? fake.Open() : fake.Connection();
    const Bytes pending = Message(2);  // already in the ring, left for the next call
    std::copy(pending.begin(), pending.end(), conn->Rx.Bytes.begin());
    conn->Rx.WriteIndex = c.writeIndex == 0 ? uint32_t(pending.size()) : c.writeIndex;
    auto ring = std::make_unique<TCANMessageRing>();
    TDeviceStatus status;
    EXPECT_EQ(ParseRxRing(*conn, *ring, status), c.result);
    EXPECT_EQ(fake.CallCount("SI_FlushBuffers"), c.flushes);
    EXPECT_EQ(fake.CallCount("SI_Read"), 0u);
    EXPECT_EQ(conn->Rx.ReadIndex, 0u);
    EXPECT_TRUE(ring->Empty());
  }
}

// Shortest messages (DLC 0, 18 bytes each): one read of everything the
// driver holds would bring more than the message ring takes. The reads stop
// at the ring's room; the rest waits in the driver for the next call.
TEST(ParseRxRing, ReadsNoMoreThanTheMessageRingHasRoomFor) {
  FakeDriver fake;
  constexpr uint32_t Sent = 3500;
  for (uint32_t id = 0; id < Sent; ++id) fake.QueueRx(Framed(ReceivedMessagePacket(id, {}, 2, -1, 0, id)));
  auto conn = fake.Open();
  auto ring = std::make_unique<TCANMessageRing>();
  TDeviceStatus status;
  std::vector<uint32_t> ids;
  for (int tick = 0; tick < 3; ++tick) {
    EXPECT_EQ(ParseRxRing(*conn, *ring, status), RES_OK);
    for (TTarvoCAN m; ring->Pop(m);) ids.push_back(m.ID);
  }
  EXPECT_EQ(ring->LostCount, 0u);
  ASSERT_EQ(ids.size(), Sent);
  for (uint32_t id = 0; id < Sent; ++id) ASSERT_EQ(ids[id], id);
}

// A driver that hands over little per read: the call goes on reading and
// parsing until the driver's queue is empty.
TEST(ParseRxRing, KeepsReadingUntilTheDriversQueueIsEmpty) {
  FakeDriver fake;
  for (uint32_t id = 1; id <= 20; ++id) fake.QueueRx(Message(id));
  fake.ReadDeliversAtMost = 50;
  auto conn = fake.Open();
  auto ring = std::make_unique<TCANMessageRing>();
  TDeviceStatus status;
  EXPECT_EQ(ParseRxRing(*conn, *ring, status), RES_OK);
  std::vector<uint32_t> expected(20);
  std::iota(expected.begin(), expected.end(), 1u);
  std::vector<uint32_t> ids;
  for (TTarvoCAN m; ring->Pop(m);) ids.push_back(m.ID);
  EXPECT_EQ(ids, expected);
  EXPECT_TRUE(fake.RxQueue.empty());
}

// The messages in the bytes a driver overrun flushes are lost: counted, at
// least one per overrun, as many as the flushed bytes hold at the least.
TEST(ParseRxRing, CountsTheMessagesADriverOverrunLost) {
  struct Case { size_t queued; uint32_t lost; };
  for (const Case& c : {Case{0, 1}, Case{48, 1}, Case{49, 2}, Case{4800, 100}}) {
    SCOPED_TRACE(c.queued);
    FakeDriver fake;
    fake.QueueStatus = SI_RX_OVERRUN;
    fake.QueueRx(Bytes(c.queued, 0x55));
    auto conn = fake.Open();
    auto ring = std::make_unique<TCANMessageRing>();
    ring->LostCount = 3;
    TDeviceStatus status;
    EXPECT_EQ(ParseRxRing(*conn, *ring, status), RES_RX_OVERRUN | RES_READ_FAILED);
    EXPECT_EQ(ring->LostCount, 3 + c.lost);
  }
}

TEST(ParseRxRing, TurnsTheDriversBytesIntoMessagesAndStatus) {
  FakeDriver fake;
  const Bytes stream = Message(1) + Framed(StatusPacket(1, {70, 30, 0, 0}, 99)) + Message(2);
  fake.QueueRx(Bytes(stream.begin(), stream.end() - 3));
  auto conn = fake.Open();
  auto ring = std::make_unique<TCANMessageRing>();
  TDeviceStatus status;
  EXPECT_EQ(ParseRxRing(*conn, *ring, status), RES_OK);
  fake.QueueRx(Bytes(stream.end() - 3, stream.end()));
  EXPECT_EQ(ParseRxRing(*conn, *ring, status), RES_OK);
  std::vector<uint32_t> ids;
  for (TTarvoCAN m; ring->Pop(m);) ids.push_back(m.ID);
  EXPECT_EQ(ids, (std::vector<uint32_t>{1, 2}));
  EXPECT_EQ(status.StatusType, 1);
  EXPECT_EQ(status.Param[0], 70);
  EXPECT_EQ(status.TimeStamp, 99u);
}

}  // namespace
}  // namespace tarvo
