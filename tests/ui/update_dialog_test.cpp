#include <QApplication>
#include <QPushButton>
#include <QtTest>

#include <string>

#include "fakes/ports.h"
#include "ui/find_control.h"
#include "update/ui/update_dialog.h"

using vexon::update::ui::CUpdateDlg;

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

}  // namespace

class UpdateDialogTest final : public QObject {
  Q_OBJECT

 private slots:
  void TitleAndButtons() {
    vexon::test::RecordingPrompter prompter;
    CUpdateDlg dialog([] { return 6; }, prompter);
    QCOMPARE(dialog.windowTitle(), U("维松MP3升级"));
    QCOMPARE(vexon::test::Find<QPushButton>(dialog, 1122)->text(), U("在线检测最新板本"));
    QCOMPARE(vexon::test::Find<QPushButton>(dialog, 1028)->text(), U("退 出"));
  }

  void EachResultIsShownWithItsText_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << U("版本升级完成，下次运行的才是新版本。");
    QTest::newRow("1") << 1 << U("网络连接出错！");
    QTest::newRow("2") << 2 << U("网络连接出错！");
    QTest::newRow("3") << 3 << U("版本升级未完成！");
    QTest::newRow("4") << 4 << U("版本升级未完成！");
    QTest::newRow("5") << 5 << U("版本升级未完成！");
    QTest::newRow("6") << 6 << U("已经是最新版本，不需要升级。");
    QTest::newRow("7") << 7 << U("版本升级未完成！");
    QTest::newRow("unknown") << 42 << U("版本升级未完成！");
  }

  void EachResultIsShownWithItsText() {
    QFETCH(int, code);
    QFETCH(QString, text);
    vexon::test::RecordingPrompter prompter;
    int runs = 0;
    CUpdateDlg dialog(
        [&] {
          ++runs;
          // The busy cursor is up while the check runs.
          const QCursor* cursor = QApplication::overrideCursor();
          return cursor != nullptr && cursor->shape() == Qt::WaitCursor ? code : -100;
        },
        prompter);
    dialog.show();
    QTest::mouseClick(vexon::test::Find<QPushButton>(dialog, 1122), Qt::LeftButton);
    QCOMPARE(runs, 1);
    QCOMPARE(prompter.texts.size(), size_t{1});
    QCOMPARE(prompter.captions.size(), size_t{1});
    QCOMPARE(QString::fromStdString(prompter.captions.front()), U("升级信息"));
    QCOMPARE(QString::fromStdString(prompter.texts.front()), text);
    QVERIFY(prompter.lastIcon == vexon::app::MessageIcon::kInformation);
    QVERIFY(prompter.lastButtons == vexon::app::MessageButtons::kOk);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(dialog.isVisible());
    QVERIFY(vexon::test::Find<QPushButton>(dialog, 1122)->isEnabled());
  }

  void TheDialogStaysOpenForAnotherCheckAndExitCloses() {
    vexon::test::RecordingPrompter prompter;
    int runs = 0;
    CUpdateDlg dialog(
        [&] {
          ++runs;
          return runs == 1 ? 2 : 0;
        },
        prompter);
    dialog.show();
    QTest::mouseClick(vexon::test::Find<QPushButton>(dialog, 1122), Qt::LeftButton);
    QTest::mouseClick(vexon::test::Find<QPushButton>(dialog, 1122), Qt::LeftButton);
    QCOMPARE(runs, 2);
    QCOMPARE(prompter.texts.size(), size_t{2});
    QCOMPARE(QString::fromStdString(prompter.texts[0]), U("网络连接出错！"));
    QCOMPARE(QString::fromStdString(prompter.texts[1]), U("版本升级完成，下次运行的才是新版本。"));
    QVERIFY(dialog.isVisible());
    QTest::mouseClick(vexon::test::Find<QPushButton>(dialog, 1028), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(runs, 2);
  }

  void WithoutACheckTheSiteCannotBeReached() {
    vexon::test::RecordingPrompter prompter;
    CUpdateDlg dialog(std::function<int()>(), prompter);
    dialog.show();
    QTest::mouseClick(vexon::test::Find<QPushButton>(dialog, 1122), Qt::LeftButton);
    QCOMPARE(prompter.texts.size(), size_t{1});
    QCOMPARE(QString::fromStdString(prompter.texts.front()), U("网络连接出错！"));
  }
};

QTEST_MAIN(UpdateDialogTest)
#include "update_dialog_test.moc"
