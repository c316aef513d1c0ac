#include "analysis/LogAnalysis.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <optional>
#include <unordered_map>

#include "logio/LogReader.h"
#include "logio/LogWriter.h"

namespace tarvo {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The identifier as the ID filter names it: 11 or 29 bits and the number.
uint64_t IdKey(const TAnalysisMessage& m) { return (uint64_t(m.Extended() ? 1 : 0) << 32) | m.ID; }

// One stream of messages for periods and statistics: an identifier on one
// channel, remote frames apart from the data frames that answer them.
uint64_t StreamKey(const TAnalysisMessage& m) {
  return IdKey(m) | (uint64_t(m.Remote() ? 1 : 0) << 33) | (uint64_t(m.Channel) << 34);
}

}  // namespace

bool TLogAnalysis::Open(const std::string& path, std::string& error) {
  if (!Start(path, error)) return false;
  while (ReadFor(std::chrono::hours(24))) {
  }
  if (!error_.empty()) error = error_;
  return error_.empty();
}

bool TLogAnalysis::Start(const std::string& path, std::string& error) {
  messages_.clear();
  messages_.shrink_to_fit();
  longData_.clear();
  rows_.clear();
  notes_.clear();
  lastTimes_.clear();
  seenChannels_.clear();
  channels_.clear();
  error_.clear();
  filtered_ = false;
  complete_ = false;
  reserved_ = false;
  path_ = path;
  reader_ = OpenLogReader(path, std::nullopt, error);
  if (!reader_) return false;
  format_ = reader_->Info().Format;
  return true;
}

bool TLogAnalysis::ReadFor(std::chrono::steady_clock::duration budget) {
  if (complete_ || !reader_) return false;
  const auto end = std::chrono::steady_clock::now() + budget;
  const size_t from = messages_.size();
  TLogMessage m;
  bool more = true;
  // The clock is looked at every few thousand messages: it costs more than a message.
  bool outOfMemory = false;
  try {
    while (more) {
      for (int i = 0; i < 4096 && (more = reader_->Next(m)); ++i) Add(m);
      if (!reserved_) ReserveForTheWholeFile();
      if (std::chrono::steady_clock::now() >= end) break;
    }
  } catch (const std::bad_alloc&) {
    // No ceiling but memory: what fits stays shown, and the rest is said.
    outOfMemory = true;
  }
  Indexed(from);
  if (outOfMemory) {
    Finish();
    error_ = "the memory holds only the first " + std::to_string(messages_.size()) + " messages of it";
  } else if (!more) {
    Finish();
  }
  return !complete_;
}

// Once a good part of the file is read, the index takes its room for the
// whole of it in one step: growing by doubling would for a moment hold half
// as much again.
void TLogAnalysis::ReserveForTheWholeFile() {
  constexpr uint64_t Sample = uint64_t(16) << 20;
  if (reserved_ || !reader_ || reader_->TotalBytes() == 0 || reader_->BytesRead() < Sample) return;
  reserved_ = true;
  // The reader holds at most a block of 1 MiB not yet turned into messages.
  const double consumed = double(reader_->BytesRead()) - double(1 << 19);
  const double expected = double(messages_.size()) * double(reader_->TotalBytes()) / consumed;
  const size_t room = size_t(expected * 1.05) + 1024;
  if (room <= messages_.capacity() || room >= messages_.max_size()) return;
  try {
    messages_.reserve(room);
  } catch (const std::bad_alloc&) {
    // Grown as it comes instead; the reading says when memory ends.
  }
}

double TLogAnalysis::Progress() const {
  if (complete_) return 1.0;
  if (!reader_ || reader_->TotalBytes() == 0) return 0.0;
  return std::min(1.0, double(reader_->BytesRead()) / double(reader_->TotalBytes()));
}

// The messages from `from` on joined the index: their periods, channels and
// the rows a filter lets through.
void TLogAnalysis::Indexed(size_t from) {
  if (from == 0 && !messages_.empty()) firstTime_ = messages_.front().Time;
  for (size_t i = from; i < messages_.size(); ++i) {
    TAnalysisMessage& m = messages_[i];
    if (m.Channel >= seenChannels_.size()) seenChannels_.resize(size_t(m.Channel) + 1);
    if (!seenChannels_[m.Channel]) {
      seenChannels_[m.Channel] = true;
      channels_.insert(std::lower_bound(channels_.begin(), channels_.end(), m.Channel), m.Channel);
    }
    if (m.Event != LOG_FRAME || (m.Flags & LOG_ERROR_FRAME)) continue;
    const auto [it, added] = lastTimes_.try_emplace(StreamKey(m), m.Time);
    m.Delta = added ? -1.0f : float(double(m.Time - it->second) * 1e-9);
    it->second = m.Time;
  }
  if (filtered_)
    for (size_t i = from; i < messages_.size(); ++i)
      if (Matches(messages_[i])) rows_.push_back(i);
}

void TLogAnalysis::Finish() {
  complete_ = true;
  channelNames_ = reader_->Info().ChannelNames;
  notes_ = reader_->Report().Lines();
  if (!reader_->Error().empty()) error_ = reader_->Error();
  else if (messages_.empty() && reader_->Report().DamagedTotal() > 0)
    error_ = std::string("no line of it is a CAN message of a ") + LogFormatName(format_) + " log";
  lastTimes_.clear();
  reader_.reset();  // the file is closed once indexed
}

void TLogAnalysis::Add(const TLogMessage& m) {
  TAnalysisMessage a;
  a.Time = m.Time;
  a.ID = m.ID;
  a.Flags = m.Flags;
  a.Channel = m.Channel;
  a.DLC = m.DLC;
  a.Length = m.Length;
  a.Event = m.Event;
  if (m.Length <= 8) {
    std::memcpy(a.Data, m.Data, m.Length);
  } else {
    const uint64_t at = longData_.size();
    longData_.insert(longData_.end(), m.Data, m.Data + m.Length);
    std::memcpy(a.Data, &at, sizeof at);
  }
  messages_.push_back(a);
}

std::string TLogAnalysis::ChannelName(uint16_t channel) const {
  if (channel >= 1 && channel <= channelNames_.size() && !channelNames_[channel - 1].empty())
    return channelNames_[channel - 1];
  return std::to_string(channel);
}

std::string TLogAnalysis::TypeText(const TAnalysisMessage& m) {
  if (m.Flags & LOG_ERROR_FRAME) return "error";
  if (m.Event != LOG_FRAME) return "bus state";
  if (m.Remote()) return "remote";
  if (!(m.Flags & LOG_FD)) return "CAN";
  std::string t = "FD";
  if (m.Flags & LOG_BRS) t += " BRS";
  if (m.Flags & LOG_ESI) t += " ESI";
  return t;
}

double TLogAnalysis::ShownSeconds(const TAnalysisMessage& m) const {
  return double(absoluteTime_ ? m.Time : m.Time - firstTime_) * 1e-9;
}

const uint8_t* TLogAnalysis::DataOf(const TAnalysisMessage& m) const {
  if (m.Length <= 8) return m.Data;
  uint64_t at = 0;
  std::memcpy(&at, m.Data, sizeof at);
  return longData_.data() + at;
}

TTarvoCAN TLogAnalysis::Frame(const TAnalysisMessage& m) const {
  TTarvoCAN f{};
  f.IDE = m.Extended() ? 1 : 0;
  f.RTR = m.Remote() ? 1 : 0;
  f.ID = m.ID;
  f.DLC = uint8_t(m.Remote() ? std::min<int>(m.DLC, 8) : std::min<int>(m.Length, 8));
  std::memcpy(f.Data, DataOf(m), std::min<size_t>(m.Length, 8));
  return f;
}

std::string TLogAnalysis::DataText(const TAnalysisMessage& m) const {
  if (m.Remote()) return "remote";
  if (m.Flags & LOG_ERROR_FRAME) return "error frame";
  if (m.Event == LOG_BUS_ACTIVE) return "bus active";
  if (m.Event == LOG_BUS_PASSIVE) return "bus passive";
  if (m.Event == LOG_BUS_OFF) return "bus off";
  std::string text;
  const uint8_t* data = DataOf(m);
  char b[4];
  for (int i = 0; i < m.Length; ++i) {
    std::snprintf(b, sizeof b, i ? " %02X" : "%02X", data[i]);
    text += b;
  }
  return text;
}

std::string TLogAnalysis::Cell(size_t row, TAnalysisColumn column, const TDbcDatabase* database) const {
  const TAnalysisMessage& m = messages_[MessageOfRow(row)];
  char text[32];
  switch (column) {
    case ANALYSIS_TIME: *WriteSeconds(text, absoluteTime_ ? m.Time : m.Time - firstTime_, 6) = 0; return text;
    case ANALYSIS_CHANNEL: return ChannelName(m.Channel);
    case ANALYSIS_TYPE: return TypeText(m);
    case ANALYSIS_DELTA:
      if (m.Delta < 0) return {};
      std::snprintf(text, sizeof text, "%.6f", double(m.Delta));
      return text;
    case ANALYSIS_DIRECTION: return m.Tx() ? "Tx" : "Rx";
    case ANALYSIS_ID:
      if (m.Event != LOG_FRAME || (m.Flags & LOG_ERROR_FRAME)) return {};
      std::snprintf(text, sizeof text, m.Extended() ? "%08Xx" : "%03X", m.ID);
      return text;
    case ANALYSIS_NAME: {
      const TDbcMessage* message = database ? database->Find(m.Extended() ? 1 : 0, m.ID) : nullptr;
      return message ? message->Name : std::string();
    }
    case ANALYSIS_DLC:
      // A CAN FD frame shows its length: its DLC code says less to a reader.
      if (m.Event != LOG_FRAME) return {};
      return std::to_string((m.Flags & LOG_FD) && !(m.Flags & LOG_ERROR_FRAME) ? m.Length : m.DLC);
    case ANALYSIS_DATA: return DataText(m);
    default: return {};
  }
}

void TLogAnalysis::SetFilter(const TAnalysisFilter& f, const TDbcDatabase* database) {
  filtered_ = !f.Empty();
  rows_.clear();
  if (!filtered_) return;
  filter_ = f;
  filterDatabase_ = database;
  filterIds_.clear();
  std::string token;
  for (size_t i = 0; i <= f.Ids.size(); ++i) {
    const char c = i < f.Ids.size() ? f.Ids[i] : ' ';
    if (c == ' ' || c == ',' || c == ';') {
      if (!token.empty()) {
        const bool extended = token.size() > 3 || token.back() == 'x' || token.back() == 'X';
        if (token.back() == 'x' || token.back() == 'X') token.pop_back();
        filterIds_.push_back((uint64_t(extended) << 32) | std::strtoul(token.c_str(), nullptr, 16));
      }
      token.clear();
    } else {
      token += c;
    }
  }
  filter_.Name = Lower(f.Name);
  filter_.Data = Lower(f.Data);
  for (size_t i = 0; i < messages_.size(); ++i)
    if (Matches(messages_[i])) rows_.push_back(i);
}

bool TLogAnalysis::Matches(const TAnalysisMessage& m) const {
  const TAnalysisFilter& f = filter_;
  if (f.Direction >= 0 && int(m.Tx()) != f.Direction) return false;
  if (!filterIds_.empty() && std::find(filterIds_.begin(), filterIds_.end(), IdKey(m)) == filterIds_.end()) return false;
  if (f.Channel > 0 && m.Channel != f.Channel) return false;
  if (!f.Name.empty()) {
    const TDbcMessage* message = filterDatabase_ ? filterDatabase_->Find(m.Extended() ? 1 : 0, m.ID) : nullptr;
    if (!message || Lower(message->Name).find(f.Name) == std::string::npos) return false;
  }
  return f.Data.empty() || Lower(DataText(m)).find(f.Data) != std::string::npos;
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
    if (ShownSeconds(messages_[MessageOfRow(size_t(mid))]) < t) low = mid + 1;
    else high = mid;
  }
  return RowCount() == 0 ? -1 : std::min(low, long(RowCount()) - 1);
}

std::vector<TIdStatistics> TLogAnalysis::Statistics() const {
  // One entry per identifier, found through a hash of identifiers and
  // sorted once at the end: linear in the messages also when most of them
  // have identifiers of their own.
  struct TSums {
    uint64_t Key = 0;
    TIdStatistics S;
    double Sum = 0, SumSquares = 0;
    uint64_t Periods = 0;
  };
  std::vector<TSums> sums;
  std::unordered_map<uint64_t, uint32_t> at;
  for (const TAnalysisMessage& m : messages_) {
    if (m.Event != LOG_FRAME || (m.Flags & LOG_ERROR_FRAME)) continue;
    const auto [it, added] = at.try_emplace(StreamKey(m), uint32_t(sums.size()));
    if (added) {
      sums.emplace_back();
      // In order of identifier, then channel, then data before remote.
      sums.back().Key = (IdKey(m) << 20) | (uint64_t(m.Channel) << 1) | (m.Remote() ? 1 : 0);
      sums.back().S.Channel = m.Channel;
      sums.back().S.Remote = m.Remote();
      sums.back().S.IDE = m.Extended() ? 1 : 0;
      sums.back().S.ID = m.ID;
    }
    TSums& s = sums[it->second];
    ++s.S.Count;
    if (m.Delta < 0) continue;
    const double d = m.Delta;
    s.S.MinPeriod = s.Periods ? std::min(s.S.MinPeriod, d) : d;
    s.S.MaxPeriod = s.Periods ? std::max(s.S.MaxPeriod, d) : d;
    s.Sum += d;
    s.SumSquares += d * d;
    ++s.Periods;
  }
  std::sort(sums.begin(), sums.end(), [](const TSums& a, const TSums& b) { return a.Key < b.Key; });
  std::vector<TIdStatistics> out;
  out.reserve(sums.size());
  for (TSums& s : sums) {
    if (s.Periods) {
      s.S.MeanPeriod = s.Sum / double(s.Periods);
      s.S.Jitter = std::sqrt(std::max(0.0, s.SumSquares / double(s.Periods) - s.S.MeanPeriod * s.S.MeanPeriod));
    }
    out.push_back(s.S);
  }
  return out;
}

}  // namespace tarvo
