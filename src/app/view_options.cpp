// The view switches, the settings panel, the status bar's resize rule and the
// About box.
#include "app/form2.h"

namespace horone {

void TForm2::CheckBox1Click() {
  AutoScrollLog = CheckBox1.Checked();
  StatusBar1.SetPanelText(2, AutoScrollLog ? "自動スクロールオン" : "自動スクロールオフ");
}

void TForm2::CheckBox2Click() {
  LogAllUsers = CheckBox2.Checked();
  StatusBar1.SetPanelText(3, LogAllUsers ? "全ユーザ出力中" : "指定ユーザ出力中");
}

void TForm2::CheckBox3Click() {
  ShowPlaceColumn = CheckBox3.Checked();
  StringGrid1.SetColWidth(0, ShowPlaceColumn ? 120 : -1);
}

void TForm2::CheckBox4Click() {
  ShowDateColumn = CheckBox4.Checked();
  StringGrid1.SetColWidth(1, ShowDateColumn ? 60 : -1);
}

void TForm2::CheckBox5Click() {
  ShowTimeColumn = CheckBox5.Checked();
  StringGrid1.SetColWidth(2, ShowTimeColumn ? 60 : -1);
}

void TForm2::N4Click() {
  if (ShowSettingsPanel) {
    N4.SetCaption("設定表示");
    Panel3.SetVisible(false);
    ShowSettingsPanel = false;
  } else {
    N4.SetCaption("設定非表示");
    Panel3.SetVisible(true);
    ShowSettingsPanel = true;
  }
}

void TForm2::StatusBar1Resize() {
  int others = 0;
  for (int i = 0; i < StatusBar1.PanelCount(); ++i) {
    if (i != 1) others += StatusBar1.Panel(i).width;
  }
  const int rest = StatusBar1.Bounds().width - others;
  StatusBar1.SetPanelWidth(1, rest > 0 ? rest : 0);
}

void TForm2::About1Click() {
  if (aboutBox_) aboutBox_->ShowModal();
}

}  // namespace horone
