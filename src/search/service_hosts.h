#pragma once

#include <string>

#include "search/query_url.h"
#include "storage/app_settings.h"

namespace vexon::search {

// Where the stand-in services listen when nothing else is configured.
inline constexpr const char* kDefaultServiceHost = "127.0.0.1:18080";

// "host" or "host:port" with a plain host name or address.
bool IsValidHost(const std::string& host);

// Fills the hosts not given on the command line from the settings file, then the
// defaults. False, with `error`, when the file holds a host that is not a host (the
// default stands in for it).
bool ResolveServiceHosts(SearchHosts& hosts, const storage::AppSettings& settings, std::string& error);

}  // namespace vexon::search
