#include "standin/result_pages.h"

#include <climits>

#include "text/encoding.h"
#include "text/strings.h"

namespace vexon::standin {
namespace {

constexpr std::string_view kYahooQueryHead = "/search.html?pid=ysearch&source=ysearch_music_result_topsearch&p=";
constexpr std::string_view kBaiduQueryHead = "/m?&tn=baidump3&ct=134217728&rn=&word=";
constexpr std::string_view kPageHead =
    "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsUnreserved(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

int PageNumber(const std::optional<std::string>& value) {
  if (!value) return 1;
  const int64_t n = text::LeadingInt(*value);
  if (n > INT_MAX) return INT_MAX;
  if (n < INT_MIN) return INT_MIN;
  return static_cast<int>(n);
}

// The title as it may stand in a URL query: GB18030 bytes percent-encoded, but
// blanks kept, so that a client has to turn them into %20 itself.
std::string TitleForUrl(const std::string& titleText) {
  std::string out;
  for (char c : text::Gb18030FromUtf8(titleText)) {
    if (c == ' ') {
      out += ' ';
    } else {
      out += PercentEncode(std::string_view(&c, 1));
    }
  }
  return out;
}

// Attribute text: the plain title without anything that could end the attribute.
std::string TitleAttribute(const std::string& titleText) {
  return text::ReplaceAll(text::ReplaceAll(titleText, "&", "&amp;"), "\"", "&quot;");
}

std::string DecoyId(std::string_view host, std::string_view salt, int page) {
  return text::Format("%016llx", static_cast<unsigned long long>(
                                     MixBits(HashText(host) ^ HashText(salt) ^ static_cast<uint64_t>(page))));
}

// A decoy's path on `host`: a readable name in a folder of its own, like the catalog's.
std::string DecoyPath(std::string_view host, std::string_view salt, int page, std::string_view extension) {
  const std::string id = DecoyId(host, salt, page);
  return CatalogFilePath(id, DecoyFileName(HashText(id), extension));
}

std::string BaiduHitAnchor(std::string_view host, std::string_view id, std::string_view typeCode,
                           const std::string& titleText, const std::string& titleHtml) {
  return "<a href=\"http://" + std::string(host) + std::string(kBaiduIntermediatePrefix) + std::string(id) +
         "?tn=baidusg," + TitleForUrl(titleText) + "&word=" + std::string(typeCode) +
         ",http://www.example.com/music/,&lm=-1\" target=_blank>" + titleHtml + "</a>";
}

}  // namespace

std::string PercentEncode(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 3);
  for (unsigned char c : bytes) {
    if (IsUnreserved(c)) {
      out += static_cast<char>(c);
    } else {
      out += text::Format("%%%02X", c);
    }
  }
  return out;
}

std::string DecodeEscapes(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] == '%' && i + 2 < in.size() && HexValue(in[i + 1]) >= 0 && HexValue(in[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(in[i + 1]) * 16 + HexValue(in[i + 2]));
      i += 2;
    } else {
      out += in[i];
    }
  }
  return out;
}

std::string PercentDecode(std::string_view in) {
  // An escaped '+' ("%2B") is decoded after the blanks, so it stays a '+'.
  return DecodeEscapes(text::ReplaceAll(in, "+", " "));
}

std::optional<std::string> QueryParameter(std::string_view query, std::string_view name) {
  for (const std::string& part : text::Split(query, "&")) {
    const size_t eq = part.find('=');
    const std::string_view key = std::string_view(part).substr(0, eq);
    if (key != name) continue;
    if (eq == std::string::npos) return std::string();
    return PercentDecode(std::string_view(part).substr(eq + 1));
  }
  return std::nullopt;
}

std::string YahooQueryTargetForBytes(std::string_view wordsGb18030, int page) {
  std::string target = std::string(kYahooQueryHead) + PercentEncode(wordsGb18030) + "&minetype";
  if (page != 1) target += "&page=" + std::to_string(page);
  return target;
}

std::string BaiduQueryTargetForBytes(std::string_view wordsGb18030, int page) {
  std::string target = std::string(kBaiduQueryHead) + PercentEncode(wordsGb18030) + "&lm=-1";
  if (page != 1) target += "&pn=" + std::to_string(page);
  return target;
}

std::string YahooQueryTarget(std::string_view wordsUtf8, int page) {
  return YahooQueryTargetForBytes(text::Gb18030FromUtf8(wordsUtf8), page);
}

std::string BaiduQueryTarget(std::string_view wordsUtf8, int page) {
  return BaiduQueryTargetForBytes(text::Gb18030FromUtf8(wordsUtf8), page);
}

std::optional<SearchQuery> ParseSearchQuery(std::string_view path, std::string_view query) {
  SearchQuery q;
  std::optional<std::string> words;
  if (path == kYahooPath) {
    q.engine = Engine::kYahoo;
    words = QueryParameter(query, "p");
    q.page = PageNumber(QueryParameter(query, "page"));
  } else if (path == kBaiduPath) {
    q.engine = Engine::kBaidu;
    words = QueryParameter(query, "word");
    q.page = PageNumber(QueryParameter(query, "pn"));
  } else {
    return std::nullopt;
  }
  if (!words) return std::nullopt;
  q.wordsBytes = std::move(*words);
  q.wordsUtf8 = text::Utf8FromGb18030(q.wordsBytes);
  return q;
}

std::string FileUrl(const CatalogEntry& entry, std::string_view host) {
  return "http://" + std::string(host) + entry.Path();
}

std::string YahooResultPage(const CatalogPage& page, const SearchQuery& query, std::string_view host, bool decoys) {
  std::string html(kPageHead);
  html += "<title>雅虎音乐搜索</title></head>\r\n<body>\r\n";
  html += "<div class=nav><a href=\"/\">雅虎首页</a> <a href=\"/help.html\" title=\"帮助\">帮助</a></div>\r\n";
  html += text::Format("<p>第%d页，共%d首歌曲</p>\r\n<ol>\r\n", page.page, static_cast<int>(page.entries.size()));
  const size_t middle = page.entries.size() / 2;
  for (size_t i = 0; i < page.entries.size(); ++i) {
    const CatalogEntry& e = page.entries[i];
    html += "<li><a title=\"" + TitleAttribute(e.titleText) + "\" href=" + FileUrl(e, host) + " target=_blank>" +
            e.titleHtml + "</a> <span>" + text::Format("%.1f MB", static_cast<double>(e.size) / (1024.0 * 1024.0)) +
            "</span></li>\r\n";
    if (decoys && i + 1 == middle) {
      // Unknown type, and a URL with no blank after it (it runs on to the anchor's end).
      html += "<li><a title=\"试听\" href=http://" + std::string(host) + DecoyPath(host, "aac", page.page, "aac") +
              " target=_blank>试听 aac</a></li>\r\n";
      html += "<li><a title=\"原版\" href=http://" + std::string(host) + DecoyPath(host, "noblank", page.page, "mp3") +
              ">原版</a></li>\r\n";
    }
  }
  if (decoys) {
    for (const std::string& link : page.foreignLinks) {
      html += "<li><a title=\"外站链接\" href=" + link + " target=_blank>外站链接 高音质</a></li>\r\n";
    }
  }
  html += "</ol>\r\n<div class=pages>";
  if (page.page > 1) {
    html +=
        "<a href=\"" + YahooQueryTargetForBytes(query.wordsBytes, page.page - 1) + "\"><strong>上一页</strong></a> ";
  }
  if (page.hasNext) {
    html += "<a href=\"" + YahooQueryTargetForBytes(query.wordsBytes, page.page + 1) + "\"><strong>下一页</strong></a>";
  }
  html += "</div>\r\n</body></html>\r\n";
  return text::Gb18030FromUtf8(html);
}

std::string BaiduResultPage(const CatalogPage& page, const SearchQuery& query, std::string_view host, bool decoys) {
  std::string html(kPageHead);
  html += "<title>百度MP3搜索</title></head>\r\n<body>\r\n";
  if (decoys) html += "<a href=\"http://" + std::string(kForeignHost) + "/\">百度首页</a>\r\n";
  html += "<table>\r\n";
  const size_t middle = page.entries.size() / 2;
  for (size_t i = 0; i < page.entries.size(); ++i) {
    const CatalogEntry& e = page.entries[i];
    html += "<tr><td>" + std::to_string(i + 1) + "</td><td>" +
            BaiduHitAnchor(host, e.id, e.extension, e.titleText, e.titleHtml) + "</td><td>" +
            text::Format("%.1f M", static_cast<double>(e.size) / (1024.0 * 1024.0)) + "</td></tr>\r\n";
    if (decoys && i + 1 == middle) {
      html += "<tr><td>-</td><td>" + BaiduHitAnchor(host, DecoyId(host, "aac", page.page), "aac", "试听", "试听 aac") +
              "</td></tr>\r\n";
      // Known type, but its intermediate page holds no file link.
      html += "<tr><td>-</td><td>" +
              BaiduHitAnchor(host, "z" + DecoyId(host, "deadend", page.page), "mp3", "原版", "原版") + "</td></tr>\r\n";
      // Known type, intermediate page on a host where nothing listens.
      html += "<tr><td>-</td><td><a href=\"http://" + std::string(kForeignHost) +
              std::string(kBaiduIntermediatePrefix) + DecoyId(host, "foreign", page.page) +
              "?tn=baidusg,x&word=mp3,http://www.example.com/,&lm=-1\" target=_blank>外站链接</a></td></tr>\r\n";
    }
  }
  html += "</table>\r\n<div class=pages>";
  if (page.page > 1) {
    html += "<a href=\"http://" + std::string(host) + BaiduQueryTargetForBytes(query.wordsBytes, page.page - 1) +
            "\">上一页</a> ";
  }
  if (page.hasNext) {
    html += "<a href=\"http://" + std::string(host) + BaiduQueryTargetForBytes(query.wordsBytes, page.page + 1) +
            "\">下一页</a>";
  }
  html += "</div>\r\n</body></html>\r\n";
  return text::Gb18030FromUtf8(html);
}

std::string BaiduIntermediatePage(const CatalogEntry& entry, std::string_view host) {
  const std::string ext =
      entry.upperCaseExtensionOnIntermediatePage ? text::AsciiUpper(entry.extension) : entry.extension;
  // The link is quoted here, so its blanks stand as they are; the client escapes them.
  const std::string stem = entry.name.substr(0, entry.name.size() - entry.extension.size() - 1);
  const std::string url = "http://" + std::string(host) + "/files/" + entry.id + "/" + stem + "." + ext;
  std::string html(kPageHead);
  html += "<title>" + TitleAttribute(entry.titleText) + "</title></head>\r\n<body>\r\n";
  html += "<a href=\"http://" + std::string(kForeignHost) + "/\">百度首页</a>\r\n";
  html += "<a href=\"http://" + std::string(kForeignHost) + "/lyric/" + entry.id + ".htm\">歌词</a>\r\n";
  html += "<p>歌曲：" + entry.titleHtml + "</p>\r\n";
  html += "<p>下载地址：<a href=\"" + url + "\" target=_blank>" + url + "</a></p>\r\n";
  html += "</body></html>\r\n";
  return text::Gb18030FromUtf8(html);
}

std::string BaiduDeadEndPage() {
  std::string html(kPageHead);
  html += "<title>百度MP3搜索</title></head>\r\n<body>\r\n";
  html += "<a href=\"http://" + std::string(kForeignHost) + "/\">百度首页</a>\r\n";
  html += "<p>链接已失效</p>\r\n</body></html>\r\n";
  return text::Gb18030FromUtf8(html);
}

}  // namespace vexon::standin
