#pragma once
// The Display Options dialog's state and its rules, without the widgets:
// what the dialog shows when it opens and what OK makes of it. The dialog
// (view/qt/DisplayOptionsDialog) mirrors TDisplayOptionsForm.
//
// A further option is a field here, a line in each of the two routines and
// a control in the dialog.
#include <cstdint>

#include "common/DisplaySettings.h"

namespace tarvo {

// The three choices of " Update Interval " and of " Cyclic Buffer Size ".
inline constexpr uint32_t UpdateIntervalChoices[3] = {0, 100, 1000};
inline constexpr int32_t CyclicBufferSizeChoices[3] = {CyclicBufferSizeSmall, CyclicBufferSizeMedium,
                                                       CyclicBufferSizeLarge};

struct TDisplayOptionsForm {
  bool Hexadecimal = true;  // "Hexadecimal" checked, else "Decimal"
  bool CANTxOnCANViewPage = false;
  bool ASCIIDecode = true;
  bool MessageCount = true;
  bool MessagePeriod = true;
  bool CANErrorCounters = false;
  bool CANErrorCountersEnabled = false;  // the adapter reports error counters
  int UpdateIntervalChoice = 1;          // index into UpdateIntervalChoices
  int CyclicBufferSizeChoice = 0;        // index into CyclicBufferSizeChoices
  bool MessageName = false;              // "Display Message Name" (a loaded database's names)
  // One of the four CAN View check boxes was clicked while the dialog was open.
  bool CANViewModifiedFlag = false;
};

// The controls from the settings as the dialog opens. An update interval other than
// 0 and 1000 shows "100ms"; a ring size other than 1000 and 1000000 "50000".
TDisplayOptionsForm DisplayOptionsOnShow(const TDisplaySettings& settings, bool busLoadSupported);

// OK: the settings from the controls. True when the numeric base
// changed (the status panel and the transmit editor then follow it).
bool ApplyDisplayOptions(const TDisplayOptionsForm& form, TDisplaySettings& settings);

}  // namespace tarvo
