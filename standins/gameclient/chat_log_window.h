// The chat log view of the game client (window class "KatuChatLog"): a
// read-only list of "USER\tCONTENT" lines, newest at the bottom. Lines are
// added with katu::kChatLogAddLine (katu_chatlog_message.h).
#pragma once

#include <windows.h>

namespace gameclient {

bool RegisterChatLogClass(HINSTANCE instance);
HWND CreateChatLog(HWND parent, int id, HINSTANCE instance);

}  // namespace gameclient
