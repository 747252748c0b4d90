#include "chat_log_window.h"

#include <deque>
#include <string>

#include "katu_chatlog_message.h"

namespace gameclient {
namespace {

// Older lines are dropped beyond this, so that long bursts stay cheap.
constexpr size_t kKeptLines = 2000;

struct ChatLog {
  std::deque<std::wstring> lines;  // display form "USER> CONTENT"
  HFONT font = nullptr;
};

ChatLog* Get(HWND hwnd) { return reinterpret_cast<ChatLog*>(GetWindowLongPtrW(hwnd, 0)); }

LRESULT AddLine(HWND hwnd, ChatLog* log, WPARAM length, LPARAM text) {
  if (text == 0 || length == 0 || length > katu::kChatLogMaxLine) return 0;
  std::wstring line(reinterpret_cast<const wchar_t*>(text), length);
  const size_t tab = line.find(L'\t');
  if (tab == std::wstring::npos) return 0;
  line.replace(tab, 1, L"> ");
  log->lines.push_back(std::move(line));
  if (log->lines.size() > kKeptLines) log->lines.pop_front();
  InvalidateRect(hwnd, nullptr, TRUE);
  return 1;
}

void Paint(HWND hwnd, ChatLog* log) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
  HGDIOBJ old_font = SelectObject(dc, log->font ? log->font : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  TEXTMETRICW tm;
  GetTextMetricsW(dc, &tm);
  const int line_height = tm.tmHeight + tm.tmExternalLeading;
  int bottom = client.bottom - 2;
  for (auto it = log->lines.rbegin(); it != log->lines.rend() && bottom > client.top; ++it) {
    RECT row{client.left + 4, bottom - line_height, client.right - 4, bottom};
    DrawTextW(dc, it->c_str(), static_cast<int>(it->size()), &row,
              DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    bottom -= line_height;
  }
  SelectObject(dc, old_font);
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK ChatLogProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  ChatLog* log = Get(hwnd);
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(new ChatLog));
      break;
    case WM_NCDESTROY:
      delete log;
      SetWindowLongPtrW(hwnd, 0, 0);
      break;
    case katu::kChatLogAddLine:
      return log ? AddLine(hwnd, log, wparam, lparam) : 0;
    case WM_SETFONT:
      if (log) log->font = reinterpret_cast<HFONT>(wparam);
      if (LOWORD(lparam)) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return log ? reinterpret_cast<LRESULT>(log->font) : 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      if (log) {
        Paint(hwnd, log);
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

}  // namespace

bool RegisterChatLogClass(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = ChatLogProc;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = katu::kChatLogClass;
  return RegisterClassExW(&wc) != 0;
}

HWND CreateChatLog(HWND parent, int id, HINSTANCE instance) {
  return CreateWindowExW(WS_EX_CLIENTEDGE, katu::kChatLogClass, L"",
                         WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

}  // namespace gameclient
