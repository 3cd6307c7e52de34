// kavro.com's entry point: the command line's composition root. The console twin of kavro.exe
// builds the few services a run needs and hands them to the command line.
#include <windows.h>
#include <objbase.h>

#include <exception>
#include <string>
#include <vector>

#include "base/program_folder.h"
#include "cli/cli_win.h"
#include "cli/command_line.h"
#include "cli/console_win.h"
#include "run/autocad_win.h"
#include "core/core_locate_win.h"
#include "run/run_limits.h"
#include "win/program_folder_win.h"
#include "win/system_library_win.h"
#include "win/text_win.h"

namespace {

std::wstring DataFolder() {
  std::wstring local = kavro::win::LocalAppDataFolder();
  return local.empty() ? local : kavro::JoinFolder(local, L"Kavro");
}

size_t Processors() {
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  kavro::win::RestrictDllSearchToSystemFolder();
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  kavro::cli::TextOut out(STD_OUTPUT_HANDLE);
  kavro::cli::TextOut err(STD_ERROR_HANDLE);
  int exitCode = static_cast<int>(kavro::cli::ExitCode::SomeFailed);
  try {
    kavro::run::RunLimits limits;
    kavro::run::AutoCadLink cad(limits);
    kavro::cli::CtrlCWatch ctrlC([&err] {
      err.Write(L"已强行结束。正在处理的图纸可能已经修改，请先检查。\n");
      TerminateProcess(GetCurrentProcess(), static_cast<UINT>(kavro::cli::ExitCode::SomeFailed));
    });
    kavro::cli::CliEnvironment environment{cad,
                                           limits,
                                           kavro::win::ProgramFolder(),
                                           DataFolder(),
                                           &kavro::win::TimeOfDay,
                                           &kavro::run::FindCoreConsole,
                                           out,
                                           err,
                                           ctrlC,
                                           Processors()};
    std::vector<std::wstring> args(argv + 1, argv + argc);
    exitCode = kavro::cli::RunCommandLine(args, environment);
  } catch (const std::exception& e) {
    err.Write(L"Kavro 遇到意外的错误：" + kavro::win::DecodeAnsi(e.what()) + L"\n");
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return exitCode;
}
