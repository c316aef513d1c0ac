#pragma once
// A host packet as it travels the wire: DLE STX, the escaped packet, the
// escaped CRC, DLE ETX (adapter/Framing.h), for tests that write or expect
// whole frames.
#include <cstdint>
#include <vector>

namespace tarvo::test {

// The packet framed by the program's own BuildFrame, in a buffer of the
// worst-case size (every byte escaped) cut to the frame's length.
std::vector<uint8_t> Framed(const std::vector<uint8_t>& packet);

}  // namespace tarvo::test
