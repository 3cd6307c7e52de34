#pragma once
// kavro.com: what the command line asks for, carried out, and the exit code.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/console_win.h"
#include "run/autocad_win.h"
#include "run/cad_programs_win.h"
#include "run/run_limits.h"

namespace kavro::cli {

// What the program gives the command line (tests give their own).
struct CliEnvironment {
  run::AutoCadLink& cad;
  const run::RunLimits& limits;
  std::wstring programFolder;  // kavro.scr of the gui engine goes here
  std::wstring dataFolder;     // journals, logs and the core engine's scripts go below it
  std::function<std::wstring()> timeOfDay;
  std::function<std::optional<std::wstring>()> findCore;  // the registered AutoCAD's console
  TextOut& out;
  TextOut& err;
  CtrlCWatch& ctrlC;
  size_t processors = 1;
  uint32_t coreDrawingMs = 1800000;
  std::function<std::vector<run::CadProgram>()> cadPrograms = &run::FindCadProgramsOnMachine;
};

int RunCommandLine(const std::vector<std::wstring>& args, CliEnvironment& environment);

}  // namespace kavro::cli
