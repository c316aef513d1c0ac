#pragma once
// The transmit subsystem joined to the application: the list record, the
// scheduler sending through the open adapter and echoing into the CAN View,
// the editor, and its panel on the "CAN Transmit" page (or on the "CAN View"
// page when the display options put it there). Handlers of the transmit
// pop-up menu and of "Copy To Tx" are bound to the window here.
#include <functional>
#include <memory>

namespace tarvo {
class TTransmitEditor;
class CANTransmitLocator;
class CANTransmitPanel;
class CANViewTransmitEcho;
class Clock;
class DeviceCANMessageSender;
class TTarvoApp;
class TransmitEcho;
class TransmitEchoList;
class TransmitKeyFilter;
class TransmitPort;
class TTransmitScheduler;
class UserDialogs;
struct TCANTransmit;
}  // namespace tarvo

namespace tarvo::qt {

class MainWindow;

class TransmitWiring {
 public:
  // listenOnly tells whether the CAN Setup page has "Listen Only" checked;
  // configModified is the configuration's "changed" flag.
  TransmitWiring(TTarvoApp& app, MainWindow& window, UserDialogs& dialogs, Clock& clock,
                 std::function<bool()> listenOnly, bool& configModified);
  ~TransmitWiring();
  TransmitWiring(const TransmitWiring&) = delete;
  TransmitWiring& operator=(const TransmitWiring&) = delete;

  // After the settings are loaded: the list's place and height.
  void LocateCANTransmit();

  // Another receiver of every message the transmit paths put on the bus.
  void AddEcho(TransmitEcho& echo);

  TCANTransmit& List() { return *list_; }
  TTransmitEditor& Editor() { return *editor_; }
  CANTransmitPanel& Panel() { return *panel_; }
  CANTransmitLocator& Locator() { return *locator_; }

 private:
  class Host;
  class Port;

  void BindHandlers();
  void CopyToTx();

  TTarvoApp& app_;
  MainWindow& window_;
  std::unique_ptr<TCANTransmit> list_;
  std::unique_ptr<Host> host_;
  std::unique_ptr<DeviceCANMessageSender> sender_;
  std::unique_ptr<CANViewTransmitEcho> viewEcho_;
  std::unique_ptr<TransmitEchoList> echoes_;
  std::unique_ptr<TTransmitScheduler> scheduler_;
  std::unique_ptr<Port> port_;
  std::unique_ptr<TTransmitEditor> editor_;
  CANTransmitPanel* panel_ = nullptr;      // owned by its page
  CANTransmitLocator* locator_ = nullptr;  // owned by the panel
  TransmitKeyFilter* keys_ = nullptr;      // owned by the window
};

}  // namespace tarvo::qt
