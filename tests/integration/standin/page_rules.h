#pragma once

// The client's documented page rules, written out plainly so the stand-in's pages
// can be checked against them without the search subsystem.

#include <string>
#include <vector>

#include "text/strings.h"

namespace vexon::standin::testkit {

struct FoundLink {
  std::string url;
  std::string anchor;
  std::string type;  // Baidu only: the type code after "word="
};

inline bool HasYahooEnding(const std::string& url) {
  static const char* const kEndings[] = {"mp3", "ram", ".rm", "wma", "asf", "swf", "mpg",
                                         "peg", "avi", "mid", "asx", "wav", ".ra", "wmv"};
  if (url.size() < 3) return false;
  const std::string last = url.substr(url.size() - 3);
  for (const char* e : kEndings) {
    if (last == e) return true;
  }
  return false;
}

inline bool IsBaiduType(const std::string& ext) {
  static const char* const kTypes[] = {".mp3", ".ram", ".rm",  ".wma", ".asf", ".swf", ".mpg",
                                       ".mpeg", ".avi", ".mid", ".asx", ".wav", ".ra",  ".wmv"};
  for (const char* t : kTypes) {
    if (ext == t) return true;
  }
  return false;
}

// Anchors of a lower-cased Yahoo page that carry a file URL with a known ending.
inline std::vector<FoundLink> YahooLinks(const std::string& pageUtf8) {
  const std::string page = text::AsciiLower(pageUtf8);
  std::vector<FoundLink> links;
  size_t pos = 0;
  while ((pos = page.find("<a ", pos)) != std::string::npos) {
    const size_t end = page.find("</a>", pos);
    if (end == std::string::npos) break;
    const std::string anchor = page.substr(pos, end + 4 - pos);
    pos = end + 4;
    const size_t t = anchor.find("title=\"");
    if (t == std::string::npos) continue;
    const size_t h = anchor.find("http://", t);
    if (h == std::string::npos) continue;
    const size_t e = anchor.find(' ', h);
    const std::string url = anchor.substr(h, e == std::string::npos ? std::string::npos : e - h);
    if (!HasYahooEnding(url)) continue;
    links.push_back({url, anchor, {}});
  }
  return links;
}

// Hit anchors of a Baidu page with the marker and a known type; the URL is the
// intermediate page's, blanks as %20.
inline std::vector<FoundLink> BaiduHits(const std::string& page) {
  std::vector<FoundLink> hits;
  size_t pos = 0;
  while ((pos = page.find("<a href=\"", pos)) != std::string::npos) {
    const size_t end = page.find("</a>", pos);
    if (end == std::string::npos) break;
    const std::string anchor = page.substr(pos, end + 4 - pos);
    pos = end + 4;
    if (anchor.find("tn=baidusg,") == std::string::npos) continue;
    const size_t p = anchor.find("http://");
    if (p == std::string::npos) continue;
    const size_t q = anchor.find('"', p);
    std::string url = q == std::string::npos ? std::string() : anchor.substr(p, q - p);
    url = text::ReplaceAll(url, " ", "%20");
    const size_t w = anchor.find("word=");
    if (w == std::string::npos) continue;
    const size_t comma = anchor.find(',', w);
    const std::string type = anchor.substr(w + 5, comma == std::string::npos ? std::string::npos : comma - w - 5);
    if (type.empty() || !IsBaiduType("." + text::AsciiLower(type))) continue;
    hits.push_back({url, anchor, text::AsciiLower(type)});
  }
  return hits;
}

// The first anchor target of a lower-cased intermediate page that contains the
// extension; empty when none does.
inline std::string IntermediateFileLink(const std::string& pageUtf8, const std::string& type) {
  const std::string page = text::AsciiLower(pageUtf8);
  const std::string ext = "." + type;
  size_t pos = 0;
  while ((pos = page.find("<a href=\"", pos)) != std::string::npos) {
    const size_t start = pos + 9;
    const size_t q = page.find('"', start);
    if (q == std::string::npos) break;
    const std::string candidate = page.substr(start, q - start);
    if (candidate.find(ext) != std::string::npos) return candidate;
    pos = q;
  }
  return {};
}

// The documented next-page rules; empty when there is no next page.
inline std::string YahooNextTarget(const std::string& pageUtf8) {
  const std::string page = text::AsciiLower(pageUtf8);
  const std::string marker = "<strong>下一页</strong>";
  const size_t m = page.find(marker);
  if (m == std::string::npos) return {};
  const size_t s = page.rfind("search.html?", m);
  if (s == std::string::npos) return {};
  const size_t q = page.find('"', s);
  return "/" + page.substr(s, q == std::string::npos ? std::string::npos : q - s);
}

inline std::string BaiduNextUrl(const std::string& page) {
  const size_t m = page.find("下一页");
  if (m == std::string::npos) return {};
  const size_t h = page.rfind("http:", m);
  if (h == std::string::npos) return {};
  const size_t q = page.find('"', h);
  return q == std::string::npos ? std::string() : page.substr(h, q - h);
}

// The title clean-up: tags out, the two entities that matter here decoded, unsafe
// characters blanked, escaped brackets as [ ], blanks collapsed, ends trimmed.
inline std::string CleanTitle(const std::string& html) {
  std::string t;
  for (size_t i = 0; i < html.size(); ++i) {
    if (html[i] != '<') {
      t += html[i];
      continue;
    }
    const size_t close = html.find('>', i);
    if (close == std::string::npos) {
      t += html.substr(i);
      break;
    }
    i = close;
  }
  t = text::ReplaceAll(t, "&nbsp;", " ");
  t = text::ReplaceAll(t, "&amp;", "&");
  t = std::string(text::Trim(t));
  t = text::ReplaceAll(t, "\n", " ");
  for (char& c : t) {
    if (std::string_view("/\\:?*<>\"|").find(c) != std::string_view::npos) c = ' ';
  }
  t = text::ReplaceAll(t, "&lt;", "[");
  t = text::ReplaceAll(t, "&gt;", "]");
  t = text::ReplaceAll(t, "&quot;", "");
  t = text::ReplaceAll(t, "&#39;", "'");
  std::string collapsed;
  for (char c : t) {
    if (c == '\r') continue;
    if (c == ' ' && !collapsed.empty() && collapsed.back() == ' ') continue;
    collapsed += c;
  }
  return std::string(text::Trim(collapsed));
}

}  // namespace vexon::standin::testkit
