#pragma once
// Log replay joined to the program: the replay over the log record, sending
// through the open adapter, starting and stopping it with the run control,
// showing what it sent in the CAN View, and the Log menu's three replay
// commands (Start, Single Step, Pause).
#include <cstdint>
#include <functional>
#include <memory>

namespace tarvo {
class Clock;
class TTarvoApp;
class TLogReplay;
class UserDialogs;
struct TLog;
}  // namespace tarvo

namespace tarvo::qt {

class MainWindow;
class QtGuiThreadCalls;

class ReplayWiring {
 public:
  // replayMinimumGap: the CAN Setup page's smallest replay spacing (ticks);
  // showLogOptions: the Log Options dialog.
  ReplayWiring(TTarvoApp& app, MainWindow& window, UserDialogs& dialogs, Clock& clock, TLog& log,
               std::function<uint32_t()> replayMinimumGap, std::function<void(bool)> showLogOptions);
  ~ReplayWiring();
  ReplayWiring(const ReplayWiring&) = delete;
  ReplayWiring& operator=(const ReplayWiring&) = delete;

  TLogReplay& Replay() { return *replay_; }

 private:
  class Host;

  std::unique_ptr<QtGuiThreadCalls> gui_;
  std::unique_ptr<Host> host_;
  std::unique_ptr<TLogReplay> replay_;
};

}  // namespace tarvo::qt
