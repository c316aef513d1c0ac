// Text drawing and widgets need an application object; without a display
// the tests draw offscreen, also when the test list is asked for.
#include <QApplication>
#include <gtest/gtest.h>

#include "support/TestApplication.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  tarvo::test::TestApplication(argv[0]);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
