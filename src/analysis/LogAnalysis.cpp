#include "analysis/LogAnalysis.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>

#include "common/ReplacingFile.h"
#include "logging/LogTypes.h"
#include "logging/ReplayParser.h"
#include "logging/tool/ForeignLogs.h"
#include "logging/tool/LogFileNames.h"

namespace tarvo {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

uint64_t Key(const TTarvoCAN& m) { return (uint64_t(m.IDE) << 32) | m.ID; }

}  // namespace

bool TLogAnalysis::Open(const std::string& path, std::string& error) {
  messages_.clear();
  rows_.clear();
  filtered_ = false;
  leftOut_ = 0;
  path_ = path;
  if (ExistsButIsNotARegularFile(path)) {
    error = "it is not a regular file";
    return false;
  }
  const std::string ext = FileExtension(path);
  bool ok = false;
  if (ext == "log") {
    ok = ReadForeignLog(path, true, error);
  } else if (ext == "txt" || ext == "csv" || ext == "asc") {
    ok = ReadTarvoLog(path, error);
    // An ASC file of another writer has another header.
    if (!ok && ext == "asc") ok = ReadForeignLog(path, false, error);
  } else {
    error = "the format cannot be told from the name (.txt, .csv, .asc or .log)";
  }
  if (ok) WorkOutDeltas();
  return ok;
}

bool TLogAnalysis::ReadTarvoLog(const std::string& path, std::string& error) {
  TReplayParseOptions options;
  const std::string ext = FileExtension(path);
  options.FileType = ext == "csv" ? CSV_FILE : ext == "asc" ? ASC_FILE : TXT_FILE;
  options.ReplayRx = options.ReplayTx = true;
  options.MinimumGap = 0;
  auto frames = std::make_unique<TTarvoCAN[]>(MaxMessages);
  auto directions = std::make_unique<uint8_t[]>(MaxMessages);
  const TReplayParseResult r = ParseReplayLogFile(path, options, std::span(frames.get(), MaxMessages),
                                                  std::span(directions.get(), MaxMessages));
  if (r.Status != PARSE_VALID) {
    error = ReplayFailureText(r);
    for (size_t at; (at = error.find("\r\n\r\n")) != std::string::npos;) error.replace(at, 4, " ");
    return false;
  }
  messages_.resize(size_t(r.NoOfMessages));
  const uint32_t first = r.NoOfMessages > 0 ? frames[0].TimeStamp : 0;
  for (int32_t i = 0; i < r.NoOfMessages; ++i) {
    TAnalysisMessage& m = messages_[size_t(i)];
    m.Frame = frames[size_t(i)];
    m.Time = double(frames[size_t(i)].TimeStamp - first) / 39062.5;
    m.Direction = directions[size_t(i)];
  }
  return true;
}

bool TLogAnalysis::ReadForeignLog(const std::string& path, bool candump, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "the file cannot be opened";
    return false;
  }
  TForeignAscReader asc;
  TForeignMessage fm;
  std::optional<int64_t> first;
  uint64_t invalid = 0;
  const auto handle = [&](std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const TForeignLine kind = candump ? ReadCandumpLine(line, fm) : asc.Line(line, fm);
    if (kind == FOREIGN_INVALID) ++invalid;
    if (kind != FOREIGN_MESSAGE) return;
    if (messages_.size() >= MaxMessages) {
      ++leftOut_;
      return;
    }
    if (!first) first = fm.Microseconds;
    TAnalysisMessage m;
    m.Frame = fm.Message;
    m.Time = double(fm.Microseconds - *first) * 1e-6;
    m.Direction = fm.Direction;
    messages_.push_back(m);
  };
  // Read in pieces, so that a file without line ends (a binary file named
  // .log) is refused at 64 MiB rather than read whole into memory.
  std::vector<char> chunk(1 << 20);
  std::string partial;
  while (in) {
    in.read(chunk.data(), std::streamsize(chunk.size()));
    std::string_view data(chunk.data(), size_t(in.gcount()));
    for (size_t nl; (nl = data.find('\n')) != std::string_view::npos; data.remove_prefix(nl + 1)) {
      if (partial.empty()) {
        handle(data.substr(0, nl));
      } else {
        partial.append(data.substr(0, nl));
        handle(partial);
        partial.clear();
      }
    }
    if (partial.size() + data.size() > MaxLogLineBytes) {
      error = "a line is longer than 64 MiB";
      return false;
    }
    partial.append(data);
  }
  if (!partial.empty()) handle(partial);
  if (messages_.empty() && invalid > 0) {
    error = "no line of it is a CAN message this program reads";
    return false;
  }
  return true;
}

void TLogAnalysis::WorkOutDeltas() {
  std::unordered_map<uint64_t, double> last;
  for (TAnalysisMessage& m : messages_) {
    const auto [it, added] = last.try_emplace(Key(m.Frame), m.Time);
    m.Delta = added ? -1.0f : float(m.Time - it->second);
    it->second = m.Time;
  }
}

std::string TLogAnalysis::DataText(const TTarvoCAN& m) const {
  if (m.RTR) return "remote";
  std::string text;
  char b[4];
  for (int i = 0; i < std::min<int>(m.DLC, 8); ++i) {
    std::snprintf(b, sizeof b, i ? " %02X" : "%02X", m.Data[i]);
    text += b;
  }
  return text;
}

std::string TLogAnalysis::Cell(size_t row, TAnalysisColumn column, const TDbcDatabase* database) const {
  const TAnalysisMessage& m = messages_[MessageOfRow(row)];
  char text[32];
  switch (column) {
    case ANALYSIS_TIME: std::snprintf(text, sizeof text, "%.6f", m.Time); return text;
    case ANALYSIS_DELTA:
      if (m.Delta < 0) return {};
      std::snprintf(text, sizeof text, "%.6f", double(m.Delta));
      return text;
    case ANALYSIS_DIRECTION: return m.Direction ? "Tx" : "Rx";
    case ANALYSIS_ID: std::snprintf(text, sizeof text, m.Frame.IDE ? "%08Xx" : "%03X", m.Frame.ID); return text;
    case ANALYSIS_NAME: {
      const TDbcMessage* message = database ? database->Find(m.Frame.IDE, m.Frame.ID) : nullptr;
      return message ? message->Name : std::string();
    }
    case ANALYSIS_DLC: return std::to_string(m.Frame.DLC);
    case ANALYSIS_DATA: return DataText(m.Frame);
    default: return {};
  }
}

void TLogAnalysis::SetFilter(const TAnalysisFilter& f, const TDbcDatabase* database) {
  filtered_ = !f.Empty();
  rows_.clear();
  if (!filtered_) return;
  std::vector<uint64_t> ids;
  std::string token;
  for (size_t i = 0; i <= f.Ids.size(); ++i) {
    const char c = i < f.Ids.size() ? f.Ids[i] : ' ';
    if (c == ' ' || c == ',' || c == ';') {
      if (!token.empty()) {
        const bool extended = token.size() > 3 || token.back() == 'x' || token.back() == 'X';
        if (token.back() == 'x' || token.back() == 'X') token.pop_back();
        ids.push_back((uint64_t(extended) << 32) | std::strtoul(token.c_str(), nullptr, 16));
      }
      token.clear();
    } else {
      token += c;
    }
  }
  const std::string name = Lower(f.Name);
  const std::string data = Lower(f.Data);
  for (size_t i = 0; i < messages_.size(); ++i) {
    const TAnalysisMessage& m = messages_[i];
    if (f.Direction >= 0 && m.Direction != f.Direction) continue;
    if (!ids.empty() && std::find(ids.begin(), ids.end(), Key(m.Frame)) == ids.end()) continue;
    if (!name.empty()) {
      const TDbcMessage* message = database ? database->Find(m.Frame.IDE, m.Frame.ID) : nullptr;
      if (!message || Lower(message->Name).find(name) == std::string::npos) continue;
    }
    if (!data.empty() && Lower(DataText(m.Frame)).find(data) == std::string::npos) continue;
    rows_.push_back(uint32_t(i));
  }
}

long TLogAnalysis::Find(const std::string& text, long from, bool forward, const TDbcDatabase* database) const {
  const long n = long(RowCount());
  if (n == 0 || text.empty()) return -1;
  const std::string needle = Lower(text);
  for (long step = 1; step <= n; ++step) {
    const long row = ((forward ? from + step : from - step) % n + n) % n;
    for (TAnalysisColumn c : {ANALYSIS_ID, ANALYSIS_NAME, ANALYSIS_DATA})
      if (Lower(Cell(size_t(row), c, database)).find(needle) != std::string::npos) return row;
  }
  return -1;
}

long TLogAnalysis::RowAtTime(double t) const {
  long low = 0, high = long(RowCount());
  while (low < high) {
    const long mid = low + (high - low) / 2;
    if (messages_[MessageOfRow(size_t(mid))].Time < t) low = mid + 1;
    else high = mid;
  }
  return RowCount() == 0 ? -1 : std::min(low, long(RowCount()) - 1);
}

std::vector<TIdStatistics> TLogAnalysis::Statistics() const {
  struct TSums {
    TIdStatistics S;
    double Sum = 0, SumSquares = 0;
    uint64_t Periods = 0;
  };
  std::map<uint64_t, TSums> byId;
  for (const TAnalysisMessage& m : messages_) {
    TSums& s = byId[Key(m.Frame)];
    s.S.IDE = m.Frame.IDE;
    s.S.ID = m.Frame.ID;
    ++s.S.Count;
    if (m.Delta < 0) continue;
    const double d = m.Delta;
    s.S.MinPeriod = s.Periods ? std::min(s.S.MinPeriod, d) : d;
    s.S.MaxPeriod = s.Periods ? std::max(s.S.MaxPeriod, d) : d;
    s.Sum += d;
    s.SumSquares += d * d;
    ++s.Periods;
  }
  std::vector<TIdStatistics> out;
  for (auto& [key, s] : byId) {
    if (s.Periods) {
      s.S.MeanPeriod = s.Sum / double(s.Periods);
      s.S.Jitter = std::sqrt(std::max(0.0, s.SumSquares / double(s.Periods) - s.S.MeanPeriod * s.S.MeanPeriod));
    }
    out.push_back(s.S);
  }
  return out;
}

}  // namespace tarvo
