#include "transmit/qt/CANTransmitLocator.h"

#include <QBoxLayout>
#include <QGroupBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <algorithm>

#include "transmit/qt/CANTransmitPanel.h"

namespace tarvo {

namespace {

QBoxLayout* PageLayout(QWidget* page) {
  if (auto* layout = qobject_cast<QBoxLayout*>(page->layout())) return layout;
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  return layout;
}

}  // namespace

CANTransmitLocator::CANTransmitLocator(QTabWidget* pages, QWidget* canViewPage, QWidget* canViewList,
                                       QWidget* transmitPage, CANTransmitPanel* panel)
    : QObject(pages),
      pages_(pages),
      canViewPage_(canViewPage),
      canViewList_(canViewList),
      transmitPage_(transmitPage),
      panel_(panel) {}

void CANTransmitLocator::LocateCANTransmit(bool onCANViewPage) {
  if (onCANViewPage && !splitter_) {
    MoveToCANViewPage();
  } else if (!onCANViewPage && (splitter_ || panel_->parentWidget() != transmitPage_)) {
    MoveToOwnPage();
  }
}

void CANTransmitLocator::MoveToCANViewPage() {
  QBoxLayout* layout = PageLayout(canViewPage_);
  const int at = std::max(0, layout->indexOf(canViewList_));
  splitter_ = new QSplitter(Qt::Vertical, canViewPage_);
  splitter_->setObjectName("Splitter1");
  splitter_->setChildrenCollapsible(false);
  layout->insertWidget(at, splitter_);
  splitter_->addWidget(canViewList_);
  splitter_->addWidget(panel_);
  // A window resize takes its height from the CAN View list first.
  splitter_->setStretchFactor(0, 1);
  splitter_->setStretchFactor(1, 0);
  // Dragging stops short of either smallest height.
  canViewList_->setMinimumHeight(CANViewMinHeight + 1);
  panel_->ListView()->setMinimumHeight(CANTransmitMinHeight + 1);
  ApplyListHeight();
  connect(splitter_, &QSplitter::splitterMoved, this, &CANTransmitLocator::ListDragged);
  pages_->setTabVisible(pages_->indexOf(transmitPage_), false);
  pages_->setCurrentWidget(canViewPage_);
  panel_->show();
}

void CANTransmitLocator::MoveToOwnPage() {
  PageLayout(transmitPage_)->addWidget(panel_);
  panel_->ListView()->setMinimumHeight(0);
  if (splitter_) {
    QBoxLayout* layout = PageLayout(canViewPage_);
    const int at = std::max(0, layout->indexOf(splitter_));
    layout->insertWidget(at, canViewList_);
    canViewList_->setMinimumHeight(0);
    delete splitter_;
    splitter_ = nullptr;
  }
  pages_->setTabVisible(pages_->indexOf(transmitPage_), true);
  panel_->show();
}

// The transmit list gets CANTransmitHeight, the editor its own height, and
// the CAN View list the rest.
void CANTransmitLocator::ApplyListHeight() {
  const int spacing = std::max(0, panel_->layout()->spacing());
  const int panelHeight = CANTransmitHeight + panel_->EditorGroup()->sizeHint().height() + spacing;
  const int total = std::max(canViewPage_->height(), panelHeight + CANViewMinHeight + 1);
  splitter_->setSizes({total - panelHeight, panelHeight});
}

void CANTransmitLocator::ListDragged() {
  CANTransmitHeight = panel_->ListView()->height();
  emit CANTransmitHeightChanged(CANTransmitHeight);
}

}  // namespace tarvo
