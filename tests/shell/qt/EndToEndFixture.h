#pragma once
// The base of the whole-program tests: the program as a user starts it, on
// the simulated adapter beside the test binary. Each test has a home folder
// of its own (settings and documents of an earlier test never reach it) and
// a protocol trace of its own in it; the simulated adapter reads its
// environment at the first driver call and starts afresh when it changed,
// so no test meets the adapter state another one left. The environment the
// test found is given back at its end.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QLineEdit>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "QtTestSupport.h"
#include "support/TempFolder.h"
#include "shell/core/TarvoApp.h"
#include "shell/qt/ApplicationShell.h"
#include "shell/qt/LogWiring.h"
#include "shell/qt/MainWindow.h"

namespace tarvo::test {

class EndToEndTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();

  // The home folder, the trace file in it, the built-in scenario. The
  // program is not started yet: a test may first write files or name a
  // scenario.
  void SetUp() override;
  // Stops a run, closes the window as a user who keeps no changes, and
  // restores the environment.
  void TearDown() override;

  // The simulated adapter's scenario file; named before the program starts.
  static void UseScenario(const QString& path);
  // Starts the program with these command-line arguments and waits until its
  // window is the active one.
  void StartProgram(const std::vector<std::string>& arguments = {});
  // Stops a run and closes the window without the "Save configuration?"
  // question; the program is gone after it, and StartProgram starts it again.
  void EndProgram();

  qt::MainWindow& Window() { return shell_->Window(); }
  TTarvoApp& App() { return shell_->App(); }
  bool Running() { return App().Run.RunningFlag; }
  const TCANView& Store() { return App().View.CANView; }
  TLog& Log() { return shell_->Logging().Log(); }
  // Entries of the CAN View store of one kind (ITEM_RD, ITEM_TD, ...).
  int32_t EntriesOfKind(int32_t itemType);

  // A widget of the window by its object name; a failure naming it when none.
  template <typename T = QWidget>
  T* Find(const char* name) {
    T* widget = Window().findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  // Chooses a command of the window's menus, which must be there and enabled.
  void Trigger(const char* actionName);
  // Runs the event loop until done() holds, at most ms milliseconds; false
  // when it never did.
  static bool WaitFor(const std::function<bool()>& done, int ms);
  // Replaces the text of a field by typing, as a user does.
  static void Retype(QLineEdit* edit, const QString& text);

  // The home folder, and a path in it.
  QString HomePath(const QString& name = {}) const {
    const QString home = QString::fromStdString(home_.Path().string());
    return name.isEmpty() ? home : home + "/" + name;
  }

  TempFolder home_{"tarvo-home"};
  QString trace_;  // the simulated adapter's protocol trace
  std::unique_ptr<qt::ApplicationShell> shell_;

 private:
  struct SavedVariable {
    const char* Name;
    bool SetFlag;
    QByteArray Value;
  };
  std::vector<SavedVariable> saved_;
};

}  // namespace tarvo::test
