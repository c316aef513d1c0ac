#pragma once
// The signals panel under the CAN View list (objectName "SignalsPanel"):
// the name of the selected row's message ("SignalsCaption") and a table
// ("SignalsList") of its signals with physical value (or value text) and
// raw value. It only shows a TFrameDescription; the window decides when.
#include <QWidget>

#include "dbc/DatabaseState.h"

class QLabel;
class QTableWidget;

namespace tarvo {

class SignalsPanel : public QWidget {
  Q_OBJECT
 public:
  explicit SignalsPanel(QWidget* parent = nullptr);

  // Texts are updated in place, so a refresh does not move the table.
  void ShowDescription(const TFrameDescription& description);

  QLabel* Caption() const { return caption_; }
  QTableWidget* Table() const { return table_; }

 private:
  QLabel* caption_;
  QTableWidget* table_;
};

}  // namespace tarvo
