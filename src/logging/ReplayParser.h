#pragma once
// Reads a Tarvo log file (TXT, CSV or ASC) back into CAN messages for a
// replay: header checks, the message lines of the chosen directions, their
// times in adapter ticks, and the smallest spacing the bus allows.
//
// The reader is pure: bytes or lines in, messages and a verdict out. The
// program's replay, the log tool and the fuzz target all run this one reader.
// It allocates nothing per line; the caller hands it the message array.
//
// Worked lines (fields after splitting, what they give):
//
//   TXT  |RD11 !1.2500       123        01   41   FF  |
//        first 68 characters, split at spaces: RD11 !1.2500 123 01 41 FF;
//        data frame ("D" second), 11-bit ("11" third), DLC = 6 - 3 = 3,
//        time 1.25 s after the "!" marker = 48828 ticks (48828.125 rounded)
//   CSV  |RR29,1.2500,12345,?,?|
//        remote frame, 29-bit, DLC = 2 (two non-empty fields from the fourth),
//        no data read for a remote frame
//   ASC  |   1.250000 1  12345x          Rx   r 8|
//        time, channel, identifier ("x": 29-bit), direction, "r" remote, DLC 8
//
// Field splitting: a separator ("," or space) ends a field; any run of spaces
// and control characters also separates fields and never belongs to one
// (leading runs are skipped); with "," two adjacent separators give an empty
// field, and a "," that ends the line a final empty field; a field that
// starts with a double quote runs to the matching quote (two quotes inside
// stand for one).
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/TarvoCAN.h"
#include "logging/LogTypes.h"

namespace tarvo {


// Direction of a parsed message line.
inline constexpr uint8_t REPLAY_DIRECTION_RX = 0;
inline constexpr uint8_t REPLAY_DIRECTION_TX = 1;

struct TReplayParseOptions {
  TLogFileType FileType = TXT_FILE;
  bool ReplayRx = true;         // lines of received messages are taken
  bool ReplayTx = false;        // lines of transmitted messages are taken
  uint32_t MinimumGap = 0;      // smallest time-stamp step, adapter ticks
};

enum TReplayParseStatus : uint8_t {
  PARSE_VALID = 0,
  PARSE_FORMAT_INVALID = 1,  // a header check or a message line failed: "Log file format invalid."
  PARSE_ERROR = 2,           // a number that cannot be converted: "Log file error!"
  PARSE_IO_ERROR = 3,        // the file could not be opened or read: "Log file I/O error!"
};

struct TReplayParseResult {
  TReplayParseStatus Status = PARSE_VALID;
  int32_t NoOfMessages = 0;  // messages stored, also those before a failure
  int32_t NumericBase = 1;   // from the header: 0 decimal, 1 hexadecimal
  uint64_t LineNo = 0;       // the line that failed (1 = first line of the file), else 0
  const char* Reason = "";   // what was wrong with that line, for the log tool
  // Messages the minimum gap moved later than their recorded times, and the
  // recorded span from the first message to the last, in ticks: together
  // they tell how much longer than its log the replay will take.
  int32_t SpacedOut = 0;
  uint32_t RecordedSpan = 0;
  // Lines after the header that are not messages of the chosen directions:
  // status, bus events, error frames and counters, bus load, the other
  // direction. The replay skips them; the log tool says how many it left out.
  uint64_t LeftOut = 0;
  // The header line with the recording's date: ASC's "date ..." line, or
  // TXT's and CSV's "name - time date - base" line.
  std::string DateLine;
};

// The reader as a state machine over lines, for files read in pieces.
class TReplayLogParser {
 public:
  // messages: where the parsed messages go (at most MaxLogMessages are
  // used); directions: optional, one REPLAY_DIRECTION_* per message.
  TReplayLogParser(const TReplayParseOptions& options, std::span<TTarvoCAN> messages,
                   std::span<uint8_t> directions = {});

  // One line without its line end (a trailing CR is ignored). Returns false
  // once the parse has ended: a failure, an empty line, a line of ten "~",
  // or a full buffer. Further lines are then ignored.
  bool Line(std::string_view line);

  // The end of the file.
  TReplayParseResult Finish();

  bool Ended() const { return ended_; }

 private:
  bool HeaderLine(std::string_view line);
  void MessageLine(std::string_view line);
  bool Fail(TReplayParseStatus status, const char* reason);

  TReplayParseOptions options_;
  std::span<TTarvoCAN> messages_;
  std::span<uint8_t> directions_;
  TReplayParseResult result_;
  uint64_t lineNo_ = 0;
  uint32_t firstRecorded_ = 0;  // the first message's time as recorded
  bool ended_ = false;
  std::string scratch_;  // unquoted fields that held doubled quotes
};

// The whole file's bytes at once.
TReplayParseResult ParseReplayLog(std::string_view bytes, const TReplayParseOptions& options,
                                  std::span<TTarvoCAN> messages, std::span<uint8_t> directions = {});

// The longest line a log may have, for every reader of logs.
inline constexpr size_t MaxLogLineBytes = size_t(64) << 20;

// The file read in pieces of a megabyte; a line may be up to 64 MiB long
// (a longer one is a PARSE_ERROR). PARSE_IO_ERROR when it cannot be opened or read.
TReplayParseResult ParseReplayLogFile(const std::string& path, const TReplayParseOptions& options,
                                      std::span<TTarvoCAN> messages, std::span<uint8_t> directions = {});

// Seconds as written in a log ("1.2500", "1e-3") to adapter ticks, nearest
// with halves to even. 0 valid, 1 not a time text, 2 outside 0 .. 2^32 - 1 ticks.
int TimeTextToTicks(std::string_view text, uint32_t& ticks);

// The message of a log that cannot be replayed: the described text of its
// kind of failure, then the reader's reason and the line it found it on.
std::string ReplayFailureText(const TReplayParseResult& result);

}  // namespace tarvo
