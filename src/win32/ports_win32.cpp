#include "win32/ports_win32.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "base/error.h"
#include "chatlog/horohk.h"
#include "win32/text_win32.h"

namespace horone::win32 {

namespace {
constexpr UINT kSendTimeoutMs = 5000;

HWND H(WindowHandle w) { return reinterpret_cast<HWND>(w); }
WindowHandle W(HWND h) { return reinterpret_cast<WindowHandle>(h); }
}  // namespace

bool SendWaiting(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  DWORD_PTR r = 0;
  const bool ok = SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                                      kSendTimeoutMs, &r) != 0;
  if (result) *result = ok ? static_cast<LRESULT>(r) : 0;
  return ok;
}

WindowHandle Desktop::FindTopLevel(std::string_view className, std::optional<std::string_view> title) {
  const std::wstring cls = Widen(className);
  const std::wstring t = title ? Widen(*title) : std::wstring();
  // Only the game's windows: ホロネ's own message boxes and its save dialog
  // are dialogs too, and one that is open is usually the first on the desktop.
  HWND found = nullptr;
  while ((found = FindWindowExW(nullptr, found, cls.c_str(), title ? t.c_str() : nullptr)) != nullptr) {
    DWORD pid = 0;
    GetWindowThreadProcessId(found, &pid);
    if (pid != GetCurrentProcessId()) break;
  }
  return W(found);
}

std::vector<WindowHandle> Desktop::FindTopLevels(std::string_view className) {
  const std::wstring cls = Widen(className);
  std::vector<WindowHandle> found;
  HWND w = nullptr;
  while ((w = FindWindowExW(nullptr, w, cls.c_str(), nullptr)) != nullptr) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != GetCurrentProcessId()) found.push_back(W(w));
  }
  return found;
}

WindowHandle Desktop::FindChild(WindowHandle parent, std::string_view className,
                                std::optional<std::string_view> title) {
  const std::wstring cls = Widen(className);
  const std::wstring t = title ? Widen(*title) : std::wstring();
  return W(FindWindowExW(H(parent), nullptr, cls.c_str(), title ? t.c_str() : nullptr));
}

std::string Desktop::ReadTitle(WindowHandle window) {
  if (!window) return {};
  // Through WM_GETTEXT, waited for like every other call to the game.
  wchar_t buf[128] = {};
  LRESULT n = 0;
  if (!SendWaiting(H(window), WM_GETTEXT, std::size(buf), reinterpret_cast<LPARAM>(buf), &n) || n <= 0) return {};
  std::string title = Narrow(std::wstring_view(buf, std::min<size_t>(static_cast<size_t>(n), std::size(buf) - 1)));
  if (title.size() > 63) title.resize(63);  // what a 64-byte buffer holds
  return title;
}

void Desktop::PutText(WindowHandle window, const std::string& text) {
  const std::wstring w = Widen(text);
  SendWaiting(H(window), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w.c_str()));
}

void Desktop::PostKey(WindowHandle window, bool down, std::uint16_t virtualKey) {
  PostMessageW(H(window), down ? WM_KEYDOWN : WM_KEYUP, virtualKey, 0);
}

void Desktop::SendMouseButton(WindowHandle window, bool down) {
  SendWaiting(H(window), down ? WM_LBUTTONDOWN : WM_LBUTTONUP, 0, 0);
}

int Desktop::ListCount(WindowHandle list) {
  LRESULT n = 0;
  SendWaiting(H(list), LB_GETCOUNT, 0, 0, &n);
  return n > 0 ? static_cast<int>(n) : 0;
}

int Desktop::ListSelect(WindowHandle list, int index) {
  LRESULT r = LB_ERR;
  if (!SendWaiting(H(list), LB_SETCURSEL, static_cast<WPARAM>(index), 0, &r)) return LB_ERR;
  return static_cast<int>(r);
}

std::string Desktop::ListItemText(WindowHandle list, int index) {
  // The W forms: under Wine the A form of LB_GETTEXT across processes
  // returns only the first character. The length is asked first, so the
  // buffer always holds the whole item.
  LRESULT len = 0;
  if (!SendWaiting(H(list), LB_GETTEXTLEN, static_cast<WPARAM>(index), 0, &len) || len <= 0) return {};
  if (len > 1 << 20) return {};
  std::wstring buf(static_cast<size_t>(len) + 1, L'\0');
  LRESULT got = 0;
  if (!SendWaiting(H(list), LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf.data()), &got) ||
      got <= 0) {
    return {};
  }
  buf.resize(std::min(static_cast<size_t>(got), static_cast<size_t>(len)));
  return Narrow(buf);
}

LocalTime SystemClock::Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

UserLocale::UserLocale() {
  wchar_t buf[8] = {};
  separator_ = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, buf, 8) > 1 ? Narrow(buf) : ":";
}

std::string UserLocale::ShortDate(const LocalTime& t) {
  SYSTEMTIME st = {};
  st.wYear = static_cast<WORD>(t.year);
  st.wMonth = static_cast<WORD>(t.month);
  st.wDay = static_cast<WORD>(t.day);
  wchar_t buf[80] = {};
  const int n = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, 80);
  return n > 1 ? Narrow(std::wstring_view(buf, static_cast<size_t>(n - 1))) : std::string();
}

int UserLocale::CompareText(std::string_view a, std::string_view b) {
  wa_ = Widen(a);
  wb_ = Widen(b);
  const int r = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wa_.data(), static_cast<int>(wa_.size()),
                               wb_.data(), static_cast<int>(wb_.size()));
  if (r == 0) return a.compare(b);  // the call failed: fall back to bytes
  return r - CSTR_EQUAL;
}

std::string UserLocale::PathForDisplay(const std::string& utf8Path) { return Narrow(FromUtf8(utf8Path)); }

std::string UserLocale::TextToUtf8(std::string_view text) { return ToUtf8(Widen(text)); }

namespace {
// Lower case as the user's locale has it (LCMAP_LINGUISTIC_CASING: the
// locale's own rules, not only the invariant table). Lowering keeps the
// length, so the text is mapped in place; a failed call leaves it as it is.
void FoldCase(std::wstring& text) {
  if (text.empty()) return;
  std::wstring folded(text.size(), L'\0');
  const int n = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_LOWERCASE | LCMAP_LINGUISTIC_CASING, text.data(),
                             static_cast<int>(text.size()), folded.data(), static_cast<int>(folded.size()));
  if (n == static_cast<int>(text.size())) text.swap(folded);
}
}  // namespace

bool UserLocale::ContainsText(std::string_view text, std::string_view pattern) {
  if (pattern.empty()) return true;
  // A find asks about one pattern for many rows: it is folded once.
  if (pattern != pattern_ || foldedPattern_.empty()) {
    pattern_ = pattern;
    foldedPattern_ = Widen(pattern);
    FoldCase(foldedPattern_);
  }
  // In UTF-16 a match is always of whole characters, never of a trail byte.
  foldedText_ = Widen(text);
  FoldCase(foldedText_);
  return foldedText_.find(foldedPattern_) != std::wstring::npos;
}

void SystemClipboard::SetText(const std::string& text) {
  // Another program may hold the clipboard for a moment; one that keeps it
  // is reported.
  bool open = false;
  for (int attempt = 0; attempt < 5 && !open; ++attempt) {
    open = OpenClipboard(owner_) != 0;
    if (!open) ::Sleep(20);
  }
  if (!open) throw UserError("クリップボードを開くことができません");
  EmptyClipboard();
  auto put = [](UINT format, const void* data, size_t bytes) {
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!mem) return;
    if (void* p = GlobalLock(mem)) {
      memcpy(p, data, bytes);
      GlobalUnlock(mem);
      if (SetClipboardData(format, mem)) return;  // the clipboard owns it now
    }
    GlobalFree(mem);
  };
  // The text as code page 932 bytes, and as UTF-16 so that it pastes right
  // into any program whatever its code page.
  put(CF_TEXT, text.c_str(), text.size() + 1);
  const std::wstring wide = Widen(text);
  put(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
  CloseClipboard();
}

void MessageBoxes::ShowMessage(const std::string& text) {
  MessageBoxW(owner_, Widen(text).c_str(), L"ホロネ", MB_OK);
}

std::optional<std::string> MessageBoxes::AskSaveFile(const SaveFileQuestion& question) {
  const std::wstring title = Widen(question.title);
  const std::wstring extension = Widen(question.extension);
  // Pairs of description and pattern, each ended by NUL, the list by another.
  std::wstring filter = Widen(question.typeName) + L" (*." + extension + L")";
  filter += L'\0';
  filter += L"*." + extension;
  filter += L'\0';
  filter += L"すべてのファイル (*.*)";
  filter += L'\0';
  filter += L"*.*";
  filter += L'\0';
  std::wstring file = Widen(question.fileName);
  file.resize(32768, L'\0');  // room for any path the dialog can give

  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner_;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrTitle = title.c_str();
  ofn.lpstrDefExt = extension.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  // False also when the dialog could not be shown (CommDlgExtendedError);
  // either way nothing is saved.
  if (!GetSaveFileNameW(&ofn)) return std::nullopt;
  return ToUtf8(file.c_str());
}

std::optional<std::string> ProfileSettings::Read(const std::string& path, std::string_view section,
                                                 std::string_view key) {
  // A default that no stored value can be tells a missing key from an empty one.
  static constexpr wchar_t kMissing[] = L"\x1\x2missing\x2\x1";
  const std::wstring file = FromUtf8(path), sec = Widen(section), k = Widen(key);
  std::vector<wchar_t> buf(256);
  for (;;) {
    const DWORD n = GetPrivateProfileStringW(sec.c_str(), k.c_str(), kMissing, buf.data(),
                                             static_cast<DWORD>(buf.size()), file.c_str());
    if (n + 1 < buf.size() || buf.size() >= (1u << 20)) {
      const std::wstring value(buf.data(), n);
      if (value == kMissing) return std::nullopt;
      return Narrow(value);
    }
    buf.resize(buf.size() * 4);
  }
}

bool ProfileSettings::Write(const std::string& path, std::string_view section, std::string_view key,
                            std::string_view value) {
  return WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(value).c_str(),
                                    FromUtf8(path).c_str()) != 0;
}

std::string Files::ExecutablePath() {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n < buf.size()) return ToUtf8(std::wstring_view(buf.data(), n));
    buf.resize(buf.size() * 2);
  }
}

FileContents Files::Read(const std::string& path) {
  HANDLE f = CreateFileW(FromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) {
    const DWORD err = GetLastError();
    const bool missing = err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND;
    return {missing ? ReadStatus::Missing : ReadStatus::Unreadable, {}};
  }
  FileContents out{ReadStatus::Ok, {}};
  char chunk[65536];
  DWORD got = 0;
  for (;;) {
    if (!ReadFile(f, chunk, sizeof chunk, &got, nullptr)) {
      out = {ReadStatus::Unreadable, {}};
      break;
    }
    if (got == 0) break;
    out.bytes.append(chunk, got);
  }
  CloseHandle(f);
  return out;
}

bool Files::WriteReplacing(const std::string& path, const std::string& bytes) {
  const std::wstring target = FromUtf8(path);
  const std::wstring temp = target + L".tmp";
  HANDLE f = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  size_t done = 0;
  while (ok && done < bytes.size()) {
    const DWORD part = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    DWORD wrote = 0;
    ok = WriteFile(f, bytes.data() + done, part, &wrote, nullptr) && wrote == part;
    done += wrote;
  }
  ok = ok && FlushFileBuffers(f);
  CloseHandle(f);
  // The old file is replaced only by a completely written new one.
  ok = ok && MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileW(temp.c_str());
  return ok;
}

namespace {

HANDLE OpenForAppend(const std::wstring& path) {
  // FILE_APPEND_DATA alone: every write goes to the end of the file. Others
  // may read the log while it grows, and even delete or rename it.
  return CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Creates the folders of `folder` that are missing, from the top down.
bool MakeFolders(const std::wstring& folder) {
  size_t from = 0;
  if (folder.rfind(L"\\\\", 0) == 0) {  // \\server\share: both stand
    from = folder.find_first_of(L"\\/", 2);
    if (from != std::wstring::npos) from = folder.find_first_of(L"\\/", from + 1);
    if (from == std::wstring::npos) return false;
  }
  for (size_t at = folder.find_first_of(L"\\/", from + 1);; at = folder.find_first_of(L"\\/", at + 1)) {
    const std::wstring part = folder.substr(0, at);
    // "C:" and the root stand already.
    if (!part.empty() && part.back() != L':' && !CreateDirectoryW(part.c_str(), nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS) {
      return false;
    }
    if (at == std::wstring::npos) return true;
  }
}

}  // namespace

Files::~Files() { CloseAppendFile(); }

void Files::CloseAppendFile() {
  if (appendFile_ != INVALID_HANDLE_VALUE) CloseHandle(appendFile_);
  appendFile_ = INVALID_HANDLE_VALUE;
  appendPath_.clear();
}

bool Files::Append(const std::string& path, std::string_view bytes) {
  if (appendFile_ == INVALID_HANDLE_VALUE || path != appendPath_) {
    CloseAppendFile();
    const std::wstring file = FromUtf8(path);
    HANDLE h = OpenForAppend(file);
    if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PATH_NOT_FOUND) {
      const size_t sep = file.find_last_of(L"\\/");
      if (sep != std::wstring::npos && sep > 0 && MakeFolders(file.substr(0, sep))) h = OpenForAppend(file);
    }
    if (h == INVALID_HANDLE_VALUE) return false;
    appendFile_ = h;
    appendPath_ = path;
  }
  // One WriteFile, straight to the system: nothing is kept back in the
  // program, so a killed program loses no row. (No FlushFileBuffers: a
  // disk sync per row would cost milliseconds, and the system writes its
  // cache out even when the program is killed.)
  DWORD wrote = 0;
  const auto size = static_cast<DWORD>(std::min<size_t>(bytes.size(), MAXDWORD));
  if (!WriteFile(appendFile_, bytes.data(), size, &wrote, nullptr) || wrote != bytes.size()) {
    CloseAppendFile();  // the next row opens the file again
    return false;
  }
  return true;
}

void MessagePump::Dispatch(MSG& msg) {
  // The main window's Tab navigation; modal boxes run their own loops.
  if (dialog_ && IsWindowEnabled(dialog_) && IsDialogMessageW(dialog_, &msg)) return;
  for (HWND box : boxes_) {
    if (IsWindowVisible(box) && IsDialogMessageW(box, &msg)) return;
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

void MessagePump::Sleep(int milliseconds) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(std::max(0, milliseconds));
  for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
    const DWORD left = static_cast<DWORD>(end - now);
    if (MsgWaitForMultipleObjectsEx(0, nullptr, left, QS_SENDMESSAGE, 0) == WAIT_OBJECT_0) {
      MSG msg;
      PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // handles what was sent
    }
  }
}

void MessagePump::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the main loop
      return;
    }
    Dispatch(msg);
  }
}

std::int32_t HookDll::Install(std::int32_t argument) { return InstallHook_CallWndProc(argument); }

void HookDll::Uninstall() { UnInstallHook_CallWndProc(); }

}  // namespace horone::win32
