#include <gtest/gtest.h>

#include "base/error.h"
#include "base/integer.h"
#include "base/line_file.h"
#include "base/path.h"
#include "base/text.h"

namespace horone {
namespace {

TEST(Text, CopyPosDeleteFollowTheByteRules) {
  EXPECT_EQ(Copy("abcdef", 2, 3), "bcd");
  EXPECT_EQ(Copy("abcdef", 5, 10), "ef");  // clamps to the end
  EXPECT_EQ(Copy("abcdef", 0, 2), "");     // before 1
  EXPECT_EQ(Copy("abcdef", 7, 1), "");     // after the end
  EXPECT_EQ(Copy("abcdef", 1, -1), "");
  EXPECT_EQ(Pos("卓", "第12卓 東南"), 5);
  EXPECT_EQ(Pos("x", "abc"), 0);
  std::string s = "abcdef";
  Delete(s, 0, 2);
  EXPECT_EQ(s, "abcdef");
  Delete(s, 7, 1);
  EXPECT_EQ(s, "abcdef");
  Delete(s, 5, 9);
  EXPECT_EQ(s, "abcd");
}

TEST(Integer, FlagAndIntegerRules) {
  struct Case {
    const char* text;
    std::optional<std::int32_t> value;
    bool flag;
  } cases[] = {
      {"0", 0, false},          {"1", 1, true},     {"2", 2, true},
      {"-1", -1, true},         {"0x10", 16, true}, {"$10", 16, true},
      {" 7", 7, true},          {"", {}, true},     {"yes", {}, true},
      {"2147483648", {}, true}, {"-2147483648", INT32_MIN, true},
      {"2147483647", INT32_MAX, true}, {"7 ", {}, true}, {"+5", 5, true},
      {"0x", {}, true},         {"$", {}, true},    {"-", {}, true},
      {"0X1f", 31, true},       {"-$10", -16, true}, {"00", 0, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseInteger(c.text), c.value) << '"' << c.text << '"';
    EXPECT_EQ(ParseFlag(c.text, true), c.flag) << '"' << c.text << '"';
  }
}

TEST(Integer, StrToIntNamesTheTextInItsError) {
  EXPECT_EQ(StrToInt("937"), 937);
  try {
    StrToInt("abc");
    FAIL() << "no error";
  } catch (const UserError& e) {
    EXPECT_STREQ(e.what(), "'abc' は整数ではありません");
  }
  EXPECT_THROW(StrToInt(""), UserError);
}

TEST(Path, ExtensionIsReplacedOnTheFileNameOnly) {
  EXPECT_EQ(ReplaceExtension("C:\\Games\\horone.exe", ".INI"), "C:\\Games\\horone.INI");
  EXPECT_EQ(ReplaceExtension("C:\\Games\\horone", ".INI"), "C:\\Games\\horone.INI");
  EXPECT_EQ(ReplaceExtension("C:\\My.Games\\horone", ".INI"), "C:\\My.Games\\horone.INI");
  EXPECT_EQ(ReplaceExtension("C:\\My.Games\\horone.v1.exe", ".INI"), "C:\\My.Games\\horone.v1.INI");
  EXPECT_EQ(FolderOf("C:\\My.Games\\horone.exe"), "C:\\My.Games\\");
}

TEST(LineFile, ReaderCutsLinesAsSpecified) {
  using V = std::vector<std::string>;
  struct Case {
    std::string bytes;
    V lines;
  } cases[] = {
      {"", V{}},
      {"a\r\nb\r\n", V{"a", "b"}},
      {"a\rb\nc", V{"a", "b", "c"}},
      {"b\r\na", V{"b", "a"}},             // last line without a line end
      {"\r\na\r\n\r\n", V{"", "a", ""}},  // empty lines kept, no entry for the final end
      {"a\n\rb", V{"a", "", "b"}},         // LF then lone CR: two line ends
      {"a\r\r\nb", V{"a", "", "b"}},
      {std::string("ab\0cd\r\n", 7), V{"ab"}},  // NUL ends the text
      {"\n", V{""}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitLines(c.bytes), c.lines) << testing::PrintToString(c.bytes);
}

TEST(LineFile, WriterEndsEveryEntryWithCrLf) {
  EXPECT_EQ(JoinLines({}), "");
  EXPECT_EQ(JoinLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
  const std::vector<std::string> entries{"", "x y ", "卓", "last"};
  EXPECT_EQ(SplitLines(JoinLines(entries)), entries);
}

}  // namespace
}  // namespace horone
