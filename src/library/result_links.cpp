#include "library/result_links.h"

#include "net/url.h"
#include "text/strings.h"

namespace vexon::library {

std::string UrlExtension(std::string_view url) {
  const size_t dot = url.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(url.substr(dot));
}

std::string SiteOfUrl(std::string_view url) {
  const size_t scheme = url.find("://");
  if (scheme != std::string_view::npos) {
    const size_t slash = url.find('/', scheme + 3);
    return std::string(slash == std::string_view::npos ? url : url.substr(0, slash));
  }
  const size_t slash = url.find('/');
  return std::string(slash == std::string_view::npos ? url : url.substr(0, slash));
}

bool ResultLinks::RefuseUnlessWebAddress(const std::string& url) {
  if (net::IsHttpAddress(url)) return false;
  // Anything else (file:, javascript:, a bare path) is never handed to the desktop.
  prompter_.Show(texts_.Fill(kNotWebAddressFormat, url), core::MessageIcon::kExclamation, core::MessageButtons::kOk);
  return true;
}

void ResultLinks::OnPlayOnline(const std::string& url) {
  const std::string extension = UrlExtension(url);
  if (extension.empty()) return;
  if (RefuseUnlessWebAddress(url)) return;
  const auto missing = [this] {
    prompter_.Show(std::string(texts_(kPlayerMissingText)), core::MessageIcon::kExclamation, core::MessageButtons::kOk);
  };
  const std::optional<std::string> type = associations_.TypeForExtension(extension);
  if (!type) return missing();
  const std::optional<std::string> application = associations_.DefaultApplication(*type);
  if (!application) return missing();
  if (!associations_.Launch(*application, url)) return missing();
}

void ResultLinks::OnVisitSite(const std::string& url) {
  const std::string site = SiteOfUrl(url);
  if (RefuseUnlessWebAddress(site)) return;
  shell_.OpenWebAddress(site);
}

}  // namespace vexon::library
