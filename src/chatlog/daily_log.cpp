#include "chatlog/daily_log.h"

#include "app/form2.h"
#include "base/text.h"

namespace horone {

namespace {

// The decimal digits of `value` (0 when negative), zeros in front up to `digits`.
void AppendDigits(std::string& out, int value, int digits) {
  char buf[12];
  int n = 0;
  unsigned v = value < 0 ? 0u : static_cast<unsigned>(value);
  do {
    buf[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0 && n < static_cast<int>(sizeof buf));
  for (int i = n; i < digits; ++i) out += '0';
  while (n > 0) out += buf[--n];
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsAbsolute(std::string_view path) {
  if (!path.empty() && IsSeparator(path[0])) return true;  // "\logs", "\\server\share", "/logs"
  const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  return path.size() >= 2 && letter(path[0]) && path[1] == ':';
}

}  // namespace

std::string IsoDate(const LocalTime& time) {
  std::string s;
  s.reserve(10);
  AppendDigits(s, time.year, 4);
  s += '-';
  AppendDigits(s, time.month, 2);
  s += '-';
  AppendDigits(s, time.day, 2);
  return s;
}

std::string DailyLogFileName(const LocalTime& time) { return "horone-" + IsoDate(time) + ".log"; }

void AppendDailyLogRecord(std::string& out, const LogRowCells& cells) {
  bool first = true;
  for (std::string_view cell : cells) {
    if (!first) out += '\t';
    first = false;
    // Tab, CR and LF are below 0x40, so none of them is ever the trail byte
    // of a double-byte character: a byte-wise replacement is safe.
    const size_t at = out.size();
    out += cell;
    for (auto p = out.begin() + static_cast<std::ptrdiff_t>(at); p != out.end(); ++p) {
      if (*p == '\t' || *p == '\r' || *p == '\n') *p = ' ';
    }
  }
  out += "\r\n";
}

std::string DailyLogFolder(std::string_view programFolder, std::string_view folder) {
  if (folder.empty()) folder = "log";
  if (IsAbsolute(folder)) return std::string(folder);
  return std::string(programFolder) + std::string(folder);
}

void DailyLogWriter::SetFolder(std::string folder) {
  folder_ = std::move(folder);
  year_ = -1;  // the next row builds its path afresh
}

bool DailyLogWriter::Append(ProgramFiles& files, const LocalTime& time, const LogRowCells& cells) {
  if (time.year != year_ || time.month != month_ || time.day != day_) {
    year_ = time.year;
    month_ = time.month;
    day_ = time.day;
    path_ = folder_;
    if (!path_.empty() && !IsSeparator(path_.back())) path_ += '\\';
    path_ += DailyLogFileName(time);
  }
  record_.clear();
  AppendDailyLogRecord(record_, cells);
  return files.Append(path_, record_);
}

// Fed by the intake with each row it logs.
void TForm2::LogRowToFile(const LocalTime& time, int row) {
  LogRowCells cells;
  for (int c = 0; c < StringGrid::kColumns; ++c) cells[static_cast<size_t>(c)] = StringGrid1.Cell(c, row);
  if (dailyLog_.Append(platform_.files, time, cells)) {
    logFailureShown_ = false;
    return;
  }
  // Said once, where the line's content stands, and not again until a row
  // has been written: a message box per line would stop the intake.
  if (logFailureShown_) return;
  logFailureShown_ = true;
  StatusBar1.SetPanelText(1, Format1("ログファイル %s に書き込めません", platform_.locale.PathForDisplay(dailyLog_.Path())));
}

void TForm2::DailyLog1Click() {
  DailyLog1.SetChecked(!DailyLog1.Checked());
  LogToDailyFiles = DailyLog1.Checked();
  logSwitchChanged_ = true;
  logFailureShown_ = false;
}

}  // namespace horone
