#pragma once

#include <string>
#include <string_view>

#include "net/task_http.h"
#include "search/search_task.h"

namespace vexon::search {

// A Last-Modified header as "%02d/%02d/%04d" (month, day, year); empty when it
// cannot be read as a date.
std::string FormatHeaderDate(std::string_view lastModified);

// Checks a file link with a GET whose body is never read and fills task.result.
// True when the link is alive: 200 with both a length and a readable date.
bool CheckLink(SearchTask& task, const net::UrlParts& url, net::TaskHttp& http);

}  // namespace vexon::search
