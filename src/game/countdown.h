#pragma once

#include <cstdint>
#include <string>

namespace horone {

// Timer2 events handled since start or since the last spectate that ended
// its scan.
extern std::int32_t CountdownTicks;

// "自動観戦まで　" minutes "分" seconds "秒" for the count after the tick.
std::string CountdownText(std::int32_t ticks);

}  // namespace horone
