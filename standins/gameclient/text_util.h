// Small text helpers of the game client: UTF-8 <-> UTF-16, journal escaping,
// splitting and number parsing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gameclient {

// Strict conversion: nullopt on malformed UTF-8.
std::optional<std::wstring> Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

// Journal fields are single lines: '\' becomes "\\", CR "\r", LF "\n".
std::wstring EscapeForJournal(std::wstring_view text);

// Splits on every occurrence of sep; "a||b" gives three fields, "" gives one
// empty field.
std::vector<std::wstring> Split(std::wstring_view text, wchar_t sep);

// Decimal digits only, no sign, at most max.
std::optional<uint32_t> ParseUint(std::wstring_view text, uint32_t max);

}  // namespace gameclient
