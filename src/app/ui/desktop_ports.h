#pragma once

#include <memory>

#include "app/session.h"
#include "core/folder_chooser.h"
#include "core/prompter.h"

class QWidget;

namespace vexon::app::ui {

class QtFolderChooser;
class QtPrompter;

// The desktop's ways to the user: message boxes, the folder chooser, the Download
// As and Move dialogs, the shell and the player lookup. Made before the window, so
// the session can have them; message boxes and the folder chooser take the window
// as their parent once it exists (the dialogs are modal on their own).
class DesktopPorts final {
 public:
  explicit DesktopPorts(const text::Translator& texts);
  ~DesktopPorts();
  DesktopPorts(const DesktopPorts&) = delete;
  DesktopPorts& operator=(const DesktopPorts&) = delete;

  SessionPorts ForSession();
  core::Prompter& prompter();
  core::FolderChooser& folders();
  void AttachTo(QWidget* window);

 private:
  std::unique_ptr<QtPrompter> prompter_;
  std::unique_ptr<QtFolderChooser> folders_;
  std::unique_ptr<download::DownloadAsDialog> downloadAs_;
  std::unique_ptr<library::MoveFileDialog> moveDialog_;
  std::unique_ptr<core::Shell> shell_;
  std::unique_ptr<library::Associations> associations_;
};

}  // namespace vexon::app::ui
