// Reading and writing the two line files in the program's folder.
#include "app/form2.h"
#include "base/error.h"
#include "base/line_file.h"
#include "base/path.h"
#include "base/text.h"

namespace horone {

std::string TForm2::ProgramFile(const char* name) { return FolderOf(platform_.files.ExecutablePath()) + name; }

StringList TForm2::ReadListFile(const std::string& path, bool& readable) {
  const FileContents file = platform_.files.Read(path);
  readable = file.status != ReadStatus::Unreadable;
  if (file.status == ReadStatus::Unreadable) {
    platform_.dialogs.ShowMessage(Format1("ファイル %s は開けません", platform_.locale.PathForDisplay(path)));
  }
  return file.status == ReadStatus::Ok ? SplitLines(file.bytes) : StringList{};
}

void TForm2::WriteListFile(const std::string& path, const StringList& entries) {
  if (!platform_.files.WriteReplacing(path, JoinLines(entries))) {
    throw UserError(Format1("ファイル %s を作成できません", platform_.locale.PathForDisplay(path)));
  }
}

}  // namespace horone
