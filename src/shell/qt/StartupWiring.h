#pragma once
// The adapter choice joined to the program: the splash window at start-up
// (information for about two seconds, or the chooser when the saved choice
// is "Prompt") behind the shell's StartupPort, and the Tarvo menu's Device
// Options.
#include <memory>

namespace tarvo {
class TTarvoApp;
}

namespace tarvo::qt {

class DeviceOptionsDialog;
class MainWindow;

class StartupWiring {
 public:
  StartupWiring(TTarvoApp& app, MainWindow& window);
  ~StartupWiring();
  StartupWiring(const StartupWiring&) = delete;
  StartupWiring& operator=(const StartupWiring&) = delete;

  DeviceOptionsDialog& DeviceOptions() { return *deviceOptions_; }
  void ShowDeviceOptions();

 private:
  class Port;

  TTarvoApp& app_;
  MainWindow& window_;
  std::unique_ptr<Port> port_;
  DeviceOptionsDialog* deviceOptions_;  // owned by the window
};

}  // namespace tarvo::qt
