#include <gtest/gtest.h>

#include <filesystem>

#include "net/page_reader.h"
#include "standin/fault_server.h"
#include "standin/standin_server.h"
#include "support/test_files.h"

using namespace vexon;
namespace fs = std::filesystem;

namespace {

class PageReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.Start()); }
  standin::StandinServer server;
  vexon::testing::TempDir dir;
  net::PageReader reader;
};

}  // namespace

TEST_F(PageReaderTest, ReadsAWholeUrlReportingProgressOrSavesItToAFile) {
  standin::RawPage page;
  page.body = "hello world";
  server.SetPage("/hello", page);
  std::string out;
  std::vector<std::string> texts;
  ASSERT_TRUE(reader.ReadUrl(server.Url("/hello"), out, "Agent/1", [&](const std::string& t) { texts.push_back(t); }));
  EXPECT_EQ(out, "hello world");
  EXPECT_EQ(reader.status, 200u);
  EXPECT_NE(reader.headers.find("Content-Length: 11"), std::string::npos);
  EXPECT_EQ(server.Requests().at(0).userAgent, "Agent/1");
  EXPECT_EQ(texts.at(0), "Resolving name for " + server.HostPort());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Read 11 bytes"), texts.end());
  EXPECT_EQ(texts.back(), "");  // cleared at the end

  const fs::path target = dir / "out.txt";
  vexon::testing::WriteBytes(target, "a much longer old content");
  ASSERT_TRUE(reader.SaveUrlToFile(server.Url("/hello"), target.string()));
  EXPECT_EQ(vexon::testing::ReadBytes(target), "hello world");
  EXPECT_FALSE(reader.SaveUrlToFile(server.Url("/hello"), (dir / "no" / "such" / "dir").string()));
  EXPECT_TRUE(reader.fileNotWritable);
}

TEST_F(PageReaderTest, QueriesHeadersWithoutTheBody) {
  standin::FileScript file;
  file.size = 5000;
  server.SetFile("/a.mp3", file);
  std::string lastModified;
  uint64_t length = 0;
  unsigned status = 0;
  ASSERT_TRUE(reader.QueryUrlHeaders(server.Url("/a.mp3"), lastModified, length, status));
  EXPECT_EQ(length, 5000u);
  EXPECT_EQ(status, 200u);
  EXPECT_EQ(lastModified, "Thu, 04 May 2006 03:02:01 GMT");
  standin::FileScript missing;
  missing.status = 404;
  server.SetFile("/gone.mp3", missing);
  EXPECT_FALSE(reader.QueryUrlHeaders(server.Url("/gone.mp3"), lastModified, length, status));
  EXPECT_EQ(status, 404u);
}

TEST_F(PageReaderTest, WhatAServerSendsStaysWithinItsLimits) {
  standin::FaultServer faults;
  ASSERT_TRUE(faults.Start());
  faults.SetScript("/endless.htm", standin::EndlessBody("text/html"));
  faults.SetScript("/trickle.htm", standin::TrickledHead(std::chrono::milliseconds(100)));
  std::string out;
  // A page read stops at the result pages' limit and fails.
  EXPECT_FALSE(reader.ReadUrl(faults.Url("/endless.htm"), out));
  EXPECT_TRUE(out.empty());
  // Only text is read.
  standin::FileScript song;
  song.size = 3000;
  server.SetFile("/song.mp3", song);
  EXPECT_FALSE(reader.ReadUrl(server.Url("/song.mp3"), out));
  // A file download stops at the caller's limit and fails.
  const fs::path target = dir / "limited";
  EXPECT_FALSE(reader.SaveUrlToFile(faults.Url("/endless.htm"), target.string(), {}, {}, 100000));
  EXPECT_LE(fs::file_size(target), 100000u);
  // A head that never ends is cut by the read's deadline.
  reader.deadline = std::chrono::milliseconds(700);
  EXPECT_FALSE(reader.ReadUrl(faults.Url("/trickle.htm"), out));
  EXPECT_EQ(reader.lastError, net::NetError::kTimeout);
}
