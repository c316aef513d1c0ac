#include "shell/qt/ViewWiring.h"

#include "shell/core/TarvoApp.h"
#include "shell/qt/MainWindow.h"
#include "view/CANViewText.h"
#include "view/qt/CANViewList.h"

namespace tarvo::qt {

ViewWiring::ViewWiring(TTarvoApp& app, MainWindow& window)
    : app_(app), window_(window), list_(new CANViewList(app.View, app.Display)) {
  window_.AttachCANViewList(list_);
  window_.SetHandler(TCommand::ClearView, [this] { list_->ClearCommand(app_.Run.RunningFlag); });
  window_.SetHandler(TCommand::SelectFixedView, [this] {
    if (list_->FixedCommand(app_.Run.RunningFlag)) ShowViewMode();
  });
  window_.SetHandler(TCommand::SelectCyclicView, [this] {
    if (list_->CyclicCommand(app_.Run.RunningFlag)) ShowViewMode();
  });
  window_.SetHandler(TCommand::ToggleViewConversion, [this] {
    window_.HideConversionBalloon();
    list_->ShowConversion();
  });
  window_.SetHandler(TCommand::ViewMenuOpening, [this] { ShowConversionCommand(); });
  window_.SetHandler(TCommand::CANViewPopupOpening, [this] { ShowConversionCommand(); });
}

void ViewWiring::Start() {
  list_->ConfigureCANView(window_.ScalingFactor());
  list_->SyncItemCount();
  ShowViewMode();
}

void ViewWiring::ShowViewMode() {
  window_.SetControlEnabled("Fixed1", app_.View.Mode != VIEW_FIXED);
  window_.SetControlEnabled("Cyclic1", app_.View.Mode != VIEW_CYCLIC);
}

void ViewWiring::ShowConversionCommand() {
  const TConversionCommand command = ConversionCommandCaption(app_.Display.NumericBase);
  window_.SetControlCaption("ShowConversion1", command.Caption);
  window_.SetControlImage("ShowConversion1", command.ImageIndex);
}

}  // namespace tarvo::qt
