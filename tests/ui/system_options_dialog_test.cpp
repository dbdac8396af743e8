#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QtTest>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/folder_chooser.h"
#include "core/prompter.h"
#include "fakes/ports.h"
#include "app/ui/find_control.h"
#include "app/ui/qt_folder_chooser.h"
#include "storage/system_options.h"
#include "storage/ui/system_options_dialog.h"

using vexon::core::MessageButtons;
using vexon::core::MessageIcon;
using vexon::core::MessageResult;
using vexon::storage::SystemOptions;
using vexon::storage::ui::CSystemOptionsDlg;

namespace {

using FakePrompter = vexon::test::RecordingPrompter;
using FakeChooser = vexon::test::ScriptedFolderChooser;
using vexon::app::ui::Find;

QString Utf8(const char* text) { return QString::fromUtf8(text); }

void SetText(QWidget& dialog, int id, const QString& text) {
  QLineEdit* edit = Find<QLineEdit>(dialog, id);
  // As if pasted: the dialog reads the edits on OK only.
  edit->selectAll();
  edit->insert(text);
}

void Click(QWidget& dialog, int id) {
  QTest::mouseClick(Find<QAbstractButton>(dialog, id), Qt::LeftButton);
}

SystemOptions Stored() {
  SystemOptions fields;
  fields.folder = "/music/";
  fields.titleDown = true;
  fields.maxDownloadThreads = 3;
  fields.maxDownloadSpeed = 0;
  fields.searchHistoryMaxItems = 10;
  fields.completedMaxItems = 200;
  return fields;
}

void ExpectSame(const SystemOptions& actual, const SystemOptions& expected) {
  QCOMPARE(actual.folder, expected.folder);
  QCOMPARE(actual.titleDown, expected.titleDown);
  QCOMPARE(actual.maxDownloadThreads, expected.maxDownloadThreads);
  QCOMPARE(actual.maxDownloadSpeed, expected.maxDownloadSpeed);
  QCOMPARE(actual.searchHistoryMaxItems, expected.searchHistoryMaxItems);
  QCOMPARE(actual.completedMaxItems, expected.completedMaxItems);
}

struct Fixture {
  Fixture() : fields(Stored()), dialog(fields, chooser, prompter, nullptr) { dialog.show(); }
  SystemOptions fields;
  FakeChooser chooser;
  FakePrompter prompter;
  CSystemOptionsDlg dialog;
};

}  // namespace

class SystemOptionsDialogTest final : public QObject {
  Q_OBJECT

 private slots:
  void ShowsTheFieldsAndTheTexts() {
    Fixture f;
    QWidget& d = f.dialog;
    QCOMPARE(d.windowTitle(), Utf8("维松MP3"));
    QCOMPARE(Find<QLineEdit>(d, 1040)->text(), QString("/music/"));
    QVERIFY(Find<QCheckBox>(d, 1117)->isChecked());
    QCOMPARE(Find<QLineEdit>(d, 1090)->text(), QString("3"));
    QCOMPARE(Find<QLineEdit>(d, 1093)->text(), QString("0"));
    QCOMPARE(Find<QLineEdit>(d, 1091)->text(), QString("10"));
    QCOMPARE(Find<QLineEdit>(d, 1092)->text(), QString("200"));
    QCOMPARE(Find<QPushButton>(d, 1041)->text(), Utf8("浏览..."));
    QCOMPARE(Find<QPushButton>(d, 1)->text(), Utf8("确定"));
    QCOMPARE(Find<QPushButton>(d, 2)->text(), Utf8("取消"));
    QStringList labels;
    for (QLabel* label : d.findChildren<QLabel*>()) labels << label->text();
    for (const char* text :
         {"系统选项", "设置系统应用参数", "默认下载文件路径:", "是否以文件标题为文件名开始下载: ",
          "最大同时下载文件数: ", "(1 - 10)", "最大每个文件的下载速率(KB/S): ", "(0表示不限)",
          "最大保留搜索文本项数:", "(5 - 20)", "最大已下载文件日志项数:", "(50 - 200)"}) {
      QVERIFY2(labels.contains(Utf8(text)), text);
    }
  }

  void ChecksEachField_data() {
    QTest::addColumn<int>("edit");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");  // empty: accepted
    const QString threads = Utf8("请输入一个 1 到 10 之间的整数。");
    QTest::newRow("threads 0") << 1090 << "0" << threads;
    QTest::newRow("threads 1") << 1090 << "1" << "";
    QTest::newRow("threads 10") << 1090 << "10" << "";
    QTest::newRow("threads 11") << 1090 << "11" << threads;
    QTest::newRow("threads abc") << 1090 << "abc" << threads;
    QTest::newRow("threads empty") << 1090 << "" << threads;
    QTest::newRow("threads -1") << 1090 << "-1" << threads;
    QTest::newRow("threads huge") << 1090 << "99999999999" << threads;
    const QString speed = Utf8("请输入一个 0 到 1000 之间的整数。");
    QTest::newRow("speed 1000") << 1093 << "1000" << "";
    QTest::newRow("speed 1001") << 1093 << "1001" << speed;
    QTest::newRow("speed 5.5") << 1093 << "5.5" << speed;
    const QString history = Utf8("请输入一个 5 到 20 之间的整数。");
    QTest::newRow("history 4") << 1091 << "4" << history;
    QTest::newRow("history 5") << 1091 << "5" << "";
    QTest::newRow("history 20") << 1091 << "20" << "";
    QTest::newRow("history 21") << 1091 << "21" << history;
    const QString log = Utf8("请输入一个 50 到 200 之间的整数。");
    QTest::newRow("log 49") << 1092 << "49" << log;
    QTest::newRow("log 50") << 1092 << "50" << "";
    QTest::newRow("log 201") << 1092 << "201" << log;
    const QString folder = Utf8(vexon::storage::ui::kFolderRefusedMessage);
    QTest::newRow("folder empty") << 1040 << "" << folder;
    QTest::newRow("folder blank") << 1040 << "  " << folder;
    // Stored with its "/", the folder must fit 255 bytes of GB18030 (a Han character
    // takes two).
    QTest::newRow("folder 255 bytes") << 1040 << "/" + QString(126, QChar(0x6587)) + "a" << "";
    QTest::newRow("folder 256 bytes") << 1040 << "/" + QString(127, QChar(0x6587)) << folder;
    QTest::newRow("folder 255 ascii") << 1040 << "/" + QString(253, QChar('a')) + "/" << "";
  }

  void TheFirstRefusedFieldInCheckingOrderIsNamed() {
    Fixture f;
    SetText(f.dialog, 1090, "0");
    SetText(f.dialog, 1093, "2000");
    SetText(f.dialog, 1091, "4");
    SetText(f.dialog, 1092, "x");
    // Folder, history, downloads, log, speed.
    const std::vector<std::pair<int, const char*>> steps = {
        {1091, "请输入一个 5 到 20 之间的整数。"},
        {1090, "请输入一个 1 到 10 之间的整数。"},
        {1092, "请输入一个 50 到 200 之间的整数。"},
        {1093, "请输入一个 0 到 1000 之间的整数。"},
    };
    const QStringList fixes = {"6", "2", "60", "100"};
    for (size_t i = 0; i < steps.size(); ++i) {
      Click(f.dialog, 1);
      QCOMPARE(f.prompter.texts.size(), i + 1);
      QCOMPARE(QString::fromStdString(f.prompter.texts.back()), Utf8(steps[i].second));
      QCOMPARE(f.dialog.focusWidget(), Find<QWidget>(f.dialog, steps[i].first));
      SetText(f.dialog, steps[i].first, fixes[static_cast<qsizetype>(i)]);
    }
    Click(f.dialog, 1117);
    Click(f.dialog, 1);
    QCOMPARE(f.prompter.texts.size(), steps.size());
    QCOMPARE(f.dialog.result(), int(QDialog::Accepted));
    QCOMPARE(f.fields.searchHistoryMaxItems, 6u);
    QCOMPARE(f.fields.maxDownloadThreads, 2u);
    QCOMPARE(f.fields.completedMaxItems, 60u);
    QCOMPARE(f.fields.maxDownloadSpeed, 100u);
    QVERIFY(!f.fields.titleDown);
  }

  void CancelChangesNothing() {
    Fixture f;
    f.chooser.answer = "/new/place/";
    Click(f.dialog, 1041);
    SetText(f.dialog, 1090, "7");
    Click(f.dialog, 1117);
    Click(f.dialog, 2);
    QCOMPARE(f.dialog.result(), int(QDialog::Rejected));
    QVERIFY(!f.dialog.isVisible());
    ExpectSame(f.fields, Stored());
  }

  // The Qt chooser's pure parts: what it preselects and how it answers.
  void FolderChooserTrimsTheStartAndEndsTheAnswerWithSlash_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("answer");
    QTest::newRow("with slash") << "/music/" << "/music" << "/music/";
    QTest::newRow("without slash") << "/music" << "/music" << "/music/";
    QTest::newRow("root") << "/" << "/" << "/";
  }

};

QTEST_MAIN(SystemOptionsDialogTest)
#include "system_options_dialog_test.moc"
