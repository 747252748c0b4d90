// The chat log kept on disk, found in and exported, seen from outside: the
// daily files across a date change of the process's clock (libfaketime), a
// log folder that cannot be written, the switch and its settings, the find
// box and the CSV export through the standard save dialog.
#include <gtest/gtest.h>

#include "horone_app.h"

namespace horonetest {
namespace {

using namespace wintest;

// A grid row as the daily file holds it: tabs between the cells, CR LF at
// the end, code page 932.
std::string Record(const std::vector<std::wstring>& cells) {
  std::wstring line;
  for (size_t i = 0; i < cells.size(); ++i) line += (i ? L"\t" : L"") + cells[i];
  return toCodePage(line + L"\r\n", 932);
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

// Chooses an item of the grid's context menu as a user would, with the
// keyboard; `index` counts the items that are not separators.
void ChooseFromGridMenu(const HoroneApp& app, int index) {
  const RECT r = windowRect(app.Grid());
  HWND menu = openContextMenu(app.Grid(), {r.left + 40, r.top + 60}, kWait);
  ASSERT_NE(menu, nullptr) << "no context menu";
  choosePopupMenuItem(menu, index);
}

// Ctrl+F typed into the grid: real key presses (SendInput), so that the
// program sees the Ctrl key held, with ホロネ in front and the grid focused.
void TypeCtrlF(const HoroneApp& app) {
  SetForegroundWindow(app.Main());
  const RECT client = clientRect(app.Grid());
  clickAt(app.Grid(), {client.right / 2, client.bottom - 4});  // below the rows: focus, no row
  ASSERT_TRUE(waitUntil([&] { return isResponsive(app.Main()); }, kWait));
  INPUT keys[4] = {};
  for (INPUT& k : keys) k.type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[3].ki.wVk = VK_CONTROL;
  keys[1].ki.wVk = keys[2].ki.wVk = 'F';
  keys[2].ki.dwFlags = keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
  ASSERT_EQ(SendInput(4, keys, sizeof(INPUT)), 4u);
}

constexpr int kMenuFind = 3, kMenuSaveCsv = 4, kMenuDailyLog = 5;  // after a1, N1, N2

TEST(DailyLog, LinesAcrossADateChangeLandInTwoFilesWithExactlyTheLoggedRows) {
  HoroneApp app;
  // Only the watch list's users are logged; "carol" is not on it.
  app.WriteFile(L"horone.INI", "[Form]\r\nAUS=0\r\n[Log]\r\nEnabled=1\r\n");
  app.WriteFile(L"userlist.txt", "alice\r\nbob\r\n");
  app.StartWithClock("2026-12-11 23:59:59");
  const std::wstring users[] = {L"alice", L"carol", L"BOB"};
  constexpr int kLines = 1000, kChange = 500;
  int loggedBefore = 0;
  std::vector<std::pair<std::wstring, std::wstring>> expected;  // user and content of each logged line
  for (int i = 0; i < kLines; ++i) {
    if (i == kChange) {
      app.SetClock("2026-12-12 00:00:00");
      loggedBefore = static_cast<int>(expected.size());
    }
    const std::wstring& user = users[i % 3];
    const std::wstring content = L"line " + std::to_wstring(i + 1) + L" 東南戦, \"麻雀\"";
    app.Deliver(L"\r\n" + user + L"\t>" + content);
    if (user != L"carol") expected.emplace_back(user, content);
  }
  const int logged = static_cast<int>(expected.size());
  ASSERT_EQ(app.Rows(), logged + 1);  // and the empty row

  std::string before, after;
  for (int item = 0; item < logged; ++item) {
    const std::vector<std::wstring> row = app.Row(item);
    ASSERT_EQ(row.size(), 5u);
    EXPECT_EQ(row[3], expected[static_cast<size_t>(item)].first) << item;
    EXPECT_EQ(row[4], expected[static_cast<size_t>(item)].second) << item;
    EXPECT_EQ(row[2], item < loggedBefore ? L"23:59:59" : L"00:00:00") << item;
    (item < loggedBefore ? before : after) += Record(row);
  }
  EXPECT_NE(app.Row(0)[1], app.Row(logged - 1)[1]);  // the date cells differ too
  EXPECT_EQ(FilesIn(app.File(L"log")), (std::vector<std::wstring>{L"horone-2026-12-11.log", L"horone-2026-12-12.log"}));
  EXPECT_EQ(app.ReadFile(L"log\\horone-2026-12-11.log"), before);
  EXPECT_EQ(app.ReadFile(L"log\\horone-2026-12-12.log"), after);
  EXPECT_EQ(std::count(before.begin(), before.end(), '\n'), loggedBefore);
  EXPECT_EQ(app.CloseAndWait(), 0u);
}

TEST(DailyLog, AFolderThatCannotBeWrittenIsReportedOnceAndTheGridKeepsLogging) {
  HoroneApp app;
  app.WriteFile(L"horone.INI", "[Log]\r\nEnabled=1\r\nFolder=locked\r\n");
  ASSERT_TRUE(CreateDirectoryW(app.File(L"locked").c_str(), nullptr));
  Immutable locked(app, L"locked");
  ASSERT_TRUE(locked.ok()) << "chattr +i failed";
  app.StartWithClock("2026-12-11 12:00:00");

  app.Deliver(L"\r\nalice\t>one");
  EXPECT_EQ(app.Panel(1), L"ログファイル " + app.File(L"locked\\horone-2026-12-11.log") + L" に書き込めません");
  app.Deliver(L"\r\nbob\t>two");
  EXPECT_EQ(app.Panel(1), L"two");  // said once only
  app.Deliver(L"\r\ncarol\t>three");
  EXPECT_EQ(app.Panel(1), L"three");
  EXPECT_EQ(app.Panel(0), L"carol");
  EXPECT_EQ(findTopLevelWindow({L"#32770", L"", app.App().pid(), true}), nullptr);  // no message box
  ASSERT_EQ(app.Rows(), 4);
  EXPECT_EQ(app.Row(2)[4], L"three");
  EXPECT_TRUE(FilesIn(app.File(L"locked")).empty());

  // Writable again: the next row goes to the file.
  locked.Release();
  app.Deliver(L"\r\ndave\t>four");
  EXPECT_EQ(app.ReadFile(L"locked\\horone-2026-12-11.log"), Record(app.Row(3)));
  EXPECT_EQ(app.Panel(1), L"four");
  EXPECT_EQ(app.CloseAndWait(), 0u);
}

TEST(DailyLog, TheMenuSwitchIsWrittenToTheSettingsAndReadBack) {
  HoroneApp app;
  app.WriteFile(L"horone.INI", "[Mine]\r\nkey=value\r\n");
  app.StartWithClock("2026-12-11 12:00:00");
  app.Deliver(L"\r\nalice\t>before the switch");
  ChooseFromGridMenu(app, kMenuDailyLog);
  // The command is posted and a delivery is sent, so the first lines may
  // still come before it: deliver until one reaches the file.
  int probes = 0;
  ASSERT_TRUE(waitUntil(
      [&] {
        app.Deliver(L"\r\nprobe\t>" + std::to_wstring(++probes));
        return app.Exists(L"log\\horone-2026-12-11.log");
      },
      kWait));
  EXPECT_EQ(app.ReadFile(L"log\\horone-2026-12-11.log"), Record(app.Row(app.Rows() - 2)));
  EXPECT_EQ(app.CloseAndWait(), 0u);
  std::string ini = app.ReadFile(L"horone.INI");
  EXPECT_NE(ini.find("[Mine]\r\nkey=value\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("[Log]\r\nEnabled=1\r\nFolder=log\r\n"), std::string::npos) << ini;

  // The next run logs from its first line on.
  app.StartWithClock("2026-12-11 13:00:00");
  app.Deliver(L"\r\nbob\t>next run");
  const std::string file = app.ReadFile(L"log\\horone-2026-12-11.log");
  const std::string last = Record(app.Row(0));
  ASSERT_GE(file.size(), last.size());
  EXPECT_EQ(file.substr(file.size() - last.size()), last);
  EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 2);
  EXPECT_EQ(app.CloseAndWait(), 0u);
}

TEST(DailyLog, ASettingsFileFromBeforeStaysAsItWasAndLogsNothing) {
  HoroneApp app;
  app.WriteFile(L"horone.INI", "[Mine]\r\nkey=value\r\n[Form]\r\nASC=1\r\n");
  app.Start();
  app.Deliver(L"\r\nalice\t>hello");
  EXPECT_EQ(app.CloseAndWait(), 0u);
  const std::string ini = app.ReadFile(L"horone.INI");
  EXPECT_EQ(ini.find("[Log]"), std::string::npos) << ini;
  EXPECT_NE(ini.find("[Mine]\r\nkey=value\r\n"), std::string::npos) << ini;
  EXPECT_FALSE(app.Exists(L"log"));
}

// ------------------------------------------------------------ find and export

struct FindAndExport : ::testing::Test {
  HoroneApp app;
  void SetUp() override {
    app.Start();
    for (const wchar_t* line : {L"\r\nalice\t>hello world", L"\r\nbob\t>Good Morning", L"\r\ncarol\t>see you",
                                L"\r\nDave\t>say HELLO", L"\r\nHelloKitty\t>麻雀しよう"}) {
      app.Deliver(line);
    }
    ASSERT_EQ(app.Rows(), 6);
  }
  int Selected() { return listViewSelectedItem(app.Grid()); }
  bool WaitSelected(int item) { return waitUntil([&] { return Selected() == item; }, kWait); }
};

HWND ButtonOf(HWND parent, std::wstring_view text) {
  for (HWND h : childWindows(parent, L"Button")) {
    if (windowText(h) == text) return h;
  }
  return nullptr;
}

bool HasLabel(HWND parent, std::wstring_view text) {
  for (HWND h : childWindows(parent, L"Static")) {
    if (windowText(h) == text) return true;
  }
  return false;
}


TEST_F(FindAndExport, TheFindBoxMovesTheRowFromOutsideAndTheGridCommandsActOnIt) {
  // The context menu's item opens the box, and Ctrl+F in the grid again
  // after Escape closed it.
  ChooseFromGridMenu(app, kMenuFind);
  HWND box = waitForTopLevelWindow({L"TFindBox", L"検索", app.App().pid(), true}, kWait);
  ASSERT_NE(box, nullptr) << "the find box did not open from the menu";
  EXPECT_EQ(GetWindow(box, GW_OWNER), app.Main());
  pressKey(findChild(box, L"TEdit"), VK_ESCAPE);
  ASSERT_TRUE(waitForWindowGone(box, kWait));
  TypeCtrlF(app);
  ASSERT_EQ(waitForTopLevelWindow({L"TFindBox", L"検索", app.App().pid(), true}, kWait), box)
      << "Ctrl+F did not open the find box";
  EXPECT_EQ(listViewFocusedItem(app.Grid()), 5);  // the empty row is still the current one

  HWND edit = findChild(box, L"TEdit");
  HWND next = ButtonOf(box, L"次を検索");
  HWND previous = ButtonOf(box, L"前を検索");
  ASSERT_TRUE(edit && next && previous);

  setText(edit, L"hello");
  struct Step {
    const char* what;
    std::function<void()> act;
    int item;  // grid item (row - 1)
  } steps[] = {
      {"次を検索 from the empty row", [&] { clickButton(next); }, 0},
      {"Enter in the field", [&] { pressKey(edit, VK_RETURN); }, 3},   // "say HELLO"
      {"F3 in the field", [&] { pressKey(edit, VK_F3); }, 4},           // user "HelloKitty"
      {"F3 in the grid, wrapping", [&] { pressKey(app.Grid(), VK_F3); }, 0},
      {"前を検索, wrapping back", [&] { clickButton(previous); }, 4},
      {"前を検索", [&] { clickButton(previous); }, 3},
  };
  for (const auto& s : steps) {
    s.act();
    EXPECT_TRUE(WaitSelected(s.item)) << s.what << ": item " << Selected();
  }
  // The grid's commands act on the row found.
  clearClipboard();
  app.Command(kN1);
  EXPECT_TRUE(waitUntil([] { return clipboardUnicodeText() == std::optional<std::wstring>(L"Dave"); }, kWait));

  setText(edit, L"nobody");
  clickButton(next);
  EXPECT_TRUE(waitUntil([&] { return HasLabel(box, L"見つかりません"); }, kWait));
  EXPECT_EQ(Selected(), 3);  // left where it was

  setText(edit, L"麻雀");
  clickButton(next);
  EXPECT_TRUE(WaitSelected(4));
  EXPECT_TRUE(waitUntil([&] { return !HasLabel(box, L"見つかりません"); }, kWait));

  // Escape closes the box; the lobby lookup never meets it.
  EXPECT_EQ(findTopLevelWindow({L"#32770", L"", app.App().pid(), false}), nullptr);
  pressKey(edit, VK_ESCAPE);
  EXPECT_TRUE(waitForWindowGone(box, kWait));
  EXPECT_EQ(app.CloseAndWait(), 0u);
}

// The file name field of the standard save dialog: the edit in the combo
// box cmb13 (0x47C), or the edit edt1 (0x480) of the older layout.
HWND FileNameField(HWND dialog) {
  if (HWND combo = childById(dialog, 0x47C)) {
    if (HWND edit = findChild(combo, L"Edit")) return edit;
    return combo;
  }
  if (HWND edit = childById(dialog, 0x480)) return edit;
  return nullptr;
}

// A CSV field as RFC 4180 quotes it.
std::wstring Csv(const std::wstring& field) {
  if (field.find_first_of(L",\"\t\r\n") == std::wstring::npos) return field;
  std::wstring out = L"\"";
  for (wchar_t c : field) out += c == L'"' ? std::wstring(L"\"\"") : std::wstring(1, c);
  return out + L"\"";
}

TEST_F(FindAndExport, TheSaveDialogIsAnsweredFromOutsideAndTheCsvReadsBack) {
  app.Deliver(L"\r\nボブ\t>say \"hi\",\tthen\r\nbye");
  ASSERT_EQ(app.Rows(), 7);
  const std::wstring target = app.File(L"出力.csv");
  ChooseFromGridMenu(app, kMenuSaveCsv);
  HWND dialog = waitForDialog(app.App().pid(), kWait, L"CSVで保存");
  ASSERT_NE(dialog, nullptr) << "no save dialog";
  HWND name = FileNameField(dialog);
  ASSERT_NE(name, nullptr) << "no file name field in the save dialog";
  // The proposed name: "horone-" and today's date.
  const std::wstring proposed = windowText(name);
  EXPECT_EQ(proposed.substr(0, 7), L"horone-") << toUtf8(proposed);
  EXPECT_EQ(proposed.size() >= 4 ? proposed.substr(proposed.size() - 4) : proposed, L".csv") << toUtf8(proposed);
  setText(name, target);
  pressDialogButton(dialog, IDOK);
  ASSERT_TRUE(waitForWindowGone(dialog, kWait));
  ASSERT_TRUE(waitForFile(target, kWait));

  std::wstring expected = L"場所,年月日,時間,ユーザ名,内容\r\n";
  const std::wstring users[] = {L"alice", L"bob", L"carol", L"Dave", L"HelloKitty", L"ボブ"};
  const std::wstring contents[] = {L"hello world", L"Good Morning", L"see you", L"say HELLO", L"麻雀しよう",
                                   L"\"say \"\"hi\"\",\tthen\r\nbye\""};
  for (int item = 0; item < 6; ++item) {
    const std::vector<std::wstring> row = app.Row(item);
    expected += Csv(row[0]) + L"," + Csv(row[1]) + L"," + Csv(row[2]) + L"," + users[item] + L"," + contents[item] + L"\r\n";
  }
  EXPECT_EQ(readFileBytes(target), "\xEF\xBB\xBF" + toUtf8(expected));
  EXPECT_FALSE(pathExists(target + L".tmp"));
  EXPECT_EQ(app.CloseAndWait(), 0u);
}

}  // namespace
}  // namespace horonetest
