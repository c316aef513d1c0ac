#pragma once
// Logging joined to the program: the log record, the recorder with its
// writer thread, the Log Options dialog, the run control's view of them
// (LogPort), the events of the CAN View store and of the transmit paths,
// the status-bar log indicator, and the Log menu's recording commands.
#include <functional>
#include <memory>

#include "setup/BitTiming.h"

namespace tarvo {
class TLogRecorder;
class TLogReplay;
class TTarvoApp;
class TransmitEcho;
class UserDialogs;
struct TLog;
}  // namespace tarvo

namespace tarvo::qt {

class LogOptionsDialog;
class MainWindow;
class QtGuiThreadCalls;

class LogWiring {
 public:
  // bitTiming gives the CAN Setup page's bit timing for the log footer.
  LogWiring(TTarvoApp& app, MainWindow& window, UserDialogs& dialogs, std::function<TBitTimingValues()> bitTiming);
  ~LogWiring();
  LogWiring(const LogWiring&) = delete;
  LogWiring& operator=(const LogWiring&) = delete;

  TLog& Log() { return *log_; }
  TLogRecorder& Recorder() { return *recorder_; }
  LogOptionsDialog& Options() { return *options_; }
  // Receives the transmit paths' echoes for the log.
  TransmitEcho& Echo();
  // The replay that Stop Log, the update tick and the close reach.
  void UseReplay(TLogReplay& replay);

 private:
  class Host;
  class Port;
  class Echoes;

  void BindHandlers();
  void StopLog();
  void EditLogOptions();

  TTarvoApp& app_;
  MainWindow& window_;
  std::unique_ptr<TLog> log_;
  std::unique_ptr<QtGuiThreadCalls> gui_;
  LogOptionsDialog* options_ = nullptr;  // owned by the window
  std::unique_ptr<Host> host_;
  std::unique_ptr<TLogRecorder> recorder_;
  std::unique_ptr<Port> port_;
  std::unique_ptr<Echoes> echo_;
  TLogReplay* replay_ = nullptr;
};

}  // namespace tarvo::qt
