#pragma once
// The text checks and conversions the editors and the file readers share.
//
// Numbers are typed without prefix: hexadecimal with the digits 0..9 and
// upper-case A..F ("7FF"), decimal with 0..9 ("2047"). Examples:
//   IsNumberText("7FF", true)  -> true     IsNumberText("7ff", true) -> false
//   CheckIDText(true, "800", true) -> 2    CheckIDText(true, "", true) -> 1
//   CheckDataByteText("256", false) -> false
//   KeyTextToKeyNo("Ctrl+3") -> 12         KeyTextToKeyNo("F10") -> 0
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarvo {

// The text read as hexadecimal; eight digits fill all 32 bits. A value that
// needs more than 32 bits gives 0xFFFFFFFF rather than wrapping, so no
// over-long text can pass a range check as a small number.
uint32_t HexTextToInt(std::string_view text);

// The text read as a decimal number, saturating at 0xFFFFFFFF likewise.
uint32_t DecTextToInt(std::string_view text);

// Every character a decimal digit, or with hex a digit or "A".."F"; an empty
// text passes.
bool IsNumberText(std::string_view text, bool hex);

// 0 valid; 1 empty or a character outside the digits of the base; 2 above
// 0x7FF (elevenBit) or above 0x1FFFFFFF.
int CheckIDText(bool elevenBit, std::string_view text, bool hex);

// Not empty, only digits of the base, and below 256.
bool CheckDataByteText(std::string_view text, bool hex);

// Only "-", ".", "0".."9", "E", "e", and a floating-point number with "." as
// decimal separator.
bool CheckTimeText(std::string_view text);

// The digits of value at out without leading zeros, decimal ("%u", at most
// 10 characters) or upper-case hexadecimal ("%X", at most 8); returns how
// many were written. A zero is written "0".
size_t WriteDecimal(uint32_t value, char* out);
size_t WriteHex(uint32_t value, char* out);

// The upper-case hexadecimal digits, indexed by the value 0..15.
inline constexpr char HexUpper[] = "0123456789ABCDEF";

// The two upper-case hexadecimal digits of byte at out ("%02X": 0x0A gives
// "0A"); returns the position after them. Inline, as the log writers and the
// CAN View write every data byte through it.
inline char* PutHexByte(char* out, uint8_t byte) {
  out[0] = HexUpper[byte >> 4];
  out[1] = HexUpper[byte & 0xF];
  return out + 2;
}

// The text without the spaces and tabs at its start and end.
std::string_view TrimSpaces(std::string_view text);

// "F1".."F9" -> 1..9, "Ctrl+1".."Ctrl+9" -> 10..18, anything else 0.
int KeyTextToKeyNo(std::string_view text);

}  // namespace tarvo
