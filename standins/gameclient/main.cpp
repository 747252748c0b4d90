// gameclient.exe: a stand-in for the online mahjong game client that ホロネ
// watches and drives. Usage:
//   gameclient.exe [--journal PATH] [--script PATH] [--user NAME] [--no-lobby]
// Exit codes: 0 normal end, 2 bad command line, 3 journal cannot be opened,
// 4 script cannot be read, 5 windows cannot be created.

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "game.h"
#include "journal.h"
#include "text_util.h"

namespace {

struct Options {
  std::wstring journal_path;
  std::wstring script_path;
  std::wstring user = L"player";
  bool open_lobby = true;
};

void ReportError(const std::wstring& message) {
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err == nullptr || err == INVALID_HANDLE_VALUE) return;
  const std::string bytes = gameclient::WideToUtf8(L"gameclient: " + message + L"\n");
  DWORD written = 0;
  WriteFile(err, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring ExeDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::wstring();
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

bool ParseOptions(Options* options) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return false;
  bool ok = true;
  for (int i = 1; i < argc && ok; ++i) {
    const std::wstring arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == L"--journal" && has_value) {
      options->journal_path = argv[++i];
    } else if (arg == L"--script" && has_value) {
      options->script_path = argv[++i];
    } else if (arg == L"--user" && has_value && argv[i + 1][0] != L'\0') {
      options->user = argv[++i];
    } else if (arg == L"--no-lobby") {
      options->open_lobby = false;
    } else {
      ReportError(L"bad argument: " + arg);
      ok = false;
    }
  }
  LocalFree(argv);
  if (ok && options->journal_path.empty()) {
    options->journal_path = ExeDirectory() + L"gameclient-journal.txt";
  }
  return ok;
}

// The script is UTF-8, one command per line; a BOM and CR LF are accepted.
bool ReadScript(const std::wstring& path, std::vector<std::wstring>* lines) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ReadFile(file, buffer, sizeof(buffer), &got, nullptr) != FALSE) && got > 0) {
    bytes.append(buffer, got);
  }
  CloseHandle(file);
  if (!ok) return false;
  std::string_view view(bytes);
  if (view.substr(0, 3) == "\xEF\xBB\xBF") view.remove_prefix(3);
  const auto text = gameclient::Utf8ToWide(view);
  if (!text) return false;
  for (std::wstring line : gameclient::Split(*text, L'\n')) {
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    lines->push_back(std::move(line));
  }
  return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  Options options;
  if (!ParseOptions(&options)) return 2;

  gameclient::Journal journal;
  if (!journal.Open(options.journal_path)) {
    ReportError(L"cannot open the journal " + options.journal_path);
    return 3;
  }

  std::vector<std::wstring> script;
  if (!options.script_path.empty() && !ReadScript(options.script_path, &script)) {
    ReportError(L"cannot read the script " + options.script_path);
    return 4;
  }

  gameclient::Game game(instance, journal, options.user);
  if (!game.Start(options.open_lobby, std::move(script))) {
    ReportError(L"cannot create the windows");
    return 5;
  }

  MSG msg;
  int exit_code = 0;
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      exit_code = static_cast<int>(msg.wParam);
      break;
    }
    if (got == -1) {
      exit_code = 1;
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  game.Shutdown();
  return exit_code;
}
