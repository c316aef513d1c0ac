#pragma once
// LocateCANTransmit: puts the transmit list and its editor (one
// CANTransmitPanel) either on the "CAN Transmit" page, the list filling it
// above the editor, or on the "CAN View" page below the CAN View list with a
// splitter ("Splitter1") between them; the "CAN Transmit" tab is hidden
// meanwhile. The splitter keeps the transmit list above CANTransmitMinHeight
// and the CAN View list above CANViewMinHeight; the height the user drags
// the list to becomes CANTransmitHeight (kept in the settings file).
//
// The window creates one locator after building its pages, with the CAN
// View list already in the CAN View page's layout and the "CAN Transmit"
// page empty, and calls LocateCANTransmit(CANTxOnCANViewPage) at start-up
// and whenever the display options were accepted.
#include <QObject>

class QSplitter;
class QTabWidget;
class QWidget;

namespace tarvo {

class CANTransmitPanel;

class CANTransmitLocator : public QObject {
  Q_OBJECT
 public:
  CANTransmitLocator(QTabWidget* pages, QWidget* canViewPage, QWidget* canViewList, QWidget* transmitPage,
                     CANTransmitPanel* panel);

  // Pixel sizes already scaled to the screen (75 and 90 at 96 DPI).
  int CANTransmitMinHeight = 75;
  int CANViewMinHeight = 90;
  int CANTransmitHeight = 150;

  void LocateCANTransmit(bool onCANViewPage);
  bool OnCANViewPage() const { return splitter_ != nullptr; }
  QSplitter* Splitter() const { return splitter_; }

 signals:
  void CANTransmitHeightChanged(int height);

 private:
  void MoveToCANViewPage();
  void MoveToOwnPage();
  void ApplyListHeight();
  void ListDragged();

  QTabWidget* pages_;
  QWidget* canViewPage_;
  QWidget* canViewList_;
  QWidget* transmitPage_;
  CANTransmitPanel* panel_;
  QSplitter* splitter_ = nullptr;
};

}  // namespace tarvo
