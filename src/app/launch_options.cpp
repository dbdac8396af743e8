#include "app/launch_options.h"

#include "net/url.h"
#include "search/service_hosts.h"
#include "text/language.h"

namespace vexon::app {

bool ParseLaunchOptions(const std::vector<std::string>& args, LaunchOptions& out, std::string& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& flag = args[i];
    if (flag == "--version" || flag == "--help" || flag == "--xdg") {
      (flag == "--version" ? out.showVersion : (flag == "--help" ? out.showHelp : out.xdg)) = true;
      continue;
    }
    if (flag != "--baidu-host" && flag != "--yahoo-host" && flag != "--archive-url" && flag != "--site" &&
        flag != "--lang") {
      error = "unknown option: " + flag;
      return false;
    }
    if (i + 1 >= args.size()) {
      error = "option " + flag + " needs a value";
      return false;
    }
    const std::string& value = args[++i];
    if (flag == "--lang") {
      if (!text::ReadLanguageName(value)) {
        error = "--lang takes zh or en: " + value;
        return false;
      }
      out.language = value;
    } else if (flag == "--site" || flag == "--archive-url") {
      if (!net::IsWebAddress(value)) {
        error = "not an http or https address: " + value;
        return false;
      }
      (flag == "--site" ? out.siteUrl : out.archiveUrl) = value;
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

std::string ResolveSiteUrl(const std::string& flag, const std::string& stored) {
  const std::string& site = flag.empty() ? stored : flag;
  return SiteBaseUrl(net::IsWebAddress(site) ? site : std::string());
}

}  // namespace vexon::app
