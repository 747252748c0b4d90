// The one error type of the core. It carries the exact code page 932 text
// that the user sees; the Win32 dispatcher shows it in a message box and the
// event loop carries on, as the class library's default handler does.
#pragma once

#include <stdexcept>
#include <string>

namespace horone {

class UserError : public std::runtime_error {
 public:
  explicit UserError(const std::string& cp932Message) : std::runtime_error(cp932Message) {}
};

}  // namespace horone
