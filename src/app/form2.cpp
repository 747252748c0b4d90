#include "app/form2.h"

#include "base/error.h"
#include "base/integer.h"

namespace horone {

namespace {
constexpr int kDesignWidth = 937;
constexpr int kDesignHeight = 409;
}  // namespace

TForm2::TForm2(Platform& platform)
    : Form("Form2", "ホロネ v1.01", kDesignWidth, kDesignHeight),
      Panel1("Panel1", this, {0, 0, 744, 336}, 0),
      Panel2("Panel2", &Panel1, {1, 291, 742, 44}, 0),
      Label1("Label1", &Panel2, {8, 16, 24, 12}, "入力"),
      ComboBox1("ComboBox1", &Panel2, {40, 11, 555, 20}, 0),
      Panel5("Panel5", &Panel2, {606, 1, 135, 42}, 1, /*outerBevel=*/false),
      Button9("Button9", &Panel5, {5, 9, 57, 25}, 0, "送信"),
      Button1("Button1", &Panel5, {70, 9, 57, 25}, 1, "削除"),
      Panel4("Panel4", &Panel1, {1, 1, 742, 290}, 1),
      StringGrid1("StringGrid1", &Panel4, {1, 1, 740, 288}, 0),
      Panel3("Panel3", this, {744, 0, 185, 336}, 1),
      CheckBox1("CheckBox1", &Panel3, {24, 8, 129, 17}, 0, "自動スクロールする"),
      CheckBox2("CheckBox2", &Panel3, {24, 24, 129, 17}, 1, "全ユーザ出力する"),
      GroupBox1("GroupBox1", &Panel3, {16, 48, 145, 185}, 2, "ユーザ抽出指定リスト"),
      Button4("Button4", &GroupBox1, {6, 152, 51, 25}, 0, "追加"),
      Edit2("Edit2", &GroupBox1, {8, 128, 129, 20}, 1),
      ListBox1("ListBox1", &GroupBox1, {8, 24, 129, 97}, 2),
      Button5("Button5", &GroupBox1, {72, 152, 49, 25}, 3, "削除"),
      GroupBox2("GroupBox2", &Panel3, {16, 240, 145, 89}, 3, "表示項目"),
      CheckBox3("CheckBox3", &GroupBox2, {8, 16, 97, 17}, 0, "場所表示"),
      CheckBox4("CheckBox4", &GroupBox2, {8, 40, 97, 17}, 1, "年月日表示"),
      CheckBox5("CheckBox5", &GroupBox2, {8, 64, 97, 17}, 2, "時間表示"),
      Edit1("Edit1", this, {-7, 85, 8, 20}, 2),
      StatusBar1("StatusBar1", this, {0, 336, 929, 19}, {100, 390, 120, 120, 150}),
      platform_(platform) {
  // Docking and anchors.
  Panel1.SetAlign(Align::Client);
  Panel2.SetAlign(Align::Bottom);
  Panel5.SetAlign(Align::Right);
  Panel4.SetAlign(Align::Client);
  StringGrid1.SetAlign(Align::Client);
  Panel3.SetAlign(Align::Right);
  StatusBar1.SetAlign(Align::Bottom);
  ComboBox1.AnchorLeftRight(742);

  // Settings of the layout.
  ComboBox1.SetMaxLength(64);
  Button9.SetEnabled(false);
  Button1.SetEnabled(false);
  Button5.SetEnabled(false);
  ListBox1.SetSorted([this](std::string_view a, std::string_view b) { return platform_.locale.CompareText(a, b); });
  Edit1.SetBorder(false);
  Edit1.SetReadOnly(true);
  Edit1.SetTabStop(false);
  Edit1.SetTextSilently("Edit1");

  // Events.
  onCreate = [this] { FormCreate(); };
  onClose = [this] { FormClose(); };
  onShow = [this] { FormShow(); };
  ComboBox1.onChange = [this] { ComboBox1Change(); };
  ComboBox1.onKeyDown = [this](std::uint16_t& key, ShiftState s) { ComboBox1KeyDown(key, s); };
  Button9.onClick = [this] { Button9Click(); };
  Button1.onClick = [this] { Button1Click(); };
  StringGrid1.onSelectCell = [this](int c, int r, bool& ok) { StringGrid1SelectCell(c, r, ok); };
  CheckBox1.onClick = [this] { CheckBox1Click(); };
  CheckBox2.onClick = [this] { CheckBox2Click(); };
  CheckBox3.onClick = [this] { CheckBox3Click(); };
  CheckBox4.onClick = [this] { CheckBox4Click(); };
  CheckBox5.onClick = [this] { CheckBox5Click(); };
  Button4.onClick = [this] { Button4Click(); };
  Edit2.onChange = [this] { Edit2Change(); };
  Edit2.onKeyUp = [this](std::uint16_t& key, ShiftState s) { Edit2KeyUp(key, s); };
  ListBox1.onClick = [this] { ListBox1Click(); };
  Button5.onClick = [this] { Button5Click(); };
  Edit1.onChange = [this] { Edit1Change(); };
  StatusBar1.onResize = [this] { StatusBar1Resize(); };
  Exit1.onClick = [this] { Exit1Click(); };
  N3.onClick = [this] { N3Click(); };
  N4.onClick = [this] { N4Click(); };
  About1.onClick = [this] { About1Click(); };
  a1.onClick = [this] { a1Click(); };
  N1.onClick = [this] { N1Click(); };
  N2.onClick = [this] { N2Click(); };
  Find1.onClick = [this] { Find1Click(); };
  SaveCsv1.onClick = [this] { SaveCsv1Click(); };
  DailyLog1.onClick = [this] { DailyLog1Click(); };
  StringGrid1.onKeyDown = [this](std::uint16_t& key, ShiftState s) { StringGrid1KeyDown(key, s); };
  FindBox.onFind = [this](bool forward) { FindInLog(forward); };
  w1.onClick = [this] { w1Click(); };
  t1.onClick = [this] { t1Click(); };
  Timer1.onTimer = [this] { Timer1Timer(); };
  Timer2.onTimer = [this] { Timer2Timer(); };

  LayoutChildren();

  // The timers run from here on (the view starts them when it renders the
  // form); then the settings file.
  LoadSettings();
}

TForm2::~TForm2() = default;

void TForm2::FormCreate() {
  if (platform_.hook.Install(0) == 0) {
    platform_.dialogs.ShowMessage("フックのインストールに失敗");
    return;
  }

  // A size that is not a whole number is reported and the layout's size is
  // kept; the rest of the set-up goes on, so that the lists are loaded and a
  // later Exit command cannot replace them with empty ones.
  try {
    const int width = StrToInt(FormWidthText);
    SetWidth(defaultWidth_ ? (width * Dpi() + 48) / 96 : width);  // rounded, as the view scales
    const int height = StrToInt(FormHeightText);
    SetHeight(defaultHeight_ ? (height * Dpi() + 48) / 96 : height);
  } catch (const UserError& e) {
    platform_.dialogs.ShowMessage(e.what());
  }

  N4.SetCaption(ShowSettingsPanel ? "設定非表示" : "設定表示");
  Panel3.SetVisible(ShowSettingsPanel);

  CheckBox1.SetChecked(AutoScrollLog);
  StatusBar1.SetPanelText(2, AutoScrollLog ? "自動スクロールオン" : "自動スクロールオフ");
  CheckBox2.SetChecked(LogAllUsers);
  StatusBar1.SetPanelText(3, LogAllUsers ? "全ユーザ出力中" : "指定ユーザ出力中");

  StringGrid1.SetRowCount(2);

  CheckBox3.SetChecked(ShowPlaceColumn);
  StringGrid1.SetColWidth(0, ShowPlaceColumn ? 120 : -1);
  CheckBox4.SetChecked(ShowDateColumn);
  StringGrid1.SetColWidth(1, ShowDateColumn ? 60 : -1);
  CheckBox5.SetChecked(ShowTimeColumn);
  StringGrid1.SetColWidth(2, ShowTimeColumn ? 60 : -1);
  StringGrid1.SetColWidth(3, 100);
  StringGrid1.SetColWidth(4, 390);

  static constexpr const char* kHeaders[] = {"場所", "年月日", "時間", "ユーザ名", "内容"};
  for (int c = 0; c < StringGrid::kColumns; ++c) StringGrid1.SetCell(c, 0, kHeaders[c]);

  LoadWatchList();
  LoadMessageHistory();
}

void TForm2::Exit1Click() {
  SaveWatchList();
  SaveMessageHistory();
  Close();
}

void TForm2::FormClose() {
  platform_.hook.Uninstall();
  SaveSettings();
}

TAboutBox::TAboutBox()
    : Form("AboutBox", "バージョン情報", 248, 213),
      Panel1("Panel1", this, {8, 8, 233, 161}, 0),
      ProgramIcon("ProgramIcon", &Panel1, {8, 8, 65, 57}),
      ProductName("ProductName", &Panel1, {88, 16, 0, 0}, "ホロネ"),
      Version("Version", &Panel1, {88, 40, 0, 0}, "Version 1.01"),
      Copyright("Copyright", &Panel1, {8, 80, 0, 0}, "Copyright (C) 2026 ホロネ開発チーム"),
      Comments("Comments", &Panel1, {8, 104, 217, 0}, "オンライン麻雀のためのチャットツール"),
      Edit1("Edit1", &Panel1, {8, 128, 217, 17}, 0),
      OKButton("OKButton", this, {87, 180, 75, 25}, 1, "OK") {
  SetFrame(0, 0);  // the box's size is its client area; the view adds the frame
  Edit1.SetReadOnly(true);
  Edit1.SetBorder(false);
  Edit1.SetTabStop(false);
  Edit1.SetTextSilently("https://horone.example/");
  OKButton.SetDefault(true);
  OKButton.onClick = [this] { Close(); };
}

}  // namespace horone
