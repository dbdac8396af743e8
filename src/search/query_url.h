#pragma once

#include <string>
#include <string_view>

namespace vexon::search {

// Hosts of the two search services, each with its ":port" if it has one.
struct SearchHosts {
  std::string baidu;
  std::string yahoo;
};

// The query URL of a service for the typed words; the words travel as one
// percent-encoded GB18030 query value.
std::string YahooQueryUrl(std::string_view host, std::string_view words);
std::string BaiduQueryUrl(std::string_view host, std::string_view words);

}  // namespace vexon::search
