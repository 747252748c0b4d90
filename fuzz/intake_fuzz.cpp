// The chat-line intake (TForm2::Edit1Change) on arbitrary lines, delivered
// as the hook library delivers them, over a started form with the fakes.
//
// Input: one byte of switches (and with switch 0x20 one byte more, k), then
// records cut at 0xFF (0xFF 0xFE stands for a 0xFF byte inside a record):
//   record 0  the table window's title (used when switch 0x02 is set)
//   record 1  the lobby's title (used when switch 0x04 is set)
//   record 2  appended to the watch list file (which holds "abc", "ユーザ"
//             and "ソ表" already)
//   record 3… one delivery each
// Switches: 0x01 all users logged (else the watch list filters), 0x02 a
// table window, 0x04 a lobby, 0x08 daily log files, 0x10 auto-scroll,
// 0x20 the last delivery repeated up to 1 MiB >> (k & 31) bytes, 0x40 the
// title read of each logged line delivers the next record inside it, 0x80
// each delivery on a day of its own.
//
// Checked after every delivery: the status bar shows the line's user and
// content; a line is logged exactly when all users are or its user equals a
// watch list entry (ASCII case ignored); the grid gains one row per logged
// line and none otherwise, its cells being the line's user and content, the
// place cut from the title (through "卓" and one more byte, else 2 bytes; the
// lobby's 18 bytes), the clock's date and time; the empty row stays last
// and auto-scroll makes it current; a delivery inside the title read is
// dropped; an empty delivery changes nothing. At the end: every logged row
// still holds what it got, the header row is untouched, and each day's log
// file holds exactly the logged rows of that day.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/form2.h"
#include "chatlog/intake.h"
#include "fakes.h"
#include "fuzz_check.h"

namespace horone::testing {
namespace {

using horone::fuzz::Escaped;

constexpr std::string_view kTaku = "\x91\xEC";  // 卓 in code page 932
constexpr size_t kInflated = size_t{1} << 20;
constexpr std::size_t kFakeTitleLimit = 63;    // FakeDesktop::ReadTitle, as the port promises

std::vector<std::string> Records(const std::uint8_t* data, size_t size) {
  std::vector<std::string> records(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] != 0xFF) {
      records.back() += static_cast<char>(data[i]);
    } else if (i + 1 < size && data[i + 1] == 0xFE) {
      records.back() += '\xFF';
      ++i;
    } else {
      records.emplace_back();
    }
  }
  return records;
}

struct Split {
  std::string user, content;
};

// The line's parts, by the hook library's format: the first CR LF goes, the
// user is what stands before the first ">" less its first tab.
Split Expected(std::string line) {
  if (const auto crlf = line.find("\r\n"); crlf != std::string::npos) line.erase(crlf, 2);
  const auto marker = line.find('>');
  if (marker == std::string::npos) return {"", line};
  std::string user = line.substr(0, marker);
  if (const auto tab = user.find('\t'); tab != std::string::npos) user.erase(tab, 1);
  return {user, line.substr(marker + 1)};
}

bool EqualFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  for (size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

std::string TwoDigits(int v) { return {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)}; }

using Row = std::array<std::string, 5>;

std::string DailyRecord(const Row& row) {
  std::string out;
  for (size_t c = 0; c < row.size(); ++c) {
    if (c > 0) out += '\t';
    for (char ch : row[c]) out += (ch == '\t' || ch == '\r' || ch == '\n') ? ' ' : ch;
  }
  return out + "\r\n";
}

void Run(const std::uint8_t* data, size_t size) {
  if (size == 0) return;
  const std::uint8_t switches = data[0];
  const bool allUsers = switches & 0x01, table = switches & 0x02, lobby = switches & 0x04;
  const bool dailyLog = switches & 0x08, autoScroll = switches & 0x10, inflate = switches & 0x20;
  const bool nested = switches & 0x40, dayEach = switches & 0x80;
  size_t at = 1;
  size_t inflated = 0;
  if (inflate && at < size) inflated = kInflated >> (data[at++] & 31);  // 1 MiB down to 1 byte, or none
  std::vector<std::string> records = Records(data + at, size - at);
  records.resize(std::max<size_t>(records.size(), 3));
  if (records.size() > 3 && !records.back().empty() && records.back().size() < inflated) {
    std::string& last = records.back();
    while (last.size() < inflated) last += std::string(last);  // doubling: few steps, even from one byte
    last.resize(inflated);
  }

  Harness h;
  const std::string ini = h.IniPath();
  h.settings.Set(ini, "AUS", allUsers ? "1" : "0");
  h.settings.Set(ini, "ASC", autoScroll ? "1" : "0");
  if (dailyLog) h.settings.SetIn(ini, "Log", "Enabled", "1");
  h.files.files[h.UserList()] = "abc\r\n\x83\x86\x81\x5B\x83\x55\r\n\x83\x5C\x95\x5C\r\n" + records[2];
  std::optional<std::string> tableTitle, lobbyTitle;
  if (lobby) {
    h.desktop.AddLobby(records[1]);
    lobbyTitle = records[1].substr(0, kFakeTitleLimit);
  }
  if (table) {
    h.desktop.Add("KatuGameMjMain", records[0]);
    tableTitle = records[0].substr(0, kFakeTitleLimit);
  }
  TForm2& f = h.Start();
  CHECK(f.LogAllUsers == allUsers && f.AutoScrollLog == autoScroll && f.LogToDailyFiles == dailyLog);
  const std::vector<std::string> watched = f.ListBox1.Items();
  Row header;
  for (int c = 0; c < 5; ++c) header[static_cast<size_t>(c)] = std::string(f.StringGrid1.Cell(c, 0));
  CHECK(f.StringGrid1.RowCount() == 2);

  std::string place;
  if (tableTitle) {
    const auto at = tableTitle->find(kTaku);
    place = tableTitle->substr(0, at == std::string::npos ? 2 : at + kTaku.size() + 1);
  } else if (lobbyTitle) {
    place = lobbyTitle->substr(0, 18);
  }

  std::vector<Row> logged;
  std::map<std::string, std::string> dailyFiles;  // path -> what it must hold
  std::optional<std::string> inside;              // the delivery due inside the title read
  bool insideDone = false;
  h.desktop.onReadTitle = [&](WindowHandle) {
    if (!inside) return;
    const std::string line = std::move(*inside);
    inside.reset();
    insideDone = true;
    const std::string user = f.StatusBar1.Panel(0).text, content = f.StatusBar1.Panel(1).text;
    const std::int32_t entries = IntakeEntries;
    const int rows = f.StringGrid1.RowCount();
    h.Deliver(line);
    CHECK(IntakeEntries == entries + (line.empty() ? 0 : 1) && IntakeEntries == IntakeExits + 1,
          "entries and exits around a delivery inside the title read");
    CHECK(f.StatusBar1.Panel(0).text == user && f.StatusBar1.Panel(1).text == content && f.StringGrid1.RowCount() == rows,
          "the delivery inside the title read was not dropped: " + Escaped(line));
  };

  std::int32_t deliveries = 0;
  for (size_t i = 3; i < records.size(); ++i) {
    const std::string& line = records[i];
    const int day = dayEach ? 1 + static_cast<int>(i % 28) : 11;
    h.clock.now = {2026, 12, day, 9, 5, static_cast<int>(i % 60), 0};
    if (nested && i + 1 < records.size()) inside = records[i + 1];
    insideDone = false;

    const std::string userBefore = f.StatusBar1.Panel(0).text, contentBefore = f.StatusBar1.Panel(1).text;
    const int rowsBefore = f.StringGrid1.RowCount();
    const int currentBefore = f.StringGrid1.Row();
    h.Deliver(line);
    if (insideDone) {
      const std::string& dropped = records[i + 1];
      if (!dropped.empty()) ++deliveries;
      ++i;  // the record went in, and was dropped, inside the title read
    }
    inside.reset();
    if (!line.empty()) ++deliveries;
    CHECK(IntakeEntries == deliveries && IntakeExits == deliveries, "entries and exits of " + Escaped(line));

    if (line.empty()) {
      CHECK(f.StatusBar1.Panel(0).text == userBefore && f.StatusBar1.Panel(1).text == contentBefore &&
                f.StringGrid1.RowCount() == rowsBefore && f.StringGrid1.Row() == currentBefore,
            "an empty delivery changed the form");
      continue;
    }
    const Split want = Expected(line);
    CHECK(f.StatusBar1.Panel(0).text == want.user,
          "user panel " + Escaped(f.StatusBar1.Panel(0).text) + " for " + Escaped(line));
    CHECK(f.StatusBar1.Panel(1).text == want.content,
          "content panel " + Escaped(f.StatusBar1.Panel(1).text) + " for " + Escaped(line));
    CHECK(want.user.size() + want.content.size() <= line.size());

    const bool logs = allUsers || std::any_of(watched.begin(), watched.end(),
                                              [&](const std::string& w) { return EqualFolded(w, want.user); });
    CHECK(f.StringGrid1.RowCount() == rowsBefore + (logs ? 1 : 0),
          std::string(logs ? "a logged" : "a filtered") + " line, user " + Escaped(want.user));
    CHECK(LoggedRows == static_cast<std::int32_t>(logged.size()) + (logs ? 1 : 0));
    if (!logs) {
      CHECK(f.StringGrid1.Row() == currentBefore);
      continue;
    }
    const Row row{place, "2026/12/" + TwoDigits(day), "09:05:" + TwoDigits(h.clock.now.second), want.user,
                  want.content};
    logged.push_back(row);
    const int r = LoggedRows;
    for (int c = 0; c < 5; ++c) {
      CHECK(f.StringGrid1.Cell(c, r) == row[static_cast<size_t>(c)],
            "column " + std::to_string(c) + ": " + Escaped(f.StringGrid1.Cell(c, r)) + " for " + Escaped(line));
    }
    CHECK(f.StringGrid1.RowCount() == r + 2);
    for (int c = 0; c < 5; ++c) CHECK(f.StringGrid1.Cell(c, r + 1).empty(), "the last row is not empty");
    if (autoScroll) CHECK(f.StringGrid1.Row() == r + 1 && f.SelectedRow == r + 1);
    else CHECK(f.StringGrid1.Row() == currentBefore);
    if (dailyLog) dailyFiles["C:\\Games\\log\\horone-2026-12-" + TwoDigits(day) + ".log"] += DailyRecord(row);
  }

  CHECK(f.StringGrid1.RowCount() == static_cast<int>(logged.size()) + 2);
  for (int c = 0; c < 5; ++c) CHECK(f.StringGrid1.Cell(c, 0) == header[static_cast<size_t>(c)], "the header row");
  for (size_t r = 0; r < logged.size(); ++r) {
    for (int c = 0; c < 5; ++c) {
      CHECK(f.StringGrid1.Cell(c, static_cast<int>(r + 1)) == logged[r][static_cast<size_t>(c)],
            "row " + std::to_string(r + 1) + " column " + std::to_string(c) + " changed later");
    }
  }
  std::map<std::string, std::string> written;
  for (const auto& [path, bytes] : h.files.files) {
    if (path.rfind("C:\\Games\\log\\", 0) == 0) written[path] = bytes;
  }
  CHECK(written == dailyFiles, "the daily log files");
}

}  // namespace
}  // namespace horone::testing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  horone::testing::Run(data, size);
  return 0;
}
