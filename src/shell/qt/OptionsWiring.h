#pragma once
// The View menu's Display Options joined to the program: the dialog, and
// everything its settings drive once it is accepted (numeric base of the
// lists, the transmit editor and the status bar, the CAN View's columns,
// error-counter entries, refresh interval and ring size, the transmit list's
// place).
namespace tarvo {
class DisplayOptionsDialog;
class TarvoApp;
}  // namespace tarvo

namespace tarvo::qt {

class MainWindow;
class TransmitWiring;

class OptionsWiring {
 public:
  OptionsWiring(TarvoApp& app, MainWindow& window, TransmitWiring& transmit);
  OptionsWiring(const OptionsWiring&) = delete;
  OptionsWiring& operator=(const OptionsWiring&) = delete;

  DisplayOptionsDialog& DisplayOptions() { return *displayOptions_; }

  // Display1Click.
  void Display1Click();

 private:
  TarvoApp& app_;
  MainWindow& window_;
  TransmitWiring& transmit_;
  DisplayOptionsDialog* displayOptions_;  // owned by the window
};

}  // namespace tarvo::qt
