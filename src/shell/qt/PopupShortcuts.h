#pragma once
// While a list has the focus, the shortcuts of its pop-up menu take
// precedence over those of the window's menus, as the menu of a focused
// control does: Ctrl+B in the transmit list converts the transmit item, not
// the CAN View row. Pop-up actions are otherwise not reachable by key.
class QMenu;
class QObject;
class QWidget;

namespace tarvo::qt {

void RoutePopupShortcuts(QWidget* list, QMenu* popup);

// An open pop-up (a drop-down list, a menu) takes its own Esc: it closes
// the pop-up and does not reach the window's Esc of Start or Stop. Lives as
// long as owner.
void KeepEscapeForOpenPopups(QObject* owner);

}  // namespace tarvo::qt
