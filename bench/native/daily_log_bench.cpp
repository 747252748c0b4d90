// The cost of the daily log files per chat line: the whole intake
// (Edit1Change) with every user logged, into three windows fed in turn,
// batch by batch, so that whatever else runs on the machine weighs on all
// alike:
//  - the daily files off;
//  - on, each row appended to the day's file for real (the file kept open,
//    one write(2) per row, as the Win32 port keeps the day's file open and
//    writes each row with one WriteFile);
//  - on, with the appends discarded: the core's own share (the row's cells,
//    its record, the day's path), without the system's.
// Then the append alone, the same record written again and again, for what
// one write costs the system.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/form2.h"
#include "bench_data.h"
#include "chatlog/intake.h"
#include "fakes.h"

namespace {

using namespace bench;
using namespace horone::testing;

constexpr int kBatch = 1024;  // lines per timed batch
constexpr int kRounds = 64;   // batches per window
constexpr int kRing = 4096;   // distinct lines, delivered in turn

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "daily_log_bench: %s\n", what);
  std::exit(1);
}

// The unit tests' files, but appends go to real files: the last file stays
// open and each row is one write(2), as the Win32 port keeps the day's file
// open and writes each row with one WriteFile.
class AppendingFiles : public FakeFiles {
 public:
  bool discard = false;  // keep the file open but write nothing: the core's share alone
  ~AppendingFiles() override {
    if (fd_ >= 0) close(fd_);
  }
  bool Append(const std::string& path, std::string_view bytes) override {
    if (fd_ < 0 || path != path_) {
      if (fd_ >= 0) close(fd_);
      fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
      if (fd_ < 0) {
        const auto slash = path.rfind('/');
        if (slash != std::string::npos) mkdir(path.substr(0, slash).c_str(), 0755);
        fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
      }
      if (fd_ < 0) return false;
      path_ = path;
    }
    if (discard) return true;
    return write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }

 private:
  int fd_ = -1;
  std::string path_;
};

// A created main window over the fakes, with the daily files on or off.
struct App {
  FakeDesktop desktop;
  FakeClock clock;
  FakeLocale locale;
  FakeClipboard clipboard;
  FakeDialogs dialogs;
  FakeSettings settings;
  AppendingFiles files;
  FakePump pump;
  FakeHook hook;
  horone::Platform platform{desktop, clock, locale, clipboard, dialogs, settings, files, pump, hook};
  std::unique_ptr<horone::TForm2> form;
  long delivered = 0;

  App(const std::string& folder, bool dailyFiles, bool discard = false) {
    files.discard = discard;
    desktop.Add("#32770", "一般ロビー 東南戦ロビー");
    desktop.Add("KatuGameMjMain", "第12卓 東南戦 喰断あり");
    clock.now = {2026, 12, 11, 9, 0, 0, 0};
    files.exe = folder + "/horone.exe";
    const std::string ini = folder + "/horone.INI";
    settings.SetIn(ini, "Log", "Enabled", dailyFiles ? "1" : "0");
    settings.SetIn(ini, "Log", "Folder", folder + "/log/");
    form = std::make_unique<horone::TForm2>(platform);
    form->FormCreate();
    if (form->LogToDailyFiles != dailyFiles) Fail("the settings did not switch the daily files");
  }
  void MakeCurrent() { horone::LoggedRows = form->StringGrid1.RowCount() - 2; }
  void Deliver(const std::string& line) {
    if (++delivered % 12 == 0 && ++clock.now.second == 60) {  // about 43 000 lines an hour
      clock.now.second = 0;
      if (++clock.now.minute == 60) clock.now.minute = 0, ++clock.now.hour;
    }
    form->Edit1.PlatformTextChanged(line);
  }
};

}  // namespace

int main() {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/horone-daily-log-bench-XXXXXX";
  if (!mkdtemp(folder.data())) Fail("no temporary folder");

  const std::vector<std::string> users = UserNames(10000, 7);
  Random rnd(42);
  std::vector<std::string> ring;
  for (int i = 0; i < kRing; ++i) ring.push_back(ChatLine(users[rnd.Next() % users.size()], Content(rnd)));

  // [0]: the daily files off, [1]: on, [2]: on with the appends discarded.
  App off(folder, false), on(folder, true), discarding(folder, true, true);
  App* apps[] = {&off, &on, &discarding};
  constexpr int kApps = 3;
  double total[kApps] = {0, 0, 0};
  size_t next[kApps] = {0, 0, 0};
  for (int r = 0; r < kRounds; ++r) {
    for (int k = 0; k < kApps; ++k) {
      const int i = (k + r) % kApps;  // each goes first, second and last in turn
      App& app = *apps[i];
      app.MakeCurrent();
      const double t0 = NowNs();
      for (int n = 0; n < kBatch; ++n) app.Deliver(ring[next[i]++ % kRing]);
      total[i] += NowNs() - t0;
    }
  }
  const double lines = static_cast<double>(kBatch) * kRounds;
  for (App* app : apps) {
    if (app->form->StringGrid1.RowCount() != kBatch * kRounds + 2) Fail("the grid does not hold one row per line");
  }
  // Every row in the day's file, one line each.
  const std::string file = folder + "/log/horone-2026-12-11.log";
  long bytes = 0, rows = 0;
  if (FILE* f = std::fopen(file.c_str(), "rb")) {
    for (int c; (c = std::fgetc(f)) != EOF; ++bytes) rows += c == '\n';
    std::fclose(f);
  }
  if (rows != kBatch * kRounds) Fail("the day's file does not hold one line per row");

  // The append alone: the same records, straight to another file.
  AppendingFiles raw;
  const std::string rawFile = folder + "/log/raw.log";
  std::string record;
  horone::AppendDailyLogRecord(record, {"第12卓 ", "2026/12/11", "09:00:00", "someone_1", "a message of some length"});
  const double t0 = NowNs();
  for (int n = 0; n < kBatch * kRounds; ++n) {
    if (!raw.Append(rawFile, record)) Fail("the append failed");
  }
  const double appendNs = (NowNs() - t0) / lines;

  Print("daily_log_off_ns_per_line", total[0] / lines, "ns", 1);
  Print("daily_log_on_ns_per_line", total[1] / lines, "ns", 1);
  Print("daily_log_on_vs_off", total[1] / total[0], "x", 3);
  Print("daily_log_on_appends_discarded_ns_per_line", total[2] / lines, "ns", 1);
  Print("daily_log_on_appends_discarded_vs_off", total[2] / total[0], "x", 3);
  Print("daily_log_append_alone_ns_per_row", appendNs, "ns", 1);
  Print("daily_log_bytes_per_row", static_cast<double>(bytes) / lines, "bytes", 1);

  unlink(file.c_str());
  unlink(rawFile.c_str());
  rmdir((folder + "/log").c_str());
  rmdir(folder.c_str());
  return 0;
}
