// MainWindowPort: the logic reaches controls by component name. A tool
// button runs its menu command's action, so enabling "StartButton" or
// "Start1" changes both; the button's caption is the action's icon text and
// its hint the action's tool tip.
#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "shell/qt/IconSet.h"
#include "shell/qt/MainWindow.h"
#include "shell/qt/StatusPanels.h"
#include "view/qt/CANViewList.h"

namespace tarvo::qt {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// A tool button stands for the action it runs.
QAction* ActionBehind(QObject* control) {
  if (auto* action = qobject_cast<QAction*>(control)) return action;
  if (auto* button = qobject_cast<QToolButton*>(control)) return button->defaultAction();
  return nullptr;
}

bool IsToolButton(QObject* control) { return qobject_cast<QToolButton*>(control) != nullptr; }

}  // namespace

QObject* MainWindow::FindControl(const std::string& name) const {
  if (name.empty()) return nullptr;
  if (const auto it = actions_.find(name); it != actions_.end()) return it->second;
  return findChild<QWidget*>(Q(name));
}

QAction* MainWindow::Action(const std::string& name) const { return ActionBehind(FindControl(name)); }

bool MainWindow::TriggerShortcut(const QKeySequence& keys) {
  for (const auto& [name, action] : actions_) {
    if (action->isEnabled() && !action->shortcut().isEmpty() && action->shortcut() == keys) {
      action->trigger();
      return true;
    }
  }
  return false;
}

void MainWindow::SetControlEnabled(const std::string& name, bool enabled) {
  QObject* control = FindControl(name);
  if (QAction* action = ActionBehind(control))
    action->setEnabled(enabled);
  else if (auto* widget = qobject_cast<QWidget*>(control))
    widget->setEnabled(enabled);
}

void MainWindow::SetControlShortcut(const std::string& name, const std::string& shortcut) {
  const QKeySequence keys = QKeySequence::fromString(Q(shortcut), QKeySequence::PortableText);
  QObject* control = FindControl(name);
  if (QAction* action = ActionBehind(control))
    action->setShortcut(keys);
  else if (auto* button = qobject_cast<QAbstractButton*>(control))
    button->setShortcut(keys);
}

void MainWindow::SetControlCaption(const std::string& name, const std::string& caption) {
  QObject* control = FindControl(name);
  if (QAction* action = ActionBehind(control)) {
    if (IsToolButton(control))
      action->setIconText(Q(caption));
    else
      action->setText(Q(caption));
  } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    button->setText(Q(caption));
  } else if (auto* label = qobject_cast<QLabel*>(control)) {
    label->setText(Q(caption));
  } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
    group->setTitle(Q(caption));
  }
}

void MainWindow::SetControlHint(const std::string& name, const std::string& hint) {
  QObject* control = FindControl(name);
  if (QAction* action = ActionBehind(control))
    action->setToolTip(Q(hint));
  else if (auto* widget = qobject_cast<QWidget*>(control))
    widget->setToolTip(Q(hint));
}

void MainWindow::SetControlImage(const std::string& name, int commandImageIndex) {
  if (QAction* action = Action(name)) action->setIcon(CommandIcon(commandImageIndex));
}

void MainWindow::SetWindowCaption(const std::string& caption) { setWindowTitle(Q(caption)); }

void MainWindow::ActivatePage(TPage page) { pages_->setCurrentIndex(int(page)); }

void MainWindow::HideConversionBalloon() {
  if (canView_) canView_->HideConversion();
}

void MainWindow::SetTickEnabled(bool enabled) {
  if (enabled)
    tickTimer_->start();
  else
    tickTimer_->stop();
}

void MainWindow::SetStatusPanelText(int panel, const std::string& text) { status_->SetText(panel, Q(text)); }

void MainWindow::CreateBusLoadGauge() { status_->CreateBusLoadGauge(); }

void MainWindow::ShowBusLoad(int position, const std::string& text, bool valid) {
  status_->ShowBusLoad(position, Q(text), valid);
}

int MainWindow::CANViewItemCount() { return canView_ ? canView_->Model()->ItemCount() : 0; }

void MainWindow::SetCANViewItemCount(int count) {
  if (canView_) canView_->Model()->SetItemCount(count);
}

void MainWindow::RepaintCANView() {
  if (canView_) canView_->RepaintList();
}

void MainWindow::SelectCANViewItem(int index, bool scrollIntoView) {
  if (canView_) canView_->SelectItem(index, scrollIntoView);
}

void MainWindow::FocusCANView() {
  if (canView_) canView_->setFocus();
}

void MainWindow::UpdateSelectionCommands() {
  if (canView_) canView_->UpdateSelectionCommands();
}

}  // namespace tarvo::qt
