#include "shell/qt/QtPlatform.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QStandardPaths>
#include <QThread>
#include <QTime>
#include <QTimer>

#include <chrono>

namespace tarvo::qt {
namespace {

bool quitting = false;

void WatchForQuit() {
  static bool connected = false;
  if (connected || !QCoreApplication::instance()) return;
  QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [] { quitting = true; });
  connected = true;
}

bool Terminating() { return quitting || QCoreApplication::closingDown(); }

// "Configuration File (*.cfx)|*.cfx" (description and pattern pairs) as Qt's
// name filters; a description without its pattern in brackets gets it.
QStringList NameFilters(const std::string& filter) {
  QStringList parts = QString::fromStdString(filter).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString pattern = parts[i + 1];
    pattern.replace(';', ' ');
    const QString description = parts[i].trimmed();
    filters << (description.contains('(') ? description : description + " (" + pattern + ")");
  }
  return filters;
}

// The platform's dialog is replaced by Qt's own, which behaves the same on
// every desktop and which tests can fill in (objectName "OpenDialog1" or
// "SaveDialog1").
// The open dialog takes a file that does not exist yet (the log options name
// the file of a recording to come), but its folder must exist.
class FileDialog : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;
  void accept() override {
    const QStringList files = selectedFiles();
    if (acceptMode() == AcceptOpen && !files.isEmpty() && !QFileInfo(files.front()).absoluteDir().exists()) return;
    QFileDialog::accept();
  }
};

std::optional<std::string> RunFileDialog(QWidget* parent, const TFileDialogRequest& request, bool save) {
  FileDialog dialog(parent, QString::fromStdString(request.Title));
  dialog.setObjectName(save ? "SaveDialog1" : "OpenDialog1");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (save && !request.PromptOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setNameFilters(NameFilters(request.Filter));
  const QString dir = QString::fromStdString(request.InitialDir);
  if (!dir.isEmpty() && QDir(dir).exists()) dialog.setDirectory(dir);
  if (!request.FileName.empty()) dialog.selectFile(QString::fromStdString(request.FileName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(dialog.selectedFiles().front()).toStdString();
}

}  // namespace

uint32_t QtClock::TickCount() {
  using namespace std::chrono;
  return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void QtClock::Sleep(uint32_t ms) { QThread::msleep(ms); }

void QtClock::WaitProcessingMessages(uint32_t ms) {
  WatchForQuit();
  const uint32_t start = TickCount();
  while (!Terminating()) {
    const uint32_t passed = TickCount() - start;
    if (passed > ms) return;
    QEventLoop loop;
    QTimer::singleShot(std::chrono::milliseconds(ms - passed + 1), Qt::PreciseTimer, &loop,
                       &QEventLoop::quit);
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &loop,
                     &QEventLoop::quit);
    loop.exec();
  }
}

std::string QtKnownFolders::LocalAppData() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString();
}

std::string QtKnownFolders::Documents() {
  return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
}

std::string RegionalDecimalSeparator() { return QLocale::system().decimalPoint().toStdString(); }

std::string TimeFormatWithoutZone(const std::string& format) {
  std::string out;
  bool quoted = false;
  for (char c : format) {
    if (c == '\'') quoted = !quoted;
    if (c == 't' && !quoted) {
      while (!out.empty() && out.back() == ' ') out.pop_back();
      continue;
    }
    out += c;
  }
  const size_t first = out.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : out.substr(first);
}

std::string RegionalLongTimeNow() {
  const QLocale locale = QLocale::system();
  const QString format =
      QString::fromStdString(TimeFormatWithoutZone(locale.timeFormat(QLocale::LongFormat).toStdString()));
  return locale.toString(QTime::currentTime(), format).toStdString();
}

TDialogResult QtUserDialogs::ShowMessage(const std::string& text, TDialogType type,
                                         TDialogButtons buttons) {
  static const char* const titles[] = {"Information", "Warning", "Error", "Confirm"};
  static const QMessageBox::Icon icons[] = {QMessageBox::Information, QMessageBox::Warning,
                                            QMessageBox::Critical, QMessageBox::Question};
  QMessageBox::StandardButtons choice = QMessageBox::Ok;
  if (buttons == TDialogButtons::OKCancel) choice = QMessageBox::Ok | QMessageBox::Cancel;
  if (buttons == TDialogButtons::YesNo) choice = QMessageBox::Yes | QMessageBox::No;
  if (buttons == TDialogButtons::YesNoCancel)
    choice = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  const int t = int(type);
  QMessageBox box(icons[t], titles[t], QString::fromStdString(text), choice, parent_);
  box.setObjectName("MessageBox");
  // A question of Yes and No alone is one whose Yes overwrites a file: No is
  // the default button, so that Enter keeps what the user has. With Cancel
  // (the save question) Yes saves and stays the default.
  if (buttons == TDialogButtons::YesNo) box.setDefaultButton(QMessageBox::No);
  switch (box.exec()) {
    case QMessageBox::Yes: return TDialogResult::Yes;
    case QMessageBox::No: return TDialogResult::No;
    case QMessageBox::Cancel: return TDialogResult::Cancel;
    case QMessageBox::Ok: return TDialogResult::OK;
    default: break;
  }
  // Closed without a button: Cancel when offered, else No, else OK.
  if (choice & QMessageBox::Cancel) return TDialogResult::Cancel;
  if (choice & QMessageBox::No) return TDialogResult::No;
  return TDialogResult::OK;
}

std::optional<std::string> QtUserDialogs::OpenFileDialog(const TFileDialogRequest& request) {
  return RunFileDialog(parent_, request, false);
}

std::optional<std::string> QtUserDialogs::SaveFileDialog(const TFileDialogRequest& request) {
  return RunFileDialog(parent_, request, true);
}

}  // namespace tarvo::qt
