#include "chatlog/find_box.h"

namespace horone {

TFindBox::TFindBox()
    : Form("FindBox", "検索", 320, 93),
      Label1("Label1", this, {8, 12, 0, 0}, "検索する文字列（ユーザ名・内容）:"),
      FindText("FindText", this, {8, 30, 200, 20}, 0),
      ResultLabel("ResultLabel", this, {8, 62, 200, 14}, ""),
      FindNextButton("FindNextButton", this, {216, 8, 96, 23}, 1, "次を検索"),
      FindPreviousButton("FindPreviousButton", this, {216, 35, 96, 23}, 2, "前を検索"),
      CloseButton("CloseButton", this, {216, 62, 96, 23}, 3, "閉じる") {
  SetFrame(0, 0);  // the box's size is its client area; the view adds the frame
  FindNextButton.SetDefault(true);
  FindText.onKeyUp = [this](std::uint16_t& key, ShiftState shift) { FindTextKeyUp(key, shift); };
  FindNextButton.onClick = [this] { Find(true); };
  FindPreviousButton.onClick = [this] { Find(false); };
  CloseButton.onClick = [this] { Close(); };
}

void TFindBox::FindTextKeyUp(std::uint16_t& key, ShiftState shift) {
  if (shift.ctrl || shift.alt) return;
  if (key == kKeyReturn) {
    Find(true);
  } else if (key == kKeyF3) {
    Find(!shift.shift);
  }
}

}  // namespace horone
