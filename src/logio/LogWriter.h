#pragma once
// Writing a log in any format the library knows. A writer keeps each
// message's time to its format's resolution (rounded once, here) and keeps
// channels, error frames and CAN FD frames where the format can hold them;
// what it cannot hold is counted by kind in its report.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "logio/ByteSink.h"
#include "logio/LogMessage.h"
#include "logio/LogReport.h"

namespace tarvo {

struct TLogWriteOptions {
  // What the reader knows of the log being written out: its zero, base,
  // channel names and date.
  TLogInfo Source;
  // Identifiers and data in hexadecimal (Tarvo formats, ASC); none: as the
  // source, hexadecimal when it has no base.
  std::optional<bool> Hexadecimal;
  // The output's file name, for the Tarvo header line.
  std::string FileName;
  // Today, as nanoseconds since 1970, for a log whose start is unknown.
  int64_t NowEpochNs = 0;
};

class TLogWriter {
 public:
  TLogWriter(TByteSink& sink, const TLogWriteOptions& options) : sink_(sink), options_(options) {}
  virtual ~TLogWriter() = default;
  // Writes m, or counts it as left out where the format cannot hold it.
  virtual void Write(const TLogMessage& m) = 0;
  // Ends the log (a header when nothing was written, a last container,
  // the counts of a binary header). The sink is finished by the caller.
  virtual void Finish() = 0;
  const TLogWriteReport& Report() const { return report_; }
  // The start of the log was not known and today was written instead.
  bool StartUnknown() const { return startUnknown_; }
  // Channel names the reader learnt after the writer was made (a candump
  // log names each channel where it first appears).
  void LearnChannelNames(const std::vector<std::string>& names) {
    if (names.size() != options_.Source.ChannelNames.size()) options_.Source.ChannelNames = names;
  }

 protected:
  // The output's zero, decided at the first message: the source's own zero
  // when its times are relative; for a log of epoch times (candump), the
  // first message's second, so the header's date says it exactly.
  void DecideZero(const TLogMessage* first);
  bool ZeroDecided() const { return zeroDecided_; }
  // m's time from the output's zero.
  int64_t RelativeTime(const TLogMessage& m) const { return m.Time - shift_; }
  // The moment of the output's zero since 1970 in nanoseconds; today when
  // the source does not say (StartUnknown()).
  int64_t StartEpochNs() const { return startEpochNs_; }
  // A channel's name where the source names it, else "can" and its number
  // from 0.
  std::string ChannelName(uint16_t channel) const;

  TByteSink& sink_;
  TLogWriteOptions options_;
  TLogWriteReport report_;

 private:
  bool zeroDecided_ = false, startUnknown_ = false;
  int64_t shift_ = 0, startEpochNs_ = 0;
};

// The writer of a format, or null for LOG_FORMAT_UNKNOWN.
std::unique_ptr<TLogWriter> MakeLogWriter(TLogFormat format, TByteSink& sink, const TLogWriteOptions& options);

// A time in a unit of 10^unitDigits nanoseconds (9: seconds, 6:
// milliseconds) with the given decimals (at most unitDigits), rounded to the
// nearest with halves to even; returns the end of the text. A negative time
// gets its "-". out must hold 32 characters.
char* WriteTimeIn(char* out, int64_t ns, int unitDigits, int decimals);
// Reads such a time ("1436509052.249713", "-0.5", "1841.3") as nanoseconds
// exactly: digits are read as integers, never through a floating-point
// number. Digits finer than a nanosecond, an empty part around the point,
// or a time beyond 64 bits of nanoseconds are refused.
bool ReadTimeIn(std::string_view text, int unitDigits, int64_t& ns);

inline char* WriteSeconds(char* out, int64_t ns, int decimals) { return WriteTimeIn(out, ns, 9, decimals); }
inline bool ReadSeconds(std::string_view text, int64_t& ns) { return ReadTimeIn(text, 9, ns); }

}  // namespace tarvo
