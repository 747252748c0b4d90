// The integer and flag rules of the settings file, on arbitrary texts,
// against a reference built on strtoll: optional blanks (space, tab), an
// optional sign, decimal digits or "$" / "0x" / "0X" and hexadecimal digits,
// nothing after them, a value within the signed 32-bit range.
//
// Checked: ParseInteger's decision and value; ParseFlag with either
// fallback; StrToInt's value or its error message; the decimal text of an
// accepted value reads back as the value; and the settings file's use of
// them: the text as FOW, FOH, the six switches and the daily log's
// "Enabled" gives the window that size (or the message and the layout's
// size) and the switches their values, and the close writes the size back.
#include <cerrno>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "app/form2.h"
#include "base/error.h"
#include "base/integer.h"
#include "fakes.h"
#include "fuzz_check.h"

namespace horone::testing {
namespace {

using horone::fuzz::Escaped;

std::optional<std::int32_t> Reference(std::string_view text) {
  if (text.find('\0') != std::string_view::npos) return std::nullopt;
  const auto start = text.find_first_not_of(" \t");
  if (start == std::string_view::npos) return std::nullopt;
  std::string rest(text.substr(start));
  bool negative = false;
  if (rest[0] == '+' || rest[0] == '-') {
    negative = rest[0] == '-';
    rest.erase(0, 1);
  }
  int base = 10;
  if (!rest.empty() && rest[0] == '$') {
    base = 16;
    rest.erase(0, 1);
  } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
    base = 16;
    rest.erase(0, 2);
  }
  // Digits only: strtoll alone would take blanks, a sign or a "0x" here too.
  if (rest.empty()) return std::nullopt;
  for (const char c : rest) {
    const int u = static_cast<unsigned char>(c);
    if (!(base == 16 ? std::isxdigit(u) : std::isdigit(u))) return std::nullopt;
  }
  errno = 0;
  char* end = nullptr;
  long long value = std::strtoll(rest.c_str(), &end, base);
  if (errno == ERANGE || end != rest.c_str() + rest.size()) return std::nullopt;
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

void Run(const std::uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::optional<std::int32_t> want = Reference(text);
  const std::optional<std::int32_t> got = ParseInteger(text);
  CHECK(got == want, Escaped(text) + ": got " + (got ? std::to_string(*got) : "rejected") + ", expected " +
                         (want ? std::to_string(*want) : "rejected"));
  CHECK(ParseFlag(text, true) == (want ? *want != 0 : true));
  CHECK(ParseFlag(text, false) == (want ? *want != 0 : false));
  const std::string message = "'" + text + "' は整数ではありません";
  try {
    const std::int32_t v = StrToInt(text);
    CHECK(want && v == *want, "StrToInt accepted " + Escaped(text));
  } catch (const UserError& e) {
    CHECK(!want, "StrToInt rejected " + Escaped(text));
    // what() is a C string: a NUL in the text ends the message there.
    CHECK(e.what() == message.substr(0, message.find('\0')), "message " + Escaped(e.what()));
  }
  if (want) CHECK(ParseInteger(std::to_string(*want)) == want);

  // The settings file. (Texts with a NUL cannot stand in it.)
  if (text.find('\0') != std::string::npos || size > 256) return;
  Harness h;
  const std::string ini = h.IniPath();
  for (const char* key : {"FOW", "FOH", "ASC", "AUS", "BBS", "BYM", "BTM", "BSE"}) h.settings.Set(ini, key, text);
  h.settings.SetIn(ini, "Log", "Enabled", text);
  TForm2& f = h.Start();
  const bool on = want ? *want != 0 : true;
  CHECK(f.AutoScrollLog == on && f.LogAllUsers == on && f.ShowPlaceColumn == on && f.ShowDateColumn == on &&
        f.ShowTimeColumn == on && f.ShowSettingsPanel == on);
  CHECK(f.LogToDailyFiles == (want ? *want != 0 : false));
  if (want) {
    CHECK(h.dialogs.shown.empty());
    CHECK(f.Width() == *want && f.Height() == *want, "size " + std::to_string(f.Width()) + "x" + std::to_string(f.Height()));
  } else {
    CHECK(h.dialogs.shown == std::vector<std::string>{message}, "no message for " + Escaped(text));
    CHECK(f.Width() == 937 && f.Height() == 409);
  }
  f.Close();
  CHECK(h.settings.writes.size() >= 2 && h.settings.writes[0] == "FOW=" + std::to_string(f.Width()) &&
        h.settings.writes[1] == "FOH=" + std::to_string(f.Height()));
}

}  // namespace
}  // namespace horone::testing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  horone::testing::Run(data, size);
  return 0;
}
