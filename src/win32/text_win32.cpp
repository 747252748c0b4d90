#include "win32/text_win32.h"

#include <windows.h>

#include <climits>

namespace horone::win32 {

namespace {
constexpr UINT kCp932 = 932;

std::wstring ToWide(UINT codePage, std::string_view s) {
  if (s.empty() || s.size() > INT_MAX) return {};
  const int n = MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
  return out;
}

std::string FromWide(UINT codePage, std::wstring_view s) {
  if (s.empty() || s.size() > INT_MAX) return {};
  const int n = WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
  return out;
}
}  // namespace

std::wstring Widen(std::string_view cp932) { return ToWide(kCp932, cp932); }
std::string Narrow(std::wstring_view text) { return FromWide(kCp932, text); }
std::wstring FromUtf8(std::string_view utf8) { return ToWide(CP_UTF8, utf8); }
std::string ToUtf8(std::wstring_view text) { return FromWide(CP_UTF8, text); }

}  // namespace horone::win32
