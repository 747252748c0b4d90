#include "game.h"

#include <commctrl.h>

#include <string>
#include <utility>

#include "chat_log_window.h"
#include "katu_chatlog_message.h"
#include "text_util.h"

namespace gameclient {
namespace {

constexpr wchar_t kControlClass[] = L"HoroneStandinControl";
constexpr wchar_t kTableClass[] = L"KatuGameMjMain";
constexpr wchar_t kDefaultLobbyTitle[] = L"一般ロビー 東南戦ロビー";
constexpr wchar_t kDefaultTableTitle[] = L"第12卓 東南戦 喰断あり";
constexpr wchar_t kFailTitle[] = L"観戦失敗";
constexpr wchar_t kDialogFace[] = L"MS UI Gothic";

constexpr ULONG_PTR kCopyDataCommand = 1;

// Messages of the control window.
constexpr UINT kMsgContinueScript = WM_APP + 1;
constexpr UINT kMsgHang = WM_APP + 2;         // wParam: milliseconds
constexpr UINT kMsgBurstChunk = WM_APP + 3;   // wParam: burst id
constexpr UINT kMsgSpectate = WM_APP + 4;     // wParam: Outcome

constexpr UINT_PTR kScriptTimer = 1;
// Lines a zero-interval burst emits before letting the message loop run.
constexpr uint32_t kBurstChunk = 64;

enum ControlId : int {
  kIdTableList = 1001,
  kIdSpectate = 1002,
  kIdLobbyInput = 1003,
  kIdLobbyLog = 1004,
  kIdFailText = 1101,
  kIdTableInput = 2001,
  kIdTableLog = 2002,
};

enum ButtonKind : DWORD_PTR { kSpectateButton = 0, kFailOkButton = 1 };

// A DLGTEMPLATE with no items; the controls are created in WM_INITDIALOG.
std::vector<WORD> BuildDialogTemplate(DWORD style, short x, short y, short cx, short cy,
                                      std::wstring_view title) {
  std::vector<WORD> t;
  const DWORD full_style = style | DS_SETFONT;
  t.push_back(LOWORD(full_style));
  t.push_back(HIWORD(full_style));
  t.push_back(0);  // extended style
  t.push_back(0);
  t.push_back(0);  // no items
  t.push_back(static_cast<WORD>(x));
  t.push_back(static_cast<WORD>(y));
  t.push_back(static_cast<WORD>(cx));
  t.push_back(static_cast<WORD>(cy));
  t.push_back(0);  // no menu
  t.push_back(0);  // the standard dialog class
  for (wchar_t c : title) t.push_back(static_cast<WORD>(c));
  t.push_back(0);
  t.push_back(9);  // point size
  for (const wchar_t* p = kDialogFace; *p; ++p) t.push_back(static_cast<WORD>(*p));
  t.push_back(0);
  return t;
}

RECT DialogRect(HWND dialog, int x, int y, int cx, int cy) {
  RECT r{x, y, x + cx, y + cy};
  MapDialogRect(dialog, &r);
  return r;
}

HWND CreateChild(HWND parent, DWORD ex_style, const wchar_t* cls, const wchar_t* text,
                 DWORD style, const RECT& r, int id, HINSTANCE instance, HFONT font) {
  HWND child = CreateWindowExW(ex_style, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                               r.right - r.left, r.bottom - r.top, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (child && font) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

std::wstring Decimal(long long value) { return std::to_wstring(value); }

}  // namespace

Game* Game::instance_game_ = nullptr;

Game::Game(HINSTANCE instance, Journal& journal, std::wstring user)
    : instance_(instance),
      journal_(journal),
      user_(std::move(user)),
      lobby_title_(kDefaultLobbyTitle),
      table_title_(kDefaultTableTitle) {
  instance_game_ = this;
}

Game::~Game() {
  Shutdown();
  if (font_) DeleteObject(font_);
  instance_game_ = nullptr;
}

void Game::Log(std::wstring_view line) {
  if (!closing_) journal_.Write(line);
}

bool Game::Start(bool open_lobby, std::vector<std::wstring> script) {
  if (!RegisterChatLogClass(instance_)) return false;

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = ControlProc;
  wc.hInstance = instance_;
  wc.lpszClassName = kControlClass;
  if (!RegisterClassExW(&wc)) return false;

  wc = WNDCLASSEXW{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = TableProc;
  wc.hInstance = instance_;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  wc.lpszClassName = kTableClass;
  if (!RegisterClassExW(&wc)) return false;

  font_ = CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                      DEFAULT_PITCH | FF_DONTCARE, kDialogFace);

  if (open_lobby && !OpenLobby()) return false;

  // Hidden, but a real top-level window so that FindWindowW finds it. Made
  // last: once it exists, the lobby is complete.
  control_ = CreateWindowExW(WS_EX_TOOLWINDOW, kControlClass, L"gameclient control", WS_POPUP, 0, 0,
                             0, 0, nullptr, nullptr, instance_, nullptr);
  if (!control_) return false;

  script_ = std::move(script);
  script_running_ = !script_.empty();
  if (script_running_) PostMessageW(control_, kMsgContinueScript, 0, 0);
  return true;
}

void Game::Shutdown() {
  closing_ = true;
  for (auto& [id, burst] : bursts_) {
    if (control_) KillTimer(control_, id);
  }
  bursts_.clear();
  if (fail_) DestroyWindow(fail_);
  if (table_) DestroyWindow(table_);
  if (lobby_) DestroyWindow(lobby_);
  if (control_) DestroyWindow(control_);
  control_ = nullptr;
}

// ---------------------------------------------------------------------------
// Control channel and script

LRESULT CALLBACK Game::ControlProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  Game* game = instance_game_;
  if (!game) return DefWindowProcW(hwnd, msg, wparam, lparam);
  switch (msg) {
    case WM_COPYDATA:
      return game->OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lparam));
    case kMsgContinueScript:
      game->ContinueScript();
      return 0;
    case kMsgHang:
      Sleep(static_cast<DWORD>(wparam));
      return 0;
    case kMsgBurstChunk:
      game->OnBurstChunk(static_cast<UINT_PTR>(wparam));
      return 0;
    case kMsgSpectate:
      game->ApplyOutcome(static_cast<Outcome>(wparam));
      return 0;
    case WM_TIMER:
      if (wparam == kScriptTimer) {
        KillTimer(hwnd, kScriptTimer);
        game->ContinueScript();
      } else {
        game->OnBurstTimer(static_cast<UINT_PTR>(wparam));
      }
      return 0;
    case WM_CLOSE:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wparam, lparam);
  }
}

LRESULT Game::OnCopyData(const COPYDATASTRUCT* data) {
  if (!data || data->dwData != kCopyDataCommand) return FALSE;
  std::string_view bytes;
  if (data->lpData && data->cbData) {
    bytes = std::string_view(static_cast<const char*>(data->lpData), data->cbData);
  }
  while (!bytes.empty() && (bytes.back() == '\0' || bytes.back() == '\n' || bytes.back() == '\r')) {
    bytes.remove_suffix(1);
  }
  const auto line = Utf8ToWide(bytes);
  if (!line) return FALSE;
  const auto command = ParseCommand(*line);
  if (!command) return FALSE;
  return Execute(*command, false) ? TRUE : FALSE;
}

void Game::ContinueScript() {
  if (!script_running_) return;
  while (script_next_ < script_.size()) {
    const size_t index = script_next_++;
    const std::wstring line = script_[index];
    if (line.empty() || line[0] == L'#') continue;
    const auto command = ParseCommand(line);
    if (command && command->kind == Command::Kind::kSleep) {
      if (command->ms == 0) {
        PostMessageW(control_, kMsgContinueScript, 0, 0);
      } else {
        SetTimer(control_, kScriptTimer, command->ms, nullptr);
      }
      return;
    }
    if (!command || !Execute(*command, true)) {
      Log(L"script error " + Decimal(static_cast<long long>(index + 1)) + L" " +
          EscapeForJournal(line));
    }
    if (command && command->kind == Command::Kind::kQuit) {
      script_running_ = false;
      return;
    }
  }
  script_running_ = false;
  Log(L"script done");
}

bool Game::Execute(const Command& c, bool from_script) {
  switch (c.kind) {
    case Command::Kind::kLobbyTitle:
      lobby_title_ = c.text;
      if (lobby_) SetWindowTextW(lobby_, lobby_title_.c_str());
      return true;
    case Command::Kind::kLobbyList:
      table_list_ = c.items;
      FillTableList();
      return true;
    case Command::Kind::kLobbyOpen:
      return OpenLobby();
    case Command::Kind::kLobbyClose:
      if (lobby_) DestroyWindow(lobby_);
      return true;
    case Command::Kind::kTableOpen:
      if (!c.text.empty()) table_title_ = c.text;
      if (table_) {
        SetWindowTextW(table_, table_title_.c_str());
        return true;
      }
      return OpenTable();
    case Command::Kind::kTableTitle:
      table_title_ = c.text;
      if (table_) SetWindowTextW(table_, table_title_.c_str());
      return true;
    case Command::Kind::kTableClose:
      if (table_) DestroyWindow(table_);
      return true;
    case Command::Kind::kOutcomes:
      outcomes_.assign(c.outcomes.begin(), c.outcomes.end());
      return true;
    case Command::Kind::kChat:
      return AppendChat(c.target, c.text, c.content);
    case Command::Kind::kBurst:
      return StartBurst(c);
    case Command::Kind::kHang:
      if (from_script) {
        Sleep(c.ms);
      } else {
        // The sender gets its answer first; the UI thread stops right after.
        PostMessageW(control_, kMsgHang, c.ms, 0);
      }
      return true;
    case Command::Kind::kSleep:
      return false;  // only the script runner knows how to wait
    case Command::Kind::kMark:
      Log(L"mark " + EscapeForJournal(c.text));
      return true;
    case Command::Kind::kOnClick: {
      const DWORD_PTR button = c.text == L"failok" ? kFailOkButton : kSpectateButton;
      if (c.content.empty()) {
        on_click_.erase(button);
      } else {
        on_click_[button] = c.content;
      }
      return true;
    }
    case Command::Kind::kQuit:
      PostQuitMessage(0);
      return true;
  }
  return false;
}

// ---------------------------------------------------------------------------
// Lobby

bool Game::OpenLobby() {
  if (lobby_) {
    ShowWindow(lobby_, SW_SHOWNORMAL);
    return true;
  }
  const std::vector<WORD> tmpl = BuildDialogTemplate(
      WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, 8, 8, 260, 176,
      lobby_title_);
  HWND dialog = CreateDialogIndirectParamW(
      instance_, reinterpret_cast<const DLGTEMPLATE*>(tmpl.data()), nullptr, LobbyProc, 0);
  if (!dialog) return false;
  lobby_ = dialog;
  FillTableList();
  ShowWindow(lobby_, SW_SHOWNORMAL);
  UpdateWindow(lobby_);
  Log(L"lobby opened");
  return true;
}

void Game::InitLobby(HWND dialog) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
  // Creation order is the Z order ホロネ walks: list, spectate, input, log.
  lobby_list_ = CreateChild(dialog, WS_EX_CLIENTEDGE, L"ListBox", L"",
                            WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                            DialogRect(dialog, 7, 7, 112, 140), kIdTableList, instance_, font);
  lobby_spectate_ = CreateChild(dialog, 0, L"Button", L"観戦(&F)", WS_TABSTOP | BS_PUSHBUTTON,
                                DialogRect(dialog, 7, 154, 56, 15), kIdSpectate, instance_, font);
  lobby_edit_ = CreateChild(dialog, WS_EX_CLIENTEDGE, L"Edit", L"", WS_TABSTOP | ES_AUTOHSCROLL,
                            DialogRect(dialog, 126, 154, 127, 15), kIdLobbyInput, instance_, font);
  lobby_log_ = CreateChatLog(dialog, kIdLobbyLog, instance_);
  if (lobby_log_) {
    const RECT r = DialogRect(dialog, 126, 7, 127, 140);
    MoveWindow(lobby_log_, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
    SendMessageW(lobby_log_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  SetWindowSubclass(lobby_list_, ListSubclass, 1, 0);
  SetWindowSubclass(lobby_spectate_, ButtonSubclass, 1, kSpectateButton);
  SetWindowSubclass(lobby_edit_, EditSubclass, 1, static_cast<DWORD_PTR>(Target::kLobby));
}

void Game::FillTableList() {
  if (!lobby_list_) return;
  // Not journaled: only LB_GETCOUNT, LB_SETCURSEL, LB_GETTEXT(LEN) are.
  SendMessageW(lobby_list_, WM_SETREDRAW, FALSE, 0);
  SendMessageW(lobby_list_, LB_RESETCONTENT, 0, 0);
  for (const std::wstring& item : table_list_) {
    SendMessageW(lobby_list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }
  SendMessageW(lobby_list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(lobby_list_, nullptr, TRUE);
}

INT_PTR CALLBACK Game::LobbyProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM /*lparam*/) {
  Game* game = instance_game_;
  if (!game) return FALSE;
  switch (msg) {
    case WM_INITDIALOG:
      game->InitLobby(hwnd);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == kIdSpectate && HIWORD(wparam) == BN_CLICKED) {
        game->OnSpectateClicked();
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        DestroyWindow(hwnd);
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return TRUE;
    case WM_DESTROY:
      game->OnLobbyDestroyed();
      return FALSE;
    default:
      return FALSE;
  }
}

void Game::OnLobbyDestroyed() {
  lobby_ = lobby_list_ = lobby_spectate_ = lobby_edit_ = lobby_log_ = nullptr;
  EndBursts(Target::kLobby);
  Log(L"lobby closed");
}

// ---------------------------------------------------------------------------
// Spectating

void Game::OnSpectateClicked() {
  Outcome outcome = Outcome::kNone;
  if (!outcomes_.empty()) {
    outcome = outcomes_.front();
    outcomes_.pop_front();
  }
  // The answer comes a moment after the click, as from a server; the click
  // itself returns at once.
  PostMessageW(control_, kMsgSpectate, static_cast<WPARAM>(outcome), 0);
}

void Game::ApplyOutcome(Outcome outcome) {
  switch (outcome) {
    case Outcome::kFail:
      ShowFailDialog();
      break;
    case Outcome::kOpen:
      OpenTable();
      break;
    case Outcome::kFlash:
      // A table that ends as it opens: gone before anyone can look for it.
      if (!table_ && OpenTable() && table_) DestroyWindow(table_);
      break;
    case Outcome::kNone:
      break;
  }
}

void Game::ShowFailDialog() {
  if (fail_) return;  // one at a time
  const std::vector<WORD> tmpl = BuildDialogTemplate(
      WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 0, 0, 168, 62, kFailTitle);
  HWND dialog = CreateDialogIndirectParamW(
      instance_, reinterpret_cast<const DLGTEMPLATE*>(tmpl.data()), lobby_, FailProc, 0);
  if (!dialog) return;
  fail_ = dialog;
  ShowWindow(fail_, SW_SHOWNORMAL);
  UpdateWindow(fail_);
  Log(L"dialog fail shown");
}

void Game::InitFailDialog(HWND dialog) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
  CreateChild(dialog, 0, L"Static", L"観戦できませんでした。", SS_LEFT,
              DialogRect(dialog, 10, 10, 148, 20), kIdFailText, instance_, font);
  fail_ok_ = CreateChild(dialog, 0, L"Button", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON,
                         DialogRect(dialog, 59, 38, 50, 15), IDOK, instance_, font);
  SetWindowSubclass(fail_ok_, ButtonSubclass, 1, kFailOkButton);
  SetFocus(fail_ok_);
}

INT_PTR CALLBACK Game::FailProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM /*lparam*/) {
  Game* game = instance_game_;
  if (!game) return FALSE;
  switch (msg) {
    case WM_INITDIALOG:
      game->InitFailDialog(hwnd);
      return FALSE;  // focus already set
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
        DestroyWindow(hwnd);
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return TRUE;
    case WM_DESTROY:
      game->fail_ = game->fail_ok_ = nullptr;
      game->Log(L"dialog fail closed");
      return FALSE;
    default:
      return FALSE;
  }
}

// ---------------------------------------------------------------------------
// Table window

bool Game::OpenTable() {
  if (table_) return true;
  HWND window = CreateWindowExW(0, kTableClass, table_title_.c_str(),
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 470, 40, 560, 420, nullptr,
                                nullptr, instance_, nullptr);
  if (!window) return false;
  table_ = window;
  LayoutTable();
  ShowWindow(table_, SW_SHOWNORMAL);
  UpdateWindow(table_);
  Log(L"table opened");
  return true;
}

void Game::InitTable(HWND window) {
  const RECT none{0, 0, 10, 10};
  // Input first, then the log.
  table_edit_ = CreateChild(window, WS_EX_CLIENTEDGE, L"Edit", L"", WS_TABSTOP | ES_AUTOHSCROLL,
                            none, kIdTableInput, instance_, font_);
  table_log_ = CreateChatLog(window, kIdTableLog, instance_);
  if (table_log_) SendMessageW(table_log_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  SetWindowSubclass(table_edit_, EditSubclass, 1, static_cast<DWORD_PTR>(Target::kTable));
}

void Game::LayoutTable() {
  if (!table_) return;
  RECT client;
  GetClientRect(table_, &client);
  const int width = 230;
  const int x = client.right - width - 8;
  if (table_log_) MoveWindow(table_log_, x, 8, width, client.bottom - 48, TRUE);
  if (table_edit_) MoveWindow(table_edit_, x, client.bottom - 32, width, 24, TRUE);
}

void Game::PaintTable() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(table_, &ps);
  RECT client;
  GetClientRect(table_, &client);
  HBRUSH felt = CreateSolidBrush(RGB(0, 96, 48));
  FillRect(dc, &client, felt);
  DeleteObject(felt);

  RECT board{16, 40, client.right - 254, client.bottom - 16};
  HBRUSH inner = CreateSolidBrush(RGB(0, 128, 64));
  FillRect(dc, &board, inner);
  DeleteObject(inner);

  HGDIOBJ old_font = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  RECT caption{16, 12, client.right - 254, 36};
  DrawTextW(dc, table_title_.c_str(), -1, &caption, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
  DrawTextW(dc, L"観戦中", -1, &board, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SelectObject(dc, old_font);
  EndPaint(table_, &ps);
}

LRESULT CALLBACK Game::TableProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  Game* game = instance_game_;
  if (!game) return DefWindowProcW(hwnd, msg, wparam, lparam);
  switch (msg) {
    case WM_CREATE:
      game->table_ = hwnd;
      game->InitTable(hwnd);
      return 0;
    case WM_SIZE:
      game->LayoutTable();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      game->PaintTable();
      return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
      game->Log(std::wstring(L"key tablewin ") + (msg == WM_KEYDOWN ? L"down " : L"up ") +
                Decimal(static_cast<long long>(wparam)));
      return 0;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      game->OnTableDestroyed();
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wparam, lparam);
  }
}

void Game::OnTableDestroyed() {
  table_ = table_edit_ = table_log_ = nullptr;
  EndBursts(Target::kTable);
  Log(L"table closed");
}

// ---------------------------------------------------------------------------
// Chat

HWND Game::ChatLogOf(Target target) const {
  return target == Target::kLobby ? lobby_log_ : table_log_;
}

bool Game::AppendChat(Target target, const std::wstring& user, const std::wstring& content) {
  HWND log = ChatLogOf(target);
  if (!log) return false;
  const std::wstring line = user + L"\t" + content;
  if (line.size() > katu::kChatLogMaxLine) return false;
  // Sent, never posted: this is where HOROHK's WH_CALLWNDPROC hook sees the
  // line. The call may re-enter this object (ホロネ may send commands while
  // the hook is waiting for it).
  const LRESULT stored = SendMessageW(log, katu::kChatLogAddLine, line.size(),
                                      reinterpret_cast<LPARAM>(line.c_str()));
  if (stored != 1) return false;
  Log(std::wstring(L"chatlog ") + TargetName(target) + L" " + EscapeForJournal(user) + L"\t" +
      EscapeForJournal(content));
  return true;
}

void Game::OnInputReturn(Target target, std::wstring text) {
  if (text.empty()) return;
  Log(std::wstring(L"sent ") + TargetName(target) + L" " + EscapeForJournal(text));
  AppendChat(target, user_, text);
}

LRESULT CALLBACK Game::EditSubclass(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR /*id*/, DWORD_PTR ref) {
  Game* game = instance_game_;
  const Target target = static_cast<Target>(ref);
  auto prefix = [target] { return std::wstring(TargetName(target)) + L" "; };
  switch (msg) {
    case WM_SETTEXT:
      if (game) {
        const wchar_t* text = lparam ? reinterpret_cast<const wchar_t*>(lparam) : L"";
        game->Log(L"settext " + prefix() + EscapeForJournal(text));
      }
      break;
    case WM_KEYDOWN: {
      if (!game) break;
      game->Log(L"key " + prefix() + L"down " + Decimal(static_cast<long long>(wparam)));
      const LRESULT result = DefSubclassProc(hwnd, msg, wparam, lparam);
      if (wparam == VK_RETURN) {
        const int length = GetWindowTextLengthW(hwnd);
        std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
        const int got = GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()));
        text.resize(static_cast<size_t>(got > 0 ? got : 0));
        if (!text.empty()) {
          // Cleared behind the journal's back: only ホロネ's WM_SETTEXT counts.
          DefSubclassProc(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
          game->OnInputReturn(target, std::move(text));  // hwnd may be gone after this
        }
      }
      return result;
    }
    case WM_KEYUP:
      if (game) game->Log(L"key " + prefix() + L"up " + Decimal(static_cast<long long>(wparam)));
      break;
    case WM_CHAR:
      // The Enter key sends the line; the edit must not beep at it.
      if (wparam == L'\r' || wparam == L'\n') return 0;
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, EditSubclass, 1);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wparam, lparam);
}

LRESULT CALLBACK Game::ListSubclass(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR /*id*/, DWORD_PTR /*ref*/) {
  Game* game = instance_game_;
  if (game) {
    const std::wstring index = Decimal(static_cast<int>(wparam));
    switch (msg) {
      case LB_GETCOUNT:
        game->Log(L"lb count");
        break;
      case LB_SETCURSEL:
        game->Log(L"lb setcursel " + index);
        break;
      case LB_GETTEXT:
        game->Log(L"lb gettext " + index);
        break;
      case LB_GETTEXTLEN:
        game->Log(L"lb gettextlen " + index);
        break;
      case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, ListSubclass, 1);
        break;
      default:
        break;
    }
  }
  return DefSubclassProc(hwnd, msg, wparam, lparam);
}

LRESULT CALLBACK Game::ButtonSubclass(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam,
                                      UINT_PTR /*id*/, DWORD_PTR ref) {
  Game* game = instance_game_;
  const wchar_t* name = ref == kFailOkButton ? L"failok" : L"spectate";
  switch (msg) {
    case WM_LBUTTONDOWN:
      if (game) {
        game->Log(std::wstring(L"click ") + name + L" down");
        game->RunOnClick(ref);
        // The command may have closed the window this button is in.
        if (!IsWindow(hwnd)) return 0;
      }
      break;
    case WM_LBUTTONUP:
      // Logged first: the button's own handling may close the dialog.
      if (game) game->Log(std::wstring(L"click ") + name + L" up");
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, ButtonSubclass, 1);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wparam, lparam);
}

void Game::RunOnClick(DWORD_PTR button) {
  const auto it = on_click_.find(button);
  if (it == on_click_.end()) return;
  const std::wstring line = it->second;
  on_click_.erase(it);
  Log(std::wstring(L"onclick ") + (button == kFailOkButton ? L"failok " : L"spectate ") +
      EscapeForJournal(line));
  if (const auto command = ParseCommand(line)) Execute(*command, false);
}

// ---------------------------------------------------------------------------
// Bursts

bool Game::StartBurst(const Command& c) {
  if (!ChatLogOf(c.target)) return false;
  const UINT_PTR id = next_burst_id_++;
  Burst& burst = bursts_[id];
  burst.target = c.target;
  burst.count = c.count;
  burst.interval_ms = c.ms;
  burst.users = c.items;
  if (c.count == 0) {
    FinishBurst(id);
  } else if (c.ms > 0) {
    SetTimer(control_, id, c.ms, nullptr);
  } else {
    PostMessageW(control_, kMsgBurstChunk, id, 0);
  }
  return true;
}

void Game::OnBurstTimer(UINT_PTR id) {
  if (bursts_.count(id) == 0) {
    KillTimer(control_, id);
    return;
  }
  EmitBurstLine(id);
}

void Game::OnBurstChunk(UINT_PTR id) {
  for (uint32_t i = 0; i < kBurstChunk; ++i) {
    if (!EmitBurstLine(id)) return;
  }
  PostMessageW(control_, kMsgBurstChunk, id, 0);
}

// Emits the next line; false once the burst is over (or was ended meanwhile).
bool Game::EmitBurstLine(UINT_PTR id) {
  auto it = bursts_.find(id);
  if (it == bursts_.end()) return false;
  Burst& burst = it->second;
  const uint32_t n = ++burst.emitted;
  const bool last = n >= burst.count;
  const Target target = burst.target;
  const std::wstring user = burst.users[(n - 1) % burst.users.size()];
  const std::wstring content = L"line " + Decimal(n) + L" from " + user;
  const bool ok = AppendChat(target, user, content);  // may re-enter
  if (bursts_.count(id) == 0) return false;
  if (!ok || last) {
    FinishBurst(id);
    return false;
  }
  return true;
}

void Game::FinishBurst(UINT_PTR id) {
  auto it = bursts_.find(id);
  if (it == bursts_.end()) return;
  KillTimer(control_, id);
  const Burst burst = it->second;
  bursts_.erase(it);
  Log(std::wstring(L"burst done ") + TargetName(burst.target) + L" " + Decimal(burst.emitted));
}

void Game::EndBursts(Target target) {
  std::vector<UINT_PTR> ids;
  for (const auto& [id, burst] : bursts_) {
    if (burst.target == target) ids.push_back(id);
  }
  for (UINT_PTR id : ids) FinishBurst(id);
}

}  // namespace gameclient
