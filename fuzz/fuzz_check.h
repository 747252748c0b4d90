// What the fuzz targets share: a check that stops the run with the failed
// condition (libFuzzer then saves the input as a crash), and a printable form
// of byte texts for its message.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace horone::fuzz {

// Printable ASCII as it is, every other byte as \xNN.
inline std::string Escaped(std::string_view bytes, size_t limit = 200) {
  std::string out;
  for (size_t i = 0; i < bytes.size() && i < limit; ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b >= 0x20 && b < 0x7F && b != '\\') {
      out += static_cast<char>(b);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", b);
      out += buf;
    }
  }
  if (bytes.size() > limit) out += "... (" + std::to_string(bytes.size()) + " bytes)";
  return out;
}

[[noreturn]] inline void Failed(const char* file, int line, const char* condition, const std::string& detail) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
  if (!detail.empty()) std::fprintf(stderr, "  %s\n", detail.c_str());
  std::abort();
}

}  // namespace horone::fuzz

// CHECK(condition) or CHECK(condition, detail): `detail` is built only when
// the condition fails.
#define CHECK(condition, ...)                                                              \
  do {                                                                                     \
    if (!(condition)) ::horone::fuzz::Failed(__FILE__, __LINE__, #condition, std::string(__VA_ARGS__)); \
  } while (0)
