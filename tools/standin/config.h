#pragma once
// Settings of the stand-in AutoCAD. A COM-started server does not inherit its client's
// environment on Windows, so they come from a file named on the command line
// ("--config <path>"), written by the tests before the server starts.
//
// File format: UTF-8 text, one "key=value" per line, "#" starts a comment line.
//   log=<path>          log file (default: standin.log beside the program)
//   openMs=<n>          latency of opening a drawing
//   scriptMs=<n>        time a script takes to run
//   saveMs=<n>          latency of saving a drawing
//   asyncScripts=0|1    scripts run in the background: not quiescent until done, and every
//                       call but GetAcadState/IsQuiescent is rejected (RPC_E_CALL_REJECTED)
//   failAt=<k>          opening the k-th drawing (counted from 1) fails
//   crashAt=<k>         the process exits while opening the k-th drawing
//   hangAt=<k>          after opening the k-th drawing the program stops responding
//   hangMs=<n>          ... for n ms (0: for good)
//   ansiWindow=0|1      the main window is an ANSI window (typed text arrives as code-page bytes)
//   captionDiffers=0|1  Caption answers a text no window has as its title
#include <string>

namespace standin {

struct Config {
  std::wstring logPath;
  int openMs = 0;
  int scriptMs = 0;
  int saveMs = 0;
  bool asyncScripts = false;
  int failAt = 0;
  int crashAt = 0;
  int hangAt = 0;
  int hangMs = 0;
  bool ansiWindow = false;
  bool captionDiffers = false;
};

// Reads `path`; a missing file gives the defaults. Unknown keys are ignored.
Config ReadConfig(const std::wstring& path);

}  // namespace standin
