#include "base/line_file.h"

namespace horone {

std::vector<std::string> SplitLines(std::string_view bytes) {
  const auto nul = bytes.find('\0');
  if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  std::vector<std::string> lines;
  size_t start = 0;
  size_t i = 0;
  while (i < bytes.size()) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(bytes.substr(start, i - start));
      i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
  return lines;
}

std::string JoinLines(const std::vector<std::string>& entries) {
  size_t total = 0;
  for (const auto& e : entries) total += e.size() + 2;
  std::string out;
  out.reserve(total);
  for (const auto& e : entries) {
    out += e;
    out += "\r\n";
  }
  return out;
}

}  // namespace horone
