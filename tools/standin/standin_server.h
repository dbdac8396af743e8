#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "standin/archive_catalog.h"
#include "standin/catalog.h"
#include "standin/scripted_answers.h"

namespace vexon::standin {

struct StandinOptions {
  std::string host = "127.0.0.1";  // loopback only; anything else is refused
  int port = 0;                    // 0: a free port, kept across a Stop and Start
  uint64_t seed = 1;
  CatalogOptions catalog;
  std::chrono::milliseconds checkDelay{0};  // before every file answer
  // The archive interface: items in every search answer, and tracks per item.
  int archiveItems = 12;
  int archiveFilesPerItem = 5;
  std::chrono::milliseconds metadataDelay{0};  // before every /metadata/ answer
  // Load shedding of the archive's own host (search, metadata, download redirects):
  // past this many of its requests at once, the rest answer 429 with this
  // Retry-After (empty: none). 0: never.
  int shedAbove = 0;
  std::string shedRetryAfter = "1";
  // The item answers give md5 and sha1 for the VBR MP3s and the small files (each
  // file's content is hashed once, at its first answer).
  bool archiveDigests = false;
  int threads = 256;
  // An idle kept-alive connection is closed after this long; Stop waits for it.
  int keepAliveSeconds = 1;
  // A file body's client that takes none of it for this long is dropped; whatever it
  // takes starts the wait again, so a slow reader is served to the end. A server
  // stop waits for such a client at most 5 s, however long this is.
  std::chrono::milliseconds writeTimeout{60000};
  size_t maxRecordedRequests = 100000;
};

struct RequestRecord {
  std::string method;
  std::string target;  // the request target exactly as received
  std::string path;    // percent-decoded path
  std::string host;
  std::string userAgent;
  std::string range;
  bool file = false;   // answered by the file server
  int remotePort = 0;  // the client's port: one per connection
  HeaderList headers;
};

struct StandinCounters {
  uint64_t requests = 0;
  uint64_t fileRequests = 0;
  int inFlight = 0;
  int peakInFlight = 0;
  int filesInFlight = 0;
  int peakFilesInFlight = 0;
  int metadataInFlight = 0;  // /metadata/ requests being answered
  int peakMetadataInFlight = 0;
  int archiveInFlight = 0;      // requests to the archive's own host being answered
  int peakArchiveInFlight = 0;  // those not shed
  uint64_t shedAnswers = 0;
};

// The outside services on one loopback port: both music search services (query
// paths, result pages, Baidu intermediate pages), the file servers their links name,
// the maker's site, and the archive's JSON interface (search, item metadata,
// downloads redirected to a data node). A request is answered, in this order, by a raw page set for
// its exact target, a raw page set for its path, a file script set for its path
// (letter case ignored), and then the built-in routes.
class StandinServer final {
 public:
  explicit StandinServer(StandinOptions options = {});
  ~StandinServer();
  StandinServer(const StandinServer&) = delete;
  StandinServer& operator=(const StandinServer&) = delete;

  // Binds and starts serving; returns once connections are accepted.
  bool Start(std::string* error = nullptr);
  // Ends pending delays, closes the socket and joins every server thread.
  void Stop();
  bool Running() const;

  int Port() const;
  std::string HostPort() const;                    // "127.0.0.1:PORT"
  std::string Url(std::string_view target) const;  // "http://127.0.0.1:PORT" + target
  uint64_t Seed() const;

  Catalog CurrentCatalog() const;
  void SetCatalogOptions(const CatalogOptions& options);
  void SetCheckDelay(std::chrono::milliseconds delay);
  ArchiveCatalog CurrentArchive() const;
  void SetMetadataDelay(std::chrono::milliseconds delay);
  void SetShedding(int above, std::string retryAfter);

  // A path, or an exact request target when `pathOrTarget` holds a '?'.
  void SetPage(const std::string& pathOrTarget, RawPage page);
  void SetFile(const std::string& path, FileScript script);
  void RemovePage(const std::string& pathOrTarget);
  void RemoveFile(const std::string& path);
  void ClearScripts();

  StandinCounters Counters() const;
  std::vector<RequestRecord> Requests() const;
  // Totals and the request list start again; peaks start from what is in flight now.
  void ResetCounters();
  // Waits until no request is in flight; false on time-out.
  bool WaitForIdle(std::chrono::milliseconds timeout) const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vexon::standin
