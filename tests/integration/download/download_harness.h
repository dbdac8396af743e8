#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/list_schemas.h"
#include "core/message_loop.h"
#include "core/result_list.h"
#include "download/download_controller.h"
#include "download/download_item.h"
#include "standin/standin_server.h"
#include "storage/profile.h"
#include "storage/settings_batch.h"
#include "support/test_files.h"
#include "unit/download/download_fakes.h"

namespace vexon::download::testing {

// A controller with real workers on its own owner thread, against the stand-in.
class DownloadHarness {
 public:
  // `batched`: the settings file is written in bursts, as the program writes it.
  explicit DownloadHarness(unsigned maxThreads = 3, bool batched = false) : maxTransfers(maxThreads) {
    if (batched) {
      batch = std::make_unique<storage::SettingsBatch>(profile);
      store.UseBatch(batch.get());
    }
    EXPECT_TRUE(server.Start());
    std::filesystem::create_directories(music);
    settings.DefaultMusicPath = music;
    settings.TitleDown = false;
    loop.Invoke([&] { MakeController(); });
  }
  ~DownloadHarness() {
    loop.Shutdown();
    subscription.Reset();
    controller.reset();
  }

  // A new start of the program: a new controller lists what the settings file keeps.
  void Restart() {
    Run([&] {
      subscription.Reset();
      controller.reset();
      downloads.Clear();
      MakeController();
      storage::AppSettings loaded;
      storage::StoredLists lists;
      store.LoadSettings(loaded, lists);
      controller->LoadRecords(lists.downloads);
    });
  }

  void MakeController() {
    controller = std::make_unique<DownloadController>(loop, prompter, dialog, resultList, downloads, settings, store,
                                                      maxTransfers, DownloadTexts::Chinese());
    subscription = controller->Subscribe(listener);
  }

  // Serves `body` at /files/`name`, sent in about `seconds` when not 0, and lists
  // it as a result (with the service's `sha1` of it); returns the result's row.
  size_t AddFile(const std::string& name, const std::string& body, double seconds = 0, standin::FileScript script = {},
                 const std::string& sha1 = {}) {
    script.body = body;
    if (seconds > 0) script.bytesPerSecond = static_cast<uint64_t>(static_cast<double>(body.size()) / seconds);
    server.SetFile("/files/" + name, script);
    size_t row = 0;
    Run([&] {
      row = results.rowCount();
      resultList.Add({name, "mp3", std::to_string(body.size()), "", "t", server.Url("/files/" + name), "", sha1}, "");
    });
    return row;
  }
  void Start(const std::vector<size_t>& resultRows) {
    Run([&] {
      for (size_t row : resultRows) controller->OnStartDownload({row});
    });
  }
  void Run(const std::function<void()>& work) { ASSERT_TRUE(loop.Invoke(work)); }

  // Polls `condition` on the owner thread until it holds; false after `limit`.
  bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(15)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
      bool met = false;
      if (!loop.Invoke([&] { met = condition(); })) return false;
      if (met) return true;
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  // These run on the owner thread.
  size_t Row(const std::string& name) const { return downloads.FindRow(core::kDownloadFileName, name); }
  std::string Cell(const std::string& name, core::DownloadColumn column) const {
    return downloads.Cell(Row(name), column);
  }
  size_t Transferring() const {
    size_t n = 0;
    for (size_t row = 0; row < downloads.rowCount(); ++row) n += downloads.Image(row) == kTransferringImage;
    return n;
  }
  bool AllEnded() const { return controller->liveWorkerCount() == 0; }
  size_t Running() const { return controller->pool().runningCount(); }
  size_t RequestsFor(const std::string& name) const {
    size_t n = 0;
    for (const auto& request : server.Requests()) n += request.path == "/files/" + name;
    return n;
  }
  std::string Record(const std::string& name, std::string_view key = storage::kUrlKey) const {
    if (batch) batch->Flush();
    return profile.GetString(music + name, key, "<none>", storage::kRecordBufferSize);
  }

  standin::StandinServer server;
  vexon::testing::TempDir dir;
  std::string music = (dir / "music").string() + "/";
  storage::Profile profile{dir / "vudez.ini"};
  storage::SettingsStore store{profile, dir.path()};
  std::unique_ptr<storage::SettingsBatch> batch;
  storage::AppSettings settings;
  unsigned maxTransfers;
  FakePrompter prompter;
  FakeDownloadAs dialog;
  core::ListTable results{core::kResultsColumns};
  core::ResultList resultList{results};
  core::ListTable downloads{core::kDownloadColumns};
  std::vector<std::pair<std::string, std::string>> logged;
  std::function<void()> onLog;
  core::MessageLoop loop;
  struct Listener final : DownloadListener {
    DownloadHarness& h;
    explicit Listener(DownloadHarness& harness) : h(harness) {}
    void DownloadCompleted(const std::string& path, const std::string& size) override {
      h.logged.emplace_back(path, size);
      if (h.onLog) h.onLog();
    }
  } listener{*this};
  std::unique_ptr<DownloadController> controller;
  DownloadController::Subscription subscription;
};

}  // namespace vexon::download::testing
