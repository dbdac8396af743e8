#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vexon::standin {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// 2006-05-04 03:02:01 GMT: the Last-Modified of scripted files unless a test sets one.
inline constexpr int64_t kDefaultLastModified = 1146711721;

// A fixed answer for one path (or one exact request target).
struct RawPage {
  int status = 200;
  std::string contentType = "text/html; charset=gb2312";
  std::string body;  // bytes as sent
  HeaderList headers;
  std::chrono::milliseconds delay{0};  // before the answer
};

enum class BodyFraming {
  kContentLength,   // Content-Length, the normal case
  kChunked,         // Transfer-Encoding: chunked, no length
  kCloseDelimited,  // neither; the body ends when the server closes
};

enum class RangeMode {
  kHonour,  // "bytes=N-" (and N-M, -M) gives 206 with Content-Range; N >= size gives 416
  kIgnore,  // a ranged request gets 200 and the whole body
};

// How the file server answers for one path. The defaults give a live file: 200,
// Content-Length, Last-Modified, audio content type, Range honoured.
struct FileScript {
  int status = 200;  // other values answer a small HTML page with that status
  // Decides the generated audio (wav, else MP3 frames) and the default type;
  // empty: the extension of the path.
  std::string extension;
  std::string contentType;          // empty: the audio type of the extension
  std::optional<std::string> body;  // these bytes instead of generated audio
  uint64_t size = 256 * 1024;       // size of the generated audio
  int64_t lastModified = kDefaultLastModified;
  bool sendLastModified = true;
  BodyFraming framing = BodyFraming::kContentLength;
  RangeMode range = RangeMode::kHonour;

  // Nonzero (301, 302, 303, 307): answer with a redirect instead. With redirectHops
  // N > 1 the chain runs through "/hop/1<path>" ... "/hop/N-1<path>" before the
  // last hop points to redirectTo (a path on this server or an absolute URL).
  int redirectStatus = 0;
  std::string redirectTo;
  int redirectHops = 1;

  std::chrono::milliseconds headerDelay{0};     // before the status line
  std::chrono::milliseconds firstByteDelay{0};  // after the headers, before the body
  uint64_t bytesPerSecond = 0;                  // 0: as fast as the client reads
  // >= 0: an answer sends at most this many body bytes, then closes the connection
  // (the declared length stays the full one).
  int64_t cutAfter = -1;
  // 0: every answer is cut; N > 0: only the first N answers to this path.
  int cutAnswers = 0;
  HeaderList headers;  // added to a successful answer
  // The first N answers to this path are a server under load: laterStatus (429 or
  // 503) with Retry-After laterRetryAfter when that is not empty.
  int laterAnswers = 0;
  int laterStatus = 429;
  std::string laterRetryAfter;
};

}  // namespace vexon::standin
