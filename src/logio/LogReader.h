#pragma once
// Reading a log of any format the library knows, as a stream of messages.
// As in a capture library, each format looks at the first bytes and says
// whether the file is its own, so the format comes from the content and the
// file's name is only a hint. Readers stream: memory stays flat whatever
// the log's length, and there is no ceiling on the number of messages.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "logio/ByteSource.h"
#include "logio/LogMessage.h"
#include "logio/LogReport.h"

namespace tarvo {

class TLogReader {
 public:
  virtual ~TLogReader() = default;
  // The next message in file order; false at the end, or when reading
  // cannot go on (Error() then says why).
  virtual bool Next(TLogMessage& m) = 0;
  const TLogInfo& Info() const { return info_; }
  const TLogReadReport& Report() const { return report_; }
  const std::string& Error() const { return error_; }
  // How far reading has come: bytes read of the file's size (0 where the
  // size is not known, as for standard input).
  uint64_t BytesRead() const { return progress_ ? progress_->Offset() : 0; }
  uint64_t TotalBytes() const { return progress_ ? progress_->Size() : 0; }
  // The source the reader owns, for BytesRead (set where the reader is made).
  void WatchProgressOf(const TByteSource* source) { progress_ = source; }

 protected:
  // Every message handed out passes here: it is counted, and a time earlier
  // than the one before is kept as written and counted.
  void Counted(const TLogMessage& m) {
    ++report_.Messages;
    if (hasLast_ && m.Time < lastTime_) ++report_.Backwards;
    lastTime_ = m.Time;
    hasLast_ = true;
  }

  TLogInfo info_;
  TLogReadReport report_;
  std::string error_;

 private:
  int64_t lastTime_ = 0;
  bool hasLast_ = false;
  const TByteSource* progress_ = nullptr;
};

// The format of a log from its first bytes; the name's extension decides
// only where the content is not clear (an empty file).
TLogFormat ProbeLogFormat(std::string_view head, const std::string& name);

// A reader over a source; the format given, or told from the content.
// Null with the reason in error when the format cannot be told.
std::unique_ptr<TLogReader> MakeLogReader(std::unique_ptr<TByteSource> source, TLogFormat format,
                                          std::string& error);

// Opens a file ("-": standard input) and makes its reader.
std::unique_ptr<TLogReader> OpenLogReader(const std::string& path, std::optional<TLogFormat> format,
                                          std::string& error);

// "txt", "csv", "asc", "candump" (also "log"), "blf", "trc", either case.
std::optional<TLogFormat> LogFormatFromText(std::string_view text);
const char* LogFormatName(TLogFormat format);
// The format a file's extension names; unknown for others.
TLogFormat LogFormatFromName(const std::string& path);

}  // namespace tarvo
