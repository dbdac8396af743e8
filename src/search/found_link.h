#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace vexon::search {

// A parser's entry: the file URL, this separator, then the title.
inline constexpr std::string_view kLinkTitleSeparator = "|||";

// Texts beyond this size are junk, not links or titles, and are not carried on.
inline constexpr size_t kMaxFoundTextSize = 8 * 1024;

// Pause between requests to a search service; tests pass one that returns at once.
using PauseFunction = std::function<void(int milliseconds)>;
void SleepPause(int milliseconds);

// Reads a further page (an intermediate page of a hit) into `pageUtf8`; false when the
// read fails.
using PageFetcher = std::function<bool(const std::string& url, std::string& pageUtf8)>;
// Takes each file link of a page (URL + "|||" + title) the moment it is read.
using LinkSink = std::function<void(const std::string& link)>;

// A file link as a service hands it on. A service that keeps records of its files
// vouches for them: such a file is listed with the record's size and date, without a
// request of its own, and its digests travel on to the download.
struct FoundFile {
  std::string url;
  std::string title;
  bool vouched = false;
  std::string size;  // decimal bytes
  std::string date;  // "%02d/%02d/%04d" month, day, year
  std::string md5;   // lower-case hex or empty
  std::string sha1;
};
using FoundSink = std::function<void(FoundFile file)>;

// A sink for the page parsers' "url|||title" entries that hands each on to `found`.
LinkSink EntriesTo(const FoundSink& found);

// A found URL goes on to the results list and the settings file only without control
// bytes (they would break the file's lines), within kMaxFoundTextSize, and when the
// entry splits back into the same URL: no "|||" inside and no "|" at its end.
bool IsCarriableLink(std::string_view link);
// Titles pass through CleanTitle, which already removes line breaks; only their size
// is checked.
bool IsCarriableTitle(std::string_view title);

std::string JoinFoundLink(std::string_view link, std::string_view title);

// Splits an entry at the first separator; without one, the whole entry is the link.
void SplitFoundLink(std::string_view entry, std::string& link, std::string& title);

}  // namespace vexon::search
