#pragma once
// --config FILE.cfx: the bus set-up of a configuration file as the program
// saves it (bit timing, operating mode, receive filters), read by the
// program's own reader and held to the CAN Setup page's own rules. Where
// the program would show a warning box (a bit timing the rules refuse, and
// the set-up it fell back to) the text is kept for standard error.
#include <string>
#include <vector>

#include "bus/BusSetup.h"
#include "common/UserDialogs.h"
#include "setup/CANSetupState.h"

namespace tarvo::bus {

class TBusConfiguration {
 public:
  TBusConfiguration() = default;
  TBusConfiguration(const TBusConfiguration&) = delete;
  TBusConfiguration& operator=(const TBusConfiguration&) = delete;

  // Reads the file and sets setup's mode and filters from it; false with a
  // one-line reason when the file cannot be used (nothing may be sent then).
  bool Load(const std::string& path, TBusSetup& setup, std::string& error);
  // The file's bit timing on the adapter that was opened, its clock applied
  // as the program applies it when it identifies the adapter; false with
  // the rule's message when the adapter cannot run it.
  bool TimingFor(bool clock40MHz, TBusSetup& setup, std::string& error);
  // The warnings of the page since the last call, one line each.
  std::vector<std::string> TakeWarnings();

 private:
  // Message boxes nobody answers: each text is kept as a line.
  struct TKeptMessages : UserDialogs {
    std::vector<std::string> Lines;
    TDialogResult ShowMessage(const std::string& text, TDialogType type, TDialogButtons buttons) override;
  };
  TKeptMessages messages_;
  bool modified_ = false;
  TCANSetupState page_{messages_, modified_};
};

}  // namespace tarvo::bus
