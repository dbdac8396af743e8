#include "download/file_digest.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "text/strings.h"

namespace vexon::download {
namespace {

size_t HexLength(ExpectedDigest::Kind kind) {
  return kind == ExpectedDigest::Kind::kMd5 ? 32 : 40;
}

const EVP_MD* Algorithm(ExpectedDigest::Kind kind) {
  return kind == ExpectedDigest::Kind::kMd5 ? EVP_md5() : EVP_sha1();
}

}  // namespace

std::optional<ExpectedDigest> ExpectedDigest::Of(Kind kind, std::string_view hex) {
  if (hex.size() != HexLength(kind) || !text::IsHexDigits(hex)) return std::nullopt;
  return ExpectedDigest{kind, text::AsciiLower(hex)};
}

std::optional<ExpectedDigest> ExpectedDigest::Read(std::string_view text) {
  if (text::StartsWith(text, "sha1=")) return Of(Kind::kSha1, text.substr(5));
  if (text::StartsWith(text, "md5=")) return Of(Kind::kMd5, text.substr(4));
  return std::nullopt;
}

std::string ExpectedDigest::Text() const {
  return (kind == Kind::kMd5 ? "md5=" : "sha1=") + hex;
}

struct FileDigest::Context {
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  ~Context() { EVP_MD_CTX_free(ctx); }
};

FileDigest::FileDigest(ExpectedDigest::Kind kind) : context_(std::make_unique<Context>()), kind_(kind) {
  Restart();
}

FileDigest::~FileDigest() = default;

void FileDigest::Restart() {
  ok_ = context_->ctx != nullptr && EVP_DigestInit_ex(context_->ctx, Algorithm(kind_), nullptr) == 1;
}

void FileDigest::Update(const char* data, size_t size) {
  if (ok_ && size > 0) ok_ = EVP_DigestUpdate(context_->ctx, data, size) == 1;
}

bool FileDigest::UpdateFromFile(const std::string& path, uint64_t length, int& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return false;
  }
  std::vector<char> buffer(1 << 20);
  uint64_t left = length;
  bool read = true;
  while (left > 0) {
    const ssize_t got = ::read(fd, buffer.data(), static_cast<size_t>(std::min<uint64_t>(left, buffer.size())));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      // A file shorter than it was said to be cannot give the digest of its bytes.
      error = got < 0 ? errno : EIO;
      read = false;
      break;
    }
    Update(buffer.data(), static_cast<size_t>(got));
    left -= static_cast<uint64_t>(got);
  }
  ::close(fd);
  return read;
}

std::string FileDigest::FinishHex() {
  unsigned char value[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (!ok_ || EVP_DigestFinal_ex(context_->ctx, value, &size) != 1) return {};
  ok_ = false;
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < size; ++i) {
    hex += kDigits[value[i] >> 4];
    hex += kDigits[value[i] & 15];
  }
  return hex;
}

}  // namespace vexon::download
