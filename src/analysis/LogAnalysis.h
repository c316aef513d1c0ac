#pragma once
// A log opened for analysis, without an adapter: every message of any log
// the log library reads (Tarvo TXT, CSV and ASC, candump, ASC of other
// tools, BLF, TRC), kept in a compact index with its time as written, the
// time since the previous message of the same identifier, channel and
// direction; filters, search, going to a time and the statistics of each
// identifier. Rows are formatted on demand, as the CAN View formats its
// rows, and there is no ceiling on the number of messages but memory.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/TarvoCAN.h"
#include "dbc/DbcDatabase.h"
#include "logio/LogMessage.h"
#include "logio/LogReader.h"
#include "logio/LogReport.h"

namespace tarvo {

// One message of the index: 32 bytes. CAN FD data beyond eight bytes live
// in a store of their own, and Data then holds where.
struct TAnalysisMessage {
  int64_t Time = 0;      // nanoseconds from the log's zero, as written
  uint32_t ID = 0;
  float Delta = -1;      // seconds since the previous message of its identifier; -1 for the first
  uint16_t Flags = 0;    // TLogMessageFlag
  uint16_t Channel = 1;
  uint8_t DLC = 0;
  uint8_t Length = 0;    // data bytes
  uint8_t Event = LOG_FRAME;
  uint8_t Data[8] = {};

  bool Tx() const { return Flags & LOG_TX; }
  bool Remote() const { return Flags & LOG_REMOTE; }
  bool Extended() const { return Flags & LOG_EXTENDED; }
};
static_assert(sizeof(TAnalysisMessage) <= 32);

struct TAnalysisFilter {
  std::string Ids;       // identifiers in hexadecimal, separated by spaces or commas; empty: all
  std::string Name;      // part of the database name; empty: all
  int Direction = -1;    // -1 both, 0 received, 1 sent
  std::string Data;      // part of the data as shown ("12 34"); empty: all
  int Channel = 0;       // 0 all, else the channel number
  bool Empty() const { return Ids.empty() && Name.empty() && Direction < 0 && Data.empty() && Channel <= 0; }
};

// One identifier on one channel; its remote frames are counted apart from
// its data frames (a request and its answer have no common period).
struct TIdStatistics {
  uint8_t IDE = 0;
  uint32_t ID = 0;
  uint16_t Channel = 1;
  bool Remote = false;
  uint64_t Count = 0;
  double MeanPeriod = 0, MinPeriod = 0, MaxPeriod = 0;  // seconds; 0 with fewer than two messages
  double Jitter = 0;  // standard deviation of the period, seconds
};

enum TAnalysisColumn {
  ANALYSIS_TIME,
  ANALYSIS_DELTA,
  ANALYSIS_CHANNEL,
  ANALYSIS_DIRECTION,
  ANALYSIS_TYPE,
  ANALYSIS_ID,
  ANALYSIS_NAME,
  ANALYSIS_DLC,
  ANALYSIS_DATA,
  ANALYSIS_COUNT
};

class TLogAnalysis {
 public:
  // Reads the whole file; false with the reason in error.
  bool Open(const std::string& path, std::string& error);
  // The same in pieces, so a window shows the first rows at once and stays
  // responsive while the rest is indexed: Start opens the file, each ReadFor
  // reads for about the time given and says whether more is to come.
  // Messages only ever join at the end; a filter set meanwhile takes them in.
  bool Start(const std::string& path, std::string& error);
  bool ReadFor(std::chrono::steady_clock::duration budget);
  bool Complete() const { return complete_; }
  // The part of the file read, 0 to 1 (0 while unknown, as for a pipe).
  double Progress() const;
  // Why reading ended before the end (a read error, nothing readable); empty
  // while all is well.
  const std::string& Error() const { return error_; }
  const std::string& Path() const { return path_; }
  // What the reader could not use, a line per reason (empty: everything was read).
  const std::vector<std::string>& ReadNotes() const { return notes_; }
  TLogFormat Format() const { return format_; }

  size_t MessageCount() const { return messages_.size(); }
  const TAnalysisMessage& Message(size_t i) const { return messages_[i]; }
  // The data bytes of a message (Length of them).
  const uint8_t* DataOf(const TAnalysisMessage& m) const;
  // Seconds from the log's first message.
  double Seconds(const TAnalysisMessage& m) const { return double(m.Time - firstTime_) * 1e-9; }
  // Times as the file writes them (the default, as "tarvo-log decode" prints
  // them), or from the log's first message; the time column, going to a
  // time and the time a row is found at follow this choice.
  void SetAbsoluteTime(bool absolute) { absoluteTime_ = absolute; }
  bool AbsoluteTime() const { return absoluteTime_; }
  double ShownSeconds(const TAnalysisMessage& m) const;
  // The channels that hold messages, in order; a channel's name where the
  // file names it ("can0"), else its number.
  const std::vector<uint16_t>& Channels() const { return channels_; }
  std::string ChannelName(uint16_t channel) const;
  // "CAN", "FD", "FD BRS", "FD BRS ESI", "remote", "error", "bus state".
  static std::string TypeText(const TAnalysisMessage& m);
  // The frame as the adapter's record holds it (first eight bytes), for the
  // signal descriptions.
  TTarvoCAN Frame(const TAnalysisMessage& m) const;

  // The rows shown: every message, or those the filter lets through.
  void SetFilter(const TAnalysisFilter& filter, const TDbcDatabase* database);
  size_t RowCount() const { return filtered_ ? rows_.size() : messages_.size(); }
  size_t MessageOfRow(size_t row) const { return filtered_ ? rows_[row] : row; }

  std::string Cell(size_t row, TAnalysisColumn column, const TDbcDatabase* database) const;
  // The next row after from (before it when backward), wrapping, whose
  // identifier, name or data text holds text (case ignored); -1: none.
  long Find(const std::string& text, long from, bool forward, const TDbcDatabase* database) const;
  // The first row at or after t seconds (the last row when t is past the end),
  // t in the time shown; RowAtLogSeconds takes t from the log's first message.
  long RowAtTime(double t) const;
  long RowAtLogSeconds(double t) const {
    return RowAtTime(absoluteTime_ ? t + double(firstTime_) * 1e-9 : t);
  }
  // Per identifier, in order of identifier.
  std::vector<TIdStatistics> Statistics() const;

 private:
  void Add(const TLogMessage& m);
  void Indexed(size_t from);
  void ReserveForTheWholeFile();
  void Finish();
  bool Matches(const TAnalysisMessage& m) const;
  std::string DataText(const TAnalysisMessage& m) const;

  std::string path_;
  TLogFormat format_ = LOG_FORMAT_UNKNOWN;
  std::vector<TAnalysisMessage> messages_;
  std::vector<uint8_t> longData_;
  std::vector<size_t> rows_;
  std::vector<std::string> notes_;
  std::vector<std::string> channelNames_;
  std::vector<uint16_t> channels_;
  std::vector<bool> seenChannels_;
  std::unordered_map<uint64_t, int64_t> lastTimes_;  // while indexing: the last time of each stream
  std::unique_ptr<TLogReader> reader_;                // while indexing
  std::string error_;
  bool complete_ = false;
  bool reserved_ = false;
  TAnalysisFilter filter_;                            // names and data in lower case
  std::vector<uint64_t> filterIds_;
  const TDbcDatabase* filterDatabase_ = nullptr;
  int64_t firstTime_ = 0;
  bool absoluteTime_ = true;
  bool filtered_ = false;
};

}  // namespace tarvo
