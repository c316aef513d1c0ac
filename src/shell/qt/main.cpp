// Tarvo: a desktop tool for a CAN bus reached through the maker's
// USB-to-CAN adapters.
#include <QApplication>
#include <QStringList>

#include <string>
#include <vector>

#include "shell/qt/ApplicationShell.h"
#include "shell/qt/ScreenshotHook.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("Tarvo");

  std::vector<std::string> arguments;
  const QStringList all = QApplication::arguments();
  for (qsizetype i = 1; i < all.size(); ++i) arguments.push_back(all[i].toStdString());

  tarvo::qt::ApplicationShell shell;
  shell.Start(arguments);
  tarvo::qt::ScheduleScreenshotFromEnvironment(shell);
  return application.exec();
}
