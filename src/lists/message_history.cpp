// The message history: sent texts offered again in the input box.
#include <algorithm>

#include "app/form2.h"

namespace horone {

namespace {
int FindEqual(const StringList& list, const std::string& text, Locale& locale) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (locale.CompareText(list[i], text) == 0) return static_cast<int>(i);
  }
  return -1;
}
}  // namespace

void TForm2::LoadMessageHistory() {
  MessageHistory = std::make_unique<StringList>();
  bool readable = true;
  StringList lines = ReadListFile(ProgramFile("msglist.txt"), readable);
  historyLoaded_ = readable;
  ComboBox1.SetItems(lines);
  *MessageHistory = std::move(lines);
}

void TForm2::RecordSentText() {
  const std::string text = ComboBox1.Text();
  if (!text.empty() && MessageHistory && FindEqual(*MessageHistory, text, platform_.locale) < 0) {
    MessageHistory->push_back(text);
    std::sort(MessageHistory->begin(), MessageHistory->end(),
              [&](const std::string& a, const std::string& b) { return platform_.locale.CompareText(a, b) < 0; });
    ComboBox1.SetItems(*MessageHistory);
  }
  ComboBox1.SetText("");
  Button9.SetEnabled(false);
  Button1.SetEnabled(false);
}

void TForm2::Button1Click() {
  const std::string text = ComboBox1.Text();
  if (!text.empty() && MessageHistory) {
    const int at = FindEqual(*MessageHistory, text, platform_.locale);
    if (at >= 0) {
      MessageHistory->erase(MessageHistory->begin() + at);
      std::sort(MessageHistory->begin(), MessageHistory->end(),
                [&](const std::string& a, const std::string& b) { return platform_.locale.CompareText(a, b) < 0; });
      ComboBox1.SetItems(*MessageHistory);
    }
  }
  ComboBox1.SetText("");
  Button1.SetEnabled(false);
  Button9.SetEnabled(false);
}

void TForm2::ComboBox1Change() {
  Button9.SetEnabled(true);
  Button1.SetEnabled(true);
}

void TForm2::SaveMessageHistory() {
  if (!MessageHistory) return;  // a run that never created it keeps the file
  if (historyLoaded_) WriteListFile(ProgramFile("msglist.txt"), *MessageHistory);
  MessageHistory.reset();
}

}  // namespace horone
