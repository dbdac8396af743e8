#pragma once

#include <filesystem>
#include <string>

#include "hotwords/site_refresh.h"
#include "net/page_reader.h"

namespace vexon::hotwords {

// Brings the local word-list file in `startDir` up to date with the page at
// `pageUrl`, blocking while it talks to the site.
//
// With a local file, the page's headers are asked for first; a reported length equal
// to the file's size means the file is current and nothing is downloaded. Otherwise
// (and when the header query fails, answers other than 200 or reports no length) the
// page is downloaded into the temp file, and only a usable download replaces the local
// file, by a rename, so the file is never seen half-written. A download is usable when
// the reader succeeded with status 200, and the body is not empty, not larger than
// kMaxWordListBytes and holds at least one category or word line. A failed download
// changes nothing and leaves no temp file behind.
//
// Returns whether the local file is now current.
bool RefreshWordList(net::PageReader& reader, const std::string& pageUrl, const std::filesystem::path& startDir);

}  // namespace vexon::hotwords
