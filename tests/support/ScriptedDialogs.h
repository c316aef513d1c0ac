#pragma once
// Message boxes and file dialogs for tests: every box is recorded, answers
// come from a script (then the default), file dialogs return the paths
// queued for them (one queue for open and save, in the order asked), then
// count as cancelled. The one fake of UserDialogs that test programs share.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "common/UserDialogs.h"

namespace tarvo::test {

class ScriptedDialogs : public UserDialogs {
 public:
  struct Shown {
    std::string Text;
    TDialogType Type;
    TDialogButtons Buttons;
  };
  std::vector<Shown> Boxes;
  std::deque<TDialogResult> Answers;  // then DefaultAnswer (OK where OK is the only button)
  TDialogResult DefaultAnswer = TDialogResult::OK;
  std::vector<TFileDialogRequest> OpenRequests, SaveRequests;
  std::deque<std::optional<std::string>> FileAnswers;  // then cancelled

  TDialogResult ShowMessage(const std::string& text, TDialogType type, TDialogButtons buttons) override {
    Boxes.push_back({text, type, buttons});
    if (Answers.empty()) return buttons == TDialogButtons::OK ? TDialogResult::OK : DefaultAnswer;
    const TDialogResult answer = Answers.front();
    Answers.pop_front();
    return answer;
  }
  std::optional<std::string> OpenFileDialog(const TFileDialogRequest& request) override {
    OpenRequests.push_back(request);
    return NextFile();
  }
  std::optional<std::string> SaveFileDialog(const TFileDialogRequest& request) override {
    SaveRequests.push_back(request);
    return NextFile();
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const Shown& box : Boxes) texts.push_back(box.Text);
    return texts;
  }
  std::vector<TDialogType> Types() const {
    std::vector<TDialogType> types;
    for (const Shown& box : Boxes) types.push_back(box.Type);
    return types;
  }

 private:
  std::optional<std::string> NextFile() {
    if (FileAnswers.empty()) return std::nullopt;
    std::optional<std::string> path = FileAnswers.front();
    FileAnswers.pop_front();
    return path;
  }
};

}  // namespace tarvo::test
