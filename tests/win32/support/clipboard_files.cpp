// Clipboard, files, temporary folders.
#include "win32_test_support.h"

#include <atomic>
#include <cstring>

namespace wintest {

// --- Clipboard --------------------------------------------------------------------------

namespace {

// OpenClipboard, retried while someone else holds it.
class OpenedClipboard {
 public:
  explicit OpenedClipboard(DWORD timeoutMs) {
    if (!waitUntil([] { return OpenClipboard(nullptr) != FALSE; }, timeoutMs, 10))
      throwLastError("OpenClipboard (still held by another program?)");
  }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;
  ~OpenedClipboard() { CloseClipboard(); }
};

}  // namespace

std::optional<std::wstring> clipboardUnicodeText(DWORD timeoutMs) {
  OpenedClipboard open(timeoutMs);
  HANDLE h = GetClipboardData(CF_UNICODETEXT);
  if (!h) return std::nullopt;
  const wchar_t* p = static_cast<const wchar_t*>(GlobalLock(h));
  if (!p) return std::nullopt;
  size_t max = GlobalSize(h) / sizeof(wchar_t);
  size_t n = 0;
  while (n < max && p[n]) ++n;
  std::wstring text(p, n);
  GlobalUnlock(h);
  return text;
}

std::optional<std::string> clipboardAnsiText(DWORD timeoutMs) {
  OpenedClipboard open(timeoutMs);
  HANDLE h = GetClipboardData(CF_TEXT);
  if (!h) return std::nullopt;
  const char* p = static_cast<const char*>(GlobalLock(h));
  if (!p) return std::nullopt;
  size_t max = GlobalSize(h);
  size_t n = 0;
  while (n < max && p[n]) ++n;
  std::string text(p, n);
  GlobalUnlock(h);
  return text;
}

void setClipboardText(std::wstring_view text, DWORD timeoutMs) {
  OpenedClipboard open(timeoutMs);
  if (!EmptyClipboard()) throwLastError("EmptyClipboard");
  size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!g) throwLastError("GlobalAlloc");
  void* p = GlobalLock(g);
  std::memcpy(p, text.data(), text.size() * sizeof(wchar_t));
  static_cast<wchar_t*>(p)[text.size()] = L'\0';
  GlobalUnlock(g);
  if (!SetClipboardData(CF_UNICODETEXT, g)) {
    GlobalFree(g);
    throwLastError("SetClipboardData");
  }
}

void clearClipboard(DWORD timeoutMs) {
  OpenedClipboard open(timeoutMs);
  if (!EmptyClipboard()) throwLastError("EmptyClipboard");
}

namespace {

struct HolderStart {
  DWORD timeoutMs;
  HANDLE releaseEvent;
  HANDLE openedEvent;
  std::atomic<DWORD> error{0};
  std::atomic<bool> opened{false};
};

DWORD WINAPI holdClipboard(void* arg) {
  auto* start = static_cast<HolderStart*>(arg);
  HANDLE releaseEvent = start->releaseEvent;
  // Opened for a window of its own: Wine refuses a second OpenClipboard only
  // when it names a different window, so holding it for "no window" would
  // not keep out another program's OpenClipboard(nullptr).
  HWND owner = CreateWindowExW(0, L"STATIC", L"wintest clipboard holder", 0, 0, 0, 0, 0, HWND_MESSAGE,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
  bool ok = owner && waitUntil([owner] { return OpenClipboard(owner) != FALSE; }, start->timeoutMs, 10);
  start->error = ok ? 0 : GetLastError();
  start->opened = ok;
  SetEvent(start->openedEvent);  // start may be gone after this
  if (ok) {
    WaitForSingleObject(releaseEvent, INFINITE);
    CloseClipboard();
  }
  if (owner) DestroyWindow(owner);
  return ok ? 0 : 1;
}

}  // namespace

ClipboardHolder::ClipboardHolder(DWORD timeoutMs) {
  releaseEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!releaseEvent_ || !opened) throwLastError("CreateEventW");
  HolderStart start{timeoutMs, releaseEvent_, opened};
  thread_ = CreateThread(nullptr, 0, holdClipboard, &start, 0, nullptr);
  if (!thread_) {
    CloseHandle(opened);
    throwLastError("CreateThread");
  }
  WaitForSingleObject(opened, INFINITE);
  CloseHandle(opened);
  if (!start.opened) {
    DWORD e = start.error;
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
    CloseHandle(releaseEvent_);
    releaseEvent_ = nullptr;
    throwLastError("ClipboardHolder: OpenClipboard", e);
  }
}

void ClipboardHolder::release() {
  if (!thread_) return;
  SetEvent(releaseEvent_);
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
}

ClipboardHolder::~ClipboardHolder() {
  release();
  if (releaseEvent_) CloseHandle(releaseEvent_);
}

// --- Files ------------------------------------------------------------------------------------

std::optional<std::string> tryReadFileBytes(const std::wstring& path) {
  UniqueHandle h(CreateFileW(path.c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h) return std::nullopt;
  std::string data;
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(h.get(), buffer, sizeof buffer, &got, nullptr)) return std::nullopt;
    if (got == 0) break;
    data.append(buffer, got);
  }
  return data;
}

std::string readFileBytes(const std::wstring& path) {
  UniqueHandle h(CreateFileW(path.c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h) throwLastError("CreateFileW(read) " + toUtf8(path));
  std::string data;
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(h.get(), buffer, sizeof buffer, &got, nullptr)) throwLastError("ReadFile");
    if (got == 0) break;
    data.append(buffer, got);
  }
  return data;
}

void writeFileBytes(const std::wstring& path, std::string_view bytes) {
  UniqueHandle h(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h) throwLastError("CreateFileW(write) " + toUtf8(path));
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
    DWORD wrote = 0;
    if (!WriteFile(h.get(), bytes.data() + done, chunk, &wrote, nullptr)) throwLastError("WriteFile");
    done += wrote;
  }
}

bool waitForFileContaining(const std::wstring& path, std::string_view needle, DWORD timeoutMs) {
  return waitUntil(
      [&] {
        auto data = tryReadFileBytes(path);
        if (!data) return false;
        return needle.empty() ? !data->empty() : data->find(needle) != std::string::npos;
      },
      timeoutMs, 25);
}

bool waitForFile(const std::wstring& path, DWORD timeoutMs) {
  return waitUntil([&] { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; },
                   timeoutMs, 25);
}

bool pathExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool removeTree(const std::wstring& path) {
  DWORD attrs = GetFileAttributesW(path.c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES) return true;
  if (attrs & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attrs & ~FILE_ATTRIBUTE_READONLY);
  if (!(attrs & FILE_ATTRIBUTE_DIRECTORY) || (attrs & FILE_ATTRIBUTE_REPARSE_POINT)) {
    if (attrs & FILE_ATTRIBUTE_DIRECTORY) return RemoveDirectoryW(path.c_str()) != FALSE;
    return DeleteFileW(path.c_str()) != FALSE;
  }
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName;
      if (name != L"." && name != L"..") removeTree(path + L"\\" + name);
    } while (FindNextFileW(find, &fd));
    FindClose(find);
  }
  return RemoveDirectoryW(path.c_str()) != FALSE;
}

TempDir::TempDir(std::wstring_view prefix) {
  static std::atomic<unsigned> counter{0};
  wchar_t base[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, base);
  if (n == 0 || n > MAX_PATH) throwLastError("GetTempPathW");
  std::wstring dir(base, n);
  if (!dir.empty() && dir.back() != L'\\' && dir.back() != L'/') dir += L'\\';
  for (int attempt = 0; attempt < 100; ++attempt) {
    wchar_t name[96];
    wsprintfW(name, L"-%lu-%u-%lu", GetCurrentProcessId(), counter.fetch_add(1),
              static_cast<unsigned long>(GetTickCount()));
    std::wstring candidate = dir + std::wstring(prefix) + name;
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      path_ = candidate;
      return;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) throwLastError("CreateDirectoryW " + toUtf8(candidate));
  }
  throw Error("TempDir: no free name");
}

TempDir::~TempDir() {
  if (keep_ || path_.empty()) return;
  removeTree(path_);
}

std::wstring TempDir::file(std::wstring_view name) const { return path_ + L"\\" + std::wstring(name); }

ExclusiveFileLock::ExclusiveFileLock(const std::wstring& path, bool create) {
  handle_.reset(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle_) throwLastError("ExclusiveFileLock: CreateFileW " + toUtf8(path));
}

}  // namespace wintest
