#include "app/ui/desktop_ports.h"

#include "app/ui/qt_folder_chooser.h"
#include "app/ui/qt_prompter.h"
#include "download/ui/qt_download_as_dialog.h"
#include "library/gio_associations.h"
#include "library/ui/move_file_dialog.h"
#include "library/ui/qt_shell.h"

namespace vexon::app::ui {

DesktopPorts::DesktopPorts(const text::Translator& texts)
    : prompter_(std::make_unique<QtPrompter>(nullptr, texts)),
      folders_(std::make_unique<QtFolderChooser>(nullptr, texts)) {
  downloadAs_ = std::make_unique<download::ui::CDownloadAsDlg>(*folders_, *prompter_, texts);
  moveDialog_ = std::make_unique<library::ui::CMoveFileDlg>(*folders_, texts);
  shell_ = std::make_unique<library::ui::QtShell>();
  associations_ = std::make_unique<library::GioAssociations>();
}

DesktopPorts::~DesktopPorts() = default;

SessionPorts DesktopPorts::ForSession() {
  return SessionPorts{*prompter_, *downloadAs_, *moveDialog_, *shell_, *associations_};
}

core::Prompter& DesktopPorts::prompter() {
  return *prompter_;
}

core::FolderChooser& DesktopPorts::folders() {
  return *folders_;
}

void DesktopPorts::AttachTo(QWidget* window) {
  prompter_->SetParent(window);
  folders_->SetParent(window);
}

}  // namespace vexon::app::ui
