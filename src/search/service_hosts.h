#pragma once

#include <string>

#include "search/search_service.h"
#include "storage/app_settings.h"

namespace vexon::search {

// Hosts of the two search services, each with its ":port" if it has one.
struct SearchHosts {
  std::string baidu;
  std::string yahoo;
};

// Where the stand-in services listen when nothing else is configured.
inline constexpr const char* kDefaultServiceHost = "127.0.0.1:18080";

// "host" or "host:port" with a plain host name or address.
bool IsValidHost(const std::string& host);

// Fills the hosts not given on the command line from the settings file, then the
// defaults. False, with `error`, when the file holds a host that is not a host (the
// default stands in for it).
bool ResolveServiceHosts(SearchHosts& hosts, const storage::AppSettings& settings, std::string& error);

// The program's services on those hosts: Yahoo's first page is asked for first.
SearchServices MakeServices(const SearchHosts& hosts);

}  // namespace vexon::search
