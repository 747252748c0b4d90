// Start-up: a single instance, the main window and the About box, the event
// loop, and the end. The exit code is 0 in every case.
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "app/form2.h"
#include "win32/ports_win32.h"
#include "win32/text_win32.h"
#include "win32/view.h"

using namespace horone;
using namespace horone::win32;

namespace {

constexpr wchar_t kMutexName[] = L"horone";

// The ports of the running program.
struct Win32Platform {
  Desktop desktop;
  SystemClock clock;
  UserLocale locale;
  SystemClipboard clipboard;
  MessageBoxes dialogs;
  ProfileSettings settings;
  Files files;
  MessagePump pump;
  HookDll hook;
  Platform platform{desktop, clock, locale, clipboard, dialogs, settings, files, pump, hook};
};

void RunApplication(HINSTANCE instance, Win32Platform& p) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  View::RegisterClasses(instance);

  auto icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, 0));
  auto smallIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, 0));

  TForm2 form(p.platform);
  ViewOptions options;
  options.className = L"TForm2";
  options.mainMenu = &form.MainMenu1;
  options.contextMenus = {{&form.StringGrid1, &form.PopupMenu1}, {&form.ListBox1, &form.PopupMenu2}};
  options.commands = {{&form.Exit1, kCmdExit1}, {&form.N3, kCmdN3}, {&form.N4, kCmdN4}, {&form.About1, kCmdAbout1},
                      {&form.a1, kCmdA1},       {&form.N1, kCmdN1}, {&form.N2, kCmdN2}, {&form.w1, kCmdW1},
                      {&form.t1, kCmdT1}};
  options.commands.insert(options.commands.end(), {{&form.Find1, kCmdFind1},
                                                   {&form.SaveCsv1, kCmdSaveCsv1},
                                                   {&form.DailyLog1, kCmdDailyLog1}});
  options.timers = {&form.Timer1, &form.Timer2};
  options.icon = icon;
  options.smallIcon = smallIcon;
  View mainView(instance, form, options, p.dialogs);
  p.dialogs.SetOwner(mainView.Hwnd());
  p.clipboard.SetOwner(mainView.Hwnd());
  p.pump.SetDialogWindow(mainView.Hwnd());

  Guarded(p.dialogs, [&] { form.FormCreate(); });

  TAboutBox about;
  ViewOptions aboutOptions;
  aboutOptions.className = L"TAboutBox";
  aboutOptions.sizable = false;
  aboutOptions.clientSized = true;
  aboutOptions.owner = mainView.Hwnd();
  aboutOptions.icon = icon;
  View aboutView(instance, about, aboutOptions, p.dialogs);
  form.SetAboutBox(&about);

  // The find box: modeless, owned by the main window, a class of its own
  // (not the dialog class, which is how the lobby is found).
  ViewOptions findOptions;
  findOptions.className = L"TFindBox";
  findOptions.sizable = false;
  findOptions.clientSized = true;
  findOptions.owner = mainView.Hwnd();
  findOptions.icon = icon;
  View findView(instance, form.FindBox, findOptions, p.dialogs);
  p.pump.AddModelessBox(findView.Hwnd());

  mainView.Show();

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) p.pump.Dispatch(msg);
  p.dialogs.SetOwner(nullptr);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  if (HANDLE running = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, kMutexName)) {
    (void)running;  // closed by the system at the end of the process
    MessageBoxW(nullptr, L"ホロネは既に実行されています！", L"ホロネ", MB_OK);
    return 0;
  }
  HANDLE mutex = CreateMutexW(nullptr, TRUE, kMutexName);

  // Ports live outside the guarded part, so that an error escaping start-up
  // can still be shown.
  auto p = std::make_unique<Win32Platform>();
  try {
    RunApplication(instance, *p);
  } catch (const std::exception& e) {
    MessageBoxW(nullptr, Widen(e.what()).c_str(), L"ホロネ", MB_OK | MB_ICONERROR);
  }
  if (mutex) ReleaseMutex(mutex);
  return 0;
}
