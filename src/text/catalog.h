#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vexon::text {

// One language's translations, read from a GNU gettext message catalog (.mo, built
// by msgfmt from the .po files in po/). Source texts without a translation, and
// every text of an empty catalog, stand for themselves.
class Catalog final {
 public:
  Catalog() = default;

  // False, with why in `error`, when the file cannot be read or is no message
  // catalog; the catalog is then empty.
  bool Load(const std::string& path, std::string& error);
  // The same from the file's bytes.
  bool Read(std::string_view bytes, std::string& error);

  std::string_view Translate(std::string_view source) const;
  bool Has(std::string_view source) const { return texts_.count(std::string(source)) > 0; }
  size_t size() const { return texts_.size(); }

 private:
  std::unordered_map<std::string, std::string> texts_;
};

}  // namespace vexon::text
