#include "net/status_text.h"

namespace vexon::net {

std::string StatusText(int status) {
  switch (status) {
    case 200: return "ok";
    case 301: return "redirected to a new URL";
    case 302: return "resides under a different URL";
    case 400: return "Unintelligble request";
    case 401: return "auth required";
    case 402: return "payment required";
    case 403: return "forbidden";
    case 404: return "not found";
    case 405: return "requested method not supported";
    case 500: return "Unknown server error";
    case 501: return "Not implemented on Server";
    case 502: return "Server temporarily overloaded,busy";
    case 503: return "Server capacity reached, busy";
    case Code(NetError::kTimeout): return "Connection timed out";
    case Code(NetError::kInvalidUrl): return "URL is invalid";
    case Code(NetError::kNameNotResolved):
    case Code(NetError::kCannotConnect): return "Could not resolve host name. Check it, and try again";
    case Code(NetError::kShutdown): return "Win32 internet functions have been shut down";
    case Code(NetError::kConnectionAborted): return "Connection was aborted prematurely";
    default: return "no connection";
  }
}

}  // namespace vexon::net
