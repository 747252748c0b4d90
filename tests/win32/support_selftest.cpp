// Self-test of the Win32 test support library.
//
// This file is built twice. As win32_support_selftest (console) it runs the
// GoogleTest tests. As win32_support_selftest_child (GUI subsystem, like
// ホロネ; WINTEST_SELFTEST_CHILD) it is the program under test: with
// --child-ui a window with a list view, status bar, list box, combo box,
// check box, edit, menu bar and context menu; with other --child-* arguments
// small helper modes. The tests start the child and read and drive it from
// outside through the support library only.
#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#ifndef WINTEST_SELFTEST_CHILD
#include <gtest/gtest.h>
#endif

#include <cstdlib>
#include <functional>
#include <cstring>
#include <string>
#include <vector>

#include "win32_test_support.h"

namespace {

// --- What the child shows (both sides know it) ---------------------------------------

constexpr const wchar_t* kMainClass = L"WintestSelfTestMain";
constexpr const wchar_t* kMainTitle = L"サポート自己テスト";
constexpr int kMainWidth = 800;
constexpr int kMainHeight = 600;
constexpr int kMainX = 40;
constexpr int kMainY = 30;

constexpr int kRowCount = 5;
constexpr int kColumnCount = 3;
const wchar_t* const kRows[kRowCount][kColumnCount] = {
    {L"ホロネ", L"メッセージ", L"1"},
    {L"かたな", L"武器", L"20"},
    {L"Potion", L"回復薬 (小)", L"300"},
    {L"ＭＳ Ｐゴシック", L"フォント名", L"4000"},
    {L"表示能力", L"ソ十申能", L"-5"},  // second-byte-0x5C characters in CP932
};
const wchar_t* const kColumns[kColumnCount] = {L"名前", L"種類", L"数"};
constexpr int kColumnWidths[kColumnCount] = {120, 210, 70};
constexpr int kInitialSelection = 2;

const wchar_t* const kStatusTexts[3] = {L"準備完了", L"部品2", L"部品3"};
constexpr int kStatusEdges[3] = {200, 450, -1};

const wchar_t* const kListBoxItems[] = {L"りんご", L"みかん", L"ぶどう"};
constexpr int kListBoxSelection = 1;
const wchar_t* const kComboItems[] = {L"東京", L"大阪", L"名古屋"};
constexpr int kComboSelection = 2;

constexpr const wchar_t* kClipboardText = L"コピー元のテキスト 123";
constexpr const wchar_t* kMessageText = L"保存しました。\nよろしいですか？";
constexpr const wchar_t* kMessageTitle = L"確認";

// The pure red rectangle the child paints (client coordinates).
constexpr RECT kRedRect = {600, 300, 680, 350};

enum : int {
  IDC_LIST = 1001,
  IDC_STATUS,
  IDC_LISTBOX,
  IDC_COMBO,
  IDC_CHECK,
  IDC_DISABLED,
  IDC_EDIT,
  ID_OPEN = 101,     // ファイル: item 0
  ID_MESSAGE = 102,  // item 1 (after a separator)
  ID_COPY = 103,     // item 2
  ID_HANG = 104,     // item 3
  ID_EXIT = 105,     // item 4 (after a separator)
  ID_REFRESH = 201,  // 表示: item 0
  ID_DETAIL = 202,   // item 1
  ID_CTX_A = 301,    // context menu: item 0
  ID_CTX_B = 302,    // item 1
  ID_CTX_C = 303,    // item 2 (after a separator)
};

// --- Child side ---------------------------------------------------------------------------
#ifdef WINTEST_SELFTEST_CHILD

namespace child {

HWND g_list, g_status, g_listBox, g_combo, g_check, g_edit;

void setStatus(int part, const std::wstring& text) {
  SendMessageW(g_status, SB_SETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring textOf(HWND h) {
  wchar_t buffer[512];
  GetWindowTextW(h, buffer, 512);
  return buffer;
}

void createControls(HWND hwnd) {
  HINSTANCE inst = GetModuleHandleW(nullptr);
  auto make = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, int id,
                  DWORD ex = 0) {
    return CreateWindowExW(ex, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
  };
  g_list = make(WC_LISTVIEWW, L"", LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | WS_TABSTOP, 10, 10,
                500, 200, IDC_LIST, WS_EX_CLIENTEDGE);
  ListView_SetExtendedListViewStyle(g_list, LVS_EX_FULLROWSELECT);
  for (int c = 0; c < kColumnCount; ++c) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.pszText = const_cast<LPWSTR>(kColumns[c]);
    col.cx = kColumnWidths[c];
    col.iSubItem = c;
    SendMessageW(g_list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
  }
  SendMessageW(g_list, LVM_SETITEMCOUNT, kRowCount, 0);
  ListView_SetItemState(g_list, kInitialSelection, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);

  g_listBox = make(WC_LISTBOXW, L"", WS_BORDER | WS_VSCROLL | LBS_NOTIFY, 520, 10, 120, 100, IDC_LISTBOX);
  for (auto* s : kListBoxItems) SendMessageW(g_listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  SendMessageW(g_listBox, LB_SETCURSEL, kListBoxSelection, 0);

  g_combo = make(WC_COMBOBOXW, L"", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL, 650, 10, 130, 200, IDC_COMBO);
  for (auto* s : kComboItems) SendMessageW(g_combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  SendMessageW(g_combo, CB_SETCURSEL, kComboSelection, 0);

  g_check = make(WC_BUTTONW, L"有効", BS_AUTOCHECKBOX, 520, 120, 120, 24, IDC_CHECK);
  SendMessageW(g_check, BM_SETCHECK, BST_CHECKED, 0);
  HWND disabled = make(WC_BUTTONW, L"無効ボタン", BS_PUSHBUTTON, 650, 120, 120, 24, IDC_DISABLED);
  EnableWindow(disabled, FALSE);
  g_edit = make(WC_EDITW, L"", ES_AUTOHSCROLL | WS_BORDER, 520, 150, 250, 24, IDC_EDIT);

  g_status = make(STATUSCLASSNAMEW, L"", SBARS_SIZEGRIP, 0, 0, 0, 0, IDC_STATUS);
  SendMessageW(g_status, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(kStatusEdges));
  for (int i = 0; i < 3; ++i) setStatus(i, kStatusTexts[i]);

  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  for (HWND h : {g_list, g_listBox, g_combo, g_check, disabled, g_edit})
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

HMENU createMenuBar() {
  HMENU file = CreatePopupMenu();
  AppendMenuW(file, MF_STRING, ID_OPEN, L"開く(&O)");
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(file, MF_STRING, ID_MESSAGE, L"メッセージ(&M)");
  AppendMenuW(file, MF_STRING, ID_COPY, L"コピー(&C)");
  AppendMenuW(file, MF_STRING, ID_HANG, L"固まる(&H)");
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(file, MF_STRING, ID_EXIT, L"終了(&X)");
  HMENU view = CreatePopupMenu();
  AppendMenuW(view, MF_STRING, ID_REFRESH, L"更新(&R)");
  AppendMenuW(view, MF_STRING, ID_DETAIL, L"詳細(&D)");
  HMENU bar = CreateMenu();
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"ファイル(&F)");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), L"表示(&V)");
  return bar;
}

void copyToClipboard(HWND hwnd) {
  if (!OpenClipboard(hwnd)) {
    setStatus(0, L"clip:busy");
    return;
  }
  EmptyClipboard();
  size_t chars = wcslen(kClipboardText) + 1;
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, chars * sizeof(wchar_t));
  std::memcpy(GlobalLock(g), kClipboardText, chars * sizeof(wchar_t));
  GlobalUnlock(g);
  SetClipboardData(CF_UNICODETEXT, g);
  CloseClipboard();
  setStatus(0, L"clip:ok");
}

void showContextMenu(HWND hwnd, LPARAM lp) {
  POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  if (pt.x == -1 && pt.y == -1) {
    RECT r;
    GetWindowRect(g_list, &r);
    pt = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  HMENU m = CreatePopupMenu();
  AppendMenuW(m, MF_STRING, ID_CTX_A, L"項目A");
  AppendMenuW(m, MF_STRING, ID_CTX_B, L"項目B");
  AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(m, MF_STRING, ID_CTX_C, L"項目C");
  int cmd = TrackPopupMenu(m, TPM_RETURNCMD | TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd, nullptr);
  DestroyMenu(m);
  setStatus(0, cmd ? L"cmd:" + std::to_wstring(cmd) : std::wstring(L"menu:none"));
}

LRESULT CALLBACK mainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      createControls(hwnd);
      return 0;
    case WM_SIZE:
      SendMessageW(g_status, WM_SIZE, 0, 0);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
      FillRect(dc, &kRedRect, red);
      DeleteObject(red);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_NOTIFY: {
      auto* nm = reinterpret_cast<NMHDR*>(lp);
      if (nm->hwndFrom == g_list && nm->code == NM_DBLCLK) {
        setStatus(0, L"dblclk:" + std::to_wstring(reinterpret_cast<NMITEMACTIVATE*>(lp)->iItem));
        return 0;
      }
      if (nm->hwndFrom == g_list && nm->code == LVN_GETDISPINFOW) {
        auto* di = reinterpret_cast<NMLVDISPINFOW*>(lp);
        if ((di->item.mask & LVIF_TEXT) && di->item.iItem >= 0 && di->item.iItem < kRowCount &&
            di->item.iSubItem >= 0 && di->item.iSubItem < kColumnCount && di->item.pszText)
          lstrcpynW(di->item.pszText, kRows[di->item.iItem][di->item.iSubItem], di->item.cchTextMax);
        return 0;
      }
      break;
    }
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wp) == g_list) {
        showContextMenu(hwnd, lp);
        return 0;
      }
      break;
    case WM_COMMAND: {
      int id = LOWORD(wp), code = HIWORD(wp);
      if (id == IDC_COMBO && code == CBN_EDITCHANGE) {
        setStatus(1, L"combo:" + textOf(g_combo));
        return 0;
      }
      if (id == IDC_EDIT && code == EN_CHANGE) {
        setStatus(2, L"edit:" + textOf(g_edit));
        return 0;
      }
      if (id == IDC_CHECK && code == BN_CLICKED) {
        setStatus(0, L"check:" + std::to_wstring(SendMessageW(g_check, BM_GETCHECK, 0, 0)));
        return 0;
      }
      if (lp != 0) break;  // other control notifications
      switch (id) {
        case ID_MESSAGE: {
          int r = MessageBoxW(hwnd, kMessageText, kMessageTitle, MB_OKCANCEL | MB_ICONINFORMATION);
          setStatus(0, L"mbox:" + std::to_wstring(r));
          return 0;
        }
        case ID_COPY:
          copyToClipboard(hwnd);
          return 0;
        case ID_HANG:
          Sleep(3000);
          setStatus(0, L"cmd:" + std::to_wstring(id));
          return 0;
        case ID_EXIT:
          DestroyWindow(hwnd);
          return 0;
        default:
          setStatus(0, L"cmd:" + std::to_wstring(id));
          return 0;
      }
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

int runUi() {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = mainProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kMainClass;
  RegisterClassExW(&wc);
  HWND hwnd = CreateWindowExW(0, kMainClass, kMainTitle, WS_OVERLAPPEDWINDOW, kMainX, kMainY, kMainWidth,
                              kMainHeight, nullptr, createMenuBar(), wc.hInstance, nullptr);
  if (!hwnd) return 3;
  ShowWindow(hwnd, SW_SHOWNORMAL);
  UpdateWindow(hwnd);
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  return static_cast<int>(m.wParam);
}

void writeUtf8(const std::wstring& path, const std::wstring& text) {
  wintest::writeFileBytes(path, wintest::toUtf8(text));
}

int run(int argc, wchar_t** argv) {
  std::wstring mode = argv[1];
  if (mode == L"--child-ui") return runUi();
  if (mode == L"--child-exit" && argc >= 4) {
    // Reports WINTEST_VALUE and the working directory, then exits with argv[2].
    wchar_t cwd[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, cwd);
    writeUtf8(argv[3], wintest::getEnv(L"WINTEST_VALUE").value_or(L"(unset)") + L"\n" + cwd +
                           L"\n" + wintest::getEnv(L"WINTEST_REMOVED").value_or(L"(unset)"));
    return _wtoi(argv[2]);
  }
  if (mode == L"--child-sleep") {
    Sleep(60000);
    return 0;
  }
  if (mode == L"--child-write-later" && argc >= 5) {
    Sleep(static_cast<DWORD>(_wtoi(argv[3])));
    writeUtf8(argv[2], argv[4]);
    return 0;
  }
  if (mode == L"--child-open" && argc >= 3) {
    HANDLE h = CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      CloseHandle(h);
      return 0;
    }
    return static_cast<int>(GetLastError());
  }
  return 2;
}

}  // namespace child

#endif  // WINTEST_SELFTEST_CHILD

// --- Test side ------------------------------------------------------------------------------
#ifndef WINTEST_SELFTEST_CHILD

using namespace wintest;

std::wstring childPath() { return currentExeDir() + L"\\win32_support_selftest_child.exe"; }

Process startChild(std::vector<std::wstring> args, ProcessOptions base = {}) {
  base.exe = childPath();
  base.args = std::move(args);
  return Process::start(base);
}

TEST(Process, PassesEnvironmentAndWorkingDirectoryAndReturnsExitCode) {
  TempDir dir(L"wintest-proc");
  TempDir work(L"wintest-work");
  auto out = dir.file(L"report.txt");
  SetEnvironmentVariableW(L"WINTEST_REMOVED", L"inherited");
  ProcessOptions o;
  o.workDir = work.path();
  o.env = {{L"WINTEST_VALUE", L"値 with spaces \"quoted\""}, {L"WINTEST_REMOVED", L""}};
  Process p = startChild({L"--child-exit", L"37", out}, o);
  auto code = p.waitForExit(30000);
  SetEnvironmentVariableW(L"WINTEST_REMOVED", nullptr);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 37u);
  std::wstring report = fromUtf8(readFileBytes(out));
  std::wstring expected = std::wstring(L"値 with spaces \"quoted\"\n") + work.path() + L"\n(unset)";
  // The working directory may come back with or without a trailing slash.
  EXPECT_TRUE(report == expected ||
              report == std::wstring(L"値 with spaces \"quoted\"\n") + work.path() + L"\\\n(unset)")
      << toUtf8(report);
}

TEST(Process, QuotesArgumentsSoTheChildGetsThemBack) {
  TempDir dir(L"wintest-args");
  auto out = dir.file(L"空白 のある 名前.txt");
  const std::wstring text = L"a \"b\" c\\ d\\\\\" e\\";
  Process p = startChild({L"--child-write-later", out, L"0", text});
  ASSERT_EQ(p.waitForExit(30000), std::optional<DWORD>(0));
  EXPECT_EQ(fromUtf8(readFileBytes(out)), text);
}

TEST(Process, WaitTimesOutWhileRunningAndTerminateEndsIt) {
  Process p = startChild({L"--child-sleep"});
  EXPECT_TRUE(p.running());
  EXPECT_FALSE(p.waitForExit(300).has_value());
  p.terminate(99);
  EXPECT_FALSE(p.running());
  EXPECT_EQ(p.waitForExit(0), std::optional<DWORD>(99));
}

TEST(Files, WaitForFileContainingSeesAnotherProcessWriteLater) {
  TempDir dir(L"wintest-files");
  auto path = dir.file(L"later.txt");
  Process p = startChild({L"--child-write-later", path, L"700", L"done: 完了"});
  EXPECT_FALSE(waitForFileContaining(path, toUtf8(L"完了"), 100));
  EXPECT_TRUE(waitForFileContaining(path, toUtf8(L"完了"), 20000));
  EXPECT_FALSE(waitForFileContaining(path, "never written", 200));
  writeFileBytes(dir.file(L"bytes.bin"), std::string("\x00\x82\xA0\xFF", 4));
  EXPECT_EQ(readFileBytes(dir.file(L"bytes.bin")), std::string("\x00\x82\xA0\xFF", 4));
  EXPECT_FALSE(tryReadFileBytes(dir.file(L"missing.bin")).has_value());
  EXPECT_THROW(readFileBytes(dir.file(L"missing.bin")), Error);
}

TEST(Files, ExclusiveLockMakesOpeningFailInAnotherProcess) {
  TempDir dir(L"wintest-lock");
  auto path = dir.file(L"locked.txt");
  writeFileBytes(path, "x");
  {
    ExclusiveFileLock lock(path);
    Process p = startChild({L"--child-open", path});
    EXPECT_EQ(p.waitForExit(30000), std::optional<DWORD>(ERROR_SHARING_VIOLATION));
  }
  Process p = startChild({L"--child-open", path});
  EXPECT_EQ(p.waitForExit(30000), std::optional<DWORD>(0));
}

TEST(Files, TempDirIsRemovedWithItsContents) {
  std::wstring where;
  {
    TempDir dir(L"wintest-tmp");
    where = dir.path();
    writeFileBytes(dir.file(L"a.txt"), "a");
    ASSERT_TRUE(CreateDirectoryW(dir.file(L"sub").c_str(), nullptr));
    writeFileBytes(dir.file(L"sub\\b.txt"), "b");
    EXPECT_TRUE(pathExists(where + L"\\sub\\b.txt"));
  }
  EXPECT_FALSE(pathExists(where));
}

// A fresh child window for every test.
class ChildWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    process_ = startChild({L"--child-ui"});
    WindowQuery q;
    q.className = kMainClass;
    q.pid = process_.pid();
    main_ = waitForTopLevelWindow(q, 30000);
    ASSERT_NE(main_, nullptr) << "the child's main window did not appear";
    list_ = childById(main_, IDC_LIST);
    status_ = childById(main_, IDC_STATUS);
    ASSERT_NE(list_, nullptr);
    ASSERT_NE(status_, nullptr);
  }

  void TearDown() override {
    if (!process_.running()) return;
    // Close any message box or menu left open, then the window.
    for (HWND h : topLevelWindows(process_.pid(), true))
      if (h != main_) PostMessageW(h, WM_CLOSE, 0, 0);
    PostMessageW(main_, WM_CLOSE, 0, 0);
    if (!process_.waitForExit(5000)) process_.terminate();
  }

  bool statusBecomes(int part, const std::wstring& text, DWORD timeoutMs = 5000) {
    return waitUntil([&] { return statusBarText(status_, part) == text; }, timeoutMs);
  }

  Process process_;
  HWND main_ = nullptr;
  HWND list_ = nullptr;
  HWND status_ = nullptr;
};

TEST_F(ChildWindow, FindsTheWindowAndReadsItsBasicState) {
  WindowQuery byTitle;
  byTitle.title = kMainTitle;
  byTitle.pid = process_.pid();
  EXPECT_EQ(findTopLevelWindow(byTitle), main_);
  WindowQuery otherPid = byTitle;
  otherPid.pid = GetCurrentProcessId();
  EXPECT_EQ(findTopLevelWindow(otherPid), nullptr);

  EXPECT_TRUE(process_.waitForInputIdle(10000));
  EXPECT_EQ(windowClass(main_), kMainClass);
  EXPECT_EQ(windowText(main_), kMainTitle);
  EXPECT_EQ(windowProcessId(main_), process_.pid());
  EXPECT_TRUE(isWindowVisible(main_));
  EXPECT_TRUE(isResponsive(main_));

  RECT w = windowRect(main_);
  EXPECT_EQ(w.right - w.left, kMainWidth);
  EXPECT_EQ(w.bottom - w.top, kMainHeight);
  RECT c = clientRect(main_);
  EXPECT_EQ(c.left, 0);
  EXPECT_EQ(c.top, 0);
  EXPECT_GT(c.right, kMainWidth - 40);
  EXPECT_LT(c.bottom, kMainHeight - 20);  // caption and menu bar take room
  RECT cs = clientRectOnScreen(main_);
  EXPECT_GE(cs.left, w.left);
  EXPECT_GT(cs.top, w.top);
  EXPECT_LE(cs.right, w.right);
  EXPECT_LE(cs.bottom, w.bottom);

  auto lists = childWindows(main_, L"SysListView32");
  ASSERT_EQ(lists.size(), 1u);
  EXPECT_EQ(lists[0], list_);
  EXPECT_EQ(controlId(list_), IDC_LIST);
  EXPECT_EQ(childWindows(main_, L"msctls_statusbar32").size(), 1u);
  EXPECT_EQ(findChild(main_, L"NoSuchClass"), nullptr);
  HWND disabled = childById(main_, IDC_DISABLED);
  EXPECT_FALSE(isWindowEnabled(disabled));
  EXPECT_EQ(windowText(disabled), L"無効ボタン");
  EXPECT_TRUE(isWindowEnabled(childById(main_, IDC_CHECK)));
}

// Runs body once with each way of reaching the target's memory, then goes
// back to the default. Where the environment asks for shared sections only
// (wine-run.sh does for 32-bit programs under qemu-i386, where
// WriteProcessMemory would corrupt the target), only with that.
void withEachRemoteMemoryMethod(const std::function<void()>& body) {
  const RemoteMemoryMethod saved = defaultRemoteMemoryMethod();
  std::vector<RemoteMemoryMethod> methods = {RemoteMemoryMethod::VirtualAllocEx, RemoteMemoryMethod::SharedSection};
  if (getEnv(L"WINTEST_REMOTE_MEMORY") == std::optional<std::wstring>(L"section"))
    methods = {RemoteMemoryMethod::SharedSection};
  for (auto m : methods) {
    SCOPED_TRACE(m == RemoteMemoryMethod::VirtualAllocEx ? "VirtualAllocEx" : "SharedSection");
    setDefaultRemoteMemoryMethod(m);
    body();
  }
  setDefaultRemoteMemoryMethod(saved);
}

TEST_F(ChildWindow, RemoteMemoryRoundTripsBytes) {
  withEachRemoteMemoryMethod([&] {
    RemoteMemory mem(main_, 8192);
    EXPECT_EQ(mem.method(), defaultRemoteMemoryMethod());
    std::string pattern(8192, '\0');
    for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<char>(i * 7 + 3);
    mem.write(0, pattern.data(), pattern.size());
    std::string back(8192, '\0');
    mem.read(0, back.data(), back.size());
    EXPECT_EQ(back, pattern);
    mem.writeValue<int>(4096, 0x12345678);
    EXPECT_EQ(mem.readValue<int>(4096), 0x12345678);
    EXPECT_THROW(mem.write(8190, pattern.data(), 4), Error);
  });
}

TEST_F(ChildWindow, ReadsTheVirtualListViewThroughRemoteMemory) {
  withEachRemoteMemoryMethod([&] {
    ASSERT_EQ(listViewItemCount(list_), kRowCount);
    ASSERT_EQ(listViewColumnCount(list_), kColumnCount);
    for (int r = 0; r < kRowCount; ++r) {
      for (int c = 0; c < kColumnCount; ++c)
        EXPECT_EQ(listViewItemText(list_, r, c), kRows[r][c]) << "row " << r << " column " << c;
    }
    std::vector<std::wstring> row3 = listViewRow(list_, 3);
    EXPECT_EQ(row3, (std::vector<std::wstring>{kRows[3][0], kRows[3][1], kRows[3][2]}));
    EXPECT_EQ(listViewHeaderTexts(list_), (std::vector<std::wstring>{kColumns[0], kColumns[1], kColumns[2]}));
    for (int c = 0; c < kColumnCount; ++c) {
      EXPECT_EQ(listViewColumnWidth(list_, c), kColumnWidths[c]);
      EXPECT_EQ(headerItemWidth(listViewHeader(list_), c), kColumnWidths[c]);
    }
  });
  EXPECT_EQ(listViewSelectedItem(list_), kInitialSelection);
  EXPECT_EQ(listViewFocusedItem(list_), kInitialSelection);
  EXPECT_EQ(listViewSelectedItems(list_), std::vector<int>{kInitialSelection});
  EXPECT_EQ(listViewSelectedCount(list_), 1);
  EXPECT_EQ(listViewTopIndex(list_), 0);
  RECT r0 = listViewItemRect(list_, 0), r1 = listViewItemRect(list_, 1);
  EXPECT_GT(r0.bottom, r0.top);
  EXPECT_EQ(r1.top, r0.bottom);

  // A key posted to the list view moves the selection as the user's would.
  pressKey(list_, VK_DOWN);
  EXPECT_TRUE(waitUntil([&] { return listViewSelectedItem(list_) == kInitialSelection + 1; }, 5000));
  EXPECT_EQ(listViewFocusedItem(list_), kInitialSelection + 1);
}

TEST_F(ChildWindow, ReadsTheStatusBarParts) {
  withEachRemoteMemoryMethod([&] {
    EXPECT_EQ(statusBarPartCount(status_), 3);
    EXPECT_EQ(statusBarPartEdges(status_), (std::vector<int>{kStatusEdges[0], kStatusEdges[1], kStatusEdges[2]}));
    EXPECT_EQ(statusBarTexts(status_),
              (std::vector<std::wstring>{kStatusTexts[0], kStatusTexts[1], kStatusTexts[2]}));
  });
  EXPECT_THROW(statusBarText(list_, 0), Error);  // not a status bar
}

TEST_F(ChildWindow, ReadsListBoxComboBoxAndCheckBox) {
  HWND lb = childById(main_, IDC_LISTBOX), cb = childById(main_, IDC_COMBO), check = childById(main_, IDC_CHECK);
  EXPECT_EQ(listBoxCount(lb), 3);
  EXPECT_EQ(listBoxItems(lb), (std::vector<std::wstring>{kListBoxItems[0], kListBoxItems[1], kListBoxItems[2]}));
  EXPECT_EQ(listBoxCurSel(lb), kListBoxSelection);
  EXPECT_EQ(listBoxSelectedItems(lb), std::vector<int>{kListBoxSelection});
  EXPECT_EQ(comboCount(cb), 3);
  EXPECT_EQ(comboItems(cb), (std::vector<std::wstring>{kComboItems[0], kComboItems[1], kComboItems[2]}));
  EXPECT_EQ(comboCurSel(cb), kComboSelection);
  EXPECT_EQ(comboText(cb), kComboItems[kComboSelection]);
  EXPECT_FALSE(comboDroppedDown(cb));
  EXPECT_THROW(listBoxItem(lb, 7), Error);

  EXPECT_EQ(checkState(check), BST_CHECKED);
  clickButton(check);
  EXPECT_TRUE(statusBecomes(0, L"check:0"));
  EXPECT_EQ(checkState(check), BST_UNCHECKED);
  clickButton(check, Delivery::Send);
  EXPECT_EQ(checkState(check), BST_CHECKED);
  EXPECT_EQ(statusBarText(status_, 0), L"check:1");
}

TEST_F(ChildWindow, ClicksAndDoubleClicksAtClientPoints) {
  HWND lb = childById(main_, IDC_LISTBOX);
  int itemHeight = static_cast<int>(sendMessage(lb, LB_GETITEMHEIGHT, 0, 0));
  ASSERT_GT(itemHeight, 0);
  clickAt(lb, POINT{20, itemHeight * 2 + itemHeight / 2});
  EXPECT_TRUE(waitUntil([&] { return listBoxCurSel(lb) == 2; }, 5000)) << listBoxCurSel(lb);

  RECT item = listViewItemRect(list_, 4);
  doubleClickAt(list_, POINT{item.left + 10, (item.top + item.bottom) / 2});
  EXPECT_TRUE(statusBecomes(0, L"dblclk:4"));
  EXPECT_EQ(listViewSelectedItem(list_), 4);
}

TEST_F(ChildWindow, TypesIntoComboBoxAndEdit) {
  HWND cb = childById(main_, IDC_COMBO), edit = childById(main_, IDC_EDIT);
  setText(cb, L"", false);
  EXPECT_EQ(comboText(cb), L"");
  typeText(cb, L"abc 日本語");
  EXPECT_EQ(comboText(cb), L"abc 日本語");
  EXPECT_EQ(statusBarText(status_, 1), L"combo:abc 日本語");  // CBN_EDITCHANGE reached the parent

  typeText(edit, L"ソ表", Delivery::Post);
  EXPECT_TRUE(statusBecomes(2, L"edit:ソ表"));
  EXPECT_EQ(windowText(edit), L"ソ表");

  setText(edit, L"置き換え");
  EXPECT_EQ(windowText(edit), L"置き換え");
  EXPECT_EQ(statusBarText(status_, 2), L"edit:置き換え");
  setText(cb, L"大阪府");
  EXPECT_EQ(statusBarText(status_, 1), L"combo:大阪府");

  // Backspace as a key: WM_KEYDOWN is translated into the WM_CHAR the edit uses.
  pressKey(edit, VK_END);
  pressKey(edit, VK_BACK);
  EXPECT_TRUE(statusBecomes(2, L"edit:置き換"));
}

TEST_F(ChildWindow, ChoosesMenuBarItemsWithTheKeyboardAndByCommand) {
  EXPECT_FALSE(inMenuMode(main_));
  chooseMenuItem(main_, 0, 0);  // ファイル > 開く
  EXPECT_TRUE(statusBecomes(0, L"cmd:101"));
  EXPECT_FALSE(inMenuMode(main_));
  chooseMenuItem(main_, 1, 1);  // 表示 > 詳細
  EXPECT_TRUE(statusBecomes(0, L"cmd:202"));
  chooseMenuItem(main_, 0, 4);  // ファイル > 終了 (two separators skipped)
  auto code = process_.waitForExit(10000);
  ASSERT_TRUE(code.has_value()) << "終了 was not chosen";
  EXPECT_EQ(*code, 0u);
}

TEST_F(ChildWindow, ChoosesMenuItemsByAccessKeysAndCommandId) {
  chooseMenuByAccessKeys(main_, L'v', L'r');  // 表示(&V) > 更新(&R)
  EXPECT_TRUE(statusBecomes(0, L"cmd:201"));
  postCommand(main_, ID_DETAIL);
  EXPECT_TRUE(statusBecomes(0, L"cmd:202"));
}

TEST_F(ChildWindow, DrivesThePopupMenuOfTheListView) {
  RECT r = windowRect(list_);
  POINT at{r.left + 50, r.top + 60};
  HWND menu = openContextMenu(list_, at, 10000);
  ASSERT_NE(menu, nullptr) << "no #32768 popup menu appeared";
  EXPECT_EQ(windowProcessId(menu), process_.pid());
  EXPECT_TRUE(inMenuMode(main_));
  choosePopupMenuItem(menu, 2);  // 項目C, after the separator
  EXPECT_TRUE(statusBecomes(0, L"cmd:303"));
  EXPECT_TRUE(waitForWindowGone(menu, 5000));

  menu = openContextMenu(list_, POINT{-1, -1}, 10000);
  ASSERT_NE(menu, nullptr);
  closePopupMenu(menu);
  EXPECT_TRUE(statusBecomes(0, L"menu:none"));
  EXPECT_EQ(findPopupMenu(process_.pid()), nullptr);
}

TEST_F(ChildWindow, ReadsAndAnswersAMessageBox) {
  postCommand(main_, ID_MESSAGE);
  HWND box = waitForMessageBox(process_.pid(), 10000, kMessageTitle);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(GetWindow(box, GW_OWNER), main_);
  EXPECT_EQ(messageBoxText(box), kMessageText);
  EXPECT_EQ(dialogButtonTexts(box).size(), 2u);
  EXPECT_THROW(pressDialogButton(box, IDYES), Error);
  pressDialogButton(box, IDCANCEL);
  EXPECT_TRUE(statusBecomes(0, L"mbox:2"));
  EXPECT_TRUE(waitForWindowGone(box, 5000));

  postCommand(main_, ID_MESSAGE);
  box = waitForMessageBox(process_.pid(), 10000);
  ASSERT_NE(box, nullptr);
  pressDialogButton(box, IDOK);
  EXPECT_TRUE(statusBecomes(0, L"mbox:1"));
}

TEST_F(ChildWindow, ReadsTheClipboardAndHoldsItAgainstTheProgram) {
  clearClipboard();
  EXPECT_FALSE(clipboardUnicodeText().has_value());
  postCommand(main_, ID_COPY);
  ASSERT_TRUE(statusBecomes(0, L"clip:ok"));
  EXPECT_EQ(clipboardUnicodeText(), std::optional<std::wstring>(kClipboardText));
  // CF_TEXT is made from CF_UNICODETEXT in the ANSI code page (932 here).
  EXPECT_EQ(clipboardAnsiText(), std::optional<std::string>(toCodePage(kClipboardText, GetACP())));

  {
    ClipboardHolder holder;
    EXPECT_TRUE(holder.holding());
    postCommand(main_, ID_OPEN);
    ASSERT_TRUE(statusBecomes(0, L"cmd:101"));
    postCommand(main_, ID_COPY);
    EXPECT_TRUE(statusBecomes(0, L"clip:busy"));
    EXPECT_THROW(clipboardUnicodeText(200), Error);  // held by the other thread
    holder.release();
    EXPECT_FALSE(holder.holding());
    postCommand(main_, ID_COPY);
    EXPECT_TRUE(statusBecomes(0, L"clip:ok"));
  }
  setClipboardText(L"テスト側");
  EXPECT_EQ(clipboardUnicodeText(), std::optional<std::wstring>(L"テスト側"));
}

TEST_F(ChildWindow, ResponsivenessProbeSeesAHungWindow) {
  EXPECT_TRUE(isResponsive(main_, 1000));
  postCommand(main_, ID_HANG);  // the child's UI thread sleeps for 3 s
  Sleep(300);
  EXPECT_FALSE(isResponsive(main_, 1000));
  EXPECT_TRUE(statusBecomes(0, L"cmd:104", 10000));
  EXPECT_TRUE(isResponsive(main_, 1000));
}

// The colour ImageMagick reads at a pixel of a PNG ("red", "srgb(r,g,b)", ...).
std::string pixelName(const std::wstring& png, POINT p, TempDir& dir) {
  auto probe = dir.file(L"probe.txt");
  DeleteFileW(probe.c_str());
  char at[32];
  wsprintfA(at, "%ld,%ld", p.x, p.y);
  auto status = runUnixShell("convert \"$1\" -format \"%[pixel:p{$3}]\" info: >\"$2\"",
                             {*unixPath(png), *unixPath(probe), at}, 30000);
  if (status != std::optional<int>(0)) return "(convert failed)";
  return readFileBytes(probe);
}

bool isRed(const std::string& name) { return name == "red" || name == "srgb(255,0,0)"; }

TEST_F(ChildWindow, TakesScreenshots) {
  TempDir dir(L"wintest-shot");
  // Let the child finish painting.
  ASSERT_TRUE(isResponsive(main_, 2000));
  Sleep(300);
  RECT w = windowRect(main_), c = clientRectOnScreen(main_);
  POINT redOnScreen{c.left + kRedRect.left + 5, c.top + kRedRect.top + 5};
  POINT besideRedOnScreen{c.left + kRedRect.right + 3, c.top + kRedRect.top + 5};

  auto screen = dir.file(L"screen.png");
  ScreenshotMethod how = saveScreenshot(screen);
  auto size = pngSize(screen);
  ASSERT_TRUE(size.has_value());
  EXPECT_EQ(size->first, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(size->second, GetSystemMetrics(SM_CYSCREEN));
  if (auto keep = getEnv(L"WINTEST_KEEP_SCREENSHOT")) CopyFileW(screen.c_str(), keep->c_str(), FALSE);
  if (runningUnderWine()) {
    ASSERT_EQ(how, ScreenshotMethod::ImageMagickImport);
    // The X screen shows the child's red rectangle where Wine says it is.
    EXPECT_TRUE(isRed(pixelName(screen, redOnScreen, dir))) << pixelName(screen, redOnScreen, dir);
    EXPECT_FALSE(isRed(pixelName(screen, besideRedOnScreen, dir)));
  }

  auto window = dir.file(L"window.png");
  saveWindowScreenshot(main_, window);
  auto wsize = pngSize(window);
  ASSERT_TRUE(wsize.has_value());
  EXPECT_EQ(wsize->first, kMainWidth);
  EXPECT_EQ(wsize->second, kMainHeight);
  POINT redInWindow{redOnScreen.x - w.left, redOnScreen.y - w.top};
  if (runningUnderWine()) {
    EXPECT_TRUE(isRed(pixelName(window, redInWindow, dir)));
  }

  // GDI: the same rectangle, pixel for pixel.
  Image img = captureWindow(main_);
  ASSERT_EQ(img.width, kMainWidth);
  ASSERT_EQ(img.height, kMainHeight);
  int ox = c.left - w.left, oy = c.top - w.top;
  EXPECT_EQ(img.at(ox + kRedRect.left, oy + kRedRect.top), 0xFF0000u);
  EXPECT_EQ(img.at(ox + kRedRect.right - 1, oy + kRedRect.bottom - 1), 0xFF0000u);
  EXPECT_NE(img.at(ox + kRedRect.right, oy + kRedRect.top), 0xFF0000u);
  EXPECT_NE(img.at(ox + kRedRect.left - 1, oy + kRedRect.top), 0xFF0000u);
  size_t red = 0;
  for (uint32_t p : img.pixels) red += p == 0xFF0000u;
  EXPECT_EQ(red, static_cast<size_t>((kRedRect.right - kRedRect.left) * (kRedRect.bottom - kRedRect.top)));
  auto gdi = dir.file(L"gdi.png");
  writePng(img, gdi);
  EXPECT_EQ(pngSize(gdi), (std::optional<std::pair<int, int>>{{kMainWidth, kMainHeight}}));
  // The stored PNG we write is valid for ImageMagick too.
  if (runningUnderWine()) {
    EXPECT_TRUE(isRed(pixelName(gdi, redInWindow, dir)));
  }
}

TEST(Wine, RunsLinuxCommandsAndMapsPaths) {
  if (!runningUnderWine()) GTEST_SKIP() << "not under Wine";
  TempDir dir(L"wintest-unix");
  auto out = dir.file(L"out.txt");
  auto unix = unixPath(out);
  ASSERT_TRUE(unix.has_value());
  EXPECT_EQ(unix->front(), '/');
  auto back = dosPath(*unix);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(CompareStringOrdinal(back->c_str(), -1, out.c_str(), -1, TRUE), CSTR_EQUAL) << toUtf8(*back);
  EXPECT_EQ(runUnixShell("printf '%s|%s' \"$2\" \"$DISPLAY\" >\"$1\"; exit 7", {*unix, "two words"}, 30000),
            std::optional<int>(7));
  std::string got = readFileBytes(out);
  auto display = getEnv(L"DISPLAY");
  EXPECT_EQ(got, "two words|" + (display ? toUtf8(*display) : std::string()));
}

#endif  // !WINTEST_SELFTEST_CHILD

}  // namespace

#ifdef WINTEST_SELFTEST_CHILD
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  if (__argc < 2) return 2;
  return child::run(__argc, __wargv);
}
#else
int wmain(int argc, wchar_t** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
#endif
