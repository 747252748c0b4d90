// The game client's journal: one UTF-8 line per event, appended to a file
// and written through to the OS at once, so that a reader sees every line
// while the game is still running.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace gameclient {

class Journal {
 public:
  Journal() = default;
  ~Journal();
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  bool Open(const std::wstring& path);
  // line must not contain CR or LF; the terminator is added here.
  void Write(std::wstring_view line);

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

}  // namespace gameclient
