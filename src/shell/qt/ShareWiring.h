#pragma once
// "Share Adapter" in the Tarvo menu: the open adapter served over the
// socketcand protocol on 127.0.0.1:29536, as tarvo-bus serve does, so a
// script and the window work on one adapter. Off by default. What the
// program receives goes to the clients, what they send goes out through the
// program's adapter; the repetition buffers stay the transmit list's. The
// status bar shows the address and how many clients are connected.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QLabel;
class QTimer;

namespace tarvo {
struct TTarvoCAN;
class TTarvoApp;
class TCANSetupState;
class UserDialogs;
}  // namespace tarvo

namespace tarvo::bus {
class TSharedAdapterPort;
class TSocketcandServer;
}  // namespace tarvo::bus

namespace tarvo::qt {

class MainWindow;

class ShareWiring {
 public:
  // Takes over the program's received-message hook, calling the one it
  // found first: create it after every wiring that sets that hook.
  ShareWiring(TTarvoApp& app, MainWindow& window, UserDialogs& dialogs, TCANSetupState& setup);
  ~ShareWiring();
  ShareWiring(const ShareWiring&) = delete;
  ShareWiring& operator=(const ShareWiring&) = delete;

  bool Sharing() const { return server_ != nullptr; }
  // The port to listen on (0: one the system chooses); for tests.
  void SetPort(uint16_t port) { port_ = port; }
  // "ADDRESS:PORT" while sharing.
  std::string Where() const;

  void ToggleSharing();

 private:
  bool Start();
  void Stop();
  void Serve();
  void ShowClients();

  TTarvoApp& app_;
  MainWindow& window_;
  UserDialogs& dialogs_;
  TCANSetupState& setup_;
  uint16_t port_ = 29536;
  std::unique_ptr<bus::TSharedAdapterPort> adapter_;
  std::unique_ptr<bus::TSocketcandServer> server_;
  QTimer* timer_ = nullptr;
  QLabel* status_ = nullptr;
  size_t shownClients_ = SIZE_MAX;
  std::function<void(const TTarvoCAN&)> earlierHook_;  // the hook found, given back at the end
};

}  // namespace tarvo::qt
