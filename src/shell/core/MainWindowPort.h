#pragma once
// What the run control, the update tick and start-up need from the main
// window. The Qt main window implements it; tests use a recording fake.
// Controls and commands are named by their component names ("Start1",
// "StartButton", "RadioButton100", "SpinEdit1", "Edit11", ...): the window
// finds the QAction or widget whose objectName matches.
#include <cstdint>
#include <string>

namespace tarvo {

enum class TPage { CANView = 0, CANTransmit = 1, CANSetup = 2 };

class MainWindowPort {
 public:
  virtual ~MainWindowPort() = default;

  // ---- controls by component name ----
  virtual void SetControlEnabled(const std::string& name, bool enabled) = 0;
  // Shortcut text as Qt's portable key-sequence text ("Esc", "Ctrl+L"); empty removes it.
  virtual void SetControlShortcut(const std::string& name, const std::string& shortcut) = 0;
  virtual void SetControlCaption(const std::string& name, const std::string& caption) = 0;
  virtual void SetControlHint(const std::string& name, const std::string& hint) = 0;
  virtual void SetControlImage(const std::string& name, int commandImageIndex) = 0;

  // ---- window ----
  virtual void SetWindowCaption(const std::string& caption) = 0;  // also the application title
  virtual void ActivatePage(TPage page) = 0;
  virtual void HideConversionBalloon() = 0;
  virtual void SetTickEnabled(bool enabled) = 0;

  // ---- status bar ----
  virtual void SetStatusPanelText(int panel, const std::string& text) = 0;
  // Inserts the bus-load panel at index 4 (the adapter panel moves to 5).
  virtual void CreateBusLoadGauge() = 0;
  // position 0..1000; valid = normal text colour, else red.
  virtual void ShowBusLoad(int position, const std::string& text, bool valid) = 0;

  // ---- CAN View list ----
  virtual int CANViewItemCount() = 0;
  virtual void SetCANViewItemCount(int count) = 0;
  virtual void RepaintCANView() = 0;
  virtual void SelectCANViewItem(int index, bool scrollIntoView) = 0;
  virtual void FocusCANView() = 0;
  // Re-evaluates the selection-dependent commands (Copy To Tx, Filter On ID).
  virtual void UpdateSelectionCommands() = 0;
};

}  // namespace tarvo
