#pragma once
// The "CAN Setup" page joined to the program: its state (bit timing,
// operating mode, receive filters), the page widget on the third tab, and
// the run control's view of it. "Filter On ID" is bound here.
#include <memory>

namespace tarvo {
class CANSetupPage;
class TTarvoApp;
class TCANSetupState;
class UserDialogs;
}  // namespace tarvo

namespace tarvo::qt {

class MainWindow;

class SetupWiring {
 public:
  // configModified is the configuration's "changed" flag.
  SetupWiring(TTarvoApp& app, MainWindow& window, UserDialogs& dialogs, bool& configModified);
  ~SetupWiring();
  SetupWiring(const SetupWiring&) = delete;
  SetupWiring& operator=(const SetupWiring&) = delete;

  TCANSetupState& State() { return *state_; }
  // "Listen Only" is checked: nothing may be transmitted.
  bool ListenOnly() const;

 private:
  class Port;

  void ApplyMissingSettingsDefaults();
  void FilterOnID();

  TTarvoApp& app_;
  MainWindow& window_;
  std::unique_ptr<TCANSetupState> state_;
  std::unique_ptr<Port> port_;
  CANSetupPage* page_ = nullptr;  // owned by its tab
};

}  // namespace tarvo::qt
