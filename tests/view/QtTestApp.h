#pragma once
// One Qt application object for a whole GoogleTest program, created before
// the first test and destroyed after the last. Include from exactly one
// source file of the test program, naming the application class.
#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace tarvo::test {

template <class App>
class QtAppEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "view_tests";
    static char* argv[] = {name, nullptr};
    m_app = new App(argc, argv);
  }
  void TearDown() override { delete m_app; }

 private:
  App* m_app = nullptr;
};

// Collects the model tester's complaints so a test can assert there were none.
inline QStringList& QtWarnings() {
  static QStringList warnings;
  return warnings;
}

inline void CollectQtWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type != QtDebugMsg && type != QtInfoMsg) QtWarnings().append(message);
}

}  // namespace tarvo::test
