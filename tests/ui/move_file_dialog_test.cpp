#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

#include <string>

#include "app/ui/find_control.h"
#include "fakes/ports.h"
#include "library/ui/move_file_dialog.h"

using vexon::app::ui::Find;
using vexon::library::MoveFileForm;
using vexon::library::ui::CMoveFileDlg;

class MoveFileDialogTest final : public QObject {
  Q_OBJECT

 private slots:
  void FieldsStartFromTheRowAndTheFullNameFollowsEdits() {
    vexon::test::ScriptedFolderChooser chooser;
    CMoveFileDlg dialog(chooser);
    MoveFileForm form("歌曲.mp3", "/music/");
    dialog.Present(form);
    QCOMPARE(dialog.windowTitle(), QString::fromUtf8("维松MP3"));
    QCOMPARE(Find<QLineEdit>(dialog, 1090)->text(), QString::fromUtf8("歌曲"));
    QCOMPARE(Find<QLabel>(dialog, 1085)->text(), QStringLiteral(".mp3"));
    QCOMPARE(Find<QLineEdit>(dialog, 1086)->text(), QStringLiteral("/music/"));
    QCOMPARE(Find<QPlainTextEdit>(dialog, 1087)->toPlainText(), QString::fromUtf8("/music/歌曲.mp3"));
    QVERIFY(Find<QPlainTextEdit>(dialog, 1087)->isReadOnly());
    QTest::keyClicks(Find<QLineEdit>(dialog, 1090), QStringLiteral("x"));
    QCOMPARE(Find<QPlainTextEdit>(dialog, 1087)->toPlainText(), QString::fromUtf8("/music/歌曲x.mp3"));
    QCOMPARE(form.name(), std::string("歌曲x"));
    Find<QLineEdit>(dialog, 1086)->clear();
    QTest::keyClicks(Find<QLineEdit>(dialog, 1086), QStringLiteral("/a"));
    QCOMPARE(Find<QPlainTextEdit>(dialog, 1087)->toPlainText(), QString::fromUtf8("/a歌曲x.mp3"));
  }
};

QTEST_MAIN(MoveFileDialogTest)
#include "move_file_dialog_test.moc"
