// Feeds arbitrary bytes as two version texts to CompareVersions, and checks that
// answers are in range, that swapping two valid texts mirrors the answer, and that
// a text the stamp reader accepts compares equal to its stamp.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "update/version_compare.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte says where the site's text ends and the own one begins.
  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const size_t split = data[0] < rest.size() ? data[0] : rest.size();
  const std::string_view site = rest.substr(0, split);
  const std::string_view own = rest.substr(split);

  using vexon::update::CompareVersions;
  using vexon::update::kOwnVersionMalformed;
  using vexon::update::kSiteVersionMalformed;
  const int order = CompareVersions(site, own);
  Check(order == 1 || order == 0 || order == -1 || order == kSiteVersionMalformed || order == kOwnVersionMalformed);

  const bool siteValid = CompareVersions(site, "0") != kSiteVersionMalformed;
  const bool ownValid = CompareVersions(own, "0") != kSiteVersionMalformed;
  if (!siteValid) {
    Check(order == kSiteVersionMalformed);
  } else if (!ownValid) {
    Check(order == kOwnVersionMalformed);
  } else {
    Check(order >= -1 && order <= 1);
    Check(CompareVersions(own, site) == -order);
    Check(CompareVersions(site, site) == 0);
  }

  const std::string stamp = vexon::update::VersionStampTextOf(site);
  if (!stamp.empty()) {
    Check(siteValid);
    Check(CompareVersions(stamp, site) == 0);
    Check(vexon::update::VersionStampTextOf(stamp) == stamp);
  }
  return 0;
}
