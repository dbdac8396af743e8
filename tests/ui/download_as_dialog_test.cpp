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

#include "app/ui/find_control.h"
#include "core/folder_chooser.h"
#include "core/prompter.h"
#include "download/download_as_form.h"
#include "download/ui/qt_download_as_dialog.h"
#include "fakes/ports.h"

using vexon::core::MessageButtons;
using vexon::core::MessageIcon;
using vexon::core::MessageResult;
using vexon::download::DownloadAsForm;
using vexon::download::ui::CDownloadAsDlg;

namespace {

using FakePrompter = vexon::test::RecordingPrompter;
using FakeChooser = vexon::test::ScriptedFolderChooser;
using vexon::app::ui::Find;

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
