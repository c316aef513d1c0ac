#include "transmit/TransmitKeys.h"

namespace tarvo {

int TransmitKeyNo(int virtualKey, TShiftState shift) {
  if (virtualKey >= VirtualKeyF1 && virtualKey <= VirtualKeyF9) return virtualKey - VirtualKeyF1 + 1;
  const bool ctrlAlone = shift.Ctrl && !shift.Shift && !shift.Alt;
  if (ctrlAlone && virtualKey >= VirtualKeyDigit1 && virtualKey <= VirtualKeyDigit9)
    return virtualKey - VirtualKeyDigit1 + 10;
  return 0;
}

}  // namespace tarvo
