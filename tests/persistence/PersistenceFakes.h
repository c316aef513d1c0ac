#pragma once
// Test doubles for the files: message boxes answered from a script and
// recorded, file dialogs that return a scripted path, and a folder of its
// own per test.
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/UserDialogs.h"

namespace tarvo::test {

struct FileDialogs : UserDialogs {
  struct Shown {
    std::string Text;
    TDialogType Type;
    TDialogButtons Buttons;
  };
  std::vector<Shown> Messages;
  std::deque<TDialogResult> Answers;  // then OK, or Cancel where offered
  std::vector<TFileDialogRequest> OpenRequests, SaveRequests;
  std::deque<std::optional<std::string>> OpenPaths, SavePaths;  // then cancelled

  TDialogResult ShowMessage(const std::string& text, TDialogType type, TDialogButtons buttons) override {
    Messages.push_back({text, type, buttons});
    if (!Answers.empty()) {
      const TDialogResult r = Answers.front();
      Answers.pop_front();
      return r;
    }
    return buttons == TDialogButtons::OK ? TDialogResult::OK : TDialogResult::Cancel;
  }
  std::optional<std::string> OpenFileDialog(const TFileDialogRequest& r) override {
    OpenRequests.push_back(r);
    return Next(OpenPaths);
  }
  std::optional<std::string> SaveFileDialog(const TFileDialogRequest& r) override {
    SaveRequests.push_back(r);
    return Next(SavePaths);
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const Shown& s : Messages) t.push_back(s.Text);
    return t;
  }

 private:
  static std::optional<std::string> Next(std::deque<std::optional<std::string>>& q) {
    if (q.empty()) return std::nullopt;
    auto r = q.front();
    q.pop_front();
    return r;
  }
};

// A fresh folder below the system's temporary folder, removed afterwards.
struct ScratchFolder {
  std::filesystem::path Path;
  ScratchFolder() {
    static int counter = 0;
    Path = std::filesystem::temp_directory_path() /
           ("tarvo-persistence-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(Path);
    std::filesystem::create_directories(Path);
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::permissions(Path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(Path, ec);
  }
  std::string Dir() const { return Path.string() + "/"; }
  std::string File(const std::string& name) const { return (Path / name).string(); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path / name, std::ios::binary) << bytes;
    return File(name);
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(Path / name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

}  // namespace tarvo::test
