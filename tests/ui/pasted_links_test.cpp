#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QtTest>

#include <string>

#include "app/command_ids.h"
#include "core/list_schemas.h"
#include "ui/window_fixture.h"

using namespace vexon::test;
namespace cmd = vexon::app::cmd;
using vexon::core::MessageResult;

namespace {

void Drop(QWidget& view, QMimeData& mime) {
  auto& list = static_cast<vexon::widgets::ListView&>(view);
  // As a drag ends: it enters, moves and is dropped.
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(list.viewport(), &enter);
  QDragMoveEvent move(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(list.viewport(), &move);
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(list.viewport(), &drop);
}

int Rows(QWidget& w) {
  return DownloadView(w).model()->rowCount();
}

QString StatusLine(QWidget& w) {
  return vexon::app::ui::Find<QLabel>(w, vexon::app::ctl::kStatusLine)->text();
}

QString Urls(int count) {
  QString text;
  for (int i = 0; i < count; ++i) text += QStringLiteral("http://127.0.0.1:9/song%1.mp3\n").arg(i);
  return text;
}

}  // namespace

class PastedLinksTest final : public QObject {
  Q_OBJECT

 private slots:
  // A drop of links or of text holding them queues the http and https ones; the
  // rest is counted on the status line.
  void DropsQueueTheirWebLinksOnly() {
    WindowFixture f;
    auto& w = f.Open();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QMimeData links;
    links.setUrls({QUrl(QStringLiteral("http://127.0.0.1:9/a.mp3")), QUrl(QStringLiteral("file:///etc/passwd")),
                   QUrl(QStringLiteral("https://127.0.0.1:9/b%20c.mp3"))});
    Drop(DownloadView(w), links);
    QCOMPARE(Rows(w), 2);
    QVERIFY2(StatusLine(w).contains(QString::fromUtf8("已加入 2 个网址, 忽略 1 项")), qPrintable(StatusLine(w)));
    QMimeData text;
    text.setText(QStringLiteral("get javascript:alert(1) and http://127.0.0.1:9/d.mp3, then http://127.0.0.1:9/a.mp3"));
    Drop(DownloadView(w), text);
    // a.mp3 is listed already: left out, and told once.
    QCOMPARE(Rows(w), 3);
    QCOMPARE(f.prompter.texts.size(), size_t(1));
    QVERIFY(QString::fromStdString(f.prompter.texts.back()).startsWith(QStringLiteral("1 ")));
  }

  // Ctrl+V outside the search box, the address dialog and a search box of links.
  void PasteTheAddressDialogAndTypedLinksQueue() {
    WindowFixture f;
    f.ports.askAddresses = [] { return std::optional<QString>(QStringLiteral("http://127.0.0.1:9/x.mp3")); };
    auto& w = f.Open();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QGuiApplication::clipboard()->setText(QStringLiteral("http://127.0.0.1:9/p.mp3"));
    ResultsView(w).setFocus();
    QTest::keySequence(&w, QKeySequence::Paste);
    QCOMPARE(Rows(w), 1);
    w.OnCommand(cmd::kDownloadAddress);
    QCOMPARE(Rows(w), 2);
    SearchBox(w).setEditText(QStringLiteral("http://127.0.0.1:9/s.mp3"));
    w.OnCommand(cmd::kSearch);
    QCOMPARE(Rows(w), 3);
    QCOMPARE(ResultsView(w).model()->rowCount(), 0);
    QVERIFY(!f.session->search().HasRunningTasks());
  }

  // More than twenty at once ask once; a No queues none of them.
  void ManyAddressesAskOnce() {
    for (const MessageResult answer : {MessageResult::kNo, MessageResult::kYes}) {
      WindowFixture f;
      f.ports.askAddresses = [] { return std::optional<QString>(Urls(21)); };
      auto& w = f.Open();
      f.prompter.answer = answer;
      w.OnCommand(cmd::kDownloadAddress);
      QCOMPARE(f.prompter.texts.size(), size_t(1));
      QCOMPARE(Rows(w), answer == MessageResult::kYes ? 21 : 0);
    }
    WindowFixture f;
    f.ports.askAddresses = [] { return std::optional<QString>(Urls(20)); };
    auto& w = f.Open();
    w.OnCommand(cmd::kDownloadAddress);
    QVERIFY(f.prompter.texts.empty());
    QCOMPARE(Rows(w), 20);
  }
};

QTEST_MAIN(PastedLinksTest)
#include "pasted_links_test.moc"
