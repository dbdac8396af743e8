#pragma once

#include <string>

#include "app/session.h"

namespace vexon::cli {

// A session's ways to the user without one: every message goes to stderr and
// every question is declined; no dialog, desktop or player is there.
class HeadlessPorts final {
 public:
  explicit HeadlessPorts(std::string command);
  app::SessionPorts ForSession();

 private:
  class StderrPrompter final : public core::Prompter {
   public:
    explicit StderrPrompter(std::string command) : command_(std::move(command)) {}
    core::MessageResult Show(const std::string& text, core::MessageIcon, core::MessageButtons buttons) override;

   private:
    std::string command_;
  };
  class NoDownloadAs final : public download::DownloadAsDialog {
   public:
    bool Show(download::DownloadAsForm&) override { return false; }
  };
  class NoMoveDialog final : public library::MoveFileDialog {
   public:
    bool Show(library::MoveFileForm&) override { return false; }
  };
  class NoShell final : public core::Shell {
   public:
    bool OpenFile(const std::string&) override { return false; }
    bool OpenWebAddress(const std::string&) override { return false; }
    bool ShowInFolder(const std::string&) override { return false; }
    bool OpenFolder(const std::string&) override { return false; }
  };

  class NoAssociations final : public library::Associations {
   public:
    std::optional<std::string> TypeForExtension(const std::string&) override { return std::nullopt; }
    std::optional<std::string> DefaultApplication(const std::string&) override { return std::nullopt; }
    bool Launch(const std::string&, const std::string&) override { return false; }
  };

  StderrPrompter prompter_;
  NoDownloadAs downloadAs_;
  NoMoveDialog moveDialog_;
  NoShell shell_;
  NoAssociations associations_;
};

}  // namespace vexon::cli
