#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include "core/prompter.h"
#include "app/ui/qt_prompter.h"

using vexon::core::MessageButtons;
using vexon::core::MessageIcon;
using vexon::core::MessageResult;
using vexon::app::ui::QtPrompter;

// Declared before the test class uses them as data columns.
Q_DECLARE_METATYPE(MessageIcon)
Q_DECLARE_METATYPE(MessageButtons)
Q_DECLARE_METATYPE(MessageResult)

class QtPrompterTest final : public QObject {
  Q_OBJECT

 private slots:
  void ShowsCaptionIconButtonsAndReturnsThePressedOne_data() {
    QTest::addColumn<MessageIcon>("icon");
    QTest::addColumn<MessageButtons>("buttons");
    QTest::addColumn<int>("qtIcon");
    QTest::addColumn<int>("qtButtons");
    QTest::addColumn<int>("press");
    QTest::addColumn<MessageResult>("expected");
    QTest::newRow("yes-no, no") << MessageIcon::kQuestion << MessageButtons::kYesNo
                                << int(QMessageBox::Question)
                                << int(QMessageBox::Yes | QMessageBox::No) << int(QMessageBox::No)
                                << MessageResult::kNo;
    QTest::newRow("ok-cancel, cancel") << MessageIcon::kStop << MessageButtons::kOkCancel
                                       << int(QMessageBox::Critical)
                                       << int(QMessageBox::Ok | QMessageBox::Cancel)
                                       << int(QMessageBox::Cancel) << MessageResult::kCancel;
    QTest::newRow("no icon") << MessageIcon::kNone << MessageButtons::kOk << int(QMessageBox::NoIcon)
                             << int(QMessageBox::Ok) << int(QMessageBox::Ok) << MessageResult::kOk;
  }

  void ShowsCaptionIconButtonsAndReturnsThePressedOne() {
    QFETCH(MessageIcon, icon);
    QFETCH(MessageButtons, buttons);
    QFETCH(int, qtIcon);
    QFETCH(int, qtButtons);
    QFETCH(int, press);
    QFETCH(MessageResult, expected);

    QWidget parent;
    QtPrompter prompter(&parent);
    QString caption;
    QString text;
    int seenIcon = -1;
    int seenButtons = -1;
    bool childOfParent = false;
    bool found = false;
    // Runs inside the box's own event loop; it always ends the box, so a wrong box
    // fails the comparisons below instead of hanging.
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) {
        if (QWidget* other = QApplication::activeModalWidget()) other->close();
        return;
      }
      found = true;
      caption = box->windowTitle();
      text = box->text();
      seenIcon = int(box->icon());
      seenButtons = int(box->standardButtons());
      childOfParent = box->parentWidget() == &parent;
      if (QAbstractButton* button = box->button(QMessageBox::StandardButton(press))) {
        button->click();
      } else {
        box->reject();
      }
    });
    const MessageResult result = prompter.Show("文件已存在", icon, buttons);
    QVERIFY(found);
    QCOMPARE(caption, QString::fromUtf8("维松MP3"));
    QCOMPARE(text, QString::fromUtf8("文件已存在"));
    QCOMPARE(seenIcon, qtIcon);
    QCOMPARE(seenButtons, qtButtons);
    QVERIFY(childOfParent);
    QCOMPARE(result, expected);
  }
};

QTEST_MAIN(QtPrompterTest)
#include "qt_prompter_test.moc"
