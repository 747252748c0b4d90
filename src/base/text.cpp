#include "base/text.h"

namespace horone {

std::string Copy(std::string_view s, int start, int count) {
  const auto size = static_cast<std::int64_t>(s.size());
  if (start < 1 || start > size || count < 0) return {};
  const std::int64_t from = start - 1;
  const std::int64_t n = std::min<std::int64_t>(count, size - from);
  return std::string(s.substr(static_cast<size_t>(from), static_cast<size_t>(n)));
}

int Pos(std::string_view sub, std::string_view s) {
  if (sub.empty()) return 0;
  const auto at = s.find(sub);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

void Delete(std::string& s, int pos, int count) {
  const auto size = static_cast<std::int64_t>(s.size());
  if (pos < 1 || pos > size || count < 1) return;
  const std::int64_t from = pos - 1;
  const std::int64_t n = std::min<std::int64_t>(count, size - from);
  s.erase(static_cast<size_t>(from), static_cast<size_t>(n));
}

std::string IntToStr(std::int32_t value) { return std::to_string(value); }

std::string Format1(std::string_view pattern, std::string_view arg) {
  std::string out(pattern);
  auto at = out.find("%s");
  if (at == std::string::npos) at = out.find("%d");
  if (at != std::string::npos) out.replace(at, 2, arg);
  return out;
}

}  // namespace horone
