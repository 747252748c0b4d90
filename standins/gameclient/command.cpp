#include "command.h"

#include "text_util.h"

namespace gameclient {
namespace {

constexpr uint32_t kMaxMs = 600000;
constexpr uint32_t kMaxBurstCount = 1000000;

// If line is exactly word, or word followed by a space, stores what follows
// the space in rest (possibly empty) and returns true.
bool TakeWord(std::wstring_view line, std::wstring_view word, std::wstring_view* rest) {
  if (line.substr(0, word.size()) != word) return false;
  if (line.size() == word.size()) {
    *rest = std::wstring_view();
    return true;
  }
  if (line[word.size()] != L' ') return false;
  *rest = line.substr(word.size() + 1);
  return true;
}

std::optional<Target> ParseTarget(std::wstring_view word) {
  if (word == L"lobby") return Target::kLobby;
  if (word == L"table") return Target::kTable;
  return std::nullopt;
}

// "<lobby|table> REST": splits off the target.
bool TakeTarget(std::wstring_view args, Target* target, std::wstring_view* rest) {
  const size_t space = args.find(L' ');
  if (space == std::wstring_view::npos) return false;
  const auto t = ParseTarget(args.substr(0, space));
  if (!t) return false;
  *target = *t;
  *rest = args.substr(space + 1);
  return true;
}

std::optional<Command> Make(Command::Kind kind) {
  Command c;
  c.kind = kind;
  return c;
}

std::optional<Command> ParseLobby(std::wstring_view args) {
  std::wstring_view rest;
  if (TakeWord(args, L"title", &rest)) {
    if (rest.empty()) return std::nullopt;
    auto c = Make(Command::Kind::kLobbyTitle);
    c->text = rest;
    return c;
  }
  if (TakeWord(args, L"list", &rest)) {
    auto c = Make(Command::Kind::kLobbyList);
    if (!rest.empty()) c->items = Split(rest, L'|');
    return c;
  }
  if (args == L"open") return Make(Command::Kind::kLobbyOpen);
  if (args == L"close") return Make(Command::Kind::kLobbyClose);
  return std::nullopt;
}

std::optional<Command> ParseTable(std::wstring_view args) {
  std::wstring_view rest;
  if (TakeWord(args, L"open", &rest)) {
    auto c = Make(Command::Kind::kTableOpen);
    c->text = rest;
    return c;
  }
  if (TakeWord(args, L"title", &rest)) {
    if (rest.empty()) return std::nullopt;
    auto c = Make(Command::Kind::kTableTitle);
    c->text = rest;
    return c;
  }
  if (args == L"close") return Make(Command::Kind::kTableClose);
  return std::nullopt;
}

std::optional<Command> ParseOutcomes(std::wstring_view args) {
  auto c = Make(Command::Kind::kOutcomes);
  if (args.empty()) return c;
  for (const std::wstring& word : Split(args, L',')) {
    if (word == L"fail") {
      c->outcomes.push_back(Outcome::kFail);
    } else if (word == L"open") {
      c->outcomes.push_back(Outcome::kOpen);
    } else if (word == L"none") {
      c->outcomes.push_back(Outcome::kNone);
    } else if (word == L"flash") {
      c->outcomes.push_back(Outcome::kFlash);
    } else {
      return std::nullopt;
    }
  }
  return c;
}

std::optional<Command> ParseChat(std::wstring_view args) {
  auto c = Make(Command::Kind::kChat);
  std::wstring_view rest;
  if (!TakeTarget(args, &c->target, &rest)) return std::nullopt;
  const size_t tab = rest.find(L'\t');
  if (tab == std::wstring_view::npos || tab == 0) return std::nullopt;
  c->text = rest.substr(0, tab);
  c->content = rest.substr(tab + 1);
  return c;
}

std::optional<Command> ParseBurst(std::wstring_view args) {
  auto c = Make(Command::Kind::kBurst);
  std::wstring_view rest;
  if (!TakeTarget(args, &c->target, &rest)) return std::nullopt;
  const std::vector<std::wstring> fields = Split(rest, L' ');
  if (fields.size() != 3) return std::nullopt;
  const auto count = ParseUint(fields[0], kMaxBurstCount);
  const auto interval = ParseUint(fields[1], kMaxMs);
  if (!count || !interval) return std::nullopt;
  c->count = *count;
  c->ms = *interval;
  c->items = Split(fields[2], L',');
  for (const std::wstring& user : c->items) {
    if (user.empty() || user.find(L'\t') != std::wstring::npos) return std::nullopt;
  }
  return c;
}

std::optional<Command> ParseMs(Command::Kind kind, std::wstring_view args) {
  const auto ms = ParseUint(args, kMaxMs);
  if (!ms) return std::nullopt;
  auto c = Make(kind);
  c->ms = *ms;
  return c;
}

// "spectate|failok [COMMAND...]": COMMAND must itself be a valid command
// (not another onclick, not sleep).
std::optional<Command> ParseOnClick(std::wstring_view args) {
  const size_t space = args.find(L' ');
  const std::wstring_view button = args.substr(0, space);
  if (button != L"spectate" && button != L"failok") return std::nullopt;
  auto c = Make(Command::Kind::kOnClick);
  c->text = button;
  if (space == std::wstring_view::npos) return c;
  const std::wstring_view rest = args.substr(space + 1);
  const auto inner = ParseCommand(rest);
  if (!inner || inner->kind == Command::Kind::kOnClick || inner->kind == Command::Kind::kSleep) {
    return std::nullopt;
  }
  c->content = rest;
  return c;
}

}  // namespace

std::optional<Command> ParseCommand(std::wstring_view line) {
  std::wstring_view args;
  if (TakeWord(line, L"lobby", &args)) return ParseLobby(args);
  if (TakeWord(line, L"table", &args)) return ParseTable(args);
  if (TakeWord(line, L"outcomes", &args)) return ParseOutcomes(args);
  if (TakeWord(line, L"chat", &args)) return ParseChat(args);
  if (TakeWord(line, L"burst", &args)) return ParseBurst(args);
  if (TakeWord(line, L"hang", &args)) return ParseMs(Command::Kind::kHang, args);
  if (TakeWord(line, L"sleep", &args)) return ParseMs(Command::Kind::kSleep, args);
  if (TakeWord(line, L"mark", &args)) {
    auto c = Make(Command::Kind::kMark);
    c->text = args;
    return c;
  }
  if (TakeWord(line, L"onclick", &args)) return ParseOnClick(args);
  if (line == L"quit") return Make(Command::Kind::kQuit);
  return std::nullopt;
}

const wchar_t* TargetName(Target target) {
  return target == Target::kLobby ? L"lobby" : L"table";
}

}  // namespace gameclient
