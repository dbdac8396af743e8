#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QTimer>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/ui/dbus_notifier.h"
#include "app/ui/launcher_entry.h"
#include "app/ui/sleep_inhibitor.h"
#include "library/ui/qt_shell.h"
#include "ui/private_bus.h"

using namespace vexon;
using app::ui::DbusNotifier;
using app::ui::LauncherEntry;
using test::Map;
using test::Reply;
using test::Served;

namespace {

const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");
const QString kNotificationsPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalRequest = QStringLiteral("/org/freedesktop/portal/desktop/request/1_1/t");

struct Listener final : core::NoticeActions {
  void NoticeActionChosen(std::string_view key) override { keys.emplace_back(key); }
  std::vector<std::string> keys;
};

bool AtEnd(int fd) {
  char byte;
  return ::read(fd, &byte, 1) == 0;
}

core::DesktopNotice Notice(std::string summary, std::string key = {}) {
  core::DesktopNotice notice;
  notice.summary = std::move(summary);
  notice.body = "a <b> & c.mp3";
  notice.replaceKey = std::move(key);
  notice.actions = {{"open", "Open"}, {"folder", "Show in folder"}};
  return notice;
}

}  // namespace

// The Update signals of the launcher entry.
class UpdateRecorder final : public QObject {
  Q_OBJECT

 public:
  QList<QDBusMessage> updates;

 public slots:
  void Got(const QDBusMessage& update) { updates.push_back(update); }
};

class DesktopBusTest final : public QObject {
  Q_OBJECT

 private:
  test::PrivateBus bus_;

  QDBusConnection Client() { return bus_.Connect(QStringLiteral("client")); }
  QDBusConnection Fakes() { return bus_.Connect(QStringLiteral("fakes")); }
  Served Serve(const QString& name, const QString& path, test::Answer answer) {
    return bus_.Serve(Fakes(), name, path, std::move(answer));
  }

  // Notify answers with 100, 101, ...; GetCapabilities with `capabilities`.
  Served Notifications(QStringList capabilities) {
    auto next = std::make_shared<uint>(100);
    return Serve(kNotifications, kNotificationsPath,
                 [capabilities, next](const QDBusMessage& call, const QDBusConnection& bus) {
                   if (call.member() == QLatin1String("GetCapabilities")) {
                     Reply(call, bus, capabilities);
                   } else if (call.member() == QLatin1String("Notify")) {
                     Reply(call, bus, QVariant::fromValue((*next)++));
                   }
                 });
  }

 private slots:
  void initTestCase() {
    QVERIFY(bus_.Start());
    QVERIFY(Client().isConnected() && Fakes().isConnected());
    QVERIFY(Client().connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing);
  }

  void cleanupTestCase() {
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fakes"));
    bus_.Stop();
  }

  void NotifySendsTheNotice_data() {
    QTest::addColumn<QStringList>("capabilities");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QString>("body");
    QTest::newRow("actions") << QStringList{"body", "actions"}
                             << QStringList{"open", "Open", "folder", "Show in folder"} << "a <b> & c.mp3";
    QTest::newRow("no actions") << QStringList{"body"} << QStringList{} << "a <b> & c.mp3";
    QTest::newRow("markup") << QStringList{"body", "body-markup"} << QStringList{} << "a &lt;b&gt; &amp; c.mp3";
  }
  void NotifySendsTheNotice() {
    QFETCH(QStringList, capabilities);
    const auto fake = Notifications(capabilities);
    Listener listener;
    int fallbacks = 0;
    DbusNotifier notifier(
        listener, "Vexon", "io.github.vexon.Vexon", [&](const auto&) { ++fallbacks; }, Client());
    notifier.Show(Notice("Downloaded"));
    QTRY_COMPARE_WITH_TIMEOUT(fake->Calls("Notify").size(), 1, 10000);
    const QVariantList args = fake->Calls("Notify").front().arguments();
    QCOMPARE(args.size(), 8);
    QFETCH(QString, body);
    QFETCH(QStringList, actions);
    QCOMPARE(args.mid(0, 6), (QVariantList{"Vexon", 0u, "io.github.vexon.Vexon", "Downloaded", body, actions}));
    QCOMPARE(args[7], QVariant(-1));
    const QVariantMap hints = Map(args[6]);
    QCOMPARE(hints.value("urgency"), QVariant::fromValue(uchar{1}));
    QCOMPARE(hints.value("desktop-entry").toString(), QString("io.github.vexon.Vexon"));
    QCOMPARE(fake->Calls("GetCapabilities").size(), 1);
    QCOMPARE(fallbacks, 0);
  }

  void SameKeyReplacesTheLastNotice() {
    const auto fake = Notifications({"actions"});
    Listener listener;
    DbusNotifier notifier(listener, "Vexon", "", {}, Client());
    // Shown before the capabilities are known: only the newest of the key is sent.
    notifier.Show(Notice("1 done", "downloads"));
    notifier.Show(Notice("2 done", "downloads"));
    notifier.Show(Notice("3 done", "downloads"));
    notifier.Show(Notice("Update", "update"));
    QTRY_COMPARE_WITH_TIMEOUT(fake->Calls("Notify").size(), 2, 10000);
    // Whether these two wait for an id or for each other, each one sent names the
    // one sent before it, and the newest comes last.
    notifier.Show(Notice("4 done", "downloads"));
    notifier.Show(Notice("5 done", "downloads"));
    QTRY_COMPARE_WITH_TIMEOUT(fake->Calls("Notify").last().arguments()[3].toString(), QString("5 done"), 10000);
    QStringList downloads;
    uint id = 100, previous = 0;
    for (const QDBusMessage& call : fake->Calls("Notify")) {
      const QString summary = call.arguments()[3].toString();
      const uint replaces = call.arguments()[1].toUInt();
      if (summary == "Update") {
        QCOMPARE(replaces, 0u);
      } else {
        downloads << summary;
        QCOMPARE(replaces, previous);
        previous = id;
      }
      ++id;
    }
    QCOMPARE(downloads.first(), QString("3 done"));
    QVERIFY(downloads.size() == 2 || downloads.size() == 3);
  }

  void ChosenActionReachesTheListener() {
    const auto fake = Notifications({"actions"});
    Listener listener;
    DbusNotifier notifier(listener, "Vexon", "", {}, Client());
    // The second is sent only once the first's id is known.
    notifier.Show(Notice("Downloaded", "downloads"));
    QTRY_COMPARE_WITH_TIMEOUT(fake->Calls("Notify").size(), 1, 10000);
    notifier.Show(Notice("Downloaded again", "downloads"));
    QTRY_COMPARE_WITH_TIMEOUT(fake->Calls("Notify").size(), 2, 10000);
    // Another program's notice first: not ours, not heard.
    for (const uint id : {7u, 100u}) {
      QDBusMessage invoked = QDBusMessage::createSignal(kNotificationsPath, kNotifications, "ActionInvoked");
      invoked << id << (id == 100u ? "open" : "theirs");
      QVERIFY(Fakes().send(invoked));
    }
    QTRY_COMPARE_WITH_TIMEOUT(listener.keys.size(), size_t{1}, 10000);
    QCOMPARE(listener.keys.front(), std::string("open"));
  }

  void WithoutAnswerTheFallbackShows_data() {
    QTest::addColumn<QString>("service");
    QTest::newRow("no service") << "";
    QTest::newRow("service never answers") << "silent";
    QTest::newRow("no bus") << "no bus";
  }
  void WithoutAnswerTheFallbackShows() {
    QFETCH(QString, service);
    Served silent;
    if (service == "silent") silent = Serve(kNotifications, kNotificationsPath, nullptr);
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
    ticker.start(5);
    Listener listener;
    QStringList fallen;
    DbusNotifier notifier(
        listener, "Vexon", "",
        [&](const core::DesktopNotice& notice) { fallen << QString::fromStdString(notice.summary); },
        service == "no bus" ? QDBusConnection(QStringLiteral("never connected")) : Client(),
        std::chrono::milliseconds(300));
    notifier.Show(Notice("Downloaded", "downloads"));
    QTRY_COMPARE_WITH_TIMEOUT(fallen, QStringList{"Downloaded"}, 10000);
    // The window went on while the service kept silent.
    if (service == "silent") QVERIFY(ticks > 0);
    // Known missing now: the next one falls back at once.
    notifier.Show(Notice("Failed", "downloads"));
    QCOMPARE(fallen, (QStringList{"Downloaded", "Failed"}));
    QCOMPARE(listener.keys.size(), size_t{0});
  }

  void LauncherEntryShowsProgressAndCount() {
    UpdateRecorder recorder;
    QVERIFY(Fakes().connect(QString(), LauncherEntry::Path(), "com.canonical.Unity.LauncherEntry", "Update", &recorder,
                            SLOT(Got(QDBusMessage))));
    // A round trip: the bus has the match before the first signal is sent.
    QVERIFY(!Fakes().interface()->isServiceRegistered("org.example.Nobody").value());
    LauncherEntry entry(Client());
    entry.Show(0.25, 2);
    entry.Show(0.252, 2);  // too small a step to send
    entry.Show(0.5, 2);
    entry.Show(0.5, 1);
    entry.Clear();
    entry.Clear();  // nothing left to clear
    QTRY_COMPARE_WITH_TIMEOUT(recorder.updates.size(), 4, 10000);
    QStringList seen;  // progress, shown, count, shown
    for (const QDBusMessage& update : recorder.updates) {
      QCOMPARE(update.signature(), QString("sa{sv}"));
      QCOMPARE(update.arguments()[0].toString(), QString("application://io.github.vexon.Vexon.desktop"));
      const QVariantMap p = Map(update.arguments()[1]);
      QCOMPARE(p["count"].metaType(), QMetaType::fromType<qlonglong>());
      seen << QStringLiteral("%1 %2 %3 %4")
                  .arg(p["progress"].toDouble())
                  .arg(int{p["progress-visible"].toBool()})
                  .arg(p["count"].toLongLong())
                  .arg(int{p["count-visible"].toBool()});
    }
    QCOMPARE(seen, (QStringList{"0.25 1 2 1", "0.5 1 2 1", "0.5 1 1 1", "0.5 0 1 0"}));
    Fakes().disconnect(QString(), LauncherEntry::Path(), "com.canonical.Unity.LauncherEntry", "Update", &recorder,
                       SLOT(Got(QDBusMessage)));
  }

  void SleepIsHeldAndLetGo_data() {
    QTest::addColumn<QString>("logind");
    QTest::newRow("logind") << "lock";
    QTest::newRow("logind refuses") << "refuse";
    QTest::newRow("no logind") << "";
    QTest::newRow("no system bus") << "no bus";
  }
  void SleepIsHeldAndLetGo() {
    QFETCH(QString, logind);
    auto readEnd = std::make_shared<std::atomic<int>>(-1);
    Served login1;
    if (!logind.isEmpty() && logind != "no bus") {
      login1 = Serve("org.freedesktop.login1", "/org/freedesktop/login1",
                     [readEnd, logind](const QDBusMessage& call, const QDBusConnection& bus) {
                       int fds[2];
                       if (logind == "refuse" || ::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
                         bus.send(call.createErrorReply("org.freedesktop.DBus.Error.AccessDenied", "no"));
                         return;
                       }
                       readEnd->store(fds[0]);
                       Reply(call, bus, QVariant::fromValue(QDBusUnixFileDescriptor(fds[1])));
                       ::close(fds[1]);
                     });
    }
    const auto portal =
        Serve(kPortal, "/org/freedesktop/portal/desktop", [](const QDBusMessage& call, const QDBusConnection& bus) {
          if (call.member() == "Inhibit") Reply(call, bus, QVariant::fromValue(QDBusObjectPath(kPortalRequest)));
        });
    const QDBusConnection system = logind == "no bus" ? QDBusConnection(QStringLiteral("never connected")) : Client();
    app::ui::SleepInhibitor inhibitor("Vexon", "Downloads are running", system, Client(), std::chrono::seconds(5));
    inhibitor.Hold();
    inhibitor.Hold();
    QTRY_VERIFY_WITH_TIMEOUT(inhibitor.holding(), 10000);
    inhibitor.Hold();
    if (login1) {
      QCOMPARE(login1->Calls("Inhibit").size(), 1);
      QCOMPARE(login1->Calls("Inhibit").front().arguments(),
               (QVariantList{"sleep", "Vexon", "Downloads are running", "block"}));
    }
    if (logind == "lock") {
      QVERIFY(!AtEnd(*readEnd));
      QCOMPARE(portal->Calls("Inhibit").size(), 0);
      inhibitor.Release();
      inhibitor.Release();
      QTRY_VERIFY_WITH_TIMEOUT(AtEnd(*readEnd), 10000);
      ::close(*readEnd);
      return;
    }
    QCOMPARE(portal->Calls("Inhibit").size(), 1);
    const QVariantList args = portal->Calls("Inhibit").front().arguments();
    QCOMPARE(args.mid(0, 2), (QVariantList{QString(), 4u}));
    QCOMPARE(Map(args[2]).value("reason").toString(), QString("Downloads are running"));
    inhibitor.Release();
    inhibitor.Release();
    QTRY_COMPARE_WITH_TIMEOUT(portal->Calls("Close").size(), 1, 10000);
    const QDBusMessage close = portal->Calls("Close").front();
    QCOMPARE(close.path() + " " + close.interface(), kPortalRequest + " org.freedesktop.portal.Request");
  }

  void ShowInFolder_data() {
    QTest::addColumn<QString>("fileManager");
    QTest::addColumn<bool>("opensFolder");
    QTest::newRow("file manager") << "answers" << false;
    QTest::newRow("file manager fails") << "fails" << true;
    QTest::newRow("no file manager") << "" << true;
    QTest::newRow("no bus") << "no bus" << true;
  }
  void ShowInFolder() {
    QFETCH(QString, fileManager);
    QFETCH(bool, opensFolder);
    Served fake;
    if (!fileManager.isEmpty() && fileManager != "no bus") {
      fake = Serve("org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                   [fileManager](const QDBusMessage& call, const QDBusConnection& bus) {
                     bus.send(fileManager == "answers" ? call.createReply()
                                                       : call.createErrorReply("org.example.Error", "cannot"));
                   });
    }
    QStringList opened;
    const QDBusConnection bus = fileManager == "no bus" ? QDBusConnection(QStringLiteral("never connected")) : Client();
    library::ui::QtShell shell(bus, [&](const QString& folder) {
      opened << folder;
      return true;
    });
    QVERIFY(shell.ShowInFolder("/music/A B/song #1.mp3"));
    if (opensFolder) {
      QTRY_COMPARE_WITH_TIMEOUT(opened, QStringList{"/music/A B/"}, 10000);
    } else {
      QTRY_COMPARE_WITH_TIMEOUT(fake->Calls("ShowItems").size(), 1, 10000);
      QCOMPARE(fake->Calls("ShowItems").front().arguments(),
               (QVariantList{QStringList{"file:///music/A%20B/song%20%231.mp3"}, QString()}));
      QVERIFY(opened.isEmpty());
    }
    if (fake) QCOMPARE(fake->Calls("ShowItems").size(), 1);
  }
};

QTEST_GUILESS_MAIN(DesktopBusTest)
#include "desktop_bus_test.moc"
