#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <string>

#include "app/ui/find_control.h"
#include "download/download_as_form.h"
#include "download/ui/qt_download_as_dialog.h"
#include "fakes/ports.h"
#include "library/ui/move_file_dialog.h"

using vexon::app::ui::Find;
using vexon::download::DownloadAsForm;
using vexon::download::ui::CDownloadAsDlg;
using vexon::library::MoveFileForm;
using vexon::library::ui::CMoveFileDlg;

class DownloadAsDialogTest final : public QObject {
  Q_OBJECT

 private slots:
  // The name typed over the combo's text, key by key; OK takes the texts and closes.
  void OkTakesTheTextsAndCloses() {
    DownloadAsForm form("x", "Song", "kw", "/music/", ".mp3");
    vexon::test::ScriptedFolderChooser chooser;
    vexon::test::RecordingPrompter prompter;
    CDownloadAsDlg dialog(chooser, prompter, {}, nullptr);
    dialog.show();
    dialog.Present(form);
    QLineEdit* edit = Find<QComboBox>(dialog, 1000)->lineEdit();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, "abc");
    QTest::mouseClick(Find<QPushButton>(dialog, 1083), Qt::LeftButton);
    QVERIFY(prompter.texts.empty());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(form.fullName(), std::string("/music/abc.mp3"));
    QCOMPARE(form.path(), std::string("/music/"));
  }

  // The Move dialog: its fields start from the row and the full name follows the edits.
  void MoveFieldsStartFromTheRowAndTheFullNameFollowsEdits() {
    vexon::test::ScriptedFolderChooser chooser;
    CMoveFileDlg dialog(chooser, {});
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

QTEST_MAIN(DownloadAsDialogTest)
#include "download_as_dialog_test.moc"
