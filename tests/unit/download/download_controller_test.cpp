#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/list_schemas.h"
#include "download/download_controller.h"
#include "download/download_item.h"
#include "download/download_texts.h"
#include "download/final_file.h"
#include "net/status_text.h"
#include "storage/profile.h"
#include "support/test_files.h"
#include "text/catalog.h"
#include "unit/download/download_fakes.h"

using namespace vexon;
using namespace vexon::download;
using core::MessageButtons;
using core::MessageIcon;
using core::MessageResult;
using download::testing::TypeAndAccept;
using vexon::testing::ReadBytes;
using vexon::testing::WriteBytes;
using Pairs = std::vector<std::pair<std::string, std::string>>;

namespace {

// The controller on the test thread. Its pool has no room, so no transfer starts,
// and reports are refused: the test alone drives the list.
class DownloadTest : public ::testing::Test {
 protected:
  DownloadTest() {
    std::filesystem::create_directories(music);
    settings.DefaultMusicPath = music;
    settings.TitleDown = false;
    controller = std::make_unique<DownloadController>(channel, prompter, dialog, resultList, downloads, settings, store,
                                                      0, DownloadTexts::Chinese(), [] { return std::string("月亮"); });
    subscription = controller->Subscribe(listener);
  }
  ~DownloadTest() override {
    subscription.Reset();
    controller.reset();
  }

  size_t AddResult(const std::string& path, const std::string& title, const std::string& size = "1000") {
    const size_t row = results.rowCount();
    resultList.Add({"", "mp3", size, "05/04/2006", title, "http://127.0.0.1:9" + path}, "");
    return row;
  }
  // A stopped row as the settings file lists it.
  size_t AddStoppedRow(const std::string& name) {
    controller->LoadRecords({{music + name, "http://127.0.0.1:9/" + name, "9", 0}});
    return downloads.FindRow(core::kDownloadFileName, name);
  }
  std::string Cell(size_t row, core::DownloadColumn column) const { return downloads.Cell(row, column); }
  uint32_t Id(size_t row) const { return static_cast<uint32_t>(std::stoul(Cell(row, core::kDownloadId))); }
  std::unique_ptr<DownloadTask> TaskOf(size_t row) const {
    auto task = std::make_unique<DownloadTask>();
    task->workerId = Id(row);
    task->target = MakeTarget(Cell(row, core::kDownloadUrl), Cell(row, core::kDownloadFullName));
    return task;
  }
  std::string Record(const std::string& fullName) const {
    return profile.GetString(fullName, storage::kUrlKey, "<none>", storage::kRecordBufferSize);
  }
  std::string LastText() const { return prompter.shown.empty() ? "" : prompter.shown.back().text; }

  vexon::testing::TempDir dir;
  std::string music = (dir / "music").string() + "/";
  storage::Profile profile{dir / "vudez.ini"};
  storage::SettingsStore store{profile, dir.path()};
  storage::AppSettings settings;
  download::testing::RefusingChannel channel;
  download::testing::FakePrompter prompter;
  download::testing::FakeDownloadAs dialog;
  core::ListTable results{core::kResultsColumns};
  core::ResultList resultList{results};
  core::ListTable downloads{core::kDownloadColumns};
  Pairs logged;
  Pairs failures;
  struct Listener final : DownloadListener {
    DownloadTest& t;
    explicit Listener(DownloadTest& test) : t(test) {}
    void DownloadCompleted(const std::string& p, const std::string& s) override { t.logged.emplace_back(p, s); }
    void DownloadFailed(const std::string& f, const std::string& text) override { t.failures.emplace_back(f, text); }
  } listener{*this};
  std::unique_ptr<DownloadController> controller;
  DownloadController::Subscription subscription;
};

}  // namespace

TEST_F(DownloadTest, StartAppendsAQueuedRowMarksTheResultAndWritesTheRecord) {
  controller->OnStartDownload({});  // no selection: nothing
  const size_t result = AddResult("/q&amp;r/a%20b.mp3", "Title", "4096");
  controller->OnStartDownload({result});
  ASSERT_EQ(downloads.rowCount(), 1u);
  const std::string url = "http://127.0.0.1:9/q&r/a b.mp3";
  EXPECT_EQ(downloads.Row(0), (std::vector<std::string>{"0", std::to_string(Id(0)), "a b.mp3", "", "", "4096", "", "",
                                                        "等待下载", music + "a b.mp3", url}));
  EXPECT_EQ(downloads.Image(0), kQueuedImage);
  EXPECT_TRUE(results.Mark(result, 6));
  EXPECT_EQ(Record(music + "a b.mp3"), url);
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(DownloadTest, StartRefusesAListedUrlAndOffersDownloadAsForATakenName) {
  settings.TitleDown = true;
  const size_t first = AddResult("/a/x.mp3", "Song");
  controller->OnStartDownload({first});
  controller->OnStartDownload({first});
  EXPECT_EQ(LastText(), "文件URL在下载列表中已存在.");
  EXPECT_EQ(prompter.shown.back().icon, MessageIcon::kStop);
  const size_t second = AddResult("/b/x.mp3", "Song");
  controller->OnStartDownload({second});  // declined
  EXPECT_EQ(LastText(), "该文件全名在下载列表中已存在.要重命名或改变下载路径吗?");
  EXPECT_EQ(prompter.shown.back().buttons, MessageButtons::kOkCancel);
  EXPECT_TRUE(dialog.showings.empty());
  WriteBytes(music + "On disk.mp3", "older");
  prompter.answers = {MessageResult::kOk};
  dialog.script = {TypeAndAccept("Song 2")};
  controller->OnStartDownload({AddResult("/c/x.mp3", "On disk")});
  EXPECT_EQ(LastText(), "该文件在磁盘中已存在.要重命名或改变下载路径吗?");
  ASSERT_EQ(dialog.showings.size(), 1u);
  EXPECT_EQ(dialog.showings[0].nameText(), "On disk");
  ASSERT_EQ(downloads.rowCount(), 2u);
  EXPECT_EQ(Cell(1, core::kDownloadFullName), music + "Song 2.mp3");
  EXPECT_EQ(ReadBytes(music + "On disk.mp3"), "older");
  EXPECT_EQ(controller->liveWorkerCount(), 2u);
}

// Several rows: each queued as it would be alone, in list order; those whose URL is
// listed or whose name is taken are left out without a question and counted once.
TEST_F(DownloadTest, StartOnManyRowsQueuesEachInOrderAndCountsTheRowsLeftOut) {
  const size_t listed = AddResult("/l.mp3", "L");
  controller->OnStartDownload({listed});
  WriteBytes(music + "disk.mp3", "older");
  std::vector<size_t> rows = {AddResult("/n1.mp3", "N1"), listed, AddResult("/disk.mp3", "D"),
                              AddResult("/n2.mp3", "N2"), AddResult("/x/n1.mp3", "N1 again")};
  controller->OnStartDownload(rows);
  ASSERT_EQ(downloads.rowCount(), 3u);
  EXPECT_EQ(Cell(1, core::kDownloadFullName), music + "n1.mp3");
  EXPECT_EQ(Cell(2, core::kDownloadFullName), music + "n2.mp3");
  EXPECT_EQ(Record(music + "n2.mp3"), "http://127.0.0.1:9/n2.mp3");
  EXPECT_TRUE(results.Mark(rows[3], 0));
  EXPECT_FALSE(results.Mark(rows[2], 0));
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(LastText(), "3 个选中的文件没有加入下载列表: 它们的URL已在列表中, 或文件名已被使用.");
  EXPECT_TRUE(dialog.showings.empty());
  EXPECT_EQ(ReadBytes(music + "disk.mp3"), "older");
  controller->OnStartDownload({AddResult("/n3.mp3", "N3"), AddResult("/n4.mp3", "N4")});  // none left out: no word
  EXPECT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(downloads.rowCount(), 5u);
}

TEST_F(DownloadTest, DownloadAsFillsTheDialogAndQueuesTheChosenName) {
  const size_t result = AddResult("/dir/x.mp3", "Song", "77");
  controller->OnDownloadAs({result});  // cancelled
  ASSERT_EQ(dialog.showings.size(), 1u);
  EXPECT_EQ(dialog.showings[0].candidates(), (std::vector<std::string>{"Song", "月亮", "x"}));
  EXPECT_EQ(dialog.showings[0].fullNameText(), music + "Song.mp3");
  EXPECT_TRUE(downloads.empty());
  dialog.script = {TypeAndAccept("abc")};
  controller->OnDownloadAs({result});
  ASSERT_EQ(downloads.rowCount(), 1u);
  EXPECT_EQ(Cell(0, core::kDownloadFileName), "abc.mp3");
  EXPECT_EQ(Cell(0, core::kDownloadSize), "77");
  EXPECT_TRUE(results.Mark(result, 0));
  EXPECT_EQ(Record(music + "abc.mp3"), "http://127.0.0.1:9/dir/x.mp3");
  controller->OnDownloadAs({result});
  EXPECT_EQ(LastText(), "该文件URL在下载文件列表中已存在!");
  EXPECT_EQ(prompter.shown.back().icon, MessageIcon::kNone);
  EXPECT_EQ(dialog.showings.size(), 2u);
}

TEST_F(DownloadTest, DeleteAsksThenRemovesRowsRecordsMarksAndRenumbers) {
  std::vector<size_t> rows;
  for (int i = 0; i < 4; ++i) {
    rows.push_back(AddResult("/" + std::to_string(i) + ".mp3", "t"));
    controller->OnStartDownload({rows.back()});
  }
  AddStoppedRow("s.mp3");
  WriteBytes(music + "s.mp3.grb", "part");
  WriteBytes(music + "0.mp3.grb", "part");
  controller->OnDeleteDownload({0, 1});
  EXPECT_EQ(LastText(), "你是否要删除被选择的下载文件项?");
  EXPECT_EQ(prompter.shown.back().buttons, MessageButtons::kYesNo);
  EXPECT_EQ(downloads.rowCount(), 5u);
  prompter.answers = {MessageResult::kYes};
  controller->OnDeleteDownload({4, 0, 2});
  ASSERT_EQ(downloads.rowCount(), 2u);
  EXPECT_EQ(Cell(0, core::kDownloadIndex) + Cell(0, core::kDownloadFileName), "01.mp3");
  EXPECT_EQ(Cell(1, core::kDownloadIndex) + Cell(1, core::kDownloadFileName), "13.mp3");
  EXPECT_FALSE(FileExists(music + "s.mp3.grb"));  // stopped: deleted now
  EXPECT_FALSE(FileExists(music + "0.mp3.grb"));  // waiting: out of the queue, deleted now
  EXPECT_EQ(Record(music + "0.mp3"), "<none>");
  EXPECT_FALSE(results.Mark(rows[0], 0));
  EXPECT_TRUE(results.Mark(rows[1], 0));
  prompter.answers = {MessageResult::kYes};
  controller->OnDeleteAll();
  EXPECT_EQ(LastText(), "你是否要删除所有下载文件项?");
  EXPECT_TRUE(downloads.empty());
  EXPECT_EQ(Record(music + "3.mp3"), "<none>");
}

TEST_F(DownloadTest, AnEndReportOfATransferNoLongerListedIsIgnored) {
  const size_t a = AddResult("/a.mp3", "A");
  controller->OnStartDownload({a});
  auto taskA = TaskOf(0);
  WriteBytes(music + "a.mp3.grb", "old");
  prompter.answers = {MessageResult::kYes};
  controller->OnDeleteDownload({0});
  EXPECT_FALSE(FileExists(music + "a.mp3.grb"));
  controller->OnStartDownload({a});  // the same target again
  WriteBytes(music + "a.mp3.grb", "new");
  controller->OnWorkerEnded(core::Msg::DownloadEndedDelete, std::move(taskA));
  EXPECT_TRUE(FileExists(music + "a.mp3.grb"));
  controller->OnWorkerReport(Id(0) + 1000, TransferReport::Failed(TransferFailure::kConnect, 1));  // no such row
  EXPECT_EQ(Cell(0, core::kDownloadState), "等待下载");
}

TEST_F(DownloadTest, StopResumeAndDoubleClick) {
  controller->OnStartDownload({AddResult("/a.mp3", "A")});
  AddStoppedRow("s.mp3");
  const std::string first = Cell(0, core::kDownloadId);
  controller->OnDownloadDoubleClick({0});
  EXPECT_EQ((std::vector<std::string>{Cell(0, core::kDownloadId), Cell(0, core::kDownloadSpeed),
                                      Cell(0, core::kDownloadTimeLeft), Cell(0, core::kDownloadState)}),
            (std::vector<std::string>{"-", "0", "-", "停止下载"}));
  EXPECT_EQ(downloads.Image(0), kStoppedImage);
  EXPECT_NE(Record(music + "a.mp3"), "<none>");
  controller->OnResumeAll();
  EXPECT_NE(Cell(0, core::kDownloadId), first);
  EXPECT_NE(Cell(1, core::kDownloadId), "-");
  EXPECT_EQ(Cell(1, core::kDownloadState), "等待下载");
  EXPECT_EQ(downloads.Image(1), kQueuedImage);
  const std::string resumed = Cell(1, core::kDownloadId);
  controller->OnResumeDownload({1});  // not stopped: skipped
  EXPECT_EQ(Cell(1, core::kDownloadId), resumed);
  controller->OnStopAll();
  EXPECT_EQ(Cell(0, core::kDownloadId) + Cell(1, core::kDownloadId), "--");
  controller->OnDownloadDoubleClick({1});
  EXPECT_NE(Cell(1, core::kDownloadId), "-");
}

TEST_F(DownloadTest, AFailureKeepsWhyOnTheStoppedRowAndAnEndWithoutOneSaysStopped) {
  controller->OnStartDownload({AddResult("/a.mp3", "A")});
  controller->OnStartDownload({AddResult("/b.mp3", "B")});
  auto failed = TaskOf(0);
  controller->OnWorkerReport(Id(0), TransferReport::Failed(TransferFailure::kOpen, 13));
  controller->OnWorkerEnded(core::Msg::DownloadEndedKeep, std::move(failed));
  controller->OnWorkerEnded(core::Msg::DownloadEndedKeep, TaskOf(1));
  EXPECT_EQ(Cell(0, core::kDownloadId) + Cell(0, core::kDownloadState), "-当打开被下载文件时发生错误,错误:13");
  EXPECT_EQ(Cell(1, core::kDownloadId) + Cell(1, core::kDownloadState), "-停止下载");
  EXPECT_EQ(downloads.Image(1), kStoppedImage);
  EXPECT_EQ(failures, (Pairs{{music + "a.mp3", "当打开被下载文件时发生错误,错误:13 (Permission denied)"}}));
  EXPECT_EQ(controller->liveWorkerCount(), 0u);
  EXPECT_EQ(controller->pool().runningCount(), 0u);
}

TEST_F(DownloadTest, CompletionRenamesToAFreeNameRemovesRowAndRecordAndLogsThatName) {
  const size_t a = AddResult("/a.mp3", "A", "4");
  controller->OnStartDownload({a});
  controller->OnStartDownload({AddResult("/b.mp3", "B")});
  AddStoppedRow("a(1).mp3");  // another download's target is taken too
  WriteBytes(music + "a.mp3", "made meanwhile");
  WriteBytes(music + "a.mp3.grb", "body");
  auto unknown = TaskOf(0);
  unknown->workerId += 1000;
  controller->OnWorkerEnded(core::Msg::DownloadCompleted, std::move(unknown));
  EXPECT_TRUE(FileExists(music + "a.mp3.grb"));  // an unknown worker's end touches nothing
  controller->OnWorkerEnded(core::Msg::DownloadCompleted, TaskOf(0));
  EXPECT_EQ(ReadBytes(music + "a(2).mp3"), "body");
  EXPECT_EQ(ReadBytes(music + "a.mp3"), "made meanwhile");
  EXPECT_EQ(logged, (Pairs{{music + "a(2).mp3", "4"}}));
  ASSERT_EQ(downloads.rowCount(), 2u);
  EXPECT_EQ(Cell(0, core::kDownloadIndex) + Cell(0, core::kDownloadFileName), "0b.mp3");
  EXPECT_EQ(Record(music + "a.mp3"), "<none>");
  EXPECT_FALSE(results.Mark(a, 0));
}

TEST_F(DownloadTest, AddDownloadChecksLikeTheStartCommandAndMakesTheNameSafe) {
  EXPECT_TRUE(controller->AddDownload("http://h/x%20y.mp3", music + "x.mp3", "123"));
  EXPECT_FALSE(controller->AddDownload("http://h/x y.mp3", music + "y.mp3", ""));
  EXPECT_EQ(LastText(), "文件URL在下载列表中已存在.");
  EXPECT_FALSE(controller->AddDownload("http://h/z.mp3", music + "x.mp3", ""));
  EXPECT_EQ(LastText(), "该文件全名在下载列表中已存在.要重命名或改变下载路径吗?");
  EXPECT_TRUE(controller->AddDownload("http://h/w.mp3", music + "..", ""));
  EXPECT_EQ(Cell(0, core::kDownloadSize), "123");
  EXPECT_EQ(Cell(1, core::kDownloadFullName), music + "_");
  EXPECT_EQ(Record(music + "x.mp3"), "http://h/x y.mp3");
  // A URL no record could keep whole is refused before anything starts.
  EXPECT_FALSE(controller->AddDownload("http://h/" + std::string(9000, 'a'), music + "long.mp3", ""));
  EXPECT_EQ(LastText(), kUrlTooLongText);
  EXPECT_EQ(downloads.rowCount(), 2u);
  EXPECT_EQ(Record(music + "long.mp3"), "<none>");
}

// A completion whose log entry never reached the settings file (a kill between the
// rename and the write) is logged at the next start, not fetched again; only the
// final file of the record's size, with no partial file beside it, counts as one.
TEST_F(DownloadTest, ARecordWhoseFinalFileIsThereIsLoggedNotListed) {
  WriteBytes(music + "done.mp3", "12345");
  WriteBytes(music + "short.mp3", "123");
  WriteBytes(music + "both.mp3", "12345");
  WriteBytes(music + "both.mp3.grb", "12");
  WriteBytes(music + "nosize.mp3", "12345");
  for (const char* name : {"done.mp3", "short.mp3", "both.mp3", "nosize.mp3"}) {
    ASSERT_TRUE(
        store.WriteDownloadRecord(music + name, "http://h/" + std::string(name), "5", storage::kWriteDownloadRecord));
  }
  controller->LoadRecords({{music + "done.mp3", "http://h/done.mp3", "5", 0},
                           {music + "short.mp3", "http://h/short.mp3", "5", 0},
                           {music + "both.mp3", "http://h/both.mp3", "5", 2},
                           {music + "nosize.mp3", "http://h/nosize.mp3", "", 0}});
  EXPECT_EQ(logged, (Pairs{{music + "done.mp3", "5"}}));
  EXPECT_EQ(Record(music + "done.mp3"), "<none>");
  ASSERT_EQ(downloads.rowCount(), 3u);
  EXPECT_EQ(Cell(0, core::kDownloadFileName) + Cell(1, core::kDownloadFileName) + Cell(2, core::kDownloadFileName),
            "short.mp3both.mp3nosize.mp3");
  EXPECT_EQ(Record(music + "short.mp3"), "http://h/short.mp3");
}

TEST_F(DownloadTest, StoredRecordsShowTheirPartialFilesAndEveryStateIsCounted) {
  controller->LoadRecords({{music + "a.mp3", "http://h/a.mp3", "1000", 250},
                           {music + "b.mp3", "http://h/b.mp3", "", 10},
                           {music + "c.mp3", "http://h/c.mp3", "abc", 10},
                           {music + "d.mp3", "http://h/d.mp3", "100", 150}});
  EXPECT_EQ(downloads.Row(0), (std::vector<std::string>{"0", "-", "a.mp3", "25%", "250", "1000", "0", "", "停止下载",
                                                        music + "a.mp3", "http://h/a.mp3"}));
  EXPECT_EQ(downloads.Image(0), kStoppedImage);
  EXPECT_EQ(
      Cell(1, core::kDownloadPercent) + "|" + Cell(2, core::kDownloadPercent) + "|" + Cell(3, core::kDownloadPercent),
      "||150%");
  controller->OnStartDownload({AddResult("/e.mp3", "E")});
  controller->OnStartDownload({AddResult("/f.mp3", "F")});
  const auto counts = [&] {  // total, waiting, stopped, running
    const auto c = controller->CountByState();
    return std::vector<size_t>{c.total, c.waiting, c.stopped, c.running};
  };
  EXPECT_EQ(counts(), (std::vector<size_t>{6, 2, 4, 0}));
  controller->OnWorkerReport(Id(4), TransferReport::Step(TransferStep::kConnecting, "127.0.0.1"));
  controller->OnWorkerReport(Id(5), TransferReport::Step(TransferStep::kDownloading));
  EXPECT_EQ(counts(), (std::vector<size_t>{6, 0, 4, 2}));
  EXPECT_EQ(controller->ItemAtRow(5)->state, DownloadState::kTransferring);
  EXPECT_EQ(controller->ItemAtRow(9), nullptr);
}

// Workers report numbers and kinds; the row's texts are made from them, and a
// figure a report leaves out keeps what the row showed.
TEST_F(DownloadTest, ReportsAreNumbersTheRowShowsAsTexts) {
  controller->OnStartDownload({AddResult("/a.mp3", "A")});
  const uint32_t id = Id(0);
  const auto progress = [](uint64_t received, std::optional<uint64_t> total, std::optional<double> rate,
                           std::optional<uint64_t> left) {
    return TransferReport::Progress({received, total, rate, left});
  };
  struct Step {
    TransferReport report;
    std::vector<std::string> cells;  // percent, received, speed, time left, state
    int image;
  };
  const std::vector<Step> steps = {
      {TransferReport::Step(TransferStep::kResolving, "h"), {"", "", "", "", "正在解析域名: h"}, kQueuedImage},
      {TransferReport::Step(TransferStep::kWaitingToRetry, "30"),
       {"", "", "", "", "服务器繁忙, 30 秒后重试"},
       kQueuedImage},
      {TransferReport::Step(TransferStep::kDownloading), {"", "", "", "", "正在下载"}, kTransferringImage},
      {progress(500, 1000, {}, {}), {"50%", "500", "", "", "正在下载"}, kTransferringImage},
      {progress(600, 1000, 3.254, 61), {"60%", "600", "3.25kps", "1m,1s", "正在下载"}, kTransferringImage},
      // Without a length, bytes and percent stay as they were.
      {progress(700, {}, 0.5, {}), {"60%", "600", "512bps", "1m,1s", "正在下载"}, kTransferringImage},
      {progress(0, 0, {}, {}), {"100%", "0", "512bps", "1m,1s", "正在下载"}, kTransferringImage},
      // The state column says stopped; the row's tooltip tells why.
      {TransferReport::Failed(TransferFailure::kBadStatus, 404), {"100%", "0", "0", "-", "停止下载"}, kStoppedImage},
  };
  for (size_t i = 0; i < steps.size(); ++i) {
    controller->OnWorkerReport(id, steps[i].report);
    EXPECT_EQ((std::vector<std::string>{Cell(0, core::kDownloadPercent), Cell(0, core::kDownloadReceived),
                                        Cell(0, core::kDownloadSpeed), Cell(0, core::kDownloadTimeLeft),
                                        Cell(0, core::kDownloadState)}),
              steps[i].cells)
        << i;
    EXPECT_EQ(downloads.Image(0), steps[i].image) << i;
  }
  EXPECT_EQ(failures, (Pairs{{music + "a.mp3", "不能收到服务器的有效HTTP响应, 响应码:404 (未找到)"}}));
  EXPECT_EQ(downloads.Note(0), "不能收到服务器的有效HTTP响应, 响应码:404 (未找到)");
  controller->OnResumeDownload({0});
  EXPECT_EQ(downloads.Note(0), "");
  EXPECT_EQ(Cell(0, core::kDownloadSize), "1000");  // the result's size stays

  // Queued without a size, a download takes the answer's, in its row and its record.
  ASSERT_TRUE(controller->AddDownload("http://h/n.mp3", music + "n.mp3", ""));
  controller->OnWorkerReport(Id(1), progress(10, 4321, {}, {}));
  EXPECT_EQ(Cell(1, core::kDownloadSize), "4321");
  EXPECT_EQ(profile.GetString(music + "n.mp3", storage::kSizeKey, "<none>", 64), "4321");
}

namespace {
text::Catalog EnglishCatalog() {
  text::Catalog catalog;
  std::string error;
  EXPECT_TRUE(catalog.Load(std::string(VEXON_CATALOG_DIR) + "/en/LC_MESSAGES/vexon.mo", error)) << error;
  return catalog;
}
}  // namespace

// The English texts come from the built catalog: each one there, with the
// placeholders of its source and no Chinese left.
TEST(DownloadTexts, EveryFaultAndStepInBothLanguages) {
  const text::Catalog catalog = EnglishCatalog();
  const DownloadTexts& zh = DownloadTexts::Chinese();
  const DownloadTexts en = DownloadTexts::Translated(text::Translator(catalog));
  for (std::string DownloadTexts::*field : DownloadTexts::Fields()) {
    EXPECT_TRUE(catalog.Has(zh.*field)) << zh.*field;
    const std::string& english = en.*field;
    EXPECT_TRUE(std::all_of(english.begin(), english.end(), [](char c) {
      return static_cast<unsigned char>(c) < 0x80;
    })) << english;
    for (const char* mark : {"%1", "%2"}) {
      EXPECT_EQ((zh.*field).find(mark) == std::string::npos, english.find(mark) == std::string::npos) << english;
    }
  }
  const struct {
    TransferFault fault;
    const char* chinese;
    const char* english;
  } faults[] = {
      // A system error gives the system's words, in its language.
      {{TransferFailure::kOpen, 13},
       "当打开被下载文件时发生错误,错误:13 (Permission denied)",
       "An error occurred while opening the file to be downloaded, Error:13 (Permission denied)"},
      {{TransferFailure::kConnect, 12029},
       "当连接服务器时发生错误,错误:12029 (不能解析主机名. 请检查后重试)",
       "An error occurred connecting to the server, Error:12029 (Could not resolve host name. Check it, and try "
       "again)"},
      // No answer at all: a code of no words of its own still means no connection.
      {{TransferFailure::kConnect, 12175},
       "当连接服务器时发生错误,错误:12175 (没有连接)",
       "An error occurred connecting to the server, Error:12175 (no connection)"},
      // After an answer such a code gets no words.
      {{TransferFailure::kNoResponse, 12152},
       "不能收到服务器的有效响应,错误:12152",
       "Failed to receive a valid response from the server, Error:12152"},
      {{TransferFailure::kBadStatus, 404},
       "不能收到服务器的有效HTTP响应, 响应码:404 (未找到)",
       "Failed to receive a valid HTTP response from the server, Response Code:404 (not found)"},
      {{TransferFailure::kBadStatus, 416},
       "不能收到服务器的有效HTTP响应, 响应码:416",
       "Failed to receive a valid HTTP response from the server, Response Code:416"},
      {{TransferFailure::kTransfer, 12030},
       "当下载文件时发生错误,错误:12030 (连接过早中断)",
       "An error occurred while downloading the file, Error:12030 (Connection was aborted prematurely)"},
      {{TransferFailure::kTransfer, 28},
       "当下载文件时发生错误,错误:28 (No space left on device)",
       "An error occurred while downloading the file, Error:28 (No space left on device)"},
      {{TransferFailure::kRecord, 0},
       "不能把该下载记入设置文件,下载没有开始.",
       "The download could not be recorded in the settings file, so it was not started."},
      // The program's own messages have no English set yet.
      {{TransferFailure::kRename, 18}, "下载已完成,但不能改为最终文件名,错误:18 (Invalid cross-device link)", nullptr},
      {{TransferFailure::kCannotStart, 0}, "不能启动新线层", nullptr},
      {{TransferFailure::kDigest, 1},
       "下载的文件与服务器记录的 MD5 不符: 文件保留在部分文件中, 下次开始时从头下载.",
       "The downloaded file does not match the server's MD5: it stays in its partial file and the next start "
       "downloads it from the beginning."},
  };
  for (const auto& f : faults) {
    EXPECT_EQ(FaultText(f.fault, zh), f.chinese);
    if (f.english) {
      EXPECT_EQ(FaultText(f.fault, en), f.english);
    }
  }
  EXPECT_EQ(StepText(en, TransferStep::kRedirecting, "http://h/x"), "Redirecting to http://h/x");
  EXPECT_EQ(StepText(zh, TransferStep::kConnected, "h"), "已连接到 h");
  EXPECT_EQ(StepText(en, TransferStep::kWaitingToRetry, "4"), "The server is busy; trying again in 4 s");
}

// The causes say in English what the link check says for the same code, and every
// code it has words for (but 200, never a failure) has its cause.
TEST(DownloadTexts, CausesInEnglishAreTheLinkCheckWords) {
  const DownloadTexts en = DownloadTexts::Translated(text::Translator(EnglishCatalog()));
  for (const auto& [code, words] : en.causes) EXPECT_EQ(words, net::StatusText(code)) << code;
  const std::string otherwise = net::StatusText(net::NetError::kInvalidServerResponse);
  EXPECT_EQ(en.noConnection, otherwise);
  for (int code = 100; code < 13000; ++code) {
    const bool listed =
        std::any_of(en.causes.begin(), en.causes.end(), [code](const auto& c) { return c.first == code; });
    EXPECT_EQ(listed, code != 200 && net::StatusText(code) != otherwise) << code;
  }
}

TEST(DownloadTexts, SpeedAndTimeLeft) {
  const DownloadTexts& t = DownloadTexts::Chinese();
  EXPECT_EQ(SpeedText(t, 0.5), "512bps");
  EXPECT_EQ(SpeedText(t, 3.254), "3.25kps");
  EXPECT_EQ(SpeedText(t, 10.0), "10kps");
  EXPECT_EQ(SpeedText(t, 120.4), "120kps");
  EXPECT_EQ(TimeLeftText(t, 59), "59s");
  EXPECT_EQ(TimeLeftText(t, 60), "1m");
  EXPECT_EQ(TimeLeftText(t, 61), "1m,1s");
  EXPECT_EQ(TimeLeftText(t, 3600), "60m");
  EXPECT_EQ(TimeLeftText(t, 187), "3m,7s");
}
