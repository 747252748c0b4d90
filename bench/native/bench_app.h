// The native benchmarks' main window: the unit tests' fakes of the platform
// (tests/native/fakes.h) with the stand-in game client's lobby and table
// window, and a clock that moves on one second every 12 lines (about 43 000
// lines an hour, a busy lobby).
#pragma once

#include <string>
#include <vector>

#include "app/form2.h"
#include "chatlog/intake.h"
#include "fakes.h"

namespace bench {

// A created main window over the fakes.
struct App {
  horone::testing::Harness h;
  horone::TForm2* form = nullptr;
  long delivered = 0;

  // `watchList` becomes userlist.txt.
  explicit App(const std::vector<std::string>& watchList = {}) {
    h.desktop.Add("#32770", "一般ロビー 東南戦ロビー");
    h.desktop.Add("KatuGameMjMain", "第12卓 東南戦 喰断あり");
    h.clock.now = {2026, 12, 11, 9, 0, 0, 0};
    if (!watchList.empty()) {
      std::string bytes;
      for (const auto& name : watchList) bytes += name + "\r\n";
      h.files.files[h.UserList()] = bytes;
    }
    form = &h.Start();
  }
  // The intake's process-wide row counter follows the grid of the window
  // that gets the next line (the benchmarks keep several windows at once).
  void MakeCurrent() { horone::LoggedRows = form->StringGrid1.RowCount() - 2; }
  void Deliver(const std::string& line) {
    if (++delivered % 12 == 0) Tick();
    h.Deliver(line);
  }

 private:
  void Tick() {
    horone::LocalTime& t = h.clock.now;
    if (++t.second < 60) return;
    t.second = 0;
    if (++t.minute < 60) return;
    t.minute = 0;
    if (++t.hour < 24) return;
    t.hour = 0;
    ++t.day;  // the benchmarks never reach the next month
  }
};

}  // namespace bench
