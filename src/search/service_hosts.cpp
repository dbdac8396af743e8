#include "search/service_hosts.h"

#include <algorithm>
#include <string_view>

#include "net/url.h"
#include "search/archive_service.h"
#include "search/baidu_service.h"
#include "search/yahoo_service.h"
#include "text/strings.h"

namespace vexon::search {

bool IsValidHost(const std::string& host) {
  if (host.empty() || host.size() > 255) return false;
  std::string_view name(host);
  const size_t colon = name.rfind(':');
  if (colon != std::string_view::npos && name.find(']') == std::string_view::npos) {
    const std::string_view port = name.substr(colon + 1);
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string_view::npos ||
        text::LeadingDigits(port) > 65535) {
      return false;
    }
    name = name.substr(0, colon);
  }
  if (name.empty()) return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                    c == '.' || c == '[' || c == ']' || c == ':';
    if (!ok) return false;
  }
  return true;
}

bool ParseSources(std::string_view list, std::vector<std::string>& out) {
  std::vector<std::string> names;
  while (!list.empty()) {
    const size_t comma = list.find(',');
    const std::string_view name = text::Trim(list.substr(0, comma));
    if (std::find(kServiceNames.begin(), kServiceNames.end(), name) == kServiceNames.end()) return false;
    if (std::find(names.begin(), names.end(), name) == names.end()) names.emplace_back(name);
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
  }
  if (names.empty()) return false;
  out = std::move(names);
  return true;
}

bool ResolveServiceHosts(SearchHosts& hosts, const storage::AppSettings& settings, std::string& error) {
  const auto fill = [&](std::string& host, const std::string& stored, const char* key) {
    if (!host.empty()) return true;
    if (!stored.empty() && IsValidHost(stored)) {
      host = stored;
      return true;
    }
    host = kDefaultServiceHost;
    if (stored.empty()) return true;
    error = std::string("the settings file holds a bad System/") + key + ": " + stored;
    return false;
  };
  const bool baidu = fill(hosts.baidu, settings.baiduHost, "BaiduHost");
  const bool yahoo = fill(hosts.yahoo, settings.yahooHost, "YahooHost");
  bool archive = true;
  if (hosts.archive.empty()) {
    hosts.archive = ArchiveService::kDefaultBase;
    if (net::IsWebAddress(settings.archiveUrl)) {
      hosts.archive = settings.archiveUrl;
    } else if (!settings.archiveUrl.empty()) {
      error = "the settings file holds a bad System/ArchiveUrl: " + settings.archiveUrl;
      archive = false;
    }
  }
  bool sources = true;
  if (hosts.sources.empty() && !settings.sources.empty() && !ParseSources(settings.sources, hosts.sources)) {
    error = "the settings file holds a bad System/Sources: " + settings.sources;
    sources = false;
  }
  return baidu && yahoo && archive && sources;
}

SearchServices MakeServices(const SearchHosts& hosts) {
  SearchServices services;
  services.push_back(std::make_unique<YahooService>(hosts.yahoo));
  services.push_back(std::make_unique<BaiduService>(hosts.baidu));
  if (!hosts.archive.empty()) services.push_back(std::make_unique<ArchiveService>(hosts.archive));
  return services;
}

}  // namespace vexon::search
