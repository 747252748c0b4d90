// Line files ("userlist.txt", "msglist.txt"): code page 932 text, no BOM,
// every entry followed by CR LF. Reading cuts at CR LF, lone CR and lone LF,
// keeps a last line without a line end, adds no entry for a final line end,
// keeps empty lines and stops at a NUL byte.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace horone {

std::vector<std::string> SplitLines(std::string_view bytes);
std::string JoinLines(const std::vector<std::string>& entries);

}  // namespace horone
