#pragma once
// The platform services of the shell, realised with Qt: the clock that keeps
// the GUI alive while it waits, the known folders, the regional decimal
// separator, the message boxes and the file dialogs.
#include <string>

#include "common/Clock.h"
#include "common/UserDialogs.h"
#include "shell/core/Directories.h"

class QWidget;

namespace tarvo::qt {

class QtClock : public Clock {
 public:
  uint32_t TickCount() override;
  void Sleep(uint32_t ms) override;
  // Runs the event loop until more than ms milliseconds of the tick count
  // have passed; returns early once the application is quitting.
  void WaitProcessingMessages(uint32_t ms) override;
};

class QtKnownFolders : public KnownFolders {
 public:
  std::string LocalAppData() override;
  std::string Documents() override;
};

// The decimal separator of the system locale.
std::string RegionalDecimalSeparator();
// The current time in the user's regional long-time format, without the
// time zone that Qt's long format adds ("06:42:35", not "06:42:35 UTC").
std::string RegionalLongTimeNow();
// A Qt time format less its time-zone fields and the spaces around them.
std::string TimeFormatWithoutZone(const std::string& format);

class QtUserDialogs : public UserDialogs {
 public:
  explicit QtUserDialogs(QWidget* parent) : parent_(parent) {}
  TDialogResult ShowMessage(const std::string& text, TDialogType type,
                            TDialogButtons buttons) override;
  std::optional<std::string> OpenFileDialog(const TFileDialogRequest& request) override;
  std::optional<std::string> SaveFileDialog(const TFileDialogRequest& request) override;

 private:
  QWidget* parent_;
};

}  // namespace tarvo::qt
