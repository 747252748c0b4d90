// The settings file beside the executable, the view switches and the About
// box, seen from outside.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "horone_app.h"

namespace horonetest {
namespace {

using namespace wintest;

// The "[Form]" section's lines, in file order.
std::vector<std::string> FormSection(const std::string& ini) {
  std::vector<std::string> out;
  bool in = false;
  size_t start = 0;
  while (start <= ini.size()) {
    size_t end = ini.find('\n', start);
    std::string line = ini.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '[') in = _stricmp(line.c_str(), "[Form]") == 0;  // names ignore case
    else if (in && !line.empty()) out.push_back(line);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return out;
}

TEST(Settings, WithoutAFileTheFirstCloseWritesTheEightKeysInOrder) {
  HoroneApp app;
  app.Start();
  EXPECT_FALSE(app.Exists(L"horone.INI"));
  EXPECT_EQ(app.CloseAndWait(), 0u);
  const std::string ini = app.ReadFile(L"horone.INI");
  // The real outer size: the layout's 937 × 411 at this screen's DPI.
  EXPECT_EQ(FormSection(ini),
            (std::vector<std::string>{"FOW=" + std::to_string(S(937)), "FOH=" + std::to_string(S(411)), "ASC=1",
                                      "AUS=1", "BBS=1", "BYM=1", "BTM=1", "BSE=1"}))
      << ini;
  EXPECT_NE(ini.find("\r\n"), std::string::npos);  // CR LF line ends
}

TEST(Settings, StoredSizeAndSwitchesAreUsedAndOtherLinesSurvive) {
  HoroneApp app;
  app.WriteFile(L"horone.INI",
                "[Other]\r\nkeep=me\r\n[form]\r\nfow=800\r\nFOH=300\r\nASC=0\r\nAUS=0\r\nBBS=0\r\nBYM=0x10\r\n"
                "BTM=yes\r\nBSE=0\r\nExtra=1\r\n");
  app.Start();
  RECT r = windowRect(app.Main());
  EXPECT_EQ(r.right - r.left, 800);
  EXPECT_EQ(r.bottom - r.top, 300);
  EXPECT_EQ(app.Panel(2), L"自動スクロールオフ");
  EXPECT_EQ(app.Panel(3), L"指定ユーザ出力中");
  EXPECT_EQ(listViewColumnWidth(app.Grid(), 0), 0);   // hidden
  EXPECT_EQ(listViewColumnWidth(app.Grid(), 1), S(60));  // 0x10 is on
  EXPECT_EQ(listViewColumnWidth(app.Grid(), 2), S(60));  // not an integer: on
  EXPECT_FALSE(isWindowVisible(app.ButtonNamed(L"自動スクロールする")));  // settings panel hidden
  EXPECT_EQ(app.CloseAndWait(), 0u);
  const std::string ini = app.ReadFile(L"horone.INI");
  EXPECT_NE(ini.find("[Other]\r\nkeep=me"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Extra=1"), std::string::npos) << ini;
  auto form = FormSection(ini);
  auto has = [&](const char* line) {
    return std::any_of(form.begin(), form.end(), [&](const std::string& l) { return _stricmp(l.c_str(), line) == 0; });
  };
  EXPECT_TRUE(has("FOH=300"));
  EXPECT_TRUE(has("ASC=0"));
  EXPECT_TRUE(has("BYM=1"));
  EXPECT_TRUE(has("BSE=0"));
}

TEST(Settings, ABadSizeIsReportedOnceAndTheListsAreStillLoaded) {
  HoroneApp app;
  app.WriteFile(L"horone.INI", "[Form]\r\nFOW=abc\r\nFOH=300\r\n");
  app.WriteFile(L"userlist.txt", "b\r\na\r\n");
  app.WriteFile(L"msglist.txt", "zeta\r\nalpha\r\n");
  app.Start({}, false);
  EXPECT_EQ(app.TakeMessage(), L"'abc' は整数ではありません");
  HWND main = waitForTopLevelWindow({L"TForm2", L"ホロネ v1.01", app.App().pid(), true}, kWait);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(listBoxItems(findChild(main, L"ListBox")), (std::vector<std::wstring>{L"a", L"b"}));
  EXPECT_EQ(comboItems(findChild(main, L"ComboBox")), (std::vector<std::wstring>{L"zeta", L"alpha"}));
  EXPECT_EQ(findTopLevelWindow({L"#32770", L"", app.App().pid(), true}), nullptr);  // only once
  postMessage(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(app.WaitExit(), 0u);
  // The real size replaces the bad value.
  const std::string ini = app.ReadFile(L"horone.INI");
  EXPECT_EQ(ini.find("FOW=abc"), std::string::npos) << ini;
  EXPECT_NE(ini.find("FOW=" + std::to_string(S(937))), std::string::npos) << ini;
}

TEST(Settings, AnUnwritableSettingsFileIsReportedAndTheProcessStillEnds) {
  HoroneApp app;
  app.WriteFile(L"horone.INI", "[Form]\r\nFOW=900\r\n");
  ASSERT_EQ(app.Shell("chattr +i \"$1\"", {app.UnixFile(L"horone.INI")}), 0);
  app.Start();
  postMessage(app.Main(), WM_CLOSE, 0, 0);
  const std::wstring message = app.TakeMessage();
  app.Shell("chattr -i \"$1\"", {app.UnixFile(L"horone.INI")});
  EXPECT_EQ(message, app.File(L"horone.INI") + L" に書き込めません");
  EXPECT_EQ(app.WaitExit(), 0u);
  EXPECT_EQ(app.ReadFile(L"horone.INI"), "[Form]\r\nFOW=900\r\n");
}

TEST(ViewOptions, SwitchesAndTheSettingsPanelFollowTheUser) {
  HoroneApp app;
  app.Start();
  HWND place = app.ButtonNamed(L"場所表示");
  clickButton(place);
  ASSERT_TRUE(waitUntil([&] { return listViewColumnWidth(app.Grid(), 0) == 0; }, kWait));
  clickButton(place);
  ASSERT_TRUE(waitUntil([&] { return listViewColumnWidth(app.Grid(), 0) == S(120); }, kWait));
  clickButton(app.ButtonNamed(L"自動スクロールする"));
  ASSERT_TRUE(waitUntil([&] { return app.Panel(2) == L"自動スクロールオフ"; }, kWait));

  // 設定非表示, chosen from the menu bar with the keyboard as a user would.
  HWND panelBox = app.ButtonNamed(L"全ユーザ出力する");
  postMessage(app.Main(), WM_SYSCOMMAND, SC_KEYMENU, 0);
  Settle(200);
  pressKey(app.Main(), VK_RIGHT);
  pressKey(app.Main(), VK_RIGHT);
  pressKey(app.Main(), VK_RETURN);
  ASSERT_TRUE(waitUntil([&] { return !isWindowVisible(panelBox); }, kWait));
  // The log takes the panel's width.
  EXPECT_TRUE(waitUntil([&] { return windowRect(app.Grid()).right > windowRect(app.Main()).right - 30; }, kWait));
  app.Command(kN4);
  ASSERT_TRUE(waitUntil([&] { return isWindowVisible(panelBox); }, kWait));
  EXPECT_EQ(app.CloseAndWait(), 0u);
  const std::string ini = app.ReadFile(L"horone.INI");
  EXPECT_NE(ini.find("ASC=0"), std::string::npos);
  EXPECT_NE(ini.find("BSE=1"), std::string::npos);
}

TEST(AboutBox, OpensModallyAndClosesEachTime) {
  HoroneApp app;
  app.Start();
  HWND box = nullptr;
  for (int i = 0; i < 2; ++i) {
    app.Command(kAbout1);
    HWND shown = waitForTopLevelWindow({L"TAboutBox", L"バージョン情報", app.App().pid(), true}, kWait);
    ASSERT_NE(shown, nullptr);
    if (box) {
      EXPECT_EQ(shown, box);  // the same window each time
    }
    box = shown;
    EXPECT_FALSE(isWindowEnabled(app.Main()));  // modal
    RECT c = clientRect(box);
    EXPECT_EQ(c.right, S(248));
    EXPECT_EQ(c.bottom, S(213));
    HWND ok = nullptr;
    for (HWND h : childWindows(box, L"Button")) {
      if (windowText(h) == L"OK") ok = h;
    }
    ASSERT_NE(ok, nullptr);
    bool sawVersion = false;
    for (HWND h : childWindows(box, L"Static")) sawVersion |= windowText(h) == L"Version 1.01";
    EXPECT_TRUE(sawVersion);
    if (i == 0) {
      clickButton(ok);
    } else {
      pressKey(ok, VK_RETURN);  // Enter presses the default button
    }
    ASSERT_TRUE(waitForWindowGone(box, kWait));
    ASSERT_TRUE(waitUntil([&] { return isWindowEnabled(app.Main()); }, kWait));
  }
  EXPECT_EQ(app.CloseAndWait(), 0u);
}

}  // namespace
}  // namespace horonetest
