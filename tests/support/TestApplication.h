#pragma once
// The application object of a test program with widgets, made one way for
// all of them: at the first call, with the modal watch started, and never
// destroyed. An application object torn down among the program's statics
// crashes Qt's input devices at exit, after every test has passed; the
// process's end frees it instead. The offscreen platform comes from the test
// runner's environment (QT_QPA_PLATFORM=offscreen).
//
// Either call TestApplication() where a test first needs it, or register
// the environment once per program so it exists before the first test:
//   [[maybe_unused]] auto* const app =
//       ::testing::AddGlobalTestEnvironment(new test::TestApplicationEnvironment("view_tests"));
#include <gtest/gtest.h>

#include <QApplication>

namespace tarvo::test {

// programName becomes argv[0] (and so Qt's application name) at the first
// call; later calls return the same object whatever name they pass.
QApplication& TestApplication(const char* programName);

class TestApplicationEnvironment : public ::testing::Environment {
 public:
  explicit TestApplicationEnvironment(const char* programName) : programName_(programName) {}
  void SetUp() override { TestApplication(programName_); }

 private:
  const char* programName_;
};

}  // namespace tarvo::test
