#pragma once
// A file's whole text replaced so that a write that fails (disk full, no
// permission, a size limit) leaves the old file as it was: the text goes
// to a new file beside it, is flushed to the disk, and is renamed over.

#include <filesystem>
#include <string>
#include <string_view>

namespace lumivex {

// Empty when the file now holds the text; otherwise why not, in the
// system's words ("No space left on device"). A path that names anything
// but a regular file (a folder, /dev/full) is refused and left alone.
std::string replaceFileText(const std::filesystem::path& path, std::string_view text);

}  // namespace lumivex
