// Finding windows and reading their basic state from another process.
#include "win32_test_support.h"

namespace wintest {

namespace {

bool sameClass(HWND hwnd, std::wstring_view className) {
  if (className.empty()) return true;
  std::wstring c = windowClass(hwnd);
  return CompareStringOrdinal(c.c_str(), static_cast<int>(c.size()), className.data(),
                              static_cast<int>(className.size()), TRUE) == CSTR_EQUAL;
}

// The caption as stored by the system (no message to the window, so a hung
// window does not stall the search).
std::wstring storedTitle(HWND hwnd) {
  int n = GetWindowTextLengthW(hwnd);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  int got = GetWindowTextW(hwnd, s.data(), n + 1);
  s.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return s;
}

bool matches(HWND hwnd, const WindowQuery& q) {
  if (q.visibleOnly && !IsWindowVisible(hwnd)) return false;
  if (q.pid && windowProcessId(hwnd) != q.pid) return false;
  if (q.owner && GetWindow(hwnd, GW_OWNER) != q.owner) return false;
  if (!sameClass(hwnd, q.className)) return false;
  if (!q.title.empty() && storedTitle(hwnd) != q.title) return false;
  return true;
}

// Callbacks are CALLBACK (stdcall on i686): a lambda would not convert.
using WindowVisitor = std::function<bool(HWND)>;

BOOL CALLBACK visitWindow(HWND hwnd, LPARAM lp) {
  return (*reinterpret_cast<WindowVisitor*>(lp))(hwnd) ? TRUE : FALSE;
}

void enumTopLevel(WindowVisitor f) { EnumWindows(visitWindow, reinterpret_cast<LPARAM>(&f)); }

BOOL CALLBACK collectWindow(HWND hwnd, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
  return TRUE;
}

}  // namespace

std::wstring windowClass(HWND hwnd) {
  wchar_t name[256];
  int n = GetClassNameW(hwnd, name, 256);
  return std::wstring(name, n > 0 ? static_cast<size_t>(n) : 0);
}

HWND findTopLevelWindow(const WindowQuery& query) {
  HWND found = nullptr;
  enumTopLevel([&](HWND hwnd) {
    if (matches(hwnd, query)) {
      found = hwnd;
      return false;
    }
    return true;
  });
  return found;
}

HWND waitForTopLevelWindow(const WindowQuery& query, DWORD timeoutMs) {
  HWND found = nullptr;
  waitUntil([&] { return (found = findTopLevelWindow(query)) != nullptr; }, timeoutMs, 50);
  return found;
}

std::vector<HWND> topLevelWindows(DWORD pid, bool visibleOnly) {
  std::vector<HWND> out;
  enumTopLevel([&](HWND hwnd) {
    if (windowProcessId(hwnd) == pid && (!visibleOnly || IsWindowVisible(hwnd))) out.push_back(hwnd);
    return true;
  });
  return out;
}

std::vector<HWND> childWindows(HWND parent, std::wstring_view className) {
  std::vector<HWND> all;
  EnumChildWindows(parent, collectWindow, reinterpret_cast<LPARAM>(&all));
  if (className.empty()) return all;
  std::vector<HWND> out;
  for (HWND h : all)
    if (sameClass(h, className)) out.push_back(h);
  return out;
}

HWND findChild(HWND parent, std::wstring_view className) {
  auto v = childWindows(parent, className);
  return v.empty() ? nullptr : v.front();
}

HWND waitForChild(HWND parent, std::wstring_view className, DWORD timeoutMs) {
  HWND found = nullptr;
  waitUntil([&] { return (found = findChild(parent, className)) != nullptr; }, timeoutMs, 50);
  return found;
}

HWND childById(HWND parent, int id) { return GetDlgItem(parent, id); }

LRESULT sendMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, DWORD timeoutMs) {
  DWORD_PTR result = 0;
  SetLastError(0);
  if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG | SMTO_BLOCK, timeoutMs, &result)) {
    DWORD e = GetLastError();
    char what[96];
    wsprintfA(what, "SendMessageTimeoutW(hwnd %p, msg 0x%04X)", static_cast<void*>(hwnd), msg);
    if (e == 0 || e == ERROR_TIMEOUT) throw Error(std::string(what) + ": no answer (timeout or hung)");
    throwLastError(what, e);
  }
  return static_cast<LRESULT>(result);
}

void postMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (!PostMessageW(hwnd, msg, wp, lp)) {
    char what[96];
    wsprintfA(what, "PostMessageW(hwnd %p, msg 0x%04X)", static_cast<void*>(hwnd), msg);
    throwLastError(what);
  }
}

std::wstring windowText(HWND hwnd, DWORD timeoutMs) {
  if (!IsWindow(hwnd)) throw Error("windowText: not a window");
  size_t length = static_cast<size_t>(sendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0, timeoutMs));
  std::wstring text(length + 1, L'\0');
  LRESULT got = sendMessage(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                            timeoutMs);
  text.resize(static_cast<size_t>(got));
  return text;
}

bool isWindowEnabled(HWND hwnd) { return IsWindowEnabled(hwnd) != FALSE; }
bool isWindowVisible(HWND hwnd) { return IsWindowVisible(hwnd) != FALSE; }

RECT windowRect(HWND hwnd) {
  RECT r{};
  if (!GetWindowRect(hwnd, &r)) throwLastError("GetWindowRect");
  return r;
}

RECT clientRect(HWND hwnd) {
  RECT r{};
  if (!GetClientRect(hwnd, &r)) throwLastError("GetClientRect");
  return r;
}

RECT clientRectOnScreen(HWND hwnd) {
  RECT r = clientRect(hwnd);
  POINT tl{r.left, r.top}, br{r.right, r.bottom};
  ClientToScreen(hwnd, &tl);
  ClientToScreen(hwnd, &br);
  return RECT{tl.x, tl.y, br.x, br.y};
}

DWORD windowProcessId(HWND hwnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return pid;
}

int controlId(HWND hwnd) { return GetDlgCtrlID(hwnd); }

bool isResponsive(HWND hwnd, DWORD timeoutMs) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &result) != 0;
}

bool waitForWindowGone(HWND hwnd, DWORD timeoutMs) {
  return waitUntil([&] { return !IsWindow(hwnd) || !IsWindowVisible(hwnd); }, timeoutMs);
}

}  // namespace wintest
