#include "cli/cli_win.h"

#include <windows.h>

#include <chrono>

#include "cli/command_line.h"
#include "cli/console_text.h"
#include "core/core_engine_win.h"
#include "core/core_outcome.h"
#include "run/drawing_check_win.h"
#include "run/gui_engine.h"
#include "cli/inputs_win.h"
#include "run/page_rule.h"
#include "record/record_files_win.h"
#include "run/run_parts_win.h"

namespace kavro::cli {

namespace {

int Code(ExitCode code) { return static_cast<int>(code); }

double SteadySeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
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
      case CommandKind::Run:
      case CommandKind::Retry:
        break;
    }
    std::optional<Work> work = line_.kind == CommandKind::Run ? RunWork() : RetryWork();
    if (!work) return exitCode_;
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
    std::vector<run::DrawingProblem> problems =
        run::CheckDrawings(work.inputs, work.selection, &files, run::AnsiEncodable);
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
          line_.engine == Engine::Core ? run::CoreScriptName(index) : run::kScriptFileName;
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
    if (line_.engine == Engine::Core) {
      corePath = line_.corePath.empty() ? env_.findCore() : std::optional(line_.corePath);
      if (!corePath || GetFileAttributesW(corePath->c_str()) == INVALID_FILE_ATTRIBUTES) {
        env_.err.Write(
            L"找不到 AutoCAD 的控制台版（accoreconsole.exe）。请安装 AutoCAD 2013 或更新的版本，"
            L"或用 --core 指定它的位置。\n");
        return Code(ExitCode::NoAutoCad);
      }
    }
    run::RecordChoices choices{line_.logPath, work.savedBefore};
    std::unique_ptr<run::RunRecord> record =
        run::MakeRunRecord(run::RunKind::Modify, env_.dataFolder, env_.timeOfDay, choices);
    double began = SteadySeconds();
    auto drawingEnded = [this](const run::DrawingEnd& end) { env_.out.Write(DrawingLine(end)); };
    run::ParallelSummary summary;
    if (corePath) {
      run::CoreEngineParts parts{*corePath,
                                 env_.dataFolder,
                                 ResolveJobs(line_.jobs, env_.processors),
                                 env_.ctrlC.Pressed(),
                                 [this] { return CancelLevelNow(); },
                                 &SteadySeconds,
                                 drawingEnded,
                                 env_.coreDrawingMs};
      run::CoreOutcome outcome = run::RunOnCore(work.inputs, work.selection, *record, parts);
      if (outcome.refusal) {
        env_.err.Write(*outcome.refusal + L"\n");
        return Code(ExitCode::BadInput);
      }
      summary = std::move(outcome.summary);
    } else {
      run::KeysToAutoCad keys(env_.limits);
      run::ScriptFileOnDisk script(env_.programFolder);
      auto message = [this](const std::wstring& text) { env_.out.Write(text + L"\n"); };
      run::GuiEngineParts parts{env_.cad,       keys,
                                script,         env_.timeOfDay,
                                &SteadySeconds, [this] { return env_.ctrlC.Presses() > 0; },
                                drawingEnded,   message};
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
    return Code(ExitCodeOf(summary.failed, summary.notBegun));
  }

  run::CancelLevel CancelLevelNow() const {
    int presses = env_.ctrlC.Presses();
    if (presses == 0) return run::CancelLevel::None;
    return presses == 1 ? run::CancelLevel::Finish : run::CancelLevel::Force;
  }

  const CommandLine& line_;
  CliEnvironment& env_;
  int exitCode_ = 0;
};

}  // namespace

int RunCommandLine(const std::vector<std::wstring>& args, CliEnvironment& environment) {
  CommandLine line = ParseCommandLine(args);
  return Command(line, environment).Carry();
}

}  // namespace kavro::cli
