// The daily log files seen end to end under Wine: chat lines sent into
// Edit1 with WM_SETTEXT (SendMessageW, as the hook library sends them) as
// fast as they are accepted, until the last one shows as a grid row; once
// with the daily files off and once on (every row appended to the day's
// file). Runs alternate between the two, so that whatever else the machine
// does weighs on both alike; the figures are medians.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "win32_test_support.h"

namespace {

using namespace wintest;

constexpr int kRuns = 5;      // timed deliveries of each setting
constexpr int kLines = 300;   // lines per delivery
constexpr DWORD kTimeoutMs = 120000;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "daily_log_wine_bench: %s\n", what.c_str());
  std::exit(1);
}

void Print(const char* name, double value, const char* unit, int decimals = 0) {
  std::printf("%s: %.*f %s\n", name, decimals, value, unit);
  std::fflush(stdout);
}

double NowMs() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

std::wstring BuiltFile(const char* unixPath) {
  auto p = dosPath(unixPath);
  if (!p) Fail(std::string("no Windows path for ") + unixPath);
  return *p;
}

void CopyInto(const std::wstring& from, const std::wstring& folder) {
  const std::wstring to = folder + L"\\" + from.substr(from.find_last_of(L"\\/") + 1);
  if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) Fail("cannot copy " + toUtf8(from));
}

// Milliseconds per line of one delivery into a freshly started ホロネ.
double OneDelivery(const TempDir& dir, const TempDir& cwd, bool dailyFiles, int run) {
  removeTree(dir.file(L"log"));
  writeFileBytes(dir.file(L"horone.INI"), dailyFiles ? "[Log]\r\nEnabled=1\r\n" : "");
  ProcessOptions o;
  o.exe = dir.file(L"horone.exe");
  o.workDir = cwd.path();
  Process p = Process::start(o);
  HWND main = waitForTopLevelWindow({L"TForm2", L"ホロネ v1.01", p.pid(), true}, kTimeoutMs);
  if (!main) Fail("no main window");
  HWND edit1 = FindWindowExW(main, nullptr, L"TEdit", nullptr);
  HWND grid = findChild(main, L"SysListView32");
  if (!edit1 || !grid || !waitUntil([&] { return isResponsive(main); }, kTimeoutMs)) Fail("ホロネ is not ready");

  std::vector<std::wstring> lines;
  for (int i = 0; i < kLines; ++i) {
    lines.push_back(L"\r\n雀士_" + std::to_wstring(i % 97) + L"\t>run " + std::to_wstring(run) + L" line " +
                    std::to_wstring(i) + L" よろしくお願いします nice hand");
  }
  const std::wstring last = lines.back().substr(lines.back().find(L'>') + 1);
  const double t0 = NowMs();
  for (const auto& line : lines) SendMessageW(edit1, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(line.c_str()));
  while (!(listViewItemCount(grid) == kLines + 1 && listViewItemText(grid, kLines - 1, 4) == last)) {
    if (NowMs() - t0 > kTimeoutMs) Fail("the lines did not all show");
    Sleep(1);
  }
  const double ms = NowMs() - t0;

  postMessage(main, WM_CLOSE, 0, 0);
  if (!p.waitForExit(kTimeoutMs)) Fail("ホロネ did not end");
  if (dailyFiles) {
    std::wstring name;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(dir.file(L"log\\horone-*.log").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) Fail("no daily file");
    FindClose(h);
    const std::string bytes = readFileBytes(dir.file(L"log\\" + std::wstring(fd.cFileName)));
    if (std::count(bytes.begin(), bytes.end(), '\n') != kLines) Fail("the daily file does not hold every row");
  } else if (pathExists(dir.file(L"log"))) {
    Fail("a daily file was written while they were off");
  }
  return ms / kLines;
}

}  // namespace

int wmain() {
  TempDir dir(L"horone-dlbench"), cwd(L"horone-dlbench-cwd");
  CopyInto(BuiltFile(HORONE_EXE), dir.path());
  CopyInto(BuiltFile(HOROHK_DLL), dir.path());
  std::vector<double> off, on;
  for (int run = 0; run < kRuns; ++run) {
    // Each setting goes first in turn.
    for (int k = 0; k < 2; ++k) {
      const bool dailyFiles = (k + run) % 2 == 1;
      const double ms = OneDelivery(dir, cwd, dailyFiles, run);
      (dailyFiles ? on : off).push_back(ms);
      std::fprintf(stderr, "run %d %s: %.3f ms per line\n", run, dailyFiles ? "on" : "off", ms);
    }
  }
  Print("daily_log_e2e_off_ms_per_line", Median(off), "ms", 3);
  Print("daily_log_e2e_on_ms_per_line", Median(on), "ms", 3);
  Print("daily_log_e2e_on_vs_off", Median(on) / Median(off), "x", 3);
  Print("daily_log_e2e_lines_per_delivery", kLines, "lines");
  return 0;
}
