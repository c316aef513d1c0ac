#include "shell/qt/SetupWiring.h"

#include <QVBoxLayout>

#include "setup/qt/CANSetupPage.h"
#include "setup/CANSetupState.h"
#include "shell/core/TarvoApp.h"
#include "shell/qt/MainWindow.h"
#include "shell/qt/QtPlatform.h"
#include "view/CANViewRefresh.h"
#include "view/qt/CANViewList.h"

namespace tarvo::qt {
namespace {

constexpr int kBitRatePanel = 3;
constexpr int kPreset250k = 108;

TOperatingMode ModeOf(uint8_t value) {
  if (value == 2) return TOperatingMode::Loopback;
  if (value == 1) return TOperatingMode::ListenOnly;
  return TOperatingMode::Normal;
}

TFilterChoice FilterChoiceOf(int filterType) {
  switch (filterType) {
    case FilterType11BitOnly: return TFilterChoice::Only11Bit;
    case FilterType29BitOnly: return TFilterChoice::Only29Bit;
    case FilterTypeCustom: return TFilterChoice::Custom;
    default: return TFilterChoice::None;
  }
}

uint8_t Byte(int value) { return uint8_t(value); }

}  // namespace

// What the run control and identification read from the page.
class SetupWiring::Port : public CANSetupPort {
 public:
  Port(TTarvoApp& app, TCANSetupState& state) : app_(app), state_(state) {}

  TCANSetup Settings() override {
    const TBitTimingValues v = state_.BitTiming.Values();
    TCANSetup s;
    s.BitTiming = {Byte(v.BRP), Byte(v.PROPSEG), Byte(v.PHSEG1), Byte(v.PHSEG2), Byte(v.SJW), Byte(v.SAM)};
    s.Mode = ModeOf(state_.BitTiming.OperatingModeValue());
    s.FilterChoice = FilterChoiceOf(state_.Filters.FilterType());
    return s;
  }
  bool CheckReceiveFilters(TFilterSettings& filters) override {
    return state_.Filters.FilterSettingsForStart(filters);
  }
  // Identification has decided the adapter's clock and model by now.
  bool CheckCANBaudRateSupport() override {
    TBitTimingPage& bt = state_.BitTiming;
    bt.CANClock40MHzFlag = app_.CANClock40MHzFlag;
    bt.AdapterHardwareType = app_.DeviceReadyFlag ? app_.DeviceSelection.HardwareType : 0;
    bt.AdapterHardwareVersion = app_.Identity.HardwareVersion;
    return bt.CheckCANBaudRateSupport();
  }
  bool UpdateCANBitTiming() override { return state_.BitTiming.UpdateCANBitTiming(); }

 private:
  TTarvoApp& app_;
  TCANSetupState& state_;
};

SetupWiring::SetupWiring(TTarvoApp& app, MainWindow& window, UserDialogs& dialogs, bool& configModified)
    : app_(app), window_(window), state_(std::make_unique<TCANSetupState>(dialogs, configModified)) {
  state_->BitTiming.DecimalSeparator = RegionalDecimalSeparator();
  port_ = std::make_unique<Port>(app, *state_);
  app.UseCANSetup(*port_);
  ApplyMissingSettingsDefaults();

  QWidget* tab = window.ClearPage(TPage::CANSetup);
  page_ = new CANSetupPage(*state_, tab);
  auto* layout = new QVBoxLayout(tab);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(page_);
  QObject::connect(page_, &CANSetupPage::StatusPanelTextChanged, page_, [&window](const QString& text) {
    window.SetStatusPanelText(kBitRatePanel, text.toStdString());
  });
  QObject::connect(page_, &CANSetupPage::PageActivationRequested, page_, [&window](TSetupPageRequest p) {
    window.ActivatePage(p == TSetupPageRequest::CANView ? TPage::CANView : TPage::CANSetup);
  });
  window.SetHandler(TCommand::FilterOnId, [this] { FilterOnID(); });
}

SetupWiring::~SetupWiring() = default;

bool SetupWiring::ListenOnly() const {
  return ModeOf(state_->BitTiming.OperatingModeValue()) == TOperatingMode::ListenOnly;
}

// The page as a settings file that cannot be read leaves it: "250k" with
// its values. Reading the settings file replaces them.
void SetupWiring::ApplyMissingSettingsDefaults() {
  TBitTimingPage& bt = state_->BitTiming;
  bt.SelectBaudRateButton(kPreset250k);
  bt.SetCANBitTimingFields(4, 8, 6, 5, 1, 1);
  bt.CheckCANBaudRatePreset();
}

void SetupWiring::FilterOnID() {
  window_.HideConversionBalloon();
  const int32_t row = window_.CANView()->SelectedRow();
  const TCANView& view = app_.View.CANView;
  // Only a received message has an identifier to filter on; a bus-state or
  // error-counter row would set the filter to 000.
  const TTarvoCAN* message = CANViewSelectionCommandsEnabled(view, row) ? &view.List[size_t(row)].Item : nullptr;
  state_->Filters.FilterOnID(app_.Run.RunningFlag, message);
}

}  // namespace tarvo::qt
