#include "search/task_runner.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "net/page_decode.h"
#include "net/page_reader.h"
#include "net/retry_later.h"
#include "net/task_http.h"
#include "search/found_link.h"
#include "search/link_check.h"
#include "search/search_service.h"

namespace vexon::search {
namespace {

constexpr std::chrono::milliseconds kIntermediateReceiveTimeout{100};

}  // namespace

TaskRunner::TaskRunner(core::OwnerChannel& channel, SearchEvents& events, const std::atomic<bool>& stopSearch)
    : channel_(channel), events_(events), stopSearch_(stopSearch) {}

bool TaskRunner::Stopped(const SearchTask& task) const {
  return task.stopRequested.load() || stopSearch_.load();
}

void TaskRunner::Run(SearchTask& task) {
  if (!stopSearch_.load()) {
    net::SessionSettings settings = net::TaskSessionSettings();
    if (task.service != nullptr && !task.service->userAgent().empty()) settings.userAgent = task.service->userAgent();
    net::TaskHttp http([&] { return Stopped(task); }, settings, deadlines);
    if (task.service != nullptr && task.service->waitsWhenAsked()) http.WaitWhenAsked(task.service->requestGate());
    net::UrlParts url;
    if (!task.url.empty() && !Stopped(task) && net::PrepareUrl(task.url, url)) {
      task.server = url.server;
      task.object = url.object;
      if (task.mode == TaskMode::FetchPage && task.service != nullptr) {
        std::string bytes;
        std::string contentType;
        if (http.FetchPage(url, bytes, contentType, &task.pageFailure)) {
          // Decoded before any lower-casing, so Chinese titles survive.
          task.pageText = net::DecodePage(bytes, contentType);
          SendNextPage(task, ReadPage(task));
        }
      } else if (task.mode == TaskMode::CheckLink) {
        if (CheckLink(task, url, http) && !Stopped(task)) {
          SearchEvents& events = events_;
          channel_.Post(core::Msg::LiveLink, [&events, result = task.result] { events.OnLiveLink(result); });
        }
      }
    }
  }
  // Sent, not posted: every report of the task is handled when this returns, and
  // a slot is only taken again by a worker whose reports have all arrived.
  channel_.Send(core::Msg::TaskFinished, [&] { events_.OnTaskFinished(task); });
}

std::string TaskRunner::ReadPage(const SearchTask& task) {
  const auto stopped = [&] { return Stopped(task); };
  const PauseFunction pause = [&](int ms) { net::SleepUnlessStopped(std::chrono::milliseconds(ms), stopped); };
  const PageFetcher fetch = [&](const std::string& url, std::string& page) {
    if (stopped()) return false;
    net::PageReader reader;
    const std::chrono::milliseconds idle = task.service->fetchIdleTimeout();
    reader.receiveTimeout = idle.count() > 0 ? idle : kIntermediateReceiveTimeout;
    reader.stopRequested = stopped;
    reader.deadline = deadlines.pageRead;
    std::string raw;
    bool read = false;
    const auto once = [&](std::string& retryAfter) {
      const net::GatePass pass(task.service->requestGate(), stopped);
      if (!pass.entered()) return 0;
      read = reader.ReadUrl(url, raw, task.service->userAgent());
      retryAfter = reader.retryAfter;
      // A refusal is seldom a text page: its status counts, read or not.
      return reader.status != 0 ? static_cast<int>(reader.status) : net::Code(reader.lastError);
    };
    if (task.service->waitsWhenAsked()) {
      // A refusal that outlasts the tries is no page.
      if (net::AsksToRetryLater(net::TryWhileAskedLater(once, stopped))) return false;
    } else {
      std::string ignored;
      once(ignored);
    }
    if (!read) return false;
    page = net::DecodePage(raw, reader.contentType);
    return true;
  };
  PageChain unchained;
  return task.service->Read(
      task.url, task.pageText, fetch, pause, [&](FoundFile file) { SendLink(task, std::move(file)); },
      task.chain ? *task.chain : unchained);
}

void TaskRunner::SendLink(const SearchTask& task, FoundFile file) {
  if (stopSearch_.load()) return;
  auto found = std::make_shared<SearchTask>();
  found->url = std::move(file.url);
  found->title = std::move(file.title);
  found->vouched = file.vouched;
  found->result.size = std::move(file.size);
  found->result.date = std::move(file.date);
  found->result.md5 = std::move(file.md5);
  found->result.sha1 = std::move(file.sha1);
  found->keyword = task.keyword;
  found->service = task.service;  // its check speaks as the service does
  SearchEvents& events = events_;
  channel_.Post(core::Msg::LinkFound, [&events, found] { events.OnLinkFound(*found); });
}

void TaskRunner::SendNextPage(const SearchTask& task, const std::string& next) {
  if (next.empty() || stopSearch_.load()) return;
  auto page = std::make_shared<SearchTask>();
  page->url = next;
  page->chain = task.chain;
  page->service = task.service;
  page->keyword = task.keyword;
  SearchEvents& events = events_;
  channel_.Post(core::Msg::NextPage, [&events, page] { events.OnNextPage(*page); });
}

}  // namespace vexon::search
