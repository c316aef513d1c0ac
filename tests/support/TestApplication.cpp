#include "support/TestApplication.h"

#include <string>

#include "support/ModalWatch.h"

namespace tarvo::test {

QApplication& TestApplication(const char* programName) {
  static std::string name = programName;
  static int argc = 1;
  static char* argv[] = {name.data(), nullptr};
  static QApplication* app = qApp ? static_cast<QApplication*>(qApp) : new QApplication(argc, argv);
  ModalWatch::Start();
  return *app;
}

}  // namespace tarvo::test
