#pragma once
// A log opened for analysis, without an adapter: every message of any log
// the log tool reads (Tarvo TXT, CSV and ASC, candump .log, ASC of other
// writers), with its time, the time since the previous message of the same
// identifier, and direction; filters, search, going to a time and the
// statistics of each identifier. Rows are formatted on demand, as the CAN
// View formats its rows, so a log of two million messages opens at once.
#include <cstdint>
#include <string>
#include <vector>

#include "common/TarvoCAN.h"
#include "dbc/DbcDatabase.h"

namespace tarvo {

struct TAnalysisMessage {
  TTarvoCAN Frame;       // TimeStamp unused
  double Time = 0;       // seconds from the log's first message
  float Delta = -1;      // seconds since the previous message of its identifier; -1 for the first
  uint8_t Direction = 0; // 0 received, 1 sent
};

struct TAnalysisFilter {
  std::string Ids;       // identifiers in hexadecimal, separated by spaces or commas; empty: all
  std::string Name;      // part of the database name; empty: all
  int Direction = -1;    // -1 both, 0 received, 1 sent
  std::string Data;      // part of the data as shown ("12 34"); empty: all
  bool Empty() const { return Ids.empty() && Name.empty() && Direction < 0 && Data.empty(); }
};

struct TIdStatistics {
  uint8_t IDE = 0;
  uint32_t ID = 0;
  uint64_t Count = 0;
  double MeanPeriod = 0, MinPeriod = 0, MaxPeriod = 0;  // seconds; 0 with fewer than two messages
  double Jitter = 0;  // standard deviation of the period, seconds
};

enum TAnalysisColumn { ANALYSIS_TIME, ANALYSIS_DELTA, ANALYSIS_DIRECTION, ANALYSIS_ID, ANALYSIS_NAME, ANALYSIS_DLC, ANALYSIS_DATA, ANALYSIS_COUNT };

class TLogAnalysis {
 public:
  static constexpr size_t MaxMessages = 2'000'000;

  // Reads the file; false with the reason in error. Messages beyond
  // MaxMessages are counted in LeftOut, not read.
  bool Open(const std::string& path, std::string& error);
  const std::string& Path() const { return path_; }
  uint64_t LeftOut() const { return leftOut_; }

  size_t MessageCount() const { return messages_.size(); }
  const TAnalysisMessage& Message(size_t i) const { return messages_[i]; }

  // The rows shown: every message, or those the filter lets through.
  void SetFilter(const TAnalysisFilter& filter, const TDbcDatabase* database);
  size_t RowCount() const { return filtered_ ? rows_.size() : messages_.size(); }
  size_t MessageOfRow(size_t row) const { return filtered_ ? rows_[row] : row; }

  std::string Cell(size_t row, TAnalysisColumn column, const TDbcDatabase* database) const;
  // The next row after from (before it when backward), wrapping, whose
  // identifier, name or data text holds text (case ignored); -1: none.
  long Find(const std::string& text, long from, bool forward, const TDbcDatabase* database) const;
  // The first row at or after t seconds (the last row when t is past the end).
  long RowAtTime(double t) const;
  // Per identifier, in order of identifier.
  std::vector<TIdStatistics> Statistics() const;

 private:
  bool ReadTarvoLog(const std::string& path, std::string& error);
  bool ReadForeignLog(const std::string& path, bool candump, std::string& error);
  void WorkOutDeltas();
  std::string DataText(const TTarvoCAN& m) const;

  std::string path_;
  std::vector<TAnalysisMessage> messages_;
  std::vector<uint32_t> rows_;
  bool filtered_ = false;
  uint64_t leftOut_ = 0;
};

}  // namespace tarvo
