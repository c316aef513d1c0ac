#pragma once
// A QApplication for the widget tests (the offscreen platform is set by the
// test runner) and a window with a CAN View list over a store of its own.
#include <QApplication>
#include <QByteArray>
#include <QMessageBox>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <memory>

#include "shell/qt/ApplicationShell.h"
#include "shell/qt/MainWindow.h"
#include "view/qt/CANViewList.h"
#include "view/CANViewStore.h"
#include "view/DisplaySettings.h"

namespace tarvo::test {

inline QApplication& EnsureApplication() {
  static int argc = 1;
  static char name[] = "shell_qt_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = qApp ? static_cast<QApplication*>(qApp) : new QApplication(argc, argv);
  return *app;
}

// Settings and documents of the program under test go below home, so that no
// test reads what a user or another test left.
inline void UseHomeFolder(const QByteArray& home) {
  qputenv("HOME", home);
  qputenv("XDG_DATA_HOME", home + "/.local/share");
  qputenv("XDG_CONFIG_HOME", home + "/.config");
}

// Starts the program as a user does (the simulated adapter reads its
// environment at the first driver call) and waits until its window is the
// active one; false when it never becomes so.
inline bool StartProgramWindow(std::unique_ptr<qt::ApplicationShell>& shell) {
  shell = std::make_unique<qt::ApplicationShell>();
  shell->Start({});
  QApplication::setActiveWindow(&shell->Window());
  return QTest::qWaitForWindowActive(&shell->Window());
}

// Answers every message box the program shows with OK, as a user would, and
// keeps their texts.
class MessageBoxAnswers {
 public:
  MessageBoxAnswers() {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      Texts << box->text();
      box->accept();
    });
    timer_.start();
  }
  QStringList Texts;

 private:
  QTimer timer_;
};

// Closes the program's window as a user who keeps no changes: no
// "Save configuration?" question is left waiting.
inline void CloseDiscardingChanges(qt::ApplicationShell& shell) {
  shell.ConfigModifiedFlag() = false;
  shell.Window().close();
}

struct WindowWithCANView {
  explicit WindowWithCANView(double scaling = 1.0) : window((EnsureApplication(), scaling)) {
    list = new CANViewList(view, display);
    window.AttachCANViewList(list);
  }
  TCANViewState view;
  TDisplaySettings display;
  qt::MainWindow window;
  CANViewList* list;
};

}  // namespace tarvo::test
