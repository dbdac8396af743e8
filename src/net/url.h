#pragma once

#include <string>
#include <string_view>

namespace vexon::net {

// A URL split the way requests are made: `server` is the host with its own port
// ("example.com:8080"), `object` the path and query ("/" at least).
struct UrlParts {
  std::string scheme = "http";
  std::string server;
  std::string object;
};

// Splits `url`; false when it is empty or has no host. A URL of scheme and host
// only gets a "/" appended first.
bool PrepareUrl(std::string_view url, UrlParts& parts);

// The URL to hand to the HTTP library: scheme, server and the object made safe
// for the request line (see EncodeRequestTarget).
std::string RequestUrl(const UrlParts& parts);

// Request-line bytes: blanks become %20, control bytes and bytes outside the
// URL-safe set become %XX of their GB18030 encoding; "%" and the URL delimiters
// stay as they are, so a whole URL can be made safe the same way.
std::string EncodeRequestTarget(std::string_view utf8);

// Search words as one query value: every GB18030 byte other than letters, digits
// and "-._~" is percent-encoded, so "&" or "#" stay part of the words.
std::string EncodeQueryWords(std::string_view utf8);

// A file name as one path segment: its bytes as they stand, every one other than
// letters, digits and "-._~" percent-encoded.
std::string EncodePathSegment(std::string_view bytes);

// An http or https address (any letter case) with something after the scheme and no
// control bytes. Blanks pass: the results list shows "%20" as a blank.
bool IsHttpAddress(std::string_view url);

// An http or https address without blanks: a site address the program may call.
bool IsWebAddress(std::string_view url);

// The URL as the results list shows it: "%20" as blanks, "&amp;" as "&".
std::string ShownUrl(std::string_view url);

// The file name a shown URL ends in: the text after its last "/". Percent escapes
// that spell UTF-8 letters (as the archive's links do) are decoded, so the name reads
// as the service wrote it; a name whose escapes decode to anything else, or to a
// control byte or a slash, stays as it stands.
std::string UrlFileName(std::string_view shownUrl);

}  // namespace vexon::net
