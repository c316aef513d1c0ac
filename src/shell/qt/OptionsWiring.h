#pragma once
// Two commands of the View menu joined to the program. Display Options:
// the dialog, and everything its settings drive once it is accepted
// (numeric base of the lists, the transmit editor and the status bar, the
// CAN View's columns, error-counter entries, refresh interval and ring size,
// the transmit list's place). Snapshot: the rows on screen into a text file.
#include <string>

namespace tarvo {
class DisplayOptionsDialog;
class TTarvoApp;
class UserDialogs;
}  // namespace tarvo

namespace tarvo::qt {

class MainWindow;
class SetupWiring;
class TransmitWiring;

class OptionsWiring {
 public:
  OptionsWiring(TTarvoApp& app, MainWindow& window, UserDialogs& dialogs, SetupWiring& setup,
                TransmitWiring& transmit);
  OptionsWiring(const OptionsWiring&) = delete;
  OptionsWiring& operator=(const OptionsWiring&) = delete;

  DisplayOptionsDialog& DisplayOptions() { return *displayOptions_; }

  // ShowDisplayOptions.
  void ShowDisplayOptions();
  void TakeSnapshot();

 private:
  void WriteSnapshot(const std::string& path);

  TTarvoApp& app_;
  MainWindow& window_;
  UserDialogs& dialogs_;
  SetupWiring& setup_;
  TransmitWiring& transmit_;
  DisplayOptionsDialog* displayOptions_;  // owned by the window
};

}  // namespace tarvo::qt
