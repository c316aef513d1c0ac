#include "shell/qt/PopupShortcuts.h"

#include <QAction>
#include <QApplication>
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

// Sees every shortcut check of the application: with a pop-up open, Esc is
// claimed for the focused control, so it arrives there as a key press.
class PopupEscapeFilter : public QObject {
 public:
  explicit PopupEscapeFilter(QObject* owner) : QObject(owner) { qApp->installEventFilter(this); }
  ~PopupEscapeFilter() override { qApp->removeEventFilter(this); }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ShortcutOverride && QApplication::activePopupWidget() != nullptr &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
      event->accept();
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

void KeepEscapeForOpenPopups(QObject* owner) { new PopupEscapeFilter(owner); }

void RoutePopupShortcuts(QWidget* list, QMenu* popup) {
  list->installEventFilter(new PopupShortcutFilter(list, popup));
}

}  // namespace tarvo::qt
