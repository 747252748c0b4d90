// The game client's windows, looked up afresh by every handler that needs
// them: no handle is kept between events.
#pragma once

#include "ports/ports.h"

namespace horone {

inline constexpr const char* kTableWindowClass = "KatuGameMjMain";
inline constexpr const char* kDialogClass = "#32770";

inline constexpr const char* kSpectateButtonTitle = "観戦(&F)";

inline WindowHandle FindTableWindow(GameDesktop& d) { return d.FindTopLevel(kTableWindowClass, std::nullopt); }
inline WindowHandle FindTableList(GameDesktop& d, WindowHandle lobby) {
  return d.FindChild(lobby, "ListBox", std::nullopt);
}
inline WindowHandle FindSpectateButton(GameDesktop& d, WindowHandle lobby) {
  return d.FindChild(lobby, "Button", kSpectateButtonTitle);
}
// The first top-level dialog with the spectate button: the lobby. Another
// program's dialog (or the failure dialog) in front of it is passed over,
// so that no list, field or button of some other window is driven.
inline WindowHandle FindLobby(GameDesktop& d) {
  for (const WindowHandle w : d.FindTopLevels(kDialogClass)) {
    if (FindSpectateButton(d, w)) return w;
  }
  return 0;
}
inline WindowHandle FindFailureDialog(GameDesktop& d) { return d.FindTopLevel(kDialogClass, "観戦失敗"); }
inline WindowHandle FindOkButton(GameDesktop& d, WindowHandle dialog) { return d.FindChild(dialog, "Button", "OK"); }
// The table window's first "Edit" child if the table window is open, else the lobby's.
inline WindowHandle FindChatInput(GameDesktop& d) {
  const WindowHandle table = FindTableWindow(d);
  return d.FindChild(table ? table : FindLobby(d), "Edit", std::nullopt);
}

}  // namespace horone
