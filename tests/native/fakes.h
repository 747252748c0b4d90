// Fakes of the platform ports for the unit tests. The desktop is a small
// scripted model of the game client's windows; every call that reaches the
// game is recorded in `journal`, and hooks let a test act "inside" a call
// (a chat line delivered while a title is read, a dialog shown on a click).
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/form2.h"
#include "ports/ports.h"

namespace horone::testing {

struct FakeWindow {
  std::string className;
  std::string title;
  WindowHandle parent = 0;
  std::vector<std::string> items;  // a list box's items
  int selection = -1;
  std::string text;  // an edit control's text, as WM_SETTEXT left it
};

class FakeDesktop : public GameDesktop {
 public:
  WindowHandle Add(std::string className, std::string title, WindowHandle parent = 0);
  // A lobby: a top-level dialog with the spectate button.
  WindowHandle AddLobby(std::string title);
  void Remove(WindowHandle w);
  FakeWindow& At(WindowHandle w) { return windows.at(w); }

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

  std::string Name(WindowHandle w) const;

  std::map<WindowHandle, FakeWindow> windows;  // handle order is creation (Z) order
  std::vector<std::string> journal;
  std::function<void(WindowHandle)> onReadTitle;
  std::function<void(WindowHandle, bool down)> onMouseButton;

 private:
  WindowHandle next_ = 0x100;
};

class FakeClock : public Clock {
 public:
  LocalTime now{2026, 12, 11, 9, 5, 7, 123};
  LocalTime Now() override { return now; }
};

// Japanese-style locale: "yyyy/mm/dd", ":" and ASCII case folding.
class FakeLocale : public Locale {
 public:
  std::string separator = ":";
  std::string ShortDate(const LocalTime& t) override;
  std::string TimeSeparator() override { return separator; }
  int CompareText(std::string_view a, std::string_view b) override;
  std::string PathForDisplay(const std::string& p) override { return p; }
  // A real conversion from code page 932.
  std::string TextToUtf8(std::string_view text) override;
  // ASCII letters folded, stepping over double-byte characters whole.
  bool ContainsText(std::string_view text, std::string_view pattern) override;
};

class FakeClipboard : public Clipboard {
 public:
  std::optional<std::string> text;
  bool heldByOther = false;
  void SetText(const std::string& t) override;
};

class FakeDialogs : public Dialogs {
 public:
  std::vector<std::string> shown;
  std::function<void()> whileShown;
  void ShowMessage(const std::string& text) override {
    shown.push_back(text);
    if (whileShown) whileShown();
  }
  // The save dialog: every question asked, and the answer (nothing: cancelled).
  std::vector<SaveFileQuestion> saveQuestions;
  std::optional<std::string> saveAnswer;
  std::optional<std::string> AskSaveFile(const SaveFileQuestion& question) override {
    saveQuestions.push_back(question);
    return saveAnswer;
  }
};

class FakeSettings : public SettingsStore {
 public:
  // path -> key -> value of the section "Form" (keys in write order)
  std::map<std::string, std::vector<std::pair<std::string, std::string>>> files;
  // path -> section -> key -> value of every other section
  std::map<std::string, std::map<std::string, std::vector<std::pair<std::string, std::string>>>> sections;
  std::vector<std::string> writes;  // "KEY=value" in order; "Section:KEY=value" outside "Form"
  std::optional<std::string> failKey;  // writing this key fails
  std::vector<std::string>* order = nullptr;  // "set KEY" per successful write
  std::optional<std::string> Read(const std::string& path, std::string_view section, std::string_view key) override;
  bool Write(const std::string& path, std::string_view section, std::string_view key, std::string_view value) override;
  void Set(const std::string& path, const std::string& key, const std::string& value);
  void SetIn(const std::string& path, const std::string& section, const std::string& key, const std::string& value);
};

class FakeFiles : public ProgramFiles {
 public:
  std::string exe = "C:\\Games\\horone.exe";
  std::map<std::string, std::string> files;
  std::map<std::string, int> unreadable;  // path -> present but cannot be read
  std::vector<std::string> failWrites;    // paths whose write fails
  std::vector<std::string>* order = nullptr;  // "write PATH" per successful write
  std::string ExecutablePath() override { return exe; }
  FileContents Read(const std::string& path) override;
  bool WriteReplacing(const std::string& path, const std::string& bytes) override;
  std::vector<std::string> failAppends;  // paths whose appends fail
  int appends = 0;                       // successful appends
  bool Append(const std::string& path, std::string_view bytes) override;
};

class FakePump : public EventPump {
 public:
  int processed = 0;
  std::vector<int> sleeps;
  std::function<void()> onProcess;
  std::vector<std::string>* journal = nullptr;  // shares the desktop's, to see the order
  void ProcessMessages() override {
    ++processed;
    if (onProcess) onProcess();
  }
  void Sleep(int ms) override {
    sleeps.push_back(ms);
    if (journal) journal->push_back("sleep " + std::to_string(ms));
  }
};

class FakeHook : public HookLibrary {
 public:
  std::int32_t result = 1;
  int installs = 0, uninstalls = 0;
  std::vector<std::string>* order = nullptr;
  std::int32_t Install(std::int32_t) override {
    ++installs;
    if (order) order->push_back("install");
    return result;
  }
  void Uninstall() override {
    ++uninstalls;
    if (order) order->push_back("uninstall");
  }
};

// A view stand-in: tells the test of every change of the models it watches.
// (A form with a sink closes through its view, so do not watch the form in
// a test that closes it.)
struct WatchingSink : ViewSink {
  std::function<void(Component&, Change, int)> onChange;
  void Watch(std::initializer_list<Component*> components) {
    for (Component* c : components) c->SetSink(this);
  }
  void Changed(Component& c, Change what, int index) override {
    if (onChange) onChange(c, what, index);
  }
};

// The message of the UserError that `action` raises; "" when it raises none.
std::string ErrorOf(const std::function<void()>& action);

// All fakes together, and a form over them.
struct Harness {
  FakeDesktop desktop;
  FakeClock clock;
  FakeLocale locale;
  FakeClipboard clipboard;
  FakeDialogs dialogs;
  FakeSettings settings;
  FakeFiles files;
  FakePump pump;
  FakeHook hook;
  Platform platform{desktop, clock, locale, clipboard, dialogs, settings, files, pump, hook};

  Harness();
  // Constructs the form (the settings are read here).
  TForm2& Construct();
  // Constructs the form and runs its creation, as start-up does.
  TForm2& Start();
  std::unique_ptr<TForm2> form;

  // Delivers one chat line the way the hook library does.
  void Deliver(const std::string& line) { form->Edit1.PlatformTextChanged(line); }
  std::string IniPath() const { return "C:\\Games\\horone.INI"; }
  std::string UserList() const { return "C:\\Games\\userlist.txt"; }
  std::string MsgList() const { return "C:\\Games\\msglist.txt"; }
};

}  // namespace horone::testing
