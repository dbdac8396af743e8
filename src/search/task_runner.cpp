#include "search/task_runner.h"

#include <chrono>
#include <string>
#include <vector>

#include "net/page_decode.h"
#include "net/page_reader.h"
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
    net::TaskHttp http([&] { return Stopped(task); }, net::TaskSessionSettings(), deadlines);
    net::UrlParts url;
    if (!task.url.empty() && !Stopped(task) && net::PrepareUrl(task.url, url)) {
      task.server = url.server;
      task.object = url.object;
      if (task.mode == TaskMode::FetchPage && task.service != nullptr) {
        std::string bytes;
        std::string contentType;
        if (http.FetchPage(url, bytes, contentType)) {
          // Decoded before any lower-casing, so Chinese titles survive.
          task.pageText = net::DecodePage(bytes, contentType);
          const PageReading reading = ReadPage(task);
          SendLinks(task, reading.links);
          SendNextPage(task, reading.nextUrl);
        }
      } else if (task.mode == TaskMode::CheckLink) {
        if (CheckLink(task, url, http) && !Stopped(task)) {
          channel_.Send(core::Msg::LiveLink, [&] { events_.OnLiveLink(task.result); });
        }
      }
    }
  }
  channel_.Send(core::Msg::TaskFinished, [&] { events_.OnTaskFinished(task); });
}

PageReading TaskRunner::ReadPage(const SearchTask& task) const {
  const auto stopped = [&] { return Stopped(task); };
  const PauseFunction pause = [&](int ms) { net::SleepUnlessStopped(std::chrono::milliseconds(ms), stopped); };
  const PageFetcher fetch = [&](const std::string& url, std::string& page) {
    if (stopped()) return false;
    net::PageReader reader;
    reader.receiveTimeout = kIntermediateReceiveTimeout;
    reader.stopRequested = stopped;
    reader.deadline = deadlines.pageRead;
    std::string raw;
    if (!reader.ReadUrl(url, raw)) return false;
    page = net::DecodePage(raw, reader.contentType);
    return true;
  };
  return task.service->Read(task.pageText, fetch, pause);
}

void TaskRunner::SendLinks(const SearchTask& task, const std::vector<std::string>& links) {
  for (const std::string& entry : links) {
    if (stopSearch_.load()) break;
    SearchTask found;
    SplitFoundLink(entry, found.url, found.title);
    found.keyword = task.keyword;
    if (!channel_.Send(core::Msg::LinkFound, [&] { events_.OnLinkFound(found); })) return;
  }
}

void TaskRunner::SendNextPage(const SearchTask& task, const std::string& next) {
  if (next.empty() || stopSearch_.load()) return;
  SearchTask page;
  page.url = next;
  page.service = task.service;
  page.keyword = task.keyword;
  channel_.Send(core::Msg::NextPage, [&] { events_.OnNextPage(page); });
}

}  // namespace vexon::search
