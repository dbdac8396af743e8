#include <curl/curl.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "net/url.h"
#include "standin/audio_content.h"
#include "standin/standin_server.h"
#include "text/strings.h"

// The catalog's files under their readable names, fetched the way the client asks
// for a listed link: lower case, blanks shown, then escaped as GB18030.
namespace vexon::standin {
namespace {

struct Reply {
  long status = 0;
  std::string body;
};

size_t Append(char* p, size_t size, size_t n, void* out) {
  static_cast<std::string*>(out)->append(p, size * n);
  return size * n;
}

Reply Get(const std::string& url) {
  Reply r;
  CURL* curl = curl_easy_init();
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &r.body);
  if (curl_easy_perform(curl) == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &r.status);
  curl_easy_cleanup(curl);
  return r;
}

// What the client sends for a path as a result page lists it.
std::string SentUrl(const StandinServer& server, const std::string& path) {
  net::UrlParts parts;
  EXPECT_TRUE(net::PrepareUrl(net::ShownUrl(text::AsciiLower(server.Url(path))), parts));
  return net::RequestUrl(parts);
}

TEST(StandinCatalogFiles, ListedNamesAreReadableAndServeTheFilesBytes) {
  StandinServer server;
  ASSERT_TRUE(server.Start());
  std::set<std::string> names;
  std::set<FileFault> fetched;
  for (const CatalogEntry& e : server.CurrentCatalog().AllEntries("月亮 代表")) {
    EXPECT_TRUE(names.insert(e.name).second) << e.name;
    EXPECT_TRUE(text::EndsWith(e.name, "." + e.extension)) << e.name;
    EXPECT_EQ(e.name.find(e.id), std::string::npos) << e.name;
    if ((e.fault != FileFault::kNone && e.fault != FileFault::kRedirect) || !fetched.insert(e.fault).second) continue;
    const Reply reply = Get(SentUrl(server, e.Path()));
    EXPECT_EQ(reply.status, 200) << e.name;
    EXPECT_EQ(reply.body, AudioContent(FormatForExtension(e.extension), e.size).Bytes(0, e.size)) << e.name;
  }
  EXPECT_EQ(fetched.size(), 2u);
}

TEST(StandinCatalogFiles, AWrongIdOrNameIsNotFound) {
  StandinServer server;
  ASSERT_TRUE(server.Start());
  std::vector<CatalogEntry> live;
  for (const CatalogEntry& e : server.CurrentCatalog().Entries("夜来香", Engine::kYahoo)) {
    if (e.fault == FileFault::kNone) live.push_back(e);
  }
  ASSERT_GE(live.size(), 2u);
  const CatalogEntry& e = live[0];
  EXPECT_EQ(Get(SentUrl(server, e.Path())).status, 200);
  std::string mangled = e.id;
  mangled[5] = mangled[5] == '0' ? '1' : '0';
  EXPECT_EQ(Get(SentUrl(server, CatalogFilePath(mangled, e.name))).status, 404);
  EXPECT_EQ(Get(SentUrl(server, CatalogFilePath(e.id, live[1].name))).status, 404);
  EXPECT_EQ(Get(server.Url("/files/" + e.id + "." + e.extension)).status, 404);
}

}  // namespace
}  // namespace vexon::standin
