#include "app/ui/single_instance.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace vexon::app::ui {
namespace {

constexpr int kConnectWaitMs = 1000;
constexpr char kActivate[] = "show\n";

}  // namespace

QString SingleInstance::KeyFor(const QString& user, const QString& startDir) {
  const QByteArray digest =
      QCryptographicHash::hash((user + QLatin1Char('\n') + startDir).toUtf8(), QCryptographicHash::Sha1);
  return QStringLiteral("vexon-") + QString::fromLatin1(digest.toHex().left(24));
}

QString CurrentUserName() {
  QString name = qEnvironmentVariable("USER");
  if (name.isEmpty()) name = QString::number(static_cast<qulonglong>(getuid()));
  return name;
}

SingleInstance::SingleInstance(QString key, QObject* parent) : QObject(parent), key_(std::move(key)) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::NotifyRunning() {
  QLocalSocket socket;
  socket.connectToServer(key_);
  if (!socket.waitForConnected(kConnectWaitMs)) return false;
  socket.write(kActivate);
  socket.waitForBytesWritten(kConnectWaitMs);
  socket.disconnectFromServer();
  return true;
}

bool SingleInstance::Listen() {
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(key_)) {
    // A socket file left by a program that crashed: nobody answered on it above.
    QLocalServer::removeServer(key_);
    if (!server_->listen(key_)) return false;
  }
  connect(server_.get(), &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      emit ActivationRequested();
    }
  });
  return true;
}

}  // namespace vexon::app::ui
