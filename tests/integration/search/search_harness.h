#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "core/column_spec.h"
#include "core/list_schemas.h"
#include "core/list_table.h"
#include "core/message_loop.h"
#include "core/result_list.h"
#include "search/search_controller.h"
#include "search/service_hosts.h"
#include "standin/standin_server.h"

namespace vexon::testing {

// A search controller on its own owner thread against an in-process stand-in.
class SearchHarness {
 public:
  explicit SearchHarness(standin::StandinOptions serverOptions = {}) : server(std::move(serverOptions)) {}

  // With `archive` ("self": the stand-in's own), the archive service is asked too.
  bool Start(std::string archive = "") {
    if (!server.Start()) return false;
    if (archive == "self") archive = "http://" + server.HostPort() + "/";
    search::SearchHosts hosts{server.HostPort(), server.HostPort(), archive, {}};
    controller = std::make_unique<search::SearchController>(loop, resultList, options, search::MakeServices(hosts));
    subscription = controller->Subscribe(listener);
    return true;
  }

  ~SearchHarness() {
    loop.Shutdown();
    subscription.Reset();
    controller.reset();
  }

  void Search(const std::string& words) {
    loop.Invoke([&] { controller->OnSearch(words); });
  }

  // Waits for the search to end; false on time-out.
  bool WaitFinished(std::chrono::seconds limit = std::chrono::seconds(60)) {
    std::unique_lock lock(mutex);
    return finished.wait_for(lock, limit, [&] { return finishedCount > 0; });
  }

  std::set<std::string> ListedUrls() {
    std::set<std::string> urls;
    loop.Invoke([&] {
      for (size_t i = 0; i < results.rowCount(); ++i) urls.insert(results.Cell(i, core::kResultUrl));
    });
    return urls;
  }

  size_t RowCount() {
    size_t n = 0;
    loop.Invoke([&] { n = results.rowCount(); });
    return n;
  }

  standin::StandinServer server;
  core::MessageLoop loop;
  core::ListTable results{core::kResultsColumns};
  core::ResultList resultList{results};
  search::SearchOptions options;
  std::unique_ptr<search::SearchController> controller;
  std::vector<std::string> checkingTexts;
  std::mutex mutex;
  std::condition_variable finished;
  int finishedCount = 0;
  struct Listener final : search::SearchListener {
    SearchHarness& h;
    explicit Listener(SearchHarness& harness) : h(harness) {}
    void CheckingChanged(const std::string& text) override { h.checkingTexts.push_back(text); }
    void AllFinished() override {
      std::lock_guard lock(h.mutex);
      ++h.finishedCount;
      h.finished.notify_all();
    }
  } listener{*this};
  search::SearchController::Subscription subscription;
};

}  // namespace vexon::testing
