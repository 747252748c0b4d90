// The private message the game client uses to add one line to a chat log
// window (window class "KatuChatLog").
//
// The game's UI thread sends it with SendMessageW to its own chat log windows
// only; it is never posted and never crosses a process:
//   wParam  number of UTF-16 units in the line, not counting the terminator
//   lParam  const wchar_t*, the line "USER\tCONTENT", NUL-terminated
//   result  1 when the line was stored, 0 otherwise
// The pointer is only meaningful inside the game process, which is where a
// WH_CALLWNDPROC hook sees the message.
#pragma once

#include <windows.h>

namespace katu {

inline constexpr UINT kChatLogAddLine = WM_APP + 0x301;
inline constexpr wchar_t kChatLogClass[] = L"KatuChatLog";
// Longest line the chat log accepts, in UTF-16 units.
inline constexpr WPARAM kChatLogMaxLine = 4096;

}  // namespace katu
