#pragma once
// The stand-in's drawings and command line: just enough of AutoCAD for a client to see what
// AutoCAD would have done. A "drawing" is any existing file; running a script records the
// script's bytes against the active drawing, and saving appends what was recorded to the file.
#include <windows.h>

#include <deque>
#include <map>
#include <string>
#include <string_view>

#include "config.h"
#include "variables.h"

namespace standin {

struct Drawing {
  std::wstring path;     // empty for a drawing made from a template (never saved anywhere)
  std::wstring name;     // "Drawing2.dwg" or the file's name
  std::string applied;   // bytes of the scripts run on it since it was last saved
  std::wstring history;  // command-line lines not yet written to its history file
};

class Cad {
 public:
  explicit Cad(const Config& config);

  void AttachWindow(HWND window) { window_ = window; }
  HWND Window() const { return window_; }
  const Config& Settings() const { return config_; }

  // Every automation call but the state queries goes through here first: throws
  // CallRejected while a background script runs.
  void EnterCall();
  // Logs keys typed into a command that has not ended yet (before a call, and at exit).
  void FlushTyped();
  bool Quiescent() const { return !busy_ && !modal_; }
  SystemVariables& Variables() { return vars_; }

  // A message box owned by the main window; calls are rejected until it is answered.
  int Ask(const std::wstring& title, const std::wstring& text, UINT type);
  // Asks about the untrusted script put aside by a background script command.
  void AskPendingScript();

  // Drawings, by id. Throw CallError as AutoCAD reports failures.
  int ActiveId() const { return active_; }
  bool IsOpen(int id) const { return drawings_.count(id) != 0; }
  int Count() const { return static_cast<int>(drawings_.size()); }
  const Drawing& At(int id) const;
  int Add(const std::wstring& templatePath);
  int Open(const std::wstring& path);             // a new document window, made active
  void Reopen(int id, const std::wstring& path);  // the drawing of this document replaced
  void Close(int id, bool save);

  // Command-line input: `typed` is true for keys typed into the window. CR (or LF) ends an
  // input; at the command prompt a space does too.
  void Feed(std::wstring_view text, bool typed);

  // The command history file of drawing `id` (LOGFILENAME). AutoCAD writes what the command line
  // showed while LOGFILEMODE is 1 when the drawing is closed or the mode goes to 0.
  std::wstring HistoryFile(int id) const;
  void WriteHistories();

  std::wstring Caption() const;
  // The command line as the window shows it: history, then the prompt with its input.
  std::deque<std::wstring> Screen() const;
  std::wstring PromptLine() const;

  // Called when a background script has finished.
  void ScriptDone();

 private:
  enum class Prompt { Command, FiledaiaValue, ScriptPath };

  void FeedChar(wchar_t c, bool typed);
  void EndInput();
  void RunCommand(std::wstring word);
  void RunScript(const std::wstring& path);
  void ApplyScript(const std::wstring& path, const std::string& bytes);
  // False when SECURELOAD keeps the script from running now (refused, or put aside to ask).
  bool MayRunScript(const std::wstring& path, const std::string& bytes);
  bool AskToLoad(const std::wstring& path);
  bool InBackground() const { return config_.asyncScripts && config_.scriptMs > 0; }
  void ReadTypeAhead();
  // False (with a note) when the file cannot be written; `error` says why.
  bool Save(Drawing& drawing, std::wstring* error);
  void CountOpen(const std::wstring& path);
  void CheckExists(const std::wstring& path, const wchar_t* what) const;
  void Changed();
  void Say(const std::wstring& line);
  void WriteHistory(int id);
  // The script's lines as the command line echoes them, with the message for an unknown command.
  void EchoScript(const std::wstring& text);

  Config config_;
  HWND window_ = nullptr;
  std::map<int, Drawing> drawings_;
  int active_ = 0;
  int nextId_ = 1;
  int nextUnnamed_ = 1;
  int opens_ = 0;
  SystemVariables vars_;
  bool busy_ = false;
  bool modal_ = false;
  std::wstring pendingScript_;  // an untrusted script waiting for the answer to load it
  std::string pendingBytes_;
  Prompt prompt_ = Prompt::Command;
  std::wstring input_;
  std::wstring typedEcho_;
  std::wstring lastCommand_;
  std::wstring pendingKeys_;  // typed while a background script runs
  std::deque<std::wstring> screen_;
};

Cad& TheCad();
// Withdraws the class object and the running-object entry (main.cpp).
void RevokeRegistrations();

// Set by a test to end a hang (see the hangAt setting).
inline constexpr wchar_t kWakeEventName[] = L"KavroStandinWake";
void CreateCad(const Config& config);

// Window messages the stand-in posts to itself.
constexpr UINT kHangMessage = WM_APP + 1;
constexpr UINT kAskScriptMessage = WM_APP + 2;
constexpr UINT_PTR kScriptTimer = 1;

}  // namespace standin
