#include "base/integer.h"

#include "base/error.h"
#include "base/text.h"

namespace horone {

namespace {
int DigitValue(char c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9') v = c - '0';
  else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
  return v < base ? v : -1;
}
}  // namespace

std::optional<std::int32_t> ParseInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return std::nullopt;
  // Magnitude up to 2^31 so that the most negative value fits.
  constexpr std::int64_t kLimit = std::int64_t{1} << 31;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    const int d = DigitValue(text[i], base);
    if (d < 0) return std::nullopt;
    value = value * base + d;
    if (value > kLimit) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

bool ParseFlag(std::string_view text, bool fallback) {
  const auto v = ParseInteger(text);
  return v ? *v != 0 : fallback;
}

std::int32_t StrToInt(std::string_view text) {
  const auto v = ParseInteger(text);
  if (!v) throw UserError(Format1("'%s' は整数ではありません", text));
  return *v;
}

}  // namespace horone
