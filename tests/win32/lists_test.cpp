// The watch list, the message history and their files; the grid's commands
// and the real clipboard.
#include <gtest/gtest.h>

#include "horone_app.h"

namespace horonetest {
namespace {

using namespace wintest;

void AddName(HoroneApp& app, const std::wstring& name) {
  setText(app.Edit2(), name);
  clickButton(app.ButtonNamed(L"追加"));
  ASSERT_TRUE(waitUntil([&] { return windowText(app.Edit2()).empty(); }, kWait));
}

TEST(WatchList, LoadsSortedAndOnlyTheExitCommandWritesIt) {
  HoroneApp app;
  app.WriteFile(L"userlist.txt", "b\r\na");
  app.WriteFile(L"msglist.txt", "zeta\r\nalpha\r\n");
  app.Start();
  EXPECT_EQ(listBoxItems(app.ListBox1()), (std::vector<std::wstring>{L"a", L"b"}));
  EXPECT_EQ(comboItems(app.ComboBox1()), (std::vector<std::wstring>{L"zeta", L"alpha"}));
  app.Command(kExit1);
  EXPECT_EQ(app.WaitExit(), 0u);
  EXPECT_EQ(app.ReadFile(L"userlist.txt"), "a\r\nb\r\n");
  EXPECT_EQ(app.ReadFile(L"msglist.txt"), "zeta\r\nalpha\r\n");
}

TEST(WatchList, NamesAddedReachTheFileOnlyThroughExit) {
  HoroneApp app;
  app.Start();
  AddName(app, L"mjfan");
  AddName(app, L"Alice");
  // Enter in the entry field adds on key up.
  setText(app.Edit2(), L"タロウ");
  keyDown(app.Edit2(), VK_RETURN);
  keyUp(app.Edit2(), VK_RETURN);
  ASSERT_TRUE(waitUntil([&] { return listBoxCount(app.ListBox1()) == 3; }, kWait));
  EXPECT_EQ(listBoxItem(app.ListBox1(), 0), L"Alice");
  EXPECT_EQ(listBoxItem(app.ListBox1(), 1), L"mjfan");
  // Closing by the title bar keeps neither file.
  EXPECT_EQ(app.CloseAndWait(), 0u);
  EXPECT_FALSE(app.Exists(L"userlist.txt"));
  EXPECT_FALSE(app.Exists(L"msglist.txt"));

  HoroneApp second;
  second.Start();
  AddName(second, L"zed");
  AddName(second, L"Bob");
  second.Command(kExit1);
  EXPECT_EQ(second.WaitExit(), 0u);
  EXPECT_EQ(second.ReadFile(L"userlist.txt"), "Bob\r\nzed\r\n");
  EXPECT_EQ(second.ReadFile(L"msglist.txt"), "");
}

TEST(WatchList, SelectingEnablesDeleteAndDeleteRemovesTheEntry) {
  HoroneApp app;
  app.WriteFile(L"userlist.txt", "a\r\nb\r\nc\r\n");
  app.Start();
  HWND list = app.ListBox1();
  // A user's selection: the list box tells its parent.
  sendMessage(list, LB_SETCURSEL, 1, 0);
  sendMessage(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
              reinterpret_cast<LPARAM>(list));
  ASSERT_TRUE(waitUntil([&] { return isWindowEnabled(app.Button5()); }, kWait));
  clickButton(app.Button5());
  ASSERT_TRUE(waitUntil([&] { return listBoxCount(list) == 2; }, kWait));
  EXPECT_EQ(listBoxItems(list), (std::vector<std::wstring>{L"a", L"c"}));
  EXPECT_EQ(listBoxCurSel(list), -1);
  EXPECT_FALSE(isWindowEnabled(app.Button5()));
  app.Command(kExit1);
  EXPECT_EQ(app.WaitExit(), 0u);
  EXPECT_EQ(app.ReadFile(L"userlist.txt"), "a\r\nc\r\n");
}

TEST(ListFiles, ALockedFileAtExitIsReportedAndASecondExitWritesIt) {
  HoroneApp app;
  app.WriteFile(L"userlist.txt", "old\r\n");
  app.Start();
  AddName(app, L"new");
  {
    ExclusiveFileLock lock(app.File(L"userlist.txt"), false);
    ASSERT_TRUE(lock.locked());
    app.Command(kExit1);
    EXPECT_EQ(app.TakeMessage(), L"ファイル " + app.File(L"userlist.txt") + L" を作成できません");
    Settle();
    EXPECT_TRUE(isWindowVisible(app.Main()));  // the window stays open
    EXPECT_TRUE(app.App().running());
  }
  EXPECT_EQ(app.ReadFile(L"userlist.txt"), "old\r\n");
  app.Command(kExit1);
  EXPECT_EQ(app.WaitExit(), 0u);
  EXPECT_EQ(app.ReadFile(L"userlist.txt"), "new\r\nold\r\n");
}

TEST(ListFiles, AReadOnlyFolderAtExitKeepsEveryFileAsItWas) {
  HoroneApp app;
  app.WriteFile(L"userlist.txt", "b\r\na\r\n");
  app.Start();
  AddName(app, L"c");
  ASSERT_EQ(app.Shell("chattr +i \"$1\"", {app.UnixFile(L"")}), 0);
  app.Command(kExit1);
  const std::wstring message = app.TakeMessage();
  app.Shell("chattr -i \"$1\"", {app.UnixFile(L"")});
  EXPECT_EQ(message, L"ファイル " + app.File(L"userlist.txt") + L" を作成できません");
  EXPECT_EQ(app.ReadFile(L"userlist.txt"), "b\r\na\r\n");
  EXPECT_TRUE(app.App().running());
  app.Command(kExit1);
  EXPECT_EQ(app.WaitExit(), 0u);
  EXPECT_EQ(app.ReadFile(L"userlist.txt"), "a\r\nb\r\nc\r\n");
}

TEST(GridCommands, CopyPutsTheTextOnTheRealClipboard) {
  HoroneApp app;
  app.Start();
  app.Deliver(L"\r\nタロウ\t>リーチ一発ツモ！");
  ASSERT_TRUE(waitUntil([&] { return app.Rows() == 2; }, kWait));
  setClipboardText(L"before");
  // Auto-scroll left the empty row current: nothing to copy.
  app.Command(kN1);
  Settle();
  EXPECT_EQ(clipboardUnicodeText(), std::optional<std::wstring>(L"before"));

  // A click on the logged row selects it.
  RECT item = listViewItemRect(app.Grid(), 0);
  clickAt(app.Grid(), {item.left + 150, (item.top + item.bottom) / 2});
  ASSERT_TRUE(waitUntil([&] { return listViewFocusedItem(app.Grid()) == 0; }, kWait));
  app.Command(kN1);
  ASSERT_TRUE(waitUntil([] { return clipboardUnicodeText() == std::optional<std::wstring>(L"タロウ"); }, kWait));
  EXPECT_EQ(clipboardAnsiText(), std::optional<std::string>(toCodePage(L"タロウ", 932)));
  app.Command(kN2);
  ASSERT_TRUE(waitUntil(
      [] { return clipboardUnicodeText() == std::optional<std::wstring>(L"リーチ一発ツモ！"); }, kWait));

  // Another program holding the clipboard: an error, and the old content stays.
  {
    ClipboardHolder holder;
    app.Command(kN1);
    EXPECT_EQ(app.TakeMessage(), L"クリップボードを開くことができません");
  }
  EXPECT_EQ(clipboardUnicodeText(), std::optional<std::wstring>(L"リーチ一発ツモ！"));

  app.Command(kA1);
  ASSERT_TRUE(waitUntil([&] { return listBoxCount(app.ListBox1()) == 1; }, kWait));
  EXPECT_EQ(listBoxItem(app.ListBox1(), 0), L"タロウ");
  EXPECT_EQ(app.CloseAndWait(), 0u);
}

TEST(GridCommands, TheContextMenuOpensOnARightClickWithoutMovingTheRow) {
  HoroneApp app;
  app.Start();
  app.Deliver(L"\r\none\t>1");
  app.Deliver(L"\r\ntwo\t>2");
  ASSERT_TRUE(waitUntil([&] { return app.Rows() == 3; }, kWait));
  RECT first = listViewItemRect(app.Grid(), 0);
  clickAt(app.Grid(), {first.left + 150, (first.top + first.bottom) / 2});
  ASSERT_TRUE(waitUntil([&] { return listViewFocusedItem(app.Grid()) == 0; }, kWait));
  RECT second = listViewItemRect(app.Grid(), 1);
  const LPARAM at = MAKELPARAM(second.left + 150, (second.top + second.bottom) / 2);
  postMessage(app.Grid(), WM_RBUTTONDOWN, MK_RBUTTON, at);
  postMessage(app.Grid(), WM_RBUTTONUP, 0, at);
  HWND menu = waitForPopupMenu(app.App().pid(), kWait);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(listViewFocusedItem(app.Grid()), 0);
  choosePopupMenuItem(menu, 0);  // ユーザ名をリストに追加
  ASSERT_TRUE(waitUntil([&] { return listBoxCount(app.ListBox1()) == 1; }, kWait));
  EXPECT_EQ(listBoxItem(app.ListBox1(), 0), L"one");
  EXPECT_EQ(app.CloseAndWait(), 0u);
}

TEST(MessageHistory, SentTextsFormASortedHistoryWrittenByExit) {
  HoroneApp app;
  app.StartGame();
  app.Start();
  HWND combo = app.ComboBox1();
  for (const wchar_t* text : {L"b", L"a", L"A"}) {
    setText(combo, text);
    ASSERT_TRUE(waitUntil([&] { return isWindowEnabled(app.ButtonNamed(L"送信")); }, kWait));
    clickButton(app.ButtonNamed(L"送信"));
    ASSERT_TRUE(waitUntil([&] { return !isWindowEnabled(app.ButtonNamed(L"送信")); }, kWait));
    EXPECT_EQ(comboText(combo), L"");
  }
  EXPECT_EQ(comboItems(combo), (std::vector<std::wstring>{L"a", L"b"}));  // "A" equals "a"
  // Picking an item and pressing 削除 removes it.
  sendMessage(combo, CB_SETCURSEL, 1, 0);
  sendMessage(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
              reinterpret_cast<LPARAM>(combo));
  ASSERT_TRUE(waitUntil([&] { return isWindowEnabled(app.Button1()); }, kWait));
  clickButton(app.Button1());
  ASSERT_TRUE(waitUntil([&] { return comboCount(combo) == 1; }, kWait));
  app.Command(kExit1);
  EXPECT_EQ(app.WaitExit(), 0u);
  EXPECT_EQ(app.ReadFile(L"msglist.txt"), "a\r\n");
}

}  // namespace
}  // namespace horonetest
