#pragma once
// What the CAN Setup logic asks of whatever shows it. Every hook may be left
// empty; the logic then just keeps its state.
#include <functional>
#include <string>
#include <vector>

namespace tarvo {

enum class TSetupPageRequest { CANView, CANSetup };

struct TSetupHooks {
  // An accepted bit-timing set is drawn as the bit-time diagram.
  std::function<void(int brp, int propseg, int phseg1, int phseg2)> DrawDiagram;
  // New text for the bit-rate panel of the status bar (panel 3).
  std::function<void(const std::string& text)> StatusPanelText;
  // The main window should bring this page to the front.
  std::function<void(TSetupPageRequest page)> ActivatePage;
  // The state changed; the widgets should show it again. Runs once when the
  // outermost operation ends, not for every nested field change.
  std::function<void()> Changed;
};

// Marks one public operation of a setup page object; the outermost one
// reports the change when it ends, so nested handler runs report once.
class TChangeScope {
 public:
  // warned, when given, lists the warnings shown during the operation; it
  // is emptied when the outermost one ends.
  TChangeScope(int& depth, const TSetupHooks& hooks, std::vector<std::string>* warned = nullptr)
      : depth_(depth), hooks_(hooks), warned_(warned) {
    ++depth_;
  }
  ~TChangeScope() {
    if (--depth_ != 0) return;
    if (warned_) warned_->clear();
    if (hooks_.Changed) hooks_.Changed();
  }
  TChangeScope(const TChangeScope&) = delete;
  TChangeScope& operator=(const TChangeScope&) = delete;

 private:
  int& depth_;
  const TSetupHooks& hooks_;
  std::vector<std::string>* warned_;
};

}  // namespace tarvo
