// The status bar's countdown over the whole signed 32-bit range of the tick
// count. The input's first four bytes (little-endian, missing ones zero) are
// the count.
//
// Checked, by reading the text back rather than building it again: it is
// "自動観戦まで　" M "分" S "秒" with M and S plain decimals (a minus sign for
// negative values, no leading zeros, no "-0"), M * 60 + S is 600 minus the
// count, S lies within -59..59 and has the sign of that difference (minutes
// truncated toward zero). And Timer2's event steps the count by one,
// wrapping from the largest count to the smallest, and shows the new count's
// text.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/form2.h"
#include "fakes.h"
#include "fuzz_check.h"
#include "game/countdown.h"

namespace horone::testing {
namespace {

using horone::fuzz::Escaped;

// The code page 932 bytes of the text's fixed parts.
constexpr std::string_view kPrefix = "\x8E\xA9\x93\xAE\x8A\xCF\x90\xED\x82\xDC\x82\xC5\x81\x40";  // 自動観戦まで　
constexpr std::string_view kMinutes = "\x95\xAA";  // 分
constexpr std::string_view kSeconds = "\x95\x62";  // 秒

// A plain decimal at the front of `s`, taken off it.
std::optional<std::int64_t> TakeDecimal(std::string_view& s) {
  size_t i = 0;
  const bool negative = !s.empty() && s[0] == '-';
  if (negative) ++i;
  const size_t digits = i;
  std::int64_t value = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - digits < 12) value = value * 10 + (s[i++] - '0');
  if (i == digits) return std::nullopt;
  if (s[digits] == '0' && (i - digits > 1 || negative)) return std::nullopt;  // leading zero, "-0"
  s.remove_prefix(i);
  return negative ? -value : value;
}

void CheckText(std::int32_t ticks, const std::string& text) {
  std::string_view s = text;
  CHECK(s.substr(0, kPrefix.size()) == kPrefix, Escaped(text));
  s.remove_prefix(kPrefix.size());
  const auto minutes = TakeDecimal(s);
  CHECK(minutes && s.substr(0, kMinutes.size()) == kMinutes, Escaped(text));
  s.remove_prefix(kMinutes.size());
  const auto seconds = TakeDecimal(s);
  CHECK(seconds && s == kSeconds, Escaped(text));
  const std::int64_t remaining = 600 - std::int64_t{ticks};
  CHECK(*minutes * 60 + *seconds == remaining, std::to_string(ticks) + ": " + Escaped(text));
  CHECK(*seconds > -60 && *seconds < 60, Escaped(text));
  CHECK(*seconds == 0 || (*seconds < 0) == (remaining < 0), Escaped(text));
  CHECK(*minutes == 0 || (*minutes < 0) == (remaining < 0), Escaped(text));
}

void Run(const std::uint8_t* data, size_t size) {
  std::uint32_t bits = 0;
  for (size_t i = 0; i < 4 && i < size; ++i) bits |= std::uint32_t{data[i]} << (8 * i);
  const auto ticks = static_cast<std::int32_t>(bits);
  CheckText(ticks, CountdownText(ticks));

  static Harness h;  // one form for every run: the event touches the count and panel 4 only
  static TForm2& f = h.Construct();
  CountdownTicks = ticks;
  f.Timer2.Fire();
  const std::int32_t next = ticks == INT32_MAX ? INT32_MIN : ticks + 1;
  CHECK(CountdownTicks == next, std::to_string(ticks) + " stepped to " + std::to_string(CountdownTicks));
  CHECK(f.StatusBar1.Panel(4).text == CountdownText(next));
  CheckText(next, f.StatusBar1.Panel(4).text);
}

}  // namespace
}  // namespace horone::testing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  horone::testing::Run(data, size);
  return 0;
}
