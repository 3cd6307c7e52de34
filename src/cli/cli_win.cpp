#include "cli/cli_win.h"

#include <windows.h>

#include <chrono>

#include "cli/command_line.h"
#include "cloud/cloud_credentials_win.h"
#include "cloud/cloud_engine_win.h"
#include "cli/console_text.h"
#include "core/core_engine_win.h"
#include "core/core_outcome.h"
#include "run/drawing_check_win.h"
#include "run/gui_engine.h"
#include "cli/inputs_win.h"
#include "run/page_rule.h"
#include "record/record_files_win.h"
#include "run/run_parts_win.h"
#include "win/text_win.h"

namespace kavro::cli {

namespace {

int Code(ExitCode code) { return static_cast<int>(code); }

std::wstring EnvironmentText(const wchar_t* name) {
  DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), size));
  return value;
}

double SteadySeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// One line typed at the console (without echo when `hidden`), or read from redirected input;
// none at the end of the input.
std::optional<std::wstring> ReadInputLine(bool hidden, TextOut& out) {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  std::wstring line;
  DWORD mode = 0;
  if (GetConsoleMode(input, &mode)) {
    if (hidden) SetConsoleMode(input, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    wchar_t buffer[1024];
    DWORD read = 0;
    BOOL ok = ReadConsoleW(input, buffer, 1023, &read, nullptr);
    SetConsoleMode(input, mode);
    if (hidden) out.Write(L"\n");
    if (!ok || read == 0) return std::nullopt;
    line.assign(buffer, read);
  } else {
    std::string bytes;
    char byte = 0;
    DWORD read = 0;
    while (ReadFile(input, &byte, 1, &read, nullptr) && read == 1 && byte != '\n') bytes += byte;
    if (bytes.empty() && read == 0) return std::nullopt;
    line = win::FromUtf8(bytes);
    SecureZeroMemory(bytes.data(), bytes.size());
  }
  while (!line.empty() && (line.back() == L'\r' || line.back() == L'\n')) line.pop_back();
  return line;
}

// What a command works on: its inputs and the list positions to do.
struct Work {
  run::RunInputs inputs;
  std::vector<size_t> selection;
  std::vector<size_t> savedBefore;
  std::wstring retriedJournal;  // a retry: the journal it takes its drawings from
};

class Command {
 public:
  Command(const CommandLine& line, CliEnvironment& environment) : line_(line), env_(environment) {}

  int Carry() {
    switch (line_.kind) {
      case CommandKind::None:
      case CommandKind::Help:
        env_.out.Write(UsageText());
        return Code(ExitCode::AllSaved);
      case CommandKind::Error:
        env_.err.Write(line_.error + L"\n用 kavro --help 查看用法。\n");
        return Code(ExitCode::BadInput);
      case CommandKind::CloudLogin:
        return CloudLogin();
      case CommandKind::CloudLogout:
        if (!cloud::ForgetCredentials(cloud::CredentialsPath(env_.dataFolder))) {
          env_.err.Write(L"无法删除保存的 Autodesk 凭据。\n");
          return Code(ExitCode::BadInput);
        }
        env_.out.Write(L"已删除保存的 Autodesk 凭据。\n");
        return Code(ExitCode::AllSaved);
      case CommandKind::Cad:
        return ListCadPrograms();
      case CommandKind::Run:
      case CommandKind::Retry:
        break;
    }
    std::optional<Work> work = line_.kind == CommandKind::Run ? RunWork() : RetryWork();
    if (!work) return exitCode_;
    if (!ChooseEngine(*work)) return exitCode_;
    if (!ChooseCadProgram(*work)) return exitCode_;
    if (work->selection.empty()) {
      env_.out.Write(L"运行记录中的图纸都已保存，没有需要重新处理的图纸。\n");
      return Code(ExitCode::AllSaved);
    }
    return Execute(*work);
  }

 private:
  std::optional<Work> Refused(const std::wstring& text, ExitCode code) {
    env_.err.Write(text + L"\n");
    exitCode_ = Code(code);
    return std::nullopt;
  }

  int ListCadPrograms() {
    std::vector<run::CadProgram> programs = env_.cadPrograms();
    if (programs.empty()) env_.out.Write(L"本机没有登记任何 CAD 程序。\n");
    for (const run::CadProgram& program : programs) {
      env_.out.Write(run::CadListLine(program) + L"\n");
    }
    return Code(ExitCode::AllSaved);
  }

  // The engine of --engine (a retry: else the journal's), kept in the inputs for the journal.
  // False: refused, with the exit code set.
  bool ChooseEngine(Work& work) {
    engine_ = line_.engine;
    if (line_.kind == CommandKind::Retry && !line_.engineGiven) {
      std::optional<Engine> recorded = EngineOfWord(work.inputs.engine);
      if (!recorded) {
        Refused(L"运行日志记录的引擎“" + work.inputs.engine + L"”无效。", ExitCode::BadInput);
        return false;
      }
      engine_ = *recorded;
      std::wstring conflict = EngineConflict(line_, engine_);
      if (!conflict.empty()) {
        Refused(conflict + L"\n用 kavro --help 查看用法。", ExitCode::BadInput);
        return false;
      }
    }
    work.inputs.engine = EngineWord(engine_);
    return true;
  }

  // The program of --cad (a retry: else the journal's), kept in the inputs by its class name;
  // with --engine core, that AutoCAD's own console. False: refused, with the exit code set.
  bool ChooseCadProgram(Work& work) {
    std::wstring name = line_.cad.empty() ? work.inputs.cad : line_.cad;
    if (name.empty()) return true;
    std::vector<run::CadProgram> programs = env_.cadPrograms();
    run::CadChoice choice = run::ChooseCad(programs, name);
    if (choice.outcome != run::CadChoice::Outcome::Found) {
      Refused(run::CadChoiceMessage(choice, name), ExitCode::BadInput);
      return false;
    }
    const run::CadProgram& program = programs[choice.index];
    if (!work.inputs.r2000 && program.product != run::CadProduct::AutoCad) {
      Refused(run::R14Refusal(program.displayName), ExitCode::BadInput);
      return false;
    }
    work.inputs.cad = program.classNames.front();
    if (engine_ == Engine::Core) {
      if (program.product != run::CadProduct::AutoCad) {
        Refused(run::ProductName(program.product) + L" 没有 Core Console。", ExitCode::BadInput);
        return false;
      }
      if (program.coreConsole) chosenCore_ = run::CoreConsoleBeside(program.program);
      // Its console reads the profile of its own release, "R<major>.<minor>".
      auto parsed = run::ParseCadClassName(program.classNames.front());
      if (parsed && parsed->version.find(L'.') != std::wstring::npos) {
        chosenRelease_ = L"R" + parsed->version;
      }
    }
    return true;
  }

  std::optional<Work> RunWork() {
    std::wstring error;
    std::optional<run::RunInputs> inputs = ReadRunInputs(line_, &error);
    if (!inputs) return Refused(error, ExitCode::BadInput);
    Work work;
    work.inputs = std::move(*inputs);
    for (size_t i = 0; i < work.inputs.drawings.size(); ++i) work.selection.push_back(i);
    return work;
  }

  std::optional<Work> RetryWork() {
    std::wstring path = line_.journalPath;
    if (path.empty()) {
      std::optional<std::wstring> newest = run::NewestRetryJournal(env_.dataFolder);
      if (!newest) return Refused(L"没有找到可以重新处理的运行日志。", ExitCode::BadInput);
      path = *newest;
    }
    run::JournalState state;
    switch (run::ReadJournalFile(path, &state)) {
      case run::JournalRead::Live:
        return Refused(L"运行日志 " + path + L" 所属的运行仍在进行中。", ExitCode::BadInput);
      case run::JournalRead::Unreadable:
        return Refused(L"无法读取运行日志 " + path + L"。", ExitCode::BadInput);
      case run::JournalRead::Read:
        break;
    }
    run::RetryPlan plan = run::RetrySelection(state);
    if (auto refusal = RefusalOfInputs(plan.inputs)) return Refused(*refusal, ExitCode::BadInput);
    // A cloud run puts a drawing in place whole or not at all: none of its drawings is half done.
    if (plan.inputs.engine == EngineWord(Engine::Cloud)) plan.possiblyModified.clear();
    for (size_t index : plan.possiblyModified) {
      env_.out.Write(L"第 " + run::PageOf(plan.inputs.startPage, index) + L" 页 " +
                     plan.inputs.drawings[index] + L" 可能已经修改过，请先检查。\n");
    }
    Work work{std::move(plan.inputs), std::move(plan.selection), std::move(plan.savedBefore), path};
    env_.out.Write(L"重新处理运行日志 " + path + L" 中的 " +
                   std::to_wstring(work.selection.size()) + L" 张图纸。\n");
    return work;
  }

  // The check before the first drawing. Returns the exit code when the command ends with it:
  // after --check, or when a drawing failed (its lines go where a refusal goes).
  std::optional<int> Check(const Work& work) {
    run::DrawingFilesOnDisk files;
    // The hosted engine's scripts go as Unicode: any text fits them.
    run::ScriptEncodable encodable = run::AnsiEncodable;
    if (engine_ == Engine::Cloud) encodable = [](std::wstring_view) { return true; };
    std::vector<run::DrawingProblem> problems =
        run::CheckDrawings(work.inputs, work.selection, &files, encodable);
    if (!line_.checkOnly) {
      if (problems.empty()) return std::nullopt;
      env_.err.Write(run::CheckRefusal(problems) + L"\n");
      return Code(ExitCode::BadInput);
    }
    // Every drawing: the script file it gets, or why it cannot be modified.
    auto problem = problems.begin();
    for (size_t index : work.selection) {
      if (problem != problems.end() && problem->index == index) {
        env_.out.Write(run::ProblemLine(*problem++) + L"\n");
        continue;
      }
      std::wstring drawing = work.inputs.drawings[index];
      drawing.erase(0, drawing.find_first_not_of(L' '));
      drawing.erase(drawing.find_last_not_of(L' ') + 1);
      std::wstring script =
          engine_ == Engine::Core ? run::CoreScriptName(index) : run::kScriptFileName;
      env_.out.Write(
          run::ProblemLine({index, run::PageOf(work.inputs.startPage, index), drawing, script}) +
          L"\n");
    }
    if (!problems.empty()) {
      env_.out.Write(run::CheckSummary(problems.size()) + L"\n");
      return Code(ExitCode::BadInput);
    }
    env_.out.Write(L"共 " + std::to_wstring(work.selection.size()) + L" 张图纸，都可以修改。\n");
    return Code(ExitCode::AllSaved);
  }

  int Execute(const Work& work) {
    if (std::optional<int> code = Check(work)) return *code;
    std::optional<std::wstring> corePath;
    if (engine_ == Engine::Core) {
      corePath = !line_.corePath.empty()   ? std::optional(line_.corePath)
                 : work.inputs.cad.empty() ? env_.findCore()
                                           : chosenCore_;
      if (!corePath || GetFileAttributesW(corePath->c_str()) == INVALID_FILE_ATTRIBUTES) {
        env_.err.Write(
            L"找不到 AutoCAD 的控制台版（accoreconsole.exe）。请安装 AutoCAD 2013 或更新的版本，"
            L"或用 --core 指定它的位置。\n");
        return Code(ExitCode::NoAutoCad);
      }
    }
    std::optional<cloud::CloudEngineParts> cloudParts;
    if (engine_ == Engine::Cloud) {
      cloudParts = CloudParts(work);
      if (!cloudParts) return Code(ExitCode::BadInput);
    }
    run::RecordChoices choices{line_.logPath, work.savedBefore};
    std::unique_ptr<run::RunRecord> record =
        run::MakeRunRecord(run::RunKind::Modify, env_.dataFolder, env_.timeOfDay, choices);
    double began = SteadySeconds();
    auto drawingEnded = [this](const run::DrawingEnd& end) { env_.out.Write(DrawingLine(end)); };
    run::ParallelSummary summary;
    if (cloudParts) {
      cloudParts->wake = env_.ctrlC.Pressed();
      cloudParts->cancel = [this] { return CancelLevelNow(); };
      cloudParts->clockSeconds = &SteadySeconds;
      cloudParts->drawingEnded = drawingEnded;
      cloud::CloudOutcome outcome =
          cloud::RunOnCloud(work.inputs, work.selection, *record, *cloudParts);
      if (outcome.refusal) {
        env_.err.Write(*outcome.refusal + L"\n");
        return Code(ExitCode::BadInput);
      }
      summary = std::move(outcome.summary);
    } else if (corePath) {
      run::CoreEngineParts parts{*corePath,
                                 env_.dataFolder,
                                 ResolveJobs(line_.jobs, env_.processors),
                                 env_.ctrlC.Pressed(),
                                 [this] { return CancelLevelNow(); },
                                 &SteadySeconds,
                                 drawingEnded,
                                 env_.coreDrawingMs,
                                 chosenRelease_};
      run::CoreOutcome outcome = run::RunOnCore(work.inputs, work.selection, *record, parts);
      if (outcome.refusal) {
        env_.err.Write(*outcome.refusal + L"\n");
        return Code(ExitCode::BadInput);
      }
      summary = std::move(outcome.summary);
    } else {
      run::KeysToAutoCad keys(env_.limits);
      run::ScriptFileOnDisk script(env_.programFolder);
      run::HistoryFilesOnDisk history;
      auto message = [this](const std::wstring& text) { env_.out.Write(text + L"\n"); };
      run::GuiEngineParts parts{
          env_.cad,       keys,           script,
          env_.timeOfDay, &SteadySeconds, [this] { return env_.ctrlC.Presses() > 0; },
          drawingEnded,   message,        &history};
      // AutoCAD works on one drawing in one call that cannot be cut short: a second Ctrl+C ends
      // kavro.com, and the journal tells which drawing may be half done.
      env_.ctrlC.EndProgramOnSecond(true);
      run::GuiOutcome outcome = run::RunOnGui(work.inputs, work.selection, *record, parts);
      env_.ctrlC.EndProgramOnSecond(false);
      if (!outcome.reachedAutoCad) return Code(ExitCode::NoAutoCad);
      summary = std::move(outcome.summary);
    }
    // Its drawings now have a journal of their own (or are all saved): the retried one is done.
    if (!work.retriedJournal.empty()) run::SetAside(work.retriedJournal);
    env_.out.Write(SummaryText(summary, SteadySeconds() - began, record->LogPath()));
    return Code(ExitCodeOf(summary.failed, summary.notBegun, summary.scriptErrors));
  }

  int CloudLogin() {
    env_.out.Write(L"APS_CLIENT_ID: ");
    std::optional<std::wstring> id = ReadInputLine(false, env_.out);
    env_.out.Write(L"APS_CLIENT_SECRET: ");
    std::optional<std::wstring> secret = ReadInputLine(true, env_.out);
    cloud::CloudCredentials credentials{id ? win::ToUtf8(*id) : "",
                                        secret ? win::ToUtf8(*secret) : ""};
    if (secret) SecureZeroMemory(secret->data(), secret->size() * sizeof(wchar_t));
    if (credentials.clientId.empty() || credentials.secret.empty()) {
      env_.err.Write(L"没有输入 client id 或 client secret，没有保存。\n");
      return Code(ExitCode::BadInput);
    }
    bool stored = cloud::StoreCredentials(cloud::CredentialsPath(env_.dataFolder), credentials);
    SecureZeroMemory(credentials.secret.data(), credentials.secret.size());
    if (!stored) {
      env_.err.Write(L"无法保存 Autodesk 的凭据。\n");
      return Code(ExitCode::BadInput);
    }
    env_.out.Write(L"已为当前 Windows 用户加密保存 Autodesk 的凭据。\n");
    return Code(ExitCode::AllSaved);
  }

  // The hosted engine's settings, or none when the run may not start (said on the console).
  std::optional<cloud::CloudEngineParts> CloudParts(const Work& work) {
    cloud::CloudEngineParts parts;
    std::wstring id = EnvironmentText(L"APS_CLIENT_ID");
    std::wstring secret = EnvironmentText(L"APS_CLIENT_SECRET");
    std::optional<cloud::CloudCredentials> stored;
    if (id.empty() || secret.empty()) {
      stored = cloud::StoredCredentials(cloud::CredentialsPath(env_.dataFolder));
    }
    if ((id.empty() || secret.empty()) && !stored) {
      env_.err.Write(
          L"缺少 Autodesk 的凭据：请设置环境变量 APS_CLIENT_ID 和 APS_CLIENT_SECRET，"
          L"或先用 kavro cloud login 保存它们。\n");
      return std::nullopt;
    }
    parts.credentials =
        stored ? *stored : cloud::CloudCredentials{win::ToUtf8(id), win::ToUtf8(secret)};
    SecureZeroMemory(secret.data(), secret.size() * sizeof(wchar_t));
    std::wstring base = EnvironmentText(L"KAVRO_APS_URL");
    if (!base.empty()) parts.baseUrl = base;
    parts.engine =
        line_.cloudEngine.empty() ? cloud::kDefaultEngine : win::ToUtf8(line_.cloudEngine);
    parts.jobs = line_.jobs > 0 ? line_.jobs : kDefaultCloudJobs;
    return parts;
  }

  run::CancelLevel CancelLevelNow() const {
    int presses = env_.ctrlC.Presses();
    if (presses == 0) return run::CancelLevel::None;
    return presses == 1 ? run::CancelLevel::Finish : run::CancelLevel::Force;
  }

  const CommandLine& line_;
  CliEnvironment& env_;
  int exitCode_ = 0;
  Engine engine_ = Engine::Gui;
  std::optional<std::wstring> chosenCore_;  // --engine core --cad: that AutoCAD's console
  std::wstring chosenRelease_;              // and the release of its profile
};

}  // namespace

int RunCommandLine(const std::vector<std::wstring>& args, CliEnvironment& environment) {
  CommandLine line = ParseCommandLine(args);
  return Command(line, environment).Carry();
}

}  // namespace kavro::cli
