#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace vexon::download {

// A file name holds at most 255 bytes; a target keeps room for ".grb", so its
// partial file can always be created beside it.
inline constexpr size_t kMaxFileNameBytes = 255;
inline constexpr size_t kMaxTargetNameBytes = kMaxFileNameBytes - 4;

// The text after the last "/" of a URL or path (all of it when there is none).
std::string_view AfterLastSlash(std::string_view text);

// A file name split at its last ".": the stem, and the extension with its "."
// (empty when the name has no ".").
std::pair<std::string, std::string> SplitExtension(std::string_view fileName);

// One safe path component from a name and an extension: invalid UTF-8 becomes
// U+FFFD, "/" and control characters become "_", blanks at both ends go, "", "."
// and ".." become "_", and the whole is cut on a character boundary to
// kMaxTargetNameBytes, the extension kept. Names that need none of this come out
// as name + extension.
std::string SafeFileName(std::string_view name, std::string_view extension);

// folder + name, with a "/" between them when a non-empty folder lacks one.
std::string JoinFolder(std::string_view folder, std::string_view name);

// "folder/stem(n).ext" for "folder/stem.ext"; the stem is cut further when the
// number would make the name too long.
std::string NumberedName(std::string_view fullName, unsigned n);

// Unicode characters of a UTF-8 text (an invalid byte counts as one).
size_t CharacterCount(std::string_view utf8);

}  // namespace vexon::download
