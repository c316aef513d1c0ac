#pragma once
#include <cstdint>

namespace tarvo {

// CRC-16/ARC (reflected polynomial 0xA001, initial 0, no final XOR), table
// driven; check value over "123456789" is 0xBB3D.
extern const uint16_t CRC16Table[256];

// Updates crc in place over length bytes; the caller starts from 0.
void CRC16Update(const uint8_t* data, uint16_t length, uint16_t& crc);

}  // namespace tarvo
