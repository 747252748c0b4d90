// Start-up, the main window as other programs see it, the chat intake
// through a real hook, and the end.
#include <gtest/gtest.h>

#include <regex>

#include "horone_app.h"

namespace horonetest {
namespace {

using namespace wintest;

TEST(MainWindow, ShowsItsLayoutWithStandardControls) {
  HoroneApp app;
  app.Start();
  HWND main = app.Main();

  // Without a settings file: the layout's 937 × 411, scaled to the screen.
  RECT r = windowRect(main);
  EXPECT_EQ(r.right - r.left, S(937));
  EXPECT_EQ(r.bottom - r.top, S(411));

  // Edit1 is the only direct "TEdit" child; it is hidden off the left edge.
  int directTEdits = 0;
  for (HWND h : childWindows(main, L"TEdit")) directTEdits += GetParent(h) == main;
  EXPECT_EQ(directTEdits, 1);
  EXPECT_EQ(windowText(app.Edit1()), L"Edit1");
  EXPECT_LT(windowRect(app.Edit1()).right, clientRectOnScreen(main).left + 2);

  HWND grid = app.Grid();
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(listViewHeaderTexts(grid), (std::vector<std::wstring>{L"場所", L"年月日", L"時間", L"ユーザ名", L"内容"}));
  const int widths[] = {120, 60, 60, 100, 390};
  for (int c = 0; c < 5; ++c) EXPECT_EQ(listViewColumnWidth(grid, c), S(widths[c])) << c;
  EXPECT_EQ(listViewItemCount(grid), 1);  // the empty row below the header

  HWND status = app.Status();
  ASSERT_EQ(statusBarPartCount(status), 5);
  EXPECT_EQ(app.Panel(2), L"自動スクロールオン");
  EXPECT_EQ(app.Panel(3), L"全ユーザ出力中");
  auto edges = statusBarPartEdges(status);
  const int barWidth = clientRect(status).right;
  EXPECT_EQ(edges[0], S(100));
  EXPECT_NEAR(edges[1] - edges[0], barWidth - S(490), 2);  // panel 1 gets what the others leave

  for (const wchar_t* box : {L"自動スクロールする", L"全ユーザ出力する", L"場所表示", L"年月日表示", L"時間表示"}) {
    HWND h = app.ButtonNamed(box);
    ASSERT_NE(h, nullptr) << toUtf8(box);
    EXPECT_EQ(checkState(h), BST_CHECKED) << toUtf8(box);
  }
  EXPECT_NE(app.ButtonNamed(L"ユーザ抽出指定リスト"), nullptr);
  EXPECT_NE(app.ButtonNamed(L"表示項目"), nullptr);
  EXPECT_TRUE(isWindowEnabled(app.ButtonNamed(L"追加")));
  EXPECT_FALSE(isWindowEnabled(app.ButtonNamed(L"送信")));
  EXPECT_FALSE(isWindowEnabled(app.Button1()));
  EXPECT_FALSE(isWindowEnabled(app.Button5()));
  EXPECT_NE(app.ListBox1(), nullptr);
  EXPECT_NE(app.Edit2(), nullptr);
  EXPECT_NE(app.ComboBox1(), nullptr);
  // No window of ホロネ's is a dialog: the lobby is found as the first one.
  for (HWND h : topLevelWindows(app.App().pid())) EXPECT_NE(windowClass(h), L"#32770");
  EXPECT_EQ(app.CloseAndWait(), 0u);
}

TEST(MainWindow, ASecondCopySaysSoAndEndsWhileTheFirstRunsOn) {
  HoroneApp app;
  app.Start();
  Process second = app.StartSecondCopy();
  HWND box = waitForMessageBox(second.pid(), kWait);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(messageBoxText(box), L"ホロネは既に実行されています！");
  // The second copy has no window of its own besides the message box.
  for (HWND h : topLevelWindows(second.pid(), true)) EXPECT_NE(windowClass(h), L"TForm2");
  pressDialogButton(box, IDOK);
  auto code = second.waitForExit(kWait);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0u);
  EXPECT_TRUE(isResponsive(app.Main()));
  app.Deliver(L"\r\nabc\t>still here");
  EXPECT_TRUE(waitUntil([&] { return app.Panel(1) == L"still here"; }, kWait));
  EXPECT_EQ(app.CloseAndWait(), 0u);

  // Once the first has released the mutex, a new copy runs normally.
  HoroneApp again;
  again.Start();
  EXPECT_TRUE(isWindowVisible(again.Main()));
  EXPECT_EQ(again.CloseAndWait(), 0u);
}

TEST(ChatIntake, ALineSetIntoTheTEditFromOutsideIsLogged) {
  HoroneApp app;
  app.Start();
  HWND form = FindWindowW(L"TForm2", L"ホロネ v1.01");
  ASSERT_EQ(form, app.Main());
  HWND edit = FindWindowExW(form, nullptr, L"TEdit", nullptr);
  const wchar_t line[] = L"\r\nabc\t>hello";
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(line));
  ASSERT_TRUE(waitUntil([&] { return app.Rows() == 2; }, kWait));
  auto row = app.Row(0);
  ASSERT_EQ(row.size(), 5u);
  EXPECT_EQ(row[3], L"abc");
  EXPECT_EQ(row[4], L"hello");
  EXPECT_EQ(row[0], L"");  // no game window: no place
  EXPECT_TRUE(std::regex_match(toUtf8(row[2]), std::regex(R"(\d\d\D\d\d\D\d\d)"))) << toUtf8(row[2]);
  EXPECT_FALSE(row[1].empty());
  EXPECT_EQ(app.Panel(0), L"abc");
  EXPECT_EQ(app.Panel(1), L"hello");
  // Auto-scroll made the empty row below the line current.
  EXPECT_EQ(listViewFocusedItem(app.Grid()), 1);
  // An empty text carries no line.
  app.Deliver(L"");
  Settle();
  EXPECT_EQ(app.Rows(), 2);
  EXPECT_EQ(app.Panel(0), L"abc");
  EXPECT_EQ(app.CloseAndWait(), 0u);
}

TEST(ChatIntake, TheStandInGamesChatReachesTheGridThroughTheHook) {
  HoroneApp app;
  app.StartGame();
  app.Start();
  ASSERT_TRUE(app.GameCommand(toUtf8(L"chat lobby mjfan\tこんばんは")));
  ASSERT_TRUE(waitUntil([&] { return app.Rows() == 2; }, kWait));
  auto row = app.Row(0);
  EXPECT_EQ(row[3], L"mjfan");
  EXPECT_EQ(row[4], L"こんばんは");
  // The lobby's title, cut at 18 bytes of code page 932.
  EXPECT_EQ(row[0].substr(0, 9), L"一般ロビー 東南戦");
  EXPECT_EQ(app.Panel(0), L"mjfan");
  EXPECT_EQ(app.Panel(1), L"こんばんは");

  ASSERT_TRUE(app.GameCommand(toUtf8(L"table open 第12卓 東南戦 喰断あり")));
  ASSERT_TRUE(app.GameCommand(toUtf8(L"chat table タロウ\tリーチ！")));
  ASSERT_TRUE(waitUntil([&] { return app.Rows() == 3; }, kWait));
  row = app.Row(1);
  EXPECT_EQ(row[0], L"第12卓 ");  // up to 卓 and one byte more
  EXPECT_EQ(row[3], L"タロウ");
  EXPECT_EQ(row[4], L"リーチ！");
  EXPECT_EQ(app.CloseAndWait(), 0u);
}

TEST(ChatIntake, WithTheWatchListOnlyWatchedUsersAreLogged) {
  HoroneApp app;
  app.WriteFile(L"userlist.txt", "MJFAN\r\n");
  app.StartGame();
  app.Start();
  clickButton(app.ButtonNamed(L"全ユーザ出力する"));
  ASSERT_TRUE(waitUntil([&] { return app.Panel(3) == L"指定ユーザ出力中"; }, kWait));
  ASSERT_TRUE(app.GameCommand("chat lobby someone\tnot watched"));
  ASSERT_TRUE(waitUntil([&] { return app.Panel(1) == L"not watched"; }, kWait));
  EXPECT_EQ(app.Rows(), 1);
  ASSERT_TRUE(app.GameCommand("chat lobby mjfan\twatched"));
  ASSERT_TRUE(waitUntil([&] { return app.Rows() == 2; }, kWait));
  EXPECT_EQ(app.Row(0)[4], L"watched");
  EXPECT_EQ(app.CloseAndWait(), 0u);
}

TEST(MainWindow, AFailedHookInstallIsReportedAndTheWindowStillRuns) {
  HoroneApp app;
  app.WriteFile(L"userlist.txt", "kept\r\n");
  app.Start({{L"HOROHK_FAIL_INSTALL", L"1"}}, false);
  EXPECT_EQ(app.TakeMessage(), L"フックのインストールに失敗");
  HWND main = waitForTopLevelWindow({L"TForm2", L"ホロネ v1.01", app.App().pid(), true}, kWait);
  ASSERT_NE(main, nullptr);
  HWND grid = findChild(main, L"SysListView32");
  for (int c = 0; c < 5; ++c) EXPECT_EQ(listViewColumnWidth(grid, c), S(100)) << c;
  EXPECT_EQ(listViewHeaderTexts(grid), std::vector<std::wstring>(5, L""));
  EXPECT_EQ(listBoxCount(findChild(main, L"ListBox")), 0);  // nothing loaded
  // Exit in such a run keeps the stored list.
  postCommand(main, kExit1);
  auto code = app.App().waitForExit(kWait);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0u);
  EXPECT_EQ(app.ReadFile(L"userlist.txt"), "kept\r\n");
}

TEST(MainWindow, ScreenshotWithLoggedChat) {
  HoroneApp app;
  app.StartGame();
  app.Start();
  const wchar_t* lines[][2] = {
      {L"mjfan", L"こんばんは、よろしくお願いします"}, {L"タロウ", L"東南戦どなたか打ちませんか？"},
      {L"hanako", L"第2卓あと一人です"},             {L"雀士A", L"おつかれさまでした"},
      {L"Riichi_Bob", L"gg everyone"},               {L"タロウ", L"リーチ一発ツモ！"},
  };
  for (auto& l : lines) {
    ASSERT_TRUE(app.GameCommand(toUtf8(std::wstring(L"chat lobby ") + l[0] + L"\t" + l[1])));
  }
  ASSERT_TRUE(waitUntil([&] { return app.Rows() == 7; }, kWait));
  Settle(500);
  const std::wstring shot = currentExeDir() + L"\\screenshot-main-" + std::to_wstring(ScreenDpi()) + L"dpi.png";
  saveWindowScreenshot(app.Main(), shot);
  auto size = pngSize(shot);
  ASSERT_TRUE(size.has_value());
  EXPECT_EQ(size->first, S(937));
  EXPECT_EQ(app.CloseAndWait(), 0u);
}

}  // namespace
}  // namespace horonetest
