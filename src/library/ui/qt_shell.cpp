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

}  // namespace vexon::library::ui
