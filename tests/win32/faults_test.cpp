// Faults from outside, seen as the user sees them: folders and files that
// cannot be written, a clipboard that another program holds, game windows
// that close in the middle of an auto-spectate run or stop answering, a
// dialog of another program on the desktop, chat lines that come while a
// message box is open, and a burst of lines into the chat edit. Every test
// checks that the window keeps answering and that no stored file lost an
// entry.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>

#include "horone_app.h"

namespace horonetest {
namespace {

using namespace wintest;

constexpr wchar_t kCountdownRestarted[] = L"自動観戦まで　9分59秒";

// The files of the program's folder with their bytes, but for the programs
// and the stand-in game's own files: what ホロネ stores.
std::map<std::wstring, std::string> StoredFiles(const HoroneApp& app) {
  static const std::wstring kNotStored[] = {L"horone.exe", L"HOROHK.DLL", L"gameclient.exe", L"journal.txt",
                                            L"game-script.txt"};
  std::map<std::wstring, std::string> files;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((app.Folder() + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return files;
  do {
    const std::wstring name = fd.cFileName;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (std::find(std::begin(kNotStored), std::end(kNotStored), name) != std::end(kNotStored)) continue;
    files[name] = app.ReadFile(name);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return files;
}

// The journal lines after the last "mark NAME" (none without it), without the list lengths
// that Wine's marshalling asks for by itself.
std::vector<std::string> JournalAfter(const HoroneApp& app, const std::string& mark) {
  const std::vector<std::string> lines = app.Journal();
  auto it = std::find(lines.rbegin(), lines.rend(), "mark " + mark);
  std::vector<std::string> out;
  if (it == lines.rend()) return out;
  for (auto l = it.base(); l != lines.end(); ++l) {
    if (l->rfind("lb gettextlen", 0) != 0 && l->rfind("chatlog", 0) != 0) out.push_back(*l);
  }
  return out;
}

// The lines between "mark FROM" and "mark TO" (the last of each), as above.
std::vector<std::string> JournalBetween(const HoroneApp& app, const std::string& from, const std::string& to) {
  std::vector<std::string> lines = JournalAfter(app, from);
  lines.erase(std::find(lines.begin(), lines.end(), "mark " + to), lines.end());
  return lines;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

void AddName(const HoroneApp& app, const std::wstring& name) {
  setText(app.Edit2(), name);
  clickButton(app.ButtonNamed(L"追加"));
  ASSERT_TRUE(waitUntil([&] { return windowText(app.Edit2()).empty(); }, kWait));
}

// Clicks a logged row, as the user does before a grid command.
void SelectRow(const HoroneApp& app, int item) {
  const RECT r = listViewItemRect(app.Grid(), item);
  clickAt(app.Grid(), {r.left + 150, (r.top + r.bottom) / 2});
  ASSERT_TRUE(waitUntil([&] { return listViewFocusedItem(app.Grid()) == item; }, kWait));
}

// A message box of ホロネ, once it is open, and its text.
struct OpenBox {
  HWND box = nullptr;
  std::wstring text;
};
OpenBox WaitForBox(HoroneApp& app) {
  OpenBox b;
  b.box = waitForMessageBox(app.App().pid(), kWait);
  if (b.box) b.text = messageBoxText(b.box);
  return b;
}
void PressOk(const HoroneApp& app, const OpenBox& b) {
  pressDialogButton(b.box, IDOK);
  EXPECT_TRUE(waitForWindowGone(b.box, kWait));
  EXPECT_TRUE(waitUntil([&] { return isWindowEnabled(app.Main()); }, kWait));
}

// Seconds left of the countdown in the status bar ("自動観戦まで　M分S秒").
int CountdownLeft(const HoroneApp& app) {
  const std::wstring t = app.Panel(4);
  const size_t m = t.find(L'分');
  const size_t start = t.find_first_of(L"0123456789");
  if (m == std::wstring::npos || start == std::wstring::npos || start > m) return -1;
  return std::stoi(t.substr(start, m - start)) * 60 + std::stoi(t.substr(m + 1));
}

// Writes "mark MARK" (ASCII) to the journal, gives the game the commands,
// then chooses 自動観戦 until a run begins: while a run goes on the item is
// disabled and the command does nothing.
bool StartRun(HoroneApp& app, const std::string& mark, const std::vector<std::string>& commands = {}) {
  if (!app.GameCommand("mark " + mark)) return false;
  for (const auto& c : commands) {
    if (!app.GameCommand(c)) return false;
  }
  return waitUntil(
      [&] {
        app.Command(kN3);
        return waitUntil([&] { return Has(JournalAfter(app, mark), "lb count"); }, 3000);
      },
      30000, 0);
}

// Reads one column of the grid for many rows through one block of memory
// in ホロネ's process (a fresh block per cell would cost more than the
// rows themselves).
class GridColumnReader {
 public:
  explicit GridColumnReader(HWND grid) : grid_(grid), mem_(grid, kTextAt + kChars * sizeof(wchar_t)) {}
  std::wstring Text(int item, int column) {
    LVITEMW it{};
    it.mask = LVIF_TEXT;
    it.iItem = item;
    it.iSubItem = column;
    it.pszText = static_cast<LPWSTR>(mem_.addressAt(kTextAt));
    it.cchTextMax = static_cast<int>(kChars);
    mem_.writeValue(0, it);
    const LRESULT n =
        sendMessage(grid_, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(mem_.address()));
    return mem_.readString(kTextAt, std::min(kChars, static_cast<size_t>(n) + 1));
  }

 private:
  static constexpr size_t kTextAt = (sizeof(LVITEMW) + 15) & ~size_t{15};
  static constexpr size_t kChars = 256;
  HWND grid_;
  RemoteMemory mem_;
};

// --- Files that cannot be written -------------------------------------------

TEST(Faults, AReadOnlyProgramFolderAtExitAndThenAtCloseLosesNoStoredEntry) {
  struct Case {
    const char* name;
    bool settingsFile;          // horone.INI there before the run
    const wchar_t* atClose;     // the box at close, or nullptr: none
  };
  const Case cases[] = {
      {"with a settings file", true, nullptr},
      {"without a settings file", false, L"horone.INI に書き込めません"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HoroneApp app;
    app.WriteFile(L"userlist.txt", "b\r\na\r\n");
    app.WriteFile(L"msglist.txt", "zeta\r\nalpha\r\n");
    if (c.settingsFile) app.WriteFile(L"horone.INI", "[Other]\r\nkeep=me\r\n[Form]\r\nFOW=900\r\nFOH=400\r\n");
    app.Start();
    AddName(app, L"c");
    const auto before = StoredFiles(app);
    Immutable folder(app, L"");
    ASSERT_TRUE(folder.ok()) << "chattr +i failed";

    // Exit: the watch list cannot be written; the window stays.
    app.Command(kExit1);
    OpenBox box = WaitForBox(app);
    ASSERT_NE(box.box, nullptr);
    EXPECT_EQ(box.text, L"ファイル " + app.File(L"userlist.txt") + L" を作成できません");
    EXPECT_TRUE(isResponsive(app.Main()));
    PressOk(app, box);
    EXPECT_TRUE(isWindowVisible(app.Main()));
    EXPECT_TRUE(isResponsive(app.Main()));
    EXPECT_EQ(listBoxItems(app.ListBox1()), (std::vector<std::wstring>{L"a", L"b", L"c"}));
    EXPECT_EQ(StoredFiles(app), before);  // no temporary file left either

    // Then the title bar's close: the settings.
    postMessage(app.Main(), WM_CLOSE, 0, 0);
    if (c.atClose) {
      box = WaitForBox(app);
      ASSERT_NE(box.box, nullptr);
      EXPECT_EQ(box.text, app.Folder() + L"\\" + c.atClose);
      pressDialogButton(box.box, IDOK);
    }
    EXPECT_EQ(app.WaitExit(), 0u);
    folder.Release();
    const auto after = StoredFiles(app);
    EXPECT_EQ(after.at(L"userlist.txt"), "b\r\na\r\n");
    EXPECT_EQ(after.at(L"msglist.txt"), "zeta\r\nalpha\r\n");
    if (c.settingsFile) {
      // Rewritten in place (no new name in the folder): the window's values,
      // every other line kept.
      const std::string& ini = after.at(L"horone.INI");
      EXPECT_NE(ini.find("[Other]\r\nkeep=me\r\n"), std::string::npos) << ini;
      EXPECT_NE(ini.find("FOW=900\r\nFOH=400\r\n"), std::string::npos) << ini;
      EXPECT_EQ(after.size(), before.size());
    } else {
      EXPECT_EQ(after, before);
    }
  }
}

TEST(Faults, AHistoryFileLockedAtExitIsReportedAndTheNextExitWritesBothLists) {
  HoroneApp app;
  app.WriteFile(L"userlist.txt", "old\r\n");
  app.WriteFile(L"msglist.txt", "zeta\r\nalpha\r\n");
  app.StartGame();
  app.Start();
  AddName(app, L"new");
  setText(app.ComboBox1(), L"よろしく");
  ASSERT_TRUE(waitUntil([&] { return isWindowEnabled(app.ButtonNamed(L"送信")); }, kWait));
  clickButton(app.ButtonNamed(L"送信"));
  ASSERT_TRUE(app.WaitJournal("sent lobby " + toUtf8(L"よろしく")));
  ASSERT_TRUE(waitUntil([&] { return comboCount(app.ComboBox1()) == 3; }, kWait));
  {
    ExclusiveFileLock lock(app.File(L"msglist.txt"), false);
    ASSERT_TRUE(lock.locked());
    app.Command(kExit1);
    OpenBox box = WaitForBox(app);
    ASSERT_NE(box.box, nullptr);
    EXPECT_EQ(box.text, L"ファイル " + app.File(L"msglist.txt") + L" を作成できません");
    EXPECT_TRUE(isResponsive(app.Main()));
    PressOk(app, box);
    EXPECT_TRUE(isWindowVisible(app.Main()));
    EXPECT_TRUE(isResponsive(app.Main()));
    // The watch list went first and is written; the history is kept as it was.
    EXPECT_EQ(app.ReadFile(L"userlist.txt"), "new\r\nold\r\n");
    EXPECT_EQ(comboItems(app.ComboBox1()), (std::vector<std::wstring>{L"alpha", L"zeta", L"よろしく"}));
  }
  const auto files = StoredFiles(app);
  EXPECT_EQ(files.at(L"msglist.txt"), "zeta\r\nalpha\r\n");
  EXPECT_EQ(files.size(), 2u) << "a temporary file was left";
  app.Command(kExit1);
  EXPECT_EQ(app.WaitExit(), 0u);
  EXPECT_EQ(app.ReadFile(L"userlist.txt"), "new\r\nold\r\n");
  EXPECT_EQ(app.ReadFile(L"msglist.txt"), "alpha\r\nzeta\r\n" + toCodePage(L"よろしく", 932) + "\r\n");
}

// --- The clipboard ----------------------------------------------------------

TEST(Faults, AClipboardHeldByAnotherProgramFailsTheCopyOnlyWhileItIsHeld) {
  HoroneApp app;
  app.Start();
  app.Deliver(L"\r\nタロウ\t>リーチ一発ツモ！");
  ASSERT_EQ(app.Rows(), 2);
  SelectRow(app, 0);
  setClipboardText(L"before");
  {
    ClipboardHolder holder;
    app.Command(kN2);
    OpenBox box = WaitForBox(app);
    ASSERT_NE(box.box, nullptr);
    EXPECT_EQ(box.text, L"クリップボードを開くことができません");
    EXPECT_TRUE(isResponsive(app.Main()));
    PressOk(app, box);
    EXPECT_TRUE(isResponsive(app.Main()));
  }
  EXPECT_EQ(clipboardUnicodeText(), std::optional<std::wstring>(L"before"));
  EXPECT_EQ(app.Rows(), 2);
  EXPECT_EQ(listViewFocusedItem(app.Grid()), 0);
  // Let go: both commands copy again.
  app.Command(kN2);
  EXPECT_TRUE(waitUntil(
      [] { return clipboardUnicodeText() == std::optional<std::wstring>(L"リーチ一発ツモ！"); }, kWait));
  app.Command(kN1);
  EXPECT_TRUE(waitUntil([] { return clipboardUnicodeText() == std::optional<std::wstring>(L"タロウ"); }, kWait));
  EXPECT_EQ(findTopLevelWindow({L"#32770", L"", app.App().pid(), true}), nullptr);
  EXPECT_EQ(app.CloseAndWait(), 0u);
}

// --- Game windows in the middle of an auto-spectate run ---------------------

TEST(Faults, GameWindowsClosingInTheMiddleOfAnAutoSpectateRunEndTheRun) {
  struct Case {
    const char* name;
    std::string outcomes;
    std::string onClick;
    std::vector<std::string> journal;  // after the run's start
    bool countdownRestarts;
  };
  const std::string play1 = toUtf8(L"第1卓 プレイ中"), play2 = toUtf8(L"第2卓 プレイ中");
  const Case cases[] = {
      {"the lobby closes as spectate is pressed", "outcomes open", "onclick spectate lobby close",
       {"lb count", "lb setcursel 0", "lb gettext 0", "click spectate down", "onclick spectate lobby close",
        "lobby closed"},
       true},
      {"the lobby closes as the failure dialog's OK is pressed", "outcomes fail,open", "onclick failok lobby close",
       {"lb count", "lb setcursel 0", "lb gettext 0", "click spectate down", "click spectate up",
        "dialog fail shown", "click failok down", "onclick failok lobby close", "dialog fail closed",
        "lobby closed"},
       false},
      {"the table window closes as it opens", "outcomes flash,open", "onclick spectate",
       {"lb count", "lb setcursel 0", "lb gettext 0", "click spectate down", "click spectate up", "table opened",
        "table closed"},
       true},
  };
  HoroneApp app;
  app.StartGame();
  app.Start();
  int line = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(app.GameCommand("lobby open"));
    ASSERT_TRUE(waitUntil([] { return FindWindowW(L"#32770", L"一般ロビー 東南戦ロビー") != nullptr; }, kWait));
    ASSERT_TRUE(app.GameCommand("lobby list " + play1 + "|" + play2));
    ASSERT_TRUE(app.GameCommand(c.outcomes));
    ASSERT_TRUE(app.GameCommand(c.onClick));
    // Some seconds since the last restart of the countdown, so that a
    // restart shows.
    ASSERT_TRUE(waitUntil([&] { return CountdownLeft(app) >= 0 && CountdownLeft(app) <= 596; }, 10000));
    const int left = CountdownLeft(app);
    ASSERT_TRUE(StartRun(app, c.name));
    ASSERT_TRUE(waitUntil([&] { return Has(JournalAfter(app, c.name), c.journal.back()); }, 20000));

    // Meanwhile and afterwards the log goes on.
    const std::wstring content = L"line " + std::to_wstring(++line) + L" during the run";
    app.Deliver(L"\r\nlocal\t>" + content);
    EXPECT_EQ(app.Panel(1), content);
    EXPECT_EQ(app.Row(line - 1)[4], content);
    EXPECT_TRUE(isResponsive(app.Main()));

    // The run ends; a new one spectates through the lobby opened again.
    if (c.countdownRestarts) {
      EXPECT_TRUE(waitUntil([&] { return app.Panel(4) == kCountdownRestarted; }, 20000)) << toUtf8(app.Panel(4));
    }
    const std::string again = std::string(c.name) + ", again";
    ASSERT_TRUE(StartRun(app, again, {"lobby open", "outcomes open"}));
    if (!c.countdownRestarts) {
      EXPECT_LT(CountdownLeft(app), left) << "the failed run counted as spectating";
    }
    EXPECT_EQ(JournalBetween(app, c.name, again), c.journal);
    ASSERT_TRUE(waitUntil([&] { return Has(JournalAfter(app, again), "key tablewin up 115"); }, 20000));
    EXPECT_TRUE(waitUntil([&] { return app.Panel(4) == kCountdownRestarted; }, 5000));
    EXPECT_TRUE(isResponsive(app.Main()));
    ASSERT_TRUE(app.GameCommand("table close"));
  }
  EXPECT_EQ(app.Rows(), line + 1);
  EXPECT_EQ(app.CloseAndWait(), 0u);
}

// --- A dialog of another program --------------------------------------------

// A dialog of another program on the desktop: a real dialog (class
// "#32770", made from an in-memory template) titled "ファイルを開く", with a
// list box of file names, a file name field and OK, run by a thread of this
// process with a modal dialog's message loop (IsDialogMessage: Enter in the
// field presses OK). It counts what reaches it from outside.
class ForeignDialog {
 public:
  ForeignDialog() {
    ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, &ForeignDialog::Run, this, 0, nullptr);
    WaitForSingleObject(ready_, 10000);
  }
  ~ForeignDialog() {
    if (dialog_) PostMessageW(dialog_, WM_CLOSE, 0, 0);
    WaitForSingleObject(thread_, 10000);
    CloseHandle(thread_);
    CloseHandle(ready_);
  }
  ForeignDialog(const ForeignDialog&) = delete;
  ForeignDialog& operator=(const ForeignDialog&) = delete;

  HWND Hwnd() const { return dialog_; }
  void BringToFront() const { SetWindowPos(dialog_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW); }
  // Messages that change or read its controls, from anyone.
  int ListSelections() const { return listSelections_; }
  int ListReads() const { return listReads_; }
  int OkPresses() const { return okPresses_; }
  std::wstring FieldText() const { return windowText(field_); }

 private:
  static DWORD WINAPI Run(void* self) { return static_cast<ForeignDialog*>(self)->Loop(); }

  DWORD Loop() {
    // DLGTEMPLATE without items, then menu, class and title (UTF-16 each).
    std::vector<WORD> t = {LOWORD(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE),
                           HIWORD(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE), 0, 0, 0, 20, 20, 200, 150, 0, 0};
    for (const wchar_t* p = L"ファイルを開く"; *p; ++p) t.push_back(static_cast<WORD>(*p));
    t.push_back(0);
    dialog_ = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(t.data()), nullptr,
                                         &ForeignDialog::Proc, reinterpret_cast<LPARAM>(this));
    SetEvent(ready_);
    if (!dialog_) return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (IsDialogMessageW(dialog_, &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    return 0;
  }

  static INT_PTR CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<ForeignDialog*>(GetWindowLongPtrW(h, DWLP_USER));
    switch (msg) {
      case WM_INITDIALOG: {
        self = reinterpret_cast<ForeignDialog*>(lp);
        SetWindowLongPtrW(h, DWLP_USER, lp);
        HINSTANCE inst = GetModuleHandleW(nullptr);
        HWND list = CreateWindowExW(0, L"ListBox", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | LBS_NOTIFY, 10, 10, 260,
                                    120, h, reinterpret_cast<HMENU>(1120), inst, nullptr);
        for (const wchar_t* item : {L"牌譜 プレイ中.txt", L"メモ.txt"}) {
          SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        }
        SendMessageW(list, LB_SETCURSEL, 1, 0);
        SetWindowSubclass(list, &ForeignDialog::ListSubclass, 1, reinterpret_cast<DWORD_PTR>(self));
        self->field_ = CreateWindowExW(0, L"Edit", L"メモ.txt", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP, 10,
                                       140, 180, 22, h, reinterpret_cast<HMENU>(1152), inst, nullptr);
        CreateWindowExW(0, L"Button", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 200, 140, 70, 22,
                        h, reinterpret_cast<HMENU>(IDOK), inst, nullptr);
        return TRUE;
      }
      case WM_COMMAND:
        if (LOWORD(wp) == IDOK) ++self->okPresses_;  // stays open: only its owner closes it
        return TRUE;
      case WM_CLOSE:
        DestroyWindow(h);
        return TRUE;
      case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
      default:
        return FALSE;
    }
  }

  static LRESULT CALLBACK ListSubclass(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto* self = reinterpret_cast<ForeignDialog*>(ref);
    if (msg == LB_SETCURSEL) ++self->listSelections_;
    if (msg == LB_GETTEXT || msg == LB_GETCOUNT) ++self->listReads_;
    return DefSubclassProc(h, msg, wp, lp);
  }

  HANDLE ready_ = nullptr;
  HANDLE thread_ = nullptr;
  HWND dialog_ = nullptr;
  HWND field_ = nullptr;
  std::atomic<int> listSelections_{0}, listReads_{0}, okPresses_{0};
};

// Auto-spectate, a sent text and the place of a chat line all go to the
// lobby (and its table), with the other program's dialog on the desktop;
// that dialog gets nothing.
void ExpectTheLobbyServesAndTheOtherDialogIsLeftAlone(HoroneApp& app, const ForeignDialog& other) {
  const bool ran = StartRun(app, "run");
  EXPECT_TRUE(ran) << "auto-spectate did not go to the lobby";
  if (ran) {
    ASSERT_TRUE(app.WaitJournal("key tablewin up 115", 20000));
    EXPECT_EQ(JournalAfter(app, "run"),
              (std::vector<std::string>{"lb count", "lb setcursel 0", "lb gettext 0", "click spectate down",
                                        "click spectate up", "table opened", "key tablewin down 115",
                                        "key tablewin up 115"}));
    EXPECT_TRUE(waitUntil([&] { return app.Panel(4) == kCountdownRestarted; }, 5000));
    ASSERT_TRUE(app.GameCommand("table close"));
    ASSERT_TRUE(app.WaitJournal("table closed"));
  }

  setText(app.ComboBox1(), L"よろしく");
  ASSERT_TRUE(waitUntil([&] { return isWindowEnabled(app.ButtonNamed(L"送信")); }, kWait));
  clickButton(app.ButtonNamed(L"送信"));
  const bool sent = app.WaitJournal("sent lobby " + toUtf8(L"よろしく"));
  EXPECT_TRUE(sent) << "the text did not go to the lobby";
  // The game logs the sent line too, and it comes back through the hook.
  const int rows = sent ? 3 : 2;
  if (sent) {
    ASSERT_TRUE(waitUntil([&] { return app.Rows() == 2; }, kWait));
    EXPECT_EQ(app.Row(0)[4], L"よろしく");
  }
  ASSERT_TRUE(app.GameCommand(toUtf8(L"chat lobby mjfan\tこんばんは")));
  ASSERT_EQ(app.Rows(), rows);
  EXPECT_EQ(app.Row(rows - 2)[4], L"こんばんは");
  for (int item = 0; item < rows - 1; ++item) {
    EXPECT_EQ(app.Row(item)[0].substr(0, 9), L"一般ロビー 東南戦") << item;
  }

  EXPECT_EQ(other.ListSelections(), 0);
  EXPECT_EQ(other.ListReads(), 0);
  EXPECT_EQ(other.OkPresses(), 0);
  EXPECT_EQ(other.FieldText(), L"メモ.txt");
  EXPECT_TRUE(isResponsive(app.Main()));
  EXPECT_EQ(app.CloseAndWait(), 0u);
}

// The other program's dialog opened before the game: the lobby is the first
// dialog on the desktop.
TEST(Faults, AnotherProgramsDialogOpenedBeforeTheLobbyIsLeftAlone) {
  ForeignDialog other;
  ASSERT_NE(other.Hwnd(), nullptr);
  HoroneApp app;
  app.StartGame();
  ASSERT_TRUE(app.GameCommand("lobby list " + toUtf8(L"第1卓 プレイ中")));
  ASSERT_TRUE(app.GameCommand("outcomes open"));
  app.Start();
  HWND lobby = FindWindowW(L"#32770", L"一般ロビー 東南戦ロビー");
  ASSERT_NE(lobby, nullptr);
  ASSERT_EQ(FindWindowW(L"#32770", nullptr), lobby) << "the lobby is not the first dialog";
  ExpectTheLobbyServesAndTheOtherDialogIsLeftAlone(app, other);
}

// The same dialog brought in front of the lobby, so that it is the first
// dialog on the desktop: the lobby is the dialog with the spectate button.
TEST(Faults, AnotherProgramsDialogInFrontOfTheLobbyIsLeftAlone) {
  HoroneApp app;
  app.StartGame();
  ASSERT_TRUE(app.GameCommand("lobby list " + toUtf8(L"第1卓 プレイ中")));
  ASSERT_TRUE(app.GameCommand("outcomes open"));
  app.Start();
  ForeignDialog other;
  ASSERT_NE(other.Hwnd(), nullptr);
  other.BringToFront();
  ASSERT_EQ(FindWindowW(L"#32770", nullptr), other.Hwnd()) << "the other dialog is not the first one";
  ExpectTheLobbyServesAndTheOtherDialogIsLeftAlone(app, other);
}

// --- Chat lines while a box of ホロネ is open ---------------------------------

TEST(Faults, ChatLinesWhileAMessageBoxIsOpenAreLoggedAndTheBoxStillWorks) {
  HoroneApp app;
  app.WriteFile(L"userlist.txt", "kept\r\n");
  app.StartGame();
  app.Start();
  ASSERT_TRUE(app.GameCommand(toUtf8(L"chat lobby mjfan\tこんばんは")));
  ASSERT_EQ(app.Rows(), 2);
  const std::wstring lobbyPlace = app.Row(0)[0];
  ASSERT_EQ(lobbyPlace.substr(0, 9), L"一般ロビー 東南戦");
  app.Deliver(L"\r\nタロウ\t>リーチ");
  const auto before = StoredFiles(app);

  struct Case {
    const char* name;
    std::function<void()> open;
    std::wstring text;
  };
  ExclusiveFileLock lock(app.File(L"userlist.txt"), false);
  ASSERT_TRUE(lock.locked());
  std::unique_ptr<ClipboardHolder> holder;
  const Case cases[] = {
      {"the Exit failure", [&] { app.Command(kExit1); },
       L"ファイル " + app.File(L"userlist.txt") + L" を作成できません"},
      {"the copy failure",
       [&] {
         SelectRow(app, 0);
         holder = std::make_unique<ClipboardHolder>();
         app.Command(kN1);
       },
       L"クリップボードを開くことができません"},
  };
  int rows = 3;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.open();
    OpenBox box = WaitForBox(app);
    ASSERT_NE(box.box, nullptr);
    ASSERT_TRUE(app.GameCommand(toUtf8(L"chat lobby hanako\t") + c.name));
    ASSERT_TRUE(waitUntil([&] { return app.Rows() == rows + 1; }, kWait));
    EXPECT_TRUE(isWindowVisible(box.box));  // logged while the box is open
    auto row = app.Row(rows - 1);
    EXPECT_EQ(row[3], L"hanako");
    EXPECT_EQ(row[4], fromUtf8(c.name));
    EXPECT_EQ(row[0], lobbyPlace) << "the place is the box's title, not the lobby's";
    EXPECT_EQ(app.Panel(1), fromUtf8(c.name));
    app.Deliver(L"\r\nlocal\t>from outside");
    ASSERT_EQ(app.Rows(), rows + 2);
    EXPECT_EQ(app.Row(rows)[0], lobbyPlace);
    rows += 2;
    // The box: its text as it was, and OK closes it.
    EXPECT_EQ(messageBoxText(box.box), c.text);
    EXPECT_TRUE(isResponsive(app.Main()));
    PressOk(app, box);
    EXPECT_TRUE(isResponsive(app.Main()));
    holder.reset();
  }
  lock.release();
  EXPECT_EQ(StoredFiles(app), before);
  app.Command(kExit1);
  EXPECT_EQ(app.WaitExit(), 0u);
  EXPECT_EQ(app.ReadFile(L"userlist.txt"), "kept\r\n");
}

// --- A burst into the chat edit ---------------------------------------------

TEST(Faults, TenThousandLinesSentIntoTheChatEditAsFastAsItTakesThemAreAllLogged) {
  constexpr int kLines = 10000;
  const std::wstring users[] = {L"alice", L"タロウ", L"bob_99"};
  auto content = [](int n) { return L"line " + std::to_wstring(n) + L" 東南戦"; };
  HoroneApp app;
  app.Start();
  HWND edit = app.Edit1();
  int refused = 0;
  for (int n = 1; n <= kLines; ++n) {
    const std::wstring text = L"\r\n" + users[n % 3] + L"\t>" + content(n);
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, 30000, &r)) {
      ++refused;
    }
  }
  EXPECT_EQ(refused, 0);
  EXPECT_TRUE(isResponsive(app.Main()));
  ASSERT_EQ(app.Rows(), kLines + 1);  // and the empty row
  EXPECT_EQ(app.Panel(0), users[kLines % 3]);
  EXPECT_EQ(app.Panel(1), content(kLines));
  EXPECT_EQ(listViewFocusedItem(app.Grid()), kLines);  // auto-scroll: the empty row below
  GridColumnReader grid(app.Grid());
  int wrong = 0;
  for (int n = 1; n <= kLines; ++n) {
    const std::wstring user = grid.Text(n - 1, 3), text = grid.Text(n - 1, 4);
    if (user != users[n % 3] || text != content(n)) {
      if (++wrong <= 5) ADD_FAILURE() << "row " << n - 1 << ": " << toUtf8(user) << " / " << toUtf8(text);
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(grid.Text(kLines, 4), L"");
  EXPECT_TRUE(isResponsive(app.Main()));
  EXPECT_EQ(app.CloseAndWait(), 0u);
}

}  // namespace
}  // namespace horonetest
