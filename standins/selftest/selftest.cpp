// standin_selftest.exe: drives gameclient.exe and HOROHK.DLL from outside,
// the way ホロネ does, and checks what arrives in its own "TEdit" and what
// the game client journals. gameclient.exe and HOROHK.DLL must sit beside
// this program. Exit code 0 when every check passed, 1 otherwise.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "horohk.h"

namespace {

constexpr wchar_t kHoroneClass[] = L"TForm2";
constexpr wchar_t kHoroneTitle[] = L"ホロネ v1.01";
constexpr wchar_t kHoroneEditClass[] = L"TEdit";
constexpr wchar_t kControlClass[] = L"HoroneStandinControl";
constexpr wchar_t kLobbyTitle[] = L"一般ロビー 東南戦ロビー";
constexpr wchar_t kTableTitle[] = L"第12卓 東南戦 喰断あり";
constexpr wchar_t kFailTitle[] = L"観戦失敗";
constexpr wchar_t kSpectateText[] = L"観戦(&F)";
constexpr wchar_t kUser[] = L"tester";

int g_checks = 0;
int g_failures = 0;
WNDPROC g_edit_proc = nullptr;
std::vector<std::wstring> g_received;  // every WM_SETTEXT our TEdit got

// ---------------------------------------------------------------------------
// Output: ASCII only, anything else as \uXXXX, so that any console shows it.

std::string Printable(std::wstring_view text) {
  std::string out;
  for (wchar_t c : text) {
    if (c == L'\r') {
      out += "\\r";
    } else if (c == L'\n') {
      out += "\\n";
    } else if (c == L'\t') {
      out += "\\t";
    } else if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof(buf), "\\u%04X", static_cast<unsigned>(c));
      out += buf;
    }
  }
  return out;
}

void Print(std::wstring_view text) {
  const std::string line = Printable(text) + "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

bool Check(bool ok, std::wstring_view what, std::wstring_view detail = {}) {
  ++g_checks;
  if (!ok) ++g_failures;
  std::wstring line = ok ? L"ok   " : L"FAIL ";
  line += what;
  if (!ok && !detail.empty()) {
    line += L"  -- ";
    line += detail;
  }
  Print(line);
  return ok;
}

// ---------------------------------------------------------------------------
// Waiting without blocking the sent messages the hook delivers to us.

void Pump(DWORD ms) {
  const ULONGLONG deadline = GetTickCount64() + ms;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return;
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
  }
}

bool WaitFor(const std::function<bool()>& done, DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= deadline) return false;
    Pump(10);
  }
}

// ---------------------------------------------------------------------------
// Text and files

std::string ToUtf8(std::wstring_view wide) {
  if (wide.empty()) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::wstring FromUtf8(std::string_view utf8) {
  if (utf8.empty()) return std::wstring();
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::wstring WindowText(HWND hwnd) {
  wchar_t buf[512] = {};
  DWORD_PTR got = 0;
  SendMessageTimeoutW(hwnd, WM_GETTEXT, std::size(buf), reinterpret_cast<LPARAM>(buf),
                      SMTO_NORMAL, 5000, &got);
  return std::wstring(buf, std::min<size_t>(got, std::size(buf) - 1));
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t buf[64] = {};
  const int n = GetClassNameW(hwnd, buf, static_cast<int>(std::size(buf)));
  return std::wstring(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

bool WriteUtf8File(const std::wstring& path, std::wstring_view text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const std::string bytes = ToUtf8(text);
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

std::wstring g_journal_path;

// Complete lines only; a line still being written is left for later.
std::vector<std::wstring> ReadJournal() {
  std::vector<std::wstring> lines;
  HANDLE file = CreateFileW(g_journal_path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return lines;
  std::string bytes;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(file, buf, sizeof(buf), &got, nullptr) && got > 0) bytes.append(buf, got);
  CloseHandle(file);
  size_t start = 0;
  for (size_t nl; (nl = bytes.find('\n', start)) != std::string::npos; start = nl + 1) {
    lines.push_back(FromUtf8(std::string_view(bytes).substr(start, nl - start)));
  }
  return lines;
}

size_t CountLine(const std::vector<std::wstring>& lines, std::wstring_view line) {
  return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

bool WaitJournal(std::wstring_view line, size_t times = 1, DWORD timeout_ms = 5000) {
  return WaitFor([&] { return CountLine(ReadJournal(), line) >= times; }, timeout_ms);
}

// Every expected line appears, in this order (other lines may come between).
bool JournalInOrder(std::wstring_view what, std::initializer_list<std::wstring_view> expected) {
  const std::vector<std::wstring> lines = ReadJournal();
  auto at = lines.begin();
  for (std::wstring_view want : expected) {
    at = std::find(at, lines.end(), want);
    if (at == lines.end()) return Check(false, what, L"missing or out of order: " + std::wstring(want));
    ++at;
  }
  return Check(true, what);
}

// ---------------------------------------------------------------------------
// Talking to the game

HWND g_control = nullptr;
HWND g_self = nullptr;

// 1 or 0 as the game answered, -1 when it did not answer in time.
LRESULT SendRaw(ULONG_PTR kind, const std::string& bytes, UINT timeout_ms = 10000) {
  COPYDATASTRUCT cds{};
  cds.dwData = kind;
  cds.cbData = static_cast<DWORD>(bytes.size());
  cds.lpData = const_cast<char*>(bytes.data());
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(g_control, WM_COPYDATA, reinterpret_cast<WPARAM>(g_self),
                           reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL, timeout_ms, &result)) {
    return -1;
  }
  return static_cast<LRESULT>(result);
}

LRESULT Command(std::wstring_view command) { return SendRaw(1, ToUtf8(command)); }

bool CommandOk(std::wstring_view command) {
  return Check(Command(command) == 1, L"command accepted: " + std::wstring(command));
}

// -1 on timeout.
LRESULT Send(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT timeout_ms = 10000) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(hwnd, msg, wparam, lparam, SMTO_NORMAL, timeout_ms, &result)) return -1;
  return static_cast<LRESULT>(result);
}

void Click(HWND button) {
  Send(button, WM_LBUTTONDOWN, 0, 0);
  Send(button, WM_LBUTTONUP, 0, 0);
}

// A window is complete (children made) once it is shown.
HWND FindShown(const wchar_t* cls, const wchar_t* title) {
  HWND hwnd = FindWindowW(cls, title);
  return hwnd && IsWindowVisible(hwnd) ? hwnd : nullptr;
}

std::vector<HWND> DirectChildren(HWND parent) {
  std::vector<HWND> children;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
  return children;
}

// ---------------------------------------------------------------------------
// Our own ホロネ-like window

LRESULT CALLBACK TEditProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_SETTEXT) {
    g_received.emplace_back(lparam ? reinterpret_cast<const wchar_t*>(lparam) : L"");
  }
  return CallWindowProcW(g_edit_proc, hwnd, msg, wparam, lparam);
}

bool CreateHoroneWindows(HINSTANCE instance, HWND* form, HWND* edit) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.lpszClassName = kHoroneClass;
  if (!RegisterClassExW(&wc)) return false;

  WNDCLASSEXW edit_class{};
  edit_class.cbSize = sizeof(edit_class);
  if (!GetClassInfoExW(nullptr, L"Edit", &edit_class)) return false;
  g_edit_proc = edit_class.lpfnWndProc;
  edit_class.lpfnWndProc = TEditProc;
  edit_class.hInstance = instance;
  edit_class.lpszClassName = kHoroneEditClass;
  if (!RegisterClassExW(&edit_class)) return false;

  *form = CreateWindowExW(0, kHoroneClass, kHoroneTitle, WS_OVERLAPPEDWINDOW, 0, 0, 300, 200,
                          nullptr, nullptr, instance, nullptr);
  if (!*form) return false;
  *edit = CreateWindowExW(0, kHoroneEditClass, L"", WS_CHILD | ES_MULTILINE, 0, 0, 280, 150, *form,
                          nullptr, instance, nullptr);
  return *edit != nullptr;
}

std::wstring Delivered(std::wstring_view user, std::wstring_view content) {
  return L"\r\n" + std::wstring(user) + L"\t>" + std::wstring(content);
}

std::wstring ExeDirectory() {
  wchar_t path[MAX_PATH * 2];
  const DWORD n = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  std::wstring dir(path, n);
  return dir.substr(0, dir.find_last_of(L"\\/") + 1);
}

std::wstring TempPath(std::wstring_view name) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  return std::wstring(dir) + std::wstring(name) + L"-" + std::to_wstring(GetCurrentProcessId()) +
         L".txt";
}

// ---------------------------------------------------------------------------
// The checks

void CheckLobbyShape(HWND lobby) {
  const std::vector<HWND> children = DirectChildren(lobby);
  std::wstring classes;
  for (HWND c : children) classes += ClassOf(c) + L" ";
  const bool shape = children.size() == 4 && ClassOf(children[0]) == L"ListBox" &&
                     ClassOf(children[1]) == L"Button" && ClassOf(children[2]) == L"Edit" &&
                     ClassOf(children[3]) == L"KatuChatLog";
  if (!Check(shape, L"lobby children are ListBox, Button, Edit, KatuChatLog in Z order", classes)) {
    return;
  }
  Check(WindowText(children[1]) == kSpectateText, L"spectate button text", WindowText(children[1]));
  Check(FindWindowExW(lobby, nullptr, L"ListBox", nullptr) == children[0],
        L"first ListBox child is the table list");
  Check(FindWindowExW(lobby, nullptr, L"Edit", nullptr) == children[2],
        L"first Edit child is the chat input");
  Check(FindWindowExW(lobby, nullptr, L"Button", kSpectateText) == children[1],
        L"spectate button found by class and title");
  Check(ClassOf(lobby) == L"#32770", L"lobby is a dialog (#32770)");
}

void CheckTableList(HWND list) {
  const std::wstring items[] = {L"第1卓 東南戦 喰断あり", L"第2卓 東風戦", L"第3卓 東南戦 赤あり"};
  CommandOk(L"lobby list " + items[0] + L"|" + items[1] + L"|" + items[2]);
  Check(Send(list, LB_GETCOUNT, 0, 0) == 3, L"LB_GETCOUNT is 3");
  bool texts_ok = true;
  std::wstring detail;
  for (int i = 0; i < 3; ++i) {
    const LRESULT sel = Send(list, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
    const LRESULT len = Send(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    wchar_t buf[128] = {};
    const LRESULT got = Send(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
    const std::wstring text(buf);
    if (sel != i || len != static_cast<LRESULT>(items[i].size()) || got != len || text != items[i]) {
      texts_ok = false;
      detail += L"[" + std::to_wstring(i) + L": sel " + std::to_wstring(sel) + L" len " +
                std::to_wstring(len) + L" got " + std::to_wstring(got) + L" '" + text + L"'] ";
    }
  }
  Check(texts_ok, L"LB_SETCURSEL/LB_GETTEXTLEN/LB_GETTEXT read every item (W, cross-process)",
        detail);
  Check(Send(list, LB_GETCURSEL, 0, 0) == 2, L"selection stays on the last LB_SETCURSEL");
  JournalInOrder(L"journal has the list requests",
                 {L"lb count", L"lb setcursel 0", L"lb gettextlen 0", L"lb gettext 0",
                  L"lb setcursel 1", L"lb gettextlen 1", L"lb gettext 1", L"lb setcursel 2",
                  L"lb gettextlen 2", L"lb gettext 2"});
  CommandOk(L"lobby list");
  Check(Send(list, LB_GETCOUNT, 0, 0) == 0, L"'lobby list' with no items empties the list");
}

// Clicks spectate through fail, open, none.
HWND CheckSpectate(HWND lobby, HWND spectate) {
  CommandOk(L"outcomes fail,open");

  Click(spectate);
  HWND fail = nullptr;
  Check(WaitFor([&] { return (fail = FindShown(L"#32770", kFailTitle)) != nullptr; }, 5000),
        L"first click: failure dialog appears");
  if (!fail) return nullptr;
  Check(FindWindowW(L"KatuGameMjMain", nullptr) == nullptr, L"first click opened no table");
  HWND ok = FindWindowExW(fail, nullptr, L"Button", L"OK");
  if (!Check(ok != nullptr, L"failure dialog has a Button 'OK'")) return nullptr;
  Click(ok);
  Check(WaitFor([&] { return !IsWindow(fail) && !FindWindowW(L"#32770", kFailTitle); }, 5000),
        L"raw WM_LBUTTONDOWN/UP on OK closes the failure dialog");
  Check(IsWindow(lobby) != FALSE, L"lobby survives the failure dialog");

  Click(spectate);
  HWND table = nullptr;
  Check(WaitFor([&] { return (table = FindShown(L"KatuGameMjMain", nullptr)) != nullptr; }, 5000),
        L"second click: table window opens");
  if (!table) return nullptr;
  Check(WindowText(table) == kTableTitle, L"table title", WindowText(table));
  Check(FindWindowW(L"#32770", kFailTitle) == nullptr, L"second click showed no failure dialog");

  Click(spectate);  // queue now empty: nothing happens
  Pump(500);
  const auto lines = ReadJournal();
  Check(CountLine(lines, L"click spectate up") == 3, L"three spectate clicks journaled");
  Check(CountLine(lines, L"dialog fail shown") == 1 && CountLine(lines, L"table opened") == 1,
        L"third click (empty queue) did nothing");
  JournalInOrder(L"journal of the spectate sequence",
                 {L"click spectate down", L"click spectate up", L"dialog fail shown",
                  L"click failok down", L"click failok up", L"dialog fail closed",
                  L"click spectate down", L"click spectate up", L"table opened",
                  L"click spectate down", L"click spectate up"});
  return table;
}

void CheckChatInput(HWND input, std::wstring_view where, std::wstring_view text) {
  const std::wstring w(where);
  const std::wstring t(text);
  g_received.clear();
  Send(input, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.c_str()));
  PostMessageW(input, WM_KEYDOWN, VK_RETURN, 0);
  PostMessageW(input, WM_KEYUP, VK_RETURN, 0);
  const std::wstring want = Delivered(kUser, t);
  const bool arrived = WaitFor([&] { return !g_received.empty(); }, 5000);
  Check(arrived && g_received.size() == 1 && g_received[0] == want,
        L"Enter in the " + w + L" input: own line reaches TEdit through the hook",
        g_received.empty() ? L"nothing" : g_received[0]);
  WaitJournal(L"key " + w + L" up 13");
  JournalInOrder(L"journal of the " + w + L" input",
                 {L"settext " + w + L" " + t, L"key " + w + L" down 13", L"sent " + w + L" " + t,
                  L"chatlog " + w + L" " + kUser + L"\t" + t, L"key " + w + L" up 13"});
  Check(Send(input, WM_GETTEXTLENGTH, 0, 0) == 0, L"the " + w + L" input is empty after sending");
}

void CheckBursts() {
  g_received.clear();
  const wchar_t* users[] = {L"u1", L"u2", L"u3"};
  CommandOk(L"burst table 40 0 u1,u2,u3");
  WaitFor([] { return g_received.size() >= 40; }, 20000);
  bool all = g_received.size() == 40;
  std::wstring detail = L"got " + std::to_wstring(g_received.size());
  for (size_t i = 0; all && i < 40; ++i) {
    const std::wstring user = users[i % 3];
    const std::wstring want = Delivered(user, L"line " + std::to_wstring(i + 1) + L" from " + user);
    if (g_received[i] != want) {
      all = false;
      detail = L"#" + std::to_wstring(i + 1) + L": " + g_received[i];
    }
  }
  Check(all, L"zero-interval burst of 40 delivered every line, in order, round-robin", detail);
  Check(WaitJournal(L"burst done table 40"), L"burst done table 40 journaled");

  // A long burst must leave the game answering commands while it runs.
  g_received.clear();
  CommandOk(L"burst lobby 3000 0 a,b");
  WaitFor([] { return g_received.size() >= 100; }, 20000);
  CommandOk(L"mark during burst");
  WaitFor([] { return g_received.size() >= 3000; }, 60000);
  Check(g_received.size() == 3000 && g_received.back() == Delivered(L"b", L"line 3000 from b"),
        L"3000-line burst delivered", L"got " + std::to_wstring(g_received.size()));
  Check(WaitJournal(L"burst done lobby 3000", 1, 10000), L"burst done lobby 3000 journaled");
  {
    const auto lines = ReadJournal();
    const auto mark = std::find(lines.begin(), lines.end(), L"mark during burst");
    const auto done = std::find(lines.begin(), lines.end(), L"burst done lobby 3000");
    Check(mark != lines.end() && done != lines.end() && mark < done,
          L"a command sent mid-burst ran before the burst ended");
  }

  g_received.clear();
  const ULONGLONG start = GetTickCount64();
  CommandOk(L"burst lobby 5 40 solo");
  WaitFor([] { return g_received.size() >= 5; }, 10000);
  const ULONGLONG elapsed = GetTickCount64() - start;
  Check(g_received.size() == 5 && g_received[4] == Delivered(L"solo", L"line 5 from solo"),
        L"40 ms interval burst delivered 5 lines");
  Check(elapsed >= 150, L"interval burst is paced (>= 4 intervals)",
        std::to_wstring(elapsed) + L" ms");
}

void CheckHang(HWND lobby) {
  const ULONGLONG start = GetTickCount64();
  CommandOk(L"hang 1500");
  Check(GetTickCount64() - start < 1000, L"'hang' answers before the game stops");
  Sleep(200);
  DWORD_PTR result = 0;
  const LRESULT answered =
      SendMessageTimeoutW(lobby, WM_NULL, 0, 0, SMTO_NORMAL, 300, &result);
  Check(answered == 0, L"the game does not answer while hung");
  const LRESULT later = SendMessageTimeoutW(lobby, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
  const ULONGLONG elapsed = GetTickCount64() - start;
  Check(later != 0 && elapsed >= 1400, L"the game answers again after the hang",
        std::to_wstring(elapsed) + L" ms");
}

// The journal lines from the last "mark NAME" on.
std::vector<std::wstring> JournalAfter(std::wstring_view mark) {
  const std::vector<std::wstring> lines = ReadJournal();
  const auto at = std::find(lines.rbegin(), lines.rend(), L"mark " + std::wstring(mark));
  return std::vector<std::wstring>(at.base(), lines.end());
}

// "flash" and the commands armed with "onclick": windows that close at the
// moment a button is pressed. Needs the lobby open with the title given and
// no table window; leaves the lobby open.
void CheckClickCommands(std::wstring_view lobby_title) {
  const std::wstring title(lobby_title);
  Check(Command(L"onclick spectate sleep 10") == 0, L"onclick with sleep answers 0");
  Check(Command(L"onclick spectate onclick failok mark x") == 0, L"nested onclick answers 0");
  Check(Command(L"onclick table lobby close") == 0, L"onclick on an unknown button answers 0");
  Check(Command(L"onclick spectate frobnicate") == 0, L"onclick with an unknown command answers 0");

  HWND lobby = FindShown(L"#32770", title.c_str());
  HWND spectate = lobby ? FindWindowExW(lobby, nullptr, L"Button", kSpectateText) : nullptr;
  if (!Check(spectate != nullptr, L"lobby open for the click commands")) return;

  // An armed command that is disarmed again does not run.
  CommandOk(L"mark disarmed");
  CommandOk(L"outcomes");
  CommandOk(L"onclick spectate mark armed");
  CommandOk(L"onclick spectate");
  Click(spectate);
  Check(WaitJournal(L"click spectate up") &&
            CountLine(JournalAfter(L"disarmed"), L"mark armed") == 0,
        L"a disarmed onclick does not run");

  CommandOk(L"mark flash");
  CommandOk(L"outcomes flash");
  Click(spectate);
  Check(WaitFor([] { return CountLine(JournalAfter(L"flash"), L"table closed") == 1; }, 5000),
        L"flash: the table window closes again");
  Check(JournalAfter(L"flash") == std::vector<std::wstring>{L"click spectate down",
                                                          L"click spectate up", L"table opened",
                                                          L"table closed"},
        L"journal of flash");
  Check(FindWindowW(L"KatuGameMjMain", nullptr) == nullptr, L"flash leaves no table window");

  CommandOk(L"mark close at spectate");
  CommandOk(L"onclick spectate lobby close");
  const LRESULT down = Send(spectate, WM_LBUTTONDOWN, 0, 0);
  const LRESULT up = Send(spectate, WM_LBUTTONUP, 0, 0, 1000);
  Check(down == 0 && up == -1 && !IsWindow(lobby),
        L"onclick spectate lobby close: the lobby is gone at the press");
  Check(JournalAfter(L"close at spectate") ==
            std::vector<std::wstring>{L"click spectate down", L"onclick spectate lobby close",
                                      L"lobby closed"},
        L"journal of the lobby closing at the spectate press");

  // The failure dialog's OK: the lobby closes and takes the dialog with it.
  CommandOk(L"lobby open");
  lobby = nullptr;
  WaitFor([&] { return (lobby = FindShown(L"#32770", title.c_str())) != nullptr; }, 5000);
  spectate = lobby ? FindWindowExW(lobby, nullptr, L"Button", kSpectateText) : nullptr;
  if (!Check(spectate != nullptr, L"lobby open again")) return;
  CommandOk(L"mark close at failok");
  CommandOk(L"outcomes fail");
  CommandOk(L"onclick failok lobby close");
  Click(spectate);
  HWND fail = nullptr;
  WaitFor([&] { return (fail = FindShown(L"#32770", kFailTitle)) != nullptr; }, 5000);
  HWND ok = fail ? FindWindowExW(fail, nullptr, L"Button", L"OK") : nullptr;
  if (!Check(ok != nullptr, L"failure dialog shown for onclick failok")) return;
  Click(ok);
  Check(!IsWindow(fail) && !IsWindow(lobby),
        L"onclick failok lobby close: dialog and lobby are gone");
  Check(JournalAfter(L"close at failok") ==
            std::vector<std::wstring>{L"click spectate down", L"click spectate up",
                                      L"dialog fail shown", L"click failok down",
                                      L"onclick failok lobby close", L"dialog fail closed",
                                      L"lobby closed"},
        L"journal of the lobby closing at the failure dialog's OK");
  CommandOk(L"lobby open");
  Check(WaitFor([&] { return FindShown(L"#32770", title.c_str()) != nullptr; }, 5000),
        L"lobby open after the click commands");
}

int Run(bool keep_journal) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HWND form = nullptr;
  HWND tedit = nullptr;
  if (!Check(CreateHoroneWindows(instance, &form, &tedit), L"create TForm2 + TEdit")) return 1;
  g_self = form;
  Check(FindWindowW(kHoroneClass, kHoroneTitle) == form, L"our TForm2 is the one found by title");

  SetEnvironmentVariableW(L"HOROHK_FAIL_INSTALL", L"1");
  Check(InstallHook_CallWndProc(0) == 0, L"Install fails with HOROHK_FAIL_INSTALL=1");
  SetEnvironmentVariableW(L"HOROHK_FAIL_INSTALL", nullptr);
  Check(UnInstallHook_CallWndProc() == 0, L"UnInstall without a hook fails");
  if (!Check(InstallHook_CallWndProc(0) != 0, L"Install succeeds")) return 1;

  const std::wstring dir = ExeDirectory();
  g_journal_path = TempPath(L"standin-selftest-journal");
  const std::wstring script_path = TempPath(L"standin-selftest-script");
  DeleteFileW(g_journal_path.c_str());
  WriteUtf8File(script_path,
                L"\xFEFF# start-up script\r\n"
                L"mark script started\r\n"
                L"sleep 1500\r\n"
                L"mark script resumed\r\n"
                L"bogus command\r\n");

  std::wstring cmdline = L"\"" + dir + L"gameclient.exe\" --journal \"" + g_journal_path +
                         L"\" --script \"" + script_path + L"\" --user " + kUser;
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!Check(CreateProcessW(nullptr, cmdline.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            dir.c_str(), &si, &pi) != FALSE,
             L"start gameclient.exe")) {
    return 1;
  }
  CloseHandle(pi.hThread);

  HWND lobby = nullptr;
  Check(WaitFor([&] {
          g_control = FindWindowW(kControlClass, nullptr);
          lobby = FindShown(L"#32770", kLobbyTitle);
          return g_control && lobby;
        }, 60000),
        L"control window and lobby appear");
  if (!g_control || !lobby) {
    TerminateProcess(pi.hProcess, 1);
    return 1;
  }
  Check(!IsWindowVisible(g_control) && ClassOf(g_control) != L"#32770",
        L"control window is hidden and no dialog");
  CheckLobbyShape(lobby);
  HWND list = FindWindowExW(lobby, nullptr, L"ListBox", nullptr);
  HWND spectate = FindWindowExW(lobby, nullptr, L"Button", kSpectateText);
  HWND lobby_input = FindWindowExW(lobby, nullptr, L"Edit", nullptr);
  if (!list || !spectate || !lobby_input) {
    TerminateProcess(pi.hProcess, 1);
    return 1;
  }

  // The script's sleep must not block the control channel.
  Check(WaitJournal(L"mark script started"), L"script started");
  CommandOk(L"mark remote during sleep");
  Check(WaitJournal(L"script done", 1, 10000), L"script finished");
  JournalInOrder(L"script ran around a remote command during its sleep",
                 {L"lobby opened", L"mark script started", L"mark remote during sleep",
                  L"mark script resumed", L"script error 5 bogus command", L"script done"});

  // The hook: a chat line in the game arrives in our TEdit.
  g_received.clear();
  CommandOk(L"chat lobby abc\thello");
  Check(g_received.size() == 1 && g_received[0] == L"\r\nabc\t>hello",
        L"TEdit received exactly \\r\\nabc\\t>hello",
        g_received.empty() ? L"nothing" : g_received[0]);
  wchar_t shown[64] = {};
  GetWindowTextW(tedit, shown, 64);
  Check(std::wstring(shown) == L"\r\nabc\t>hello", L"TEdit holds the delivered text");
  Check(WaitJournal(L"chatlog lobby abc\thello"), L"journal: chatlog lobby abc\\thello");

  g_received.clear();
  Check(Command(L"frobnicate") == 0, L"unknown command answers 0");
  Check(Command(L"chat lobby no-tab") == 0, L"chat without a tab answers 0");
  Check(Command(L"chat table bob\thi") == 0, L"chat to a table that is not open answers 0");
  Check(Command(L"outcomes fail,maybe") == 0, L"bad outcome answers 0");
  Check(Command(L"hang soon") == 0, L"bad number answers 0");
  Check(Command(L"sleep 10") == 0, L"sleep is for scripts only");
  Check(SendRaw(2, "mark wrong kind") == 0, L"dwData other than 1 answers 0");
  Check(SendRaw(1, "mark \xFF\xFE") == 0, L"malformed UTF-8 answers 0");
  Check(g_received.empty(), L"rejected commands delivered nothing");

  CheckTableList(list);
  HWND table = CheckSpectate(lobby, spectate);
  if (!table) {
    TerminateProcess(pi.hProcess, 1);
    return 1;
  }
  HWND table_input = FindWindowExW(table, nullptr, L"Edit", nullptr);
  Check(table_input && FindWindowExW(table, nullptr, L"KatuChatLog", nullptr),
        L"table window has an Edit and a KatuChatLog");

  CheckChatInput(lobby_input, L"lobby", L"よろしくお願いします");
  if (table_input) CheckChatInput(table_input, L"table", L"gg");

  PostMessageW(table, WM_KEYDOWN, VK_F4, 0);
  PostMessageW(table, WM_KEYUP, VK_F4, 0);
  Check(WaitJournal(L"key tablewin up 115"), L"F4 posted to the table window is journaled");
  JournalInOrder(L"journal of F4", {L"key tablewin down 115", L"key tablewin up 115"});

  g_received.clear();
  CommandOk(L"chat table ボブ\tロン！ 12000点");
  Check(g_received.size() == 1 && g_received[0] == Delivered(L"ボブ", L"ロン！ 12000点"),
        L"table chat line reaches TEdit", g_received.empty() ? L"nothing" : g_received[0]);

  CheckBursts();
  CheckHang(lobby);

  CommandOk(L"table close");
  Check(WaitFor([&] { return !IsWindow(table); }, 5000) && WaitJournal(L"table closed"),
        L"'table close' closes the table window");
  CommandOk(L"table open 第3卓 東風戦");
  HWND table2 = nullptr;
  Check(WaitFor([&] { return (table2 = FindShown(L"KatuGameMjMain", nullptr)) != nullptr; }, 5000) &&
            WindowText(table2) == L"第3卓 東風戦",
        L"'table open TITLE' opens a table with that title");

  CommandOk(L"lobby title テスト ロビー");
  Check(WindowText(lobby) == L"テスト ロビー", L"'lobby title' retitles the lobby");

  Check(UnInstallHook_CallWndProc() != 0, L"UnInstall succeeds");
  g_received.clear();
  CommandOk(L"chat lobby abc\tafter unhook");
  Pump(500);
  Check(g_received.empty(), L"no delivery after UnInstall",
        g_received.empty() ? L"" : g_received[0]);

  // Without the hook every line stays inside the game, so only chunking lets
  // a command in between the lines of a zero-interval burst. The pause lets
  // the burst get going first.
  {
    const ULONGLONG start = GetTickCount64();
    CommandOk(L"burst lobby 50000 0 chunky");
    Sleep(150);
    CommandOk(L"mark between chunks");
    Check(WaitJournal(L"burst done lobby 50000", 1, 120000), L"50000-line burst finished",
          std::to_wstring(GetTickCount64() - start) + L" ms");
    Print(L"     (50000-line burst took about " + std::to_wstring(GetTickCount64() - start) +
          L" ms)");
    const auto lines = ReadJournal();
    const auto first =
        std::find(lines.begin(), lines.end(), L"chatlog lobby chunky\tline 1 from chunky");
    const auto mark = std::find(lines.begin(), lines.end(), L"mark between chunks");
    const auto last =
        std::find(lines.begin(), lines.end(), L"chatlog lobby chunky\tline 50000 from chunky");
    Check(first < mark && mark < last && last != lines.end(),
          L"zero-interval burst lets the message loop run between chunks");
  }

  CommandOk(L"lobby close");
  Check(WaitFor([&] { return !IsWindow(lobby); }, 5000), L"'lobby close' closes the lobby");
  CommandOk(L"lobby open");
  Check(WaitFor([] { return FindShown(L"#32770", L"テスト ロビー") != nullptr; }, 5000),
        L"'lobby open' reopens it with the current title");

  CommandOk(L"table close");
  CheckClickCommands(L"テスト ロビー");

  CommandOk(L"quit");
  const DWORD waited = WaitForSingleObject(pi.hProcess, 10000);
  DWORD exit_code = 1;
  GetExitCodeProcess(pi.hProcess, &exit_code);
  Check(waited == WAIT_OBJECT_0 && exit_code == 0, L"'quit' ends the game with exit code 0");
  if (waited != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hProcess);

  JournalInOrder(L"journal of the whole run",
                 {L"lobby opened", L"chatlog lobby abc\thello", L"table opened",
                  L"sent lobby よろしくお願いします", L"sent table gg",
                  L"chatlog table ボブ\tロン！ 12000点", L"burst done table 40",
                  L"table closed", L"table opened", L"chatlog lobby abc\tafter unhook",
                  L"lobby closed", L"lobby opened"});

  DestroyWindow(form);
  DeleteFileW(script_path.c_str());
  if (g_failures == 0 && !keep_journal) {
    DeleteFileW(g_journal_path.c_str());
  } else {
    Print(L"journal kept at " + g_journal_path);
  }
  return g_failures == 0 ? 0 : 1;
}

}  // namespace

// --keep-journal: leave the game's journal in %TEMP% even when all passed.
int wmain(int argc, wchar_t** argv) {
  const bool keep_journal = argc > 1 && std::wstring_view(argv[1]) == L"--keep-journal";
  const int rc = Run(keep_journal);
  UnInstallHook_CallWndProc();
  Print(std::wstring(rc == 0 ? L"PASS" : L"FAIL") + L": " + std::to_wstring(g_checks) +
        L" checks, " + std::to_wstring(g_failures) + L" failed");
  return rc;
}
