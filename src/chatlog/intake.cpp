// The chat-line intake: every change of Edit1 is one line from the hook
// library, "\r\n" user "\t>" content.
#include "chatlog/intake.h"

#include <cstdio>

#include "app/form2.h"
#include "base/text.h"
#include "game/game_windows.h"

namespace horone {

std::int32_t IntakeEntries = 0;
std::int32_t IntakeExits = 0;
std::int32_t LoggedRows = 0;

namespace {

// The time cell: hour, minute and second as two digits each, joined by the
// locale's separator. (Built by hand: formatting through printf was the
// largest cost of a logged line.)
std::string TimeText(const LocalTime& t, const std::string& separator) {
  std::string text;
  text.reserve(6 + 2 * separator.size());
  for (const int v : {t.hour, t.minute, t.second}) {
    if (!text.empty()) text += separator;
    if (v >= 0 && v <= 99) {
      text += static_cast<char>('0' + v / 10);
      text += static_cast<char>('0' + v % 10);
    } else {
      char buf[16];
      std::snprintf(buf, sizeof buf, "%02d", v);
      text += buf;
    }
  }
  return text;
}

// Ends the intake of a non-empty change however its processing ends.
struct ExitCount {
  ~ExitCount() { ++IntakeExits; }
};

}  // namespace

void TForm2::Edit1Change() {
  const LocalTime now = platform_.clock.Now();
  if (Edit1.Text().empty()) return;

  ++IntakeEntries;
  ExitCount exitCount;
  // A delivery that arrives while another line is being processed (inside
  // the title read below) is dropped.
  if (IntakeEntries != IntakeExits + 1) return;

  std::string line = Edit1.Text();
  const int crlf = Pos("\r\n", line);
  if (crlf > 0) Delete(line, crlf, 2);
  const int q = Pos(">", line);
  std::string user = Copy(line, 1, q - 1);
  const int tab = Pos("\t", user);
  if (tab > 0) Delete(user, tab, 1);
  std::string content = q > 0 ? line.substr(static_cast<size_t>(q)) : line;

  StatusBar1.SetPanelText(0, user);
  StatusBar1.SetPanelText(1, content);

  if (!LogAllUsers && !ListBox1.ContainsEqual(user)) return;

  ++LoggedRows;
  const int r = LoggedRows;
  StringGrid1.SetRowCount(StringGrid1.RowCount() + 1);

  auto& desktop = platform_.desktop;
  std::string place;
  if (const WindowHandle table = FindTableWindow(desktop)) {
    const std::string title = desktop.ReadTitle(table);
    place = Copy(title, 1, Pos("卓", title) + 2);
  } else {
    place = Copy(desktop.ReadTitle(FindLobby(desktop)), 1, 18);
  }
  StringGrid1.SetCell(0, r, place);
  StringGrid1.SetCell(1, r, platform_.locale.ShortDate(now));
  StringGrid1.SetCell(2, r, TimeText(now, platform_.locale.TimeSeparator()));
  StringGrid1.SetCell(3, r, user);
  StringGrid1.SetCell(4, r, content);
  if (LogToDailyFiles) LogRowToFile(now, r);

  if (AutoScrollLog) StringGrid1.SetRow(r + 1);
}

}  // namespace horone
