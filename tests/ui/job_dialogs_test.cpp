// The dialogs whose network work runs on a background job: hot words and the update.
#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/ui/find_control.h"
#include "app/ui/qt_owner_channel.h"
#include "core/background_job.h"
#include "fakes/ports.h"
#include "hotwords/ui/hot_words_dialog.h"
#include "hotwords/word_list.h"
#include "standin/standin_server.h"
#include "text/encoding.h"
#include "update/ui/update_dialog.h"
#include "widgets/list_view.h"

using vexon::app::ui::Find;
using vexon::hotwords::ui::CHotWordsDlg;
using vexon::update::ui::CUpdateDlg;

namespace {

// Two categories; "B" has an entry without a related word, a "C" line has no category.
const char* kLocalList =
    "A--新歌速递\r\n"
    "B--热门歌手\r\n"
    "A|||隐形的翅膀|||张韶涵\r\n"
    "B|||周杰伦|||七里香\r\n"
    "A|||千里之外|||周杰伦\r\n"
    "B|||刀郎\r\n"
    "C|||吻别|||张学友\r\n";

struct Harness {
  Harness() {
    server.Start();
    startDir = dir.path().toStdString();
  }
  // A job still sending its end is released, so it can be joined.
  ~Harness() { channel.Shutdown(); }

  void WriteLocal(const std::string& utf8) const {
    const std::string bytes = vexon::text::Gb18030FromUtf8(utf8);
    std::ofstream(startDir / vexon::hotwords::kWordListFile, std::ios::binary) << bytes;
  }

  std::unique_ptr<CHotWordsDlg> Open() {
    const std::string url = server.Url("/poplist.htm");
    const std::filesystem::path folder = startDir;
    return std::make_unique<CHotWordsDlg>(
        startDir, job,
        [url, folder](const std::function<bool()>& stop) {
          return vexon::hotwords::RefreshWordListFromSite(url, folder, stop);
        },
        [this](const std::string& w) { words.push_back(w); }, vexon::text::Translator());
  }

  QTemporaryDir dir;
  std::filesystem::path startDir;
  vexon::standin::StandinServer server;
  std::vector<std::string> words;
  vexon::test::RecordingPrompter prompter;
  vexon::app::ui::QtOwnerChannel channel;
  vexon::core::BackgroundJob job{channel};
};

// Clicks the update dialog's check button and waits until the result is shown.
bool CheckAndWait(CUpdateDlg& dialog) {
  QSignalSpy ended(&dialog, &CUpdateDlg::checkEnded);
  QTest::mouseClick(Find<QPushButton>(dialog, 1122), Qt::LeftButton);
  return ended.wait(10000);
}

QStringList Categories(CHotWordsDlg& dialog) {
  QStringList items;
  for (int i = 0; i < dialog.categoryBox().count(); ++i) items << dialog.categoryBox().itemText(i);
  return items;
}

// The list's rows, cells joined by "/".
QStringList Rows(CHotWordsDlg& dialog) {
  QStringList rows;
  const auto& table = dialog.wordList().table();
  for (size_t r = 0; r < table.rowCount(); ++r) {
    rows << QString::fromStdString(table.Cell(r, 0) + "/" + table.Cell(r, 1) + "/" + table.Cell(r, 2));
  }
  return rows;
}

// A press first: a view only takes a double click on the cell it saw pressed.
void DoubleClick(vexon::widgets::ListView& view, int row, int column) {
  const QPoint at = view.visualRect(view.model()->index(row, column)).center();
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, at);
}

QStringList U(std::initializer_list<const char*> texts) {
  QStringList out;
  for (const char* t : texts) out << QString::fromUtf8(t);
  return out;
}

}  // namespace

class JobDialogsTest final : public QObject {
  Q_OBJECT

 private slots:
  // A double click on a word searches for it; a refresh from the site replaces the list.
  void DoubleClickSearchesAndRefreshReplacesTheList() {
    Harness h;
    h.WriteLocal(kLocalList);
    auto dialog = h.Open();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    dialog->categoryBox().setCurrentIndex(1);
    auto& view = dialog->wordList();
    const QModelIndex word = view.model()->index(1, 1);
    DoubleClick(view, 1, 1);
    QCOMPARE(h.words, std::vector<std::string>({"刀郎"}));
    QCOMPARE(view.currentIndex(), word);
    QCOMPARE(view.SelectedRows(), std::vector<size_t>({1}));
    dialog->ActivateCell(0, 2);
    QCOMPARE(h.words, std::vector<std::string>({"刀郎", "七里香"}));
    QCOMPARE(view.currentIndex(), view.model()->index(0, 2));

    QSignalSpy ended(dialog.get(), &CHotWordsDlg::refreshEnded);
    auto* refresh = Find<QPushButton>(*dialog, 1110);
    QTest::mouseClick(refresh, Qt::LeftButton);
    // The window says the refresh runs, and takes no second one meanwhile.
    QVERIFY(!refresh->isEnabled());
    QVERIFY(ended.wait(10000));
    QVERIFY(refresh->isEnabled());
    QCOMPARE(Categories(*dialog), U({"A--新歌速递", "B--热门歌手", "C--经典老歌"}));
    QCOMPARE(dialog->categoryBox().currentIndex(), 0);
    QCOMPARE(Rows(*dialog), U({"0/隐形的翅膀/张韶涵", "1/千里之外/周杰伦", "2/不得不爱/-"}));
    dialog->categoryBox().setCurrentIndex(2);
    QCOMPARE(Rows(*dialog).size(), 3);
    QCOMPARE(Rows(*dialog).at(2), QString::fromUtf8("2/吻别/张学友"));
  }

  void ClosingTheWindowGivesUpARefreshUnderWay() {
    Harness h;
    h.WriteLocal(kLocalList);
    vexon::standin::RawPage slow;
    slow.body = "A--slow\r\nA|||x\r\n";
    slow.delay = std::chrono::seconds(30);
    h.server.SetPage("/poplist.htm", slow);
    {
      auto dialog = h.Open();
      dialog->Refresh();
      QVERIFY(h.job.running());
    }
    // The job ends at once, and nothing of the window it had is touched.
    QTRY_VERIFY_WITH_TIMEOUT(!h.job.running(), 5000);
    auto again = h.Open();
    QCOMPARE(Categories(*again), U({"A--新歌速递", "B--热门歌手"}));
  }

  // The update dialog runs its check on the same kind of job.
  void EachResultIsShownWithItsText() {
    Harness h;
    const std::thread::id windowThread = std::this_thread::get_id();
    std::atomic<bool> offTheWindowThread{false};
    int code = 0;
    CUpdateDlg dialog(
        h.job,
        [&](const auto&) {
          offTheWindowThread = std::this_thread::get_id() != windowThread;
          return code;
        },
        h.prompter, vexon::text::Translator());
    dialog.show();
    const QString failed = QString::fromUtf8("版本升级未完成！"), network = QString::fromUtf8("网络连接出错！");
    const std::vector<std::pair<int, QString>> cases = {
        {0, QString::fromUtf8("版本升级完成，下次运行的才是新版本。")}, {1, network}, {2, network}, {3, failed},
        {6, QString::fromUtf8("已经是最新版本，不需要升级。")},         {7, failed},  {42, failed}};
    for (const auto& [result, text] : cases) {
      code = result;
      offTheWindowThread = false;
      QVERIFY(CheckAndWait(dialog));
      QVERIFY(offTheWindowThread);
      QCOMPARE(QString::fromStdString(h.prompter.texts.back()), text);
      QVERIFY(dialog.isVisible());
      QVERIFY(Find<QPushButton>(dialog, 1122)->isEnabled());
    }
    QCOMPARE(h.prompter.texts.size(), cases.size());
    QCOMPARE(h.prompter.captions, std::vector<std::string>(cases.size(), "升级信息"));
    QVERIFY(h.prompter.lastIcon == vexon::core::MessageIcon::kInformation);
    QVERIFY(h.prompter.lastButtons == vexon::core::MessageButtons::kOk);
  }

  void TheWindowStaysResponsiveAndClosingGivesTheCheckUp() {
    Harness h;
    std::atomic<bool> stopSeen{false};
    {
      CUpdateDlg dialog(
          h.job,
          [&](const std::function<bool()>& stop) {
            while (!stop()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            stopSeen = true;
            return 0;
          },
          h.prompter, vexon::text::Translator());
      dialog.show();
      QTest::mouseClick(Find<QPushButton>(dialog, 1122), Qt::LeftButton);
      QVERIFY(!Find<QPushButton>(dialog, 1122)->isEnabled());
      // Events are handled while the check runs.
      bool ticked = false;
      QTimer::singleShot(10, [&] { ticked = true; });
      QTRY_VERIFY(ticked);
      QVERIFY(h.job.running());
      QTest::mouseClick(Find<QPushButton>(dialog, 1028), Qt::LeftButton);
      QVERIFY(!dialog.isVisible());
    }
    QTRY_VERIFY(!h.job.running());
    QVERIFY(stopSeen);
    QVERIFY(h.prompter.texts.empty());  // a given-up check shows nothing
  }
};

QTEST_MAIN(JobDialogsTest)
#include "job_dialogs_test.moc"
