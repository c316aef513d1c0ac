#pragma once
// Fixed-mode look-up aid: message identity -> position in the CAN View list.
//
// A fixed view holds one entry per identity, found by a scan from entry 0.
// A bus with thousands of identities (29-bit networks, identifier sweeps)
// would make that scan the dominant cost of a 10 ms tick, so the fixed-mode
// routines keep this open-addressing table beside the list. It only ever
// answers "where was this identity last entered"; the routines verify the
// answer against the list, so a stale position can never change behaviour.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvo {

class TCANViewIndex {
 public:
  static constexpr int32_t NOT_FOUND = -1;

  // Identity key: entry kind, IDE byte and identifier, all compared exactly.
  static constexpr uint64_t Key(int32_t itemType, uint8_t ide, uint32_t id) {
    return (uint64_t(uint32_t(itemType)) << 40) | (uint64_t(ide) << 32) | id;
  }

  int32_t Find(uint64_t key) const;
  void Insert(uint64_t key, int32_t position);  // replaces a previous position
  void Clear();
  size_t Used() const { return used_; }

 private:
  void Grow();
  size_t Slot(uint64_t key) const;

  std::vector<uint64_t> keys_;
  std::vector<int32_t> positions_;  // NOT_FOUND marks an empty slot
  size_t used_ = 0;
};

}  // namespace tarvo
