#include "storage/profile.h"

#include <string_view>
#include <unordered_set>

#include "core/atomic_file.h"
#include "text/strings.h"

namespace vexon::storage {

namespace {
size_t HashOf(std::string_view bytes) {
  return std::hash<std::string_view>{}(bytes);
}
}  // namespace

Profile::Profile(std::filesystem::path file) : path_(std::move(file)) {}

Profile::Snapshot Profile::Load() const {
  core::FileBytes file = core::ReadWholeFile(path_, kMaxFileBytes);
  Snapshot snapshot;
  snapshot.readable = file.status == core::ReadStatus::kOk || file.status == core::ReadStatus::kMissing;
  snapshot.size = file.bytes.size();
  snapshot.hash = HashOf(file.bytes);
  if (file.status != core::ReadStatus::kOk) {
    snapshot.document = std::make_shared<const IniDocument>();
    return snapshot;
  }
  {
    std::lock_guard<std::mutex> guard(cacheMutex_);
    if (cachedDocument_ && cachedSize_ == snapshot.size && cachedHash_ == snapshot.hash) {
      snapshot.document = cachedDocument_;
      return snapshot;
    }
  }
  auto document = std::make_shared<IniDocument>(IniDocument::Parse(file.bytes));
  std::lock_guard<std::mutex> guard(cacheMutex_);
  cachedSize_ = snapshot.size;
  cachedHash_ = snapshot.hash;
  cachedDocument_ = document;
  snapshot.document = std::move(document);
  return snapshot;
}

std::shared_ptr<IniDocument> Profile::TakeForEdit(Snapshot& snapshot) {
  std::lock_guard<std::mutex> guard(cacheMutex_);
  if (cachedDocument_ && snapshot.document == cachedDocument_) {
    snapshot.document.reset();
    // No one else can take a new reference without this lock, so a count of one
    // stays one.
    if (cachedDocument_.use_count() == 1) return std::move(cachedDocument_);
    return std::make_shared<IniDocument>(*cachedDocument_);
  }
  return std::make_shared<IniDocument>(*snapshot.document);
}

std::shared_ptr<const IniDocument> Profile::Read() const {
  return Load().document;
}

uint32_t Profile::GetInt(std::string_view section, std::string_view key, uint32_t defaultValue) const {
  return Read()->GetInt(section, key, defaultValue);
}

std::string Profile::GetString(std::string_view section, std::string_view key, std::string_view defaultValue,
                               size_t bufferSize) const {
  return Read()->GetString(section, key, defaultValue, bufferSize);
}

std::vector<std::string> Profile::SectionNames(size_t bufferSize) const {
  return Read()->SectionNames(bufferSize);
}

bool Profile::Update(const std::function<bool(IniDocument&)>& edit) {
  core::FileLock lock(path_);
  if (lock.locked()) {
    std::lock_guard<std::mutex> guard(leftoversMutex_);
    if (!leftoversRemoved_) core::RemoveLeftoverTempFiles(path_);
    leftoversRemoved_ = true;
  }
  Snapshot snapshot = Load();
  if (!snapshot.readable) return false;
  // A failed edit or write may leave the document half changed: it is dropped, and
  // the file is parsed again when next read.
  std::shared_ptr<IniDocument> document = TakeForEdit(snapshot);
  if (!edit(*document)) return false;
  const std::string bytes = document->Serialize();
  const size_t hash = HashOf(bytes);
  if ((bytes.size() != snapshot.size || hash != snapshot.hash) && !core::ReplaceFileAtomically(path_, bytes)) {
    return false;
  }
  std::lock_guard<std::mutex> guard(cacheMutex_);
  cachedSize_ = bytes.size();
  cachedHash_ = hash;
  cachedDocument_ = std::move(document);
  return true;
}

bool Profile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  return Update([&](IniDocument& document) { return document.SetString(section, key, value); });
}

bool Profile::WriteStrings(std::string_view section, const Entries& entries) {
  // Checked first, so a bad entry late in the list leaves the document as it was.
  if (!IniDocument::IsWritableSectionName(section)) return false;
  for (const auto& [key, value] : entries) {
    if (!IniDocument::IsWritableKeyName(key) || !IniDocument::IsWritableValue(value)) return false;
  }
  return Update([&](IniDocument& document) {
    for (const auto& [key, value] : entries) {
      if (!document.SetString(section, key, value)) return false;
    }
    return true;
  });
}

bool Profile::RemoveSection(std::string_view section) {
  return Update([&](IniDocument& document) {
    document.RemoveSection(section);
    return true;
  });
}

bool Profile::Apply(const SectionEdits& edits) {
  if (edits.empty()) return true;
  return Update([&](IniDocument& document) {
    std::unordered_set<std::string> removed;
    for (const SectionEdit& edit : edits) {
      if (edit.removeFirst) removed.insert(text::AsciiLower(text::Trim(edit.section)));
    }
    document.RemoveSections(removed);
    for (const SectionEdit& edit : edits) {
      if (edit.compose) {
        for (const auto& [key, value] : edit.compose(document)) {
          if (!document.SetString(edit.section, key, value)) return false;
        }
      }
      for (const auto& [key, value] : edit.entries.Pairs()) {
        if (!document.SetString(edit.section, key, value)) return false;
      }
    }
    return true;
  });
}

}  // namespace vexon::storage
