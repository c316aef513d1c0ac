#pragma once
// The logging record TLog and its enumerations: one instance, owned by the
// application object, serves recording and replay alike. The option fields
// (FileName, DIR, FileType, FileOverwrite, RecordMessageTypes,
// ReplayTypeFlag, ReplayMessageTypes) are what the Log Options dialog, the
// settings file and the configuration files read and write.
//
// Threads: the GUI thread owns the record. A writer or replay thread reads
// what nothing changes while it runs, and the fields marked "shared" are
// atomic because one thread writes them while the other reads.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "common/TarvoCAN.h"
#include "logging/LogBuffer.h"
#include "logging/LogFile.h"

namespace tarvo {

enum TLogState : uint8_t {
  NO_LOG = 0,
  RECORD_LOG = 1,
  REPLAY_LOG_RUNNING = 2,
  REPLAY_LOG_SINGLE_STEP = 3,
  REPLAY_LOG_PAUSED = 4,
};

enum TLogFileType : uint8_t {
  TXT_FILE = 0,
  CSV_FILE = 1,
  ASC_FILE = 2,
};

enum TLogFileOverwriteType : uint8_t {
  PROMPT_OVERWRITE = 0,
  NO_PROMPT_OVERWRITE = 1,
  RENAME_OVERWRITE = 2,
};

// Indices of RecordMessageTypes: which events a recording takes.
enum TRecordType : int {
  RECORD_RX = 0,
  RECORD_TX = 1,
  RECORD_ERRORS = 2,  // error frames and bus-state changes
  RECORD_ERROR_COUNTERS = 3,
  RECORD_BUS_LOAD = 4,
};
inline constexpr int RecordTypeCount = 5;

// Indices of ReplayMessageTypes.
enum TReplayType : int {
  REPLAY_RX = 0,
  REPLAY_TX = 1,
};
inline constexpr int ReplayTypeCount = 2;

// A recording stops at the hand-over that reaches this many lines; a replay
// holds at most this many messages.
inline constexpr int32_t MaxLogMessages = 2000000;

// Seconds of running between two buffer hand-overs.
inline constexpr int32_t LogHandOverSeconds = 5;

class TLogThread;

struct TLog {
  TLogState State = NO_LOG;
  std::atomic<bool> RecordRunningFlag{false};  // a recording is open, its header written
  std::atomic<bool> ReplayRunningFlag{false};  // a replay is active
  bool HPTimerSupportedFlag = false;           // the high-resolution counter is available
  int64_t HPTimeCountsPerSecond = 0;

  std::string FileName;  // without directory, with extension
  std::string DIR;       // always ends in the directory separator
  TLogFileType FileType = TXT_FILE;
  TLogFile FileHandle;                     // the open log file
  std::atomic<bool> FileOpenFlag{false};   // shared: FileHandle is open
  bool FileLoadedFlag = false;             // ReplayBuffer holds the parse of the current file
  TLogFileOverwriteType FileOverwrite = PROMPT_OVERWRITE;
  int32_t FileTimer = 0;  // once-a-second hand-over calls since the last hand-over, 0..5

  std::array<bool, RecordTypeCount> RecordMessageTypes{true, true, true, false, false};
  std::atomic<bool> ReplayTypeFlag{false};  // shared: false single pass, true continuous
  std::array<bool, ReplayTypeCount> ReplayMessageTypes{true, false};

  // Recording: lines handed to the writer so far. Replay: messages in
  // ReplayBuffer.
  std::atomic<int32_t> NoOfMessages{0};
  std::atomic<int32_t> BufferNo{0};  // shared: the buffer the GUI thread appends to
  // The two line buffers; they exist only while a recording runs.
  std::array<std::unique_ptr<TLogBuffer>, 2> Buffer;

  std::atomic<int32_t> MessageNo{0};         // replay: next message to send
  std::atomic<int32_t> DisplayMessageNo{0};  // replay: next message to show
  // Replay schedule: the message that started it (its time stamp) and the
  // high-resolution count it was due at; every later message of the pass is
  // due at its own offset from it. Written by the replay thread, read by the
  // tick to tell how far the replay is behind.
  std::atomic<uint32_t> ReplayScheduleBase{0};
  std::atomic<int64_t> ReplayScheduleStart{0};
  std::atomic<int64_t> ReplayMaxLagCounts{0};  // largest lag of the pass, in counts
  // Of the parse: messages the minimum gap moved later, and the recorded
  // span of the log in ticks.
  int32_t ReplaySpacedOut = 0;
  uint32_t ReplayRecordedSpan = 0;
  // MaxLogMessages entries, allocated by the first parse and kept after it;
  // null until then, so a program that never replays does not carry it.
  std::unique_ptr<TTarvoCAN[]> ReplayBuffer;

  std::unique_ptr<TLogThread> Thread;         // the current writer or replay thread
  std::atomic<bool> ThreadRunningFlag{false}; // a writer or replay thread is running

  std::string TarvoDescription;  // adapter description with versions, for the footer
  int32_t NumericBase = 1;       // 0 decimal, 1 hexadecimal; fixed for a whole file
  char TarvoStatusCode = ' ';    // status marker of message lines: ' ' or '!'

  // Status-bar log indicator: the frame shown and the range it cycles through.
  int32_t ImageIndex = 0;
  int32_t StartImageIndex = 0;
  int32_t EndImageIndex = 0;

  TLog();
  ~TLog();
  TLog(const TLog&) = delete;
  TLog& operator=(const TLog&) = delete;

  // Allocates ReplayBuffer if it is not there yet.
  TTarvoCAN* EnsureReplayBuffer();
};

}  // namespace tarvo
