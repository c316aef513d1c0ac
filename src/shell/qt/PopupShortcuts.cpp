#include "shell/qt/PopupShortcuts.h"

#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QWidget>

namespace tarvo::qt {
namespace {

class PopupShortcutFilter : public QObject {
 public:
  PopupShortcutFilter(QWidget* list, QMenu* popup) : QObject(list), popup_(popup) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress)
      return QObject::eventFilter(watched, event);
    QAction* action = Match(static_cast<QKeyEvent*>(event));
    if (!action) return false;
    event->accept();
    if (type == QEvent::ShortcutOverride) return true;  // deliver as a key press instead
    action->trigger();
    return true;
  }

 private:
  QAction* Match(const QKeyEvent* key) const {
    const QKeySequence pressed(key->keyCombination());
    for (QAction* action : popup_->actions()) {
      if (!action->isSeparator() && action->isEnabled() && !action->shortcut().isEmpty() &&
          action->shortcut().matches(pressed) == QKeySequence::ExactMatch)
        return action;
    }
    return nullptr;
  }

  QMenu* popup_;
};

}  // namespace

void RoutePopupShortcuts(QWidget* list, QMenu* popup) {
  list->installEventFilter(new PopupShortcutFilter(list, popup));
}

}  // namespace tarvo::qt
