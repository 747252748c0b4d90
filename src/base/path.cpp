#include "base/path.h"

namespace horone {

namespace {
size_t NameStart(std::string_view path) {
  const auto sep = path.find_last_of("\\/");
  return sep == std::string_view::npos ? 0 : sep + 1;
}
}  // namespace

std::string ReplaceExtension(std::string_view path, std::string_view extension) {
  const size_t name = NameStart(path);
  const auto dot = path.rfind('.');
  std::string out(path);
  if (dot != std::string_view::npos && dot >= name) out.erase(dot);
  out += extension;
  return out;
}

std::string FolderOf(std::string_view path) { return std::string(path.substr(0, NameStart(path))); }

}  // namespace horone
