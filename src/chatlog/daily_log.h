// The chat log kept on disk, one file a day: every row the grid gets is
// appended at once to the file of its day, so a crash or a close loses
// nothing that was logged. Off unless the user turns it on (settings
// section "Log").
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "ports/ports.h"

namespace horone {

// The cells of one logged row: place, date, time, user, content.
using LogRowCells = std::array<std::string_view, 5>;

// "YYYY-MM-DD" of the clock reading.
std::string IsoDate(const LocalTime& time);

// The name of the day's file, "horone-YYYY-MM-DD.log", from the row's clock
// reading (the date cell is in the user's short date format, which can be
// anything, and is not used).
std::string DailyLogFileName(const LocalTime& time);

// Appends one row as the file holds it: the five cells joined by tabs and
// ended by CR LF, in code page 932 like the grid. A tab, CR or LF inside a
// cell (a user name keeps all but its first tab; a content can keep a line
// break) becomes a space, so that every row is one line of five fields.
void AppendDailyLogRecord(std::string& out, const LogRowCells& cells);

// The folder of the daily files: `folder` (UTF-8) as it stands when it is
// absolute ("D:\logs", "\\server\logs", "/logs"), else inside the program's
// folder (`programFolder` ends with its separator); an empty `folder` is
// the default "log".
std::string DailyLogFolder(std::string_view programFolder, std::string_view folder);

// Writes rows into the files of their days. It keeps the path of the last
// day, so a row costs the platform's append and nothing more; the platform
// keeps the day's file open.
class DailyLogWriter {
 public:
  // UTF-8, as DailyLogFolder gives it.
  void SetFolder(std::string folder);
  const std::string& Folder() const { return folder_; }
  // The path of the file the last row went to (or was meant for).
  const std::string& Path() const { return path_; }
  // False when the file cannot be written.
  bool Append(ProgramFiles& files, const LocalTime& time, const LogRowCells& cells);

 private:
  std::string folder_;
  std::string path_;
  std::string record_;
  int year_ = -1, month_ = -1, day_ = -1;
};

}  // namespace horone
