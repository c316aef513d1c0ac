#pragma once
// The points of one plotted signal: times in seconds and values, in memory
// of its own with a bound. Times only grow; a point older than the bound
// allows is dropped from the front, and the drops are counted so that the
// plot can say so. 16 bytes a point: a double time and a double value, and
// a summary of each block of 64 points in their place in memory (smallest
// and largest value, whether a gap is among them: a quarter of a byte a
// point) so that a redraw of a million points in a column reads the
// summaries, not the points. A value that is not a number (NaN) marks a
// gap: the curve breaks there.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvo {

class TSignalSeries {
 public:
  static constexpr size_t DefaultCapacity = 2'000'000;
  static constexpr size_t BlockSize = 64;

  explicit TSignalSeries(size_t capacity = DefaultCapacity);

  // A time earlier than the last is taken as the last (a log whose clock
  // went back): the series stays ordered.
  void Append(double time, double value);
  void Clear();

  size_t Size() const { return size_; }
  size_t Capacity() const { return capacity_; }
  uint64_t Dropped() const { return dropped_; }
  // Gaps (NaN values) among the kept points; most series have none, and
  // their decimation need not look for them.
  size_t Gaps() const { return gaps_; }
  // Point i, 0 the oldest kept.
  double Time(size_t i) const { return times_[Index(i)]; }
  double Value(size_t i) const { return values_[Index(i)]; }

  // The first point at or after time t (Size() when none).
  size_t LowerBound(double t) const;
  // The value at time t: the last point at or before t; NaN before the first.
  double ValueAt(double t) const;

  // The kept points as at most two contiguous runs, oldest first, for loops
  // that must not pay for the ring's wrap on every point.
  struct TRun {
    const double* Times;
    const double* Values;
    size_t Count;
    size_t Start;  // the place in memory of its first point
  };
  size_t Runs(TRun out[2]) const;

  // The summary of the points at places [b * BlockSize, (b + 1) * BlockSize)
  // in memory; whole only for a block all of whose places lie in one run.
  struct TBlock {
    double Min, Max;  // +inf and -inf when it holds only gaps
    bool Gap;
  };
  TBlock Block(size_t b) const { return {blockMin_[b], blockMax_[b], blockGap_[b] != 0}; }

 private:
  size_t Index(size_t i) const {
    const size_t at = head_ + i;
    return at < capacity_ ? at : at - capacity_;
  }

  void Summarise(size_t at, double value);

  size_t capacity_;
  std::vector<double> times_, values_;
  std::vector<double> blockMin_, blockMax_;
  std::vector<uint8_t> blockGap_;
  size_t head_ = 0;  // the oldest point
  size_t size_ = 0;
  uint64_t dropped_ = 0;
  size_t gaps_ = 0;
};

}  // namespace tarvo
