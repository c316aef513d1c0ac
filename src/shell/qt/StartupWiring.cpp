#include "shell/qt/StartupWiring.h"

#include <QPointer>
#include <QTimer>

#include "shell/core/DeviceChoice.h"
#include "shell/core/TarvoApp.h"
#include "shell/qt/DeviceOptionsDialog.h"
#include "shell/qt/MainWindow.h"
#include "shell/qt/SplashWindow.h"

namespace tarvo::qt {

namespace {
constexpr int kSplashDelayMs = 100;  // the splash shows this long after the start
}

class StartupWiring::Port : public StartupPort {
 public:
  Port(TTarvoApp& app, MainWindow& window) : app_(app), window_(window) {}

  // The chooser lists the attached adapters of the saved model; the window
  // lives only while the user chooses.
  void ChooseDevice(TDeviceInfo& selection) override {
    std::array<TDeviceInfo, DeviceChooserCapacity> list{};
    size_t count = 0;
    std::vector<std::string> lines;
    if (ListDevices(app_.DeviceConnection, list.data(), list.size(), count) == RES_OK)
      lines = BuildChooserList(list.data(), count, app_.SavedDeviceSelection.HardwareType);
    else
      count = 0;
    SplashWindow splash(window_.ScalingFactor(), &window_);
    const int line = splash.Choose(lines);
    selection = ChooserSelection(line, list.data(), count, app_.SavedDeviceSelection);
  }

  // Created now with its two-second timer running; shown kSplashDelayMs after the start.
  void ScheduleSplash() override {
    QPointer<SplashWindow> splash = new SplashWindow(window_.ScalingFactor(), &window_);
    splash->SetTimerEnabled(true);
    const int32_t model = app_.DeviceSelection.HardwareType;
    const std::string serial = SplashSerialText(app_.Identity.SerialNo);
    QTimer::singleShot(kSplashDelayMs, &window_, [splash, model, serial] {
      if (splash) splash->ShowInformation(model, serial);
    });
  }

 private:
  TTarvoApp& app_;
  MainWindow& window_;
};

StartupWiring::StartupWiring(TTarvoApp& app, MainWindow& window)
    : app_(app),
      window_(window),
      port_(std::make_unique<Port>(app, window)),
      deviceOptions_(new DeviceOptionsDialog(window.ScalingFactor(), &window)) {
  app.UseStartup(*port_);
  window.SetHandler(TCommand::DeviceOptions, [this] { ShowDeviceOptions(); });
}

StartupWiring::~StartupWiring() = default;

// Edits the choice for the next start; the open adapter stays open.
void StartupWiring::ShowDeviceOptions() {
  window_.HideConversionBalloon();
  const TDeviceInfo saved = app_.SavedDeviceSelection;
  const TDeviceInfo open = app_.DeviceSelection;
  const TDeviceInfo* openAdapter = app_.DeviceConnection.OpenFlag ? &open : nullptr;
  TDeviceOptionsForm form = DeviceOptionsOnShow(saved, openAdapter);
  const auto choose = [&](TDeviceOptionsForm& f, int button) { ChooseSerialButton(f, button, saved, openAdapter); };
  if (deviceOptions_->Execute(form, choose)) app_.SavedDeviceSelection = DeviceOptionsResult(form);
}

}  // namespace tarvo::qt
