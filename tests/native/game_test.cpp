// The chat sender, auto-spectate and its countdown, against a scripted
// desktop of the game client's windows.
#include <gtest/gtest.h>

#include <climits>

#include "fakes.h"
#include "game/countdown.h"

namespace horone::testing {
namespace {

using Lines = std::vector<std::string>;

// ---------------------------------------------------------------- sender

struct Sender : ::testing::Test {
  Harness h;
  TForm2* f = nullptr;
  WindowHandle lobbyEdit = 0, tableEdit = 0;

  // Windows are created in the order given: a lobby first, so that a search
  // for "the first Edit anywhere" would find the lobby's.
  void Open(bool lobby, bool table, bool tableHasEdit = true) {
    if (lobby) {
      const WindowHandle l = h.desktop.AddLobby("ロビー");
      h.desktop.Add("ListBox", "", l);
      lobbyEdit = h.desktop.Add("Edit", "lobby-edit", l);
    }
    if (table) {
      const WindowHandle t = h.desktop.Add("KatuGameMjMain", "第1卓 東");
      if (tableHasEdit) {
        tableEdit = h.desktop.Add("Edit", "table-edit-1", t);
        h.desktop.Add("Edit", "table-edit-2", t);
      }
    }
  }
  Lines SendJournal(const std::string& target, const std::string& text) {
    return {"settext " + target + " " + text, "key " + target + " down 13", "key " + target + " up 13"};
  }
};

TEST_F(Sender, TheTableWindowsChatInputComesBeforeTheLobbys) {
  struct Case {
    const char* what;
    bool lobby, table, tableHasEdit;
    std::string target;
  } cases[] = {
      {"table window and lobby", true, true, true, "table-edit-1"},
      {"lobby only", true, false, true, "lobby-edit"},
      {"table window without an Edit child", true, true, false, "null"},
      {"neither", false, false, true, "null"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    h.desktop.windows.clear();
    h.desktop.journal.clear();
    tableEdit = lobbyEdit = 0;
    Open(c.lobby, c.table, c.tableHasEdit);
    f = &h.Start();
    f->ComboBox1.UserEdit("こんにちは");
    f->ComboBox1.UserKeyDown(13, {});
    EXPECT_EQ(h.desktop.journal, SendJournal(c.target, "こんにちは"));
    const WindowHandle target = c.target == "table-edit-1" ? tableEdit : c.target == "lobby-edit" ? lobbyEdit : 0;
    if (target) {
      EXPECT_EQ(h.desktop.At(target).text, "こんにちは");
    }
    // Sent to nothing or not, the text is recorded and the input cleared.
    EXPECT_EQ(*f->MessageHistory, Lines{"こんにちは"});
    EXPECT_EQ(f->ComboBox1.Text(), "");
    EXPECT_FALSE(f->Button9.Enabled());
    EXPECT_FALSE(f->Button1.Enabled());
  }
}

TEST_F(Sender, AnEmptyTextStillSetsTheInputAndPressesEnter) {
  h.files.files[h.MsgList()] = "a\r\n";
  Open(true, true);
  f = &h.Start();
  h.desktop.At(tableEdit).text = "left over";
  f->ComboBox1.UserEdit("x");
  f->ComboBox1.UserEdit("");
  f->ComboBox1.UserKeyDown(13, {});
  EXPECT_EQ(h.desktop.journal, SendJournal("table-edit-1", ""));
  EXPECT_EQ(h.desktop.At(tableEdit).text, "");
  EXPECT_EQ(*f->MessageHistory, Lines{"a"});
  EXPECT_FALSE(f->Button9.Enabled());
  EXPECT_FALSE(f->Button1.Enabled());
}

TEST_F(Sender, AHeldTextIsSentAgainAndKeptOnce) {
  h.files.files[h.MsgList()] = "Hello\r\nzz\r\n";
  Open(true, false);
  f = &h.Start();
  f->ComboBox1.UserPick(0);
  f->Button9.UserClick();
  f->ComboBox1.UserEdit("HELLO");
  f->Button9.UserClick();
  EXPECT_EQ(h.desktop.journal.size(), 6u);
  EXPECT_EQ(h.desktop.journal[0], "settext lobby-edit Hello");
  EXPECT_EQ(h.desktop.journal[3], "settext lobby-edit HELLO");
  EXPECT_EQ(*f->MessageHistory, (Lines{"Hello", "zz"}));
  EXPECT_EQ(f->ComboBox1.Items(), *f->MessageHistory);
}

TEST_F(Sender, EnterWithAnyModifiersSendsOtherKeysDoNot) {
  Open(true, false);
  f = &h.Start();
  struct Case {
    std::uint16_t key;
    ShiftState shift;
    bool sends;
  } cases[] = {
      {13, {}, true},
      {13, {true, false, false}, true},
      {13, {false, true, false}, true},
      {13, {true, true, true}, true},
      {10, {}, false},
      {65, {false, true, false}, false},
      {108, {}, false},                     // the keypad's separator key
      {static_cast<std::uint16_t>(13 + 256), {}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    h.desktop.journal.clear();
    f->ComboBox1.UserEdit("t");
    std::uint16_t key = c.key;
    f->ComboBox1KeyDown(key, c.shift);
    EXPECT_EQ(key, c.key);  // the key is not consumed
    EXPECT_EQ(h.desktop.journal, c.sends ? SendJournal("lobby-edit", "t") : Lines{});
    EXPECT_EQ(f->ComboBox1.Text(), c.sends ? "" : "t");
  }
}

TEST_F(Sender, W1SendsTheWhisperCommandWithoutRecordingIt) {
  h.files.files[h.UserList()] = "abc\r\nzed\r\n";
  h.files.files[h.MsgList()] = "m\r\n";
  Open(true, true);
  f = &h.Start();
  f->ListBox1.UserSelect(0);
  f->ComboBox1.UserEdit("draft");
  f->w1.UserClick();
  EXPECT_EQ(h.desktop.journal, SendJournal("table-edit-1", "/w abc"));
  EXPECT_EQ(f->ComboBox1.Text(), "");
  EXPECT_EQ(*f->MessageHistory, Lines{"m"});
  EXPECT_EQ(f->ComboBox1.Items(), Lines{"m"});
  EXPECT_TRUE(f->Button9.Enabled());  // left as they were
  EXPECT_TRUE(f->Button1.Enabled());
}

TEST_F(Sender, T1PreparesTheTellCommandWithTheCaretAfterTheSpace) {
  h.files.files[h.UserList()] = "abc\r\n";
  Open(true, true);
  f = &h.Start();
  WatchingSink sink;
  int focused = 0;
  sink.onChange = [&](Component&, Change what, int) { focused += what == Change::Focus; };
  sink.Watch({&f->ComboBox1});
  f->ListBox1.UserSelect(0);
  f->ComboBox1.UserEdit("draft");
  f->t1.UserClick();
  EXPECT_EQ(f->ComboBox1.Text(), "/t abc ");
  EXPECT_EQ(focused, 1);
  EXPECT_EQ(f->ComboBox1.SelStart(), 7);
  EXPECT_EQ(f->ComboBox1.SelLength(), 0);
  EXPECT_TRUE(h.desktop.journal.empty());
  EXPECT_TRUE(f->Button9.Enabled());  // left as they were
  EXPECT_TRUE(f->Button1.Enabled());
  EXPECT_TRUE(f->MessageHistory->empty());

  // The player completes the message and sends it.
  f->ComboBox1.UserEdit("/t abc 東風戦どう？");
  f->ComboBox1.UserKeyDown(13, {});
  EXPECT_EQ(h.desktop.journal, SendJournal("table-edit-1", "/t abc 東風戦どう？"));
}

TEST_F(Sender, W1AndT1WithoutASelectedUserReportTheIndexError) {
  h.files.files[h.UserList()] = "abc\r\n";
  Open(true, true);
  f = &h.Start();
  struct Case {
    MenuItem* item;
    bool afterDelete;
  } cases[] = {{&f->w1, false}, {&f->t1, false}, {&f->w1, true}, {&f->t1, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.item->Name() + (c.afterDelete ? " after a delete" : ""));
    if (c.afterDelete) {
      f->AddWatchedUser("gone");
      f->ListBox1.UserSelect(1);
      f->Button5.UserClick();
    }
    f->ComboBox1.UserEdit("draft");
    EXPECT_EQ(ErrorOf([&] { c.item->UserClick(); }), "リストのインデックスが範囲を超えています (-1)");
    EXPECT_EQ(f->ComboBox1.Text(), "draft");
    EXPECT_TRUE(h.desktop.journal.empty());
    EXPECT_TRUE(f->MessageHistory->empty());
  }
}

// ---------------------------------------------------------- auto-spectate

// What the game does when the spectate button is clicked with item i selected.
enum Outcome : char { kNothing = '-', kFails = 'F', kOpens = 'O', kBoth = 'B' };

// The game client's lobby, failure dialog and table window, scripted by the
// outcome of each item, over a started form.
struct ScriptedGame {
  Harness h;
  TForm2& f = h.Start();
  WatchingSink sink;
  Lines n3;  // N3's enabled states as they were set
  WindowHandle lobby = 0, list = 0, button = 0, failure = 0;
  std::string outcomes;         // per item: what a click on the spectate button brings
  int passesBeforeOpening = 0;  // event passes after the click before the table window appears
  int passes = 0;
  int pendingOpen = -1;
  int disabledInPump = 0;       // event passes that saw N3 disabled

  ScriptedGame() {
    sink.onChange = [this](Component&, Change what, int) {
      if (what == Change::Enabled) n3.push_back(f.N3.Enabled() ? "on" : "off");
    };
    sink.Watch({&f.N3});
    h.desktop.onMouseButton = [this](WindowHandle w, bool down) {
      if (!down) Clicked(w);
    };
    h.pump.onProcess = [this] {
      if (!f.N3.Enabled()) ++disabledInPump;
      ++passes;
      if (pendingOpen >= 0 && passes >= passesBeforeOpening) {
        OpenTable(pendingOpen);
        pendingOpen = -1;
      }
    };
  }

  void OpenLobby(const Lines& items) {
    lobby = h.desktop.Add("#32770", "ロビー");
    list = h.desktop.Add("ListBox", "", lobby);
    h.desktop.At(list).items = items;
    h.desktop.Add("Edit", "", lobby);
    button = h.desktop.Add("Button", "観戦(&F)", lobby);
  }
  void OpenTable(int index) { h.desktop.Add("KatuGameMjMain", "第" + std::to_string(index + 1) + "卓"); }
  void ShowFailure() {
    failure = h.desktop.Add("#32770", "観戦失敗");
    h.desktop.Add("Static", "観戦できませんでした", failure);
    h.desktop.Add("Button", "OK", failure);
  }

  void Clicked(WindowHandle w) {
    if (w == button) {
      const int i = h.desktop.At(list).selection;
      switch (outcomes.at(static_cast<size_t>(i))) {
        case kFails:
          ShowFailure();
          break;
        case kBoth:
          ShowFailure();
          OpenTable(i);
          break;
        case kOpens:
          passes = 0;
          if (passesBeforeOpening == 0) OpenTable(i);
          else pendingOpen = i;
          break;
        default:
          break;
      }
    } else if (failure && w == h.desktop.FindChild(failure, "Button", "OK")) {
      h.desktop.Remove(failure);
      failure = 0;
    }
  }
};

const Lines kScanStart = {"sleep 500", "sleep 500"};
Lines Click() { return {"click 観戦(&F) down", "click 観戦(&F) up", "sleep 1000"}; }
Lines Dismiss() { return {"sleep 500", "click OK down", "click OK up"}; }
Lines F4(const std::string& to) { return {"key " + to + " down 115", "key " + to + " up 115"}; }
Lines Cat(std::initializer_list<Lines> parts) {
  Lines all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST(SpectateOutcomes, EveryOutcomeOfARun) {
  enum Setup { kTableOpen, kLobby, kNoLobby, kOtherDialog };
  struct Case {
    const char* what;
    Setup setup;
    Lines items;
    std::string outcomes;
    Lines journal;
    std::int32_t ticks;  // CountdownTicks after the run, from 42
    int passes;
    int lastSelected;
  } cases[] = {
      {"table window already open", kTableOpen, {"1卓 プレイ中"}, "O", {}, 42, 0, -1},
      {"no item in play", kLobby, {"1卓 待機中", "2卓 空き"}, "--",
       Cat({kScanStart, {"select 0", "select 1"}}), 42, 0, 1},
      {"empty table list", kLobby, {}, "", kScanStart, 42, 0, -1},
      {"no lobby", kNoLobby, {}, "", kScanStart, 42, 0, -1},
      {"another program's dialog is not the lobby", kOtherDialog, {}, "", kScanStart, 42, 0, -1},
      {"every table in play fails", kLobby, {"1卓 プレイ中", "2卓 待機中", "3卓 プレイ中"}, "F-F",
       Cat({kScanStart, {"select 0"}, Click(), Dismiss(), {"select 1", "select 2"}, Click(), Dismiss()}), 42, 4, 2},
      {"the first fails, the second opens", kLobby, {"1卓 待機中", "2卓 プレイ中", "3卓 プレイ中", "4卓 プレイ中"},
       "-FOO", Cat({kScanStart, {"select 0", "select 1"}, Click(), Dismiss(), {"select 2"}, Click(), F4("第3卓")}),
       0, 3, 2},
      {"failure dialog and table window in one pass", kLobby, {"1卓 プレイ中"}, "B",
       Cat({kScanStart, {"select 0"}, Click(), Dismiss()}), 42, 2, 0},
      {"the wait runs out", kLobby, {"1卓 プレイ中", "2卓 プレイ中"}, "--",
       Cat({kScanStart, {"select 0"}, Click(), F4("null")}), 0, 5000, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedGame run;
    CountdownTicks = 42;
    if (c.setup == kOtherDialog) run.h.desktop.Add("#32770", "お知らせ");
    if (c.setup == kLobby || c.setup == kTableOpen) run.OpenLobby(c.items);
    if (c.setup == kTableOpen) run.OpenTable(0);
    run.outcomes = c.outcomes;

    run.f.N3.UserClick();

    EXPECT_EQ(run.h.desktop.journal, c.journal);
    EXPECT_EQ(CountdownTicks, c.ticks);
    EXPECT_EQ(run.h.pump.processed, c.passes);
    EXPECT_EQ(run.disabledInPump, c.passes);  // N3 stays disabled throughout the wait
    EXPECT_EQ(run.n3, (Lines{"off", "on"}));
    EXPECT_TRUE(run.f.N3.Enabled());
    if (run.list) {
      EXPECT_EQ(run.h.desktop.At(run.list).selection, c.lastSelected);
    }
    EXPECT_EQ(run.h.desktop.FindTopLevel("#32770", "観戦失敗"), 0u);  // every dialog dismissed
    EXPECT_TRUE(run.h.dialogs.shown.empty());
  }
}

TEST(SpectateScan, InPlayIsFoundAnywhereInTheItemWhateverItsLength) {
  struct Case {
    std::string item;
    bool inPlay;
  } cases[] = {
      {"プレイ中", true},
      {"プレイ中 第1卓", true},
      {"第1卓 プレイ中 東南", true},
      {"第1卓 東南 プレイ中", true},
      {"第12卓 東南戦 喰断あり 赤あり プレイ中", true},  // far beyond 15 bytes
      {"待機中", false},
      {"プレイ", false},
      {"ﾌﾟﾚｲ中", false},
      {"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.item);
    ScriptedGame g;
    g.OpenLobby({c.item});
    g.outcomes = "O";
    g.f.N3Click();
    const Lines& journal = g.h.desktop.journal;
    const bool clicked = std::find(journal.begin(), journal.end(), "click 観戦(&F) down") != journal.end();
    EXPECT_EQ(clicked, c.inPlay);
    EXPECT_EQ(journal.back(), c.inPlay ? "key 第1卓 up 115" : "select 0");
  }
}

TEST(SpectateWait, EventsInsideTheWaitRunButATimedRunIsSkipped) {
  ScriptedGame g;
  auto& f = g.f;
  auto& h = g.h;
  g.OpenLobby({"1卓 プレイ中"});
  g.outcomes = "O";
  g.passesBeforeOpening = 3;
  CountdownTicks = 700;
  int nestedAttempts = 0;
  auto process = h.pump.onProcess;
  h.pump.onProcess = [&] {
    process();
    if (g.passes == 1) {
      ++nestedAttempts;
      f.Timer1.Fire();      // the ten-minute timer falls due inside the wait
      f.N3.UserClick();     // the menu item is disabled
      f.Timer2.Fire();      // the countdown ticks inside the wait
    }
  };
  f.Timer1.Fire();
  EXPECT_EQ(nestedAttempts, 1);
  EXPECT_EQ(h.desktop.journal, Cat({kScanStart, {"select 0"}, Click(), F4("第1卓")}));
  EXPECT_EQ(h.pump.processed, 3);
  EXPECT_EQ(g.n3, (Lines{"off", "on"}));
  EXPECT_EQ(g.disabledInPump, 3);
  EXPECT_TRUE(f.Timer1.Enabled());  // the timer keeps its schedule
  EXPECT_EQ(f.StatusBar1.Panel(4).text, "自動観戦まで　-1分-41秒");  // tick 701 inside the wait
  EXPECT_EQ(CountdownTicks, 0);  // the reset comes after it

  f.Timer2.Fire();
  EXPECT_EQ(f.StatusBar1.Panel(4).text, "自動観戦まで　9分59秒");

  // The next timed run finds the table window open and leaves the count.
  f.Timer1.Fire();
  EXPECT_EQ(g.n3, (Lines{"off", "on", "off", "on"}));
  EXPECT_EQ(h.desktop.journal.size(), 8u);
  EXPECT_EQ(CountdownTicks, 1);
  f.Timer2.Fire();
  EXPECT_EQ(f.StatusBar1.Panel(4).text, "自動観戦まで　9分58秒");
}

// ---------------------------------------------------------------- countdown

TEST(Countdown, PanelTextAtEachCount) {
  Harness h;
  TForm2& f = h.Start();
  EXPECT_EQ(f.StatusBar1.Panel(4).text, "");  // empty until the first tick
  struct Case {
    std::int32_t after;  // CountdownTicks after the tick
    const char* end;
  } cases[] = {
      {1, "9分59秒"},     {540, "1分0秒"},     {595, "0分5秒"},    {600, "0分0秒"},
      {601, "0分-1秒"},   {660, "-1分0秒"},    {661, "-1分-1秒"},  {0, "10分0秒"},
      {-59, "10分59秒"},  {INT32_MAX, "-35791384分-7秒"},
      {INT32_MIN, "35791404分8秒"},  // the 32-bit count wraps after INT32_MAX
      {INT32_MIN + 1, "35791404分7秒"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.after);
    CountdownTicks = c.after == INT32_MIN ? INT32_MAX : c.after - 1;
    f.Timer2.Fire();
    EXPECT_EQ(CountdownTicks, c.after);
    EXPECT_EQ(f.StatusBar1.Panel(4).text, std::string("自動観戦まで　") + c.end);
    EXPECT_EQ(CountdownText(c.after), f.StatusBar1.Panel(4).text);
  }
}

TEST(Countdown, TicksCountUpFromStartAndAfterAReset) {
  Harness h;
  TForm2& f = h.Start();
  for (int i = 0; i < 600; ++i) f.Timer2.Fire();
  EXPECT_EQ(f.StatusBar1.Panel(4).text, "自動観戦まで　0分0秒");
  f.Timer2.Fire();
  EXPECT_EQ(f.StatusBar1.Panel(4).text, "自動観戦まで　0分-1秒");
  CountdownTicks = 0;  // as a run that ended its scan leaves it
  f.Timer2.Fire();
  EXPECT_EQ(f.StatusBar1.Panel(4).text, "自動観戦まで　9分59秒");
}

}  // namespace
}  // namespace horone::testing
