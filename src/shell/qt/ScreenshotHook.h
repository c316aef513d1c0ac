#pragma once
// Documentation screenshots without a person at the keyboard. When the
// environment names a file, the running program presses the given keys,
// waits, saves a picture of the window (or of the About dialog) and quits:
//   TARVO_SCREENSHOT=<file.png>        where the PNG goes (switches the hook on)
//   TARVO_SCREENSHOT_KEYS=Esc,Ctrl+Y   shortcuts pressed once the window shows
//   TARVO_SCREENSHOT_DELAY_MS=1500     wait after the keys
//   TARVO_SCREENSHOT_PAGE=0|1|2        page shown when the picture is taken
//   TARVO_SCREENSHOT_SIZE=1200x700     window size
//   TARVO_SCREENSHOT_TARGET=About      the About dialog instead of the window

namespace tarvo::qt {

class MainWindow;

// False when the environment does not ask for a screenshot.
bool ScheduleScreenshotFromEnvironment(MainWindow& window);

}  // namespace tarvo::qt
