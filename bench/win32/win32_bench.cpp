// ホロネ under Wine, measured from another process as a user's system sees it:
//
//  - start-up: from just before CreateProcess until the main window is shown
//    with both lists loaded (10 000 names in userlist.txt, 1 000 entries in
//    msglist.txt), beside the same for a minimal window program; and the
//    Exit command, from the command until the process has ended, having
//    written both lists;
//  - end to end: chat lines sent into Edit1 with WM_SETTEXT (SendMessageW,
//    as the hook library sends them) as fast as they are accepted, until the
//    last one shows as a grid row, beside the same sender's rate into the
//    bare edit control of the minimal window program.
//
// Runs alternate between the two programs, so that whatever else the machine
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

constexpr int kNames = 10000;
constexpr int kHistory = 1000;
constexpr int kStartRuns = 7;      // timed start-ups of each program
constexpr int kDeliveryRuns = 3;   // timed deliveries into each edit, per setting
constexpr int kLines = 200;        // lines per delivery (ホロネ takes tens of ms a line under Wine)
constexpr int kTraceLines = 21;    // lines per target in the "trace" mode
constexpr DWORD kTimeoutMs = 60000;
constexpr WORD kCmdExit1 = 101;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "win32_bench: %s\n", what.c_str());
  std::fflush(stderr);
  std::exit(1);
}

void Print(const char* name, double value, const char* unit, int decimals = 0) {
  std::printf("%s: %.*f %s\n", name, decimals, value, unit);
  std::fflush(stdout);
}

class Stopwatch {
 public:
  Stopwatch() {
    QueryPerformanceFrequency(&frequency_);
    Restart();
  }
  void Restart() { QueryPerformanceCounter(&start_); }
  double Ms() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start_.QuadPart) * 1000.0 / static_cast<double>(frequency_.QuadPart);
  }

 private:
  LARGE_INTEGER frequency_{}, start_{};
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::wstring BuiltFile(const char* unixPath) {
  auto p = dosPath(unixPath);
  if (!p) Fail(std::string("no Windows path for ") + unixPath);
  return *p;
}

std::wstring CopyInto(const std::wstring& from, const std::wstring& folder) {
  const std::wstring to = folder + L"\\" + from.substr(from.find_last_of(L"\\/") + 1);
  if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) Fail("cannot copy " + toUtf8(from));
  return to;
}

// A small repeatable generator (splitmix64).
class Random {
 public:
  explicit Random(unsigned long long seed) : s_(seed) {}
  unsigned long long Next() {
    unsigned long long z = (s_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Between(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<unsigned long long>(hi - lo + 1)); }

 private:
  unsigned long long s_;
};

std::wstring Word(Random& rnd, int length) {
  static constexpr wchar_t kLetters[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::wstring w;
  for (int i = 0; i < length; ++i) w += kLetters[rnd.Next() % 52];
  return w;
}

// Distinct user names, one in four of them Japanese.
std::vector<std::wstring> UserNames(int count) {
  Random rnd(11);
  std::vector<std::wstring> names;
  for (int i = 0; i < count; ++i) {
    const std::wstring tail = L"_" + std::to_wstring(i);
    names.push_back((i % 4 == 0 ? std::wstring(L"雀士") : Word(rnd, rnd.Between(2, 6))) + tail);
  }
  return names;
}

std::wstring Message(Random& rnd) {
  static const wchar_t* const kPhrases[] = {L"よろしくお願いします", L"お疲れさまでした", L"ロン", L"ツモ",
                                            L"nice hand", L"gg", L"もう一局どうですか"};
  std::wstring m;
  const int words = rnd.Between(1, 5);
  for (int i = 0; i < words; ++i) {
    if (i) m += L' ';
    m += rnd.Next() % 2 ? std::wstring(kPhrases[rnd.Next() % std::size(kPhrases)]) : Word(rnd, rnd.Between(2, 8));
  }
  return m;
}

// Line file bytes, code page 932, as `lines` in the order given.
std::string LineFile(const std::vector<std::wstring>& lines) {
  std::string out;
  for (const auto& l : lines) out += toCodePage(l, 932) + "\r\n";
  return out;
}

int CountLines(const std::string& bytes) {
  return static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n'));
}

ULONGLONG WriteTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

// A started program whose window has been seen.
struct Running {
  Process process;
  HWND window = nullptr;
  double startMs = 0;
};

// Starts `exe` and waits, looking every millisecond, for its visible
// top-level window of class `cls` (and `title`). `ready` may ask for more
// (ホロネ: both lists in their controls) before the time is taken.
Running StartTimed(const std::wstring& exe, const std::wstring& workDir, const wchar_t* cls, const wchar_t* title,
                   bool (*ready)(HWND) = nullptr) {
  ProcessOptions o;
  o.exe = exe;
  o.workDir = workDir;
  Running r;
  Stopwatch clock;
  r.process = Process::start(o);
  for (;;) {
    HWND h = FindWindowW(cls, title);
    DWORD pid = 0;
    if (h) GetWindowThreadProcessId(h, &pid);
    if (h && pid == r.process.pid() && IsWindowVisible(h) && (!ready || ready(h))) {
      r.startMs = clock.Ms();
      r.window = h;
      return r;
    }
    if (clock.Ms() > kTimeoutMs) Fail("no window from " + toUtf8(exe));
    if (!r.process.running()) Fail(toUtf8(exe) + " ended before showing its window");
    Sleep(1);
  }
}

// Waits for the answer however long the program has been busy (a thread
// that has not looked at its messages for 5 s counts as hung, and
// SMTO_ABORTIFHUNG would give up at once).
LRESULT Ask(HWND h, UINT msg) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(h, msg, 0, 0, SMTO_NORMAL, kTimeoutMs, &result)) Fail("no answer from a window");
  return static_cast<LRESULT>(result);
}

bool ListsLoaded(HWND main) {
  HWND list = findChild(main, L"ListBox");
  HWND combo = findChild(main, L"ComboBox");
  return list && combo && Ask(list, LB_GETCOUNT) == kNames && Ask(combo, CB_GETCOUNT) == kHistory;
}

// Milliseconds until the process has ended.
double WaitEnd(Process& p, const Stopwatch& clock) {
  if (!p.waitForExit(kTimeoutMs)) Fail("a program did not end");
  return clock.Ms();
}

// The folder of one ホロネ: the program and the hook library side by side.
struct HoroneFolder {
  TempDir dir{L"horone-bench"};
  TempDir elsewhere{L"horone-bench-cwd"};
  std::wstring exe;
  HoroneFolder() {
    exe = CopyInto(BuiltFile(HORONE_EXE), dir.path());
    CopyInto(BuiltFile(HOROHK_DLL), dir.path());
  }
};

// userlist.txt with 10 000 names and msglist.txt with 1 000 entries, in no
// particular order: the first start sorts them, and its Exit command writes
// them back as every later start finds them.
void WriteLists(const HoroneFolder& folder) {
  std::vector<std::wstring> names = UserNames(kNames);
  Random rnd(5);
  for (size_t i = names.size(); i > 1; --i) std::swap(names[i - 1], names[rnd.Next() % i]);
  writeFileBytes(folder.dir.file(L"userlist.txt"), LineFile(names));
  std::vector<std::wstring> history;
  for (int i = 0; i < kHistory; ++i) history.push_back(Message(rnd) + L" #" + std::to_wstring(i));
  writeFileBytes(folder.dir.file(L"msglist.txt"), LineFile(history));
}

void BenchStartup(const std::wstring& minimalExe) {
  HoroneFolder folder;
  WriteLists(folder);
  const std::wstring userList = folder.dir.file(L"userlist.txt");
  const std::wstring msgList = folder.dir.file(L"msglist.txt");
  const std::wstring cwd = folder.elsewhere.path();
  HoroneFolder bare;  // no list files: the window alone

  std::vector<double> horoneStart, minimalStart, bareStart, exitMs, minimalCloseMs;
  for (int run = -1; run < kStartRuns; ++run) {  // run -1 warms up (and sorts the lists)
    for (int which = 0; which < 3; ++which) {
      const int program = (which + run + 1) % 3;  // each goes first, second and last in turn
      if (program == 2) {
        Running r = StartTimed(bare.exe, cwd, L"TForm2", L"ホロネ v1.01");
        Sleep(50);
        postCommand(r.window, kCmdExit1);
        WaitEnd(r.process, Stopwatch());
        if (run >= 0) bareStart.push_back(r.startMs);
      } else if (program == 0) {
        const ULONGLONG before[] = {WriteTime(userList), WriteTime(msgList)};
        Running r = StartTimed(folder.exe, cwd, L"TForm2", L"ホロネ v1.01", ListsLoaded);
        Sleep(50);  // let the first paint finish, as a user would look at it
        Stopwatch clock;
        postCommand(r.window, kCmdExit1);
        const double ms = WaitEnd(r.process, clock);
        if (WriteTime(userList) == before[0] || WriteTime(msgList) == before[1]) Fail("Exit did not write both lists");
        if (CountLines(readFileBytes(userList)) != kNames || CountLines(readFileBytes(msgList)) != kHistory) {
          Fail("the lists were not written whole");
        }
        if (run >= 0) {
          horoneStart.push_back(r.startMs);
          exitMs.push_back(ms);
        }
      } else {
        Running r = StartTimed(minimalExe, cwd, L"HoroneBenchMinimal", L"minimal");
        Sleep(50);
        Stopwatch clock;
        postMessage(r.window, WM_CLOSE, 0, 0);
        const double ms = WaitEnd(r.process, clock);
        if (run >= 0) {
          minimalStart.push_back(r.startMs);
          minimalCloseMs.push_back(ms);
        }
      }
    }
  }
  const double h = Median(horoneStart), m = Median(minimalStart), b = Median(bareStart);
  Print("startup_horone_10000_names_1000_history", h, "ms", 1);
  Print("startup_minimal_window", m, "ms", 1);
  Print("startup_ratio_horone_vs_minimal", h / m, "x", 2);
  Print("startup_horone_without_lists", b, "ms", 1);
  Print("startup_ratio_horone_without_lists_vs_minimal", b / m, "x", 2);
  Print("startup_horone_fastest", *std::min_element(horoneStart.begin(), horoneStart.end()), "ms", 1);
  Print("startup_minimal_fastest", *std::min_element(minimalStart.begin(), minimalStart.end()), "ms", 1);
  Print("exit_command_writing_both_lists", Median(exitMs), "ms", 1);
  Print("close_minimal_window", Median(minimalCloseMs), "ms", 1);
}

// The chat lines of one delivery: CR LF, user, tab, ">", content.
std::vector<std::wstring> ChatLines(int count, int batch) {
  Random rnd(static_cast<unsigned long long>(batch) + 100);
  const std::vector<std::wstring> users = UserNames(200);
  std::vector<std::wstring> lines;
  for (int i = 0; i < count; ++i) {
    lines.push_back(L"\r\n" + users[rnd.Next() % users.size()] + L"\t>" + Message(rnd) + L" " +
                    std::to_wstring(batch) + L"/" + std::to_wstring(i));
  }
  return lines;
}

// Sends every line into `edit` and waits until `shown` says the last one
// is there. Lines per second.
template <class Shown>
double Deliver(HWND edit, const std::vector<std::wstring>& lines, Shown shown) {
  Stopwatch clock;
  for (const auto& line : lines) SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(line.c_str()));
  while (!shown()) {
    if (clock.Ms() > kTimeoutMs) Fail("the lines did not all show");
    Sleep(1);
  }
  return static_cast<double>(lines.size()) * 1000.0 / clock.Ms();
}

struct Targets {
  HWND bareEdit = nullptr;
  HWND edit1 = nullptr;
  HWND grid = nullptr;
};

// A delivery into the bare edit: accepted is shown (the edit has the text).
double DeliverBare(const Targets& t, int batch) {
  const auto lines = ChatLines(kLines, batch);
  return Deliver(t.bareEdit, lines, [&] { return windowText(t.bareEdit) == lines.back(); });
}

// A delivery into Edit1: shown once the grid has a row for every line and
// its last logged row reads the last line's content.
double DeliverHorone(const Targets& t, int batch) {
  const auto lines = ChatLines(kLines, batch);
  const int items = listViewItemCount(t.grid) + kLines;
  const std::wstring content = lines.back().substr(lines.back().find(L'>') + 1);
  return Deliver(t.edit1, lines, [&] {
    return listViewItemCount(t.grid) == items && listViewItemText(t.grid, items - 2, 4) == content;
  });
}

// Alternating deliveries into both edits; prints the medians and the ratio.
void CompareDeliveries(const Targets& t, const char* tag, int& batch) {
  std::vector<double> bare, horone;
  for (int run = 0; run < kDeliveryRuns; ++run) {
    if (run % 2 == 0) {
      bare.push_back(DeliverBare(t, batch++));
      horone.push_back(DeliverHorone(t, batch++));
    } else {
      horone.push_back(DeliverHorone(t, batch++));
      bare.push_back(DeliverBare(t, batch++));
    }
  }
  char name[128];
  std::snprintf(name, sizeof name, "e2e_%s_horone", tag);
  Print(name, Median(horone), "lines/s");
  std::snprintf(name, sizeof name, "e2e_%s_bare_edit", tag);
  Print(name, Median(bare), "lines/s");
  std::snprintf(name, sizeof name, "e2e_%s_ratio_horone_vs_bare_edit", tag);
  Print(name, Median(horone) / Median(bare), "x", 2);
}

void BenchEndToEnd(const std::wstring& minimalExe) {
  HoroneFolder folder;
  const std::wstring cwd = folder.elsewhere.path();
  Targets t;
  int batch = 0;

  Running minimal = StartTimed(minimalExe, cwd, L"HoroneBenchMinimal", L"minimal");
  t.bareEdit = findChild(minimal.window, L"Edit");
  if (!t.bareEdit) Fail("the minimal window has no edit");
  // Without ホロネ, no global hook is installed: the platform's own floor.
  {
    std::vector<double> bare;
    for (int run = 0; run < kDeliveryRuns; ++run) bare.push_back(DeliverBare(t, batch++));
    Print("e2e_bare_edit_without_hook", Median(bare), "lines/s");
  }

  // Every switch at its default: every user logged, auto-scroll on.
  Running horone = StartTimed(folder.exe, cwd, L"TForm2", L"ホロネ v1.01");
  t.edit1 = FindWindowExW(horone.window, nullptr, L"TEdit", nullptr);
  t.grid = findChild(horone.window, L"SysListView32");
  if (!t.edit1 || !t.grid) Fail("ホロネ's window has no Edit1 or grid");
  if (!waitUntil([&] { return isResponsive(horone.window); }, kTimeoutMs)) Fail("ホロネ does not answer");

  // No game client: the place cell stays empty, no title is read.
  CompareDeliveries(t, "no_game", batch);

  // The stand-in game client with its table window open: every logged line
  // reads the table window's title across the process boundary.
  {
    ProcessOptions o;
    o.exe = CopyInto(BuiltFile(GAMECLIENT_EXE), folder.dir.path());
    o.args = {L"--journal", folder.dir.file(L"journal.txt"), L"--script", folder.dir.file(L"script.txt")};
    o.workDir = folder.dir.path();
    writeFileBytes(folder.dir.file(L"script.txt"), "table open\n");
    Process game = Process::start(o);
    if (!waitUntil([] { return FindWindowW(L"KatuGameMjMain", nullptr) != nullptr; }, kTimeoutMs)) {
      Fail("the stand-in game's table window did not open");
    }
    CompareDeliveries(t, "table_window", batch);
    const int items = listViewItemCount(t.grid);
    if (listViewItemText(t.grid, items - 2, 0) != L"第12卓 ") Fail("the place cell does not show the table");
    game.terminate(0);
  }

  Print("e2e_lines_per_delivery", kLines, "lines");
  Print("e2e_grid_rows_at_end", listViewItemCount(t.grid) - 1, "rows");
  postMessage(horone.window, WM_CLOSE, 0, 0);
  postMessage(minimal.window, WM_CLOSE, 0, 0);
  horone.process.waitForExit(kTimeoutMs);
  minimal.process.waitForExit(kTimeoutMs);
}

// For a trace of the requests to the wine server (bench/server_requests.sh),
// nothing timed: the minimal window program starts, then ホロネ with both
// lists; a few lines go into each edit, first the bare edit, then Edit1.
void Trace(const std::wstring& minimalExe) {
  HoroneFolder folder;
  WriteLists(folder);
  const std::wstring cwd = folder.elsewhere.path();
  Running minimal = StartTimed(minimalExe, cwd, L"HoroneBenchMinimal", L"minimal");
  Running horone = StartTimed(folder.exe, cwd, L"TForm2", L"ホロネ v1.01");
  HWND bare = findChild(minimal.window, L"Edit");
  HWND edit1 = FindWindowExW(horone.window, nullptr, L"TEdit", nullptr);
  if (!bare || !edit1) Fail("no edit to trace");
  Sleep(500);
  for (HWND edit : {bare, edit1}) {
    for (const auto& line : ChatLines(kTraceLines, 0)) {
      SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
  }
  postMessage(horone.window, WM_CLOSE, 0, 0);
  postMessage(minimal.window, WM_CLOSE, 0, 0);
  horone.process.waitForExit(kTimeoutMs);
  minimal.process.waitForExit(kTimeoutMs);
}

}  // namespace

// "startup", "e2e", or nothing for both; "trace" for server_requests.sh.
int wmain(int argc, wchar_t** argv) {
  const std::wstring what = argc > 1 ? argv[1] : L"";
  try {
    const std::wstring minimalExe = BuiltFile(MINIMAL_EXE);
    if (what == L"trace") {
      Trace(minimalExe);
      return 0;
    }
    if (what.empty() || what == L"startup") BenchStartup(minimalExe);
    if (what.empty() || what == L"e2e") BenchEndToEnd(minimalExe);
  } catch (const std::exception& e) {
    Fail(e.what());
  }
  return 0;
}
