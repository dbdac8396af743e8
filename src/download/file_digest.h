#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vexon::download {

// What a download's bytes must hash to, written as the lists write it: "sha1=HEX"
// or "md5=HEX" (HEX in lower case). Empty: not verified.
struct ExpectedDigest {
  enum class Kind : uint8_t { kMd5, kSha1 };
  Kind kind = Kind::kSha1;
  std::string hex;

  // Unset for anything but "sha1=" or "md5=" and that many hex digits (either case).
  static std::optional<ExpectedDigest> Read(std::string_view text);
  // Unset when `hex` is not a digest of `kind`.
  static std::optional<ExpectedDigest> Of(Kind kind, std::string_view hex);
  std::string Text() const;
  const char* Name() const { return kind == Kind::kMd5 ? "MD5" : "SHA1"; }
};

// The running digest of a download's bytes (OpenSSL's EVP interface), fed as they
// are written; a resumed download first feeds what its partial file holds.
class FileDigest final {
 public:
  explicit FileDigest(ExpectedDigest::Kind kind);
  ~FileDigest();
  FileDigest(const FileDigest&) = delete;
  FileDigest& operator=(const FileDigest&) = delete;

  // False when the library could not start the digest.
  bool ok() const { return ok_; }
  void Restart();
  void Update(const char* data, size_t size);
  // Feeds the first `length` bytes of the file at `path`; false with errno in
  // `error` when they cannot be read.
  bool UpdateFromFile(const std::string& path, uint64_t length, int& error);
  // The digest of everything fed, in lower-case hex; the digest cannot be fed after.
  std::string FinishHex();

 private:
  struct Context;
  std::unique_ptr<Context> context_;
  ExpectedDigest::Kind kind_;
  bool ok_ = false;
};

}  // namespace vexon::download
