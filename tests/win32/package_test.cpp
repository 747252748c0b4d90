// The zip that the packaging script makes, unpacked into a folder whose path
// has spaces and Japanese characters and run from there with the stand-in
// game client and HOROHK.DLL it holds. HORONE_PACKAGE_ZIP names the zip
// (a Unix path); the test run packs it first.
#include <windows.h>
#include <gtest/gtest.h>

#include "horone_app.h"

namespace horonetest {
namespace {

using namespace wintest;

TEST(Package, RunsFromAFolderWithSpacesAndJapaneseInItsPath) {
  const auto zip = getEnv(L"HORONE_PACKAGE_ZIP");
  ASSERT_TRUE(zip.has_value()) << "HORONE_PACKAGE_ZIP is not set: run scripts/package.sh x64 and set it to the zip";
  HoroneApp app(Package{toUtf8(*zip)});
  EXPECT_NE(app.Folder().find(L"ホロネ の フォルダ"), std::wstring::npos);
  for (const wchar_t* name : {L"horone.exe", L"HOROHK.DLL", L"gameclient.exe", L"README-ja.txt", L"README-en.txt"}) {
    EXPECT_TRUE(app.Exists(name)) << toUtf8(name);
  }
  EXPECT_NE(app.ReadFile(L"README-en.txt").find("\r\n"), std::string::npos);  // Windows line ends

  // The chat of the stand-in game reaches the grid through the packed hook.
  app.StartGame();
  app.Start();
  ASSERT_TRUE(app.GameCommand(toUtf8(L"chat lobby タロウ\t東南戦どなたか")));
  ASSERT_TRUE(waitUntil([&] { return app.Rows() == 2; }, kWait));
  EXPECT_EQ(app.Row(0)[3], L"タロウ");
  EXPECT_EQ(app.Row(0)[4], L"東南戦どなたか");

  // A watched name, then the Exit command: the lists and the settings file
  // are written beside the program, in that folder.
  typeText(app.Edit2(), L"雀士A");
  clickButton(app.ButtonNamed(L"追加"));
  ASSERT_TRUE(waitUntil([&] { return listBoxCount(app.ListBox1()) == 1; }, kWait));
  app.Command(kExit1);
  EXPECT_EQ(app.WaitExit(), 0u);
  EXPECT_EQ(app.ReadFile(L"userlist.txt"), toCodePage(L"雀士A\r\n", 932));
  EXPECT_NE(app.ReadFile(L"horone.INI").find("FOW="), std::string::npos);
}

}  // namespace
}  // namespace horonetest
