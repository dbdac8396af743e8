#include "search/service_hosts.h"

#include <string_view>

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
  return baidu && yahoo;
}

SearchServices MakeServices(const SearchHosts& hosts) {
  SearchServices services;
  services.push_back(std::make_unique<YahooService>(hosts.yahoo));
  services.push_back(std::make_unique<BaiduService>(hosts.baidu));
  return services;
}

}  // namespace vexon::search
