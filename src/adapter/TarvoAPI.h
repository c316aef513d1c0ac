#pragma once
// The adapter link: connection to one adapter, the commands it accepts and
// the receive path that turns its byte stream into messages and status.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "adapter/SiUSBXp.h"
#include "common/ResultCodes.h"
#include "common/TarvoCAN.h"

namespace tarvo {

class Clock;

// ---- Models and discovery ---------------------------------------------------

inline constexpr int32_t HW_ANY = 0;  // in a selection: any model
inline constexpr int32_t HW_TARVO = 1;
inline constexpr int32_t HW_TARVO_ISO = 2;
inline constexpr int32_t HW_TARVO_AUTO = 3;
inline constexpr int32_t HW_OTHER = 0x8000;

// USB product-ID strings of the three models, as the driver reports them.
inline constexpr const char* ProductIdTarvo = "8A31";
inline constexpr const char* ProductIdTarvoISO = "8A32";
inline constexpr const char* ProductIdTarvoAUTO = "8A3C";

struct TDeviceInfo {
  int32_t HardwareType = HW_ANY;
  char SerialNo[256] = {};  // zero-terminated; empty in a selection = any
};

inline constexpr size_t DeviceChooserCapacity = 20;

// ---- Receive byte ring, message ring, status ---------------------------------

inline constexpr uint32_t RxRingSize = 0x20000;     // 131072 bytes
inline constexpr uint32_t RxReadChunk = 0x10000;    // at most 65536 bytes per fill
inline constexpr uint32_t CANMessageRingSize = 2048;
inline constexpr size_t MaxReceivedFrameBytes = 39;  // packet + CRC between the markers
// The fewest bytes a CAN message can take on the wire: DLE STX, the 12 bytes
// of a message without data, its CRC, DLE ETX. A read of n such bytes can
// bring at most n / 18 messages, so bounding reads by the message ring's
// room at this size means the ring never has to drop one.
inline constexpr uint32_t ShortestMessageFrameBytes = 18;
// The most a CAN message can take: every byte of the 20-byte packet with
// eight data bytes and of its CRC escaped, and the four marker bytes.
inline constexpr uint32_t LongestMessageFrameBytes = 48;

struct TRxRing {
  std::array<uint8_t, RxRingSize> Bytes{};
  uint32_t WriteIndex = 0;  // next byte a driver read fills
  uint32_t ReadIndex = 0;   // next byte the parser examines
  uint32_t FlushedBytes = 0;  // bytes the last driver overrun discarded
  uint32_t FreeSpace() const;
  uint32_t Pending() const { return RxRingSize - FreeSpace(); }
  void Reset() { WriteIndex = ReadIndex = 0; }
};

struct TCANMessageRing {
  std::array<TTarvoCAN, CANMessageRingSize> Messages{};
  uint32_t WriteIndex = 0;
  uint32_t ReadIndex = 0;
  bool FullFlag = false;
  // Messages lost since the ring was last emptied for a run: dropped at a
  // full ring, or (at least) those in the bytes a driver overrun flushed.
  // Counted so the user sees it; never reset by the consumer.
  uint32_t LostCount = 0;

  bool Empty() const { return ReadIndex == WriteIndex && !FullFlag; }
  uint32_t FreeSlots() const;
  // Takes the oldest unread message; false when empty.
  bool Pop(TTarvoCAN& message);
  // Discards everything pending.
  void Discard() { ReadIndex = WriteIndex; FullFlag = false; }
};

// The most recent status packet (types 1..5); StatusType 0 = nothing new.
struct TDeviceStatus {
  uint8_t Param[4] = {};
  uint32_t TimeStamp = 0;
  uint8_t StatusType = 0;
};

// ---- The connection ------------------------------------------------------------

inline void* const INVALID_DEVICE_HANDLE = reinterpret_cast<void*>(intptr_t(-1));

struct TDeviceConnection {
  const TDriver* Driver = nullptr;  // bound library and DriverStatus
  Clock* Waits = nullptr;           // the waits of close and run
  int32_t DeviceCount = 0;
  int32_t DeviceIndex = 0;
  bool OpenFlag = false;
  char Description[256] = {};
  char SerialNo[256] = {};
  void* Handle = INVALID_DEVICE_HANDLE;
  TRxRing Rx;  // receive byte ring, emptied by FlushDevice
};

int32_t GetHardwareType(const TDeviceConnection& c, uint32_t deviceIndex);
// Fills list[0..capacity) and sets count; see the chooser.
TResult ListDevices(const TDeviceConnection& c, TDeviceInfo* list, size_t capacity, size_t& count);
// On success selection receives the type and serial number of the adapter.
TResult OpenDevice(TDeviceConnection& c, TDeviceInfo& selection);
TResult CloseDevice(TDeviceConnection& c);
TResult FlushDevice(TDeviceConnection& c);

// Frames the packet and writes it whole with one driver write.
TResult SendPacket(const TDeviceConnection& c, const uint8_t* packet, size_t length);
// Writes frames already built (several packets back to back) with one
// driver write.
TResult WriteFrames(const TDeviceConnection& c, const uint8_t* frames, size_t length);

// ---- Commands --------------------------------------------------------------------

inline constexpr uint8_t OPMODE_NORMAL = 0;
inline constexpr uint8_t OPMODE_LISTEN_ONLY = 1;
inline constexpr uint8_t OPMODE_LOOPBACK = 2;

TResult SendCANMessage(const TDeviceConnection& c, uint8_t ide, uint32_t id, uint8_t rtr, uint8_t dlc,
                       const uint8_t* data, uint8_t bufferNo, uint8_t periodCode);
// Immediate transmissions (buffer 0, period code 0) of up to
// MaxMessagesPerWrite messages in one driver write: each its own framed
// packet, as SendCANMessage builds it, back to back. The adapter link takes
// several packets in one write, so a replay keeps up with a loaded bus.
inline constexpr size_t MaxMessagesPerWrite = 64;
TResult SendCANMessages(const TDeviceConnection& c, std::span<const TTarvoCAN> messages);
TResult RequestStatus(const TDeviceConnection& c);
TResult SetBitTiming(const TDeviceConnection& c, uint8_t sjwMinus1, uint8_t brpByte, uint8_t phseg1Minus1,
                     uint8_t phseg2Minus1, uint8_t propsegMinus1, uint8_t tripleSample);
TResult SetOperatingMode(const TDeviceConnection& c, uint8_t mode);

// Masks and filters of the two receive buffers as SetFilters sends them.
struct TFilterSettings {
  uint32_t Mask1 = 0;
  uint8_t Flag[6] = {};
  uint32_t Filter[6] = {};
  uint32_t Mask2 = 0;
};
// The "None" choice: accept everything, one 29-bit and one 11-bit filter per buffer.
TFilterSettings AcceptAllFilters();
TResult SetFilters(const TDeviceConnection& c, const TFilterSettings& f);
TResult SetRunState(const TDeviceConnection& c, uint8_t run);  // waits 20 ms after a 1
TResult EndConfiguration(const TDeviceConnection& c);
TResult RequestBusLoad(const TDeviceConnection& c);

// ---- Receive path -----------------------------------------------------------------

// Pulls the driver's bytes into the connection's byte ring, at most maxBytes.
// After a driver overrun, Rx.FlushedBytes holds what the flush discarded.
TResult FillRxRing(TDeviceConnection& c, uint32_t maxBytes = RxReadChunk);
// Fills and deframes into the message ring and the status record, round
// after round, until the driver holds nothing more or the message ring has
// no room left for what a further read could bring (the consumer must empty
// it first). Returns the error bits collected; a driver overrun adds its
// lost messages to the ring's LostCount.
TResult ParseRxRing(TDeviceConnection& c, TCANMessageRing& messages, TDeviceStatus& status);
// The deframing step alone, over what the byte ring holds now.
TResult ParseRxBytes(TRxRing& rx, TCANMessageRing& messages, TDeviceStatus& status);

}  // namespace tarvo
