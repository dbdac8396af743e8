#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "app/ui/about_dialog.h"

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
  void ShowsTheFixedLinesThenARightsNoticeAndOkCloses() {
    CAboutDlg dialog;
    QCOMPARE(dialog.windowTitle(), U("关于维松MP3"));
    auto* field = dialog.findChild<QPlainTextEdit*>(QStringLiteral("1005"));
    QVERIFY(field != nullptr && field->isReadOnly());
    const QStringList fixed = FixedLines();
    const QStringList shown = field->toPlainText().split(QLatin1Char('\n'));
    QVERIFY(shown.size() > fixed.size() + 1);
    QCOMPARE(shown.mid(0, fixed.size()), fixed);
    QVERIFY(!shown.at(fixed.size()).trimmed().isEmpty());
    QVERIFY(AboutVersionLine().startsWith(U("版本 1.2.6    2006年 8月")));
    dialog.show();
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
  }
};

QTEST_MAIN(AboutDialogTest)
#include "about_dialog_test.moc"
