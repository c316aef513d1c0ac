#pragma once
#include <string>
#include <vector>

#include "common/UserDialogs.h"

namespace tarvo::test {

// Records every box shown and answers OK.
class FakeDialogs : public UserDialogs {
 public:
  struct Shown {
    std::string Text;
    TDialogType Type;
    TDialogButtons Buttons;
  };
  std::vector<Shown> Boxes;

  TDialogResult ShowMessage(const std::string& text, TDialogType type, TDialogButtons buttons) override {
    Boxes.push_back({text, type, buttons});
    return TDialogResult::OK;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const Shown& box : Boxes) texts.push_back(box.Text);
    return texts;
  }
};

}  // namespace tarvo::test
