#pragma once
// The CAN View store: everything the "CAN View" page shows, in fixed form
// (one entry per message identity, updated in place) or cyclic form (a ring
// of CyclicBufferSize entries, the oldest overwritten).
//
// Plain records and routines, GUI thread only. The application object owns
// one TCANViewState and hands it to the routines; the update tick calls
// DisplayReceiveMessage, DisplayBusState, DisplayErrorCounters and
// DisplayReplayMessage, the transmit triggers call DisplayTransmitMessage.
// The presentation reads CANView.List[0 .. CANView.Count - 1] by index.
#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

#include "adapter/TarvoAPI.h"
#include "common/DisplaySettings.h"
#include "common/TarvoCAN.h"
#include "view/CANViewIndex.h"

namespace tarvo {

// ---- Entry kinds -----------------------------------------------------------------
// The kind doubles as the icon index in the CAN View image list and as the
// index into LogTypeCodes.

inline constexpr int32_t ITEM_RD = 0;  // received data frame
inline constexpr int32_t ITEM_RR = 1;  // received remote frame
inline constexpr int32_t ITEM_TD = 2;  // transmitted (or replayed) data frame
inline constexpr int32_t ITEM_TR = 3;  // transmitted (or replayed) remote frame
inline constexpr int32_t ITEM_EF = 4;  // error frame
inline constexpr int32_t ITEM_BA = 5;  // bus active
inline constexpr int32_t ITEM_BP = 6;  // bus passive
inline constexpr int32_t ITEM_BO = 7;  // bus off
inline constexpr int32_t ITEM_RE = 8;  // receive error counter in data byte 0
inline constexpr int32_t ITEM_TE = 9;  // transmit error counter in data byte 0
inline constexpr int32_t CANViewItemKinds = 10;

// Two-letter type codes; 10..12 occur only in log files.
inline constexpr const char* LogTypeCodes[13] = {"RD", "RR", "TD", "TR", "EF", "BA", "BP",
                                                 "BO", "RE", "TE", "ST", "BL", "MM"};

// ---- The store ---------------------------------------------------------------------

struct TCANViewMessage {
  int32_t ItemType = ITEM_RD;
  uint32_t Count = 0;   // times this identity was seen (received entries only)
  uint32_t Period = 0;  // ticks since the previous message of the identity (received only)
  TTarvoCAN Item;       // the message, or time stamp and counter of a status entry
};

struct TCANView {
  int32_t Count = 0;  // valid entries: List[0 .. Count - 1]
  int32_t Size = 0;   // allocated entries, List.size()
  std::vector<TCANViewMessage> List;
  // Fixed-mode identity look-up beside List; entries are added only through
  // the routines below, which keep it in step.
  TCANViewIndex Index;
};

enum TCANViewMode : uint8_t { VIEW_FIXED = 0, VIEW_CYCLIC = 1 };

inline constexpr int32_t CyclicMessageCountCapacity = 20;

struct TCyclicMessageCount {
  uint8_t IDE = 0;
  uint32_t ID = 0;
  uint8_t RTR = 0;
  uint32_t Count = 0;
  uint32_t TimeStamp = 0;  // time stamp of the last message of the identity
};

// Count and Period per identity for the cyclic view; the first 20 identities
// seen get an entry, later ones show Count 0 and Period 0.
struct TCyclicMessageCounts {
  std::array<TCyclicMessageCount, CyclicMessageCountCapacity> Entries{};
  int32_t Used = 0;
  void Clear() { Used = 0; }
};

// Where the store hands events to the log recorder. The default does nothing;
// the recorder's implementation decides itself whether recording runs and
// whether the event's type is selected for recording.
class CANViewLogSink {
 public:
  virtual ~CANViewLogSink() = default;
  // message is the received message just stored, count and period as stored.
  virtual void LogReceiveMessage(const TTarvoCAN& /*message*/, uint32_t /*count*/, uint32_t /*period*/) {}
  // event: 1 error frame, 2 bus active, 3 bus passive, 4 bus off.
  virtual void LogBusEvent(int32_t /*event*/, uint32_t /*timeStamp*/) {}
};

// The store and the main-window fields that go with it.
struct TCANViewState {
  TCANView CANView;
  // The window mirrors it: in fixed mode its Fixed commands are disabled and
  // its Cyclic commands enabled, in cyclic mode the reverse.
  TCANViewMode Mode = VIEW_FIXED;
  int32_t CyclicItemNo = 0;             // wrapped ring: slot the next entry overwrites
  bool CyclicOverwriteFlag = false;     // the cyclic ring has wrapped
  bool CyclicManualScrollFlag = false;  // the user scrolled the cyclic view away
  bool TxDisplayEnabledFlag = true;     // transmitted messages are entered
  bool ErrorCountersActiveFlag = false; // error-counter entries are being produced
  uint8_t CANBusState = 0;              // last bus-state byte seen
  TCyclicMessageCounts CyclicMessageCounts;
  uint32_t CANViewUpdateTimer = 0;      // ms accumulated towards the next refresh
  CANViewLogSink* LogSink = nullptr;   // null: nothing is logged
};

// ---- Routines ----------------------------------------------------------------------

// Enters the received message (the one at the message ring's ReadIndex).
void DisplayReceiveMessage(TCANViewState& s, const TDisplaySettings& settings, const TTarvoCAN& m);

// Enters a transmitted message; timeMs is adapter-synchronised time in ms.
void DisplayTransmitMessage(TCANViewState& s, uint8_t ide, uint32_t id, uint8_t rtr, uint8_t dlc,
                            const uint8_t data[8], uint32_t timeMs);

// Enters messages[readPosition .. end) as transmitted entries, advancing
// readPosition past each one.
// The replay owns the messages and both positions (it sends up to end, the
// GUI thread shows up to readPosition).
void DisplayReplayMessages(TCANViewState& s, std::span<const TTarvoCAN> messages, uint32_t end,
                           uint32_t& readPosition);

// A status record (type 1): stores "EF", "BA", "BP" or "BO" when warranted
// and returns the classification 0..4 (0 also for other record types).
int32_t DisplayBusState(TCANViewState& s, const TDeviceStatus& status);

// A bus-load record (type 3): stores an "RE"/"TE" pair when warranted.
void DisplayErrorCounters(TCANViewState& s, const TDeviceStatus& status);

// Empties the store and sizes it for the current mode: 1000 entries in fixed
// mode (it grows), CyclicBufferSize (clamped to 1000..1000000) in cyclic mode.
// Returns false when the cyclic ring could not be allocated at that size and
// the smallest ring is used instead.
bool SetCANViewBufferSize(TCANViewState& s, const TDisplaySettings& settings);

// ---- Commands ----------------------------------------------------------------------
// The store's part of the Clear, Fixed and Cyclic commands and of a start.
// The window then updates its list (CANViewList offers all of it).

// Returns true when the list must be emptied at once (the adapter is stopped);
// while running the list follows at the next refresh.
bool CANViewClear(TCANViewState& s, bool running);

// Switch modes; false (nothing done) when the mode is already active.
bool CANViewSelectFixed(TCANViewState& s, const TDisplaySettings& settings);
bool CANViewSelectCyclic(TCANViewState& s, const TDisplaySettings& settings);

// The store's reset at every start of the adapter.
void ResetCANViewForStart(TCANViewState& s);

}  // namespace tarvo
