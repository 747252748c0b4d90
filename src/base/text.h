// Byte-text helpers. Core texts are code page 932 bytes; positions are
// 1-based byte positions and every search is a plain byte search, so a
// double-byte character counts as two bytes and its trail byte can match.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace horone {

// The piece of `s` of `count` bytes from byte `start` (1-based), clamped to
// the end. A start before 1 or after the end, or a negative count, gives "".
std::string Copy(std::string_view s, int start, int count);

// 1-based position of the first occurrence of `sub` in `s`, 0 if none.
int Pos(std::string_view sub, std::string_view s);

// Removes `count` bytes from byte `pos` (1-based), clamped to the end.
// Position 0, a position beyond the end or a count below 1 delete nothing.
void Delete(std::string& s, int pos, int count);

// Plain decimal, a hyphen-minus for negative values, no padding.
std::string IntToStr(std::int32_t value);

// Replaces the first "%s" (or "%d") in `pattern` by `arg`.
std::string Format1(std::string_view pattern, std::string_view arg);

}  // namespace horone
