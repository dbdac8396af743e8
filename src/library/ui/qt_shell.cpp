#include "library/ui/qt_shell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStringList>
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

bool QtShell::RunProgram(const std::string& program, const std::string& argument) {
  return QProcess::startDetached(QString::fromStdString(program), {QString::fromStdString(argument)});
}

}  // namespace vexon::library::ui
