// A running ホロネ in a program folder of its own, optionally beside the
// stand-in game client, driven and read from outside.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win32_test_support.h"

namespace horonetest {

// Menu command ids of the main window.
enum : WORD {
  kExit1 = 101, kN3 = 102, kN4 = 103, kAbout1 = 104,
  kA1 = 201, kN1 = 202, kN2 = 203, kW1 = 301, kT1 = 302,
  kFind1 = 204, kSaveCsv1 = 205, kDailyLog1 = 206,
};

inline constexpr DWORD kWait = 15000;

// The screen's pixels per inch, and a length of the 96-DPI layout in pixels.
int ScreenDpi();
inline int S(int v) { return MulDiv(v, ScreenDpi(), 96); }

// A zip of the program as the packaging script makes it (Unix path).
struct Package {
  std::string zip;
};

class HoroneApp {
 public:
  HoroneApp();
  // The programs of `package`, unpacked into a folder whose path has spaces
  // and Japanese characters, in place of the built ones.
  explicit HoroneApp(const Package& package);
  ~HoroneApp();

  const std::wstring& Folder() const { return dir_.path(); }
  std::wstring File(std::wstring_view name) const { return dir_.file(name); }

  // The stand-in game client, with its own journal.
  void StartGame(const std::vector<std::string>& script = {});
  bool GameCommand(const std::string& utf8Command);
  std::vector<std::string> Journal() const;
  // Waits until the journal has a line equal to `line`.
  bool WaitJournal(const std::string& line, DWORD timeoutMs = kWait) const;
  wintest::Process& Game() { return game_; }

  // Starts horone.exe (working directory elsewhere) and waits for its window.
  void Start(const std::vector<std::pair<std::wstring, std::wstring>>& env = {}, bool waitShown = true);
  wintest::Process StartSecondCopy();
  // Starts horone.exe under libfaketime, its clock standing at `dateTime`
  // ("YYYY-MM-DD hh:mm:ss") until SetClock moves it. Only the clock of that
  // one process is fake; its timers and waits run as usual.
  void StartWithClock(const std::string& dateTime);
  void SetClock(const std::string& dateTime) const;
  wintest::Process& App() { return app_; }
  HWND Main() const { return main_; }

  HWND Grid() const;
  HWND Status() const;
  HWND ListBox1() const;
  HWND ComboBox1() const;
  HWND Edit1() const;  // the hidden chat edit: the only direct "TEdit" child
  HWND Edit2() const;
  HWND ButtonNamed(std::wstring_view text, int nth = 0) const;
  HWND Button1() const;  // "削除" of the input row
  HWND Button5() const;  // "削除" of the watch list

  // A chat line delivered as the hook library does.
  void Deliver(const std::wstring& line) const;
  std::vector<std::wstring> Row(int item) const { return wintest::listViewRow(Grid(), item); }
  int Rows() const { return wintest::listViewItemCount(Grid()); }
  std::wstring Panel(int i) const { return wintest::statusBarText(Status(), i); }
  void Command(WORD id) const { wintest::postCommand(main_, id); }
  // Waits for a message box of ホロネ and returns its text, pressing OK.
  std::wstring TakeMessage(DWORD timeoutMs = kWait) const;
  // Asks the window to close and returns the exit code.
  DWORD CloseAndWait();
  DWORD WaitExit(DWORD timeoutMs = kWait);
  std::string ReadFile(std::wstring_view name) const;
  void WriteFile(std::wstring_view name, std::string_view bytes) const;
  bool Exists(std::wstring_view name) const { return wintest::pathExists(File(name)); }
  // Runs a shell command on the Linux side (chattr and the like).
  int Shell(const std::string& script, const std::vector<std::string>& args = {}) const;
  std::string UnixFile(std::wstring_view name) const;

 private:
  wintest::TempDir dir_;
  wintest::TempDir elsewhere_;
  wintest::Process game_;
  wintest::Process app_;
  HWND main_ = nullptr;
  std::wstring journal_;
};

// Makes a file or folder of the program's folder unchangeable (chattr +i)
// for as long as it lives: nothing can be written, created, renamed or
// removed in it.
class Immutable {
 public:
  Immutable(const HoroneApp& app, std::wstring_view name) : app_(app), path_(app.UnixFile(name)) {
    ok_ = app_.Shell("chattr +i \"$1\"", {path_}) == 0;
  }
  ~Immutable() { Release(); }
  Immutable(const Immutable&) = delete;
  Immutable& operator=(const Immutable&) = delete;
  bool ok() const { return ok_; }
  void Release() {
    if (ok_) app_.Shell("chattr -i \"$1\"", {path_});
    ok_ = false;
  }

 private:
  const HoroneApp& app_;
  std::string path_;
  bool ok_ = false;
};

// A sanity pause for effects that have no visible end (a key press that
// must *not* do something).
void Settle(DWORD ms = 300);

}  // namespace horonetest
