#pragma once

#include <curl/curl.h>

#include <map>
#include <string>
#include <vector>

#include "text/strings.h"

namespace vexon::standin::testkit {

struct FetchOptions {
  std::vector<std::string> headers{};  // "Name: value"
  bool followRedirects = false;
  bool headersOnly = false;  // stop at the first body byte, as a link check does
  bool head = false;
  std::string userAgent{};
  long timeoutMs = 10000;
};

struct Fetched {
  CURLcode code = CURLE_OK;
  long status = 0;
  std::string body;
  // Names lower-cased; the headers of the last answer only (after redirects).
  std::map<std::string, std::string> headers;
  int answers = 0;

  bool Has(const std::string& name) const { return headers.count(name) != 0; }
  std::string Header(const std::string& name) const {
    auto it = headers.find(name);
    return it == headers.end() ? std::string() : it->second;
  }
};

namespace detail {

inline size_t WriteBody(char* data, size_t size, size_t count, void* user) {
  auto* pair = static_cast<std::pair<Fetched*, const FetchOptions*>*>(user);
  if (pair->second->headersOnly) return 0;
  pair->first->body.append(data, size * count);
  return size * count;
}

inline size_t WriteHeader(char* data, size_t size, size_t count, void* user) {
  auto* f = static_cast<Fetched*>(user);
  const std::string line(data, size * count);
  if (text::StartsWith(line, "HTTP/")) {
    f->headers.clear();
    ++f->answers;
  } else if (const size_t colon = line.find(':'); colon != std::string::npos) {
    f->headers[text::AsciiLower(line.substr(0, colon))] = std::string(text::Trim(line.substr(colon + 1)));
  }
  return size * count;
}

}  // namespace detail

inline Fetched Fetch(const std::string& url, const FetchOptions& options = {}) {
  Fetched f;
  CURL* curl = curl_easy_init();
  if (!curl) {
    f.code = CURLE_FAILED_INIT;
    return f;
  }
  std::pair<Fetched*, const FetchOptions*> sink{&f, &options};
  curl_slist* list = nullptr;
  for (const std::string& h : options.headers) list = curl_slist_append(list, h.c_str());
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, options.followRedirects ? 1L : 0L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, options.timeoutMs);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_NOBODY, options.head ? 1L : 0L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, detail::WriteBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, detail::WriteHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &f);
  if (!options.userAgent.empty()) curl_easy_setopt(curl, CURLOPT_USERAGENT, options.userAgent.c_str());
  f.code = curl_easy_perform(curl);
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &f.status);
  curl_slist_free_all(list);
  curl_easy_cleanup(curl);
  return f;
}

}  // namespace vexon::standin::testkit
