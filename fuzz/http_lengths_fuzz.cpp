// Feeds arbitrary header lines to the answer head reader and arbitrary values to the
// Content-Length and Content-Range readers, and checks what they decide: a length
// read is the one the digits name, disagreeing lengths are never one length, and a
// range's numbers are the digits that stand where the value says; a Retry-After is
// never a wait the tries would keep beyond their cap.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/curl_session.h"
#include "net/retry_later.h"
#include "text/strings.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vexon::net;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  if (const auto length = ParseContentLength(bytes)) {
    Check(*length <= static_cast<uint64_t>(INT64_MAX));
    Check(ParseContentLength(std::to_string(*length)) == length);
  }

  uint64_t start = 0;
  uint64_t total = 0;
  ParseContentRange(bytes, start, total);
  if (start != UINT64_MAX || total != UINT64_MAX) {
    Check(vexon::text::StartsWith(vexon::text::Trim(bytes), "bytes"));
  }

  // Each line of the input is a header line of one answer.
  ResponseHead head;
  size_t lines = 0;
  std::string_view rest = bytes;
  while (!rest.empty() && lines < 64) {
    const size_t end = rest.find('\n');
    ParseHeaderLine(head, rest.substr(0, end));
    ++lines;
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  if (head.contentLengthsDisagree) Check(!head.contentLengthText.empty());

  RetryLater later;
  std::chrono::milliseconds waited{0};
  for (int i = 0; i < kMaxTriesWhenAsked + 1; ++i) {
    const auto wait = later.NextWait(bytes, 1445412480);
    if (!wait) break;
    Check(wait->count() >= 0);
    waited += *wait;
  }
  Check(waited <= kMaxWaitWhenAsked);
  return 0;
}
