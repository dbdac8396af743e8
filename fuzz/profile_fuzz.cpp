// Feeds arbitrary bytes to the settings-file reader as a hand-edited or damaged
// file would, and checks the rules that must hold whatever the bytes are.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "storage/ini_document.h"
#include "storage/settings_store.h"
#include "text/strings.h"

using vexon::storage::IniDocument;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

std::string_view Unquoted(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // The input's first line, split at TABs, names a section, key and value to write;
  // the rest is the file.
  const size_t newline = input.find('\n');
  const std::string_view command = newline == std::string_view::npos ? std::string_view() : input.substr(0, newline);
  const std::string_view file = newline == std::string_view::npos ? input : input.substr(newline + 1);
  const std::vector<std::string> parts = vexon::text::Split(command, "\t");
  const std::string section = parts.size() > 0 ? parts[0] : "S";
  const std::string key = parts.size() > 1 ? parts[1] : "K";
  const std::string value = parts.size() > 2 ? parts[2] : "V";

  IniDocument doc = IniDocument::Parse(file);
  const std::vector<std::string> names = doc.SectionNames(vexon::storage::kSectionNamesBufferSize);
  for (size_t i = 0; i < names.size() && i < 64; ++i) {
    const std::string url = doc.GetString(names[i], "URL", "", vexon::storage::kRecordBufferSize);
    Check(url.size() < vexon::storage::kRecordBufferSize * 2);
    doc.GetInt(names[i], "Size", 0);
  }
  for (size_t buffer : {size_t{0}, size_t{1}, size_t{2}, size_t{5}, size_t{256}}) {
    const std::string cut = doc.GetString(section, key, value, buffer);
    Check(buffer == 0 ? cut.empty() : cut.size() <= 2 * buffer);
  }

  // Writing back what was read changes nothing that reads.
  const std::string once = doc.Serialize();
  const IniDocument again = IniDocument::Parse(once);
  Check(again.Serialize() == once);
  Check(again.SectionNames(vexon::storage::kSectionNamesBufferSize) == names);
  Check(again.lineCount() == doc.lineCount());

  // A write either is refused and changes nothing, or reads back.
  IniDocument edited = IniDocument::Parse(file);
  if (edited.SetString(section, key, value)) {
    const IniDocument reread = IniDocument::Parse(edited.Serialize());
    Check(reread.GetString(section, key, "\x01", size_t{1} << 20) == Unquoted(vexon::text::Trim(value)));
    Check(reread.lineCount() >= doc.lineCount());
  } else {
    Check(edited.Serialize() == once);
  }
  edited.RemoveSection(section);
  Check(!IniDocument::Parse(edited.Serialize()).HasSection(section));
  return 0;
}
