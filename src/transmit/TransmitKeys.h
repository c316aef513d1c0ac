#pragma once
// Which transmit key a key press is. Key codes are the virtual key codes the
// window reports: F1..F9 are 112..120, the digit keys 1..9 of the main
// keyboard are 49..57 (not the numeric keypad).
namespace tarvo {

inline constexpr int VirtualKeyF1 = 112;
inline constexpr int VirtualKeyF9 = 120;
inline constexpr int VirtualKeyDigit1 = 49;
inline constexpr int VirtualKeyDigit9 = 57;

struct TShiftState {
  bool Shift = false;
  bool Ctrl = false;
  bool Alt = false;
};

// F1..F9 with any modifiers give 1..9; the digits 1..9 with Ctrl alone give
// 10..18; every other press gives 0.
int TransmitKeyNo(int virtualKey, TShiftState shift);

}  // namespace tarvo
