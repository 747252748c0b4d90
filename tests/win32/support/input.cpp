// Input from outside: clicks, typing, keys, menus, message boxes.
#include "win32_test_support.h"

#include <commctrl.h>

namespace wintest {

namespace {

void deliver(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, Delivery how) {
  if (how == Delivery::Post)
    postMessage(hwnd, msg, wp, lp);
  else
    sendMessage(hwnd, msg, wp, lp);
}

bool isClass(HWND hwnd, const wchar_t* name) {
  std::wstring c = windowClass(hwnd);
  return CompareStringOrdinal(c.c_str(), -1, name, -1, TRUE) == CSTR_EQUAL;
}

// lParam of WM_KEYDOWN/WM_KEYUP: repeat 1, scan code, extended flag, and for
// key up the previous-state and transition bits.
LPARAM keyLParam(UINT vk, bool up) {
  UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
  bool extended = false;
  switch (vk) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_PRIOR: case VK_NEXT:
    case VK_HOME: case VK_END: case VK_INSERT: case VK_DELETE: case VK_APPS: case VK_RMENU:
    case VK_RCONTROL: case VK_DIVIDE:
      extended = true;
      break;
    default:
      break;
  }
  LPARAM lp = 1 | (static_cast<LPARAM>(scan & 0xFF) << 16);
  if (extended) lp |= LPARAM{1} << 24;
  if (up) lp |= (LPARAM{1} << 30) | (LPARAM{1} << 31);
  return lp;
}

// Where typed text goes: the edit part of a combo box, else the window.
HWND textTarget(HWND target) {
  if (isClass(target, WC_COMBOBOXW) || isClass(target, WC_COMBOBOXEXW)) {
    if (HWND edit = findChild(target, WC_EDITW)) return edit;
  }
  return target;
}

void pause(DWORD ms) {
  if (ms) Sleep(ms);
}

}  // namespace

void clickButton(HWND button, Delivery how) { deliver(button, BM_CLICK, 0, 0, how); }

void typeText(HWND target, std::wstring_view text, Delivery how) {
  HWND to = textTarget(target);
  for (wchar_t c : text) deliver(to, WM_CHAR, static_cast<WPARAM>(c), 1, how);
}

void setText(HWND target, std::wstring_view text, bool notify) {
  std::wstring s(text);
  if (!sendMessage(target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s.c_str())))
    throw Error("WM_SETTEXT was refused");
  if (!notify) return;
  // A single-line edit notifies EN_CHANGE for WM_SETTEXT by itself; a
  // multi-line edit and a combo box do not.
  WORD code;
  if (isClass(target, WC_COMBOBOXW))
    code = static_cast<WORD>(CBN_EDITCHANGE);
  else if (isClass(target, WC_EDITW) && (GetWindowLongPtrW(target, GWL_STYLE) & ES_MULTILINE))
    code = static_cast<WORD>(EN_CHANGE);
  else
    return;
  HWND parent = GetParent(target);
  if (!parent) return;
  WORD id = static_cast<WORD>(GetDlgCtrlID(target));
  sendMessage(parent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(target));
}

void keyDown(HWND target, UINT vk, Delivery how) {
  deliver(target, WM_KEYDOWN, vk, keyLParam(vk, false), how);
}

void keyUp(HWND target, UINT vk, Delivery how) {
  deliver(target, WM_KEYUP, vk, keyLParam(vk, true), how);
}

void pressKey(HWND target, UINT vk, Delivery how) {
  keyDown(target, vk, how);
  keyUp(target, vk, how);
}

void postCommand(HWND window, WORD id) { postMessage(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

void clickAt(HWND window, POINT p, Delivery how) {
  LPARAM lp = MAKELPARAM(p.x, p.y);
  deliver(window, WM_MOUSEMOVE, 0, lp, how);
  deliver(window, WM_LBUTTONDOWN, MK_LBUTTON, lp, how);
  deliver(window, WM_LBUTTONUP, 0, lp, how);
}

void doubleClickAt(HWND window, POINT p, Delivery how) {
  LPARAM lp = MAKELPARAM(p.x, p.y);
  deliver(window, WM_LBUTTONDOWN, MK_LBUTTON, lp, how);
  deliver(window, WM_LBUTTONUP, 0, lp, how);
  deliver(window, WM_LBUTTONDBLCLK, MK_LBUTTON, lp, how);
  deliver(window, WM_LBUTTONUP, 0, lp, how);
}

// --- Menus -----------------------------------------------------------------------------

bool inMenuMode(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  DWORD thread = GetWindowThreadProcessId(window, nullptr);
  return thread && GetGUIThreadInfo(thread, &info) && (info.flags & GUI_INMENUMODE);
}

namespace {

constexpr DWORD kMenuOpenTimeoutMs = 5000;

void requireMenuMode(HWND window) {
  if (!waitUntil([&] { return inMenuMode(window); }, kMenuOpenTimeoutMs, 10))
    throw Error("the window's thread did not enter menu mode (no menu bar, or busy?)");
}

HWND requirePopup(HWND window) {
  HWND popup = waitForPopupMenu(windowProcessId(window), kMenuOpenTimeoutMs);
  if (!popup) throw Error("no popup menu (#32768) opened");
  return popup;
}

}  // namespace

void chooseMenuItem(HWND window, int topIndex, int itemIndex, DWORD keyDelayMs) {
  // SC_KEYMENU with no character: the menu bar is entered with its first
  // item selected, as after pressing and releasing Alt.
  postMessage(window, WM_SYSCOMMAND, SC_KEYMENU, 0);
  requireMenuMode(window);
  for (int i = 0; i < topIndex; ++i) {
    pressKey(window, VK_RIGHT);
    pause(keyDelayMs);
  }
  pressKey(window, VK_DOWN);  // opens the popup with its first item selected
  requirePopup(window);
  for (int i = 0; i < itemIndex; ++i) {
    pressKey(window, VK_DOWN);
    pause(keyDelayMs);
  }
  pressKey(window, VK_RETURN);
}

void chooseMenuByAccessKeys(HWND window, wchar_t topKey, wchar_t itemKey, DWORD keyDelayMs) {
  // The menu opens the popup by posting itself a Return: the item's key must
  // come after that, so wait for the popup before sending it.
  postMessage(window, WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(topKey));
  requirePopup(window);
  pause(keyDelayMs);
  postMessage(window, WM_CHAR, static_cast<WPARAM>(itemKey), 1);
}

HWND findPopupMenu(DWORD pid) {
  WindowQuery q;
  q.className = L"#32768";
  q.pid = pid;
  return findTopLevelWindow(q);
}

HWND waitForPopupMenu(DWORD pid, DWORD timeoutMs) {
  WindowQuery q;
  q.className = L"#32768";
  q.pid = pid;
  return waitForTopLevelWindow(q, timeoutMs);
}

HWND openContextMenu(HWND target, POINT screenPoint, DWORD timeoutMs) {
  postMessage(target, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(target),
              MAKELPARAM(screenPoint.x, screenPoint.y));
  return waitForPopupMenu(windowProcessId(target), timeoutMs);
}

void choosePopupMenuItem(HWND menuWindow, int itemIndex, DWORD keyDelayMs) {
  for (int i = 0; i <= itemIndex; ++i) {
    pressKey(menuWindow, VK_DOWN);
    pause(keyDelayMs);
  }
  pressKey(menuWindow, VK_RETURN);
}

void closePopupMenu(HWND menuWindow) { pressKey(menuWindow, VK_ESCAPE); }

// --- Dialogs ----------------------------------------------------------------------------

HWND waitForDialog(DWORD pid, DWORD timeoutMs, std::wstring_view title) {
  WindowQuery q;
  q.className = L"#32770";
  q.pid = pid;
  q.title = std::wstring(title);
  return waitForTopLevelWindow(q, timeoutMs);
}

HWND waitForMessageBox(DWORD pid, DWORD timeoutMs, std::wstring_view title) {
  return waitForDialog(pid, timeoutMs, title);
}

std::wstring messageBoxText(HWND box) {
  std::wstring out;
  for (HWND h : childWindows(box, WC_STATICW)) {
    std::wstring t = windowText(h);
    if (t.empty()) continue;
    if (!out.empty()) out += L'\n';
    out += t;
  }
  return out;
}

std::vector<std::wstring> dialogButtonTexts(HWND dialog) {
  std::vector<std::wstring> out;
  for (HWND h : childWindows(dialog, WC_BUTTONW))
    if (IsWindowVisible(h)) out.push_back(windowText(h));
  return out;
}

void pressDialogButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (!button) throw Error("pressDialogButton: the dialog has no button with ID " + std::to_string(id));
  clickButton(button, Delivery::Post);
}

}  // namespace wintest
