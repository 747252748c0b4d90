// The main window's lifecycle, its settings file and its view options.
#include <gtest/gtest.h>

#include <array>

#include "base/integer.h"
#include "base/text.h"
#include "fakes.h"

namespace horone::testing {
namespace {

constexpr const char* kFlagKeys[] = {"ASC", "AUS", "BBS", "BYM", "BTM", "BSE"};
const std::vector<std::string> kHeaders = {"場所", "年月日", "時間", "ユーザ名", "内容"};

std::array<bool, 6> Flags(const TForm2& f) {
  return {f.AutoScrollLog, f.LogAllUsers, f.ShowPlaceColumn, f.ShowDateColumn, f.ShowTimeColumn, f.ShowSettingsPanel};
}

std::array<int, 5> Widths(const TForm2& f) {
  std::array<int, 5> w{};
  for (int c = 0; c < 5; ++c) w[static_cast<size_t>(c)] = f.StringGrid1.ColWidth(c);
  return w;
}

std::vector<std::string> Row(const TForm2& f, int row) {
  std::vector<std::string> cells;
  for (int c = 0; c < 5; ++c) cells.emplace_back(f.StringGrid1.Cell(c, row));
  return cells;
}

std::string Size(const TForm2& f) { return IntToStr(f.Width()) + "x" + IntToStr(f.Height()); }

std::vector<std::string> EightKeys(const std::string& w, const std::string& h, const std::string& flag) {
  std::vector<std::string> v{"FOW=" + w, "FOH=" + h};
  for (const char* k : kFlagKeys) v.push_back(std::string(k) + "=" + flag);
  return v;
}

// The creation steps as a view would see them, consecutive repeats folded
// (a check box's click handler and the step after it write the same state).
struct CreationLog {
  Harness& h;
  WatchingSink sink;
  std::vector<std::string> log;

  explicit CreationLog(Harness& harness) : h(harness) { h.hook.order = &log; }

  void Add(std::string entry) {
    if (log.empty() || log.back() != entry) log.push_back(std::move(entry));
  }

  void Run() {
    TForm2& f = h.Construct();
    sink.Watch({&f, &f.N4, &f.Panel3, &f.CheckBox1, &f.CheckBox2, &f.CheckBox3, &f.CheckBox4, &f.CheckBox5,
                &f.StatusBar1, &f.StringGrid1, &f.ListBox1, &f.ComboBox1});
    sink.onChange = [&f, this](Component& c, Change what, int index) {
      if (&c == &f) {
        if (what == Change::Bounds) Add("size " + Size(f));
        return;
      }
      switch (what) {
        case Change::Caption:
          if (&c == &f.N4) Add("N4 " + f.N4.Caption());
          break;
        case Change::Visible:
          if (&c == &f.Panel3) Add(f.Panel3.Visible() ? "Panel3 shown" : "Panel3 hidden");
          break;
        case Change::Checked:
          Add(c.Name() + (static_cast<CheckBox&>(c).Checked() ? " ticked" : " unticked"));
          break;
        case Change::PanelText:
          Add("panel" + IntToStr(index) + " " + f.StatusBar1.Panel(index).text);
          break;
        case Change::RowCount:
          Add("rows " + IntToStr(f.StringGrid1.RowCount()));
          break;
        case Change::ColWidth:
          Add("col" + IntToStr(index) + " " + IntToStr(f.StringGrid1.ColWidth(index)));
          break;
        case Change::Cell: {
          std::string row = "row" + IntToStr(index);
          for (const auto& cell : Row(f, index)) row += "|" + cell;
          Add(row);
          break;
        }
        case Change::Items: {
          const auto& items = &c == &f.ListBox1 ? f.ListBox1.Items() : f.ComboBox1.Items();
          std::string all = c.Name();
          for (const auto& i : items) all += "|" + i;
          Add(all);
          break;
        }
        default:
          break;
      }
    };
    f.FormCreate();
  }
};

TEST(Creation, AppliesTheSwitchesInOrderWithAllOnAndAllOff) {
  struct State {
    bool ticked;
    const char* panel2;
    const char* panel3;
    std::array<int, 5> widths;
    bool panel3Visible;
    const char* n4;
  };
  struct Case {
    const char* flag;
    State state;
    std::vector<std::string> order;
  } cases[] = {
      {"1",
       {true, "自動スクロールオン", "全ユーザ出力中", {120, 60, 60, 100, 390}, true, "設定非表示"},
       {"install", "size 1000x409", "size 1000x500", "N4 設定非表示",
        "CheckBox1 ticked", "panel2 自動スクロールオン", "CheckBox2 ticked", "panel3 全ユーザ出力中",
        "CheckBox3 ticked", "col0 120", "CheckBox4 ticked", "col1 60", "CheckBox5 ticked", "col2 60",
        "col3 100", "col4 390",
        "row0|場所||||", "row0|場所|年月日|||", "row0|場所|年月日|時間||", "row0|場所|年月日|時間|ユーザ名|",
        "row0|場所|年月日|時間|ユーザ名|内容", "ListBox1|a|b", "ComboBox1|zeta|alpha"}},
      {"0",
       {false, "自動スクロールオフ", "指定ユーザ出力中", {-1, -1, -1, 100, 390}, false, "設定表示"},
       {"install", "size 1000x409", "size 1000x500", "N4 設定表示", "Panel3 hidden",
        "panel2 自動スクロールオフ", "panel3 指定ユーザ出力中",
        "col0 -1", "col1 -1", "col2 -1", "col3 100", "col4 390",
        "row0|場所||||", "row0|場所|年月日|||", "row0|場所|年月日|時間||", "row0|場所|年月日|時間|ユーザ名|",
        "row0|場所|年月日|時間|ユーザ名|内容", "ListBox1|a|b", "ComboBox1|zeta|alpha"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("flags ") + c.flag);
    Harness h;
    h.settings.Set(h.IniPath(), "FOW", "1000");
    h.settings.Set(h.IniPath(), "FOH", "500");
    for (const char* k : kFlagKeys) h.settings.Set(h.IniPath(), k, c.flag);
    h.files.files[h.UserList()] = "b\r\na\r\n";
    h.files.files[h.MsgList()] = "zeta\r\nalpha\r\n";
    CreationLog creation(h);
    creation.Run();
    const TForm2& f = *h.form;

    EXPECT_EQ(creation.log, c.order);
    const State& s = c.state;
    for (const CheckBox* box : {&f.CheckBox1, &f.CheckBox2, &f.CheckBox3, &f.CheckBox4, &f.CheckBox5}) {
      EXPECT_EQ(box->Checked(), s.ticked) << box->Name();
    }
    EXPECT_EQ(Flags(f), (std::array<bool, 6>{s.ticked, s.ticked, s.ticked, s.ticked, s.ticked, s.ticked}));
    EXPECT_EQ(f.StatusBar1.Panel(2).text, s.panel2);
    EXPECT_EQ(f.StatusBar1.Panel(3).text, s.panel3);
    EXPECT_EQ(Widths(f), s.widths);
    EXPECT_EQ(f.Panel3.Visible(), s.panel3Visible);
    EXPECT_EQ(f.N4.Caption(), s.n4);
    EXPECT_EQ(Row(f, 0), kHeaders);
    EXPECT_EQ(f.StringGrid1.RowCount(), 2);
    EXPECT_EQ(Row(f, 1), std::vector<std::string>(5));
    EXPECT_EQ(f.SelectedRow, 0);
    EXPECT_TRUE(h.dialogs.shown.empty());
  }
}

TEST(Settings, WithoutAFileTheWindowIs937By411AndCloseWritesTheEightKeysInOrder) {
  Harness h;
  TForm2& f = h.Start();
  EXPECT_EQ(f.FormWidthText, "937");
  EXPECT_EQ(f.FormHeightText, "411");
  EXPECT_EQ(Size(f), "937x411");
  EXPECT_EQ(Flags(f), (std::array<bool, 6>{true, true, true, true, true, true}));
  EXPECT_TRUE(h.settings.writes.empty());  // nothing is written before the close

  f.Close();
  EXPECT_TRUE(f.Closed());
  EXPECT_EQ(h.settings.writes, EightKeys("937", "411", "1"));
  EXPECT_EQ(h.settings.files[h.IniPath()].size(), 8u);
  EXPECT_TRUE(h.dialogs.shown.empty());
}

TEST(Settings, CloseWritesTheCurrentSizeAndSwitches) {
  Harness h;
  TForm2& f = h.Start();
  f.PlatformResized(1200, 600);  // the user resized the window
  f.CheckBox2.UserClick();
  f.CheckBox4.UserClick();
  f.N4Click();
  f.Close();
  EXPECT_EQ(h.settings.writes, (std::vector<std::string>{"FOW=1200", "FOH=600", "ASC=1", "AUS=0", "BBS=1",
                                                          "BYM=0", "BTM=1", "BSE=0"}));
}

TEST(Settings, FlagsAreReadByTheIntegerRule) {
  struct Case {
    const char* stored;
    bool on;
  } cases[] = {
      {"0", false},   {"1", true},    {"2", true},   {"-1", true},  {"0x10", true},       {"$10", true},
      {" 7", true},   {"", true},     {"yes", true}, {"2147483648", true},
      {"0x0", false}, {"$0", false},  {" 0", false}, {"-0", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("stored \"") + c.stored + "\"");
    Harness h;
    for (const char* k : kFlagKeys) h.settings.Set(h.IniPath(), k, c.stored);
    TForm2& f = h.Start();
    EXPECT_EQ(Flags(f), (std::array<bool, 6>{c.on, c.on, c.on, c.on, c.on, c.on}));
    EXPECT_EQ(f.CheckBox1.Checked(), c.on);
    EXPECT_EQ(f.CheckBox5.Checked(), c.on);
    EXPECT_EQ(f.Panel3.Visible(), c.on);
    EXPECT_TRUE(h.dialogs.shown.empty());
    f.Close();
    EXPECT_EQ(h.settings.writes, EightKeys("937", "411", c.on ? "1" : "0"));
  }
}

TEST(Settings, SizesThatAreNotIntegersAreReportedOnceAndTheListsStillLoad) {
  struct Case {
    std::optional<std::string> fow, foh;
    std::vector<std::string> shown;
    std::string size;
  } cases[] = {
      {"abc", "411", {"'abc' は整数ではありません"}, "937x409"},
      {"800", "", {"'' は整数ではありません"}, "800x409"},  // empty is a failure, not the default
      {"", std::nullopt, {"'' は整数ではありません"}, "937x409"},
      {"2147483648", "300", {"'2147483648' は整数ではありません"}, "937x409"},
      {"0x320", " 500", {}, "800x500"},
      {std::nullopt, "-0", {}, "937x0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fow.value_or("(missing)") + " x " + c.foh.value_or("(missing)"));
    Harness h;
    if (c.fow) h.settings.Set(h.IniPath(), "FOW", *c.fow);
    if (c.foh) h.settings.Set(h.IniPath(), "FOH", *c.foh);
    h.files.files[h.UserList()] = "b\r\na";
    h.files.files[h.MsgList()] = "zeta\r\nalpha\r\n";
    TForm2& f = h.Start();
    EXPECT_EQ(f.FormWidthText, c.fow.value_or("937"));
    EXPECT_EQ(f.FormHeightText, c.foh.value_or("411"));
    EXPECT_EQ(h.dialogs.shown, c.shown);
    EXPECT_EQ(Size(f), c.size);
    // The rest of the creation ran: the switches, the header row, both lists.
    EXPECT_TRUE(f.CheckBox3.Checked());
    EXPECT_EQ(Widths(f), (std::array<int, 5>{120, 60, 60, 100, 390}));
    EXPECT_EQ(Row(f, 0), kHeaders);
    EXPECT_EQ(f.ListBox1.Items(), (std::vector<std::string>{"a", "b"}));
    ASSERT_TRUE(f.MessageHistory);
    EXPECT_EQ(*f.MessageHistory, (std::vector<std::string>{"zeta", "alpha"}));
    EXPECT_EQ(f.ComboBox1.Items(), *f.MessageHistory);
    // The close stores the real size, replacing the bad value.
    f.Close();
    ASSERT_GE(h.settings.writes.size(), 2u);
    EXPECT_EQ(h.settings.writes[0], "FOW=" + IntToStr(f.Width()));
    EXPECT_EQ(h.settings.writes[1], "FOH=" + IntToStr(f.Height()));
    EXPECT_EQ(h.dialogs.shown, c.shown);  // nothing more was shown
  }
}

TEST(Settings, SizesAtTheEndsOfTheIntegerRangeLayOutAndAreWrittenBack) {
  // The client area of such a window is held at ±2^27 layout units; the
  // children dock within it (the settings panel on the right, 185 wide; the
  // status bar at the bottom, 19 high) instead of the sums overflowing.
  constexpr int kMax = Form::kMaxClientExtent;
  struct Case {
    const char* fow;
    const char* foh;
    int clientWidth, clientHeight;
    int panel3Left, panel1Width, statusBarTop;
  } cases[] = {
      {"2147483647", "2147483647", kMax, kMax, kMax - 185, kMax - 185, kMax - 19},
      {"-2147483648", "-2147483648", -kMax, -kMax, -kMax - 185, 0, -kMax - 19},
      {"$7FFFFFFF", "-$80000000", kMax, -kMax, kMax - 185, kMax - 185, -kMax - 19},
      {"22369630", "1000", 22369622, 946, 22369622 - 185, 22369622 - 185, 946 - 19},  // (w - 8) * 96 passes 2^31
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.fow) + " x " + c.foh);
    Harness h;
    h.settings.Set(h.IniPath(), "FOW", c.fow);
    h.settings.Set(h.IniPath(), "FOH", c.foh);
    TForm2& f = h.Start();
    EXPECT_TRUE(h.dialogs.shown.empty());
    EXPECT_EQ(Size(f), IntToStr(StrToInt(c.fow)) + "x" + IntToStr(StrToInt(c.foh)));
    EXPECT_EQ(f.ClientWidth(), c.clientWidth);
    EXPECT_EQ(f.ClientHeight(), c.clientHeight);
    EXPECT_EQ(f.Panel3.Bounds().left, c.panel3Left);
    EXPECT_EQ(f.Panel1.Bounds().width, c.panel1Width);
    EXPECT_EQ(f.StatusBar1.Bounds().top, c.statusBarTop);
    f.Close();
    ASSERT_GE(h.settings.writes.size(), 2u);
    EXPECT_EQ(h.settings.writes[0], "FOW=" + IntToStr(StrToInt(c.fow)));
    EXPECT_EQ(h.settings.writes[1], "FOH=" + IntToStr(StrToInt(c.foh)));
  }
}

TEST(Settings, AWriteFailureNamesTheFileAndStopsTheLaterKeys) {
  struct Case {
    const char* failing;
    size_t written;
  } cases[] = {{"FOW", 0}, {"ASC", 2}, {"BSE", 7}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.failing);
    Harness h;
    h.settings.failKey = c.failing;
    TForm2& f = h.Start();
    EXPECT_EQ(ErrorOf([&] { f.Close(); }), "C:\\Games\\horone.INI に書き込めません");
    const auto all = EightKeys("937", "411", "1");
    EXPECT_EQ(h.settings.writes, std::vector<std::string>(all.begin(), all.begin() + static_cast<long>(c.written)));
    EXPECT_EQ(h.hook.uninstalls, 1);  // the hook was removed before the write
  }
}

TEST(Settings, TheFileLivesBesideTheExecutable) {
  Harness h;
  h.files.exe = "D:\\My.Tools\\horone";
  h.settings.Set("D:\\My.Tools\\horone.INI", "FOW", "640");
  TForm2& f = h.Start();
  EXPECT_EQ(f.SettingsPath(), "D:\\My.Tools\\horone.INI");
  EXPECT_EQ(f.Width(), 640);
  f.Close();
  EXPECT_EQ(h.settings.files.count("D:\\My.Tools\\horone.INI"), 1u);
  EXPECT_EQ(h.settings.files.count(h.IniPath()), 0u);
}

TEST(Lifecycle, AFailedHookInstallAppliesNothingAndKeepsBothListFiles) {
  Harness h;
  h.hook.result = 0;
  h.settings.Set(h.IniPath(), "FOW", "1000");
  for (const char* k : kFlagKeys) h.settings.Set(h.IniPath(), k, "0");
  h.files.files[h.UserList()] = "b\r\na\r\n";
  h.files.files[h.MsgList()] = "zeta\r\nalpha\r\n";
  const auto filesBefore = h.files.files;
  TForm2& f = h.Start();

  EXPECT_EQ(h.dialogs.shown, std::vector<std::string>{"フックのインストールに失敗"});
  EXPECT_EQ(Size(f), "937x409");
  EXPECT_EQ(f.N4.Caption(), "設定非表示");
  EXPECT_TRUE(f.Panel3.Visible());
  EXPECT_FALSE(f.CheckBox1.Checked());
  EXPECT_EQ(f.StatusBar1.Panel(2).text, "");
  EXPECT_EQ(Widths(f), (std::array<int, 5>{100, 100, 100, 100, 100}));
  EXPECT_EQ(Row(f, 0), std::vector<std::string>(5));
  EXPECT_TRUE(f.ListBox1.Items().empty());
  EXPECT_FALSE(f.UserListBuffer);
  EXPECT_FALSE(f.MessageHistory);
  EXPECT_TRUE(f.ComboBox1.Items().empty());

  // The window stays usable: names can be added, texts sent and deleted.
  f.Edit2.SetText("carol");
  f.Button4Click();
  EXPECT_EQ(f.ListBox1.Items(), std::vector<std::string>{"carol"});
  f.ComboBox1.UserEdit("hi");
  f.Button9.UserClick();
  EXPECT_EQ(f.ComboBox1.Text(), "");
  f.ComboBox1.UserEdit("hi");
  f.Button1.UserClick();
  EXPECT_FALSE(f.Button1.Enabled());

  // Exit writes neither list file, and the close still removes the hook.
  EXPECT_EQ(ErrorOf([&] { f.Exit1Click(); }), "");
  EXPECT_TRUE(f.Closed());
  EXPECT_EQ(h.files.files, filesBefore);
  EXPECT_EQ(h.hook.uninstalls, 1);
  EXPECT_EQ(h.settings.writes, EightKeys("937", "409", "0"));
  EXPECT_EQ(h.dialogs.shown.size(), 1u);
}

TEST(Lifecycle, CloseRemovesTheHookThenWritesTheSettingsAndNoListFile) {
  Harness h;
  TForm2& f = h.Start();
  std::vector<std::string> order;
  h.hook.order = h.settings.order = h.files.order = &order;
  f.AddWatchedUser("someone");
  f.Close();
  EXPECT_EQ(order, (std::vector<std::string>{"uninstall", "set FOW", "set FOH", "set ASC", "set AUS", "set BBS",
                                             "set BYM", "set BTM", "set BSE"}));
  EXPECT_TRUE(h.files.files.empty());
}

TEST(Lifecycle, ExitWritesTheWatchListThenTheHistoryThenCloses) {
  Harness h;
  TForm2& f = h.Start();
  std::vector<std::string> order;
  h.hook.order = h.settings.order = h.files.order = &order;
  f.Exit1.UserClick();
  EXPECT_TRUE(f.Closed());
  EXPECT_EQ(order, (std::vector<std::string>{"write C:\\Games\\userlist.txt", "write C:\\Games\\msglist.txt",
                                             "uninstall", "set FOW", "set FOH", "set ASC", "set AUS", "set BBS",
                                             "set BYM", "set BTM", "set BSE"}));
  EXPECT_FALSE(f.UserListBuffer);
  EXPECT_FALSE(f.MessageHistory);
}

TEST(ViewOptions, TwoN4ClicksReturnPanelCaptionAndFlag) {
  struct Case {
    const char* stored;
  } cases[] = {{"1"}, {"0"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    Harness h;
    h.settings.Set(h.IniPath(), "BSE", c.stored);
    TForm2& f = h.Start();
    const bool start = f.ShowSettingsPanel;
    const std::string caption = f.N4.Caption();
    EXPECT_EQ(f.Panel3.Visible(), start);

    f.N4.UserClick();
    EXPECT_EQ(f.ShowSettingsPanel, !start);
    EXPECT_EQ(f.Panel3.Visible(), !start);
    EXPECT_EQ(f.N4.Caption(), start ? "設定表示" : "設定非表示");
    // The switches on the panel keep their state while it is hidden.
    EXPECT_TRUE(f.CheckBox1.Checked());

    f.N4.UserClick();
    EXPECT_EQ(f.ShowSettingsPanel, start);
    EXPECT_EQ(f.Panel3.Visible(), start);
    EXPECT_EQ(f.N4.Caption(), caption);
  }
}

TEST(ViewOptions, HidingAndShowingAColumnKeepsItsTextsAndResetsItsWidth) {
  Harness h;
  TForm2& f = h.Start();
  h.desktop.Add("KatuGameMjMain", "第1卓 東");
  h.Deliver("\r\nalice\t>hello");
  const auto logged = Row(f, 1);
  ASSERT_EQ(logged[3], "alice");

  struct Case {
    CheckBox* box;
    bool TForm2::*flag;
    int col;
    int shownWidth;
  } cases[] = {
      {&f.CheckBox3, &TForm2::ShowPlaceColumn, 0, 120},
      {&f.CheckBox4, &TForm2::ShowDateColumn, 1, 60},
      {&f.CheckBox5, &TForm2::ShowTimeColumn, 2, 60},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.box->Name());
    f.StringGrid1.SetColWidth(c.col, 200);  // the user dragged the border
    c.box->UserClick();
    EXPECT_FALSE(f.*c.flag);
    EXPECT_EQ(f.StringGrid1.ColWidth(c.col), -1);
    EXPECT_EQ(Row(f, 0), kHeaders);
    EXPECT_EQ(Row(f, 1), logged);
    c.box->UserClick();
    EXPECT_TRUE(f.*c.flag);
    EXPECT_EQ(f.StringGrid1.ColWidth(c.col), c.shownWidth);
    EXPECT_EQ(Row(f, 1), logged);
  }
  EXPECT_EQ(Widths(f), (std::array<int, 5>{120, 60, 60, 100, 390}));
}

TEST(ViewOptions, AutoScrollAndAllUsersBoxesSetTheirFlagsAndPanels) {
  Harness h;
  TForm2& f = h.Start();
  f.CheckBox1.UserClick();
  f.CheckBox2.UserClick();
  EXPECT_FALSE(f.AutoScrollLog);
  EXPECT_FALSE(f.LogAllUsers);
  EXPECT_EQ(f.StatusBar1.Panel(2).text, "自動スクロールオフ");
  EXPECT_EQ(f.StatusBar1.Panel(3).text, "指定ユーザ出力中");
  f.CheckBox1.UserClick();
  f.CheckBox2.UserClick();
  EXPECT_TRUE(f.AutoScrollLog);
  EXPECT_TRUE(f.LogAllUsers);
  EXPECT_EQ(f.StatusBar1.Panel(2).text, "自動スクロールオン");
  EXPECT_EQ(f.StatusBar1.Panel(3).text, "全ユーザ出力中");
}

TEST(ViewOptions, StatusBarResizeGivesPanelOneWhatTheOthersLeave) {
  Harness h;
  TForm2& f = h.Start();
  // The status bar of a 937-wide window is 929 wide.
  f.StatusBar1Resize();
  EXPECT_EQ(f.StatusBar1.Bounds().width, 929);
  EXPECT_EQ(f.StatusBar1.Panel(1).width, 439);

  struct Case {
    int barWidth;
    int panel1;
  } cases[] = {{491, 1}, {490, 0}, {489, 0}, {100, 0}, {0, 0}, {1000, 510}, {929, 439}};
  for (const auto& c : cases) {
    Rect r = f.StatusBar1.Bounds();
    r.width = c.barWidth;
    f.StatusBar1.SetBounds(r);  // raises the resize event
    EXPECT_EQ(f.StatusBar1.Panel(1).width, c.panel1) << c.barWidth;
  }
  // The other panels keep their widths.
  EXPECT_EQ(f.StatusBar1.Panel(0).width, 100);
  EXPECT_EQ(f.StatusBar1.Panel(2).width, 120);
  EXPECT_EQ(f.StatusBar1.Panel(3).width, 120);
  EXPECT_EQ(f.StatusBar1.Panel(4).width, 150);

  // Resizing the window resizes the bar, which runs the rule.
  f.PlatformResized(1008, 411);
  EXPECT_EQ(f.StatusBar1.Panel(1).width, 510);
  f.PlatformResized(300, 411);
  EXPECT_EQ(f.StatusBar1.Panel(1).width, 0);
  f.PlatformResized(937, 411);
  EXPECT_EQ(f.StatusBar1.Panel(1).width, 439);
}

TEST(ViewOptions, TheAboutBoxIsShownModallyTheSameEachTime) {
  Harness h;
  TForm2& f = h.Start();
  TAboutBox box;
  WatchingSink sink;
  int shown = 0, closed = 0;
  sink.onChange = [&](Component& c, Change what, int) {
    if (&c != &box) return;
    shown += what == Change::ShowModal;
    closed += what == Change::Close;
  };
  sink.Watch({&box});
  f.SetAboutBox(&box);
  for (int i = 1; i <= 2; ++i) {
    f.About1.UserClick();
    EXPECT_EQ(shown, i);
    box.OKButton.UserClick();  // OK, or Enter on the default button
    EXPECT_EQ(closed, i);
  }
  EXPECT_EQ(box.Caption(), "バージョン情報");
  EXPECT_TRUE(box.OKButton.IsDefault());
}

}  // namespace
}  // namespace horone::testing
