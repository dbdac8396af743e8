#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "search/search_options.h"
#include "search/search_service.h"
#include "storage/app_settings.h"

namespace vexon::search {

// Where the search services are and which of them a search asks.
struct SearchHosts {
  // Hosts of the two music search services, each with its ":port" if it has one.
  std::string baidu;
  std::string yahoo;
  // The Internet Archive's base URL; empty: that service is not asked.
  std::string archive;
  // The services asked, by name (kServiceNames); empty: all of them.
  std::vector<std::string> sources;
};

// A comma list of service names ("baidu,archive"); false for an unknown name or
// an empty list, so a search always asks at least one service.
bool ParseSources(std::string_view list, std::vector<std::string>& out);

// Where the stand-in services listen when nothing else is configured.
inline constexpr const char* kDefaultServiceHost = "127.0.0.1:18080";

// "host" or "host:port" with a plain host name or address.
bool IsValidHost(const std::string& host);

// Fills the hosts, archive address and sources not given on the command line from
// the settings file, then the defaults (the stand-in's host, the Internet Archive,
// every service). False, with `error`, when the file holds a value that is not one
// (the default stands in for it).
bool ResolveServiceHosts(SearchHosts& hosts, const storage::AppSettings& settings, std::string& error);

// The services on those hosts (the archive only with an address); Yahoo's first page
// is asked for first. Which of them a search asks is its options' choice.
SearchServices MakeServices(const SearchHosts& hosts);

}  // namespace vexon::search
