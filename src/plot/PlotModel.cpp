#include "plot/PlotModel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <ostream>

#include "common/CsvField.h"
#include "dbc/SignalCodec.h"
#include "dbc/SignalLookup.h"

namespace tarvo {

uint32_t PlotColour(size_t index) {
  static const uint32_t colours[] = {0x1F77B4, 0xD62728, 0x2CA02C, 0xFF7F0E, 0x9467BD, 0x8C564B, 0xE377C2, 0x17BECF};
  return colours[index % std::size(colours)];
}

std::string TPlottedSignal::ValueText(double value) const {
  for (const TDbcValueText& t : ValueTexts)
    if (double(t.Value) == value) return t.Text;
  return {};
}

int TPlottedSignal::Decimals() const {
  if (!(Resolution > 0)) return -1;
  // The fewest decimals that write the step exactly (0.25: 2, 0.1: 1, 5: 0),
  // within what a double holds of it.
  for (int d = 0; d < 9; ++d) {
    const double scaled = Resolution * std::pow(10.0, d);
    if (std::abs(scaled - std::round(scaled)) <= scaled * 1e-9) return d;
  }
  return 9;
}

namespace {

void Describe(TPlottedSignal& p, const TDbcMessage& message, size_t signalIndex) {
  const TDbcSignal& signal = message.Signals[signalIndex];
  p.IDE = message.IDE;
  p.ID = message.ID;
  p.Message = message.Name;
  p.Name = signal.Name;
  p.Unit = signal.Unit;
  p.SignalIndex = signalIndex;
  p.ValueTexts = signal.ValueTexts;
  // An offset finer than the factor shows in every value.
  double step = std::abs(signal.Factor);
  if (step > 0) {
    const double offset = std::abs(signal.Offset - std::round(signal.Offset / step) * step);
    if (offset > step * 1e-9) step = std::min(step, offset);
  }
  p.Resolution = signal.ValueType == DBC_INTEGER ? step : 0;
  p.Unresolved = false;
}

}  // namespace

TPlotModel::TPlotModel(size_t pointsPerSignal) : capacity_(pointsPerSignal) {}

bool TPlotModel::Add(const TDbcMessage& message, size_t signalIndex) {
  if (signalIndex >= message.Signals.size()) return false;
  for (const TPlottedSignal& s : signals_)
    if (!s.Unresolved && s.IDE == message.IDE && s.ID == message.ID && s.SignalIndex == signalIndex) return false;
  TPlottedSignal p(capacity_);
  Describe(p, message, signalIndex);
  p.Colour = PlotColour(signals_.size());
  signals_.push_back(std::move(p));
  return true;
}

bool TPlotModel::Add(const TDbcDatabase& database, const std::string& name, std::string& error) {
  TSignalPlace found;
  if (!FindSignal(database, name, found, error)) return false;
  if (!Add(database.Messages[found.Message], found.Signal)) {
    error = "\"" + name + "\" is plotted already";
    return false;
  }
  return true;
}

size_t TPlotModel::Resolve(const TDbcDatabase& database) {
  size_t unresolved = 0;
  for (TPlottedSignal& p : signals_) {
    const TDbcMessage* m = nullptr;
    for (const TDbcMessage& candidate : database.Messages)
      if (candidate.Name == p.Message) m = &candidate;
    if (!m) m = database.Find(p.IDE, p.ID);
    size_t index = m ? m->Signals.size() : 0;
    for (size_t k = 0; m && k < m->Signals.size(); ++k)
      if (m->Signals[k].Name == p.Name) index = k;
    if (!m || index >= m->Signals.size()) {
      p.Unresolved = true;
      ++unresolved;
      continue;
    }
    Describe(p, *m, index);
  }
  return unresolved;
}

void TPlotModel::Detach() {
  for (TPlottedSignal& p : signals_) p.Unresolved = true;
}

void TPlotModel::Remove(size_t index) {
  if (index < signals_.size()) signals_.erase(signals_.begin() + std::ptrdiff_t(index));
}

void TPlotModel::Clear() {
  for (TPlottedSignal& s : signals_) s.Series.Clear();
  runOffset_ = 0;
}

void TPlotModel::NewRun() {
  double first = 0, last = 0;
  if (!Extent(first, last)) {
    runOffset_ = 0;
    return;
  }
  for (TPlottedSignal& s : signals_)
    if (s.Series.Size() > 0) s.Series.Append(last, std::numeric_limits<double>::quiet_NaN());
  runOffset_ = last + RunGapSeconds;
}

void TPlotModel::Feed(const TDbcDatabase& database, const TTarvoCAN& frame, double seconds) {
  if (frame.RTR) return;
  FeedFrame(database, frame.IDE != 0, frame.ID, frame.Data, std::min<size_t>(frame.DLC, 8), seconds);
}

void TPlotModel::FeedSignal(size_t index, const TDbcDatabase& database, const TTarvoCAN& frame, double seconds) {
  if (frame.RTR || index >= signals_.size()) return;
  FeedSignals(index, index + 1, database, frame.IDE != 0, frame.ID, frame.Data, std::min<size_t>(frame.DLC, 8),
              seconds);
}

void TPlotModel::FeedFrame(const TDbcDatabase& database, bool extended, uint32_t id, const uint8_t* data,
                           size_t length, double seconds) {
  FeedSignals(0, signals_.size(), database, extended, id, data, length, seconds);
}

void TPlotModel::FeedSignals(size_t first, size_t last, const TDbcDatabase& database, bool extended, uint32_t id,
                             const uint8_t* data, size_t length, double seconds) {
  const TDbcMessage* message = nullptr;
  size_t n = 0;
  const uint8_t ide = extended ? 1 : 0;
  seconds += runOffset_;
  for (size_t k = first; k < last; ++k) {
    TPlottedSignal& s = signals_[k];
    if (s.ID != id || s.IDE != ide || s.Unresolved) continue;
    if (!message) {
      message = database.Find(ide, id);
      if (!message) return;
      // A message of any number of signals: the room grows with the largest.
      if (decoded_.size() < message->Signals.size()) decoded_.resize(message->Signals.size());
      n = DecodeMessage(*message, data, length, decoded_.data());
    }
    if (s.SignalIndex >= message->Signals.size()) continue;  // of another database
    double value = std::numeric_limits<double>::quiet_NaN();
    bool selected = false;
    for (size_t i = 0; i < n; ++i) {
      if (decoded_[i].Signal != &message->Signals[s.SignalIndex]) continue;
      selected = true;
      if (decoded_[i].Present) value = decoded_[i].Physical;
    }
    // A multiplexed signal the frame does not carry keeps its curve as it
    // was; a frame too short for a signal breaks its curve.
    if (selected) s.Series.Append(seconds, value);
  }
}

uint64_t TPlotModel::Dropped() const {
  uint64_t n = 0;
  for (const TPlottedSignal& s : signals_) n += s.Series.Dropped();
  return n;
}

bool TPlotModel::Extent(double& first, double& last) const {
  bool any = false;
  for (const TPlottedSignal& s : signals_) {
    if (s.Series.Size() == 0) continue;
    const double a = s.Series.Time(0), b = s.Series.Time(s.Series.Size() - 1);
    first = any ? std::min(first, a) : a;
    last = any ? std::max(last, b) : b;
    any = true;
  }
  return any;
}

void TPlotModel::View(double& t0, double& t1) const {
  double first = 0, last = 0;
  const bool any = Extent(first, last);
  if (Follow == TPlotFollow::Hold || !any) {
    t0 = viewT0_;
    t1 = viewT1_;
    return;
  }
  if (Follow == TPlotFollow::All) {
    t0 = first;
    t1 = last > first ? last : first + 1;
    return;
  }
  t1 = std::max(last, first + WindowSeconds);
  t0 = t1 - WindowSeconds;
}

void TPlotModel::SetView(double t0, double t1) {
  // The narrowest view a double still divides into pixels.
  const double narrowest = std::max(1e-6, std::abs(t0) * 1e-9);
  if (!(t1 - t0 >= narrowest)) t1 = t0 + narrowest;
  viewT0_ = t0;
  viewT1_ = t1;
  Follow = TPlotFollow::Hold;
}

void TPlotModel::SetValueRange(size_t index, double min, double max) {
  if (index >= signals_.size() || !std::isfinite(min) || !std::isfinite(max)) return;
  if (max < min) std::swap(min, max);
  // The narrowest range a double still divides into pixels.
  const double narrowest = std::max(1e-12, std::max(std::abs(min), std::abs(max)) * 1e-9);
  if (max - min < narrowest) {
    const double middle = (min + max) / 2;
    min = middle - narrowest / 2;
    max = middle + narrowest / 2;
  }
  LaneRange(index) = {true, min, max};
}

void TPlotModel::ResetValueRanges() {
  SharedValueRange.Set = false;
  for (TPlottedSignal& s : signals_) s.ValueRange.Set = false;
}

void TPlotModel::Zoom(double t, double factor) {
  double t0, t1;
  View(t0, t1);
  factor = std::clamp(factor, 1e-3, 1e3);
  SetView(t - (t - t0) * factor, t + (t1 - t) * factor);
}

void TPlotModel::Pan(double seconds) {
  double t0, t1;
  View(t0, t1);
  SetView(t0 + seconds, t1 + seconds);
}

void TPlotModel::WriteCsv(std::ostream& out) const {
  out << "time";
  for (const TPlottedSignal& s : signals_) {
    // A name or unit with a comma or a quote is quoted, as RFC 4180 says.
    out << ',' << CsvField(s.Message + "." + s.Label());
  }
  out << "\r\n";
  std::vector<size_t> next(signals_.size(), 0);
  char number[64];
  for (;;) {
    double t = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < signals_.size(); ++i)
      if (next[i] < signals_[i].Series.Size()) t = std::min(t, signals_[i].Series.Time(next[i]));
    if (std::isinf(t)) break;
    std::snprintf(number, sizeof number, "%.6f", t);
    out << number;
    for (size_t i = 0; i < signals_.size(); ++i) {
      out << ',';
      const TSignalSeries& s = signals_[i].Series;
      if (next[i] < s.Size() && s.Time(next[i]) == t) {
        const double v = s.Value(next[i]++);
        if (!std::isnan(v)) {
          std::snprintf(number, sizeof number, "%.10g", v);
          out << number;
        }
      }
    }
    out << "\r\n";
  }
}

}  // namespace tarvo
