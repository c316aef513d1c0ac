#pragma once
// The CAN View joined to the program: its list over the store in the main
// window, and the commands of the View menu and the CAN View's pop-up menu
// that act on it (Clear, Fixed, Cyclic, the conversion balloon and its
// caption). Display Options and Snapshot are in OptionsWiring.

namespace tarvo {
class CANViewList;
class TTarvoApp;
}  // namespace tarvo

namespace tarvo::qt {

class MainWindow;

class ViewWiring {
 public:
  ViewWiring(TTarvoApp& app, MainWindow& window);
  ViewWiring(const ViewWiring&) = delete;
  ViewWiring& operator=(const ViewWiring&) = delete;

  // At start-up, once the settings are read: the columns, the rows and the
  // Fixed/Cyclic commands as the settings say.
  void Start();

 private:
  // In fixed mode the Fixed commands are disabled and the Cyclic ones enabled.
  void ShowViewMode();
  // The conversion command's caption and image follow the numeric base.
  void ShowConversionCommand();

  TTarvoApp& app_;
  MainWindow& window_;
  CANViewList* list_;  // owned by the window
};

}  // namespace tarvo::qt
