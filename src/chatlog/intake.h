// Counters of the chat-line intake, process-wide.
#pragma once

#include <cstdint>

namespace horone {

// Non-empty changes of Edit1 begun / finished (processed or dropped).
extern std::int32_t IntakeEntries;
extern std::int32_t IntakeExits;
// Lines logged so far; also the row of the newest logged line.
extern std::int32_t LoggedRows;

}  // namespace horone
