// The daily log files: names, records, the settings section "Log", the
// menu switch and write failures.
#include <gtest/gtest.h>

#include "chatlog/daily_log.h"
#include "chatlog/intake.h"
#include "fakes.h"

namespace horone::testing {
namespace {

const std::string kLogFolder = "C:\\Games\\log\\";

// A harness whose settings file turns the daily files on.
struct DailyLogFiles : ::testing::Test {
  Harness h;
  TForm2* f = nullptr;
  void Start(const std::string& enabled = "1") {
    h.settings.SetIn(h.IniPath(), "Log", "Enabled", enabled);
    f = &h.Start();
  }
  std::string LogFile(const std::string& date) { return h.files.files[kLogFolder + "horone-" + date + ".log"]; }
  std::vector<std::string> LogWrites() {
    std::vector<std::string> log;
    for (const auto& w : h.settings.writes) {
      if (w.rfind("Log:", 0) == 0) log.push_back(w);
    }
    return log;
  }
};

TEST(DailyLogFileName, ComesFromTheClockReadingOfTheRow) {
  struct Case {
    LocalTime time;
    std::string name;
  } cases[] = {
      {{2026, 12, 11, 9, 5, 7, 123}, "horone-2026-12-11.log"},
      {{2027, 1, 2, 0, 0, 0, 0}, "horone-2027-01-02.log"},
      {{2028, 2, 29, 23, 59, 59, 999}, "horone-2028-02-29.log"},
      {{999, 3, 4, 12, 0, 0, 0}, "horone-0999-03-04.log"},
  };
  for (const auto& c : cases) EXPECT_EQ(DailyLogFileName(c.time), c.name);
}

TEST_F(DailyLogFiles, RowsGoToTheFileOfTheirDayAsTheGridHasThem) {
  Start();
  h.desktop.Add("KatuGameMjMain", "第12卓 東南戦");
  f->CheckBox2.SetChecked(false);  // the watch list filters
  f->AddWatchedUser("alice");
  h.clock.now = {2026, 12, 31, 23, 59, 59, 500};
  h.Deliver("\r\nalice\t>old year");
  h.Deliver("\r\ncarol\t>not watched");
  h.clock.now = {2027, 1, 1, 0, 0, 0, 0};
  h.Deliver("\r\nALICE\t>new year");
  h.Deliver("\r\nalice\t>麻雀しよう");

  EXPECT_EQ(LoggedRows, 3);
  EXPECT_EQ(LogFile("2026-12-31"), "第12卓 \t2026/12/31\t23:59:59\talice\told year\r\n");
  EXPECT_EQ(LogFile("2027-01-01"),
            "第12卓 \t2027/01/01\t00:00:00\tALICE\tnew year\r\n"
            "第12卓 \t2027/01/01\t00:00:00\talice\t麻雀しよう\r\n");
  EXPECT_EQ(h.files.appends, 3);
}

TEST_F(DailyLogFiles, ARecordIsOneLineOfFiveTabSeparatedCells) {
  Start();
  struct Case {
    std::string line;
    std::string record;  // the lobby "ロビー" is the place
  } cases[] = {
      {"\r\nabc\t>hello", "ロビー\t2026/12/11\t09:05:07\tabc\thello\r\n"},
      {"\r\nユーザ\t>こんにちは", "ロビー\t2026/12/11\t09:05:07\tユーザ\tこんにちは\r\n"},
      {"\r\na\tb\tc\t>x", "ロビー\t2026/12/11\t09:05:07\tab c \tx\r\n"},         // the user keeps two tabs
      {"\r\nabc\t>one\r\ntwo\rthree\nfour", "ロビー\t2026/12/11\t09:05:07\tabc\tone  two three four\r\n"},
      {"\r\nno marker", "ロビー\t2026/12/11\t09:05:07\t\tno marker\r\n"},
      {"\r\nabc\t>", "ロビー\t2026/12/11\t09:05:07\tabc\t\r\n"},
  };
  h.desktop.AddLobby("ロビー");
  std::string expected;
  for (const auto& c : cases) {
    h.Deliver(c.line);
    expected += c.record;
    EXPECT_EQ(LogFile("2026-12-11"), expected) << ::testing::PrintToString(c.line);
  }
}

TEST_F(DailyLogFiles, OffWithoutTheSectionAndNothingOfItIsWritten) {
  // A settings file from before the daily files: its own keys only.
  h.settings.Set(h.IniPath(), "AUS", "1");
  h.settings.SetIn(h.IniPath(), "Mine", "Key", "kept");
  TForm2& form = h.Start();
  EXPECT_FALSE(form.LogToDailyFiles);
  EXPECT_FALSE(form.DailyLog1.Checked());
  h.Deliver("\r\nabc\t>hello");
  EXPECT_EQ(h.files.appends, 0);
  form.Close();
  EXPECT_EQ(h.settings.writes.size(), 8u);  // the section "Form" only
  EXPECT_EQ(LogWrites(), std::vector<std::string>{});
  EXPECT_EQ(h.settings.sections[h.IniPath()].count("Log"), 0u);
  EXPECT_EQ(h.settings.sections[h.IniPath()]["Mine"].size(), 1u);
}

TEST_F(DailyLogFiles, EnabledIsAFlagThatIsOffByDefault) {
  struct Case {
    std::string stored;
    bool on;
  } cases[] = {{"1", true}, {"0", false}, {"2", true}, {"-1", true}, {"0x10", true}, {"yes", false}, {"", false}};
  for (const auto& c : cases) {
    Harness hc;
    hc.settings.SetIn(hc.IniPath(), "Log", "Enabled", c.stored);
    TForm2& form = hc.Start();
    EXPECT_EQ(form.LogToDailyFiles, c.on) << c.stored;
    EXPECT_EQ(form.DailyLog1.Checked(), c.on) << c.stored;
    hc.Deliver("\r\nabc\t>hello");
    EXPECT_EQ(hc.files.appends, c.on ? 1 : 0) << c.stored;
  }
}

TEST(DailyLogFolder, RelativeFoldersAreInTheProgramsFolder) {
  struct Case {
    std::optional<std::string> stored;
    std::string file;
  } cases[] = {
      {std::nullopt, "C:\\Games\\log\\horone-2026-12-11.log"},
      {"", "C:\\Games\\log\\horone-2026-12-11.log"},
      {"chat", "C:\\Games\\chat\\horone-2026-12-11.log"},
      {"chat\\2026\\", "C:\\Games\\chat\\2026\\horone-2026-12-11.log"},
      {"D:\\logs", "D:\\logs\\horone-2026-12-11.log"},
      {"d:/logs/", "d:/logs/horone-2026-12-11.log"},
      {"\\\\server\\share", "\\\\server\\share\\horone-2026-12-11.log"},
      // The stored text is code page 932; the path is UTF-8.
      {"ログ", "C:\\Games\\" + std::string(reinterpret_cast<const char*>(u8"ログ")) + "\\horone-2026-12-11.log"},
  };
  for (const auto& c : cases) {
    Harness h;
    h.settings.SetIn(h.IniPath(), "Log", "Enabled", "1");
    if (c.stored) h.settings.SetIn(h.IniPath(), "Log", "Folder", *c.stored);
    h.Start();
    h.Deliver("\r\nabc\t>hello");
    EXPECT_EQ(h.files.files.count(c.file), 1u) << c.file;
  }
}

TEST(DailyLogSettings, WrittenAtCloseWhenStoredOrSwitchedByTheUser) {
  struct Case {
    const char* what;
    std::optional<std::string> enabled, folder;
    int clicks;  // on the menu switch
    std::vector<std::string> written;
  } cases[] = {
      {"not stored, not switched", std::nullopt, std::nullopt, 0, {}},
      {"switched on", std::nullopt, std::nullopt, 1, {"Log:Enabled=1", "Log:Folder=log"}},
      {"switched on and off", std::nullopt, std::nullopt, 2, {"Log:Enabled=0", "Log:Folder=log"}},
      {"stored", "1", "chat", 0, {"Log:Enabled=1", "Log:Folder=chat"}},
      {"stored, switched off", "1", std::nullopt, 1, {"Log:Enabled=0", "Log:Folder=log"}},
      {"stored off, folder kept as it is", "0", "", 0, {"Log:Enabled=0", "Log:Folder="}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Harness h;
    if (c.enabled) h.settings.SetIn(h.IniPath(), "Log", "Enabled", *c.enabled);
    if (c.folder) h.settings.SetIn(h.IniPath(), "Log", "Folder", *c.folder);
    TForm2& f = h.Start();
    for (int i = 0; i < c.clicks; ++i) f.DailyLog1.UserClick();
    f.Close();
    // The section "Form" first, as always; the section "Log" after it.
    ASSERT_EQ(h.settings.writes.size(), 8 + c.written.size());
    EXPECT_EQ(h.settings.writes[0].substr(0, 4), "FOW=");
    EXPECT_EQ(std::vector<std::string>(h.settings.writes.begin() + 8, h.settings.writes.end()), c.written);
  }
}

TEST_F(DailyLogFiles, TheMenuSwitchTurnsTheFilesOnAndOff) {
  TForm2& form = h.Start();
  h.Deliver("\r\na\t>before");
  form.DailyLog1.UserClick();
  EXPECT_TRUE(form.DailyLog1.Checked());
  EXPECT_TRUE(form.LogToDailyFiles);
  h.Deliver("\r\nb\t>during");
  form.DailyLog1.UserClick();
  EXPECT_FALSE(form.DailyLog1.Checked());
  EXPECT_FALSE(form.LogToDailyFiles);
  h.Deliver("\r\nc\t>after");
  EXPECT_EQ(LogFile("2026-12-11"), "\t2026/12/11\t09:05:07\tb\tduring\r\n");
  EXPECT_EQ(LoggedRows, 3);
}

TEST_F(DailyLogFiles, AFailedWriteIsReportedOnceInTheContentPanelAndTheIntakeGoesOn) {
  const std::string path = kLogFolder + "horone-2026-12-11.log";
  const std::string message = "ログファイル " + path + " に書き込めません";
  h.files.failAppends = {path};
  Start();
  struct Step {
    std::string line;
    bool fails;
    std::string panel1;
  } steps[] = {
      {"\r\na\t>one", true, message},  // reported where the content stood
      {"\r\nb\t>two", true, "two"},    // not again
      {"\r\nc\t>three", true, "three"},
      {"\r\nd\t>four", false, "four"},  // written again
      {"\r\ne\t>five", true, message},  // a new failure is reported
      {"\r\nf\t>six", true, "six"},
  };
  int row = 0;
  for (const auto& s : steps) {
    h.files.failAppends = s.fails ? std::vector<std::string>{path} : std::vector<std::string>{};
    h.Deliver(s.line);
    ++row;
    EXPECT_EQ(f->StatusBar1.Panel(1).text, s.panel1) << s.line;
    EXPECT_EQ(LoggedRows, row);
    EXPECT_EQ(f->StringGrid1.Cell(4, row), s.panel1 == message ? s.line.substr(5) : s.panel1);
  }
  EXPECT_TRUE(h.dialogs.shown.empty());
  EXPECT_EQ(LogFile("2026-12-11"), "\t2026/12/11\t09:05:07\td\tfour\r\n");
  EXPECT_EQ(IntakeEntries, IntakeExits);
}

}  // namespace
}  // namespace horone::testing
