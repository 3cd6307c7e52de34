// The stand-in AutoCAD Core Console (accoreconsole.exe): the drawing engine without a window, for
// Kavro's parallel runs in the tests and the demo. Installed beside the stand-in's acad.exe; reads
// the same settings file (standin.ini beside it, tools/standin/config.h) and writes to the same
// log. See session.h for what a run does and options.h for its command line.
#include <windows.h>

#include <exception>
#include <string>
#include <vector>

#include "console.h"
#include "options.h"
#include "session.h"
#include "standin/config.h"
#include "standin/log.h"
#include "win/text_win.h"

namespace {

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

// The arguments as the log shows a call: quoted where they hold a space.
std::wstring Invocation(const std::vector<std::wstring>& args) {
  std::wstring line = L"accoreconsole";
  for (const auto& arg : args) {
    bool quote = arg.empty() || arg.find_first_of(L" \t") != std::wstring::npos;
    line += quote ? L" \"" + arg + L"\"" : L" " + arg;
  }
  return line;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  using namespace standin;
  std::vector<std::wstring> args(argv + 1, argv + argc);
  std::wstring folder = ProgramFolder();
  Config config = ReadConfig(folder + L"standin.ini");
  TheLog().Open(config.log.empty() ? folder + L"standin.log" : config.log);
  TheLog().Line(Invocation(args));
  core::Console console;
  core::ParsedOptions parsed = core::ParseOptions(args);
  std::wstring pid = std::to_wstring(GetCurrentProcessId());
  if (!parsed.options) {
    console.Line(parsed.error);
    console.Line(core::UsageText());
    TheLog().Note(L"core " + pid + L": bad arguments: " + parsed.error);
    return core::kBadArguments;
  }
  try {
    return core::Session(config, *parsed.options, console).Run();
  } catch (const std::exception& e) {
    // A fault of the stand-in itself: said, logged and never taken for a run that worked.
    std::wstring what = kavro::win::FromUtf8(e.what());
    console.Line(L"Internal error: " + what);
    TheLog().Note(L"core " + pid + L": internal error: " + what);
    return core::kInternalError;
  }
}
