// The code page 932 ⇄ UTF-16 conversions of the Windows layer, run under
// Wine: texts from other programs and from files can hold invalid bytes and
// double-byte characters cut in two (the place cell keeps the first 18 bytes
// of a title). Nothing of the rest may be lost and nothing read past the end.
#include <gtest/gtest.h>

#include <string>

#include "win32/text_win32.h"

namespace horone::win32 {
namespace {

// Bytes written as escapes: this file's literals are not all code page 932.
const std::string kSo = "\x83\x5C";      // ソ: its trail byte is a backslash
const std::string kTaku = "\x91\xEC";    // 卓
const std::string kKana = "\xB1\xB2";    // ｱｲ, two single-byte kana

TEST(Cp932Text, ValidTextRoundTripsByteForByte) {
  const std::string cases[] = {
      "plain ASCII", kSo + "\x95\x5C" + " table",  // ソ表
      "\x91\xE6" "12" + kTaku + " " + kKana,       // 第12卓 ｱｲ
      std::string("a\0b", 3),                      // a NUL inside is a character like any other
      std::string(1 << 20, 'x') + kTaku,           // a 1 MiB line
  };
  for (const std::string& c : cases) {
    const std::wstring wide = Widen(c);
    EXPECT_EQ(Narrow(wide), c) << c.substr(0, 40);
  }
  EXPECT_EQ(Widen(kSo), L"\x30BD");
  EXPECT_EQ(Widen(kTaku), L"\x5353");
  EXPECT_EQ(Widen(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
  EXPECT_EQ(Widen(""), L"");
  EXPECT_EQ(Narrow(L""), "");
}

TEST(Cp932Text, InvalidAndCutBytesKeepTheRestAndReadNothingPastTheEnd) {
  struct Case {
    const char* what;
    std::string bytes;       // the text handed over
    std::wstring before;     // what must come out first
    std::wstring after;      // and last
  };
  const Case cases[] = {
      {"a lead byte at the end", "place" + kTaku + "\x91", L"place\x5353", L""},
      {"a lead byte before an invalid trail", "x\x81\x20y", L"x", L"y"},
      {"a byte that is no character", "x\xFFy", L"x", L"y"},
      {"a lone 0x80", "x\x80y", L"x", L"y"},
      {"a lead byte before a NUL", std::string("x\x83\0y", 4), L"x", L"y"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // The bytes that follow in memory would make a character with a cut-off
    // lead byte: none of them may show up.
    const std::string memory = c.bytes + "\x40" + "TAIL";
    const std::wstring wide = Widen(std::string_view(memory.data(), c.bytes.size()));
    ASSERT_GE(wide.size(), c.before.size() + c.after.size());
    EXPECT_EQ(wide.substr(0, c.before.size()), c.before);
    EXPECT_EQ(wide.substr(wide.size() - c.after.size()), c.after);
    EXPECT_EQ(wide.find(L"TAIL"), std::wstring::npos);
    EXPECT_LE(wide.size(), c.bytes.size());  // at most a character a byte
  }
}

TEST(Cp932Text, ThePlaceCellCutInsideACharacterKeepsItsWholeCharacters) {
  // "一般ロビー 東南戦ロビー": the 18th byte is the lead byte of ロ.
  const std::string title = "\x88\xEA\x94\xCA\x83\x8D\x83\x72\x81\x5B \x93\x8C\x93\xEC\x90\xED\x83\x8D\x83\x72\x81\x5B";
  const std::wstring cut = Widen(title.substr(0, 18));
  EXPECT_EQ(cut.substr(0, 9), L"\x4E00\x822C\x30ED\x30D3\x30FC \x6771\x5357\x6226");
  EXPECT_EQ(cut.size(), 10u);  // and one character for the cut-off lead byte
}

TEST(Cp932Text, CharactersWithoutACodePage932FormKeepTheRest) {
  const std::wstring cases[] = {
      L"a\x20AC" L"b",        // €
      L"a\xD83D\xDE00" L"b",  // an emoji: a surrogate pair
      L"a\xD800" L"b",        // a lone surrogate
      L"a\xFFFF" L"b",
  };
  for (const std::wstring& c : cases) {
    const std::string bytes = Narrow(c);
    ASSERT_GE(bytes.size(), 3u);
    EXPECT_EQ(bytes.front(), 'a');
    EXPECT_EQ(bytes.back(), 'b');
  }
  EXPECT_EQ(ToUtf8(L"\x5353"), "\xE5\x8D\x93");
  EXPECT_EQ(FromUtf8("\xE5\x8D\x93"), L"\x5353");
  const std::wstring cutUtf8 = FromUtf8("ok\xE5\x8D");  // a UTF-8 sequence cut short
  EXPECT_EQ(cutUtf8.substr(0, 2), L"ok");
}

}  // namespace
}  // namespace horone::win32
