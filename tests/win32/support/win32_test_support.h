// Support for Win32 tests that drive and inspect another process's windows
// from outside, the way automation tools do: start the program, find its
// windows, read its controls, click, type, choose menu items, answer message
// boxes, look at the clipboard and files, take screenshots.
//
// Written for GoogleTest tests built with mingw-w64 and run under Wine
// (scripts/wine-run.sh), but it uses only documented Win32 calls and runs on
// Windows as well.
//
// Conventions
//  * Text and paths are UTF-16 (std::wstring). Narrow byte strings (file
//    contents, CF_TEXT) are std::string holding raw bytes. (No <filesystem>
//    or <chrono> here: under -fexec-charset=CP932 libstdc++'s <chrono> does
//    not compile, and <filesystem> includes it.)
//  * Waits take a timeout in milliseconds and report a timeout by their
//    return value (nullptr, std::nullopt, false). Reads that cannot be done
//    at all (a dead window, a failed Win32 call) throw wintest::Error, whose
//    message names the call and the Win32 error; GoogleTest reports it as a
//    test failure.
//  * Remote reads of common controls (list view, header, status bar) put
//    the message's structure into the target process's memory
//    (VirtualAllocEx + WriteProcessMemory, or a shared section: see
//    RemoteMemoryMethod), send the message and read the answer back. The
//    structures (LVITEMW, HDITEMW, ...) are laid out as this test process
//    was compiled, so the test and the target must have
//    the same bitness: a 32-bit test for the 32-bit release build, a 64-bit
//    test for an x86_64 build. RemoteMemory checks that and throws otherwise.
//    List box, combo box, WM_GETTEXT and button messages are marshalled by the
//    system itself and need no remote memory.
//  * "Post" delivery puts a message into the target's queue, where its message
//    loop sees it (menus, dialogs, accelerators); it returns at once, so wait
//    for the effect with waitUntil(). "Send" delivery calls the window
//    procedure directly and returns when it has run.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace wintest {

// --- Errors and text ---------------------------------------------------------

// Thrown when a Win32 call fails. what() is UTF-8.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& what) : std::runtime_error(what) {}
};

// Throws Error("<what>: <system message> (error N)") for GetLastError().
[[noreturn]] void throwLastError(std::string_view what);
[[noreturn]] void throwLastError(std::string_view what, DWORD error);

std::string toUtf8(std::wstring_view text);
std::wstring fromUtf8(std::string_view bytes);
// Bytes in code page cp (932: Shift_JIS as Windows has it) and back.
std::string toCodePage(std::wstring_view text, UINT cp);
std::wstring fromCodePage(std::string_view bytes, UINT cp);

// Polls pred every pollMs until it returns true (then true) or timeoutMs
// passes (then false; pred is tried once more at the end).
bool waitUntil(const std::function<bool()>& pred, DWORD timeoutMs, DWORD pollMs = 20);

// Every wait of this library (waitUntil and all that use it, waitForExit,
// waitForInputIdle) lasts timeoutMs times WINTEST_TIMEOUT_SCALE (an integer
// from the environment, default 1): for slow runs such as 32-bit programs
// under qemu-i386, where wine-run.sh sets it. Message timeouts are not scaled.
unsigned timeoutScale();
DWORD scaledTimeout(DWORD timeoutMs);

// --- Handles and processes ---------------------------------------------------

// Owns a kernel handle (CloseHandle). Treats nullptr and INVALID_HANDLE_VALUE
// as empty.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE h) : h_(h) {}
  UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept;
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }
  HANDLE get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  void reset(HANDLE h = nullptr);
  HANDLE release() { return std::exchange(h_, nullptr); }

 private:
  HANDLE h_ = nullptr;
};

struct ProcessOptions {
  std::wstring exe;                 // path of the program
  std::vector<std::wstring> args;   // quoted as CommandLineToArgvW expects
  std::wstring workDir;             // empty: this process's current directory
  // Added to (or replacing the same names in) this process's environment,
  // e.g. {L"HOROHK_FAIL_INSTALL", L"1"}. An empty value removes the name.
  std::vector<std::pair<std::wstring, std::wstring>> env;
  WORD showWindow = SW_SHOWNORMAL;  // STARTUPINFO wShowWindow
  DWORD creationFlags = 0;          // CREATE_UNICODE_ENVIRONMENT is added
};

// A started child process. The destructor terminates it if it is still
// running (so a failing test leaves nothing behind) unless detach() was
// called.
class Process {
 public:
  static Process start(const ProcessOptions& options);  // throws Error
  // A running process that this one did not start (found by a window of
  // it), owned from now on like a started one. Throws Error.
  static Process open(DWORD pid);
  Process() = default;
  Process(Process&&) noexcept = default;
  Process& operator=(Process&&) noexcept;
  ~Process();

  DWORD pid() const { return pid_; }
  HANDLE handle() const { return process_.get(); }
  bool running() const;
  // The exit code, or nullopt if the process is still running after timeoutMs.
  std::optional<DWORD> waitForExit(DWORD timeoutMs);
  // WaitForInputIdle: true once the process waits for input with nothing
  // queued (its first window is usually up by then).
  bool waitForInputIdle(DWORD timeoutMs);
  // TerminateProcess(exitCode) and wait for it to be gone.
  void terminate(UINT exitCode = 1);
  void detach() { process_.reset(); pid_ = 0; }

 private:
  UniqueHandle process_;
  DWORD pid_ = 0;
};

// Quotes one argument so that CommandLineToArgvW gives it back unchanged.
std::wstring quoteArgument(std::wstring_view arg);
std::wstring buildCommandLine(std::wstring_view exe, const std::vector<std::wstring>& args);
// Full path of this test program, and its folder.
std::wstring currentExePath();
std::wstring currentExeDir();
// An environment variable of this process (nullopt if unset).
std::optional<std::wstring> getEnv(std::wstring_view name);

// --- Windows -----------------------------------------------------------------

struct WindowQuery {
  std::wstring className;   // empty: any class (compared without case)
  std::wstring title;       // empty: any title (exact match of the caption)
  DWORD pid = 0;            // 0: any process
  bool visibleOnly = true;  // skip hidden windows
  HWND owner = nullptr;     // non-null: GetWindow(GW_OWNER) must be this
};

HWND findTopLevelWindow(const WindowQuery& query);
// Polls for a matching top-level window; nullptr after timeoutMs.
HWND waitForTopLevelWindow(const WindowQuery& query, DWORD timeoutMs);
// Top-level windows of a process (all, or only visible ones), in z-order.
std::vector<HWND> topLevelWindows(DWORD pid, bool visibleOnly = false);
// All descendants of parent (depth first), optionally only of one class.
std::vector<HWND> childWindows(HWND parent, std::wstring_view className = {});
// The first descendant of that class; nullptr if none.
HWND findChild(HWND parent, std::wstring_view className);
// Polls for a descendant of that class; nullptr after timeoutMs.
HWND waitForChild(HWND parent, std::wstring_view className, DWORD timeoutMs);
// Direct child with that control ID (GetDlgItem); nullptr if none.
HWND childById(HWND parent, int id);

std::wstring windowClass(HWND hwnd);
// The text as the window itself reports it (WM_GETTEXTLENGTH + WM_GETTEXT,
// sent with SendMessageTimeoutW), so an edit control gives its current text.
std::wstring windowText(HWND hwnd, DWORD timeoutMs = 2000);
bool isWindowEnabled(HWND hwnd);
bool isWindowVisible(HWND hwnd);
RECT windowRect(HWND hwnd);   // screen coordinates
RECT clientRect(HWND hwnd);   // client coordinates (left = top = 0)
RECT clientRectOnScreen(HWND hwnd);
DWORD windowProcessId(HWND hwnd);
int controlId(HWND hwnd);
// SendMessageTimeoutW(WM_NULL, SMTO_ABORTIFHUNG): false if the window's
// thread does not answer within timeoutMs (or the window is gone).
bool isResponsive(HWND hwnd, DWORD timeoutMs = 1000);
// SendMessageTimeoutW that throws Error when the call fails or times out.
LRESULT sendMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, DWORD timeoutMs = 5000);
void postMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);  // throws Error

// --- Memory of another process -------------------------------------------------

// How RemoteMemory reaches the target's memory.
enum class RemoteMemoryMethod {
  // VirtualAllocEx in the target, WriteProcessMemory / ReadProcessMemory.
  VirtualAllocEx,
  // A shared memory section mapped both here and into the target
  // (NtMapViewOfSection on the target's process handle); reads and writes
  // are plain copies through the local view. Needed for 32-bit programs
  // under qemu-i386: there Wine's ReadProcessMemory/WriteProcessMemory (the
  // wineserver using /proc/PID/mem) miss by qemu's guest base (one page) and
  // corrupt the target.
  SharedSection,
};
// The method used when none is given: SharedSection if the environment has
// WINTEST_REMOTE_MEMORY=section (wine-run.sh sets it for 32-bit programs
// under qemu-i386), else VirtualAllocEx. setDefaultRemoteMemoryMethod
// changes it for this process.
RemoteMemoryMethod defaultRemoteMemoryMethod();
void setDefaultRemoteMemoryMethod(RemoteMemoryMethod method);

// A block of memory inside another process, freed by the destructor. Throws
// Error if the target's bitness differs from this process's (see the note
// at the top).
class RemoteMemory {
 public:
  RemoteMemory(DWORD pid, size_t size, RemoteMemoryMethod method = defaultRemoteMemoryMethod());
  RemoteMemory(HWND windowInTarget, size_t size, RemoteMemoryMethod method = defaultRemoteMemoryMethod());
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;
  ~RemoteMemory();

  // The block's address in the target process.
  void* address() const { return address_; }
  void* addressAt(size_t offset) const { return static_cast<char*>(address_) + offset; }
  size_t size() const { return size_; }
  RemoteMemoryMethod method() const { return method_; }
  void write(size_t offset, const void* data, size_t bytes);
  void read(size_t offset, void* data, size_t bytes) const;
  template <class T> void writeValue(size_t offset, const T& v) { write(offset, &v, sizeof v); }
  template <class T> T readValue(size_t offset) const { T v{}; read(offset, &v, sizeof v); return v; }
  // Reads a NUL-terminated UTF-16 string of at most maxChars characters.
  std::wstring readString(size_t offset, size_t maxChars) const;

 private:
  UniqueHandle process_;
  RemoteMemoryMethod method_;
  void* address_ = nullptr;  // in the target
  size_t size_ = 0;
  UniqueHandle section_;     // SharedSection only
  void* local_ = nullptr;    // SharedSection only: the same bytes, here
};

// True if the process runs 32-bit code on a 64-bit system (IsWow64Process).
bool isWow64(HANDLE process);

// --- List view (SysListView32) --------------------------------------------------

int listViewItemCount(HWND listView);                          // LVM_GETITEMCOUNT
std::wstring listViewItemText(HWND listView, int item, int subItem);  // LVM_GETITEMTEXTW
// Texts of all columns of one item (columns counted by the header).
std::vector<std::wstring> listViewRow(HWND listView, int item);
HWND listViewHeader(HWND listView);                            // LVM_GETHEADER
int listViewColumnCount(HWND listView);                        // HDM_GETITEMCOUNT
std::vector<std::wstring> listViewHeaderTexts(HWND listView);  // HDM_GETITEMW
int listViewColumnWidth(HWND listView, int column);            // LVM_GETCOLUMNWIDTH
// LVM_GETNEXTITEM from -1 with LVNI_FOCUSED / LVNI_SELECTED: -1 if none.
int listViewFocusedItem(HWND listView);
int listViewSelectedItem(HWND listView);
std::vector<int> listViewSelectedItems(HWND listView);
int listViewSelectedCount(HWND listView);                      // LVM_GETSELECTEDCOUNT
int listViewTopIndex(HWND listView);                           // LVM_GETTOPINDEX
// LVM_GETITEMRECT (LVIR_BOUNDS) in the list view's client coordinates.
RECT listViewItemRect(HWND listView, int item);

// --- Header control (SysHeader32) ---------------------------------------------------

int headerItemCount(HWND header);
std::wstring headerItemText(HWND header, int index);
int headerItemWidth(HWND header, int index);

// --- Status bar (msctls_statusbar32) -------------------------------------------------

int statusBarPartCount(HWND statusBar);                 // SB_GETPARTS
// Right edges of the parts in client coordinates; -1 for a part that runs to
// the right end.
std::vector<int> statusBarPartEdges(HWND statusBar);
// SB_GETTEXTLENGTHW + SB_GETTEXTW. (An SBT_OWNERDRAW part has no text.)
std::wstring statusBarText(HWND statusBar, int part);
std::vector<std::wstring> statusBarTexts(HWND statusBar);

// --- List box, combo box, buttons -------------------------------------------------------

int listBoxCount(HWND listBox);                          // LB_GETCOUNT
std::wstring listBoxItem(HWND listBox, int index);       // LB_GETTEXTLEN + LB_GETTEXT
std::vector<std::wstring> listBoxItems(HWND listBox);
int listBoxCurSel(HWND listBox);                         // LB_GETCURSEL, -1 if none
std::vector<int> listBoxSelectedItems(HWND listBox);     // LB_GETSELITEMS (multi-select)
int listBoxTopIndex(HWND listBox);                       // LB_GETTOPINDEX

int comboCount(HWND combo);                              // CB_GETCOUNT
std::wstring comboItem(HWND combo, int index);           // CB_GETLBTEXTLEN + CB_GETLBTEXTW
std::vector<std::wstring> comboItems(HWND combo);
int comboCurSel(HWND combo);                             // CB_GETCURSEL, -1 if none
std::wstring comboText(HWND combo);                      // WM_GETTEXT: edit part's text
bool comboDroppedDown(HWND combo);                       // CB_GETDROPPEDSTATE

int checkState(HWND button);                             // BM_GETCHECK: BST_*

// --- Input from outside -------------------------------------------------------------------

enum class Delivery { Post, Send };

// BM_CLICK: the button sends its parent WM_COMMAND/BN_CLICKED as for a
// mouse click. Post (default) does not wait, so a click that opens a modal
// dialog does not block the test.
void clickButton(HWND button, Delivery how = Delivery::Post);
// WM_CHAR for each UTF-16 unit. A combo box's text goes to its edit child.
void typeText(HWND target, std::wstring_view text, Delivery how = Delivery::Send);
// WM_SETTEXT. With notify, the parent also gets the notification typing
// would give where the control does not send it for WM_SETTEXT itself:
// CBN_EDITCHANGE for a combo box, EN_CHANGE for a multi-line edit (a
// single-line edit sends EN_CHANGE on its own).
void setText(HWND target, std::wstring_view text, bool notify = true);
// WM_KEYDOWN / WM_KEYUP with a plausible lParam (scan code, repeat 1).
void keyDown(HWND target, UINT vk, Delivery how = Delivery::Post);
void keyUp(HWND target, UINT vk, Delivery how = Delivery::Post);
void pressKey(HWND target, UINT vk, Delivery how = Delivery::Post);  // down + up
// WM_COMMAND(id, code 0, lParam 0) to a window, as a menu or accelerator does.
void postCommand(HWND window, WORD id);
// Left click at a point in the window's client coordinates
// (WM_LBUTTONDOWN/UP with MK_LBUTTON), and a double click.
void clickAt(HWND window, POINT client, Delivery how = Delivery::Post);
void doubleClickAt(HWND window, POINT client, Delivery how = Delivery::Post);

// Chooses an item of a window's menu bar from outside, with the keyboard as
// a user would: WM_SYSCOMMAND/SC_KEYMENU enters the menu bar, Right moves to
// top-level item topIndex (0-based), Down opens its popup, Down moves to
// itemIndex and Return chooses it. itemIndex counts the popup's items other
// than separators (the keyboard skips those; disabled items count). Waits
// for menu mode and for the popup on the way (throws Error if either does
// not come); returns once the final key is posted: wait for the effect.
void chooseMenuItem(HWND window, int topIndex, int itemIndex, DWORD keyDelayMs = 10);
// The same with access keys: SC_KEYMENU with the top item's key, then the
// popup item's key (e.g. L'F', L'O' for "ファイル(&F)" > "開く(&O)").
void chooseMenuByAccessKeys(HWND window, wchar_t topKey, wchar_t itemKey, DWORD keyDelayMs = 10);
// True while the window's thread tracks a menu (GetGUIThreadInfo,
// GUI_INMENUMODE).
bool inMenuMode(HWND window);

// Popup menus shown by TrackPopupMenu(Ex) in the target: the menu's window
// has the class "#32768" and belongs to the target's thread. Keys posted to
// it reach the target's menu loop.
HWND findPopupMenu(DWORD pid);
HWND waitForPopupMenu(DWORD pid, DWORD timeoutMs);
// Posts WM_CONTEXTMENU(target, screenPoint) to target (for a control, its
// parent usually shows the menu: DefWindowProc passes it up), then waits for
// the popup. Pass {-1, -1} as for the keyboard's menu key.
HWND openContextMenu(HWND target, POINT screenPoint, DWORD timeoutMs);
// Down (itemIndex + 1) times from "nothing selected", then Return. itemIndex
// counts items other than separators.
void choosePopupMenuItem(HWND menuWindow, int itemIndex, DWORD keyDelayMs = 10);
// Escape to a menu window (closes one level).
void closePopupMenu(HWND menuWindow);

// --- Message boxes and dialogs ----------------------------------------------------------

// Waits for a visible dialog ("#32770") of the process, optionally with that
// caption; nullptr after timeoutMs.
HWND waitForDialog(DWORD pid, DWORD timeoutMs, std::wstring_view title = {});
HWND waitForMessageBox(DWORD pid, DWORD timeoutMs, std::wstring_view title = {});
// The message: the texts of the dialog's static controls that have text,
// joined with '\n' (the icon's static has none).
std::wstring messageBoxText(HWND box);
// Texts of the dialog's buttons, in z-order (e.g. {L"OK"} or {L"はい", L"いいえ"}).
std::vector<std::wstring> dialogButtonTexts(HWND dialog);
// Clicks the button with that ID (IDOK, IDYES, ...) by posting BM_CLICK.
// Throws Error if the dialog has no such button.
void pressDialogButton(HWND dialog, int id = IDOK);
// Waits until the window is destroyed or hidden; false after timeoutMs.
bool waitForWindowGone(HWND hwnd, DWORD timeoutMs);

// --- Clipboard ----------------------------------------------------------------------------

// The clipboard's text in that format, nullopt if it has none. Retries
// OpenClipboard while another program holds it, up to timeoutMs (throws
// Error if it stays held).
std::optional<std::wstring> clipboardUnicodeText(DWORD timeoutMs = 2000);
std::optional<std::string> clipboardAnsiText(DWORD timeoutMs = 2000);  // CF_TEXT bytes
void setClipboardText(std::wstring_view text, DWORD timeoutMs = 2000);
void clearClipboard(DWORD timeoutMs = 2000);

// Keeps the clipboard open from a helper thread of this process, as another
// program holding it would: while it is held, OpenClipboard fails everywhere
// else. The constructor returns once the clipboard is open (throws Error if
// it could not be opened within timeoutMs); release() or the destructor
// closes it.
class ClipboardHolder {
 public:
  explicit ClipboardHolder(DWORD timeoutMs = 2000);
  ClipboardHolder(const ClipboardHolder&) = delete;
  ClipboardHolder& operator=(const ClipboardHolder&) = delete;
  ~ClipboardHolder();
  void release();
  bool holding() const { return thread_ != nullptr; }

 private:
  HANDLE thread_ = nullptr;
  HANDLE releaseEvent_ = nullptr;
};

// --- Files ------------------------------------------------------------------------------------

std::string readFileBytes(const std::wstring& path);   // throws Error
void writeFileBytes(const std::wstring& path, std::string_view bytes);
// nullopt if the file cannot be opened (missing, locked).
std::optional<std::string> tryReadFileBytes(const std::wstring& path);
// Polls until the file exists and contains needle (bytes); false on timeout.
// An empty needle waits for a non-empty file.
bool waitForFileContaining(const std::wstring& path, std::string_view needle, DWORD timeoutMs);
bool waitForFile(const std::wstring& path, DWORD timeoutMs);

// Removes a file or a folder with everything in it; true if it is gone.
bool removeTree(const std::wstring& path);
bool pathExists(const std::wstring& path);

// A fresh empty folder under %TEMP%, removed with its contents by the
// destructor (unless keep()).
class TempDir {
 public:
  explicit TempDir(std::wstring_view prefix = L"wintest");
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();
  const std::wstring& path() const { return path_; }
  // path() + L"\\" + name
  std::wstring file(std::wstring_view name) const;
  void keep() { keep_ = true; }

 private:
  std::wstring path_;
  bool keep_ = false;
};

// Holds a file open from this process with no sharing (share mode 0), so
// every other attempt to open it fails with a sharing violation, as when
// another program has it open. create: make the file if missing.
class ExclusiveFileLock {
 public:
  explicit ExclusiveFileLock(const std::wstring& path, bool create = true);
  void release() { handle_.reset(); }
  bool locked() const { return static_cast<bool>(handle_); }

 private:
  UniqueHandle handle_;
};

// --- Screenshots -----------------------------------------------------------------------------

// A 24-bit picture, pixels 0x00RRGGBB, rows top to bottom.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// GDI copy of a rectangle of the screen (BitBlt from the screen DC).
Image captureScreenRect(const RECT& screenRect);
Image captureScreen();
// The part of the screen the window covers (whatever is on top of it shows).
Image captureWindow(HWND hwnd);
// Writes an uncompressed (stored) PNG.
void writePng(const Image& image, const std::wstring& path);
// Width and height from a PNG file's header; nullopt if it is no PNG.
std::optional<std::pair<int, int>> pngSize(const std::wstring& path);

enum class ScreenshotMethod { ImageMagickImport, Gdi };
// The whole screen as a PNG: `import -window root` (ImageMagick, a Linux
// program, run from inside Wine) when available, else a GDI capture.
ScreenshotMethod saveScreenshot(const std::wstring& pngPath);
// One window's area of the screen as a PNG (import with -crop, else GDI).
ScreenshotMethod saveWindowScreenshot(HWND hwnd, const std::wstring& pngPath);

// --- Wine and Linux ---------------------------------------------------------------------------

bool runningUnderWine();
// Unix path of a Windows path (wine_get_unix_file_name); nullopt if not Wine.
std::optional<std::string> unixPath(const std::wstring& windowsPath);
// Windows path of a Unix path (wine_get_dos_file_name); nullopt if not Wine.
std::optional<std::wstring> dosPath(std::string_view unixPath);
// Runs `/bin/sh -c script` as a native Linux process from inside Wine and
// waits for it. Wine's CreateProcess starts a Linux program but gives no
// process handle, so the script's exit status comes back through a file.
// Returns the exit status, or nullopt if not under Wine or on timeout.
// Arguments are passed to the script as $1, $2, ...
std::optional<int> runUnixShell(std::string_view script, const std::vector<std::string>& args,
                                DWORD timeoutMs);

}  // namespace wintest
