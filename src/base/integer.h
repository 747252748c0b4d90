// The integer rule of the settings file and of the platform's string-to-int
// conversion: optional leading blanks, an optional sign, then decimal digits
// or a hexadecimal number with a "$" or "0x" prefix; nothing may follow, and
// the value must fit a signed 32-bit integer.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace horone {

std::optional<std::int32_t> ParseInteger(std::string_view text);

// Flag rule: zero is off, any other integer on; anything else is `fallback`.
bool ParseFlag(std::string_view text, bool fallback);

// The conversion that fails with "'%s' は整数ではありません".
std::int32_t StrToInt(std::string_view text);

}  // namespace horone
