// HOROHK.DLL: a global WH_CALLWNDPROC hook that forwards chat log lines from
// the game client to ホロネ. See horohk.h.

#include "horohk.h"

#include <string>

#include "katu_chatlog_message.h"

namespace {

HINSTANCE g_module = nullptr;
// Only meaningful in the process that installed the hook.
HHOOK g_hook = nullptr;

constexpr wchar_t kHoroneClass[] = L"TForm2";
constexpr wchar_t kHoroneTitle[] = L"ホロネ v1.01";
constexpr wchar_t kHoroneEditClass[] = L"TEdit";

bool IsChatLogWindow(HWND hwnd) {
  wchar_t name[32];
  const int n = GetClassNameW(hwnd, name, static_cast<int>(std::size(name)));
  return n > 0 && lstrcmpW(name, katu::kChatLogClass) == 0;
}

// Runs in the game process, on its UI thread, before the chat log window
// sees the line.
void ForwardChatLine(const CWPSTRUCT& cwp) {
  if (cwp.lParam == 0 || cwp.wParam == 0 || cwp.wParam > katu::kChatLogMaxLine) return;
  if (!IsChatLogWindow(cwp.hwnd)) return;

  const std::wstring_view line(reinterpret_cast<const wchar_t*>(cwp.lParam), cwp.wParam);
  const size_t tab = line.find(L'\t');
  if (tab == std::wstring_view::npos) return;

  HWND horone = FindWindowW(kHoroneClass, kHoroneTitle);
  if (!horone) return;
  HWND edit = FindWindowExW(horone, nullptr, kHoroneEditClass, nullptr);
  if (!edit) return;

  std::wstring text;
  text.reserve(line.size() + 3);
  text += L"\r\n";
  text += line.substr(0, tab);
  text += L"\t>";
  text += line.substr(tab + 1);
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

LRESULT CALLBACK CallWndProc(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HC_ACTION) {
    const auto* cwp = reinterpret_cast<const CWPSTRUCT*>(lparam);
    // The one message of interest; everything else costs one compare.
    if (cwp->message == katu::kChatLogAddLine) ForwardChatLine(*cwp);
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

bool InstallMustFail() {
  wchar_t value[8];
  const DWORD n = GetEnvironmentVariableW(L"HOROHK_FAIL_INSTALL", value,
                                          static_cast<DWORD>(std::size(value)));
  return n == 1 && value[0] == L'1';
}

}  // namespace

extern "C" int WINAPI InstallHook_CallWndProc(int /*arg*/) {
  if (InstallMustFail()) return 0;
  if (g_hook) return 1;
  g_hook = SetWindowsHookExW(WH_CALLWNDPROC, CallWndProc, g_module, 0);
  return g_hook ? 1 : 0;
}

extern "C" int WINAPI UnInstallHook_CallWndProc(void) {
  if (!g_hook) return 0;
  const BOOL ok = UnhookWindowsHookEx(g_hook);
  g_hook = nullptr;
  return ok ? 1 : 0;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}
