// The platform ports on user32 and kernel32.
#pragma once

#include <windows.h>

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

 private:
  std::string separator_;
  std::wstring wa_, wb_;  // scratch buffers of CompareText
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
  std::string ExecutablePath() override;
  FileContents Read(const std::string& path) override;
  bool WriteReplacing(const std::string& path, const std::string& bytes) override;
};

class MessagePump : public EventPump {
 public:
  void SetDialogWindow(HWND w) { dialog_ = w; }
  void ProcessMessages() override;
  void Sleep(int milliseconds) override { ::Sleep(static_cast<DWORD>(milliseconds)); }
  // Translates and dispatches one message, with the keyboard navigation of
  // the main window.
  void Dispatch(MSG& msg);

 private:
  HWND dialog_ = nullptr;
};

class HookDll : public HookLibrary {
 public:
  std::int32_t Install(std::int32_t argument) override;
  void Uninstall() override;
};

}  // namespace horone::win32
