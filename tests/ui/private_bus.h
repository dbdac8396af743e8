#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QFile>
#include <QMutex>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QVariantMap>

#include <sys/prctl.h>

#include <csignal>
#include <functional>
#include <memory>
#include <utility>

namespace vexon::test {

using Answer = std::function<void(const QDBusMessage& call, const QDBusConnection& bus)>;

// A service's object on the fakes' own thread, so it answers whatever the test's
// thread is doing. Answers nothing unless `answer` sends a reply; a call is seen
// only after its answer went out.
class Fake final : public QDBusVirtualObject {
 public:
  explicit Fake(Answer answer) : answer_(std::move(answer)) {}
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& bus) override {
    if (answer_) answer_(message, bus);
    QMutexLocker lock(&mutex_);
    calls_.push_back(message);
    return true;
  }
  QList<QDBusMessage> Calls(const QString& member) const {
    QMutexLocker lock(&mutex_);
    QList<QDBusMessage> found;
    for (const QDBusMessage& call : calls_) {
      if (call.member() == member) found.push_back(call);
    }
    return found;
  }

 private:
  Answer answer_;
  mutable QMutex mutex_;
  QList<QDBusMessage> calls_;
};

// Gives up the fake's name and path; the fake is deleted on its own thread.
struct Unserve {
  mutable QDBusConnection bus{QString()};
  QString name, path;
  void operator()(Fake* fake) const {
    bus.unregisterObject(path);
    bus.unregisterService(name);
    fake->deleteLater();
  }
};
using Served = std::unique_ptr<Fake, Unserve>;

inline void Reply(const QDBusMessage& call, const QDBusConnection& bus, const QVariant& value) {
  bus.send(call.createReply(value));
}

// An a{sv} argument of a received message.
inline QVariantMap Map(const QVariant& argument) {
  return qdbus_cast<QVariantMap>(argument.value<QDBusArgument>());
}

// A dbus-daemon of the test's own, with no service files: nothing is started on
// demand, every service is a fake.
class PrivateBus {
 public:
  ~PrivateBus() { Stop(); }

  bool Start() {
    QFile config(dir_.filePath(QStringLiteral("bus.conf")));
    if (!dir_.isValid() || !config.open(QIODevice::WriteOnly)) return false;
    config.write(QStringLiteral("<busconfig><type>session</type><listen>unix:path=%1</listen>"
                                "<auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\"/>"
                                "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>")
                     .arg(dir_.filePath(QStringLiteral("bus")))
                     .toUtf8());
    config.close();
    // The bus goes with the test, even when the test dies.
    daemon_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    daemon_.start(QStringLiteral("/usr/bin/dbus-daemon"),
                  {QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork"),
                   QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    if (!daemon_.waitForStarted(10000)) return false;
    for (int i = 0; i < 100 && !daemon_.canReadLine(); ++i) daemon_.waitForReadyRead(100);
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    fakeThread_.start();
    return !address_.isEmpty();
  }

  void Stop() {
    fakeThread_.quit();
    fakeThread_.wait();
    if (daemon_.state() == QProcess::NotRunning) return;
    daemon_.kill();
    daemon_.waitForFinished(5000);
  }

  // The same connection for the same name.
  QDBusConnection Connect(const QString& name) const { return QDBusConnection::connectToBus(address_, name); }

  // Owns `name` on `bus` and serves `path` and the paths below it.
  Served Serve(QDBusConnection bus, const QString& name, const QString& path, Answer answer) {
    auto* fake = new Fake(std::move(answer));
    // Registering gives the object a child, which must move along; nobody calls
    // before the name is owned.
    bus.registerVirtualObject(path, fake, QDBusConnection::SubPath);
    fake->moveToThread(&fakeThread_);
    bus.registerService(name);
    return Served(fake, Unserve{bus, name, path});
  }

 private:
  QTemporaryDir dir_;
  QProcess daemon_;
  QThread fakeThread_;
  QString address_;
};

}  // namespace vexon::test
