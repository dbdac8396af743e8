#pragma once

namespace vexon::net {

// Why a request got no usable answer. The values are the codes the program has
// always shown for these failures, so status texts and stored results keep their
// meaning; Code() gives the number a text shows.
enum class NetError : int {
  kNone = 0,
  kTimeout = 12002,
  kInvalidUrl = 12005,
  kNameNotResolved = 12007,
  kShutdown = 12012,
  kCannotConnect = 12029,
  kConnectionAborted = 12030,
  kInvalidServerResponse = 12152,
  kRedirectFailed = 12156,
  kSecureFailure = 12175,
};

constexpr int Code(NetError error) {
  return static_cast<int>(error);
}

}  // namespace vexon::net
