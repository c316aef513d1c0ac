#include "view/DisplayOptions.h"

namespace tarvo {

TDisplayOptionsForm DisplayOptionsOnShow(const TDisplaySettings& s, bool busLoadSupported) {
  TDisplayOptionsForm f;
  f.Hexadecimal = s.NumericBase == NUMERIC_HEXADECIMAL;
  f.CANTxOnCANViewPage = s.CANTxOnCANViewPage;
  f.ASCIIDecode = s.ASCIIDecode;
  f.MessageCount = s.MessageCount;
  f.MessagePeriod = s.MessagePeriod;
  f.CANErrorCounters = s.CANErrorCounters;
  f.CANErrorCountersEnabled = busLoadSupported;
  f.UpdateIntervalChoice = s.UpdateInterval == 0 ? 0 : (s.UpdateInterval == 1000 ? 2 : 1);
  f.CyclicBufferSizeChoice =
      s.CyclicBufferSize == CyclicBufferSizeSmall ? 0 : (s.CyclicBufferSize == CyclicBufferSizeLarge ? 2 : 1);
  f.MessageName = s.MessageName;
  f.CANViewModifiedFlag = false;
  return f;
}

bool ApplyDisplayOptions(const TDisplayOptionsForm& f, TDisplaySettings& s) {
  const int32_t base = f.Hexadecimal ? NUMERIC_HEXADECIMAL : NUMERIC_DECIMAL;
  const bool baseChanged = base != s.NumericBase;
  s.NumericBase = base;
  s.CANTxOnCANViewPage = f.CANTxOnCANViewPage;
  s.ASCIIDecode = f.ASCIIDecode;
  s.MessageCount = f.MessageCount;
  s.MessagePeriod = f.MessagePeriod;
  s.CANErrorCounters = f.CANErrorCounters;
  s.UpdateInterval = UpdateIntervalChoices[f.UpdateIntervalChoice == 0 ? 0 : (f.UpdateIntervalChoice == 2 ? 2 : 1)];
  s.CyclicBufferSize =
      CyclicBufferSizeChoices[f.CyclicBufferSizeChoice == 0 ? 0 : (f.CyclicBufferSizeChoice == 2 ? 2 : 1)];
  s.MessageName = f.MessageName;
  return baseChanged;
}

}  // namespace tarvo
