#pragma once
// The main window (objectName "Form1"): menu bar, tool bar, the pages
// "CAN View", "CAN Transmit" and "CAN Setup", the status bar, the two pop-up
// menus and the update timer. It holds no program logic: every command runs
// the handler bound to its TCommand, and the logic calls back through
// MainWindowPort, naming controls by their component names.
#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "shell/core/MainWindowPort.h"
#include "shell/qt/Commands.h"

class QAction;
class QKeySequence;
class QMenu;
class QSplitter;
class QTableView;
class QTabWidget;
class QTimer;

namespace tarvo {
class BalloonHint;
class CANViewList;
}  // namespace tarvo

namespace tarvo::qt {

class AboutDialog;
class StatusPanels;
struct TCommandEntry;

inline constexpr int kMinWidth = 1050;   // at 96 DPI
inline constexpr int kMinHeight = 655;
inline constexpr int kToolButtonWidth = 35;

class MainWindow : public QMainWindow, public MainWindowPort {
 public:
  // scalingFactor 0 takes it from the screen: logical pixels per inch / 96.
  explicit MainWindow(double scalingFactor = 0.0, QWidget* parent = nullptr);
  ~MainWindow() override;

  double ScalingFactor() const { return scaling_; }
  int Scaled(int px) const;

  // ---- handlers, one per command (menu items, tool buttons, pop-up items,
  // a menu or pop-up opening, the update tick). A later binding replaces an
  // earlier one. The window binds its own commands (Exit, ToggleListFont,
  // ShowHelp, ShowAbout); the program binds the rest.
  void SetHandler(TCommand command, std::function<void()> handler);
  void RunHandler(TCommand command);
  // The commands without a handler, in their order; start-up refuses a
  // window that has any.
  std::vector<TCommand> UnboundCommands() const;
  // The close processing; false keeps the window open.
  void SetCloseHandler(std::function<bool()> handler);

  // ---- parts ----
  // Puts the CAN View list on its page and gives it the pop-up menu, the
  // selection-dependent commands and the list font.
  void AttachCANViewList(CANViewList* list);
  CANViewList* CANView() const { return canView_; }
  QWidget* CANViewPage() const { return canViewPage_; }
  // Puts a panel under the CAN View list: list and panel share a vertical
  // splitter ("Splitter2") that takes the list's place on the page.
  void AttachUnderCANView(QWidget* panel);
  // What stands on the CAN View page for the list: the list itself, or the
  // splitter holding it and the panel under it.
  QWidget* CANViewArea() const;
  // Empties the "CAN Transmit" or "CAN Setup" page of its form controls for
  // the subsystem that brings its own widgets; returns the empty page. The
  // "CAN View" page is not emptied (null).
  QWidget* ClearPage(TPage page);
  // The transmit list its pop-up menu, the menu's shortcuts and the list
  // font belong to.
  void AttachTransmitList(QTableView* list);
  QTableView* TransmitList() const { return transmitList_; }
  QTabWidget* PageControl() const { return pages_; }
  StatusPanels& Status() const { return *status_; }
  // The window's bounds with its frame, as the settings keep them. Set
  // before the window shows, the frame is taken off the size once the window
  // system tells how wide it is.
  QRect FrameBounds() const { return frameGeometry(); }
  void SetFrameBounds(const QRect& frame);
  QMenu* CANViewPopup() const { return canViewPopup_; }
  QMenu* TransmitPopup() const { return transmitPopup_; }
  AboutDialog* About() const { return about_; }
  QTimer* TickTimer() const { return tickTimer_; }
  // The balloon used for value conversions (the CAN View's), or null.
  BalloonHint* ConversionBalloon() const;

  // A command (QAction) or control (QWidget) by component name; null when unknown.
  QObject* FindControl(const std::string& name) const;
  QAction* Action(const std::string& name) const;
  // Runs the enabled command whose shortcut is keys; false when none has it.
  bool TriggerShortcut(const QKeySequence& keys);

  // ---- commands of the window itself ----
  void ToggleListFont();
  int ListFontSize() const { return listFontSize_; }
  // 8 gives the font commands "Fo&nt +", any other size "Fo&nt -".
  void SetListFontSize(int pointSize);
  // Opens the HTML help beside the executable; false when it is missing.
  bool ShowHelp();
  void ShowAbout();
  QString HelpFile() const { return helpFile_; }
  void SetHelpFile(const QString& path) { helpFile_ = path; }

  // ---- MainWindowPort ----
  void SetControlEnabled(const std::string& name, bool enabled) override;
  void SetControlShortcut(const std::string& name, const std::string& shortcut) override;
  void SetControlCaption(const std::string& name, const std::string& caption) override;
  void SetControlHint(const std::string& name, const std::string& hint) override;
  void SetControlImage(const std::string& name, int commandImageIndex) override;
  void SetWindowCaption(const std::string& caption) override;
  void ActivatePage(TPage page) override;
  void HideConversionBalloon() override;
  void SetTickEnabled(bool enabled) override;
  void SetStatusPanelText(int panel, const std::string& text) override;
  void CreateBusLoadGauge() override;
  void ShowBusLoad(int position, const std::string& text, bool valid) override;
  int CANViewItemCount() override;
  void SetCANViewItemCount(int count) override;
  void RepaintCANView() override;
  void SelectCANViewItem(int index, bool scrollIntoView) override;
  void FocusCANView() override;
  void UpdateSelectionCommands() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void BuildMenus();
  void BuildToolBar();
  void BuildPages();
  void BuildPopups();
  QAction* AddCommand(const TCommandEntry& entry);
  void ApplyListFont(QTableView* list) const;
  void ShowPopup(QTableView* list, QMenu* popup, TCommand opening, const QPoint& pos);

  void FitFrameSize();

  double scaling_;
  QSize wantedFrameSize_;  // until the frame's width is known; empty: none
  std::unordered_map<std::string, QAction*> actions_;  // menu, pop-up and alias names
  std::array<std::function<void()>, kCommandCount> handlers_;
  std::function<bool()> closeHandler_;
  QTabWidget* pages_ = nullptr;
  QWidget* canViewPage_ = nullptr;
  CANViewList* canView_ = nullptr;
  QSplitter* canViewArea_ = nullptr;
  QTableView* transmitList_ = nullptr;
  QMenu* canViewPopup_ = nullptr;
  QMenu* transmitPopup_ = nullptr;
  std::unique_ptr<StatusPanels> status_;
  AboutDialog* about_ = nullptr;
  QTimer* tickTimer_ = nullptr;
  int listFontSize_ = 8;
  QString helpFile_;
};

}  // namespace tarvo::qt
