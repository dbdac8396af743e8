#include <curl/curl.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "standin/http_date.h"
#include "standin/result_pages.h"
#include "standin/standin_server.h"
#include "text/strings.h"

// The archive interface as a client walks it: a search page, an item's files, and
// one file fetched in part through the download redirect.
namespace vexon::standin {
namespace {

struct Reply {
  long status = 0;
  std::string headers, body;
  std::string Header(const std::string& lowerName) const {
    const size_t at = text::AsciiLower(headers).find("\n" + lowerName + ": ");
    if (at == std::string::npos) return {};
    const size_t from = at + lowerName.size() + 3;
    return headers.substr(from, headers.find('\r', from) - from);
  }
};

size_t Append(char* p, size_t size, size_t n, void* out) {
  static_cast<std::string*>(out)->append(p, size * n);
  return size * n;
}

Reply Get(const std::string& url, const std::string& range = {}) {
  Reply r;
  CURL* curl = curl_easy_init();
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &r.body);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, Append);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &r.headers);
  if (!range.empty()) curl_easy_setopt(curl, CURLOPT_RANGE, range.c_str());
  if (curl_easy_perform(curl) == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &r.status);
  curl_easy_cleanup(curl);
  return r;
}

TEST(StandinArchive, SearchItemFilesAndARangedDownloadThroughTheRedirect) {
  StandinServer server;
  ASSERT_TRUE(server.Start());
  const std::string words = "(月亮 代表) AND mediatype:(audio)";
  const Reply search = Get(server.Url("/advancedsearch.php?q=" + PercentEncode(words) +
                                      "&fl%5B%5D=identifier&fl[]=title&fl[]=creator&rows=5&page=2&output=json"));
  EXPECT_EQ(search.Header("content-type"), "application/json");
  const auto found = nlohmann::json::parse(search.body);
  EXPECT_EQ(found["responseHeader"]["params"]["query"], words);
  EXPECT_EQ(found["response"]["numFound"], 12);
  EXPECT_EQ(found["response"]["start"], 5);
  EXPECT_EQ(found["response"]["docs"][0]["identifier"], server.CurrentArchive().Doc(5).identifier);
  ASSERT_EQ(found["response"]["docs"].size(), 5u);

  const std::string id = server.CurrentArchive().Doc(2).identifier;
  const auto item = nlohmann::json::parse(Get(server.Url("/metadata/" + id)).body);
  EXPECT_EQ(item["metadata"]["identifier"], id);
  EXPECT_EQ(item["dir"], "/datanode/" + id);
  const std::string name = "03 - 夜来香 (Live).mp3";
  const auto& files = item["files"];
  const auto file = std::find_if(files.begin(), files.end(), [&](auto& f) { return f["name"] == name; });
  ASSERT_NE(file, files.end());
  EXPECT_EQ((*file)["format"], "VBR MP3");
  EXPECT_EQ(Get(server.Url("/metadata/no_such_item")).body, "{}");
  EXPECT_EQ(server.Counters().peakMetadataInFlight, 1);

  const std::string at = "/" + id + "/" + PercentEncode(name);
  const Reply moved = Get(server.Url("/download" + at));
  EXPECT_EQ(moved.status, 302);
  const std::string location = moved.Header("location");
  ASSERT_EQ(location, server.Url("/datanode" + at));
  const ArchiveFile served = *server.CurrentArchive().FindFile(id, name);
  const Reply part = Get(location, "100-199");
  EXPECT_EQ(part.status, 206);
  EXPECT_EQ(part.Header("content-range"), "bytes 100-199/" + std::to_string(served.size));
  EXPECT_EQ(part.Header("last-modified"), FormatHttpDate(served.mtime));
  EXPECT_EQ(part.body.size(), 100u);
  EXPECT_EQ(Get(location, std::to_string(served.size) + "-").status, 416);
  EXPECT_EQ(Get(server.Url("/download/" + id + "/%2E%2E")).status, 400);
  EXPECT_EQ(Get(server.Url("/advancedsearch.php?q=a&rows=x&output=json")).status, 400);
}

}  // namespace
}  // namespace vexon::standin
