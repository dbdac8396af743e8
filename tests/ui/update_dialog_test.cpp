#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

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
  void EachResultIsShownWithItsText() {
    Harness h;
    const std::thread::id windowThread = std::this_thread::get_id();
    std::atomic<bool> offTheWindowThread{false};
    int code = 0;
    CUpdateDlg dialog(
        h.job,
        [&](const auto&) {
          offTheWindowThread = std::this_thread::get_id() != windowThread;
          return code;
        },
        h.prompter);
    dialog.show();
    const QString failed = U("版本升级未完成！"), network = U("网络连接出错！");
    const std::vector<std::pair<int, QString>> cases = {
        {0, U("版本升级完成，下次运行的才是新版本。")}, {1, network}, {2, network}, {3, failed},
        {6, U("已经是最新版本，不需要升级。")},         {7, failed},  {42, failed}};
    for (const auto& [result, text] : cases) {
      code = result;
      offTheWindowThread = false;
      QVERIFY(CheckAndWait(dialog));
      QVERIFY(offTheWindowThread);
      QCOMPARE(QString::fromStdString(h.prompter.texts.back()), text);
      QVERIFY(dialog.isVisible());
      QVERIFY(vexon::app::ui::Find<QPushButton>(dialog, 1122)->isEnabled());
    }
    QCOMPARE(h.prompter.texts.size(), cases.size());
    QCOMPARE(h.prompter.captions, std::vector<std::string>(cases.size(), "升级信息"));
    QVERIFY(h.prompter.lastIcon == vexon::core::MessageIcon::kInformation);
    QVERIFY(h.prompter.lastButtons == vexon::core::MessageButtons::kOk);
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
