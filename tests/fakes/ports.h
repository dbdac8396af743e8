#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/desktop_notifier.h"
#include "core/desktop_progress.h"
#include "core/folder_chooser.h"
#include "core/prompter.h"
#include "core/shell.h"

namespace vexon::test {

// Records every message box; questions get `answer`, other boxes OK.
class RecordingPrompter final : public core::Prompter {
 public:
  core::MessageResult Show(const std::string& text, core::MessageIcon icon, core::MessageButtons buttons) override {
    texts.push_back(text);
    lastIcon = icon;
    lastButtons = buttons;
    return buttons == core::MessageButtons::kYesNo ? answer : core::MessageResult::kOk;
  }
  core::MessageResult ShowCaptioned(const std::string& caption, const std::string& text, core::MessageIcon icon,
                                    core::MessageButtons buttons) override {
    captions.push_back(caption);
    return Show(text, icon, buttons);
  }
  std::vector<std::string> texts;
  std::vector<std::string> captions;  // of the boxes with a caption of their own
  core::MessageIcon lastIcon = core::MessageIcon::kNone;
  core::MessageButtons lastButtons = core::MessageButtons::kYesNo;
  core::MessageResult answer = core::MessageResult::kYes;
};

// Cancels every folder choice.
class ScriptedFolderChooser final : public core::FolderChooser {
 public:
  std::optional<std::string> Choose(const std::string&) override { return std::nullopt; }
};

// Records what the desktop would open.
class RecordingShell final : public core::Shell {
 public:
  bool OpenFile(const std::string& path) override {
    files.push_back(path);
    return opens;
  }
  bool OpenWebAddress(const std::string& url) override {
    web.push_back(url);
    return true;
  }
  bool ShowInFolder(const std::string& path) override {
    shown.push_back(path);
    return true;
  }
  bool OpenFolder(const std::string& folder) override {
    folders.push_back(folder);
    return true;
  }
  std::vector<std::string> files;
  std::vector<std::string> web;
  std::vector<std::string> shown;    // files shown in their folders
  std::vector<std::string> folders;  // folders opened
  bool opens = true;                 // what OpenFile answers
};

// Keeps every notice shown.
class RecordingNotifier final : public core::DesktopNotifier {
 public:
  explicit RecordingNotifier(std::vector<core::DesktopNotice>& shown) : shown_(shown) {}
  void Show(const core::DesktopNotice& notice) override { shown_.push_back(notice); }

 private:
  std::vector<core::DesktopNotice>& shown_;
};

// The launcher entry and the sleep hold as last set.
class RecordingPresence final : public core::LauncherProgress, public core::SleepInhibitor {
 public:
  void Show(double fraction, size_t count) override { shows.emplace_back(fraction, count); }
  void Clear() override { ++clears; }
  void Hold() override { held = true; }
  void Release() override { held = false; }
  std::vector<std::pair<double, size_t>> shows;
  int clears = 0;
  bool held = false;
};

}  // namespace vexon::test
