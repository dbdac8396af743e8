#include "app/launch_options.h"

#include "search/service_hosts.h"
#include "text/strings.h"

namespace vexon::app {

bool IsWebAddress(const std::string& url) {
  const std::string lower = text::AsciiLower(url);
  const bool http = lower.rfind("http://", 0) == 0 && lower.size() > 7;
  const bool https = lower.rfind("https://", 0) == 0 && lower.size() > 8;
  if (!http && !https) return false;
  for (char c : url) {
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) return false;
  }
  return true;
}

bool ParseLaunchOptions(const std::vector<std::string>& args, LaunchOptions& out, std::string& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& flag = args[i];
    if (flag == "--version") {
      out.showVersion = true;
      continue;
    }
    if (flag != "--baidu-host" && flag != "--yahoo-host" && flag != "--site") {
      error = "unknown option: " + flag;
      return false;
    }
    if (i + 1 >= args.size()) {
      error = "option " + flag + " needs a value";
      return false;
    }
    const std::string& value = args[++i];
    if (flag == "--site") {
      if (!IsWebAddress(value)) {
        error = "not an http or https address: " + value;
        return false;
      }
      out.siteUrl = value;
    } else if (!search::IsValidHost(value)) {
      error = "bad host: " + value;
      return false;
    } else {
      (flag == "--baidu-host" ? out.baiduHost : out.yahooHost) = value;
    }
  }
  return true;
}

std::string SiteBaseUrl(const std::string& url) {
  if (url.empty()) return kDefaultSiteUrl;
  return url.back() == '/' ? url : url + "/";
}

}  // namespace vexon::app
