#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
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
#include "download/download_as_form.h"
#include "download/ui/qt_download_as_dialog.h"

using vexon::core::MessageButtons;
using vexon::core::MessageIcon;
using vexon::core::MessageResult;
using vexon::download::DownloadAsForm;
using vexon::download::ui::CDownloadAsDlg;

namespace {

using FakePrompter = vexon::test::RecordingPrompter;
using FakeChooser = vexon::test::ScriptedFolderChooser;
using vexon::app::ui::Find;

QString FullName(QWidget& dialog) { return Find<QPlainTextEdit>(dialog, 1077)->toPlainText(); }

QStringList Entries(QComboBox* combo) {
  QStringList entries;
  for (int i = 0; i < combo->count(); ++i) entries << combo->itemText(i);
  return entries;
}

void Click(QWidget& dialog, int id) {
  QTest::mouseClick(Find<QPushButton>(dialog, id), Qt::LeftButton);
}

// The name typed over the combo's text, key by key.
void TypeName(QWidget& dialog, const QString& text) {
  QLineEdit* edit = Find<QComboBox>(dialog, 1000)->lineEdit();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

QString Utf8(const char* text) { return QString::fromUtf8(text); }

// The dialog, shown without a modal loop and presenting `form`.
struct Fixture {
  explicit Fixture(DownloadAsForm& form) : dialog(chooser, prompter, nullptr) {
    dialog.show();
    dialog.Present(form);
  }
  FakeChooser chooser;
  FakePrompter prompter;
  CDownloadAsDlg dialog;
};

}  // namespace

class DownloadAsDialogTest final : public QObject {
  Q_OBJECT

 private slots:
  void OpensWithTheTitleSelected() {
    DownloadAsForm form("x", "Song", "kw", "/music/", ".mp3");
    Fixture f(form);
    QWidget& d = f.dialog;

    QCOMPARE(d.windowTitle(), Utf8("维松MP3"));
    QComboBox* combo = Find<QComboBox>(d, 1000);
    QVERIFY(combo->isEditable());
    QCOMPARE(Entries(combo), QStringList({"Song", "kw", "x"}));
    QCOMPARE(combo->currentText(), QString("Song"));
    QCOMPARE(Find<QLabel>(d, 1081)->text(), QString(".mp3"));
    QLineEdit* path = Find<QLineEdit>(d, 1075);
    QCOMPARE(path->text(), QString("/music/"));
    QVERIFY(path->isReadOnly());
    QVERIFY(Find<QPlainTextEdit>(d, 1077)->isReadOnly());
    QCOMPARE(FullName(d), QString("/music/Song.mp3"));
    QCOMPARE(Find<QPushButton>(d, 1028)->text(), Utf8("浏览..."));
    QCOMPARE(Find<QPushButton>(d, 1083)->text(), Utf8("确定"));
    QCOMPARE(Find<QPushButton>(d, 2)->text(), Utf8("取消"));
    QStringList labels;
    for (QLabel* label : d.findChildren<QLabel*>()) labels << label->text();
    for (const char* text : {"文件名:", "文件路径:", "全名:", "另下载为",
                             "下载选定文件到你指定路径和文件名的磁盘中"}) {
      QVERIFY2(labels.contains(Utf8(text)), text);
    }
  }

  void OkTakesTheTextsAndCloses() {
    DownloadAsForm form("x", "Song", "kw", "/music/", ".mp3");
    Fixture f(form);
    TypeName(f.dialog, "abc");
    Click(f.dialog, 1083);
    QVERIFY(f.prompter.texts.empty());
    QCOMPARE(f.dialog.result(), int(QDialog::Accepted));
    QVERIFY(!f.dialog.isVisible());
    QCOMPARE(form.fullName(), std::string("/music/abc.mp3"));
    QCOMPARE(form.path(), std::string("/music/"));
  }

};

QTEST_MAIN(DownloadAsDialogTest)
#include "download_as_dialog_test.moc"
