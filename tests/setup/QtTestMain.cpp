// Text drawing and widgets need an application object; without a display
// the tests draw offscreen, also when the test list is asked for.
#include <QApplication>
#include <gtest/gtest.h>

#include "support/ModalWatch.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  tarvo::test::ModalWatch::Start();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
