#include "logio/LogReader.h"

#include <cctype>

#include "logio/LogFileNames.h"
#include "logio/LogFormats.h"

namespace tarvo {

TLogFormat ProbeLogFormat(std::string_view head, const std::string& name) {
  // Binary formats first: their magic bytes are unambiguous.
  if (IsBlfLog(head)) return LOG_FORMAT_BLF;
  TLogFormat tarvo = LOG_FORMAT_UNKNOWN;
  if (IsTarvoLog(head, tarvo)) return tarvo;
  if (IsTrcLog(head)) return LOG_FORMAT_TRC;
  if (IsAscLog(head)) return LOG_FORMAT_ASC;
  if (IsCandumpLog(head)) return LOG_FORMAT_CANDUMP;
  return LogFormatFromName(name);
}

std::unique_ptr<TLogReader> MakeLogReader(std::unique_ptr<TByteSource> source, TLogFormat format,
                                          std::string& error) {
  if (format == LOG_FORMAT_UNKNOWN) format = ProbeLogFormat(source->Head(), source->Path());
  const TByteSource* watched = source.get();  // owned by the reader from here on
  std::unique_ptr<TLogReader> reader;
  switch (format) {
    case LOG_FORMAT_TXT:
    case LOG_FORMAT_CSV: reader = MakeTarvoReader(std::move(source), format); break;
    case LOG_FORMAT_ASC: reader = MakeAscReader(std::move(source)); break;
    case LOG_FORMAT_CANDUMP: reader = MakeCandumpReader(std::move(source)); break;
    case LOG_FORMAT_BLF: reader = MakeBlfReader(std::move(source)); break;
    case LOG_FORMAT_TRC: reader = MakeTrcReader(std::move(source)); break;
    default:
      error = "its format cannot be told from its content or its name";
      return nullptr;
  }
  if (reader) reader->WatchProgressOf(watched);
  return reader;
}

std::unique_ptr<TLogReader> OpenLogReader(const std::string& path, std::optional<TLogFormat> format,
                                          std::string& error) {
  auto source = std::make_unique<TByteSource>();
  if (!source->Open(path, error)) return nullptr;
  return MakeLogReader(std::move(source), format.value_or(LOG_FORMAT_UNKNOWN), error);
}

std::optional<TLogFormat> LogFormatFromText(std::string_view text) {
  std::string t(text);
  for (char& c : t) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (t == "txt") return LOG_FORMAT_TXT;
  if (t == "csv") return LOG_FORMAT_CSV;
  if (t == "asc") return LOG_FORMAT_ASC;
  if (t == "candump" || t == "log") return LOG_FORMAT_CANDUMP;
  if (t == "blf") return LOG_FORMAT_BLF;
  if (t == "trc") return LOG_FORMAT_TRC;
  return std::nullopt;
}

const char* LogFormatName(TLogFormat format) {
  switch (format) {
    case LOG_FORMAT_TXT: return "Tarvo TXT";
    case LOG_FORMAT_CSV: return "Tarvo CSV";
    case LOG_FORMAT_ASC: return "ASC";
    case LOG_FORMAT_CANDUMP: return "candump";
    case LOG_FORMAT_BLF: return "BLF";
    case LOG_FORMAT_TRC: return "TRC";
    default: return "unknown";
  }
}

TLogFormat LogFormatFromName(const std::string& path) {
  return LogFormatFromText(FileExtension(path)).value_or(LOG_FORMAT_UNKNOWN);
}

}  // namespace tarvo
