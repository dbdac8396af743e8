#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace vexon::download {

// The steps of a transfer the state column names, the body's start among them.
// kWaitingToRetry: a busy server asked to come back; the detail is the seconds.
enum class TransferStep : uint8_t {
  kResolving,
  kResolved,
  kConnecting,
  kConnected,
  kRedirecting,
  kDownloading,
  kWaitingToRetry
};

// Why a download stopped by itself. Each has its text and shows its code.
enum class TransferFailure : uint8_t {
  kNone,
  kOpen,         // the partial file could not be opened: a system error
  kConnect,      // no answer at all: a network code
  kNoResponse,   // an answer that is no valid HTTP answer: a network code
  kBadStatus,    // an HTTP status other than the ones asked for
  kTransfer,     // the body could not be fetched or written: a network code or a system error
  kRecord,       // the settings file could not take the download's record
  kRename,       // the complete partial file could not take its final name: a system error
  kDigest,       // the bytes do not hash to what the server recorded: 1 MD5, 2 SHA1
  kCannotStart,  // no transfer could be queued
};

struct TransferFault {
  TransferFailure kind = TransferFailure::kNone;
  int code = 0;
  bool operator==(const TransferFault&) const = default;
};

// Where a transfer stands, as numbers; rows make their texts of it.
struct TransferProgress {
  uint64_t received = 0;             // what the partial file holds
  std::optional<uint64_t> total;     // the whole file, when the answer gave its length
  std::optional<double> bytesPerMs;  // over the latest second; none before one has passed
  std::optional<uint64_t> secondsLeft;
};

// One report of a transfer, in the order things happen.
struct TransferReport {
  enum class Kind : uint8_t { kStep, kProgress, kFailed };
  Kind kind = Kind::kStep;
  TransferStep step = TransferStep::kResolving;
  std::string detail;  // the host or URL a step names
  TransferProgress progress;
  TransferFault fault;

  static TransferReport Step(TransferStep step, std::string detail = {}) {
    TransferReport r;
    r.step = step;
    r.detail = std::move(detail);
    return r;
  }
  static TransferReport Progress(const TransferProgress& progress) {
    TransferReport r;
    r.kind = Kind::kProgress;
    r.progress = progress;
    return r;
  }
  static TransferReport Failed(TransferFailure kind, int code = 0) {
    TransferReport r;
    r.kind = Kind::kFailed;
    r.fault = {kind, code};
    return r;
  }
};

}  // namespace vexon::download
