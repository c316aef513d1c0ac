#include "plot/SignalSeries.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tarvo {

TSignalSeries::TSignalSeries(size_t capacity) : capacity_(std::max<size_t>(capacity, 1)) {}

// Place at gets value: a block's summary starts again with its first place.
void TSignalSeries::Summarise(size_t at, double value) {
  const size_t b = at / BlockSize;
  if (at % BlockSize == 0) {
    if (b == blockMin_.size()) {
      blockMin_.push_back(0);
      blockMax_.push_back(0);
      blockGap_.push_back(0);
    }
    blockMin_[b] = std::numeric_limits<double>::infinity();
    blockMax_[b] = -std::numeric_limits<double>::infinity();
    blockGap_[b] = 0;
  }
  if (std::isnan(value)) {
    blockGap_[b] = 1;
    return;
  }
  blockMin_[b] = std::min(blockMin_[b], value);
  blockMax_[b] = std::max(blockMax_[b], value);
}

void TSignalSeries::Append(double time, double value) {
  if (size_ > 0) time = std::max(time, Time(size_ - 1));
  if (std::isnan(value)) ++gaps_;
  if (times_.size() < capacity_) {
    // Grows as points come, up to the bound.
    Summarise(times_.size(), value);
    times_.push_back(time);
    values_.push_back(value);
    ++size_;
    return;
  }
  if (size_ < capacity_) {
    Summarise(Index(size_), value);
    times_[Index(size_)] = time;
    values_[Index(size_)] = value;
    ++size_;
    return;
  }
  if (std::isnan(values_[head_])) --gaps_;
  Summarise(head_, value);
  times_[head_] = time;
  values_[head_] = value;
  head_ = head_ + 1 == capacity_ ? 0 : head_ + 1;
  ++dropped_;
}

void TSignalSeries::Clear() {
  times_.clear();
  values_.clear();
  blockMin_.clear();
  blockMax_.clear();
  blockGap_.clear();
  head_ = 0;
  size_ = 0;
  dropped_ = 0;
  gaps_ = 0;
}

size_t TSignalSeries::LowerBound(double t) const {
  size_t low = 0, high = size_;
  while (low < high) {
    const size_t mid = low + (high - low) / 2;
    if (Time(mid) < t) low = mid + 1;
    else high = mid;
  }
  return low;
}

double TSignalSeries::ValueAt(double t) const {
  size_t i = LowerBound(t);
  if (i < size_ && Time(i) == t) {
    while (i + 1 < size_ && Time(i + 1) == t) ++i;  // the last point of that time
    return Value(i);
  }
  return i == 0 ? std::nan("") : Value(i - 1);
}

size_t TSignalSeries::Runs(TRun out[2]) const {
  if (size_ == 0) return 0;
  const size_t first = std::min(size_, capacity_ - head_);
  out[0] = {times_.data() + head_, values_.data() + head_, first, head_};
  if (first == size_) return 1;
  out[1] = {times_.data(), values_.data(), size_ - first, 0};
  return 2;
}

}  // namespace tarvo
