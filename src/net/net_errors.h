#pragma once

namespace vexon::net {

// Network failures carry the numeric codes the program has always shown for them,
// so status texts and stored results keep their meaning.
inline constexpr int kErrTimeout = 12002;
inline constexpr int kErrInvalidUrl = 12005;
inline constexpr int kErrNameNotResolved = 12007;
inline constexpr int kErrShutdown = 12012;
inline constexpr int kErrCannotConnect = 12029;
inline constexpr int kErrConnectionAborted = 12030;
inline constexpr int kErrInvalidServerResponse = 12152;
inline constexpr int kErrRedirectFailed = 12156;
inline constexpr int kErrSecureFailure = 12175;

}  // namespace vexon::net
