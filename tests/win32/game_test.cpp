// Sending chat into the stand-in game and spectating automatically, checked
// against what the game journals.
#include <gtest/gtest.h>

#include <algorithm>

#include "horone_app.h"

namespace horonetest {
namespace {

using namespace wintest;

std::vector<std::string> Without(const std::vector<std::string>& lines, const std::string& prefix) {
  std::vector<std::string> out;
  for (const auto& l : lines) {
    if (l.rfind(prefix, 0) != 0) out.push_back(l);
  }
  return out;
}

// The journal lines after the last "mark NAME".
std::vector<std::string> After(const std::vector<std::string>& lines, const std::string& mark) {
  auto it = std::find(lines.rbegin(), lines.rend(), "mark " + mark);
  return std::vector<std::string>(it.base(), lines.end());
}

TEST(ChatSender, ATypedTextGoesToTheTableWindowsInputWithEnter) {
  HoroneApp app;
  app.StartGame();
  ASSERT_TRUE(app.GameCommand("table open " + toUtf8(L"第3卓 東風戦")));
  app.Start();
  HWND combo = app.ComboBox1();
  HWND comboEdit = FindWindowExW(combo, nullptr, L"Edit", nullptr);
  ASSERT_NE(comboEdit, nullptr);
  app.GameCommand("mark typed");
  typeText(combo, L"よろしく");
  ASSERT_TRUE(waitUntil([&] { return isWindowEnabled(app.ButtonNamed(L"送信")); }, kWait));
  keyDown(comboEdit, VK_RETURN);
  keyUp(comboEdit, VK_RETURN);
  ASSERT_TRUE(app.WaitJournal("sent table " + toUtf8(L"よろしく")));
  auto seen = Without(After(app.Journal(), "typed"), "chatlog");
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen[0], "settext table " + toUtf8(L"よろしく"));
  EXPECT_EQ(seen[1], "key table down 13");
  ASSERT_TRUE(waitUntil([&] { return comboCount(combo) == 1; }, kWait));
  EXPECT_EQ(comboItem(combo, 0), L"よろしく");
  EXPECT_EQ(comboText(combo), L"");
  EXPECT_FALSE(isWindowEnabled(app.ButtonNamed(L"送信")));
  EXPECT_FALSE(isWindowEnabled(app.Button1()));
  // Nothing reached the lobby's input.
  for (const auto& l : app.Journal()) EXPECT_EQ(l.rfind("settext lobby", 0), std::string::npos) << l;
  EXPECT_EQ(app.CloseAndWait(), 0u);
}

TEST(ChatSender, WhisperSendsAtOnceAndTellPreparesTheInput) {
  HoroneApp app;
  app.WriteFile(L"userlist.txt", "abc\r\n");
  app.StartGame();
  app.Start();
  HWND list = app.ListBox1();
  // Without a selected user the shortcut reports the index error.
  app.Command(kW1);
  EXPECT_EQ(app.TakeMessage(), L"リストのインデックスが範囲を超えています (-1)");
  sendMessage(list, LB_SETCURSEL, 0, 0);
  sendMessage(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
              reinterpret_cast<LPARAM>(list));
  app.Command(kW1);
  ASSERT_TRUE(app.WaitJournal("settext lobby /w abc"));
  ASSERT_TRUE(app.WaitJournal("key lobby down 13"));
  EXPECT_EQ(comboText(app.ComboBox1()), L"");
  EXPECT_EQ(comboCount(app.ComboBox1()), 0);  // not recorded

  app.GameCommand("mark tell");
  app.Command(kT1);
  ASSERT_TRUE(waitUntil([&] { return comboText(app.ComboBox1()) == L"/t abc "; }, kWait));
  DWORD start = 0, end = 0;
  sendMessage(app.ComboBox1(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 7u);
  EXPECT_EQ(end, 7u);
  Settle();
  EXPECT_TRUE(After(app.Journal(), "tell").empty());  // nothing sent
  EXPECT_EQ(app.CloseAndWait(), 0u);
}

TEST(AutoSpectate, TheFirstTableInPlayFailsAndTheSecondOpens) {
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    HoroneApp app;
    app.StartGame();
    ASSERT_TRUE(app.GameCommand("lobby list " + toUtf8(L"第1卓 待機中|第2卓 プレイ中|第3卓 東南戦 プレイ中|第4卓 プレイ中")));
    ASSERT_TRUE(app.GameCommand("outcomes fail,open"));
    app.Start();
    app.GameCommand("mark run");
    app.Command(kN3);
    ASSERT_TRUE(app.WaitJournal("key tablewin up 115", 30000));
    auto run = Without(Without(After(app.Journal(), "run"), "lb gettextlen"), "chatlog");
    const std::vector<std::string> expected = {
        "lb count",          "lb setcursel 0",     "lb gettext 0",       "lb setcursel 1",
        "lb gettext 1",      "click spectate down", "click spectate up",  "dialog fail shown",
        "click failok down", "click failok up",     "dialog fail closed", "lb setcursel 2",
        "lb gettext 2",      "click spectate down", "click spectate up",  "table opened",
        "key tablewin down 115", "key tablewin up 115"};
    EXPECT_EQ(run, expected);
    // The countdown starts again: the next tick shows 9分59秒.
    ASSERT_TRUE(waitUntil([&] { return app.Panel(4) == L"自動観戦まで　9分59秒"; }, 5000));
    // A run with the table window open does nothing.
    app.GameCommand("mark again");
    app.Command(kN3);
    Settle(500);
    EXPECT_TRUE(Without(After(app.Journal(), "again"), "chatlog").empty());
    EXPECT_EQ(app.CloseAndWait(), 0u);
  }
}

TEST(AutoSpectate, AHungGameDoesNotFreezeTheLog) {
  HoroneApp app;
  app.StartGame();
  ASSERT_TRUE(app.GameCommand("lobby list " + toUtf8(L"第1卓 プレイ中")));
  app.Start();
  // The game stops answering; a send and a spectate run must give up on it.
  ASSERT_TRUE(app.GameCommand("hang 30000"));
  setText(app.ComboBox1(), L"hello");
  clickButton(app.ButtonNamed(L"送信"));
  app.Command(kN3);
  const DWORD t0 = GetTickCount();
  app.Deliver(L"\r\nlocal\t>a line while the game hangs");
  // ホロネ answers all the while (checked at every look).
  int unanswered = 0;
  bool logged = waitUntil(
      [&] {
        unanswered += !isResponsive(app.Main());
        return app.Panel(1) == L"a line while the game hangs";
      },
      25000);
  const DWORD took = GetTickCount() - t0;
  EXPECT_TRUE(logged);
  EXPECT_LT(took, 10000u) << took;
  ASSERT_EQ(app.Rows(), 2);
  const auto row = app.Row(0);
  EXPECT_EQ(row[0], L"");  // the lobby's title could not be read
  EXPECT_EQ(row[3], L"local");
  EXPECT_EQ(app.Panel(0), L"local");
  // The send gave up: the input is empty again and the text is in the history.
  EXPECT_TRUE(waitUntil(
      [&] {
        unanswered += !isResponsive(app.Main());
        return comboText(app.ComboBox1()) == L"" && comboCount(app.ComboBox1()) == 1;
      },
      25000));
  EXPECT_EQ(comboItem(app.ComboBox1(), 0), L"hello");
  EXPECT_EQ(unanswered, 0);
  app.Game().terminate();

  // The game again: the spectate run ended, a new one spectates.
  app.StartGame();
  ASSERT_TRUE(app.GameCommand("lobby list " + toUtf8(L"第1卓 プレイ中")));
  ASSERT_TRUE(app.GameCommand("outcomes open"));
  // (A command that comes while a run still goes on does nothing.)
  ASSERT_TRUE(waitUntil(
      [&] {
        app.Command(kN3);
        return app.WaitJournal("key tablewin up 115", 5000);
      },
      30000, 0));
  EXPECT_TRUE(isResponsive(app.Main()));
  EXPECT_EQ(app.CloseAndWait(), 0u);
}

}  // namespace
}  // namespace horonetest
