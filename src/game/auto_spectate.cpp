// Auto-spectate: walk the lobby's table list from the top, try each table in
// play until the table window opens, dismissing the failure dialog between.
#include "app/form2.h"
#include "base/text.h"
#include "game/countdown.h"
#include "game/game_windows.h"

namespace horone {

namespace {
constexpr int kMaxWaitPasses = 5000;
constexpr std::uint16_t kVkF4 = 115;

void Click(GameDesktop& d, WindowHandle button) {
  d.SendMouseButton(button, true);
  d.SendMouseButton(button, false);
}

// Re-enables N3 however the run ends.
struct RunGuard {
  MenuItem& item;
  bool& running;
  ~RunGuard() {
    running = false;
    item.SetEnabled(true);
  }
};
}  // namespace

void TForm2::Timer1Timer() {
  // A timed run that falls due while a run waits (and so handles pending
  // events) is skipped: runs never nest. The timer keeps its schedule.
  if (spectateRunning_) return;
  N3Click();
}

void TForm2::N3Click() {
  if (spectateRunning_) return;
  auto& d = platform_.desktop;
  auto& pump = platform_.pump;

  N3.SetEnabled(false);
  spectateRunning_ = true;
  RunGuard guard{N3, spectateRunning_};

  if (FindTableWindow(d)) return;

  const WindowHandle lobby = FindLobby(d);
  const WindowHandle list = FindTableList(d, lobby);
  pump.Sleep(500);
  const WindowHandle spectate = FindSpectateButton(d, lobby);
  pump.Sleep(500);

  const int count = d.ListCount(list);
  for (int i = 0; i < count; ++i) {
    const int selected = d.ListSelect(list, i);
    // The item is read whole, whatever its length.
    const std::string text = d.ListItemText(list, selected);
    if (Pos("プレイ中", text) == 0) continue;

    Click(d, spectate);
    pump.Sleep(1000);

    WindowHandle failure = 0, table = 0;
    int passes = 0;
    do {
      pump.ProcessMessages();
      failure = FindFailureDialog(d);
      if (failure) {
        const WindowHandle ok = FindOkButton(d, failure);
        pump.ProcessMessages();
        pump.Sleep(500);
        Click(d, ok);
        passes = kMaxWaitPasses;
      }
      table = FindTableWindow(d);
      ++passes;
    } while (!table && passes < kMaxWaitPasses);

    if (failure) continue;

    d.PostKey(table, true, kVkF4);
    d.PostKey(table, false, kVkF4);
    CountdownTicks = 0;
    break;
  }
}

}  // namespace horone
