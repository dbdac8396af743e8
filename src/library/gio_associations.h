#pragma once

#include "library/associations.h"

namespace vexon::library {

// The associations as the desktop keeps them, through GIO: the shared MIME
// database, the mimeapps.list defaults and the desktop entries, with GIO's own
// expansion of an entry's Exec line.
class GioAssociations final : public Associations {
 public:
  std::optional<std::string> TypeForExtension(const std::string& extension) override;
  std::optional<std::string> DefaultApplication(const std::string& type) override;
  bool Launch(const std::string& application, const std::string& url) override;
};

}  // namespace vexon::library
