#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

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

// The catalog every part of a front end shows its texts through, passed down from
// where the language is chosen. It never changes once made, so any thread may read
// it. An empty one gives the source texts.
class Translator final {
 public:
  Translator() = default;
  explicit Translator(Catalog catalog) : catalog_(std::make_shared<const Catalog>(std::move(catalog))) {}

  std::string_view operator()(std::string_view source) const { return catalog_ ? catalog_->Translate(source) : source; }
  // The translation with "%1" and "%2" filled in.
  std::string Fill(std::string_view source, std::string_view first, std::string_view second = {}) const;
  std::string Fill(std::string_view source, std::span<const std::string_view> values) const;

 private:
  std::shared_ptr<const Catalog> catalog_;
};

// Fills "%1" and "%2" of a text; a mark of a value not given stays as it is.
std::string FillText(std::string_view text, std::string_view first, std::string_view second = {});
// The same for "%1" to "%9".
std::string FillText(std::string_view text, std::span<const std::string_view> values);

}  // namespace vexon::text
