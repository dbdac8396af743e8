#include "update/update_texts.h"

#include "update/update_agent.h"

namespace vexon::update {

const char* UpdateResultText(int code) {
  switch (code) {
    case kUpdateInstalled: return kUpdateDoneText;
    case kUpdateNotNewer: return kAlreadyNewestText;
    case kUpdateNoConnection:
    case kUpdateOpenFailed: return kNetworkErrorText;
    default: return kUpdateUnfinishedText;
  }
}

}  // namespace vexon::update
