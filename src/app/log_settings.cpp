// The settings of the daily log files: section "Log" of the settings file,
// keys "Enabled" (a flag, off by default) and "Folder" (default "log", in
// the program's folder). Read at construction with the others; written at
// close only when the file had them already or the user switched logging
// during the run, so a settings file from before the daily logs stays as it
// was and turns nothing on.
#include "app/form2.h"
#include "base/error.h"
#include "base/integer.h"
#include "base/path.h"
#include "base/text.h"

namespace horone {

namespace {
constexpr const char* kLogSection = "Log";
}  // namespace

void TForm2::LoadLogSettings() {
  const std::string path = SettingsPath();
  auto& store = platform_.settings;
  const std::optional<std::string> enabled = store.Read(path, kLogSection, "Enabled");
  const std::optional<std::string> folder = store.Read(path, kLogSection, "Folder");
  logSettingsStored_ = enabled.has_value() || folder.has_value();
  LogToDailyFiles = enabled ? ParseFlag(*enabled, false) : false;
  LogFolderText = folder.value_or("log");
  DailyLog1.SetChecked(LogToDailyFiles);
  dailyLog_.SetFolder(
      DailyLogFolder(FolderOf(platform_.files.ExecutablePath()), platform_.locale.TextToUtf8(LogFolderText)));
}

void TForm2::SaveLogSettings() {
  if (!logSettingsStored_ && !logSwitchChanged_) return;
  const std::string path = SettingsPath();
  auto write = [&](const char* key, const std::string& value) {
    if (!platform_.settings.Write(path, kLogSection, key, value)) {
      throw UserError(Format1("%s に書き込めません", platform_.locale.PathForDisplay(path)));
    }
  };
  write("Enabled", LogToDailyFiles ? "1" : "0");
  write("Folder", LogFolderText);
}

}  // namespace horone
