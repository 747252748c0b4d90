// Commands on a logged row: they act on the row made current last.
#include "app/form2.h"

namespace horone {

void TForm2::StringGrid1SelectCell(int /*col*/, int row, bool& /*canSelect*/) { SelectedRow = row; }

void TForm2::a1Click() {
  const std::string user(StringGrid1.Cell(3, SelectedRow));
  if (user.empty() || user == "ユーザ名") return;
  AddWatchedUser(user);
}

void TForm2::CopyCellToClipboard(int col, const char* headerText) {
  const std::string text(StringGrid1.Cell(col, SelectedRow));
  if (text.empty() || text == headerText) return;
  platform_.clipboard.SetText(text);
}

void TForm2::N1Click() { CopyCellToClipboard(3, "ユーザ名"); }

void TForm2::N2Click() { CopyCellToClipboard(4, "内容"); }

}  // namespace horone
