// Sending chat into the game: the text goes into the game's own chat input
// and Enter is pressed there.
#include "app/form2.h"
#include "game/game_windows.h"

namespace horone {

namespace {
constexpr std::uint16_t kVkReturn = 13;
}

void TForm2::SendChatText() {
  auto& desktop = platform_.desktop;
  const WindowHandle input = FindChatInput(desktop);
  desktop.PutText(input, ComboBox1.Text());
  desktop.PostKey(input, true, kVkReturn);
  desktop.PostKey(input, false, kVkReturn);
}

void TForm2::ComboBox1KeyDown(std::uint16_t& key, ShiftState /*shift*/) {
  if (key != kVkReturn) return;
  SendChatText();
  RecordSentText();
}

void TForm2::Button9Click() {
  SendChatText();
  RecordSentText();
}

void TForm2::w1Click() {
  const std::string user = ListBox1.SelectedText();
  ComboBox1.SetText("/w " + user);
  SendChatText();
  ComboBox1.SetText("");
}

void TForm2::t1Click() {
  const std::string user = ListBox1.SelectedText();
  ComboBox1.SetText("/t " + user + " ");
  ComboBox1.SetFocus();
  ComboBox1.SelectAll();
  ComboBox1.SetSelStart(ComboBox1.SelLength());
}

}  // namespace horone
