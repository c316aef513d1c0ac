#pragma once
// What a reader could not use and what a writer left out, counted by reason,
// so that nothing is dropped in silence: the commands print it on standard
// error and the analysis window in its status line.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvo {

// Lines or objects a reader did not turn into messages.
enum TLogSkip : uint8_t {
  SKIP_NOT_UNDERSTOOD = 0,  // a line that is no message, header or comment of the format
  SKIP_IDENTIFIER,          // an identifier beyond 11 or 29 bits
  SKIP_DATA,                // data that do not match the length, or bytes that are not bytes
  SKIP_TIME,                // a time that cannot be read or is out of range
  SKIP_TOO_LONG,            // a line longer than the bound
  SKIP_STATUS,              // Tarvo's status, error-counter, bus-load and message-missing lines
  SKIP_OTHER_EVENT,         // events of other tools that are no frames (statistics, text, triggers)
  SKIP_OTHER_OBJECT,        // binary objects of kinds that hold no CAN frame
  SKIP_DAMAGED,             // a damaged or cut-off binary object or container
  SKIP_REASONS
};

const char* LogSkipText(TLogSkip reason);
// A skip that points at a damaged file, not at a line of another kind.
bool LogSkipIsDamage(TLogSkip reason);

struct TLogReadReport {
  static constexpr size_t FirstNamed = 5;
  struct TPlace {
    uint64_t Where;  // line number for text, byte offset for binary formats
    TLogSkip Reason;
  };

  uint64_t Messages = 0;
  std::array<uint64_t, SKIP_REASONS> Skipped{};
  std::vector<TPlace> First;  // the first few damaged places
  bool Binary = false;        // places are byte offsets
  uint64_t Backwards = 0;     // messages whose time is earlier than the one before

  void Skip(TLogSkip reason, uint64_t where) {
    ++Skipped[reason];
    if (!LogSkipIsDamage(reason) || First.size() >= FirstNamed) return;
    if (!First.empty() && First.back().Where == where && First.back().Reason == reason) return;  // one place once
    First.push_back({where, reason});
  }
  uint64_t SkippedTotal() const;
  uint64_t DamagedTotal() const;
  // One line per reason with its count, then the first places; empty when
  // nothing was skipped and no time went backwards.
  std::vector<std::string> Lines() const;
};

// What a writer could not hold in its format.
enum TLogLeftOut : uint8_t {
  LEFT_OUT_FD = 0,         // CAN FD frames (the format holds classic frames only)
  LEFT_OUT_ERROR_FRAME,    // error frames
  LEFT_OUT_BUS_EVENT,      // bus-state events (active, passive, bus off)
  LEFT_OUT_REMOTE,         // remote frames
  LEFT_OUT_DIRECTION,      // messages of a direction not chosen
  LEFT_OUT_TIME,           // times before the log's zero or beyond what the format holds
  LEFT_OUT_REASONS
};

const char* LogLeftOutText(TLogLeftOut reason);

struct TLogWriteReport {
  uint64_t Written = 0;
  uint64_t BusEvents = 0;  // of Written: error frames and bus-state events
  std::array<uint64_t, LEFT_OUT_REASONS> LeftOut{};
  // Kept, but without something the format cannot say.
  uint64_t ChannelsMerged = 0;  // messages of a second or later channel written without their channel
  uint64_t FdFlagsLost = 0;     // BRS/ESI not written
  uint64_t LeftOutTotal() const;
  std::vector<std::string> Lines() const;
};

}  // namespace tarvo
