#include <arpa/inet.h>
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "net/url.h"
#include "standin/audio_content.h"
#include "standin/standin_server.h"
#include "text/strings.h"

// The catalog's files under their readable names, fetched the way the client asks
// for a listed link: lower case, blanks shown, then escaped as GB18030; and a file
// for a client that reads slowly or stops reading.
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

// One GET over a plain socket whose small receive buffer makes the stand-in's
// writes wait on what this client reads.
class RawReader final {
 public:
  explicit RawReader(int port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    const int receiveBuffer = 16 * 1024;
    setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    // Only so that a broken server fails the test instead of hanging it.
    const timeval patience{30, 0};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  }
  ~RawReader() { ::close(fd_); }
  RawReader(const RawReader&) = delete;
  RawReader& operator=(const RawReader&) = delete;

  bool Send(const std::string& request) {
    return connected_ &&
           ::send(fd_, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size());
  }

  // Reads `count` more bytes (or to the end of the connection), 4 KB at a time and,
  // with a rate, no faster than `bytesPerSecond`.
  void Read(size_t count, double bytesPerSecond = 0) {
    const auto start = std::chrono::steady_clock::now();
    char buffer[4096];
    for (size_t taken = 0; taken < count;) {
      if (bytesPerSecond > 0) {
        std::this_thread::sleep_until(
            start + std::chrono::microseconds(static_cast<int64_t>(static_cast<double>(taken) * 1e6 / bytesPerSecond)));
      }
      const ssize_t n = ::recv(fd_, buffer, std::min(sizeof buffer, count - taken), 0);
      if (n <= 0) return;
      answer_.append(buffer, static_cast<size_t>(n));
      taken += static_cast<size_t>(n);
    }
  }
  void ReadToEnd() { Read(std::string::npos); }

  std::string Head() const { return answer_.substr(0, answer_.find("\r\n\r\n")); }
  std::string Body() const {
    const size_t end = answer_.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : answer_.substr(end + 4);
  }

 private:
  int fd_;
  bool connected_ = false;
  std::string answer_;
};

// A body as large as the stand-in's audio files, more than the kernel's largest send
// buffer (4 MB unless net.ipv4.tcp_wmem says otherwise) holds, so the stand-in is
// still writing it while the client reads slowly: three times the write timeout, and
// less than 64 KB in any second of it.
TEST(StandinCatalogFiles, ASlowReaderGetsTheWholeFileAndOneThatStopsIsLetGo) {
  constexpr uint64_t kSize = 6 * 1000 * 1000;
  constexpr double kSlowRate = 48 * 1024;
  struct Case {
    const char* name;
    size_t slowBytes;  // read at kSlowRate before the rest
    bool stops;        // reads nothing more until the stand-in has let the request go
  };
  const Case cases[] = {
      {"reads 144 KB slowly, then the rest", 144 * 1024, false},
      {"reads 16 KB slowly, then stops", 16 * 1024, true},
  };
  const std::string file = AudioContent(FormatForExtension("mp3"), kSize).Bytes(0, kSize);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StandinOptions options;
    options.writeTimeout = std::chrono::seconds(1);
    StandinServer server(options);
    FileScript script;
    script.size = kSize;
    server.SetFile("/slow.mp3", script);
    ASSERT_TRUE(server.Start());
    RawReader reader(server.Port());
    ASSERT_TRUE(reader.Send("GET /slow.mp3 HTTP/1.1\r\nHost: " + server.HostPort() + "\r\nConnection: close\r\n\r\n"));
    reader.Read(c.slowBytes, kSlowRate);
    if (c.stops) {
      ASSERT_TRUE(server.WaitForIdle(std::chrono::seconds(30)));
    }
    reader.ReadToEnd();
    EXPECT_TRUE(text::StartsWith(reader.Head(), "HTTP/1.1 200 ")) << reader.Head();
    const std::string body = reader.Body();
    // Compared whole, not printed: a mismatch tells only the sizes.
    if (c.stops) {
      EXPECT_LT(body.size(), file.size());
      EXPECT_TRUE(file.compare(0, body.size(), body) == 0) << body.size() << " bytes";
    } else {
      EXPECT_TRUE(body == file) << body.size() << " of " << file.size() << " bytes";
    }
  }
}

}  // namespace
}  // namespace vexon::standin
