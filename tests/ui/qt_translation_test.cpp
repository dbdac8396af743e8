#include <QDialogButtonBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/ui/qt_translation.h"

using vexon::app::ui::InstallChineseQtTexts;

class QtTranslationTest final : public QObject {
  Q_OBJECT

 private slots:
  void MissingFilesLeaveEnglishTexts() {
    QTemporaryDir empty;
    QVERIFY(!InstallChineseQtTexts(*QCoreApplication::instance(), empty.path()));
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancel"));
  }

  void StockButtonsAndDatesAreChinese() {
    QVERIFY(InstallChineseQtTexts(*QCoreApplication::instance()));
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(box.button(QDialogButtonBox::Ok)->text(), QString::fromUtf8("确定"));
    QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8("取消"));
    QCOMPARE(QLocale().monthName(12, QLocale::ShortFormat), QString::fromUtf8("12月"));
  }
};

QTEST_MAIN(QtTranslationTest)
#include "qt_translation_test.moc"
