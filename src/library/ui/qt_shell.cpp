#include "library/ui/qt_shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace vexon::library::ui {

bool QtShell::OpenFile(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool QtShell::OpenWebAddress(const std::string& url) {
  const QUrl address(QString::fromStdString(url));
  const QString scheme = address.scheme().toLower();
  if (!address.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) return false;
  return QDesktopServices::openUrl(address);
}

bool QtShell::ShowInFolder(const std::string& path) {
  // The file manager's own selection comes later; its folder is what it needs most.
  const std::string folder = path.substr(0, path.find_last_of('/') + 1);
  return OpenFolder(folder.empty() ? std::string(".") : folder);
}

bool QtShell::OpenFolder(const std::string& folder) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
}

}  // namespace vexon::library::ui
