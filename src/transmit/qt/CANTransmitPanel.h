#pragma once
// The transmit list ("ListView2") above the " CAN Transmit Editor ", as one
// widget that can sit on the "CAN Transmit" page or on the "CAN View" page
// (CANTransmitLocator moves it). Every control carries its component name
// as objectName. The widgets only mirror TTransmitEditor: each user action
// goes to the handler of the same name, and every change the editor reports
// is shown again from its list and form.
//
// The window wires its transmit pop-up menu to the editor (Now1 ->
// SendNow, DisableAll1/EnableAll1, Delete1 -> DeleteItem,
// DeleteAll1) and ShowConversion3 to ToggleConversion; before showing
// the menu it sets ShowConversion3's text to ConversionCommandCaption().
#include <QPoint>
#include <QString>
#include <QWidget>
#include <array>

#include "transmit/TransmitEditor.h"
#include "transmit/TransmitList.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableView;

namespace tarvo {

class TransmitListModel;

class CANTransmitPanel : public QWidget {
  Q_OBJECT
 public:
  CANTransmitPanel(TCANTransmit& list, TTransmitEditor& editor, TransmitHost& host, QWidget* parent = nullptr);
  ~CANTransmitPanel() override;

  QTableView* ListView() const { return listView_; }
  QGroupBox* EditorGroup() const { return editorGroup_; }
  TransmitListModel* Model() const { return model_; }

  // Shows the list, its selection and the editor form as the logic holds
  // them; the editor's change notice calls it, and so may anyone who
  // changed the list or the form directly (loading a configuration).
  void Refresh();

  // Appends a line to the editor group, below the comment and the buttons
  // (the signal line of a loaded database).
  void AddEditorLine(QWidget* line);

  // ToggleConversion: the selected item in the other base, at the cursor.
  void ToggleConversion();
  QString ConversionCommandCaption() const;

 signals:
  // The window shows these with its conversion balloon.
  void ShowConversionHint(const QPoint& globalPos, const QString& title, const QString& text, int timeoutMs);
  void HideConversionHint();
  // The editor's form changed: shown from the logic, or typed by the user.
  void FormChanged();

 private:
  void BuildList();
  QGroupBox* BuildEditor();
  QWidget* BuildIdBox();
  QWidget* BuildFrameBox();
  QWidget* BuildDataBox();
  QWidget* BuildTriggerBox();
  QWidget* BuildCommentAndButtons();
  void ConnectList();
  void ConnectEditor();
  void ShowSelection();
  void ShowForm();
  void KeepMinimumColumnWidth(int column, int newSize);
  bool Syncing() const { return syncing_ > 0; }

  TCANTransmit& list_;
  TTransmitEditor& editor_;
  TransmitHost& host_;
  TransmitListModel* model_ = nullptr;
  QTableView* listView_ = nullptr;
  QGroupBox* editorGroup_ = nullptr;
  QRadioButton* bit11_ = nullptr;   // RadioButton30
  QRadioButton* bit29_ = nullptr;   // RadioButton31
  QLineEdit* id_ = nullptr;         // FilePath
  QRadioButton* data_ = nullptr;    // RadioButton32
  QRadioButton* remote_ = nullptr;  // RadioButton33
  QSpinBox* dlc_ = nullptr;         // SpinEdit7
  std::array<QLineEdit*, 8> bytes_{};  // Edit2..Edit9
  QRadioButton* onTime_ = nullptr;  // RadioButton34
  QComboBox* period_ = nullptr;     // ComboBox1
  QRadioButton* onKey_ = nullptr;   // RadioButton35
  QComboBox* key_ = nullptr;        // ComboBox2
  QPushButton* now_ = nullptr;      // NowButton
  QLineEdit* comment_ = nullptr;    // Edit10
  QPushButton* add_ = nullptr;      // AddButton
  QPushButton* modify_ = nullptr;   // ModifyButton
  QPushButton* delete_ = nullptr;   // DeleteButton
  int syncing_ = 0;  // > 0 while the widgets are set from the logic
};

}  // namespace tarvo
