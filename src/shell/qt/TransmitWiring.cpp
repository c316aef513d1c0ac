#include "shell/qt/TransmitWiring.h"

#include <QTabWidget>
#include <QVBoxLayout>

#include "common/qt/Scaling.h"
#include "shell/core/TarvoApp.h"
#include "shell/qt/MainWindow.h"
#include "transmit/CANViewTransmitEcho.h"
#include "transmit/DeviceCANMessageSender.h"
#include "transmit/TransmitEditor.h"
#include "transmit/TransmitScheduler.h"
#include "transmit/qt/CANTransmitLocator.h"
#include "transmit/qt/CANTransmitPanel.h"
#include "transmit/qt/TransmitKeyFilter.h"
#include "view/qt/BalloonHint.h"
#include "view/qt/CANViewList.h"

namespace tarvo::qt {

// What the transmit side asks of the run, read from the application's records.
class TransmitWiring::Host : public TransmitHost {
 public:
  Host(TTarvoApp& app, std::function<bool()> listenOnly, bool& configModified)
      : app_(app), listenOnly_(std::move(listenOnly)), configModified_(configModified) {}

  bool HexMode() override { return app_.Display.NumericBase == NUMERIC_HEXADECIMAL; }
  bool Running() override { return app_.Run.RunningFlag; }
  bool ListenOnly() override { return listenOnly_ && listenOnly_(); }
  uint32_t TarvoTime() override { return app_.Run.TarvoTime; }
  uint32_t DeltaPCTime() override { return app_.Run.DeltaPCTime; }
  TTransmitPhase Phase() override {
    switch (app_.Run.StartState) {
      case START_RX: return TTransmitPhase::ReceiveOnly;
      case START_TX: return TTransmitPhase::HandingOver;
      default: return TTransmitPhase::Full;
    }
  }
  void HandOverComplete() override { app_.Run.StartState = START_RX_TX; }
  bool StartCancelled() override { return app_.StartCancelled(); }
  void SetConfigModified() override { configModified_ = true; }

 private:
  TTarvoApp& app_;
  std::function<bool()> listenOnly_;
  bool& configModified_;
};

// The run control's view of the scheduler.
class TransmitWiring::Port : public TransmitPort {
 public:
  explicit Port(TTransmitScheduler& scheduler) : s_(scheduler) {}
  TResult LoadTransmitList() override { return s_.LoadTransmitList(); }
  void MarkAllItemsHandedOver() override { s_.MarkAllItemsHandedOver(); }
  void PrepareReceiveOnlyRun() override { s_.PrepareReceiveOnlyRun(); }
  void BuildTransmitSchedule() override { s_.BuildTransmitSchedule(); }
  void ProcessTransmitSchedule(bool final, uint32_t nextTimeStamp) override {
    s_.ProcessTransmitSchedule(final, nextTimeStamp);
  }

 private:
  TTransmitScheduler& s_;
};

namespace {
constexpr int kCANTransmitMinHeight = 75;  // at 96 DPI
constexpr int kCANViewMinHeight = 90;
}  // namespace

TransmitWiring::TransmitWiring(TTarvoApp& app, MainWindow& window, UserDialogs& dialogs, Clock& clock,
                               std::function<bool()> listenOnly, bool& configModified)
    : app_(app),
      window_(window),
      list_(std::make_unique<TCANTransmit>()),
      host_(std::make_unique<Host>(app, std::move(listenOnly), configModified)),
      sender_(std::make_unique<DeviceCANMessageSender>(app.DeviceConnection)),
      viewEcho_(std::make_unique<CANViewTransmitEcho>(app.View)),
      echoes_(std::make_unique<TransmitEchoList>()) {
  echoes_->Add(*viewEcho_);
  scheduler_ = std::make_unique<TTransmitScheduler>(*list_, *host_, *sender_, *echoes_, clock);
  port_ = std::make_unique<Port>(*scheduler_);
  editor_ = std::make_unique<TTransmitEditor>(*list_, *host_, dialogs, *scheduler_);
  app.UseTransmit(*port_);

  QWidget* page = window.ClearPage(TPage::CANTransmit);
  panel_ = new CANTransmitPanel(*list_, *editor_, *host_, page);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(panel_);
  window.AttachTransmitList(panel_->ListView());
  locator_ = new CANTransmitLocator(window.PageControl(), window.CANViewPage(), window.CANViewArea(), page, panel_);
  locator_->setParent(panel_);
  locator_->CANTransmitMinHeight = window.Scaled(kCANTransmitMinHeight);
  locator_->CANViewMinHeight = window.Scaled(kCANViewMinHeight);
  keys_ = new TransmitKeyFilter(&window, *scheduler_);
  BindHandlers();
}

// The window, and with it the panel and the key filter, is gone by now.
TransmitWiring::~TransmitWiring() = default;

void TransmitWiring::AddEcho(TransmitEcho& echo) { echoes_->Add(echo); }

void TransmitWiring::LocateCANTransmit() { locator_->LocateCANTransmit(app_.Display.CANTxOnCANViewPage); }

void TransmitWiring::BindHandlers() {
  TTransmitEditor& e = *editor_;
  window_.SetHandler(TCommand::SendNow, [&e] { e.SendNow(); });
  window_.SetHandler(TCommand::DisableAllTransmit, [&e] { e.DisableAllItems(); });
  window_.SetHandler(TCommand::EnableAllTransmit, [&e] { e.EnableAllItems(); });
  window_.SetHandler(TCommand::DeleteTransmit, [&e] { e.DeleteItem(); });
  window_.SetHandler(TCommand::DeleteAllTransmit, [&e] { e.DeleteAllItems(); });
  window_.SetHandler(TCommand::ToggleTransmitConversion, [this] { panel_->ToggleConversion(); });
  window_.SetHandler(TCommand::TransmitPopupOpening, [this] {
    window_.SetControlCaption("ShowConversion3", panel_->ConversionCommandCaption().toStdString());
  });
  window_.SetHandler(TCommand::CopyToTransmit, [this] { CopyToTx(); });

  QObject::connect(panel_, &CANTransmitPanel::ShowConversionHint, panel_,
                   [this](const QPoint& at, const QString& title, const QString& text, int timeoutMs) {
                     if (BalloonHint* balloon = window_.ConversionBalloon())
                       balloon->ShowBalloon(at, title, text, timeoutMs);
                   });
  QObject::connect(panel_, &CANTransmitPanel::HideConversionHint, panel_,
                   [this] { window_.HideConversionBalloon(); });
}

// The selected CAN View row goes into the editor, and the page that holds
// the editor comes to the front.
void TransmitWiring::CopyToTx() {
  window_.HideConversionBalloon();
  const int32_t row = window_.CANView()->SelectedRow();
  const TCANView& view = app_.View.CANView;
  if (row < 0 || row >= view.Count) return;
  const TCANViewMessage& entry = view.List[size_t(row)];
  if (!editor_->CopyToEditor(entry.ItemType, entry.Item)) return;
  window_.ActivatePage(app_.Display.CANTxOnCANViewPage ? TPage::CANView : TPage::CANTransmit);
}

}  // namespace tarvo::qt
