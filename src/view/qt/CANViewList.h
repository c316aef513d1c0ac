#pragma once
// The "CAN View" list (objectName "ListView1"): a QTableView over
// CANViewModel with uniform row heights, no horizontal scroll bar, single
// row selection, the cyclic auto-scroll and its manual-scroll override, the
// conversion balloon, and the list side of the Clear, Fixed and Cyclic
// commands.
//
// How the main window uses it:
//   - construct it with the application object's TCANViewState and
//     TDisplaySettings; put it on the "CAN View" page; SetIcons with the
//     CAN View image list; call ConfigureCANView at start-up and after the
//     Display Options dialog reported a column change.
//   - update tick: RefreshStep(DeltaPCTime) on every tick while running or
//     replaying; RepaintList after a stop and after a new numeric base/font.
//     A window that runs the refresh step itself uses Model()->ItemCount(),
//     Model()->SetItemCount, RepaintList and SelectItem instead.
//   - StartDevice: ResetForStart (store and list) instead of resetting the
//     fields one by one.
//   - the Clear, Fixed and Cyclic commands: ClearCommand / FixedCommand /
//     CyclicCommand with RunningFlag. After a mode switch, enable the Fixed
//     commands iff state.Mode != VIEW_FIXED and the Cyclic commands iff
//     state.Mode != VIEW_CYCLIC (ModeChanged is emitted for this).
//   - after SetCANViewBufferSize from elsewhere (Display Options, loading a
//     configuration): SyncItemCount.
//   - connect SelectionCommandsChanged(bool) to the enabled state of the six
//     "Copy To Tx" / "Filter On ID" commands; call UpdateSelectionCommands at
//     every start (ResetForStart does) and after a mode switch while running
//     (the commands do).
//   - the conversion command: ShowConversion; hide the balloon with
//     HideConversion on the events that hide it (deactivation, tab change,
//     stop, before dialogs). ConversionCommandCaption gives the command text.
#include <QTableView>

#include "common/DisplaySettings.h"
#include "view/CANViewStore.h"
#include "view/qt/CANViewModel.h"

class QAbstractSlider;

namespace tarvo {

class BalloonHint;

class CANViewList : public QTableView {
  Q_OBJECT
 public:
  CANViewList(TCANViewState& state, const TDisplaySettings& settings, QWidget* parent = nullptr);

  CANViewModel* Model() const { return model_; }
  BalloonHint* Balloon() const { return balloon_; }
  void SetIcons(const QList<QIcon>& icons) { model_->SetIcons(icons); }

  // Rebuilds the optional columns and sets the column widths; scaling is
  // the window's DPI factor for the optional columns.
  void ConfigureCANView(double scaling = 1.0);

  // The refresh step of the update tick (cadence, item count or repaint,
  // cyclic selection and auto-scroll).
  void RefreshStep(uint32_t deltaMs);
  void RepaintList() { model_->Repaint(); }
  // The list's item count := the store's Count, at once.
  void SyncItemCount();

  void ClearCommand(bool running);
  bool FixedCommand(bool running);   // false when fixed mode was already active
  bool CyclicCommand(bool running);  // false when cyclic mode was already active
  void ResetForStart();

  // Selects the row; scrolls it into view only when asked.
  void SelectItem(int32_t row, bool scrollIntoView);
  int32_t SelectedRow() const;  // -1: none
  void UpdateSelectionCommands();

  // The selected row in the other numeric base, at the mouse cursor.
  void ShowConversion();
  void HideConversion();

  // True for an action of the scroll bar itself (arrows, page areas, a drag
  // of the slider), false for the wheel, which does not hold the view.
  static bool IsScrollBarAction(const QAbstractSlider& bar, int action);
  // The user scrolled with a scroll bar: this list's, or the transmit
  // list's, which shares the handler (the window wires that one up).
  void UserScrolled();

 public slots:
  // An action of this list's vertical scroll bar.
  void VerticalScrollBarAction(int action);

 signals:
  void SelectionCommandsChanged(bool enabled);
  void ModeChanged();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  // Painting is when the list asks for its visible rows: the moment to see
  // whether the newest rows are back in view.
  void paintEvent(QPaintEvent* event) override;
  // The font command switches the list between two sizes; rows follow.
  void changeEvent(QEvent* event) override;

 private:
  int RowHeight() const;
  void CheckRowsShown();
  void KeepMinimumWidth(int column, int oldSize, int newSize);

  TCANViewState& state_;
  const TDisplaySettings& settings_;
  CANViewModel* model_;
  BalloonHint* balloon_;
};

}  // namespace tarvo
