#pragma once
// The signal line of the " CAN Transmit Editor " (objectName
// "TransmitSignals"), shown while a database is loaded: the message box
// "ComboBoxMessage" chooses a message by name, and the table
// "SignalsEditList" lists its signals with their values, which the user
// edits in the "Value" column. The widget only shows and reports: the
// window composes the frame (DatabaseState.h) and puts its bytes into the
// editor, whose fields then come back here through ShowFrame.
#include <QWidget>

#include "common/TarvoCAN.h"
#include "dbc/DatabaseState.h"

class QComboBox;
class QTableWidget;

namespace tarvo {

class TransmitSignalsEditor : public QWidget {
  Q_OBJECT
 public:
  explicit TransmitSignalsEditor(QWidget* parent = nullptr);

  // The messages to choose from (file order); null empties the box.
  void SetDatabase(const TDbcDatabase* database);

  // Shows the frame the editor's fields hold: its message in the box (none
  // when the frame is not in the database or the fields hold no valid
  // identifier) and the signals it shows with their values.
  void ShowFrame(bool valid, const TTarvoCAN& frame, bool hex, const std::string& decimalSeparator);

  QComboBox* MessageBox() const { return messages_; }
  QTableWidget* Table() const { return table_; }

 signals:
  // The user chose the message with this index in the database.
  void MessageChosen(int message);
  // The user typed a value for the signal with this index in its message.
  void SignalEdited(int message, int signal, const QString& text);

 private:
  const TDbcDatabase* database_ = nullptr;
  QComboBox* messages_;
  QTableWidget* table_;
  int shownMessage_ = -1;
  int syncing_ = 0;
};

}  // namespace tarvo
