#include "shell/qt/ShareWiring.h"

#include <QAction>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

#include "adapter/TarvoAPI.h"
#include "bus/SharedAdapterPort.h"
#include "bus/SocketcandServer.h"
#include "setup/CANSetupState.h"
#include "shell/core/TarvoApp.h"
#include "shell/qt/MainWindow.h"

namespace tarvo::qt {

namespace {

constexpr int ServeIntervalMs = 10;  // the update tick's period

bus::TBusMode ModeOfSetup(const TCANSetupState& setup) {
  switch (setup.BitTiming.OperatingModeValue()) {
    case 1: return bus::TBusMode::ListenOnly;
    case 2: return bus::TBusMode::Loopback;
    default: return bus::TBusMode::Normal;
  }
}

}  // namespace

ShareWiring::ShareWiring(TTarvoApp& app, MainWindow& window, UserDialogs& dialogs, TCANSetupState& setup)
    : app_(app), window_(window), dialogs_(dialogs), setup_(setup) {
  if (QAction* action = window_.Action("ShareAdapter1")) action->setCheckable(true);
  timer_ = new QTimer(&window_);
  timer_->setObjectName("ShareTimer");
  timer_->setInterval(ServeIntervalMs);
  QObject::connect(timer_, &QTimer::timeout, timer_, [this] { Serve(); });
  status_ = new QLabel(&window_);
  status_->setObjectName("ShareStatus");
  window_.statusBar()->addPermanentWidget(status_);
  status_->hide();
  window_.SetHandler(TCommand::ShareAdapter, [this] { ToggleSharing(); });
  // Every received message reaches the clients once the program has it.
  earlierHook_ = app_.OnReceivedMessage;
  app_.OnReceivedMessage = [this](const TTarvoCAN& m) {
    if (earlierHook_) earlierHook_(m);
    if (adapter_) adapter_->Received(m);
  };
}

ShareWiring::~ShareWiring() {
  Stop();
  app_.OnReceivedMessage = earlierHook_;
}

std::string ShareWiring::Where() const { return server_ ? server_->Where() : std::string(); }

void ShareWiring::ToggleSharing() {
  QAction* action = window_.Action("ShareAdapter1");
  const bool wanted = action != nullptr && action->isChecked();
  if (wanted && !Sharing() && !Start()) action->setChecked(false);
  if (!wanted) Stop();
}

bool ShareWiring::Start() {
  // Frames of the clients go out only while the program has an adapter,
  // and never on a listen-only bus.
  adapter_ = std::make_unique<bus::TSharedAdapterPort>(
      [this](std::span<const TTarvoCAN> messages) {
        return app_.DeviceReadyFlag && SendCANMessages(app_.DeviceConnection, messages) == RES_OK;
      },
      [this] { return ModeOfSetup(setup_); });
  bus::TServerOptions options;
  options.Port = port_;
  server_ = std::make_unique<bus::TSocketcandServer>(*adapter_, options);
  std::string error;
  if (!server_->Listen(error)) {
    server_.reset();
    adapter_.reset();
    dialogs_.ShowMessage("The adapter cannot be shared: " + error + ".", TDialogType::Error, TDialogButtons::OK);
    return false;
  }
  shownClients_ = SIZE_MAX;
  ShowClients();
  status_->show();
  timer_->start();
  return true;
}

void ShareWiring::Stop() {
  timer_->stop();
  server_.reset();  // closes every client
  adapter_.reset();
  status_->hide();
}

void ShareWiring::Serve() {
  if (!server_) return;
  server_->Step(0);
  ShowClients();
}

void ShareWiring::ShowClients() {
  const size_t n = server_->ClientCount();
  if (n == shownClients_) return;
  shownClients_ = n;
  status_->setText(QString::fromStdString("socketcand " + server_->Where() + ": " + std::to_string(n) +
                                          (n == 1 ? " client" : " clients")));
}

}  // namespace tarvo::qt
