// The hook library HOROHK.DLL. ホロネ imports both functions by name at load
// time. From a successful install until the uninstall, the library delivers
// every chat line of the game by replacing the whole text of Edit1 (the only
// "TEdit" child of the "TForm2" window) with "\r\n" user "\t>" content.
#pragma once

#ifdef _WIN32
#include <windows.h>

extern "C" {
// Non-zero: installed; zero: failed. The argument is always 0.
__declspec(dllimport) int WINAPI InstallHook_CallWndProc(int argument);
// The result is not used.
__declspec(dllimport) int WINAPI UnInstallHook_CallWndProc(void);
}
#endif
