#include "fakes.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include "base/error.h"
#include "chatlog/intake.h"
#include "game/countdown.h"

namespace horone::testing {

WindowHandle FakeDesktop::Add(std::string className, std::string title, WindowHandle parent) {
  const WindowHandle h = next_++;
  windows[h] = FakeWindow{std::move(className), std::move(title), parent, {}, -1, {}};
  return h;
}

void FakeDesktop::Remove(WindowHandle w) {
  for (auto it = windows.begin(); it != windows.end();) {
    it = it->second.parent == w ? windows.erase(it) : std::next(it);
  }
  windows.erase(w);
}

WindowHandle FakeDesktop::FindTopLevel(std::string_view className, std::optional<std::string_view> title) {
  return FindChild(0, className, title);
}

WindowHandle FakeDesktop::AddLobby(std::string title) {
  const WindowHandle lobby = Add("#32770", std::move(title));
  Add("Button", "観戦(&F)", lobby);
  return lobby;
}

std::vector<WindowHandle> FakeDesktop::FindTopLevels(std::string_view className) {
  std::vector<WindowHandle> found;
  for (const auto& [h, w] : windows) {
    if (w.parent == 0 && w.className == className) found.push_back(h);
  }
  return found;
}

WindowHandle FakeDesktop::FindChild(WindowHandle parent, std::string_view className,
                                    std::optional<std::string_view> title) {
  for (const auto& [h, w] : windows) {
    if (w.parent == parent && w.className == className && (!title || w.title == *title)) return h;
  }
  return 0;
}

std::string FakeDesktop::Name(WindowHandle w) const {
  if (w == 0) return "null";
  const auto& fw = windows.at(w);
  return fw.title.empty() ? fw.className : fw.title;
}

std::string FakeDesktop::ReadTitle(WindowHandle window) {
  if (onReadTitle) onReadTitle(window);
  auto it = windows.find(window);
  return it == windows.end() ? std::string() : it->second.title.substr(0, 63);
}

void FakeDesktop::PutText(WindowHandle window, const std::string& text) {
  journal.push_back("settext " + Name(window) + " " + text);
  if (auto it = windows.find(window); it != windows.end()) it->second.text = text;
}

void FakeDesktop::PostKey(WindowHandle window, bool down, std::uint16_t vk) {
  journal.push_back(std::string("key ") + Name(window) + (down ? " down " : " up ") + std::to_string(vk));
}

void FakeDesktop::SendMouseButton(WindowHandle window, bool down) {
  journal.push_back(std::string("click ") + Name(window) + (down ? " down" : " up"));
  if (onMouseButton) onMouseButton(window, down);
}

int FakeDesktop::ListCount(WindowHandle list) {
  auto it = windows.find(list);
  return it == windows.end() ? 0 : static_cast<int>(it->second.items.size());
}

int FakeDesktop::ListSelect(WindowHandle list, int index) {
  journal.push_back("select " + std::to_string(index));
  auto it = windows.find(list);
  if (it == windows.end() || index < 0 || index >= static_cast<int>(it->second.items.size())) return -1;
  it->second.selection = index;
  return index;
}

std::string FakeDesktop::ListItemText(WindowHandle list, int index) {
  auto it = windows.find(list);
  if (it == windows.end() || index < 0 || index >= static_cast<int>(it->second.items.size())) return {};
  return it->second.items[static_cast<size_t>(index)];
}

std::string FakeLocale::ShortDate(const LocalTime& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", t.year, t.month, t.day);
  return buf;
}

int FakeLocale::CompareText(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto fold = [](char c) {
      const auto u = static_cast<unsigned char>(c);
      return static_cast<int>(u >= 'A' && u <= 'Z' ? u + 32 : u);
    };
    const int d = fold(a[i]) - fold(b[i]);
    if (d != 0) return d;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

std::string FakeLocale::TextToUtf8(std::string_view text) {
  if (text.empty()) return {};
#ifdef _WIN32
  const int n = MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  const int m = WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(m), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, out.data(), m, nullptr, nullptr);
  return out;
#else
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv: no CP932");
  std::string in(text), out(text.size() * 3 + 4, '\0');
  char* src = in.data();
  char* dst = out.data();
  size_t srcLeft = in.size(), dstLeft = out.size();
  const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) throw std::runtime_error("iconv: not code page 932");
  out.resize(out.size() - dstLeft);
  return out;
#endif
}

bool FakeLocale::ContainsText(std::string_view text, std::string_view pattern) {
  auto fold = [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? u + 32 : u;
  };
  auto lead = [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 0x81 && u <= 0x9F) || (u >= 0xE0 && u <= 0xFC);
  };
  for (size_t at = 0; at + pattern.size() <= text.size(); at += lead(text[at]) ? 2 : 1) {
    size_t i = 0;
    while (i < pattern.size() && fold(text[at + i]) == fold(pattern[i])) ++i;
    if (i == pattern.size()) return true;
  }
  return false;
}

void FakeClipboard::SetText(const std::string& t) {
  if (heldByOther) throw UserError("クリップボードを開くことができません");
  text = t;
}

std::optional<std::string> FakeSettings::Read(const std::string& path, std::string_view section,
                                              std::string_view key) {
  const std::vector<std::pair<std::string, std::string>>* keys = nullptr;
  if (section == "Form") {
    auto f = files.find(path);
    if (f != files.end()) keys = &f->second;
  } else if (auto f = sections.find(path); f != sections.end()) {
    if (auto s = f->second.find(std::string(section)); s != f->second.end()) keys = &s->second;
  }
  if (!keys) return std::nullopt;
  for (const auto& [k, v] : *keys) {
    if (k == key) return v;
  }
  return std::nullopt;
}

bool FakeSettings::Write(const std::string& path, std::string_view section, std::string_view key,
                         std::string_view value) {
  if (failKey && *failKey == key) return false;
  const std::string where = section == "Form" ? std::string() : std::string(section) + ":";
  writes.push_back(where + std::string(key) + "=" + std::string(value));
  if (order) order->push_back("set " + std::string(key));
  if (section == "Form") {
    Set(path, std::string(key), std::string(value));
  } else {
    SetIn(path, std::string(section), std::string(key), std::string(value));
  }
  return true;
}

void FakeSettings::SetIn(const std::string& path, const std::string& section, const std::string& key,
                         const std::string& value) {
  auto& keys = sections[path][section];
  for (auto& [k, v] : keys) {
    if (k == key) {
      v = value;
      return;
    }
  }
  keys.emplace_back(key, value);
}

void FakeSettings::Set(const std::string& path, const std::string& key, const std::string& value) {
  auto& keys = files[path];
  for (auto& [k, v] : keys) {
    if (k == key) {
      v = value;
      return;
    }
  }
  keys.emplace_back(key, value);
}

FileContents FakeFiles::Read(const std::string& path) {
  if (unreadable.count(path)) return {ReadStatus::Unreadable, {}};
  auto it = files.find(path);
  if (it == files.end()) return {ReadStatus::Missing, {}};
  return {ReadStatus::Ok, it->second};
}

bool FakeFiles::WriteReplacing(const std::string& path, const std::string& bytes) {
  if (std::find(failWrites.begin(), failWrites.end(), path) != failWrites.end()) return false;
  files[path] = bytes;
  if (order) order->push_back("write " + path);
  return true;
}

bool FakeFiles::Append(const std::string& path, std::string_view bytes) {
  if (std::find(failAppends.begin(), failAppends.end(), path) != failAppends.end()) return false;
  files[path] += bytes;
  ++appends;
  return true;
}

Harness::Harness() {
  IntakeEntries = IntakeExits = LoggedRows = 0;
  CountdownTicks = 0;
  pump.journal = &desktop.journal;
}

TForm2& Harness::Construct() {
  form = std::make_unique<TForm2>(platform);
  return *form;
}

TForm2& Harness::Start() {
  Construct().FormCreate();
  return *form;
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const UserError& e) {
    return e.what();
  }
  return {};
}

}  // namespace horone::testing
