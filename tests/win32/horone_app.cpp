#include "horone_app.h"

#include <gtest/gtest.h>

#include <sstream>

namespace horonetest {

using namespace wintest;

namespace {

std::wstring BuiltFile(const char* unixPath) {
  auto p = dosPath(unixPath);
  if (!p) throw Error(std::string("no Windows path for ") + unixPath);
  return *p;
}

void CopyInto(const std::wstring& from, const std::wstring& folder) {
  const auto slash = from.find_last_of(L"\\/");
  const std::wstring name = from.substr(slash + 1);
  if (!CopyFileW(from.c_str(), (folder + L"\\" + name).c_str(), FALSE)) throwLastError("CopyFileW");
}

}  // namespace

void Settle(DWORD ms) { Sleep(ms); }

int ScreenDpi() {
  // Aware of the DPI like ホロネ, so that sizes read here are real pixels.
  static const int dpi = [] {
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    HDC dc = GetDC(nullptr);
    const int d = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    return d > 0 ? d : 96;
  }();
  return dpi;
}

HoroneApp::HoroneApp() : dir_(L"horone"), elsewhere_(L"cwd") {
  ScreenDpi();
  CopyInto(BuiltFile(HORONE_EXE), dir_.path());
  CopyInto(BuiltFile(HOROHK_DLL), dir_.path());
  CopyInto(BuiltFile(GAMECLIENT_EXE), dir_.path());
  journal_ = dir_.file(L"journal.txt");
}

HoroneApp::HoroneApp(const Package& package) : dir_(L"ホロネ の フォルダ"), elsewhere_(L"cwd") {
  ScreenDpi();
  journal_ = dir_.file(L"journal.txt");
  const int rc = Shell("unzip -q -j \"$1\" -d \"$2\"", {package.zip, UnixFile(L"")});
  if (rc != 0) throw Error("unzip " + package.zip + " failed: " + std::to_string(rc));
}

HoroneApp::~HoroneApp() {
  if (app_.running()) app_.terminate();
  if (game_.running()) game_.terminate();
}

void HoroneApp::StartGame(const std::vector<std::string>& script) {
  std::vector<std::wstring> args = {L"--journal", journal_};
  if (!script.empty()) {
    std::string text;
    for (const auto& l : script) text += l + "\n";
    writeFileBytes(dir_.file(L"game-script.txt"), text);
    args.push_back(L"--script");
    args.push_back(dir_.file(L"game-script.txt"));
  }
  ProcessOptions o;
  o.exe = dir_.file(L"gameclient.exe");
  o.args = args;
  o.workDir = dir_.path();
  game_ = Process::start(o);
  ASSERT_NE(waitForTopLevelWindow({L"HoroneStandinControl", L"", game_.pid(), false}, kWait), nullptr)
      << "the stand-in game client did not start";
}

bool HoroneApp::GameCommand(const std::string& utf8Command) {
  HWND control = findTopLevelWindow({L"HoroneStandinControl", L"", game_.pid(), false});
  if (!control) return false;
  COPYDATASTRUCT cds{1, static_cast<DWORD>(utf8Command.size()), const_cast<char*>(utf8Command.data())};
  DWORD_PTR result = 0;
  SendMessageTimeoutW(control, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_ABORTIFHUNG, 10000, &result);
  return result == 1;
}

std::vector<std::string> HoroneApp::Journal() const {
  std::vector<std::string> lines;
  auto bytes = tryReadFileBytes(journal_);
  if (!bytes) return lines;
  std::istringstream in(*bytes);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

bool HoroneApp::WaitJournal(const std::string& line, DWORD timeoutMs) const {
  return waitUntil(
      [&] {
        for (const auto& l : Journal()) {
          if (l == line) return true;
        }
        return false;
      },
      timeoutMs);
}

void HoroneApp::Start(const std::vector<std::pair<std::wstring, std::wstring>>& env, bool waitShown) {
  ProcessOptions o;
  o.exe = dir_.file(L"horone.exe");
  o.workDir = elsewhere_.path();
  o.env = env;
  app_ = Process::start(o);
  if (!waitShown) return;
  main_ = waitForTopLevelWindow({L"TForm2", L"ホロネ v1.01", app_.pid(), true}, kWait);
  ASSERT_NE(main_, nullptr) << "ホロネ's main window did not appear";
  ASSERT_TRUE(waitUntil([&] { return Status() && Panel(2) != L""; }, kWait)) << "creation did not finish";
}

void HoroneApp::SetClock(const std::string& dateTime) const {
  // Replaced in one step, so the clock never reads half a file.
  const std::wstring temp = File(L"clock.tmp");
  writeFileBytes(temp, dateTime + "\n");
  if (!MoveFileExW(temp.c_str(), File(L"clock.txt").c_str(), MOVEFILE_REPLACE_EXISTING)) {
    throwLastError("MoveFileExW clock.txt");
  }
}

void HoroneApp::StartWithClock(const std::string& dateTime) {
  SetClock(dateTime);
  // A Windows process that Wine starts gets the Unix environment of its
  // parent, not the one given to CreateProcess; so a Linux shell starts the
  // Wine loader with the preload itself, and leaves it running. The clock
  // file is read at every reading of the realtime clock; the monotonic
  // clock (timers, timeouts) is left alone.
  static constexpr char kScript[] = R"sh(lib=
for f in /usr/lib/*/faketime/libfaketimeMT.so.1 /usr/lib/faketime/libfaketimeMT.so.1; do
  if [ -f "$f" ]; then lib=$f; break; fi
done
[ -n "$lib" ] || { echo "no libfaketime (Debian package faketime)"; exit 3; }
cd "$4" || exit 4
LD_PRELOAD=$lib FAKETIME_TIMESTAMP_FILE=$2 FAKETIME_NO_CACHE=1 DONT_FAKE_MONOTONIC=1 \
  "$3" "$1" </dev/null >/dev/null 2>&1 &
)sh";
  const bool wide = sizeof(void*) == 8;
  std::string loader = wide ? "/usr/lib/wine/wine64" : "/usr/lib/wine/wine";
  if (auto own = getEnv(wide ? L"HORONE_WINE64" : L"HORONE_WINE32"); own && !own->empty()) loader = toUtf8(*own);
  auto cwd = unixPath(elsewhere_.path());
  ASSERT_TRUE(cwd.has_value()) << "not under Wine";
  ASSERT_EQ(Shell(kScript, {UnixFile(L"horone.exe"), UnixFile(L"clock.txt"), loader, *cwd}), 0)
      << "could not start ホロネ under libfaketime";
  main_ = waitForTopLevelWindow({L"TForm2", L"ホロネ v1.01", 0, true}, kWait);
  ASSERT_NE(main_, nullptr) << "ホロネ's main window did not appear";
  app_ = Process::open(windowProcessId(main_));
  ASSERT_TRUE(waitUntil([&] { return Status() && Panel(2) != L""; }, kWait)) << "creation did not finish";
}

Process HoroneApp::StartSecondCopy() {
  ProcessOptions o;
  o.exe = dir_.file(L"horone.exe");
  o.workDir = elsewhere_.path();
  return Process::start(o);
}

HWND HoroneApp::Grid() const { return findChild(main_, L"SysListView32"); }
HWND HoroneApp::Status() const { return findChild(main_, L"msctls_statusbar32"); }
HWND HoroneApp::ListBox1() const { return findChild(main_, L"ListBox"); }
HWND HoroneApp::ComboBox1() const { return findChild(main_, L"ComboBox"); }
HWND HoroneApp::Edit1() const { return FindWindowExW(main_, nullptr, L"TEdit", nullptr); }

HWND HoroneApp::Edit2() const {
  for (HWND h : childWindows(main_, L"TEdit")) {
    if (GetParent(h) != main_) return h;
  }
  return nullptr;
}

HWND HoroneApp::ButtonNamed(std::wstring_view text, int nth) const {
  for (HWND h : childWindows(main_, L"Button")) {
    if (windowText(h) == text && nth-- == 0) return h;
  }
  return nullptr;
}

HWND HoroneApp::Button1() const {
  for (HWND h : childWindows(main_, L"Button")) {
    if (windowText(h) == L"削除" && windowClass(GetParent(h)) == L"TPanel") return h;
  }
  return nullptr;
}

HWND HoroneApp::Button5() const {
  for (HWND h : childWindows(main_, L"Button")) {
    if (windowText(h) == L"削除" && windowClass(GetParent(h)) == L"Button") return h;
  }
  return nullptr;
}

void HoroneApp::Deliver(const std::wstring& line) const {
  DWORD_PTR r = 0;
  SendMessageTimeoutW(Edit1(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(line.c_str()), SMTO_NORMAL, 10000, &r);
}

std::wstring HoroneApp::TakeMessage(DWORD timeoutMs) const {
  HWND box = waitForMessageBox(app_.pid(), timeoutMs);
  if (!box) return L"(no message box)";
  std::wstring text = messageBoxText(box);
  pressDialogButton(box, IDOK);
  waitForWindowGone(box, kWait);
  return text;
}

DWORD HoroneApp::CloseAndWait() {
  postMessage(main_, WM_CLOSE, 0, 0);
  return WaitExit();
}

DWORD HoroneApp::WaitExit(DWORD timeoutMs) {
  auto code = app_.waitForExit(timeoutMs);
  return code ? *code : 0xDEADu;
}

std::string HoroneApp::ReadFile(std::wstring_view name) const {
  auto b = tryReadFileBytes(File(name));
  return b ? *b : std::string("(missing)");
}

void HoroneApp::WriteFile(std::wstring_view name, std::string_view bytes) const { writeFileBytes(File(name), bytes); }

std::string HoroneApp::UnixFile(std::wstring_view name) const {
  auto p = unixPath(File(name));
  return p ? *p : std::string();
}

int HoroneApp::Shell(const std::string& script, const std::vector<std::string>& args) const {
  auto r = runUnixShell(script, args, 30000);
  return r ? *r : -1;
}

}  // namespace horonetest
