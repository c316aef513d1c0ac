#include "EndToEndFixture.h"

#include <QAction>
#include <QApplication>
#include <QTest>

namespace tarvo::test {

namespace {

// What the tests change of the process's environment: where settings and
// documents go, and what the simulated adapter simulates and traces.
const char* const kVariables[] = {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "TARVO_SIM_TRACE", "TARVO_SIM_SCENARIO"};

}  // namespace

void EndToEndTest::SetUpTestSuite() { EnsureApplication(); }

void EndToEndTest::SetUp() {
  for (const char* name : kVariables) saved_.push_back({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
  const QByteArray home = HomePath().toUtf8();
  qputenv("HOME", home);
  qputenv("XDG_DATA_HOME", home + "/.local/share");
  qputenv("XDG_CONFIG_HOME", home + "/.config");
  trace_ = HomePath("trace.txt");
  qputenv("TARVO_SIM_TRACE", trace_.toUtf8());
  qunsetenv("TARVO_SIM_SCENARIO");
}

void EndToEndTest::TearDown() {
  EndProgram();
  for (const SavedVariable& v : saved_) {
    if (v.SetFlag)
      qputenv(v.Name, v.Value);
    else
      qunsetenv(v.Name);
  }
  saved_.clear();
}

void EndToEndTest::UseScenario(const QString& path) { qputenv("TARVO_SIM_SCENARIO", path.toUtf8()); }

void EndToEndTest::StartProgram(const std::vector<std::string>& arguments) {
  shell_ = std::make_unique<qt::ApplicationShell>();
  shell_->Start(arguments);
  QApplication::setActiveWindow(&shell_->Window());
  ASSERT_TRUE(QTest::qWaitForWindowActive(&shell_->Window())) << "the program's window never became the active one";
}

void EndToEndTest::EndProgram() {
  if (!shell_) return;
  if (App().Run.RunningFlag) App().Stop();
  CloseDiscardingChanges(*shell_);
  shell_.reset();
}

int32_t EndToEndTest::EntriesOfKind(int32_t itemType) {
  int32_t n = 0;
  for (int32_t i = 0; i < Store().Count; ++i) n += Store().List[size_t(i)].ItemType == itemType;
  return n;
}

void EndToEndTest::Trigger(const char* actionName) {
  QAction* action = Window().Action(actionName);
  ASSERT_NE(action, nullptr) << actionName;
  ASSERT_TRUE(action->isEnabled()) << actionName;
  action->trigger();
}

bool EndToEndTest::WaitFor(const std::function<bool()>& done, int ms) { return QTest::qWaitFor(done, ms); }

void EndToEndTest::Retype(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClicks(edit, text);
}

}  // namespace tarvo::test
