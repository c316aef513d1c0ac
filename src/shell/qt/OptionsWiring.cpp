#include "shell/qt/OptionsWiring.h"

#include "shell/core/TarvoApp.h"
#include "shell/qt/MainWindow.h"
#include "shell/qt/TransmitWiring.h"
#include "transmit/TransmitEditor.h"
#include "view/DisplayOptions.h"
#include "view/qt/CANViewList.h"
#include "view/qt/DisplayOptionsDialog.h"

namespace tarvo::qt {

namespace {
constexpr int kNumericBasePanel = 2;
}

OptionsWiring::OptionsWiring(TarvoApp& app, MainWindow& window, TransmitWiring& transmit)
    : app_(app),
      window_(window),
      transmit_(transmit),
      displayOptions_(new DisplayOptionsDialog(window.ScalingFactor(), &window)) {
  window.SetHandler("Display1Click", [this] { Display1Click(); });
}

void OptionsWiring::Display1Click() {
  window_.HideConversionBalloon();
  TDisplayOptionsForm form = DisplayOptionsOnShow(app_.Display, app_.BusLoadSupportedFlag);
  if (displayOptions_->Execute(form)) {
    if (ApplyDisplayOptions(form, app_.Display)) {
      const bool hex = app_.Display.NumericBase == NUMERIC_HEXADECIMAL;
      window_.SetStatusPanelText(kNumericBasePanel, hex ? "Hexadecimal " : "Decimal ");
      transmit_.Editor().ConvertCANTransmitEditorNumericBase();
    }
    window_.RepaintCANView();
    transmit_.Editor().NotifyChanged();
    // Emptied and sized on every OK, changed or not.
    SetCANViewBufferSize(app_.View, app_.Display);
    window_.CANView()->SyncItemCount();
    transmit_.LocateCANTransmit();
  }
  // The columns follow the check boxes (also after Cancel, which only
  // reproduces the settings in force).
  if (form.CANViewModifiedFlag) window_.CANView()->ConfigureCANView(window_.ScalingFactor());
}

}  // namespace tarvo::qt
