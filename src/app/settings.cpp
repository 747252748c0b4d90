// The settings file: the window's size and the six view switches, read at
// construction and written at every close. (The daily log files' section:
// log_settings.cpp.)
#include "app/form2.h"
#include "base/error.h"
#include "base/integer.h"
#include "base/path.h"
#include "base/text.h"

namespace horone {

namespace {
constexpr const char* kSection = "Form";

struct FlagKey {
  const char* key;
  bool TForm2::*member;
};
constexpr FlagKey kFlags[] = {
    {"ASC", &TForm2::AutoScrollLog},   {"AUS", &TForm2::LogAllUsers},    {"BBS", &TForm2::ShowPlaceColumn},
    {"BYM", &TForm2::ShowDateColumn},  {"BTM", &TForm2::ShowTimeColumn}, {"BSE", &TForm2::ShowSettingsPanel},
};
}  // namespace

std::string TForm2::SettingsPath() { return ReplaceExtension(platform_.files.ExecutablePath(), ".INI"); }

void TForm2::LoadSettings() {
  const std::string path = SettingsPath();
  auto& store = platform_.settings;
  const auto width = store.Read(path, kSection, "FOW");
  const auto height = store.Read(path, kSection, "FOH");
  FormWidthText = width.value_or("937");
  FormHeightText = height.value_or("411");
  // A stored size is the window's real size; the defaults are the layout's,
  // made for 96 pixels per inch.
  defaultWidth_ = !width;
  defaultHeight_ = !height;
  for (const auto& f : kFlags) {
    const auto text = store.Read(path, kSection, f.key);
    this->*f.member = text ? ParseFlag(*text, true) : true;
  }
  LoadLogSettings();
}

void TForm2::SaveSettings() {
  const std::string path = SettingsPath();
  auto write = [&](const char* key, const std::string& value) {
    if (!platform_.settings.Write(path, kSection, key, value)) {
      throw UserError(Format1("%s に書き込めません", platform_.locale.PathForDisplay(path)));
    }
  };
  write("FOW", IntToStr(Width()));
  write("FOH", IntToStr(Height()));
  for (const auto& f : kFlags) write(f.key, this->*f.member ? "1" : "0");
  SaveLogSettings();
}

}  // namespace horone
