// Path rules on UTF-8 paths (both separators accepted, since the same code
// runs natively in the tests).
#pragma once

#include <string>
#include <string_view>

namespace horone {

// Replaces the file name's extension (from its last dot) by `extension`;
// a dot in a folder name does not count; no dot appends it.
std::string ReplaceExtension(std::string_view path, std::string_view extension);

// The folder part of `path`, with its trailing separator ("" if none).
std::string FolderOf(std::string_view path);

}  // namespace horone
