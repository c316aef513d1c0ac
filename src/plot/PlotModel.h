#pragma once
// What the signal plot shows: the plotted signals with their points, the
// time window in view and how it follows new data, and the CSV export.
// Plain C++; the widget (plot/qt) draws it and turns the user's mouse and
// keys into the calls below.
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "common/TarvoCAN.h"
#include "dbc/DbcDatabase.h"
#include "dbc/SignalCodec.h"
#include "plot/SignalSeries.h"

namespace tarvo {

// A value axis as the user zoomed it; unset, the axis spans the values in view.
struct TValueRange {
  bool Set = false;
  double Min = 0, Max = 1;
};

struct TPlottedSignal {
  uint8_t IDE = 0;
  uint32_t ID = 0;
  std::string Message;  // the message's name
  std::string Name;     // the signal's name
  std::string Unit;
  size_t SignalIndex = 0;  // in the message's signals
  // The physical step of one raw count: readouts and axes show as many
  // decimals as it has (a factor of 0.25 shows 14250.25). Zero for a
  // floating-point signal, shown to its own precision.
  double Resolution = 1;
  // Its database was unloaded, or the one loaded since lacks it: the curve
  // stays as drawn, fed no more, until the user removes it or a database
  // with the signal is loaded.
  bool Unresolved = false;
  bool Hidden = false;
  TValueRange ValueRange;  // of its lane, when it has one of its own
  // A signal with a value table is drawn as steps, its texts on the axis.
  std::vector<TDbcValueText> ValueTexts;
  uint32_t Colour = 0;  // 0xRRGGBB
  TSignalSeries Series;

  explicit TPlottedSignal(size_t capacity) : Series(capacity) {}
  std::string Label() const { return Unit.empty() ? Name : Name + " [" + Unit + "]"; }
  // The value's text from the value table, empty when it has none.
  std::string ValueText(double value) const;
  // Decimals that show a value at the signal's resolution.
  int Decimals() const;
};

// How the time window follows new points.
enum class TPlotFollow {
  Window,  // the newest WindowSeconds
  All,     // from the first point to the newest
  Hold,    // stays where it is while points keep coming
};

class TPlotModel {
 public:
  explicit TPlotModel(size_t pointsPerSignal = TSignalSeries::DefaultCapacity);

  // Adds the signal named "Message.Signal", or "Signal" when only one message
  // has it; false, with the reason in error, when there is no such signal or
  // it is plotted already.
  bool Add(const TDbcDatabase& database, const std::string& name, std::string& error);
  bool Add(const TDbcMessage& message, size_t signalIndex);
  void Remove(size_t index);
  // After a database is loaded: each plotted signal found again by its
  // message's name and its own (by the message's identifier when the
  // message was renamed) and fed again; those it lacks keep their points,
  // marked unresolved. Returns how many are unresolved.
  size_t Resolve(const TDbcDatabase& database);
  // The database was unloaded: every curve stays, unresolved.
  void Detach();
  // Every point goes; the signals stay.
  void Clear();
  // A new run whose clock starts again at 0: its points follow the newest
  // one after a gap of RunGapSeconds, the curves broken there.
  void NewRun();
  double RunGapSeconds = 1;
  std::vector<TPlottedSignal>& Signals() { return signals_; }
  const std::vector<TPlottedSignal>& Signals() const { return signals_; }

  // A frame at time seconds (of the present run): every plotted signal of its message gets the
  // value it decodes to; a frame too short to hold one gets a gap.
  void Feed(const TDbcDatabase& database, const TTarvoCAN& frame, double seconds);
  // A data frame of any length (a CAN FD frame of a log holds up to 64 bytes).
  void FeedFrame(const TDbcDatabase& database, bool extended, uint32_t id, const uint8_t* data, size_t length,
                 double seconds);
  // A frame for plotted signal index alone: a signal added late catches up
  // on the frames the trace holds, which the others have already.
  void FeedSignal(size_t index, const TDbcDatabase& database, const TTarvoCAN& frame, double seconds);

  // Points the bound dropped, over all signals.
  uint64_t Dropped() const;
  // First and newest time over all signals; false when there is no point.
  bool Extent(double& first, double& last) const;

  TPlotFollow Follow = TPlotFollow::Window;
  double WindowSeconds = 10;
  // How the view follows again after a hold (Home, Hold cleared): the
  // window or all points, as last chosen.
  TPlotFollow Resume = TPlotFollow::Window;
  void FollowAgain() { Follow = Resume; }
  bool SharedYAxis = false;
  TValueRange SharedValueRange;  // of the one value axis
  // The value range of the lane that draws signal index: its own, or the
  // one shared axis.
  TValueRange& LaneRange(size_t index) { return SharedYAxis ? SharedValueRange : signals_[index].ValueRange; }
  const TValueRange& LaneRange(size_t index) const {
    return SharedYAxis ? SharedValueRange : signals_[index].ValueRange;
  }
  // Zooms the value axis of signal index's lane to [min, max] (either way
  // round); ResetValueRanges lets every axis span its values again.
  void SetValueRange(size_t index, double min, double max);
  void ResetValueRanges();

  // The time range in view: following, or as zoomed and panned.
  void View(double& t0, double& t1) const;
  // Zoom by factor (below 1 narrows) around time t; pan by seconds. Both
  // hold the view: the plot no longer follows until told to.
  void Zoom(double t, double factor);
  void Pan(double seconds);
  void SetView(double t0, double t1);

  // Time and one column per signal; a row for each time any signal has a
  // point, a signal's field empty when it has none at that time.
  void WriteCsv(std::ostream& out) const;

 private:
  void FeedSignals(size_t first, size_t last, const TDbcDatabase& database, bool extended, uint32_t id,
                   const uint8_t* data, size_t length, double seconds);

  std::vector<TPlottedSignal> signals_;
  std::vector<TDecodedSignal> decoded_;  // room for the signals of the largest message fed
  size_t capacity_;
  double runOffset_ = 0;  // added to the times of the present run
  double viewT0_ = 0, viewT1_ = 10;
};

// The colours of the curves, one after the other.
uint32_t PlotColour(size_t index);

}  // namespace tarvo
