// Renders a form model into real windows and reports the user's input back
// to the model. One View owns every HWND and GDI object of its form.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ports/ports.h"
#include "widgets/widgets.h"

namespace horone::win32 {

// Runs an event handler as the application's default handler would: an
// error is shown in a message box and the event loop carries on. No
// exception ever leaves a window procedure.
void Guarded(Dialogs& dialogs, const std::function<void()>& handler);

struct MenuBinding {
  MenuItem* item;
  int id;
};

struct ViewOptions {
  const wchar_t* className = L"";
  const Menu* mainMenu = nullptr;
  std::vector<std::pair<const Control*, const Menu*>> contextMenus;
  std::vector<MenuBinding> commands;
  std::vector<Timer*> timers;
  bool sizable = true;
  bool clientSized = false;  // the form's size is its client area (a dialog)
  HWND owner = nullptr;
  HICON icon = nullptr;
  HICON smallIcon = nullptr;
};

class View : public ViewSink {
 public:
  View(HINSTANCE instance, Form& form, ViewOptions options, Dialogs& dialogs);
  ~View() override;
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  HWND Hwnd() const { return hwnd_; }
  HWND HwndOf(const Component& c) const;
  // Centres the window on the screen and shows it.
  void Show();

  void Changed(Component& component, Change what, int index) override;

  static void RegisterClasses(HINSTANCE instance);

 private:
  static LRESULT CALLBACK FormProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK ControlProc(HWND, UINT, WPARAM, LPARAM);
  // Puts ControlProc in front of a control's own window procedure.
  void Subclass(HWND h);
  // A message to one of this view's own controls, handed to the control's
  // window procedure at once (as SendMessageW does within the thread, without
  // passing the thread's message hooks again).
  LRESULT Direct(HWND h, UINT msg, WPARAM wp, LPARAM lp) const;
  LRESULT HandleFormMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT HandleControlMessage(Control& c, HWND h, UINT msg, WPARAM wp, LPARAM lp, bool& handled);

  void CreateChildren(Control& parent, HWND parentHwnd);
  HWND CreateControl(Control& c, HWND parentHwnd);
  void ApplyBounds(Control& c);
  void BuildMenus();
  void ApplyMenuItem(MenuItem& item);
  void OnCommand(WPARAM wp, LPARAM lp);
  LRESULT OnNotify(NMHDR* hdr);
  void OnContextMenu(HWND target, LPARAM lp);
  void OnSize();
  void SyncGridColumns(StringGrid& grid);
  void SyncGridHeader(StringGrid& grid, int col);
  void SyncStatusParts(StatusBar& bar);
  void FillListBox(ListBox& list);
  void FillComboItems(ComboBox& combo);
  void RunModal();
  void ShowModeless();
  Button* DefaultButton() const;
  int S(int v) const { return MulDiv(v, dpi_, 96); }  // layout units to pixels
  Rect Scaled(const Rect& r) const;
  void MakeFont();
  SIZE TextSize(HWND h, const std::wstring& text) const;
  void SetRowHeight(StringGrid& grid);
  void OnDpiChanged(int dpi, const RECT& suggested);
  void Run(const std::function<void()>& handler) { Guarded(dialogs_, handler); }
  // Runs a handler whose grid and status-bar changes reach the windows
  // together once it has ended: one item count, one redraw of the changed
  // rows, one auto-scroll and one text per panel, however many the model made.
  void RunBatched(const std::function<void()>& handler);
  void Flush();
  void ApplyCurrentRow(StringGrid& grid, HWND h);

  HINSTANCE instance_;
  Form& form_;
  ViewOptions options_;
  Dialogs& dialogs_;
  HWND hwnd_ = nullptr;
  HFONT font_ = nullptr;
  HMENU menuBar_ = nullptr;
  HIMAGELIST rowHeightImages_ = nullptr;
  std::unordered_map<const Component*, HWND> hwnds_;
  std::unordered_map<HWND, Control*> controls_;
  std::unordered_map<int, MenuItem*> commandItems_;
  std::unordered_map<const MenuItem*, std::vector<HMENU>> itemMenus_;
  std::unordered_map<const MenuItem*, int> itemIds_;
  std::vector<std::pair<HWND, HMENU>> popups_;
  std::wstring cellBuffer_;  // text handed to the list view for one cell
  int suppress_ = 0;         // >0 while the program changes a control
  // Changes held back while a batched handler runs.
  struct Pending {
    bool rowCount = false;
    bool currentRow = false;
    int firstRow = 0, lastRow = -1;  // grid rows whose cells changed
    std::vector<int> panels;         // status panels whose text changed
  };
  std::unordered_map<Control*, Pending> pending_;
  int batching_ = 0;
  int selectedItem_ = -1;  // the grid item selected last, by the program or the user
  // While lines arrive in a burst the grid and the status bar paint a few
  // times a second, not once a line: their redraw is off until kRedrawTimer
  // turns it on again; the grid's current row waits for that in deferred_.
  HWND redrawOff_ = nullptr;
  HWND pausedBar_ = nullptr;
  ULONGLONG lastGridFlush_ = 0;
  ULONGLONG pauseStart_ = 0;
  std::unordered_map<Control*, Pending> deferred_;
  void EndRedrawPause();
  void ApplyDeferred();
  int dpi_ = 96;
  bool modal_ = false;
  int nextId_ = 1000;
};

}  // namespace horone::win32
