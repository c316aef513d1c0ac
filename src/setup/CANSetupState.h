#pragma once
// Everything the "CAN Setup" page holds: bit timing and operating mode, and
// the receive filters. One instance lives in the application object; the
// page widget shows it, and the run control reads it at every start:
//
//   const TSetBitTimingArgs a = setup.BitTiming.SetBitTimingArguments();
//   SetBitTiming(c, a.SJWMinus1, a.BRPByte, a.PHSEG1Minus1, a.PHSEG2Minus1,
//                a.PROPSEGMinus1, a.TripleSample);
//   SetOperatingMode(c, setup.BitTiming.OperatingModeValue());
//   TFilterSettings filters;
//   if (!setup.Filters.FilterSettingsForStart(filters)) -> filters invalid
//   SetFilters(c, filters);
#include "common/UserDialogs.h"
#include "setup/BitTimingPage.h"
#include "setup/ReceiveFilters.h"
#include "setup/SetupHooks.h"

namespace tarvo {

class TCANSetupState {
 public:
  // configModifiedFlag is the configuration's "changed since loaded or
  // saved" flag; the page's changes set it.
  TCANSetupState(UserDialogs& dialogs, bool& configModifiedFlag)
      : BitTiming(dialogs, configModifiedFlag, Hooks), Filters(dialogs, configModifiedFlag, Hooks) {}

  TSetupHooks Hooks;  // declared first: both halves hold a reference to it
  TBitTimingPage BitTiming;
  TReceiveFilterPage Filters;
};

}  // namespace tarvo
