#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <string>

#include "app/ui/find_control.h"
#include "download/download_as_form.h"
#include "download/ui/qt_download_as_dialog.h"
#include "fakes/ports.h"

using vexon::app::ui::Find;
using vexon::download::DownloadAsForm;
using vexon::download::ui::CDownloadAsDlg;

class DownloadAsDialogTest final : public QObject {
  Q_OBJECT

 private slots:
  // The name typed over the combo's text, key by key; OK takes the texts and closes.
  void OkTakesTheTextsAndCloses() {
    DownloadAsForm form("x", "Song", "kw", "/music/", ".mp3");
    vexon::test::ScriptedFolderChooser chooser;
    vexon::test::RecordingPrompter prompter;
    CDownloadAsDlg dialog(chooser, prompter, nullptr);
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
};

QTEST_MAIN(DownloadAsDialogTest)
#include "download_as_dialog_test.moc"
