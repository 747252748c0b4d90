// Find in the log: Ctrl+F in the grid or the context menu's "検索..." opens
// the find box; Enter or F3 moves the grid's current row to the next row
// whose user or content holds the text (letter case ignored), Shift+F3 to the
// previous one, wrapping. Moving the row is a row selection like the user's,
// so the grid's commands then act on the row found.
#include "chatlog/log_search.h"

#include "app/form2.h"

namespace horone {

int FindLogRow(int lastRow, int current, bool forward, const std::function<bool(int row)>& matches) {
  if (lastRow < 1) return 0;
  int from = current;
  if (forward && (from < 0 || from > lastRow)) from = 0;
  if (!forward && (from < 1 || from > lastRow)) from = lastRow + 1;
  for (int step = 1; step <= lastRow; ++step) {
    const int row = forward ? (from + step - 1) % lastRow + 1 : ((from - step - 1) % lastRow + lastRow) % lastRow + 1;
    if (matches(row)) return row;
  }
  return 0;
}

void TForm2::Find1Click() { FindBox.Show(); }

void TForm2::FindInLog(bool forward) {
  const std::string pattern = FindBox.FindText.Text();
  if (pattern.empty()) {
    FindBox.ResultLabel.SetCaption("");
    return;
  }
  Locale& locale = platform_.locale;
  const int row = FindLogRow(StringGrid1.RowCount() - 2, StringGrid1.Row(), forward, [&](int r) {
    return locale.ContainsText(StringGrid1.Cell(3, r), pattern) || locale.ContainsText(StringGrid1.Cell(4, r), pattern);
  });
  FindBox.ResultLabel.SetCaption(row == 0 ? "見つかりません" : "");
  if (row != 0) StringGrid1.SetRow(row);
}

void TForm2::StringGrid1KeyDown(std::uint16_t& key, ShiftState shift) {
  if (shift.alt) return;
  if (shift.ctrl && !shift.shift && key == kKeyF) {
    Find1Click();
    key = 0;
  } else if (!shift.ctrl && key == kKeyF3) {
    if (FindBox.FindText.Text().empty()) {
      Find1Click();
    } else {
      FindInLog(!shift.shift);
    }
    key = 0;
  }
}

}  // namespace horone
