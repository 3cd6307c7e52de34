#pragma once
// kavro.com's arguments: "run" a list of drawings with a script template, or "retry" the drawings
// an earlier run left unsaved. Parsing only; the caller acts on the result.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavro::cli {

enum class CommandKind {
  None,  // no arguments: the caller decides (kavro.exe starts its window, kavro.com shows help)
  Run,
  Retry,
  Cad,  // lists the CAD programs of the machine
  Help,
  Error,        // `error` says what is wrong
  CloudLogin,   // store the cloud credentials for this Windows user
  CloudLogout,  // remove them
};

// Which AutoCAD does the work: the desktop program through automation, one drawing at a time,
// processes of its console edition, several at once, or Autodesk's hosted console edition.
enum class Engine { Gui, Core, Cloud };

struct CommandLine {
  CommandKind kind = CommandKind::None;
  std::wstring listPath;          // run
  std::wstring scriptPath;        // run
  std::wstring journalPath;       // retry; empty: the caller picks the newest
  std::wstring startPage = L"1";  // as typed; read later as the start page box is read
  bool r2000 = true;
  Engine engine = Engine::Gui;
  bool engineGiven = false;  // --engine; a retry without it keeps its journal's engine
  size_t jobs = 0;           // 0: not given (see ResolveJobs)
  std::wstring logPath;      // empty: the default place
  std::wstring corePath;     // the console AutoCAD's program; empty: looked for
  std::wstring cloudEngine;  // the hosted AutoCAD's engine id; empty: the default
  std::wstring cad;  // --cad: the CAD program's name; empty: 自动 (a retry: the journal's)
  std::wstring error;
  bool checkOnly = false;  // --check: only the drawing check, nothing is run
};

CommandLine ParseCommandLine(const std::vector<std::wstring>& args);

// What is wrong with the line's options on `engine`, or empty. The parser checks them, except for
// a retry without --engine: its engine is known once its journal was read.
std::wstring EngineConflict(const CommandLine& line, Engine engine);

// The engine as the journal records it: "core", "cloud", or empty for the desktop program (gui);
// none for a word it does not know.
std::wstring EngineWord(Engine engine);
std::optional<Engine> EngineOfWord(std::wstring_view word);

// One wait covers every job and the cancel event: Windows waits on at most 64 handles.
inline constexpr size_t kMaxJobs = 32;
inline constexpr size_t kDefaultJobsCap = 8;
// Work items in flight on the hosted engine.
inline constexpr size_t kMaxCloudJobs = 50;
inline constexpr size_t kDefaultCloudJobs = 10;

// The jobs to run at once: `requested` when given, else the logical processors, at most 8 (and at
// least 1 when the system does not say).
size_t ResolveJobs(size_t requested, size_t processors);

// BadInput also when a drawing fails the check before the run.
enum class ExitCode { AllSaved = 0, SomeFailed = 1, BadInput = 2, NoAutoCad = 3 };

// A run that worked on its drawings: all 完成, or not (a script that went wrong, failed,
// cancelled or never begun).
ExitCode ExitCodeOf(size_t failed, size_t notBegun, size_t scriptErrors);

// The help text, lines ended by "\n".
std::wstring UsageText();

}  // namespace kavro::cli
