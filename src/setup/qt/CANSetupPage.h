#pragma once
// The "CAN Setup" page widget. It holds no rules: it forwards what the user
// does to the page state (TCANSetupState) and shows what the state holds.
// Its widgets carry the component names of the page as objectName
// (RadioButton100..112 and 120, SpinEdit1..6, Label18, Label21, Image1,
// RadioButton12..22, GroupBox9, GroupBox12, Edit11..18).
#include <QString>
#include <QWidget>
#include <array>
#include <map>

#include "setup/CANSetupState.h"

class QAbstractButton;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;

namespace tarvo {

class BitTimeImage;
class SetupSpinBox;

class CANSetupPage : public QWidget {
  Q_OBJECT

 public:
  // The state outlives the page; the page installs the state's hooks.
  explicit CANSetupPage(TCANSetupState& state, QWidget* parent = nullptr);
  ~CANSetupPage() override;

  TCANSetupState& State() { return state_; }
  // The diagram as last drawn, in device pixels.
  const QImage& DiagramImage() const;

  // Shows the state again; the state's Changed hook calls it, so callers
  // only need it after writing state fields directly.
  void Refresh();

 signals:
  // New text for status-bar panel 3 (bit rate and sample point).
  void StatusPanelTextChanged(const QString& text);
  // The state asks for the "CAN View" or the "CAN Setup" page to be shown.
  void PageActivationRequested(tarvo::TSetupPageRequest page);

 private:
  QWidget* BuildBaudRateGroup();
  QWidget* BuildPresetButtons();
  QWidget* BuildBitTimingFields();
  QWidget* BuildFormula();
  QWidget* BuildOperatingModeGroup();
  QWidget* BuildReceiveFilterGroup();
  QGroupBox* BuildReceiveBuffer(int buffer);
  void InstallHooks();

  void SpinTextChanged(TBitField field);
  void FilterTextEdited(int index, const QString& text);
  void RefreshBitTiming();
  void RefreshFilters();

  TCANSetupState& state_;
  bool refreshing_ = false;

  std::map<int, QAbstractButton*> radioButtons_;  // by component number
  std::array<SetupSpinBox*, BitFieldCount> spinEdits_{};
  std::array<QLineEdit*, FILTER_FIELD_COUNT> filterEdits_{};
  QLabel* clockCaption_ = nullptr;
  QLabel* bitRateCaption_ = nullptr;
  BitTimeImage* image1_ = nullptr;
  QGroupBox* groupBox9_ = nullptr;
  QGroupBox* groupBox12_ = nullptr;
};

}  // namespace tarvo
