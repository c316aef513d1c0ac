#include "shell/qt/OptionsWiring.h"

#include <QDateTime>
#include <QHeaderView>
#include <QLocale>
#include <QScrollBar>

#include "common/UserDialogs.h"
#include "persistence/IniFile.h"
#include "setup/CANSetupState.h"
#include "shell/core/TarvoApp.h"
#include "shell/qt/QtPlatform.h"
#include "shell/qt/SetupWiring.h"
#include "shell/qt/MainWindow.h"
#include "shell/qt/TransmitWiring.h"
#include "transmit/TransmitEditor.h"
#include "view/DisplayOptions.h"
#include "view/Snapshot.h"
#include "view/qt/CANViewList.h"
#include "view/qt/DisplayOptionsDialog.h"

namespace tarvo::qt {

namespace {
constexpr int kNumericBasePanel = 2;
}

OptionsWiring::OptionsWiring(TTarvoApp& app, MainWindow& window, UserDialogs& dialogs, SetupWiring& setup,
                             TransmitWiring& transmit)
    : app_(app),
      window_(window),
      dialogs_(dialogs),
      setup_(setup),
      transmit_(transmit),
      displayOptions_(new DisplayOptionsDialog(window.ScalingFactor(), &window)) {
  window.SetHandler(TCommand::DisplayOptions, [this] { ShowDisplayOptions(); });
  window.SetHandler(TCommand::Snapshot, [this] { TakeSnapshot(); });
}

void OptionsWiring::ShowDisplayOptions() {
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

// The view stands still while the user chooses a file; what arrived
// meanwhile is discarded, so the view resumes with fresh traffic.
void OptionsWiring::TakeSnapshot() {
  window_.ActivatePage(TPage::CANView);
  const bool running = app_.Run.RunningFlag;
  if (running) window_.SetTickEnabled(false);
  TFileDialogRequest request;
  request.Title = "Save Snapshot";
  request.Filter = SnapshotFilter;
  request.InitialDir = app_.Dirs.SnapshotDIR;
  if (const std::optional<std::string> chosen = dialogs_.SaveFileDialog(request)) {
    app_.Dirs.SnapshotDIR = DirectoryPart(*chosen);
    WriteSnapshot(SnapshotPath(*chosen));
  }
  if (!running) return;
  FlushDevice(app_.DeviceConnection);
  app_.CANMessageRing.ReadIndex = app_.CANMessageRing.WriteIndex;
  app_.CANMessageRing.FullFlag = false;
  window_.SetTickEnabled(true);
}

void OptionsWiring::WriteSnapshot(const std::string& path) {
  CANViewList* list = window_.CANView();
  TSnapshotInput in;
  const int top = list->rowAt(0);
  in.TopRow = top < 0 ? list->verticalScrollBar()->value() : top;
  const int rowHeight = std::max(1, list->verticalHeader()->defaultSectionSize());
  in.RowsThatFit = list->viewport()->height() / rowHeight;
  in.ItemCount = window_.CANViewItemCount();
  in.FileName = FileNamePart(path);
  const QLocale locale = QLocale::system();
  const QDateTime now = QDateTime::currentDateTime();
  in.TimeText = RegionalLongTimeNow();
  in.DateText = locale.toString(now.date(), QLocale::ShortFormat).toStdString();
  in.DecimalSeparator = app_.RegionalDecimalSeparator;
  const TBitTimingValues v = setup_.State().BitTiming.Values();
  in.BRP = v.BRP;
  in.PROPSEG = v.PROPSEG;
  in.PHSEG1 = v.PHSEG1;
  in.PHSEG2 = v.PHSEG2;
  in.CANClock40MHzFlag = app_.CANClock40MHzFlag;
  in.AdapterText = app_.Identity.TarvoDescription + app_.Identity.TarvoInternalStatus;
  const std::string text = SnapshotText(SnapshotLines(app_.View, app_.Display, in));
  // A read-only file is kept: replacing it by renaming over it would
  // succeed where the user meant it not to change.
  std::string cause;
  if (IsReadOnlyFile(path) || !ReplaceFileContent(path, text, &cause))
    dialogs_.ShowMessage(WithCause("Unable to save snapshot to file '" + path + "'.", cause), TDialogType::Error,
                         TDialogButtons::OK);
}

}  // namespace tarvo::qt
