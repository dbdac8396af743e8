#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "app/ui/about_dialog.h"

using vexon::app::ui::AboutLines;
using vexon::app::ui::AboutVersionLine;
using vexon::app::ui::CAboutDlg;

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

const QString kRule = QStringLiteral(
    "----------------------------------------------------------------------");

// The first eighteen lines, as the program must show them.
QStringList FixedLines() {
  return {
      QString(),
      U(" 软件简介"),
      kRule,
      U(" 维松MP3是一款新型的MP3文件网络搜索软件，完全免费，它集文件搜索、下载、"),
      U(" 管理于一体。用户只需输入歌名或歌手名，软件就会自动去搜索网上多个流行网"),
      U(" 站，并自动检查被发现的文件链接，保证搜索结果丰富快速且无死链。软件能够"),
      U(" 多线层、断点续传、同时下载多个文件，并且还具有简单方便的文件管理功能。"),
      QString(),
      U(" 快速开始"),
      kRule,
      U(" 1．连接上网。"),
      U(" 2．搜索文件 在[编辑框]中输入关键词，鼠标单击[搜索]按钮，开始搜索。"),
      U(" 3．下载文件 在[搜索结果列表]中，鼠标双击文件项，开始下载。"),
      U(" 4．下载状态 在[下载文件列表]中，显示下载状态，完成后文件项自动清除。"),
      U(" 5．播放文件 转换到[已下载文件列表]，鼠标双击刚下载的文件项，开始播放。"),
      QString(),
      U(" 版权申明"),
      kRule,
  };
}

}  // namespace

class AboutDialogTest final : public QObject {
  Q_OBJECT

 private slots:
  void TitleIsTheAboutTitle() {
    CAboutDlg dialog;
    QCOMPARE(dialog.windowTitle(), U("关于维松MP3"));
  }

  void RuleIsSeventyHyphens() {
    QCOMPARE(kRule.size(), 70);
    QCOMPARE(kRule.count(QLatin1Char('-')), 70);
  }

  void LinesBeginWithTheFixedOnesThenARightsNotice() {
    const QStringList lines = AboutLines();
    const QStringList fixed = FixedLines();
    QVERIFY(lines.size() > fixed.size());
    QCOMPARE(lines.mid(0, fixed.size()), fixed);
    for (const QString& notice : lines.mid(fixed.size())) QVERIFY(!notice.trimmed().isEmpty());
  }

  void FieldHoldsEveryLineEachEndedAndIsReadOnly() {
    CAboutDlg dialog;
    auto* field = dialog.findChild<QPlainTextEdit*>(QStringLiteral("1005"));
    QVERIFY(field != nullptr);
    QVERIFY(field->isReadOnly());
    QString expected;
    for (const QString& line : AboutLines()) expected += line + QLatin1Char('\n');
    QCOMPARE(field->toPlainText(), expected);
    const QString head = QLatin1Char('\n') + U(" 软件简介\n") + kRule + QLatin1Char('\n');
    QVERIFY(field->toPlainText().startsWith(head));
  }

  void BannerShowsTitleAndVersionLine() {
    QVERIFY(AboutVersionLine().startsWith(U("版本 1.2.6    2006年 8月")));
    QVERIFY(AboutVersionLine().size() > U("版本 1.2.6    2006年 8月").size());
    CAboutDlg dialog;
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) texts << label->text();
    QVERIFY(texts.contains(U("关于维松MP3")));
    QVERIFY(texts.contains(AboutVersionLine()));
  }

  void OkClosesTheBox() {
    CAboutDlg dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("1"));
    QVERIFY(ok != nullptr);
    QCOMPARE(ok->text(), U("确定"));
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
  }
};

QTEST_MAIN(AboutDialogTest)
#include "about_dialog_test.moc"
