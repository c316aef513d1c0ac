#include "shell/qt/ScreenshotHook.h"

#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

#include "shell/qt/AboutDialog.h"
#include "shell/qt/MainWindow.h"

namespace tarvo::qt {
namespace {

constexpr int kKeysAfterShowMs = 300;

QString Env(const char* name) { return qEnvironmentVariable(name); }

void PressKeys(MainWindow& window, const QString& keys) {
  for (const QString& text : keys.split(',', Qt::SkipEmptyParts)) {
    const QKeySequence sequence = QKeySequence::fromString(text.trimmed(), QKeySequence::PortableText);
    if (sequence.isEmpty() || window.TriggerShortcut(sequence)) continue;
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
    QKeyEvent press(QEvent::KeyPress, sequence[0].key(), sequence[0].keyboardModifiers());
    QApplication::sendEvent(target, &press);
  }
}

void Capture(MainWindow& window, const QString& file) {
  bool pageOk = false;
  const int page = Env("TARVO_SCREENSHOT_PAGE").toInt(&pageOk);
  if (pageOk) window.PageControl()->setCurrentIndex(page);
  QWidget* target = &window;
  if (Env("TARVO_SCREENSHOT_TARGET").compare("About", Qt::CaseInsensitive) == 0) {
    window.About()->show();
    target = window.About();
  }
  QApplication::processEvents();
  if (!target->grab().save(file, "PNG")) std::fprintf(stderr, "screenshot: cannot write %s\n", qPrintable(file));
  // Straight out: a close could ask questions nobody is there to answer.
  QCoreApplication::exit(0);
}

}  // namespace

bool ScheduleScreenshotFromEnvironment(MainWindow& window) {
  const QString file = Env("TARVO_SCREENSHOT");
  if (file.isEmpty()) return false;
  const QStringList size = Env("TARVO_SCREENSHOT_SIZE").split('x');
  if (size.size() == 2) window.resize(size[0].toInt(), size[1].toInt());
  bool delayOk = false;
  int delay = Env("TARVO_SCREENSHOT_DELAY_MS").toInt(&delayOk);
  if (!delayOk) delay = 1500;
  const QString keys = Env("TARVO_SCREENSHOT_KEYS");
  QTimer::singleShot(kKeysAfterShowMs, &window, [&window, keys, delay, file] {
    PressKeys(window, keys);
    QTimer::singleShot(delay, &window, [&window, file] { Capture(window, file); });
  });
  return true;
}

}  // namespace tarvo::qt
