// The platform ports on user32 and kernel32.
#pragma once

#include <windows.h>

#include <vector>

#include "ports/ports.h"

namespace horone::win32 {

// Every message that ホロネ sends to another program's window and waits for
// goes through here: at most 5 s, and at once for a window that has stopped
// responding, so a hung game cannot freeze ホロネ (its chat log lives only in
// memory). SMTO_NORMAL keeps handling the messages that other programs send
// to our windows while we wait, so chat lines still arrive. Returns false
// when the call gave up; the result is then 0.
bool SendWaiting(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr);

class Desktop : public GameDesktop {
 public:
  WindowHandle FindTopLevel(std::string_view className, std::optional<std::string_view> title) override;
  std::vector<WindowHandle> FindTopLevels(std::string_view className) override;
  WindowHandle FindChild(WindowHandle parent, std::string_view className,
                         std::optional<std::string_view> title) override;
  std::string ReadTitle(WindowHandle window) override;
  void PutText(WindowHandle window, const std::string& text) override;
  void PostKey(WindowHandle window, bool down, std::uint16_t virtualKey) override;
  void SendMouseButton(WindowHandle window, bool down) override;
  int ListCount(WindowHandle list) override;
  int ListSelect(WindowHandle list, int index) override;
  std::string ListItemText(WindowHandle list, int index) override;
};

class SystemClock : public Clock {
 public:
  LocalTime Now() override;
};

class UserLocale : public Locale {
 public:
  UserLocale();
  std::string ShortDate(const LocalTime& time) override;
  std::string TimeSeparator() override { return separator_; }
  int CompareText(std::string_view a, std::string_view b) override;
  std::string PathForDisplay(const std::string& utf8Path) override;
  std::string TextToUtf8(std::string_view text) override;
  bool ContainsText(std::string_view text, std::string_view pattern) override;

 private:
  std::string separator_;
  std::wstring wa_, wb_;  // scratch buffers of CompareText
  std::string pattern_;                       // the last pattern of ContainsText,
  std::wstring foldedPattern_, foldedText_;   // folded once for a whole search
};

class SystemClipboard : public Clipboard {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }
  void SetText(const std::string& text) override;

 private:
  HWND owner_ = nullptr;
};

class MessageBoxes : public Dialogs {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }
  void ShowMessage(const std::string& text) override;
  std::optional<std::string> AskSaveFile(const SaveFileQuestion& question) override;

 private:
  HWND owner_ = nullptr;
};

class ProfileSettings : public SettingsStore {
 public:
  std::optional<std::string> Read(const std::string& path, std::string_view section, std::string_view key) override;
  bool Write(const std::string& path, std::string_view section, std::string_view key,
             std::string_view value) override;
};

class Files : public ProgramFiles {
 public:
  Files() = default;
  ~Files() override;
  Files(const Files&) = delete;
  Files& operator=(const Files&) = delete;
  std::string ExecutablePath() override;
  FileContents Read(const std::string& path) override;
  bool WriteReplacing(const std::string& path, const std::string& bytes) override;
  // The file of the last append stays open (a day's log gets a row at a
  // time), until an append goes to another file or one fails.
  bool Append(const std::string& path, std::string_view bytes) override;

 private:
  void CloseAppendFile();
  std::string appendPath_;
  HANDLE appendFile_ = INVALID_HANDLE_VALUE;
};

class MessagePump : public EventPump {
 public:
  void SetDialogWindow(HWND w) { dialog_ = w; }
  // A modeless box with Tab, Enter and Escape keys as in a dialog.
  void AddModelessBox(HWND w) { boxes_.push_back(w); }
  void ProcessMessages() override;
  // Waits, answering the messages other programs send meanwhile (a chat
  // line from the hook, a check that the window still responds), so that
  // the window never stops responding for the length of a wait; nothing
  // posted (no input, no timer) is handled before the wait ends.
  void Sleep(int milliseconds) override;
  // Translates and dispatches one message, with the keyboard navigation of
  // the main window.
  void Dispatch(MSG& msg);

 private:
  HWND dialog_ = nullptr;
  std::vector<HWND> boxes_;
};

class HookDll : public HookLibrary {
 public:
  std::int32_t Install(std::int32_t argument) override;
  void Uninstall() override;
};

}  // namespace horone::win32
