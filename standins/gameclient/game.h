// The game client's windows and its control channel.
//
// Everything runs on the one UI thread. Commands arrive as WM_COPYDATA on the
// hidden "HoroneStandinControl" window or from the start-up script; what
// happens is written to the journal (see standins/README.md).
#pragma once

#include <windows.h>

#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "command.h"
#include "journal.h"

namespace gameclient {

class Game {
 public:
  Game(HINSTANCE instance, Journal& journal, std::wstring user);
  ~Game();
  Game(const Game&) = delete;
  Game& operator=(const Game&) = delete;

  // Registers the window classes, creates the control window, opens the
  // lobby when asked and schedules the script to run once the message loop
  // is running.
  bool Start(bool open_lobby, std::vector<std::wstring> script);
  // Destroys every window without journaling it.
  void Shutdown();

 private:
  struct Burst {
    Target target = Target::kLobby;
    uint32_t count = 0;
    uint32_t interval_ms = 0;
    uint32_t emitted = 0;
    std::vector<std::wstring> users;
  };

  static LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  static INT_PTR CALLBACK LobbyProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  static INT_PTR CALLBACK FailProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK TableProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK EditSubclass(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam,
                                       UINT_PTR id, DWORD_PTR ref);
  static LRESULT CALLBACK ListSubclass(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam,
                                       UINT_PTR id, DWORD_PTR ref);
  static LRESULT CALLBACK ButtonSubclass(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam,
                                         UINT_PTR id, DWORD_PTR ref);

  LRESULT OnCopyData(const COPYDATASTRUCT* data);
  bool Execute(const Command& command, bool from_script);
  // Runs the command armed with "onclick" for that button, if any (once).
  void RunOnClick(DWORD_PTR button);
  void ContinueScript();

  bool OpenLobby();
  void InitLobby(HWND dialog);
  void FillTableList();
  void OnLobbyDestroyed();
  void OnSpectateClicked();
  void ApplyOutcome(Outcome outcome);
  void ShowFailDialog();
  void InitFailDialog(HWND dialog);
  bool OpenTable();
  void InitTable(HWND window);
  void LayoutTable();
  void PaintTable();
  void OnTableDestroyed();

  HWND ChatLogOf(Target target) const;
  bool AppendChat(Target target, const std::wstring& user, const std::wstring& content);
  void OnInputReturn(Target target, std::wstring text);

  bool StartBurst(const Command& command);
  void OnBurstTimer(UINT_PTR id);
  void OnBurstChunk(UINT_PTR id);
  bool EmitBurstLine(UINT_PTR id);
  void FinishBurst(UINT_PTR id);
  void EndBursts(Target target);

  void Log(std::wstring_view line);

  static Game* instance_game_;

  HINSTANCE instance_;
  Journal& journal_;
  std::wstring user_;
  bool closing_ = false;
  HFONT font_ = nullptr;

  HWND control_ = nullptr;
  HWND lobby_ = nullptr;
  HWND lobby_list_ = nullptr;
  HWND lobby_spectate_ = nullptr;
  HWND lobby_edit_ = nullptr;
  HWND lobby_log_ = nullptr;
  HWND fail_ = nullptr;
  HWND fail_ok_ = nullptr;
  HWND table_ = nullptr;
  HWND table_edit_ = nullptr;
  HWND table_log_ = nullptr;

  std::wstring lobby_title_;
  std::wstring table_title_;
  std::vector<std::wstring> table_list_;
  std::deque<Outcome> outcomes_;
  // "onclick": a command line per button (ButtonKind), run at its next press.
  std::map<DWORD_PTR, std::wstring> on_click_;

  std::vector<std::wstring> script_;
  size_t script_next_ = 0;
  bool script_running_ = false;

  std::map<UINT_PTR, Burst> bursts_;
  UINT_PTR next_burst_id_ = 100;
};

}  // namespace gameclient
