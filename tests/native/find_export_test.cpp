// Find in the log, the CSV export and the grid's context menu.
#include <gtest/gtest.h>

#include <set>

#include "chatlog/csv_export.h"
#include "chatlog/intake.h"
#include "chatlog/log_search.h"
#include "fakes.h"

namespace horone::testing {
namespace {

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

TEST(FindLogRow, NextPreviousWrapAndNoMatch) {
  struct Case {
    std::set<int> matching;
    int current;
    bool forward;
    int found;
  } cases[] = {
      {{2, 5}, 1, true, 2},
      {{2, 5}, 2, true, 5},   // the next after the current one
      {{2, 5}, 5, true, 2},   // wraps round at the end
      {{2, 5}, 7, true, 2},   // from the empty row below the newest line
      {{2, 5}, 0, true, 2},
      {{2, 5}, 4, false, 2},
      {{2, 5}, 2, false, 5},  // wraps round at the start
      {{2, 5}, 7, false, 5},  // backward from the empty row: the newest first
      {{2, 5}, 6, false, 5},
      {{3}, 3, true, 3},      // the current row itself comes last
      {{3}, 3, false, 3},
      {{1, 6}, 6, true, 1},
      {{1, 6}, 1, false, 6},
      {{}, 3, true, 0},       // no match
      {{}, 3, false, 0},
  };
  for (const auto& c : cases) {
    const int found = FindLogRow(6, c.current, c.forward, [&](int row) { return c.matching.count(row) > 0; });
    EXPECT_EQ(found, c.found) << c.current << (c.forward ? " forward" : " backward");
  }
  // Without a match every row is tried once, in the order of the search.
  for (const bool forward : {true, false}) {
    std::vector<int> asked;
    EXPECT_EQ(FindLogRow(6, 3, forward, [&](int row) {
                asked.push_back(row);
                return false;
              }),
              0);
    EXPECT_EQ(asked, forward ? (std::vector<int>{4, 5, 6, 1, 2, 3}) : (std::vector<int>{2, 1, 6, 5, 4, 3}));
  }
  EXPECT_EQ(FindLogRow(0, 1, true, [](int) { return true; }), 0);  // an empty log
}

struct FindInLog : ::testing::Test {
  Harness h;
  TForm2& f = h.Start();
  WatchingSink boxSink;
  int shown = 0;
  void SetUp() override {
    for (const char* line : {"\r\nalice\t>hello world", "\r\nbob\t>Good Morning", "\r\ncarol\t>see you",
                             "\r\nDave\t>say HELLO", "\r\nHelloKitty\t>麻雀しよう"}) {
      h.Deliver(line);
    }
    boxSink.Watch({&f.FindBox});
    boxSink.onChange = [this](Component&, Change what, int) { shown += what == Change::Show; };
  }
  void Type(const std::string& text) { f.FindBox.FindText.PlatformTextChanged(text); }
  std::string Result() { return f.FindBox.ResultLabel.Caption(); }
};

TEST_F(FindInLog, MovesTheCurrentRowToMatchesOfUserOrContentIgnoringCase) {
  ASSERT_EQ(f.StringGrid1.Row(), 6);  // the auto-scroll left the empty row current
  Type("hello");
  struct Step {
    Button* button;
    int row;
  } steps[] = {
      {&f.FindBox.FindNextButton, 1},      // "hello world"
      {&f.FindBox.FindNextButton, 4},      // "say HELLO"
      {&f.FindBox.FindNextButton, 5},      // user "HelloKitty"
      {&f.FindBox.FindNextButton, 1},      // wrapped
      {&f.FindBox.FindPreviousButton, 5},  // wrapped back
      {&f.FindBox.FindPreviousButton, 4},
  };
  for (const auto& s : steps) {
    s.button->UserClick();
    EXPECT_EQ(f.StringGrid1.Row(), s.row);
    EXPECT_EQ(f.SelectedRow, s.row);  // a row selection, as the grid's commands expect
    EXPECT_EQ(Result(), "");
  }
  // The grid's commands act on the row found.
  f.N1.UserClick();
  EXPECT_EQ(h.clipboard.text, "Dave");

  Type("麻雀");
  f.FindBox.FindNextButton.UserClick();
  EXPECT_EQ(f.SelectedRow, 5);

  Type("nobody");
  f.FindBox.FindNextButton.UserClick();
  EXPECT_EQ(Result(), "見つかりません");
  EXPECT_EQ(f.SelectedRow, 5);  // left where it was
  EXPECT_EQ(f.StringGrid1.Row(), 5);

  Type("MORNING");
  f.FindBox.FindPreviousButton.UserClick();
  EXPECT_EQ(Result(), "");
  EXPECT_EQ(f.SelectedRow, 2);

  Type("");
  f.FindBox.FindNextButton.UserClick();  // nothing to find: nothing happens
  EXPECT_EQ(f.SelectedRow, 2);
  EXPECT_EQ(Result(), "");
}

TEST_F(FindInLog, KeysOfTheGridAndTheFindBox) {
  struct Case {
    const char* what;
    bool inGrid;  // else in the find box's text field
    std::uint16_t key;
    ShiftState shift;
    int row;          // current row afterwards
    int shownBefore;  // find box shown by then
    bool consumed;    // (grid) taken from the list view
  } cases[] = {
      {"Ctrl+F opens the find box", true, kKeyF, {false, true, false}, 6, 1, true},
      {"F without Ctrl is the grid's", true, kKeyF, {}, 6, 1, false},
      {"Enter: next", false, kKeyReturn, {}, 1, 1, false},
      {"F3: next", false, kKeyF3, {}, 4, 1, false},
      {"Shift+F3: previous", false, kKeyF3, {true, false, false}, 1, 1, false},
      {"F3 in the grid: next", true, kKeyF3, {}, 4, 1, true},
      {"Shift+F3 in the grid: previous", true, kKeyF3, {true, false, false}, 1, 1, true},
      {"Ctrl+F3 is not a find key", false, kKeyF3, {false, true, false}, 1, 1, false},
  };
  Type("hello");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.inGrid) {
      EXPECT_EQ(f.StringGrid1.UserKeyDown(c.key, c.shift) == 0, c.consumed);
    } else {
      f.FindBox.FindText.UserKeyUp(c.key, c.shift);
    }
    EXPECT_EQ(f.StringGrid1.Row(), c.row);
    EXPECT_EQ(shown, c.shownBefore);
  }
  // F3 with nothing to find opens the box; so does the context menu's item.
  Type("");
  EXPECT_EQ(f.StringGrid1.UserKeyDown(kKeyF3, {}), 0);
  EXPECT_EQ(shown, 2);
  f.Find1.UserClick();
  EXPECT_EQ(shown, 3);
}

TEST(CsvField, QuotesCommasQuotesLineBreaksAndTabs) {
  struct Case {
    std::string field, written;
  } cases[] = {
      {"abc", "abc"},
      {"", ""},
      {"a b", "a b"},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"\"", "\"\"\"\""},
      {"a\r\nb", "\"a\r\nb\""},
      {"a\nb", "\"a\nb\""},
      {"a\rb", "\"a\rb\""},
      {"a\tb", "\"a\tb\""},
      {"麻雀,東南戦", "\"麻雀,東南戦\""},
      {"ソ表", "ソ表"},  // trail bytes 0x5C ("\") need no quoting
  };
  for (const auto& c : cases) {
    std::string out = "x";
    AppendCsvField(out, c.field);
    EXPECT_EQ(out, "x" + c.written) << ::testing::PrintToString(c.field);
  }
  std::string record;
  AppendCsvRecord(record, {"a", "b,c", "", "d\"e", "f"});
  EXPECT_EQ(record, "a,\"b,c\",,\"d\"\"e\",f\r\n");
}

struct CsvExport : ::testing::Test {
  Harness h;
  TForm2& f = h.Start();
  const std::string out = "C:\\Users\\me\\chat.csv";
};

TEST_F(CsvExport, SavesTheWholeGridAsUtf8WithAByteOrderMark) {
  h.desktop.Add("KatuGameMjMain", "第12卓 東南戦");
  h.Deliver("\r\nalice\t>hello, world");
  h.Deliver("\r\nボブ\t>say \"hi\"\r\nand bye\tnow");
  f.CheckBox3.SetChecked(false);  // a hidden column is exported all the same
  h.dialogs.saveAnswer = out;
  f.SaveCsv1.UserClick();

  ASSERT_EQ(h.dialogs.saveQuestions.size(), 1u);
  const SaveFileQuestion& q = h.dialogs.saveQuestions[0];
  EXPECT_EQ(q.title, "CSVで保存");
  EXPECT_EQ(q.fileName, "horone-2026-12-11.csv");
  EXPECT_EQ(q.typeName, "CSV ファイル");
  EXPECT_EQ(q.extension, "csv");
  EXPECT_EQ(h.files.files[out], "\xEF\xBB\xBF" + U8(u8"場所,年月日,時間,ユーザ名,内容\r\n"
                                                    u8"第12卓 ,2026/12/11,09:05:07,alice,\"hello, world\"\r\n"
                                                    u8"第12卓 ,2026/12/11,09:05:07,ボブ,\"say \"\"hi\"\"\r\nand bye\tnow\"\r\n"));
}

TEST_F(CsvExport, AnEmptyLogGivesTheHeaderACancelNothingAndAFailedWriteAnError) {
  h.dialogs.saveAnswer = out;
  f.SaveCsv1.UserClick();
  EXPECT_EQ(h.files.files[out], "\xEF\xBB\xBF" + U8(u8"場所,年月日,時間,ユーザ名,内容\r\n"));

  h.files.files.erase(out);
  h.dialogs.saveAnswer.reset();
  f.SaveCsv1.UserClick();
  EXPECT_EQ(h.files.files.count(out), 0u);

  h.dialogs.saveAnswer = out;
  h.files.failWrites = {out};
  EXPECT_EQ(ErrorOf([&] { f.SaveCsv1Click(); }), "ファイル " + out + " を作成できません");
  EXPECT_EQ(h.files.files.count(out), 0u);
}

TEST(PopupMenu1, KeepsItsThreeCommandsAndAppendsTheNewOnesBehindSeparators) {
  Harness h;
  TForm2& f = h.Start();
  std::vector<std::string> names, captions;
  for (const MenuItem* item : f.PopupMenu1.items) {
    names.push_back(item->Name());
    captions.push_back(item->IsSeparator() ? "-" : item->Caption());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"a1", "N1", "N2", "N5", "Find1", "SaveCsv1", "N6", "DailyLog1"}));
  EXPECT_EQ(captions, (std::vector<std::string>{"ユーザ名をリストに追加", "ユーザ名をクリップボードにコピー",
                                                "内容をクリップボードにコピー", "-", "検索...", "CSVで保存...", "-",
                                                "日別ログをファイルに保存"}));
  EXPECT_EQ(f.MainMenu1.items.size(), 4u);
  for (const MenuItem* item : f.PopupMenu1.items) EXPECT_FALSE(item->Checked()) << item->Name();
  f.N5.UserClick();  // a separator is no command
  f.N6.UserClick();
  EXPECT_FALSE(f.LogToDailyFiles);
}

}  // namespace
}  // namespace horone::testing
