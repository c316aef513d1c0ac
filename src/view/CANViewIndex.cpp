#include "view/CANViewIndex.h"

namespace tarvo {

namespace {
constexpr size_t InitialCapacity = 256;  // power of two

uint64_t Mix(uint64_t key) {
  // Identifiers of one network differ in few low bits; spread them out.
  key ^= key >> 33;
  key *= 0xff51afd7ed558ccdULL;
  key ^= key >> 33;
  return key;
}
}  // namespace

size_t TCANViewIndex::Slot(uint64_t key) const {
  const size_t mask = keys_.size() - 1;
  size_t slot = Mix(key) & mask;
  while (positions_[slot] != NOT_FOUND && keys_[slot] != key) slot = (slot + 1) & mask;
  return slot;
}

int32_t TCANViewIndex::Find(uint64_t key) const {
  if (used_ == 0) return NOT_FOUND;
  return positions_[Slot(key)];
}

void TCANViewIndex::Insert(uint64_t key, int32_t position) {
  // Keep the load at or below one half so probe runs stay short.
  if (2 * (used_ + 1) > keys_.size()) Grow();
  const size_t slot = Slot(key);
  if (positions_[slot] == NOT_FOUND) ++used_;
  keys_[slot] = key;
  positions_[slot] = position;
}

void TCANViewIndex::Clear() {
  if (used_ == 0) return;
  positions_.assign(positions_.size(), NOT_FOUND);
  used_ = 0;
}

void TCANViewIndex::Grow() {
  std::vector<uint64_t> oldKeys = std::move(keys_);
  std::vector<int32_t> oldPositions = std::move(positions_);
  const size_t capacity = oldKeys.empty() ? InitialCapacity : 2 * oldKeys.size();
  keys_.assign(capacity, 0);
  positions_.assign(capacity, NOT_FOUND);
  for (size_t i = 0; i < oldKeys.size(); ++i) {
    if (oldPositions[i] == NOT_FOUND) continue;
    const size_t slot = Slot(oldKeys[i]);
    keys_[slot] = oldKeys[i];
    positions_[slot] = oldPositions[i];
  }
}

}  // namespace tarvo
