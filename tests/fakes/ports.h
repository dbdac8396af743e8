#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/folder_chooser.h"
#include "app/prompter.h"
#include "library/shell.h"

namespace vexon::test {

// Records every message box; questions get `answer`, other boxes OK.
class RecordingPrompter final : public app::Prompter {
 public:
  app::MessageResult Show(const std::string& text, app::MessageIcon icon, app::MessageButtons buttons) override {
    texts.push_back(text);
    lastIcon = icon;
    lastButtons = buttons;
    return buttons == app::MessageButtons::kYesNo ? answer : app::MessageResult::kOk;
  }
  app::MessageResult ShowCaptioned(const std::string& caption, const std::string& text, app::MessageIcon icon,
                                   app::MessageButtons buttons) override {
    captions.push_back(caption);
    return Show(text, icon, buttons);
  }
  std::vector<std::string> texts;
  std::vector<std::string> captions;  // of the boxes with a caption of their own
  app::MessageIcon lastIcon = app::MessageIcon::kNone;
  app::MessageButtons lastButtons = app::MessageButtons::kYesNo;
  app::MessageResult answer = app::MessageResult::kYes;
};

// Answers the folder chooser with `answer` (nothing: cancelled).
class ScriptedFolderChooser final : public app::FolderChooser {
 public:
  std::optional<std::string> Choose(const std::string& startFolder) override {
    starts.push_back(startFolder);
    return answer;
  }
  std::optional<std::string> answer;
  std::vector<std::string> starts;
};

// Records what the desktop would open or run.
class RecordingShell final : public library::Shell {
 public:
  bool OpenFile(const std::string& path) override {
    files.push_back(path);
    return true;
  }
  bool OpenWebAddress(const std::string& url) override {
    web.push_back(url);
    return true;
  }
  bool RunProgram(const std::string& program, const std::string& argument) override {
    runs.emplace_back(program, argument);
    return true;
  }
  std::vector<std::string> files;
  std::vector<std::string> web;
  std::vector<std::pair<std::string, std::string>> runs;
};

}  // namespace vexon::test
