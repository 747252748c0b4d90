// The one place where texts cross between the core's code page 932 bytes
// (and UTF-8 paths) and Windows' UTF-16. Conversions are explicit, never
// through the system's ANSI code page, so the program shows Japanese right
// whatever that code page is. Invalid bytes and a lead byte cut off at the
// end become replacement characters; nothing is read past the input.
#pragma once

#include <string>
#include <string_view>

namespace horone::win32 {

std::wstring Widen(std::string_view cp932);
std::string Narrow(std::wstring_view text);
std::wstring FromUtf8(std::string_view utf8);
std::string ToUtf8(std::wstring_view text);

}  // namespace horone::win32
