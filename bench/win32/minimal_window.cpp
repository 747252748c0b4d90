// The floor of the platform: a minimal Win32 window program, one top-level
// window with one standard edit control, shown, then a plain message loop.
// The benchmarks time its start-up beside ホロネ's, and deliver chat lines
// into its edit beside ホロネ's Edit1.
#include <windows.h>

namespace {

constexpr wchar_t kClass[] = L"HoroneBenchMinimal";

LRESULT CALLBACK WindowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(h, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = kClass;
  if (!RegisterClassExW(&wc)) return 1;
  HWND main = CreateWindowExW(0, kClass, L"minimal", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640, 400,
                              nullptr, nullptr, instance, nullptr);
  if (!main) return 1;
  CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 8, 8, 600, 24, main,
                  nullptr, instance, nullptr);
  ShowWindow(main, show);
  UpdateWindow(main);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
