#include "library/ui/qt_shell.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>

#include <utility>

namespace vexon::library::ui {

namespace {

const QString kBus = QStringLiteral("org.freedesktop.DBus");
const QString kFileManager = QStringLiteral("org.freedesktop.FileManager1");
// The bus itself answers these at once; the limit only keeps a stuck bus from
// holding the window.
constexpr int kBusReplyMs = 1000;
// A file manager that is being started may take this long to answer.
constexpr int kFileManagerReplyMs = 10000;

bool OpenWithDesktop(const QString& folder) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

// Running, or started by the bus on the first call.
bool CanBeCalled(const QDBusConnection& bus, const QString& name) {
  if (!bus.isConnected()) return false;
  QDBusMessage hasOwner = QDBusMessage::createMethodCall(kBus, QStringLiteral("/org/freedesktop/DBus"), kBus,
                                                         QStringLiteral("NameHasOwner"));
  hasOwner << name;
  const QDBusMessage owned = bus.call(hasOwner, QDBus::Block, kBusReplyMs);
  if (owned.type() == QDBusMessage::ReplyMessage && owned.arguments().value(0).toBool()) return true;
  const QDBusMessage listing = bus.call(QDBusMessage::createMethodCall(kBus, QStringLiteral("/org/freedesktop/DBus"),
                                                                       kBus, QStringLiteral("ListActivatableNames")),
                                        QDBus::Block, kBusReplyMs);
  return listing.type() == QDBusMessage::ReplyMessage && listing.arguments().value(0).toStringList().contains(name);
}

}  // namespace

QtShell::QtShell() : QtShell(QDBusConnection::sessionBus(), {}) {}

QtShell::QtShell(QDBusConnection bus, FolderOpener openFolder)
    : bus_(std::move(bus)), openFolder_(openFolder ? std::move(openFolder) : FolderOpener(OpenWithDesktop)) {}

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
  const std::string parent = path.substr(0, path.find_last_of('/') + 1);
  const QString folder = QString::fromStdString(parent.empty() ? std::string(".") : parent);
  if (!CanBeCalled(bus_, kFileManager)) return openFolder_(folder);
  QDBusMessage call = QDBusMessage::createMethodCall(kFileManager, QStringLiteral("/org/freedesktop/FileManager1"),
                                                     kFileManager, QStringLiteral("ShowItems"));
  // The file manager runs elsewhere: a relative path would mean nothing to it.
  const QUrl file = QUrl::fromLocalFile(QFileInfo(QString::fromStdString(path)).absoluteFilePath());
  call << QStringList{QString::fromUtf8(file.toEncoded())} << QString();
  // Answered later, perhaps after this shell is gone: the watcher keeps its own
  // copy of the opener.
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kFileManagerReplyMs));
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                   [opener = openFolder_, folder](QDBusPendingCallWatcher* done) {
                     done->deleteLater();
                     if (QDBusPendingReply<>(*done).isError()) opener(folder);
                   });
  return true;
}

bool QtShell::OpenFolder(const std::string& folder) {
  return openFolder_(QString::fromStdString(folder));
}

}  // namespace vexon::library::ui
