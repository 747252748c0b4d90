// The main window: its components, its members and its lifecycle.
// Handlers are defined in the folders of the subsystems they belong to.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ports/ports.h"
#include "widgets/widgets.h"
#include "chatlog/daily_log.h"
#include "chatlog/find_box.h"

namespace horone {

using StringList = std::vector<std::string>;

// Menu command ids, shared with the view (and with tests that drive the
// window from outside).
enum CommandId : int {
  kCmdExit1 = 101,
  kCmdN3 = 102,
  kCmdN4 = 103,
  kCmdAbout1 = 104,
  kCmdA1 = 201,
  kCmdN1 = 202,
  kCmdN2 = 203,
  kCmdFind1 = 204,
  kCmdSaveCsv1 = 205,
  kCmdDailyLog1 = 206,
  kCmdW1 = 301,
  kCmdT1 = 302,
};

class TAboutBox;

class TForm2 : public Form {
 public:
  // Builds the window from its layout, then reads the settings file.
  explicit TForm2(Platform& platform);
  ~TForm2() override;

  // Lifecycle.
  void FormCreate();
  void FormClose();
  void FormShow() {}
  void Exit1Click();

  // View options.
  void CheckBox1Click();
  void CheckBox2Click();
  void CheckBox3Click();
  void CheckBox4Click();
  void CheckBox5Click();
  void N4Click();
  void StatusBar1Resize();
  void About1Click();

  // Chat log.
  void Edit1Change();
  void StringGrid1SelectCell(int col, int row, bool& canSelect);
  void a1Click();
  void N1Click();
  void N2Click();

  // Chat log on disk, find and export.
  void LogRowToFile(const LocalTime& time, int row);
  void DailyLog1Click();
  void Find1Click();
  void FindInLog(bool forward);
  void StringGrid1KeyDown(std::uint16_t& key, ShiftState shift);
  void SaveCsv1Click();

  // Watch list.
  void LoadWatchList();
  void AddWatchedUser(const std::string& name);
  void Button4Click();
  void Edit2Change() {}
  void Edit2KeyUp(std::uint16_t& key, ShiftState shift);
  void ListBox1Click();
  void Button5Click();
  void SaveWatchList();

  // Message history.
  void LoadMessageHistory();
  void RecordSentText();
  void Button1Click();
  void ComboBox1Change();
  void SaveMessageHistory();

  // Game client automation.
  void SendChatText();
  void ComboBox1KeyDown(std::uint16_t& key, ShiftState shift);
  void Button9Click();
  void w1Click();
  void t1Click();
  void N3Click();
  void Timer1Timer();
  void Timer2Timer();

  // Settings file.
  std::string SettingsPath();
  void LoadSettings();
  void SaveSettings();
  void LoadLogSettings();
  void SaveLogSettings();

  void SetAboutBox(TAboutBox* box) { aboutBox_ = box; }
  Platform& Services() { return platform_; }

  // Components, in the layout's order.
  Panel Panel1;
  Panel Panel2;
  Label Label1;
  ComboBox ComboBox1;
  Panel Panel5;
  Button Button9;
  Button Button1;
  Panel Panel4;
  StringGrid StringGrid1;
  Panel Panel3;
  CheckBox CheckBox1;
  CheckBox CheckBox2;
  GroupBox GroupBox1;
  Button Button4;
  Edit Edit2;
  ListBox ListBox1;
  Button Button5;
  GroupBox GroupBox2;
  CheckBox CheckBox3;
  CheckBox CheckBox4;
  CheckBox CheckBox5;
  Edit Edit1;
  StatusBar StatusBar1;

  MenuItem Exit1{"Exit1", "終了"};
  MenuItem N3{"N3", "自動観戦"};
  MenuItem N4{"N4", "設定非表示"};
  MenuItem About1{"About1", "バージョン情報"};
  MenuItem a1{"a1", "ユーザ名をリストに追加"};
  MenuItem N1{"N1", "ユーザ名をクリップボードにコピー"};
  MenuItem N2{"N2", "内容をクリップボードにコピー"};
  MenuItem w1{"w1", "/w ユーザ名"};
  MenuItem t1{"t1", "/t ユーザ名 メッセージ"};
  Menu MainMenu1{"MainMenu1", {&Exit1, &N3, &N4, &About1}};
  // Appended to the grid's menu, behind separators: find, export, daily files.
  MenuItem N5{"N5", "-"};
  MenuItem Find1{"Find1", "検索..."};
  MenuItem SaveCsv1{"SaveCsv1", "CSVで保存..."};
  MenuItem N6{"N6", "-"};
  MenuItem DailyLog1{"DailyLog1", "日別ログをファイルに保存"};
  Menu PopupMenu1{"PopupMenu1", {&a1, &N1, &N2, &N5, &Find1, &SaveCsv1, &N6, &DailyLog1}};
  Menu PopupMenu2{"PopupMenu2", {&w1, &t1}};

  Timer Timer1{"Timer1", 600000};
  Timer Timer2{"Timer2", 1000};

  // Members, in declaration order.
  std::unique_ptr<StringList> UserListBuffer;
  std::unique_ptr<StringList> MessageHistory;
  bool AutoScrollLog = false;
  bool LogAllUsers = false;
  bool ShowPlaceColumn = false;
  bool ShowDateColumn = false;
  bool ShowTimeColumn = false;
  bool ShowSettingsPanel = false;
  std::int32_t SelectedRow = 0;
  std::string FormWidthText;
  std::string FormHeightText;
  // Section "Log": every logged row also goes to the day's file in the folder
  // (as stored: code page 932, relative to the program's folder).
  bool LogToDailyFiles = false;
  std::string LogFolderText;

  // The find box, rendered beside the main window.
  TFindBox FindBox;

  // Whether the stored list file may be replaced at the Exit command: not
  // when this run never loaded it, or when it existed but could not be read.
  bool WatchListFileWritable() const { return watchListLoaded_; }
  bool HistoryFileWritable() const { return historyLoaded_; }
  bool SpectateRunning() const { return spectateRunning_; }

 private:
  void CopyCellToClipboard(int col, const char* headerText);
  std::string ProgramFile(const char* name);
  StringList ReadListFile(const std::string& path, bool& readable);
  void WriteListFile(const std::string& path, const StringList& entries);

  Platform& platform_;
  TAboutBox* aboutBox_ = nullptr;
  bool watchListLoaded_ = false;
  bool historyLoaded_ = false;
  bool spectateRunning_ = false;
  DailyLogWriter dailyLog_;
  bool logSettingsStored_ = false;  // the settings file had the section "Log"
  bool logSwitchChanged_ = false;   // the user switched the daily files this run
  bool logFailureShown_ = false;    // a failed write was reported; cleared by a written row
  bool defaultWidth_ = false;
  bool defaultHeight_ = false;
};

// The About box: layout only.
class TAboutBox : public Form {
 public:
  TAboutBox();
  Panel Panel1;
  Image ProgramIcon;
  Label ProductName;
  Label Version;
  Label Copyright;
  Label Comments;
  Edit Edit1;
  Button OKButton;
};

}  // namespace horone
