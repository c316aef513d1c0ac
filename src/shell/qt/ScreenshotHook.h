#pragma once
// Documentation screenshots without a person at the keyboard. When the
// environment names a file, the running program prepares what the picture
// should show, presses the given keys, waits, saves a picture of the window
// (or of the About dialog) and quits. Without TARVO_SCREENSHOT nothing here
// runs and the program behaves as always.
//   TARVO_SCREENSHOT=<file.png>        where the PNG goes (switches the hook on)
//   TARVO_SCREENSHOT_KEYS=Esc,Ctrl+Y   shortcuts pressed once the window shows;
//                                      other keys go to the focused control
//   TARVO_SCREENSHOT_DELAY_MS=1500     wait after the keys
//   TARVO_SCREENSHOT_PAGE=0|1|2        page shown while preparing and when
//                                      the picture is taken
//   TARVO_SCREENSHOT_SIZE=1200x700     window size
//   TARVO_SCREENSHOT_TARGET=About      the About dialog instead of the window
//   TARVO_SCREENSHOT_TARGET=DisplayOptions, =LogOptions, =DeviceOptions   those dialogs as they open
// Preparation, before the keys, each as the user would do it on the page:
//   TARVO_SCREENSHOT_ERROR_COUNTERS=1  display option "CAN error counters" on
//   TARVO_SCREENSHOT_TX_ON_VIEW=1      display option "transmit list on the
//                                      CAN View page" on, list moved there
//   TARVO_SCREENSHOT_LOOPBACK=1        "Loopback" clicked on the CAN Setup page
//   TARVO_SCREENSHOT_DEMO_FILTERS=1    receive filter "Custom" with masks and
//                                      filters typed into both buffers
//   TARVO_SCREENSHOT_DEMO_TX=1         a sample transmit list typed into the
//                                      editor and added, one item selected
//   TARVO_SCREENSHOT_DATABASE=<x.dbc>  the database loaded as "Database" does
//   TARVO_SCREENSHOT_MESSAGE=<name>    that message chosen in the editor's
//                                      signal line
//   TARVO_SCREENSHOT_PLOT=<M.S,M.S>    the signal plot shown with those signals
//   TARVO_SCREENSHOT_OPEN_LOG=<log>    the log opened as File > Open Log does;
//                                      TARVO_SCREENSHOT_TARGET=Analysis takes
//                                      its window, a row of it selected
// Just before the picture:
//   TARVO_SCREENSHOT_SELECT_ID=0C4     the CAN View row of that identifier
//                                      (hexadecimal) clicked

namespace tarvo::qt {

class ApplicationShell;

// False when the environment does not ask for a screenshot.
bool ScheduleScreenshotFromEnvironment(ApplicationShell& shell);

}  // namespace tarvo::qt
