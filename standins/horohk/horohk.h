// HOROHK.DLL: forwards the game client's chat log lines to ホロネ.
//
// InstallHook_CallWndProc(0) sets a global WH_CALLWNDPROC hook; the system
// loads this DLL into the game client, where the hook copies every line
// added to a "KatuChatLog" window into ホロネ's chat edit (class "TEdit"
// inside the top-level "TForm2" window titled "ホロネ v1.01") by
// WM_SETTEXT with the text CR LF USER TAB '>' CONTENT.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// arg is always 0. Returns non-zero when the hook is in place (also when it
// already was), 0 on failure. With HOROHK_FAIL_INSTALL=1 in the calling
// process it fails without hooking.
int WINAPI InstallHook_CallWndProc(int arg);

// Removes the hook. Returns non-zero on success, 0 when no hook was set or
// removing it failed.
int WINAPI UnInstallHook_CallWndProc(void);

#ifdef __cplusplus
}
#endif
