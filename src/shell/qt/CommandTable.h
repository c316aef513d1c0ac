#pragma once
// The command map of the main window as data: menus, the tool bar and the two
// pop-up menus. The window builds its actions from these tables; each item
// runs a typed command (TCommand) whose handler the program binds. The
// component names ("Start1") stay, as tests and the screenshot script find
// the actions by them.
#include <optional>
#include <span>

#include "shell/qt/Commands.h"

namespace tarvo::qt {

// One menu item. A null name is a separator.
struct TCommandEntry {
  const char* name;      // component name, the QAction's objectName ("Start1")
  const char* caption;   // "&Start Tarvo"
  const char* shortcut;  // portable key text ("Esc", "Ctrl+L"), "" for none
  bool enabled;          // state when the window is created
  int image;             // command image index, -1 for none
  TCommand command;      // TCommand::StartRun; not used by a separator
};

struct TMenuEntry {
  const char* name;     // "File1"
  const char* caption;  // "&File"
  std::span<const TCommandEntry> items;
  std::optional<TCommand> opening;  // run as the menu opens, or none
};

// A tool button runs the action of its menu command. A null name is a separator.
struct TToolButtonEntry {
  const char* name;     // "StartButton"
  const char* command;  // "Start1"
  const char* caption;  // "Start"
  const char* hint;     // "Start Tarvo"
};

// A pop-up item either is its menu twin (same caption, one shared action,
// reachable under both names) or has a caption of its own and follows its
// twin's enabled state.
struct TPopupEntry {
  TCommandEntry item;
  const char* twin;  // menu command it belongs with, or nullptr
  bool sharesTwinAction;
};

std::span<const TMenuEntry> MainMenuTable();
std::span<const TToolButtonEntry> ToolBarTable();
std::span<const TPopupEntry> CANViewPopupTable();
std::span<const TPopupEntry> TransmitPopupTable();

}  // namespace tarvo::qt
