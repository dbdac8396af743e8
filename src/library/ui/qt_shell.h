#pragma once

#include <QDBusConnection>
#include <QString>

#include <functional>

#include "core/shell.h"

namespace vexon::library::ui {

// The desktop's own handlers (xdg-open and its kin) for files and web addresses;
// players are started directly with one argument. A file is shown through the
// file manager's org.freedesktop.FileManager1 service, which selects it.
class QtShell final : public core::Shell {
 public:
  // Opens a folder; true when something was started.
  using FolderOpener = std::function<bool(const QString& folder)>;

  QtShell();
  // `openFolder` empty: the desktop's handler for folders.
  QtShell(QDBusConnection bus, FolderOpener openFolder);

  bool OpenFile(const std::string& path) override;
  bool OpenWebAddress(const std::string& url) override;
  bool ShowInFolder(const std::string& path) override;
  bool OpenFolder(const std::string& folder) override;

 private:
  QDBusConnection bus_;
  FolderOpener openFolder_;
};

}  // namespace vexon::library::ui
