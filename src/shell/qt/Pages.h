#pragma once
// The three pages of the main window as plain widget trees. Every control
// carries its component name as objectName ("ListView2", "RadioButton100",
// "SpinEdit1", "Edit11", ...) and shows the form state; the subsystems that
// own a page find its controls by name and attach their behaviour.
class QTableView;
class QWidget;

namespace tarvo::qt {

// "CAN View": the list ListView1 filling the page.
QTableView* BuildCANViewPage(QWidget* page);

// "CAN Transmit": ListView2 above the group " CAN Transmit Editor ".
QTableView* BuildCANTransmitPage(QWidget* page);

// "CAN Setup": " CAN Baud Rate ", " CAN Operating Mode ", " CAN Receive Filters ".
void BuildCANSetupPage(QWidget* page);

// Settings shared by both lists: row selection, grid, read-only, uniform
// rows, never a horizontal scroll bar, font size 8.
void ConfigureListView(QTableView* list);

}  // namespace tarvo::qt
