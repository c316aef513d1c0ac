#include "shell/qt/MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "common/qt/Scaling.h"
#include "shell/qt/AboutDialog.h"
#include "shell/qt/CommandTable.h"
#include "shell/qt/IconSet.h"
#include "shell/qt/PopupShortcuts.h"
#include "shell/qt/StatusPanels.h"
#include "view/qt/BalloonHint.h"
#include "view/qt/CANViewList.h"

namespace tarvo::qt {
namespace {

constexpr int kTickIntervalMs = 10;
const char* const kFontPlus = "Fo&nt +";
const char* const kFontMinus = "Fo&nt -";

double ScreenScalingFactor() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->logicalDotsPerInch() / 96.0 : 1.0;
}

}  // namespace

MainWindow::MainWindow(double scalingFactor, QWidget* parent)
    : QMainWindow(parent), scaling_(scalingFactor > 0 ? scalingFactor : ScreenScalingFactor()) {
  setObjectName("Form1");
  setWindowTitle("Tarvo");
  setMinimumSize(Scaled(kMinWidth), Scaled(kMinHeight));
  resize(minimumSize());
  helpFile_ = QCoreApplication::applicationDirPath() + "/Tarvo.html";

  BuildMenus();
  BuildToolBar();
  BuildPages();
  BuildPopups();
  KeepEscapeForOpenPopups(this);
  status_ = std::make_unique<StatusPanels>(statusBar(), scaling_);
  about_ = new AboutDialog(scaling_, this);

  tickTimer_ = new QTimer(this);
  tickTimer_->setObjectName("Timer1");
  tickTimer_->setTimerType(Qt::PreciseTimer);
  tickTimer_->setInterval(kTickIntervalMs);
  connect(tickTimer_, &QTimer::timeout, this, [this] { RunHandler(TCommand::Tick); });

  // The window's own commands; the program may bind others over them.
  SetHandler(TCommand::Exit, [this] { close(); });
  SetHandler(TCommand::ToggleListFont, [this] { ToggleListFont(); });
  SetHandler(TCommand::ShowHelp, [this] { ShowHelp(); });
  SetHandler(TCommand::ShowAbout, [this] { ShowAbout(); });

  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
    if (s != Qt::ApplicationActive) HideConversionBalloon();
  });
}

MainWindow::~MainWindow() = default;

int MainWindow::Scaled(int px) const { return ScaledPixels(px, scaling_); }

// ---- commands ----

QAction* MainWindow::AddCommand(const TCommandEntry& entry) {
  auto* action = new QAction(QString::fromUtf8(entry.caption), this);
  action->setObjectName(entry.name);
  action->setShortcut(QKeySequence::fromString(entry.shortcut, QKeySequence::PortableText));
  action->setEnabled(entry.enabled);
  if (entry.image >= 0) action->setIcon(CommandIcon(entry.image));
  const TCommand command = entry.command;
  connect(action, &QAction::triggered, this, [this, command] { RunHandler(command); });
  actions_[entry.name] = action;
  return action;
}

void MainWindow::BuildMenus() {
  for (const TMenuEntry& menuEntry : MainMenuTable()) {
    QMenu* menu = menuBar()->addMenu(QString::fromUtf8(menuEntry.caption));
    menu->setObjectName(menuEntry.name);
    for (const TCommandEntry& item : menuEntry.items) {
      if (!item.name)
        menu->addSeparator();
      else
        menu->addAction(AddCommand(item));
    }
    if (const std::optional<TCommand> opening = menuEntry.opening)
      connect(menu, &QMenu::aboutToShow, this, [this, opening] { RunHandler(*opening); });
  }
}

void MainWindow::BuildToolBar() {
  QToolBar* bar = addToolBar("Tool Bar");
  bar->setObjectName("ToolBar1");
  bar->setMovable(false);
  bar->setFloatable(false);
  bar->toggleViewAction()->setVisible(false);
  bar->setIconSize(QSize(Scaled(20), Scaled(20)));
  bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  for (const TToolButtonEntry& entry : ToolBarTable()) {
    if (!entry.name) {
      bar->addSeparator();
      continue;
    }
    QAction* action = actions_.at(entry.command);
    action->setIconText(entry.caption);
    action->setToolTip(entry.hint);
    bar->addAction(action);
    QWidget* button = bar->widgetForAction(action);
    button->setObjectName(entry.name);
    button->setFixedWidth(Scaled(kToolButtonWidth));
  }
}

void MainWindow::BuildPages() {
  pages_ = new QTabWidget(this);
  pages_->setObjectName("PageControl1");
  canViewPage_ = new QWidget(pages_);
  canViewPage_->setObjectName("TabSheet1");
  new QVBoxLayout(canViewPage_);
  canViewPage_->layout()->setContentsMargins(0, 0, 0, 0);
  // The CAN Transmit and CAN Setup pages are filled by their subsystems'
  // wirings (CANTransmitPanel, CANSetupPage).
  auto* transmitPage = new QWidget(pages_);
  transmitPage->setObjectName("TabSheet2");
  auto* setupPage = new QWidget(pages_);
  setupPage->setObjectName("TabSheet3");
  pages_->addTab(canViewPage_, "CAN View");
  pages_->addTab(transmitPage, "CAN Transmit");
  pages_->addTab(setupPage, "CAN Setup");
  pages_->setCurrentIndex(int(TPage::CANSetup));
  connect(pages_, &QTabWidget::currentChanged, this, [this] { HideConversionBalloon(); });
  setCentralWidget(pages_);
}

void MainWindow::BuildPopups() {
  const auto build = [this](std::span<const TPopupEntry> table, const char* name) {
    auto* menu = new QMenu(this);
    menu->setObjectName(name);
    for (const TPopupEntry& entry : table) {
      if (!entry.item.name) {
        menu->addSeparator();
      } else if (entry.sharesTwinAction) {
        QAction* twin = actions_.at(entry.twin);
        actions_[entry.item.name] = twin;
        menu->addAction(twin);
      } else {
        QAction* own = AddCommand(entry.item);
        if (entry.twin) connect(actions_.at(entry.twin), &QAction::enabledChanged, own, &QAction::setEnabled);
        menu->addAction(own);
      }
    }
    return menu;
  };
  canViewPopup_ = build(CANViewPopupTable(), "PopupMenu1");
  transmitPopup_ = build(TransmitPopupTable(), "PopupMenu2");
}

QWidget* MainWindow::ClearPage(TPage page) {
  if (page == TPage::CANView) return nullptr;
  QWidget* sheet = pages_->widget(int(page));
  if (page == TPage::CANTransmit) transmitList_ = nullptr;
  delete sheet->layout();
  qDeleteAll(sheet->findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
  return sheet;
}

void MainWindow::AttachTransmitList(QTableView* list) {
  transmitList_ = list;
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint& pos) {
    ShowPopup(list, transmitPopup_, TCommand::TransmitPopupOpening, pos);
  });
  RoutePopupShortcuts(list, transmitPopup_);
  ApplyListFont(list);
  // Both lists share one scroll-bar handler: scrolling the transmit list
  // holds a cyclic CAN View as its own scroll bar does.
  QScrollBar* bar = list->verticalScrollBar();
  connect(bar, &QScrollBar::actionTriggered, this, [this, bar](int action) {
    if (canView_ && CANViewList::IsScrollBarAction(*bar, action)) canView_->UserScrolled();
  });
}

void MainWindow::ShowPopup(QTableView* list, QMenu* popup, TCommand opening, const QPoint& pos) {
  RunHandler(opening);
  popup->popup(list->viewport()->mapToGlobal(pos));
}

void MainWindow::AttachCANViewList(CANViewList* list) {
  canView_ = list;
  list->setParent(canViewPage_);
  canViewPage_->layout()->addWidget(list);
  list->setFrameShape(QFrame::NoFrame);
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  QList<QIcon> rowIcons;
  for (int i = 0; i < ROW_ICON_COUNT; ++i) rowIcons.append(RowIcon(i));
  list->SetIcons(rowIcons);
  connect(list, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    ShowPopup(canView_, canViewPopup_, TCommand::CANViewPopupOpening, pos);
  });
  RoutePopupShortcuts(list, canViewPopup_);
  connect(list, &CANViewList::SelectionCommandsChanged, this, [this](bool enabled) {
    SetControlEnabled("CopyToTx1", enabled);
    SetControlEnabled("FilterOnID1", enabled);
  });
  ApplyListFont(list);
}

void MainWindow::AttachUnderCANView(QWidget* panel) {
  if (!canViewArea_) {
    auto* layout = static_cast<QVBoxLayout*>(canViewPage_->layout());
    const int at = std::max(0, layout->indexOf(canView_));
    canViewArea_ = new QSplitter(Qt::Vertical, canViewPage_);
    canViewArea_->setObjectName("Splitter2");
    canViewArea_->setChildrenCollapsible(false);
    layout->insertWidget(at, canViewArea_);
    canViewArea_->addWidget(canView_);
    canViewArea_->setStretchFactor(0, 1);
  }
  canViewArea_->addWidget(panel);
  canViewArea_->setStretchFactor(canViewArea_->indexOf(panel), 0);
}

QWidget* MainWindow::CANViewArea() const {
  if (canViewArea_) return canViewArea_;
  return canView_;
}

BalloonHint* MainWindow::ConversionBalloon() const { return canView_ ? canView_->Balloon() : nullptr; }

void MainWindow::SetHandler(TCommand command, std::function<void()> handler) {
  handlers_.at(std::size_t(command)) = std::move(handler);
}

void MainWindow::RunHandler(TCommand command) {
  const std::function<void()>& handler = handlers_.at(std::size_t(command));
  if (handler) handler();
}

std::vector<TCommand> MainWindow::UnboundCommands() const {
  std::vector<TCommand> unbound;
  for (std::size_t i = 0; i < kCommandCount; ++i)
    if (!handlers_[i]) unbound.push_back(TCommand(i));
  return unbound;
}

void MainWindow::SetCloseHandler(std::function<bool()> handler) { closeHandler_ = std::move(handler); }

void MainWindow::closeEvent(QCloseEvent* event) {
  if (closeHandler_ && !closeHandler_()) {
    event->ignore();
    return;
  }
  tickTimer_->stop();
  event->accept();
}

void MainWindow::SetFrameBounds(const QRect& frame) {
  move(frame.topLeft());  // a window's position is its frame's
  wantedFrameSize_ = frame.size();
  FitFrameSize();
}

// The client area is the frame less its borders and title bar. Their size is
// known once the window system has framed the window, at the latest a moment
// after it shows: the size is fitted then, once, and the user's own resizing
// is never undone.
void MainWindow::FitFrameSize() {
  if (wantedFrameSize_.isEmpty() || isMaximized() || isFullScreen()) return;
  resize(wantedFrameSize_ - (frameGeometry().size() - size()));  // raised to the smallest size by the window
}

bool MainWindow::event(QEvent* event) {
  const bool handled = QMainWindow::event(event);
  if (event->type() == QEvent::Show && !wantedFrameSize_.isEmpty()) {
    FitFrameSize();
    QTimer::singleShot(200, this, [this] {
      FitFrameSize();
      wantedFrameSize_ = QSize();
    });
  }
  return handled;
}

// ---- the window's own commands ----

void MainWindow::ApplyListFont(QTableView* list) const {
  QFont font = list->font();
  font.setPointSize(listFontSize_);
  list->setFont(font);
  // Uniform rows follow the font.
  list->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 4);
}

void MainWindow::SetListFontSize(int pointSize) {
  listFontSize_ = pointSize;
  if (canView_) ApplyListFont(canView_);
  if (transmitList_) ApplyListFont(transmitList_);
  // One action serves the View menu and both pop-up menus.
  actions_.at("Font1")->setText(pointSize == 8 ? kFontPlus : kFontMinus);
}

void MainWindow::ToggleListFont() {
  SetListFontSize(actions_.at("Font1")->text() == kFontPlus ? 10 : 8);
}

bool MainWindow::ShowHelp() {
  if (!QFileInfo::exists(helpFile_)) return false;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(helpFile_));
}

void MainWindow::ShowAbout() {
  HideConversionBalloon();
  about_->exec();
}

}  // namespace tarvo::qt
