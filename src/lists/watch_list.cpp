// The watch list: the user names whose lines are logged while not all users
// are. Only the Exit command writes it back.
#include "app/form2.h"

namespace horone {

void TForm2::LoadWatchList() {
  UserListBuffer = std::make_unique<StringList>();
  bool readable = true;
  StringList lines = ReadListFile(ProgramFile("userlist.txt"), readable);
  if (!lines.empty()) ListBox1.Replace(std::move(lines));
  watchListLoaded_ = readable;
}

void TForm2::AddWatchedUser(const std::string& name) { ListBox1.Add(name); }

void TForm2::Button4Click() {
  if (!Edit2.Text().empty()) AddWatchedUser(Edit2.Text());
  Edit2.SetText("");
}

void TForm2::Edit2KeyUp(std::uint16_t& key, ShiftState /*shift*/) {
  if (key == 13) Button4Click();
}

void TForm2::ListBox1Click() { Button5.SetEnabled(true); }

void TForm2::Button5Click() {
  ListBox1.Delete(ListBox1.ItemIndex());
  Button5.SetEnabled(false);
}

void TForm2::SaveWatchList() {
  // A run that never loaded the stored list (or could not read it) keeps
  // the file as it is rather than replace it with this run's entries.
  if (!watchListLoaded_) return;
  // After a failed Exit the buffer is gone; a new one serves the retry.
  if (!UserListBuffer) UserListBuffer = std::make_unique<StringList>();
  *UserListBuffer = ListBox1.Items();
  WriteListFile(ProgramFile("userlist.txt"), *UserListBuffer);
  UserListBuffer.reset();
}

}  // namespace horone
