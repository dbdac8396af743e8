#include <QAbstractButton>
#include <QLineEdit>
#include <QtTest>

#include <string>
#include <tuple>
#include <vector>

#include "app/ui/find_control.h"
#include "fakes/ports.h"
#include "storage/system_options.h"
#include "storage/ui/system_options_dialog.h"

using vexon::storage::SystemOptions;
using vexon::storage::ui::CSystemOptionsDlg;

namespace {

using vexon::app::ui::Find;

void SetText(QWidget& dialog, int id, const QString& text) {
  QLineEdit* edit = Find<QLineEdit>(dialog, id);
  // As if pasted: the dialog reads the edits on OK only.
  edit->selectAll();
  edit->insert(text);
}

void Click(QWidget& dialog, int id) {
  QTest::mouseClick(Find<QAbstractButton>(dialog, id), Qt::LeftButton);
}

struct Fixture {
  Fixture() { dialog.show(); }
  SystemOptions fields{"/music/", true, 3, 0, 10, 200};
  vexon::test::ScriptedFolderChooser chooser;
  vexon::test::RecordingPrompter prompter;
  CSystemOptionsDlg dialog{fields, chooser, prompter, nullptr};
};

}  // namespace

class SystemOptionsDialogTest final : public QObject {
  Q_OBJECT

 private slots:
  void TheFirstRefusedFieldInCheckingOrderIsNamed() {
    Fixture f;
    // A path of sixty letters shows whole.
    auto* folder = Find<QLineEdit>(f.dialog, 1040);
    const QString path = QStringLiteral("/home/someone/Music/Downloads/2026/Live/Concerts/Archive/ab/");
    QCOMPARE(path.size(), 60);
    QVERIFY(folder->width() > folder->fontMetrics().horizontalAdvance(path));
    SetText(f.dialog, 1090, "0");
    SetText(f.dialog, 1093, "2000");
    SetText(f.dialog, 1091, "4");
    SetText(f.dialog, 1092, "x");
    // Folder, history, downloads, log, speed: each named, then fixed.
    const std::vector<std::tuple<int, const char*, QString>> steps = {
        {1091, "请输入一个 5 到 20 之间的整数。", "6"},
        {1090, "请输入一个 1 到 10 之间的整数。", "2"},
        {1092, "请输入一个 50 到 200 之间的整数。", "60"},
        {1093, "请输入一个 0 到 1000 之间的整数。", "100"}};
    for (const auto& [id, text, fix] : steps) {
      Click(f.dialog, 1);
      QCOMPARE(QString::fromStdString(f.prompter.texts.back()), QString::fromUtf8(text));
      QCOMPARE(f.dialog.focusWidget(), Find<QWidget>(f.dialog, id));
      SetText(f.dialog, id, fix);
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
};

QTEST_MAIN(SystemOptionsDialogTest)
#include "system_options_dialog_test.moc"
