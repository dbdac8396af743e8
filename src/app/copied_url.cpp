#include "app/copied_url.h"

#include "net/url.h"

namespace vexon::app {

std::string CopiedUrl(std::string_view listedUrl) {
  return net::EncodeRequestTarget(listedUrl);
}

}  // namespace vexon::app
