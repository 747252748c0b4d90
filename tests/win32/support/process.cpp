// Errors, text conversion, waiting, and child processes.
#include "win32_test_support.h"

#include <algorithm>
#include <cwctype>
#include <map>

namespace wintest {

// --- Errors and text ---------------------------------------------------------

void throwLastError(std::string_view what) { throwLastError(what, GetLastError()); }

void throwLastError(std::string_view what, DWORD error) {
  wchar_t* buffer = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = n ? std::wstring(buffer, n) : std::wstring();
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
    text.pop_back();
  std::string message(what);
  message += ": ";
  message += text.empty() ? std::string("unknown error") : toUtf8(text);
  message += " (error " + std::to_string(error) + ")";
  throw Error(message);
}

std::string toCodePage(std::wstring_view text, UINT cp) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  if (n <= 0) throwLastError("WideCharToMultiByte");
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

std::wstring fromCodePage(std::string_view bytes, UINT cp) {
  if (bytes.empty()) return {};
  int n = MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) throwLastError("MultiByteToWideChar");
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

std::string toUtf8(std::wstring_view text) { return toCodePage(text, CP_UTF8); }
std::wstring fromUtf8(std::string_view bytes) { return fromCodePage(bytes, CP_UTF8); }

unsigned timeoutScale() {
  static const unsigned scale = [] {
    wchar_t v[16];
    DWORD n = GetEnvironmentVariableW(L"WINTEST_TIMEOUT_SCALE", v, 16);
    int s = (n > 0 && n < 16) ? _wtoi(v) : 1;
    return s >= 1 ? static_cast<unsigned>(s) : 1u;
  }();
  return scale;
}

DWORD scaledTimeout(DWORD timeoutMs) {
  if (timeoutMs == INFINITE) return INFINITE;
  unsigned long long t = static_cast<unsigned long long>(timeoutMs) * timeoutScale();
  return t >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(t);
}

bool waitUntil(const std::function<bool()>& pred, DWORD timeoutMs, DWORD pollMs) {
  const ULONGLONG deadline = GetTickCount64() + scaledTimeout(timeoutMs);
  for (;;) {
    if (pred()) return true;
    if (GetTickCount64() >= deadline) return pred();
    Sleep(pollMs);
  }
}

// --- Handles -------------------------------------------------------------------

UniqueHandle& UniqueHandle::operator=(UniqueHandle&& o) noexcept {
  if (this != &o) reset(o.release());
  return *this;
}

void UniqueHandle::reset(HANDLE h) {
  if (h_ && h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  h_ = h;
}

// --- Command lines and environment ------------------------------------------------

std::wstring quoteArgument(std::wstring_view arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring_view::npos)
    return std::wstring(arg);
  std::wstring out = L"\"";
  for (size_t i = 0;; ++i) {
    size_t backslashes = 0;
    while (i < arg.size() && arg[i] == L'\\') {
      ++i;
      ++backslashes;
    }
    if (i == arg.size()) {
      out.append(backslashes * 2, L'\\');  // before the closing quote
      break;
    }
    if (arg[i] == L'"') {
      out.append(backslashes * 2 + 1, L'\\');
      out += L'"';
    } else {
      out.append(backslashes, L'\\');
      out += arg[i];
    }
  }
  out += L'"';
  return out;
}

std::wstring buildCommandLine(std::wstring_view exe, const std::vector<std::wstring>& args) {
  std::wstring line = quoteArgument(exe);
  for (const auto& a : args) {
    line += L' ';
    line += quoteArgument(a);
  }
  return line;
}

std::wstring currentExePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) throwLastError("GetModuleFileNameW");
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring currentExeDir() {
  std::wstring path = currentExePath();
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

std::optional<std::wstring> getEnv(std::wstring_view name) {
  std::wstring n(name);
  DWORD size = GetEnvironmentVariableW(n.c_str(), nullptr, 0);
  if (size == 0) return std::nullopt;
  std::wstring value(size, L'\0');
  DWORD got = GetEnvironmentVariableW(n.c_str(), value.data(), size);
  value.resize(got);
  return value;
}

namespace {

struct CaseInsensitiveLess {
  bool operator()(const std::wstring& a, const std::wstring& b) const {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
  }
};

// This process's environment with the changes applied, as a block for
// CreateProcessW (sorted, NUL-separated, double NUL at the end).
std::vector<wchar_t> environmentBlock(const std::vector<std::pair<std::wstring, std::wstring>>& changes) {
  std::map<std::wstring, std::wstring, CaseInsensitiveLess> vars;
  std::vector<std::wstring> drives;  // "=C:=C:\..." entries keep their place first
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
      std::wstring entry(p);
      if (entry[0] == L'=') {
        drives.push_back(entry);
        continue;
      }
      size_t eq = entry.find(L'=');
      if (eq == std::wstring::npos) continue;
      vars[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    FreeEnvironmentStringsW(block);
  }
  for (const auto& [name, value] : changes) {
    if (value.empty())
      vars.erase(name);
    else
      vars[name] = value;
  }
  std::vector<wchar_t> out;
  auto add = [&out](const std::wstring& s) {
    out.insert(out.end(), s.begin(), s.end());
    out.push_back(L'\0');
  };
  for (const auto& d : drives) add(d);
  for (const auto& [name, value] : vars) add(name + L"=" + value);
  if (out.empty()) out.push_back(L'\0');
  out.push_back(L'\0');
  return out;
}

}  // namespace

// --- Processes -------------------------------------------------------------------

Process Process::start(const ProcessOptions& options) {
  std::wstring commandLine = buildCommandLine(options.exe, options.args);
  std::vector<wchar_t> env;
  if (!options.env.empty()) env = environmentBlock(options.env);

  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = options.showWindow;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(options.exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                      options.creationFlags | CREATE_UNICODE_ENVIRONMENT,
                      env.empty() ? nullptr : env.data(),
                      options.workDir.empty() ? nullptr : options.workDir.c_str(), &si, &pi)) {
    throwLastError("CreateProcessW " + toUtf8(commandLine));
  }
  CloseHandle(pi.hThread);
  Process p;
  p.process_.reset(pi.hProcess);
  p.pid_ = pi.dwProcessId;
  return p;
}

Process Process::open(DWORD pid) {
  HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!h) throwLastError("OpenProcess " + std::to_string(pid));
  Process p;
  p.process_.reset(h);
  p.pid_ = pid;
  return p;
}

Process& Process::operator=(Process&& o) noexcept {
  if (this != &o) {
    if (running()) terminate();
    process_ = std::move(o.process_);
    pid_ = std::exchange(o.pid_, 0);
  }
  return *this;
}

Process::~Process() {
  if (running()) terminate();
}

bool Process::running() const {
  return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::waitForExit(DWORD timeoutMs) {
  if (!process_) throw Error("waitForExit: no process");
  DWORD w = WaitForSingleObject(process_.get(), scaledTimeout(timeoutMs));
  if (w == WAIT_TIMEOUT) return std::nullopt;
  if (w != WAIT_OBJECT_0) throwLastError("WaitForSingleObject(process)");
  DWORD code = 0;
  if (!GetExitCodeProcess(process_.get(), &code)) throwLastError("GetExitCodeProcess");
  return code;
}

bool Process::waitForInputIdle(DWORD timeoutMs) {
  if (!process_) throw Error("waitForInputIdle: no process");
  return WaitForInputIdle(process_.get(), scaledTimeout(timeoutMs)) == 0;
}

void Process::terminate(UINT exitCode) {
  if (!process_) return;
  if (WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.get(), exitCode);
    WaitForSingleObject(process_.get(), 10000);
  }
}

}  // namespace wintest
