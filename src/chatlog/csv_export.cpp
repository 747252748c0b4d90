#include "chatlog/csv_export.h"

#include "app/form2.h"
#include "base/error.h"
#include "base/text.h"
#include "chatlog/daily_log.h"

namespace horone {

void AppendCsvField(std::string& out, std::string_view field) {
  // Comma, quote, tab, CR and LF are below 0x40 and so never the trail byte
  // of a double-byte character: looking at bytes is safe in code page 932.
  if (field.find_first_of(",\"\t\r\n") == std::string_view::npos) {
    out += field;
    return;
  }
  out += '"';
  for (const char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

void AppendCsvRecord(std::string& out, const std::array<std::string_view, StringGrid::kColumns>& fields) {
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += ',';
    AppendCsvField(out, fields[i]);
  }
  out += "\r\n";
}

std::string GridToCsvFile(const StringGrid& grid, Locale& locale) {
  std::string file = "\xEF\xBB\xBF";
  std::string record;
  // Row 0 is the header; the last row is the empty one below the newest line.
  const int rows = grid.RowCount() - 1;
  for (int row = 0; row < rows; ++row) {
    std::array<std::string_view, StringGrid::kColumns> fields;
    for (int c = 0; c < StringGrid::kColumns; ++c) fields[static_cast<size_t>(c)] = grid.Cell(c, row);
    record.clear();
    AppendCsvRecord(record, fields);
    file += locale.TextToUtf8(record);
  }
  return file;
}

void TForm2::SaveCsv1Click() {
  SaveFileQuestion question;
  question.title = "CSVで保存";
  question.fileName = "horone-" + IsoDate(platform_.clock.Now()) + ".csv";
  question.typeName = "CSV ファイル";
  question.extension = "csv";
  const std::optional<std::string> path = platform_.dialogs.AskSaveFile(question);
  if (!path) return;
  // Written through a temporary file, like the list files: an old file of
  // that name is replaced only by a complete new one.
  if (!platform_.files.WriteReplacing(*path, GridToCsvFile(StringGrid1, platform_.locale))) {
    throw UserError(Format1("ファイル %s を作成できません", platform_.locale.PathForDisplay(*path)));
  }
}

}  // namespace horone
