#pragma once

#include "download/download_as_form.h"

namespace vexon::download {

// The dialog itself, shown modally by the front end; true when closed with OK.
class DownloadAsDialog {
 public:
  virtual ~DownloadAsDialog() = default;
  virtual bool Show(DownloadAsForm& form) = 0;
};

}  // namespace vexon::download
