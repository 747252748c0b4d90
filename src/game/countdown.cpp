#include "game/countdown.h"

#include "app/form2.h"
#include "base/text.h"

namespace horone {

std::int32_t CountdownTicks = 0;

std::string CountdownText(std::int32_t ticks) {
  // In 64 bits, so that counts near the ends of the 32-bit range neither
  // overflow nor wrap.
  const std::int64_t remaining = 600 - std::int64_t{ticks};
  const std::int64_t minutes = remaining / 60;  // truncates toward zero
  const std::int64_t seconds = remaining % 60;  // sign of remaining
  return "自動観戦まで　" + std::to_string(minutes) + "分" + std::to_string(seconds) + "秒";
}

void TForm2::Timer2Timer() {
  // The count is a signed 32-bit integer that wraps like the platform's.
  CountdownTicks = static_cast<std::int32_t>(static_cast<std::uint32_t>(CountdownTicks) + 1u);
  StatusBar1.SetPanelText(4, CountdownText(CountdownTicks));
}

}  // namespace horone
