#include <algorithm>

#include "adapter/Crc.h"
#include "adapter/DriverAccess.h"
#include "adapter/Framing.h"
#include "adapter/TarvoAPI.h"

namespace tarvo {

uint32_t TRxRing::FreeSpace() const {
  return WriteIndex < ReadIndex ? ReadIndex - WriteIndex : RxRingSize - (WriteIndex - ReadIndex);
}

uint32_t TCANMessageRing::FreeSlots() const {
  if (FullFlag) return 0;
  return CANMessageRingSize - (WriteIndex + CANMessageRingSize - ReadIndex) % CANMessageRingSize;
}

bool TCANMessageRing::Pop(TTarvoCAN& message) {
  if (Empty()) return false;
  message = Messages[ReadIndex];
  ReadIndex = (ReadIndex + 1) % CANMessageRingSize;
  FullFlag = false;
  return true;
}

namespace {

using detail::Functions;

constexpr uint32_t RingMask = RxRingSize - 1;
static_assert((RxRingSize & RingMask) == 0, "ring positions wrap by masking");

// One synchronous read into the ring at its write index. A time-out still
// delivers what arrived; false only for a real driver failure.
bool ReadIntoRing(TDeviceConnection& c, uint32_t want, uint32_t& got) {
  const auto read = Functions(c).Read;
  got = 0;
  if (read == nullptr) return false;
  const int result = read(c.Handle, c.Rx.Bytes.data() + c.Rx.WriteIndex, want, &got, nullptr);
  if (result != SI_SUCCESS && result != SI_RX_QUEUE_NOT_READY) return false;
  got = std::min(got, want);  // a driver claiming more than it was given room for moves nothing past it
  return true;
}

// Asks only for what the driver already holds, so the read never waits out
// its time-out inside the tick; one byte of the ring always stays free so a
// full ring cannot look empty.
uint32_t BytesToRead(const TRxRing& rx, uint32_t queued, uint32_t maxBytes) {
  return std::min({queued, RxReadChunk, rx.FreeSpace() - 1, maxBytes});
}

// Every message of the bytes still unparsed and of those read next must find
// a slot: each takes at least ShortestMessageFrameBytes on the wire.
uint32_t ReadBoundForRoom(const TRxRing& rx, const TCANMessageRing& messages) {
  const uint64_t room = uint64_t(messages.FreeSlots()) * ShortestMessageFrameBytes;
  const uint32_t pending = rx.Pending();
  return room > pending ? uint32_t(std::min<uint64_t>(room - pending, RxReadChunk)) : 0;
}

// A driver overrun loses every message in the bytes it flushed (and whatever
// the driver itself could not keep): count at least those, at least one.
uint32_t MessagesLostInOverrun(uint32_t flushedBytes) {
  return std::max<uint32_t>(1, (flushedBytes + LongestMessageFrameBytes - 1) / LongestMessageFrameBytes);
}

// Rounds of fill and parse in one call: a driver may hand over less than it
// reported per read, and an adapter may keep its queue from ever running
// empty; the bound keeps the tick short either way.
constexpr int MaxParseRounds = 32;

}  // namespace

TResult FillRxRing(TDeviceConnection& c, uint32_t maxBytes) {
  TRxRing& rx = c.Rx;
  rx.WriteIndex &= RingMask;
  rx.ReadIndex &= RingMask;
  if (rx.FreeSpace() < RxReadChunk) return RES_RX_OVERRUN;
  if (!c.OpenFlag) return RES_NOT_OPEN;
  const TDriverFunctions& fn = Functions(c);
  uint32_t queued = 0, queueStatus = 0;
  if (fn.CheckRXQueue == nullptr || fn.CheckRXQueue(c.Handle, &queued, &queueStatus) != SI_SUCCESS)
    return RES_READ_FAILED;
  if (queueStatus == SI_RX_OVERRUN) {
    // What the driver still holds is incomplete; start clean from the next frame.
    if (fn.FlushBuffers != nullptr) fn.FlushBuffers(c.Handle, 1, 1);
    rx.FlushedBytes = queued;
    return RES_RX_OVERRUN;
  }
  const uint32_t want = BytesToRead(rx, queued, maxBytes);
  if (want == 0) return RES_OK;
  const uint32_t toEnd = RxRingSize - rx.WriteIndex;
  uint32_t got = 0;
  if (!ReadIntoRing(c, std::min(want, toEnd), got)) return RES_READ_FAILED;
  rx.WriteIndex = (rx.WriteIndex + got) & RingMask;
  if (want <= toEnd || got < toEnd) return RES_OK;
  if (!ReadIntoRing(c, want - toEnd, got)) return RES_READ_FAILED;
  rx.WriteIndex += got;
  return RES_OK;
}

TResult ParseRxRing(TDeviceConnection& c, TCANMessageRing& messages, TDeviceStatus& status) {
  TResult errors = RES_OK;
  for (int round = 0; round < MaxParseRounds; ++round) {
    // With no room, the first round still checks the driver and parses
    // what the byte ring holds; it reads nothing more. The consumer must
    // empty the message ring before further rounds.
    const uint32_t bound = ReadBoundForRoom(c.Rx, messages);
    if (round > 0 && bound == 0) break;
    const uint32_t before = c.Rx.Pending();
    c.Rx.FlushedBytes = 0;
    if (const TResult filled = FillRxRing(c, bound); filled != RES_OK) {
      // An overrun with the byte ring short of room lost nothing yet: the
      // bytes still wait in the driver.
      const bool driverOverran = (filled & RES_RX_OVERRUN) != 0 && c.Rx.FreeSpace() >= RxReadChunk;
      if (driverOverran) messages.LostCount += MessagesLostInOverrun(c.Rx.FlushedBytes);
      return TResult(errors | filled | RES_READ_FAILED);
    }
    const bool delivered = c.Rx.Pending() != before;
    errors |= ParseRxBytes(c.Rx, messages, status);
    if (!delivered || bound == 0) break;  // the driver's queue is empty, or no room
  }
  return errors;
}

// ---- Deframing -------------------------------------------------------------------

namespace {

constexpr uint8_t PACKET_CAN_MESSAGE = 0;
constexpr uint8_t PACKET_LAST_STATUS = 5;
constexpr uint32_t CANPacketFixedBytes = 12;  // everything but the data bytes
constexpr uint32_t StatusPacketBytes = 9;
constexpr uint32_t CRCBytes = 2;

uint32_t GetU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Checks the layout before anything is copied: a packet shorter than its type
// needs is lost, and nothing is read past its own bytes.
TResult StoreMessage(const uint8_t* packet, uint32_t length, TCANMessageRing& ring) {
  if (length < CANPacketFixedBytes) return RES_FRAMING_ERROR;
  const uint8_t dlc = packet[6];
  if (dlc > 8 || length != CANPacketFixedBytes + dlc) return RES_FRAMING_ERROR;
  // Decoded straight into the next slot (not yet visible to the consumer);
  // at a full ring into a scratch record, only to be checked and counted.
  TTarvoCAN scratch;
  TTarvoCAN& m = ring.FullFlag ? scratch : ring.Messages[ring.WriteIndex];
  m.RTR = packet[1] & 1;
  m.IDE = (packet[1] >> 1) & 1;
  m.ID = GetU32(packet + 2);
  m.DLC = dlc;
  for (uint32_t j = 0; j < 8; ++j) m.Data[j] = j < dlc ? packet[7 + j] : 0;
  m.BusState = packet[7 + dlc];
  m.TimeStamp = GetU32(packet + 8 + dlc);
  if (!IsValidCANMessage(m)) return RES_FRAMING_ERROR;  // damage the CRC could not see
  if (ring.FullFlag) {  // the consumer is behind; not a link fault, but a loss to show
    ++ring.LostCount;
    return RES_OK;
  }
  ring.WriteIndex = (ring.WriteIndex + 1) % CANMessageRingSize;
  ring.FullFlag = ring.WriteIndex == ring.ReadIndex;
  return RES_OK;
}

TResult StoreStatus(const uint8_t* packet, uint32_t length, TDeviceStatus& status) {
  if (length < StatusPacketBytes) return RES_FRAMING_ERROR;
  for (int i = 0; i < 4; ++i) status.Param[i] = packet[1 + i];
  status.TimeStamp = GetU32(packet + 5);
  status.StatusType = packet[0];
  return RES_OK;
}

// A frame of count bytes between its markers: the packet, then its CRC.
TResult FinishFrame(const uint8_t* frame, uint32_t count, TCANMessageRing& ring, TDeviceStatus& status) {
  if (count < CRCBytes) return RES_FRAMING_ERROR;
  const uint32_t length = count - CRCBytes;
  uint16_t crc = 0;
  CRC16Update(frame, uint16_t(length), crc);
  if (crc != uint16_t(frame[length] | frame[length + 1] << 8)) return RES_CRC_ERROR;
  if (length == 0) return RES_FRAMING_ERROR;  // no type byte
  const uint8_t type = frame[0];
  if (type > PACKET_LAST_STATUS) return RES_BAD_PACKET_TYPE;
  if (type == PACKET_CAN_MESSAGE) return StoreMessage(frame, length, ring);
  return StoreStatus(frame, length, status);
}

// The parser state lives only for one call: whatever frame is unfinished at
// the end is parsed again from its opening DLE next time.
struct TDeframeState {
  uint8_t Frame[MaxReceivedFrameBytes + 1];  // the 40th byte proves a frame too long
  uint32_t Count = 0;
  uint32_t FrameStart = 0;  // ring position of the opening DLE
  bool Escape = false;      // the previous byte was an unpaired DLE
  bool InFrame = false;
  TResult Errors = RES_OK;
};

// Runs the state machine over ring positions [from, to). The state is worked
// on in locals: byte stores into the frame buffer could otherwise alias it and
// force a reload for every byte.
void DeframeRun(const uint8_t* ring, uint32_t from, uint32_t to, TDeframeState& s, TCANMessageRing& messages,
                TDeviceStatus& status) {
  uint32_t count = s.Count, frameStart = s.FrameStart;
  bool escape = s.Escape, inFrame = s.InFrame;
  TResult errors = s.Errors;
  const auto append = [&](uint8_t b) {
    s.Frame[count++] = b;
    if (count == sizeof s.Frame) {
      errors |= RES_FRAME_TOO_LONG;
      inFrame = false;
    }
  };
  for (uint32_t position = from; position < to; ++position) {
    const uint8_t b = ring[position];
    if (!escape) {
      if (b == DLE) escape = true;
      else if (inFrame) append(b);
      continue;
    }
    escape = false;
    if (b == STX) {  // also restarts an open frame: the adapter began anew
      count = 0;
      inFrame = true;
      frameStart = (position - 1) & RingMask;
    } else if (inFrame && b == DLE) {
      append(DLE);
    } else if (inFrame && b == ETX) {
      inFrame = false;
      errors |= FinishFrame(s.Frame, count, messages, status);
    } else {
      errors |= RES_FRAMING_ERROR;
      inFrame = false;
    }
  }
  s.Count = count;
  s.FrameStart = frameStart;
  s.Escape = escape;
  s.InFrame = inFrame;
  s.Errors = errors;
}

}  // namespace

TResult ParseRxBytes(TRxRing& rx, TCANMessageRing& messages, TDeviceStatus& status) {
  TDeframeState state;
  const uint32_t end = rx.WriteIndex & RingMask;
  const uint32_t start = rx.ReadIndex & RingMask;
  if (start <= end) {
    DeframeRun(rx.Bytes.data(), start, end, state, messages, status);
  } else {  // the unread bytes wrap around the ring end
    DeframeRun(rx.Bytes.data(), start, RxRingSize, state, messages, status);
    DeframeRun(rx.Bytes.data(), 0, end, state, messages, status);
  }
  if (state.InFrame) {
    rx.ReadIndex = state.FrameStart;
  } else if (state.Escape) {
    // A read that ends between a frame's DLE and its STX: keep the DLE for
    // the next call, or the whole frame that follows would be lost.
    rx.ReadIndex = (end + RxRingSize - 1) & RingMask;
  } else {
    rx.ReadIndex = end;
  }
  return state.Errors;
}

}  // namespace tarvo
