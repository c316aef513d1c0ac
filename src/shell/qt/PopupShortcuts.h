#pragma once
// While a list has the focus, the shortcuts of its pop-up menu take
// precedence over those of the window's menus, as the menu of a focused
// control does: Ctrl+B in the transmit list converts the transmit item, not
// the CAN View row. Pop-up actions are otherwise not reachable by key.
class QMenu;
class QWidget;

namespace tarvo::qt {

void RoutePopupShortcuts(QWidget* list, QMenu* popup);

}  // namespace tarvo::qt
