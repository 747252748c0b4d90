// The watch list, the message history, their files and the log grid's
// commands.
#include <gtest/gtest.h>

#include "chatlog/intake.h"
#include "fakes.h"

namespace horone::testing {
namespace {

using Lines = std::vector<std::string>;

int Count(const std::vector<std::string>& log, const std::string& entry) {
  return static_cast<int>(std::count(log.begin(), log.end(), entry));
}

// ---------------------------------------------------------------- watch list

TEST(WatchList, EntriesGoToTheirSortedPlaceAndLookupIgnoresCase) {
  Harness h;
  TForm2& f = h.Start();
  f.CheckBox2.UserClick();  // only watched users are logged
  for (const char* name : {"zed", "mjfan", "abc"}) f.AddWatchedUser(name);
  f.ListBox1.UserSelect(2);  // zed
  f.AddWatchedUser("Mjfan");
  EXPECT_EQ(f.ListBox1.Items(), (Lines{"abc", "mjfan", "Mjfan", "zed"}));
  EXPECT_EQ(f.ListBox1.SelectedText(), "zed");  // the selection stays on its entry

  h.Deliver("\r\nMJFAN\t>hi");
  EXPECT_EQ(LoggedRows, 1);
  h.Deliver("\r\nmjfa\t>a prefix is not the name");
  h.Deliver("\r\nmjfans\t>nor a longer one");
  EXPECT_EQ(LoggedRows, 1);

  f.ListBox1.UserSelect(1);  // mjfan
  f.Button5.UserClick();
  EXPECT_EQ(f.ListBox1.Items(), (Lines{"abc", "Mjfan", "zed"}));
  h.Deliver("\r\nMJFAN\t>still watched");
  EXPECT_EQ(LoggedRows, 2);
  EXPECT_EQ(std::string(f.StringGrid1.Cell(4, 2)), "still watched");
}

TEST(WatchList, FileLoadsSortedAndExitWritesItBackWithCrLf) {
  struct Case {
    const char* what;
    std::optional<std::string> file;
    Lines added;
    Lines items;
    std::string written;
  } cases[] = {
      {"b then a", "b\r\na", {}, {"a", "b"}, "a\r\nb\r\n"},
      {"no file, empty list", std::nullopt, {}, {}, ""},
      {"empty file", "", {}, {}, ""},
      {"empty line kept", "x\n\nw\r", {}, {"", "w", "x"}, "\r\nw\r\nx\r\n"},
      {"names added in the run", "m\r\n", {"c", " spaced ", "Z"}, {" spaced ", "c", "m", "Z"},
       " spaced \r\nc\r\nm\r\nZ\r\n"},
      {"equal names both kept", "Bob\r\nbob\r\n", {"BOB"}, {"Bob", "bob", "BOB"}, "Bob\r\nbob\r\nBOB\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Harness h;
    if (c.file) h.files.files[h.UserList()] = *c.file;
    TForm2& f = h.Start();
    for (const auto& n : c.added) f.AddWatchedUser(n);
    EXPECT_EQ(f.ListBox1.Items(), c.items);
    EXPECT_EQ(f.ListBox1.ItemIndex(), -1);
    f.Exit1Click();
    ASSERT_EQ(h.files.files.count(h.UserList()), 1u);
    EXPECT_EQ(h.files.files[h.UserList()], c.written);
    EXPECT_TRUE(f.Closed());
  }
}

TEST(WatchList, NamesReachTheFileOnlyThroughExit) {
  Harness h;
  h.files.files[h.UserList()] = "old\r\n";
  TForm2& f = h.Start();
  f.Edit2.SetText("new");
  f.Button4.UserClick();
  EXPECT_EQ(f.ListBox1.Items(), (Lines{"new", "old"}));
  EXPECT_EQ(h.files.files[h.UserList()], "old\r\n");
  f.Close();  // the title bar's close button
  EXPECT_EQ(h.files.files[h.UserList()], "old\r\n");
  EXPECT_EQ(h.files.files.count(h.MsgList()), 0u);
}

TEST(WatchList, EnterInEdit2AddsOnKeyUp) {
  Harness h;
  TForm2& f = h.Start();
  f.Edit2.SetText("carol");
  f.Edit2.UserKeyUp(65, {});  // any other key does nothing
  EXPECT_TRUE(f.ListBox1.Items().empty());
  EXPECT_EQ(f.Edit2.Text(), "carol");
  f.Edit2.UserKeyUp(13, {});
  EXPECT_EQ(f.ListBox1.Items(), Lines{"carol"});
  EXPECT_EQ(f.Edit2.Text(), "");
  f.Edit2.UserKeyUp(13, {});  // empty: nothing added
  f.Button4.UserClick();
  EXPECT_EQ(f.ListBox1.Items(), Lines{"carol"});

  f.Edit2.SetText(" dave ");
  f.Button4.UserClick();
  EXPECT_EQ(f.ListBox1.Items(), (Lines{" dave ", "carol"}));  // spaces kept
  EXPECT_FALSE(f.ListBox1.ContainsEqual("dave"));
}

TEST(WatchList, SelectingEnablesDeleteAndDeleteLeavesNothingSelected) {
  Harness h;
  h.files.files[h.UserList()] = "\r\nx\r\ny\r\n";  // an empty entry can be selected and deleted too
  TForm2& f = h.Start();
  EXPECT_FALSE(f.Button5.Enabled());
  EXPECT_TRUE(f.Button4.Enabled());

  f.ListBox1.UserSelect(0);
  EXPECT_TRUE(f.Button5.Enabled());
  f.Button5.UserClick();
  EXPECT_EQ(f.ListBox1.Items(), (Lines{"x", "y"}));
  EXPECT_EQ(f.ListBox1.ItemIndex(), -1);
  EXPECT_FALSE(f.Button5.Enabled());

  // With nothing selected the delete command removes nothing.
  f.Button5.SetEnabled(true);
  f.Button5Click();
  EXPECT_EQ(f.ListBox1.Items(), (Lines{"x", "y"}));
  EXPECT_FALSE(f.Button5.Enabled());
}

// ----------------------------------------------------------- message history

// "+text": typed and sent with Enter; "-text": typed and deleted with Button1;
// "=i": item i picked from the drop-down list and deleted.
void Apply(TForm2& f, const std::string& op) {
  const std::string text = op.substr(1);
  if (op[0] == '=') {
    f.ComboBox1.UserPick(std::stoi(text));
  } else {
    f.ComboBox1.UserEdit(text);
  }
  EXPECT_TRUE(f.Button9.Enabled());
  EXPECT_TRUE(f.Button1.Enabled());
  if (op[0] == '+') {
    f.ComboBox1.UserKeyDown(13, {});
  } else {
    f.Button1.UserClick();
  }
}

TEST(MessageHistory, RecordAndDeleteCases) {
  struct Case {
    const char* what;
    std::optional<std::string> file;
    Lines ops;
    Lines history;
    std::string written;
  } cases[] = {
      {"Hello then hello keeps Hello", std::nullopt, {"+Hello", "+hello"}, {"Hello"}, "Hello\r\n"},
      {"b then a", std::nullopt, {"+b", "+a"}, {"a", "b"}, "a\r\nb\r\n"},
      {"file order kept", "zeta\r\nalpha\r\n", {}, {"zeta", "alpha"}, "zeta\r\nalpha\r\n"},
      {"a record sorts the file's lines", "zeta\r\nalpha\r\n", {"+mid"}, {"alpha", "mid", "zeta"},
       "alpha\r\nmid\r\nzeta\r\n"},
      {"a delete sorts the file's lines", "zeta\r\nbeta\r\nalpha\r\n", {"-beta"}, {"alpha", "zeta"},
       "alpha\r\nzeta\r\n"},
      {"a held text is not added and sorts nothing", "zeta\r\nalpha\r\n", {"+ALPHA"}, {"zeta", "alpha"},
       "zeta\r\nalpha\r\n"},
      {"an unknown text deletes nothing", "zeta\r\nalpha", {"-nope"}, {"zeta", "alpha"}, "zeta\r\nalpha\r\n"},
      {"two equal lines kept", "dup\r\nzz\r\nDUP\r\n", {}, {"dup", "zz", "DUP"}, "dup\r\nzz\r\nDUP\r\n"},
      {"one delete removes the first equal line", "dup\r\nzz\r\nDUP\r\n", {"-Dup"}, {"DUP", "zz"},
       "DUP\r\nzz\r\n"},
      {"an empty entry survives", "\r\nq\r\n", {"+", "-"}, {"", "q"}, "\r\nq\r\n"},
      {"an empty entry survives a sort", "q\r\n\r\n", {"+a"}, {"", "a", "q"}, "\r\na\r\nq\r\n"},
      {"the last line without a line end", "a\r\nb", {}, {"a", "b"}, "a\r\nb\r\n"},
      {"HELLO deletes Hello", std::nullopt, {"+Hello", "+zz", "-HELLO"}, {"zz"}, "zz\r\n"},
      {"a picked entry is deleted", "m\r\nk\r\nx\r\n", {"=1"}, {"m", "x"}, "m\r\nx\r\n"},
      {"typed and erased", "m\r\n", {"-"}, {"m"}, "m\r\n"},
      {"empty history", std::nullopt, {}, {}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Harness h;
    if (c.file) h.files.files[h.MsgList()] = *c.file;
    TForm2& f = h.Start();
    ASSERT_TRUE(f.MessageHistory);
    EXPECT_EQ(f.ComboBox1.Items(), *f.MessageHistory);
    for (const auto& op : c.ops) {
      Apply(f, op);
      EXPECT_EQ(f.ComboBox1.Items(), *f.MessageHistory) << op;
      EXPECT_EQ(f.ComboBox1.Text(), "") << op;
      EXPECT_FALSE(f.Button9.Enabled()) << op;
      EXPECT_FALSE(f.Button1.Enabled()) << op;
    }
    EXPECT_EQ(*f.MessageHistory, c.history);
    f.Exit1Click();
    EXPECT_EQ(h.files.files[h.MsgList()], c.written);
  }
}

TEST(MessageHistory, ButtonsFollowUserEditsNotProgramText) {
  Harness h;
  TForm2& f = h.Start();
  EXPECT_FALSE(f.Button9.Enabled());
  EXPECT_FALSE(f.Button1.Enabled());
  f.ComboBox1.SetText("set by the program");
  EXPECT_FALSE(f.Button9.Enabled());
  EXPECT_FALSE(f.Button1.Enabled());
  f.ComboBox1.UserEdit("x");
  EXPECT_TRUE(f.Button9.Enabled());
  EXPECT_TRUE(f.Button1.Enabled());
  f.ComboBox1.SetText("");  // the program's clearing leaves the buttons alone
  EXPECT_TRUE(f.Button9.Enabled());
  EXPECT_TRUE(f.Button1.Enabled());
}

// ------------------------------------------------------ Exit command failures

TEST(ListFiles, ExitStopsAtTheFileThatCannotBeWrittenAndASecondExitWorks) {
  struct Case {
    std::string path;
    std::string userListAfterFailure;
    int userListWrites;  // by both Exit commands together
  } cases[] = {
      {"C:\\Games\\userlist.txt", "b\r\na\r\n", 1},
      {"C:\\Games\\msglist.txt", "a\r\nb\r\nc\r\n", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    Harness h;
    h.files.files[h.UserList()] = "b\r\na\r\n";
    h.files.files[h.MsgList()] = "m\r\n";
    TForm2& f = h.Start();
    std::vector<std::string> order;
    h.files.order = h.hook.order = &order;
    f.AddWatchedUser("c");
    f.ComboBox1.UserEdit("n");
    f.Button9.UserClick();
    h.files.failWrites = {c.path};

    EXPECT_EQ(ErrorOf([&] { f.Exit1Click(); }), "ファイル " + c.path + " を作成できません");
    EXPECT_EQ(h.files.files[h.UserList()], c.userListAfterFailure);
    EXPECT_EQ(h.files.files[h.MsgList()], "m\r\n");  // not written in either case
    EXPECT_FALSE(f.Closed());
    EXPECT_EQ(h.hook.uninstalls, 0);
    EXPECT_TRUE(h.settings.writes.empty());
    EXPECT_EQ(f.ListBox1.Items(), (Lines{"a", "b", "c"}));
    ASSERT_TRUE(f.MessageHistory);
    EXPECT_EQ(*f.MessageHistory, (Lines{"m", "n"}));

    h.files.failWrites.clear();
    EXPECT_EQ(ErrorOf([&] { f.Exit1Click(); }), "");
    EXPECT_TRUE(f.Closed());
    EXPECT_EQ(h.files.files[h.UserList()], "a\r\nb\r\nc\r\n");
    EXPECT_EQ(h.files.files[h.MsgList()], "m\r\nn\r\n");
    EXPECT_EQ(Count(order, "write " + h.UserList()), c.userListWrites);
    EXPECT_EQ(Count(order, "write " + h.MsgList()), 1);
    EXPECT_EQ(Count(order, "uninstall"), 1);
  }
}

TEST(ListFiles, AFileThatCannotBeReadIsReportedOnceAndKept) {
  struct Case {
    bool userListUnreadable;
    std::string path;
  } cases[] = {{true, "C:\\Games\\userlist.txt"}, {false, "C:\\Games\\msglist.txt"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    Harness h;
    h.files.files[h.UserList()] = "b\r\na\r\n";
    h.files.files[h.MsgList()] = "zeta\r\nalpha\r\n";
    h.files.unreadable[c.path] = 1;
    TForm2& f = h.Start();
    EXPECT_EQ(h.dialogs.shown, Lines{"ファイル " + c.path + " は開けません"});
    ASSERT_TRUE(f.MessageHistory);
    EXPECT_EQ(f.ListBox1.Items(), c.userListUnreadable ? Lines{} : (Lines{"a", "b"}));
    EXPECT_EQ(*f.MessageHistory, c.userListUnreadable ? (Lines{"zeta", "alpha"}) : Lines{});
    EXPECT_EQ(f.ComboBox1.Items(), *f.MessageHistory);

    // Both lists still work, and Exit writes only the one that was read.
    f.AddWatchedUser("c");
    f.ComboBox1.UserEdit("new");
    f.ComboBox1.UserKeyDown(13, {});
    f.Exit1Click();
    EXPECT_TRUE(f.Closed());
    EXPECT_EQ(h.dialogs.shown.size(), 1u);
    EXPECT_EQ(h.files.files[h.UserList()], c.userListUnreadable ? "b\r\na\r\n" : "a\r\nb\r\nc\r\n");
    EXPECT_EQ(h.files.files[h.MsgList()], c.userListUnreadable ? "alpha\r\nnew\r\nzeta\r\n" : "zeta\r\nalpha\r\n");
  }
}

// -------------------------------------------------------- log grid commands

struct GridCommands : ::testing::Test {
  Harness h;
  TForm2& f = h.Start();
  void SetUp() override { h.clipboard.text = "before"; }
};

TEST_F(GridCommands, HeaderRowEmptyRowAndHeaderTextsDoNothing) {
  // Before the grid raised select-cell, the header row is the selected row,
  // whichever row the grid shows as current.
  EXPECT_EQ(f.SelectedRow, 0);
  EXPECT_EQ(f.StringGrid1.Row(), 1);
  f.a1.UserClick();
  f.N1.UserClick();
  f.N2.UserClick();
  EXPECT_TRUE(f.ListBox1.Items().empty());
  EXPECT_EQ(h.clipboard.text, "before");

  h.Deliver("\r\nalice\t>hello");
  h.Deliver("\r\nユーザ名\t>内容");
  h.Deliver("\r\nbob\t>");
  // The auto-scroll made the empty row below the newest line current.
  EXPECT_EQ(f.SelectedRow, 4);
  f.a1.UserClick();
  f.N1.UserClick();
  f.N2.UserClick();
  EXPECT_TRUE(f.ListBox1.Items().empty());
  EXPECT_EQ(h.clipboard.text, "before");

  struct Case {
    int row;
    Lines watched;  // after a1
    std::string userCopy, contentCopy;
  } cases[] = {
      {2, {}, "before", "before"},              // "ユーザ名" and "内容" logged as texts
      {3, {"bob"}, "bob", "before"},            // empty content: nothing to copy
      {1, {"alice", "bob"}, "alice", "hello"},  // a logged row
      {1, {"alice", "alice", "bob"}, "alice", "hello"},  // added a second time
      {4, {"alice", "alice", "bob"}, "before", "before"},  // the empty last row
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    f.StringGrid1.UserSelectRow(c.row);
    EXPECT_EQ(f.SelectedRow, c.row);
    f.a1.UserClick();
    EXPECT_EQ(f.ListBox1.Items(), c.watched);
    h.clipboard.text = "before";
    f.N1.UserClick();
    EXPECT_EQ(h.clipboard.text, c.userCopy);
    h.clipboard.text = "before";
    f.N2.UserClick();
    EXPECT_EQ(h.clipboard.text, c.contentCopy);
  }

  // Selecting a row, then a new line with auto-scroll on: the commands meet
  // the empty row again.
  f.StringGrid1.UserSelectRow(1);
  h.Deliver("\r\ncarol\t>later");
  EXPECT_EQ(f.SelectedRow, 5);
  h.clipboard.text = "before";
  f.N1.UserClick();
  f.N2.UserClick();
  EXPECT_EQ(h.clipboard.text, "before");
}

TEST_F(GridCommands, AClipboardHeldByAnotherProgramIsReportedAndKeepsItsContent) {
  h.Deliver("\r\nalice\t>hello");
  f.StringGrid1.UserSelectRow(1);
  h.clipboard.heldByOther = true;
  EXPECT_EQ(ErrorOf([&] { f.N1Click(); }), "クリップボードを開くことができません");
  EXPECT_EQ(ErrorOf([&] { f.N2Click(); }), "クリップボードを開くことができません");
  EXPECT_EQ(h.clipboard.text, "before");
  h.clipboard.heldByOther = false;
  f.N2Click();
  EXPECT_EQ(h.clipboard.text, "hello");
}

}  // namespace
}  // namespace horone::testing
