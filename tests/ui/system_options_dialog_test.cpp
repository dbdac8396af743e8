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

#include "app/ui/find_control.h"
#include "app/ui/qt_folder_chooser.h"
#include "core/folder_chooser.h"
#include "core/prompter.h"
#include "fakes/ports.h"
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

QString Utf8(const char* text) {
  return QString::fromUtf8(text);
}

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

  void APathOfSixtyLettersShowsWhole() {
    Fixture f;
    auto* folder = Find<QLineEdit>(f.dialog, 1040);
    const QString path = QStringLiteral("/home/someone/Music/Downloads/2026/Live/Concerts/Archive/ab/");
    QCOMPARE(path.size(), 60);
    QVERIFY(folder->width() > folder->fontMetrics().horizontalAdvance(path));
  }
};

QTEST_MAIN(SystemOptionsDialogTest)
#include "system_options_dialog_test.moc"
