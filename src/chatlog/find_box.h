// The find box: a small modeless window that finds a text in the log's user
// names and contents. It is layout and keys only; the main window does the
// finding (log_search.cpp).
#pragma once

#include <cstdint>
#include <functional>

#include "widgets/widgets.h"

namespace horone {

// Virtual-key codes the find keys use.
constexpr std::uint16_t kKeyReturn = 0x0D;
constexpr std::uint16_t kKeyF = 0x46;
constexpr std::uint16_t kKeyF3 = 0x72;

class TFindBox : public Form {
 public:
  TFindBox();

  Label Label1;
  Edit FindText;
  Label ResultLabel;  // "見つかりません" when nothing matches
  Button FindNextButton;
  Button FindPreviousButton;
  Button CloseButton;

  // Asks for the next match (forward) or the previous one.
  std::function<void(bool forward)> onFind;

  // Enter and F3: the next match; Shift+F3: the previous one.
  void FindTextKeyUp(std::uint16_t& key, ShiftState shift);
  void Find(bool forward) {
    if (onFind) onFind(forward);
  }
};

}  // namespace horone
