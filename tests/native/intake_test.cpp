#include <gtest/gtest.h>

#include "chatlog/intake.h"
#include "fakes.h"

namespace horone::testing {
namespace {

struct IntakeTest : ::testing::Test {
  Harness h;
  TForm2& f = h.Start();
  std::string Cell(int col, int row) { return std::string(f.StringGrid1.Cell(col, row)); }
};

TEST_F(IntakeTest, LineShapesSplitIntoUserAndContent) {
  struct Case {
    std::string line, user, content;
  } cases[] = {
      {"\r\nabc\t>hello", "abc", "hello"},
      {"abc\t>hello", "abc", "hello"},
      {"abc\t>hi\r\nthere", "abc", "hithere"},  // the first CR LF is the one removed
      {"\r\nno marker here", "", "no marker here"},
      {"\r\n>start", "", "start"},
      {"\r\nabc\t>one>two", "abc", "one>two"},
      {"\r\nabc>x", "abc", "x"},          // no tab
      {"\r\na\tb\tc\t>x", "ab\tc\t", "x"},  // only the first tab removed
      {"\r\nユーザ\t>こんにちは", "ユーザ", "こんにちは"},
  };
  int row = 0;
  for (const auto& c : cases) {
    h.Deliver(c.line);
    ++row;
    SCOPED_TRACE(::testing::PrintToString(c.line));
    EXPECT_EQ(f.StatusBar1.Panel(0).text, c.user);
    EXPECT_EQ(f.StatusBar1.Panel(1).text, c.content);
    EXPECT_EQ(Cell(3, row), c.user);
    EXPECT_EQ(Cell(4, row), c.content);
  }
  EXPECT_EQ(LoggedRows, row);
  EXPECT_EQ(f.StringGrid1.RowCount(), row + 2);
  EXPECT_EQ(Cell(3, row + 1), "");  // the trailing empty row
}

TEST_F(IntakeTest, SecondCrLfCaseSplitsAtTheFirstMarker) {
  // "\r\n\r\nabc\t>x": only the first CR LF goes, so the user part still
  // starts with CR LF and the first tab after it is removed.
  h.Deliver("\r\n\r\nabc\t>x");
  EXPECT_EQ(f.StatusBar1.Panel(0).text, "\r\nabc");
  EXPECT_EQ(f.StatusBar1.Panel(1).text, "x");
}

TEST_F(IntakeTest, EmptyTextChangesNothing) {
  f.StatusBar1.SetPanelText(0, "before");
  h.Deliver("");
  EXPECT_EQ(f.StatusBar1.Panel(0).text, "before");
  EXPECT_EQ(IntakeEntries, 0);
  EXPECT_EQ(IntakeExits, 0);
  EXPECT_EQ(LoggedRows, 0);
}

TEST_F(IntakeTest, WatchListFiltersWhenNotAllUsersAreLogged) {
  f.CheckBox2.SetChecked(false);
  f.AddWatchedUser("ABC");
  h.Deliver("\r\nother\t>not logged");
  EXPECT_EQ(f.StatusBar1.Panel(0).text, "other");
  EXPECT_EQ(f.StatusBar1.Panel(1).text, "not logged");
  EXPECT_EQ(LoggedRows, 0);
  h.Deliver("\r\nabc\t>logged");  // case ignored, whole-name match
  h.Deliver("\r\nab\t>prefix only");
  h.Deliver("\r\nabcd\t>longer");
  EXPECT_EQ(LoggedRows, 1);
  EXPECT_EQ(Cell(4, 1), "logged");
  EXPECT_EQ(IntakeEntries, 4);
  EXPECT_EQ(IntakeExits, 4);
}

TEST_F(IntakeTest, PlaceComesFromTheTableWindowElseTheLobby) {
  struct Case {
    std::string tableTitle;  // "" = no table window
    std::string lobbyTitle;
    std::string place;
  } cases[] = {
      {"第12卓 東南戦 喰断あり", "ロビー", "第12卓 "},       // up to 卓 and one byte more
      {"第3卓", "ロビー", "第3卓"},                          // ends with 卓: whole
      {"Table one", "ロビー", "Ta"},                         // no 卓: first 2 bytes
      {"", "一般ロビー 東南戦ロビー", "一般ロビー 東南戦\x83"},  // lobby: 18 bytes, cut inside ロ
      {"", "ロビーA", "ロビーA"},                            // shorter: whole
      {"", "", ""},                                          // neither window
  };
  for (const auto& c : cases) {
    h.desktop.windows.clear();
    if (!c.lobbyTitle.empty()) h.desktop.AddLobby(c.lobbyTitle);
    if (!c.tableTitle.empty()) h.desktop.Add("KatuGameMjMain", c.tableTitle);
    h.Deliver("\r\nu\t>m");
    EXPECT_EQ(Cell(0, LoggedRows), c.place) << c.tableTitle << "|" << c.lobbyTitle;
  }
  // The 18-byte cut may end inside a double-byte character.
  h.desktop.windows.clear();
  h.desktop.AddLobby("ＡＢＣＤＥＦＧＨＩＪ");
  h.Deliver("\r\nu\t>m");
  EXPECT_EQ(Cell(0, LoggedRows).size(), 18u);
  // Dialogs without the spectate button in front of the lobby (another
  // program's, the failure dialog) are not the lobby.
  h.desktop.windows.clear();
  h.desktop.Add("#32770", "ファイルを開く");
  h.desktop.Add("#32770", "観戦失敗");
  h.desktop.Add("Button", "OK", h.desktop.Add("#32770", "お知らせ"));
  h.Deliver("\r\nu\t>m");
  EXPECT_EQ(Cell(0, LoggedRows), "");
  h.desktop.AddLobby("ロビー");
  h.Deliver("\r\nu\t>m");
  EXPECT_EQ(Cell(0, LoggedRows), "ロビー");
}

TEST_F(IntakeTest, DateAndTimeComeFromOneClockReading) {
  h.clock.now = {2027, 1, 2, 3, 4, 5, 999};
  h.locale.separator = ".";
  h.Deliver("\r\nu\t>m");
  EXPECT_EQ(Cell(1, 1), "2027/01/02");
  EXPECT_EQ(Cell(2, 1), "03.04.05");
  h.clock.now = {2027, 12, 31, 23, 59, 59, 0};
  h.locale.separator = ":";
  h.Deliver("\r\nu\t>m");
  EXPECT_EQ(Cell(1, 2), "2027/12/31");
  EXPECT_EQ(Cell(2, 2), "23:59:59");
}

TEST_F(IntakeTest, NestedDeliveryDuringTheTitleReadIsDropped) {
  h.desktop.Add("KatuGameMjMain", "第1卓 東");
  int nested = 0;
  h.desktop.onReadTitle = [&](WindowHandle) {
    if (nested++ == 0) {
      EXPECT_EQ(IntakeEntries, IntakeExits + 1);
      h.Deliver("\r\nintruder\t>dropped");
      EXPECT_EQ(IntakeEntries, IntakeExits + 1);
    }
  };
  h.Deliver("\r\nfirst\t>kept");
  EXPECT_EQ(LoggedRows, 1);
  EXPECT_EQ(Cell(3, 1), "first");
  EXPECT_EQ(Cell(4, 1), "kept");
  EXPECT_EQ(f.StatusBar1.Panel(0).text, "first");
  EXPECT_EQ(IntakeEntries, 2);
  EXPECT_EQ(IntakeExits, 2);
  h.Deliver("\r\nnext\t>normal");
  EXPECT_EQ(LoggedRows, 2);
  EXPECT_EQ(Cell(3, 2), "next");
}

TEST_F(IntakeTest, AutoScrollMakesTheEmptyRowCurrent) {
  h.Deliver("\r\na\t>1");
  EXPECT_EQ(f.StringGrid1.Row(), 2);
  EXPECT_EQ(f.SelectedRow, 2);
  f.CheckBox1.SetChecked(false);
  f.StringGrid1.UserSelectRow(1);
  h.Deliver("\r\nb\t>2");
  EXPECT_EQ(f.StringGrid1.Row(), 1);
  EXPECT_EQ(f.SelectedRow, 1);
}

}  // namespace
}  // namespace horone::testing
