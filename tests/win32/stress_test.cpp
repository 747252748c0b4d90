// A long day's chat in a few minutes: the stand-in game's chat log gets
// 200 000 lines of mixed users at full speed, each forwarded by the hook
// library into ホロネ's chat edit, with every user logged. The grid must end
// with exactly the lines that reached the intake, the window must answer
// throughout, and the process's memory must grow by no more a row than the
// grid's storage takes.
#include <windows.h>
#include <psapi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

#include "horone_app.h"

namespace horonetest {
namespace {

using namespace wintest;

constexpr int kLines = 200000;
const wchar_t* const kUsers[] = {L"alice", L"タロウ", L"bob_99", L"雀士A", L"Riichi_Bob", L"mjfan", L"はなこ"};

// The user and content of the line the burst numbers n (1 …).
std::pair<std::wstring, std::wstring> Line(int n) {
  const std::wstring user = kUsers[(n - 1) % std::size(kUsers)];
  std::wstring content = L"line ";
  content += std::to_wstring(n);
  content += L" from ";
  content += user;
  return {user, content};
}

// Bytes of user and content text a row holds, in code page 932.
size_t TextBytes(int n) {
  const auto [user, content] = Line(n);
  return toCodePage(user, 932).size() + toCodePage(content, 932).size();
}

PROCESS_MEMORY_COUNTERS_EX Memory(HANDLE process) {
  PROCESS_MEMORY_COUNTERS_EX m{};
  m.cb = sizeof m;
  EXPECT_TRUE(GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m), sizeof m));
  return m;
}

// Sends WM_NULL with a 1 s timeout every 50 ms until stopped, counting the
// answers, the failures and the slowest answer.
class Pinger {
 public:
  explicit Pinger(HWND window)
      : thread_([this, window] {
          while (!stop_) {
            const ULONGLONG start = GetTickCount64();
            DWORD_PTR r = 0;
            const bool ok = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, 1000, &r) != 0;
            const auto ms = static_cast<long long>(GetTickCount64() - start);
            (ok ? answered_ : failed_)++;
            slowest_ = std::max<long long>(slowest_, ms);
            Sleep(50);
          }
        }) {}
  ~Pinger() { Stop(); }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  int answered() const { return answered_; }
  int failed() const { return failed_; }
  long long slowest() const { return slowest_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> answered_{0}, failed_{0};
  std::atomic<long long> slowest_{0};
  std::thread thread_;
};

TEST(Stress, TwoHundredThousandLinesThroughTheHookAreAllLoggedAndTheWindowAnswersThroughout) {
  HoroneApp app;
  app.StartGame();
  app.Start();
  ASSERT_EQ(app.Rows(), 1);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, app.App().pid());
  ASSERT_NE(process, nullptr);
  const PROCESS_MEMORY_COUNTERS_EX before = Memory(process);

  std::string users;
  for (const wchar_t* u : kUsers) {
    if (!users.empty()) users += ',';
    users += toUtf8(u);
  }
  const ULONGLONG start = GetTickCount64();
  {
    Pinger pinger(app.Main());
    ASSERT_TRUE(app.GameCommand("burst lobby " + std::to_string(kLines) + " 0 " + users));
    // The rows are counted, not the game's journal, which grows by a line
    // a chat line and would cost more to read again and again.
    ASSERT_TRUE(waitUntil([&] { return app.Rows() == kLines + 1; }, 1800000, 500)) << app.Rows() << " rows";
    ASSERT_TRUE(app.WaitJournal("burst done lobby " + std::to_string(kLines)));
    pinger.Stop();
    std::printf("stress: %d lines in %.1f s; WM_NULL answered %d times, failed %d, slowest %lld ms\n", kLines,
                static_cast<double>(GetTickCount64() - start) / 1000, pinger.answered(),
                pinger.failed(), pinger.slowest());
    EXPECT_EQ(pinger.failed(), 0);
    EXPECT_GT(pinger.answered(), 0);
  }

  // Every line the hook delivered is a row, in order: the hook's SendMessage
  // waits for each line, so none can arrive inside another's handling and be
  // dropped. Rows are checked all through the log and at its end.
  ASSERT_EQ(app.Rows(), kLines + 1);  // and the trailing empty row
  int wrong = 0;
  for (int n = 1; n <= kLines; n += (n > kLines - 200 ? 1 : 997)) {
    const auto [user, content] = Line(n);
    const std::wstring gotUser = listViewItemText(app.Grid(), n - 1, 3);
    const std::wstring gotContent = listViewItemText(app.Grid(), n - 1, 4);
    if (gotUser != user || gotContent != content) {
      if (++wrong <= 5) ADD_FAILURE() << "row " << n - 1 << ": " << toUtf8(gotUser) << " / " << toUtf8(gotContent);
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(listViewItemText(app.Grid(), kLines, 4), L"");
  EXPECT_EQ(app.Panel(1), Line(kLines).second);
  EXPECT_TRUE(waitUntil([&] { return listViewFocusedItem(app.Grid()) == kLines; }, kWait));

  // Memory: the growth of the process's working set a row (Wine does not
  // give another process's private bytes), beside the text it holds; the
  // grid's storage takes at most 48 bytes a row beyond that.
  const PROCESS_MEMORY_COUNTERS_EX after = Memory(process);
  CloseHandle(process);
  double text = 0;
  for (int n = 1; n <= kLines; ++n) text += static_cast<double>(TextBytes(n));
  text /= kLines;
  const double perRow =
      (static_cast<double>(after.WorkingSetSize) - static_cast<double>(before.WorkingSetSize)) / kLines;
  std::printf("stress: %.1f bytes of text a row; working set +%.1f bytes a row (%.1f beyond the text)\n", text, perRow,
              perRow - text);
  EXPECT_LE(perRow, text + 48);
  EXPECT_TRUE(isResponsive(app.Main()));
  EXPECT_EQ(app.CloseAndWait(), 0u);
}

}  // namespace
}  // namespace horonetest
