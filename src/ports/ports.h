// What the platform provides to the core, one interface per service. The
// Win32 layer implements them on user32/kernel32; the tests use fakes.
// Texts are code page 932 bytes; file paths are UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace horone {

// A window of another program (the game client). 0 means no window.
using WindowHandle = std::uintptr_t;

// The game client's windows as ホロネ drives them. Every call that waits for
// the other program (the sends and the title read) keeps handling the
// messages that other programs send to ホロネ's own windows, so a chat-line
// delivery can arrive inside it.
class GameDesktop {
 public:
  virtual ~GameDesktop() = default;
  // Top-level window of another program (never one of ホロネ's own) by class
  // and, when given, exact title.
  virtual WindowHandle FindTopLevel(std::string_view className, std::optional<std::string_view> title) = 0;
  // Every such window of that class, first to last in the search's order.
  virtual std::vector<WindowHandle> FindTopLevels(std::string_view className) = 0;
  // First direct child of `parent` by class and optional title; a null parent
  // searches the top-level windows.
  virtual WindowHandle FindChild(WindowHandle parent, std::string_view className,
                                 std::optional<std::string_view> title) = 0;
  // The title, at most 63 bytes.
  virtual std::string ReadTitle(WindowHandle window) = 0;
  // WM_SETTEXT, waited for.
  virtual void PutText(WindowHandle window, const std::string& text) = 0;
  // WM_KEYDOWN / WM_KEYUP with lParam 0, posted.
  virtual void PostKey(WindowHandle window, bool down, std::uint16_t virtualKey) = 0;
  // WM_LBUTTONDOWN / WM_LBUTTONUP with 0 and 0, waited for.
  virtual void SendMouseButton(WindowHandle window, bool down) = 0;
  // LB_GETCOUNT, LB_SETCURSEL (returns the selection's result), and the
  // whole text of an item (never cut to a buffer).
  virtual int ListCount(WindowHandle list) = 0;
  virtual int ListSelect(WindowHandle list, int index) = 0;
  virtual std::string ListItemText(WindowHandle list, int index) = 0;
};

struct LocalTime {
  int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0, millisecond = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() = 0;
};

class Locale {
 public:
  virtual ~Locale() = default;
  // The date in the user's short date format.
  virtual std::string ShortDate(const LocalTime& time) = 0;
  virtual std::string TimeSeparator() = 0;
  // The comparison rule for list texts: the user's collation, case ignored.
  // Negative, zero or positive.
  virtual int CompareText(std::string_view a, std::string_view b) = 0;
  // A UTF-8 path as code page 932 text, for messages.
  virtual std::string PathForDisplay(const std::string& utf8Path) = 0;
  // Code page 932 text as UTF-8 (a path read from the settings file, an
  // exported file).
  virtual std::string TextToUtf8(std::string_view text) = 0;
  // Whether `pattern` occurs in `text`, letter case ignored as the user's
  // locale folds it (whole characters only: never a double-byte
  // character's trail byte).
  virtual bool ContainsText(std::string_view text, std::string_view pattern) = 0;
};

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Empties the clipboard and puts the text on it. Throws UserError
  // "クリップボードを開くことができません" when it cannot be opened.
  virtual void SetText(const std::string& text) = 0;
};

// What the standard save dialog is asked (texts in code page 932).
struct SaveFileQuestion {
  std::string title;      // the dialog's caption
  std::string fileName;   // the name proposed, without a folder
  std::string typeName;   // the file type's description, e.g. "CSV ファイル"
  std::string extension;  // without the dot: the type's filter and the default extension
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A plain message box with one OK button; returns when dismissed.
  virtual void ShowMessage(const std::string& text) = 0;
  // The standard save dialog: the chosen file's full path (UTF-8), or
  // nothing when the user cancels. The dialog asks before an existing file
  // is replaced.
  virtual std::optional<std::string> AskSaveFile(const SaveFileQuestion& question) = 0;
};

// INI files as the profile functions read and write them.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // The stored text, or nothing when the file, the section or the key is
  // missing. A key with an empty value gives "".
  virtual std::optional<std::string> Read(const std::string& path, std::string_view section,
                                          std::string_view key) = 0;
  // Replaces the value in place (creating file, section, key as needed).
  virtual bool Write(const std::string& path, std::string_view section, std::string_view key,
                     std::string_view value) = 0;
};

enum class ReadStatus { Ok, Missing, Unreadable };

struct FileContents {
  ReadStatus status = ReadStatus::Missing;
  std::string bytes;
};

class ProgramFiles {
 public:
  virtual ~ProgramFiles() = default;
  // The running executable's full path (the process's main module).
  virtual std::string ExecutablePath() = 0;
  virtual FileContents Read(const std::string& path) = 0;
  // Writes the whole file through a temporary file in the same folder and
  // replaces the old one only when everything is written.
  virtual bool WriteReplacing(const std::string& path, const std::string& bytes) = 0;
  // Appends the bytes at the end of the file, creating the file and any
  // missing folders of its path. When it returns true the system has the
  // bytes: nothing waits in the program, so a program that is killed loses
  // nothing it has appended. False when the file cannot be opened or
  // written; a later call tries again.
  virtual bool Append(const std::string& path, std::string_view bytes) = 0;
};

class EventPump {
 public:
  virtual ~EventPump() = default;
  // Handles every pending event of ホロネ's own windows, then returns.
  virtual void ProcessMessages() = 0;
  virtual void Sleep(int milliseconds) = 0;
};

class HookLibrary {
 public:
  virtual ~HookLibrary() = default;
  virtual std::int32_t Install(std::int32_t argument) = 0;
  virtual void Uninstall() = 0;
};

struct Platform {
  GameDesktop& desktop;
  Clock& clock;
  Locale& locale;
  Clipboard& clipboard;
  Dialogs& dialogs;
  SettingsStore& settings;
  ProgramFiles& files;
  EventPump& pump;
  HookLibrary& hook;
};

}  // namespace horone
