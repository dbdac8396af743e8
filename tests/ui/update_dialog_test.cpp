#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "app/ui/find_control.h"
#include "app/ui/qt_owner_channel.h"
#include "core/background_job.h"
#include "fakes/ports.h"
#include "update/ui/update_dialog.h"

using vexon::update::ui::CUpdateDlg;

namespace {

QString U(const char* text) {
  return QString::fromUtf8(text);
}

// The owner channel and the job a dialog runs its check on.
struct Harness {
  ~Harness() { channel.Shutdown(); }
  vexon::app::ui::QtOwnerChannel channel;
  vexon::core::BackgroundJob job{channel};
  vexon::test::RecordingPrompter prompter;
};

// Clicks the check button and waits until the result is shown.
bool CheckAndWait(CUpdateDlg& dialog) {
  QSignalSpy ended(&dialog, &CUpdateDlg::checkEnded);
  QTest::mouseClick(vexon::app::ui::Find<QPushButton>(dialog, 1122), Qt::LeftButton);
  return ended.wait(10000);
}

}  // namespace

class UpdateDialogTest final : public QObject {
  Q_OBJECT

 private slots:
  void EachResultIsShownWithItsText_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << U("版本升级完成，下次运行的才是新版本。");
    QTest::newRow("1") << 1 << U("网络连接出错！");
    QTest::newRow("2") << 2 << U("网络连接出错！");
    QTest::newRow("3") << 3 << U("版本升级未完成！");
    QTest::newRow("6") << 6 << U("已经是最新版本，不需要升级。");
    QTest::newRow("7") << 7 << U("版本升级未完成！");
    QTest::newRow("unknown") << 42 << U("版本升级未完成！");
  }

  void EachResultIsShownWithItsText() {
    QFETCH(int, code);
    QFETCH(QString, text);
    Harness h;
    const std::thread::id windowThread = std::this_thread::get_id();
    std::atomic<bool> offTheWindowThread{false};
    CUpdateDlg dialog(
        h.job,
        [&](const auto&) {
          offTheWindowThread = std::this_thread::get_id() != windowThread;
          return code;
        },
        h.prompter);
    dialog.show();
    QVERIFY(CheckAndWait(dialog));
    QVERIFY(offTheWindowThread);
    QCOMPARE(h.prompter.texts.size(), size_t{1});
    QCOMPARE(QString::fromStdString(h.prompter.captions.front()), U("升级信息"));
    QCOMPARE(QString::fromStdString(h.prompter.texts.front()), text);
    QVERIFY(h.prompter.lastIcon == vexon::core::MessageIcon::kInformation);
    QVERIFY(h.prompter.lastButtons == vexon::core::MessageButtons::kOk);
    QVERIFY(dialog.isVisible());
    QVERIFY(vexon::app::ui::Find<QPushButton>(dialog, 1122)->isEnabled());
  }

  void TheWindowStaysResponsiveAndClosingGivesTheCheckUp() {
    Harness h;
    std::atomic<bool> stopSeen{false};
    {
      CUpdateDlg dialog(
          h.job,
          [&](const std::function<bool()>& stop) {
            while (!stop()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            stopSeen = true;
            return 0;
          },
          h.prompter);
      dialog.show();
      QTest::mouseClick(vexon::app::ui::Find<QPushButton>(dialog, 1122), Qt::LeftButton);
      QVERIFY(!vexon::app::ui::Find<QPushButton>(dialog, 1122)->isEnabled());
      // Events are handled while the check runs.
      bool ticked = false;
      QTimer::singleShot(10, [&] { ticked = true; });
      QTRY_VERIFY(ticked);
      QVERIFY(h.job.running());
      QTest::mouseClick(vexon::app::ui::Find<QPushButton>(dialog, 1028), Qt::LeftButton);
      QVERIFY(!dialog.isVisible());
    }
    QTRY_VERIFY(!h.job.running());
    QVERIFY(stopSeen);
    QVERIFY(h.prompter.texts.empty());  // a given-up check shows nothing
  }
};

QTEST_MAIN(UpdateDialogTest)
#include "update_dialog_test.moc"
