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
  const size_t mask = m_keys.size() - 1;
  size_t slot = Mix(key) & mask;
  while (m_positions[slot] != NOT_FOUND && m_keys[slot] != key) slot = (slot + 1) & mask;
  return slot;
}

int32_t TCANViewIndex::Find(uint64_t key) const {
  if (m_used == 0) return NOT_FOUND;
  return m_positions[Slot(key)];
}

void TCANViewIndex::Insert(uint64_t key, int32_t position) {
  // Keep the load at or below one half so probe runs stay short.
  if (2 * (m_used + 1) > m_keys.size()) Grow();
  const size_t slot = Slot(key);
  if (m_positions[slot] == NOT_FOUND) ++m_used;
  m_keys[slot] = key;
  m_positions[slot] = position;
}

void TCANViewIndex::Clear() {
  if (m_used == 0) return;
  m_positions.assign(m_positions.size(), NOT_FOUND);
  m_used = 0;
}

void TCANViewIndex::Grow() {
  std::vector<uint64_t> oldKeys = std::move(m_keys);
  std::vector<int32_t> oldPositions = std::move(m_positions);
  const size_t capacity = oldKeys.empty() ? InitialCapacity : 2 * oldKeys.size();
  m_keys.assign(capacity, 0);
  m_positions.assign(capacity, NOT_FOUND);
  for (size_t i = 0; i < oldKeys.size(); ++i) {
    if (oldPositions[i] == NOT_FOUND) continue;
    const size_t slot = Slot(oldKeys[i]);
    m_keys[slot] = oldKeys[i];
    m_positions[slot] = oldPositions[i];
  }
}

}  // namespace tarvo
