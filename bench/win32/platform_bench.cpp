// What the platform charges for the calls the Win32 layer makes, measured
// in one process with standard controls:
//  - one message sent to a window of the own thread: to a plain window, to
//    one subclassed with the common controls' SetWindowSubclass, and either
//    with the hook library's global WH_CALLWNDPROC hook installed (as it is
//    in ホロネ from creation on);
//  - filling a list box with 10 000 names, in the same four settings;
//  - the grid's auto-scroll step on an owner-data list view of 1 000 to
//    1 000 000 items: deselecting every item (item -1) then selecting and
//    showing the last one, beside deselecting only the item selected before.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <initializer_list>
#include <string>

namespace {

void Print(const char* name, double value, const char* unit, int decimals = 0) {
  std::printf("%s: %.*f %s\n", name, decimals, value, unit);
  std::fflush(stdout);
}

double NowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

LRESULT CALLBACK PassOn(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  return DefSubclassProc(h, msg, wp, lp);
}

LRESULT CALLBACK ParentProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NOTIFY) {
    auto* info = reinterpret_cast<NMLVDISPINFOW*>(lp);
    if (info->hdr.code == LVN_GETDISPINFOW && (info->item.mask & LVIF_TEXT) && info->item.cchTextMax > 1) {
      info->item.pszText[0] = L'x';
      info->item.pszText[1] = L'\0';
    }
    return 0;
  }
  return DefWindowProcW(h, msg, wp, lp);
}

using InstallHook = int(WINAPI*)(int);
using UninstallHook = int(WINAPI*)();

struct Hook {
  HMODULE dll = nullptr;
  InstallHook install = nullptr;
  UninstallHook uninstall = nullptr;
  Hook() {
    dll = LoadLibraryW(L"HOROHK.DLL");
    if (!dll) return;
    install = reinterpret_cast<InstallHook>(reinterpret_cast<void*>(GetProcAddress(dll, "InstallHook_CallWndProc")));
    uninstall =
        reinterpret_cast<UninstallHook>(reinterpret_cast<void*>(GetProcAddress(dll, "UnInstallHook_CallWndProc")));
  }
};

void MessagesAndListBox(HWND parent, Hook& hook) {
  for (int hooked = 0; hooked < 2; ++hooked) {
    if (hooked) {
      if (!hook.install || hook.install(0) == 0) {
        std::fprintf(stderr, "platform_bench: the hook library could not be installed\n");
        return;
      }
    }
    for (int subclassed = 0; subclassed < 2; ++subclassed) {
      const std::string tag = std::string(subclassed ? "subclassed" : "plain") + (hooked ? "_hooked" : "");
      HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTBOXW, L"",
                                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS,
                                  0, 0, 200, 300, parent, nullptr, nullptr, nullptr);
      if (subclassed) SetWindowSubclass(list, PassOn, 1, 0);
      constexpr int kMessages = 2000;
      double t0 = NowMs();
      for (int i = 0; i < kMessages; ++i) SendMessageW(list, LB_GETCOUNT, 0, 0);
      Print(("message_to_own_window_" + tag).c_str(), (NowMs() - t0) * 1000.0 / kMessages, "us", 1);

      t0 = NowMs();
      SendMessageW(list, WM_SETREDRAW, FALSE, 0);
      for (int i = 0; i < 10000; ++i) {
        const std::wstring name = L"name_" + std::to_wstring(i);
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
      }
      SendMessageW(list, WM_SETREDRAW, TRUE, 0);
      Print(("listbox_fill_10000_" + tag).c_str(), NowMs() - t0, "ms", 1);
      DestroyWindow(list);
    }
    if (hooked && hook.uninstall) hook.uninstall();
  }
}

void AutoScroll(HWND parent) {
  HWND view = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                              WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 0, 0, 760, 360,
                              parent, nullptr, nullptr, nullptr);
  LVCOLUMNW column = {};
  column.mask = LVCF_WIDTH;
  column.cx = 120;
  for (int c = 0; c < 5; ++c) ListView_InsertColumn(view, c, &column);
  constexpr UINT kBoth = LVIS_SELECTED | LVIS_FOCUSED;
  for (int items : {1000, 10000, 100000, 1000000}) {
    for (int previousOnly = 0; previousOnly < 2; ++previousOnly) {
      constexpr int kSteps = 8;
      ListView_SetItemCountEx(view, items - kSteps, LVSICF_NOINVALIDATEALL);
      ListView_SetItemState(view, items - kSteps - 1, kBoth, kBoth);
      const double t0 = NowMs();
      for (int s = 0; s < kSteps; ++s) {
        // One more row, and the newest one current, as a logged line does.
        const int item = items - kSteps + s;
        ListView_SetItemCountEx(view, item + 1, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
        ListView_SetItemState(view, previousOnly ? item - 1 : -1, 0, kBoth);
        ListView_SetItemState(view, item, kBoth, kBoth);
        ListView_EnsureVisible(view, item, FALSE);
      }
      char name[96];
      std::snprintf(name, sizeof name, "listview_autoscroll_%s_at_%d_items",
                    previousOnly ? "deselect_previous" : "deselect_all", items);
      Print(name, (NowMs() - t0) / kSteps, "ms", 3);
    }
  }
  DestroyWindow(view);
}

}  // namespace

int wmain() {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  WNDCLASSW wc = {};
  wc.lpfnWndProc = ParentProc;
  wc.lpszClassName = L"HoroneBenchPlatform";
  RegisterClassW(&wc);
  HWND parent = CreateWindowExW(0, wc.lpszClassName, L"platform", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800, 420,
                                nullptr, nullptr, nullptr, nullptr);
  Hook hook;
  MessagesAndListBox(parent, hook);
  AutoScroll(parent);
  DestroyWindow(parent);
  return 0;
}
