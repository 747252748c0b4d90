// The control commands of the game client (see standins/README.md). Both the
// WM_COPYDATA channel and the start-up script use the same text form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gameclient {

enum class Target { kLobby, kTable };
enum class Outcome { kFail, kOpen, kNone, kFlash };

struct Command {
  enum class Kind {
    kLobbyTitle,  // text
    kLobbyList,   // items
    kLobbyOpen,
    kLobbyClose,
    kTableOpen,   // text (empty: keep the current title)
    kTableTitle,  // text
    kTableClose,
    kOutcomes,    // outcomes
    kChat,        // target, text (user), content
    kBurst,       // target, count, ms (interval), items (users)
    kHang,        // ms
    kSleep,       // ms
    kMark,        // text
    kOnClick,     // text (button: spectate or failok), content (command line; empty: disarm)
    kQuit,
  };
  Kind kind = Kind::kQuit;
  Target target = Target::kLobby;
  std::wstring text;
  std::wstring content;
  std::vector<std::wstring> items;
  std::vector<Outcome> outcomes;
  uint32_t count = 0;
  uint32_t ms = 0;
};

// nullopt for an unknown command or malformed arguments.
std::optional<Command> ParseCommand(std::wstring_view line);

const wchar_t* TargetName(Target target);

}  // namespace gameclient
