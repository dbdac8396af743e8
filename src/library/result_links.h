#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "core/prompter.h"
#include "core/shell.h"
#include "library/associations.h"
#include "text/catalog.h"

namespace vexon::library {

inline constexpr const char* kPlayerMissingText = "播放器不支持这种文件类型,请自己安装相应的播放器软件";
inline constexpr const char* kNotWebAddressFormat = "只能打开 http 或 https 网址: %1";

// The text from the last "." of a URL to its end, "." included; empty without one.
std::string UrlExtension(std::string_view url);
// The site of a URL: scheme, "://" and host without a trailing "/"; for a URL
// without "://", the text before its first "/".
std::string SiteOfUrl(std::string_view url);

// Play on line and Go to Web site for a result's URL.
class ResultLinks final {
 public:
  ResultLinks(core::Prompter& prompter, core::Shell& shell, Associations& associations, text::Translator texts = {})
      : prompter_(prompter), texts_(std::move(texts)), shell_(shell), associations_(associations) {}

  // Streams the URL in the player the desktop associates with its extension.
  void OnPlayOnline(const std::string& url);
  // Opens the URL's site in the web browser.
  void OnVisitSite(const std::string& url);

 private:
  bool RefuseUnlessWebAddress(const std::string& url);

  core::Prompter& prompter_;
  const text::Translator texts_;
  core::Shell& shell_;
  Associations& associations_;
};

}  // namespace vexon::library
