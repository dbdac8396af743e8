#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "net/curl_session.h"

namespace vexon::net {

inline constexpr const char* kApplicationAgent = "Vexon";

// Receives the reader's progress texts ("Read %d bytes", ...).
using StatusSink = std::function<void(const std::string&)>;

// A small stand-alone URL reader: one call reads a URL whole into a text or a
// file, or asks for its headers. It belongs to the thread that made it.
class PageReader final {
 public:
  PageReader();
  ~PageReader();

  // Set before the first read.
  std::chrono::milliseconds receiveTimeout{0};  // 0: the default
  // Every read ends by then, whatever the server does.
  std::chrono::milliseconds deadline{60000};
  bool reload = false;
  bool useProxy = false;
  unsigned proxyPort = 0;
  std::string proxyHost;

  // Of the last read.
  double rate = 0;  // KB/s
  unsigned status = 0;
  std::string headers;
  std::string contentType;
  std::string retryAfter;                // the Retry-After header's value, empty when absent
  NetError lastError = NetError::kNone;  // of the last failed read
  bool fileNotWritable = false;          // SaveUrlToFile could not open its file
  std::string statusText;

  // Stops a read in progress when it returns true (polled often).
  std::function<bool()> stopRequested;

  // A text page whole (a type holding "text"), up to the page limit of result
  // pages; another type or a longer body fails.
  bool ReadUrl(const std::string& url, std::string& out, const std::string& agent = {},
               const StatusSink& statusSink = {});
  // Writes the body to `path` (created or emptied first). False, with
  // `fileNotWritable`, when the file cannot be opened; false too when the body runs
  // past `maxBytes` (the file then holds its first part).
  bool SaveUrlToFile(const std::string& url, const std::string& path, const std::string& agent = {},
                     const StatusSink& statusSink = {}, uint64_t maxBytes = UINT64_MAX);
  bool QueryUrlHeaders(const std::string& url, std::string& lastModified, uint64_t& contentLength, unsigned& statusOut,
                       const std::string& agent = {}, const StatusSink& statusSink = {});

 private:
  bool EnsureSession(const std::string& agent);
  bool Read(const std::string& url, const std::function<bool(const char*, size_t)>& sink, bool headOnly, bool textOnly,
            const StatusSink& statusSink);

  std::unique_ptr<CurlSession> session_;
  std::string sessionAgent_;
  ResponseHead lastHead_;
};

}  // namespace vexon::net
