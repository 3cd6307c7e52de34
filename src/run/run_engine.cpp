#include "run/run_engine.h"

#include <cmath>
#include <cstdio>
#include <cwchar>
#include <utility>
#include <vector>

#include "base/program_folder.h"
#include "base/text_place.h"
#include "run/file_keywords.h"
#include "run/page_rule.h"
#include "run/trusted_paths.h"

namespace kavro::run {

namespace {

constexpr wchar_t kCr = L'\r';

std::wstring TrimSpaces(const std::wstring& text) {
  size_t first = text.find_first_not_of(L' ');
  if (first == std::wstring::npos) return L"";
  size_t last = text.find_last_not_of(L' ');
  return text.substr(first, last - first + 1);
}

std::wstring Widen(const char* text) {
  std::wstring out;
  for (; *text; ++text) out += static_cast<wchar_t>(static_cast<unsigned char>(*text));
  return out;
}

// One run against one AutoCAD: the steps of both runs, and what is undone after a failure.
class Run {
 public:
  Run(RunHost& host, CadApplication& cad, CadInUse inUse)
      : host_(host), cad_(cad), r2000_(host.main.TargetsR2000()), inUse_(std::move(inUse)) {}

  void ActivateCad() { host_.keys.ActivateWindow(cad_.Caption()); }

  void MakeTemplateDrawing() {
    if (inUse_.product != CadProduct::AutoCad) {
      // Another program's own template beside its program file, else none (Add without one).
      cad_.DocumentsAdd(cad_.ProductTemplateOf(inUse_.product, cad_.FullName()));
      return;
    }
    std::wstring templatePath = TemplatePath(cad_.FullName());
    if (r2000_) cad_.DocumentsAdd(templatePath);
  }

  void DialogsOff() {
    dialogsOff_ = true;  // also when the command itself fails half way
    if (r2000_) {
      cad_.SendCommand(std::wstring(L"filedia") + kCr + L"0" + kCr);
    } else {
      host_.keys.Type(L"filedia~0~");
    }
  }

  // AutoCAD 2014 to 2024 run scripts only from trusted folders: the script's folder is added to
  // TRUSTEDPATHS for the run when it is not covered. Other versions are not asked anything.
  void TrustScriptFolder(const std::wstring& scriptPath) {
    if (!r2000_ || inUse_.product != CadProduct::AutoCad || !VersionChecksScripts(cad_.Version()))
      return;
    std::wstring secureLoad = cad_.GetVariable(L"SECURELOAD");
    std::wstring trusted = cad_.GetVariable(L"TRUSTEDPATHS");
    std::wstring folder = FolderOfPath(scriptPath);
    if (!SecureLoadOn(secureLoad) || TrustedPathsCover(trusted, folder)) return;
    if (folder.find(L';') != std::wstring::npos) {
      // TRUSTEDPATHS separates its folders with ";": such a folder can never be trusted.
      throw RunFailure(5, SemicolonRefusal(folder));
    }
    try {
      cad_.SetVariable(L"TRUSTEDPATHS", WithTrustedFolder(trusted, folder));
    } catch (const RunFailure& refused) {
      throw RunFailure(refused.Number(), refused.Description() +
                                             L"\n\nAutoCAD 不允许把脚本所在的文件夹“" + folder +
                                             L"”加入受信任的位置（TRUSTEDPATHS）。\n请在 AutoCAD "
                                             L"的“选项”中把这个文件夹加入受信任的位置（或请 CAD "
                                             L"管理员这样做）后再运行。");
    }
    trustedBefore_ = trusted;
  }

  void RestoreTrust() {
    if (!trustedBefore_) return;
    std::wstring before = *std::exchange(trustedBefore_, std::nullopt);
    cad_.SetVariable(L"TRUSTEDPATHS", before);
  }

  // For a run on R2000+, after `filedia 0`: the command history written for every drawing
  // (LOGFILEMODE 1), no proxy notice when a drawing opens (PROXYNOTICE 0), and a drawing last
  // saved by another program named on the command line instead of in a dialog (DWGCHECK 2 for
  // 1). A variable AutoCAD refuses to give or take stays as it is, and the run goes on as it
  // would without it.
  //   LOGFILEMODE, an integer kept in the registry, 0 no log file, 1 a log file:
  //   https://help.autodesk.com/cloudhelp/2015/ENU/AutoCAD-LT-MAC/files/GUID-C0C25385-F210-4834-B7D4-B29C2592D36A.htm
  //   PROXYNOTICE, 0 no proxy warning, 1 the warning:
  //   https://help.autodesk.com/cloudhelp/2015/ITA/AutoCAD-LT/files/GUID-A1A272D8-F3E3-4B84-AF23-1AFEF732DA03.htm
  //   DWGCHECK, 1 a warning dialog and a command-line warning, 2 the command-line warning only:
  //   https://help.autodesk.com/cloudhelp/2026/PTB/AutoCAD-LT/files/GUID-91E890BF-AEBD-4BCE-9663-1AFD595AA5E4.htm
  void VariablesForRun() {
    if (!r2000_) return;
    historyWanted_ = host_.history != nullptr;
    historyOn_ = historyWanted_ && SetForRun(L"LOGFILEMODE", 1, [](int v) { return v != 1; });
    SetForRun(L"PROXYNOTICE", 0, [](int v) { return v != 0; });
    SetForRun(L"DWGCHECK", 2, [](int v) { return v == 1; });
  }

  // The values found, put back; one AutoCAD refuses is left (it refused the same before).
  void RestoreVariables() {
    while (!changed_.empty()) {
      Changed variable = changed_.back();
      changed_.pop_back();
      Refusable([&] { cad_.SetIntegerVariable(variable.name, variable.before); });
    }
  }

  void DialogsOn() {
    if (r2000_) {
      cad_.SendCommand(std::wstring(L"filedia") + kCr + L"1" + kCr);
    } else {
      // R14 sometimes swallows the first one.
      host_.keys.Type(L"filedia~1~");
      host_.keys.Type(L"filedia~1~");
    }
    dialogsOff_ = false;
  }

  // Steps 2 to 5 of a drawing: the script file for page `index`, open, run the script.
  void OpenAndScript(const std::wstring& scriptPath, size_t index, bool dialogsOffAfterOpen) {
    host_.record.Begun(index);
    current_ = index;
    drawing_ = TrimSpaces(host_.main.Drawing(index));
    // The keywords name the file as AutoCAD is asked to open it.
    std::wstring script =
        ScriptForDrawing(host_.main.ScriptTemplate(), host_.main.StartPage(), index, *drawing_);
    host_.script.Write(scriptPath, script);
    if (r2000_) {
      cad_.DocumentsOpen(*drawing_);
    } else {
      cad_.ActiveDocumentOpen(*drawing_);
    }
    NoteHistory();
    if (dialogsOffAfterOpen) DialogsOff();
    if (r2000_) {
      cad_.SendCommand(std::wstring(L"script") + kCr + scriptPath + kCr);
    } else {
      host_.keys.TypeScriptCommand(scriptPath);
    }
    cad_.WaitUntilQuiescent();
  }

  void Save() {
    if (r2000_) {
      cad_.ActiveDocumentCloseSaving();
    } else {
      host_.keys.Type(L"qsave~");
    }
  }

  // LOGFILENAME names the file of the drawing at hand (a read-only string, kept per drawing:
  // https://help.autodesk.com/cloudhelp/2022/ENU/AutoCAD-Core/files/GUID-38D94E23-56D3-4B41-8684-200150A2DDA7.htm);
  // its size now marks where this drawing's history will begin.
  void NoteHistory() {
    historyPath_.clear();
    if (!historyOn_) return;
    Refusable([&] { historyPath_ = cad_.GetVariable(L"LOGFILENAME"); });
    if (!historyPath_.empty()) historySize_ = host_.history->Size(historyPath_);
  }

  // AutoCAD writes the history out when the drawing is closed or the log is switched off
  // (LOGFILEON: "recorded in the log file until you exit the program or use the LOGFILEOFF
  // command",
  // https://help.autodesk.com/cloudhelp/2015/ENU/AutoCAD-LT-MAC/files/GUID-2FB60E75-7926-4344-91DC-B2A1D9F52163.htm).
  // A preview leaves its drawing open: it switches the log off and on again.
  void ReadHistory(bool switchLogOff) {
    if (!historyOn_) return;
    if (switchLogOff) {
      Refusable([&] { cad_.SetIntegerVariable(L"LOGFILEMODE", 0); });
    }
    std::optional<std::wstring> added;
    if (!historyPath_.empty()) added = host_.history->Added(historyPath_, historySize_);
    if (switchLogOff) {
      Refusable([&] { cad_.SetIntegerVariable(L"LOGFILEMODE", 1); });
    }
    history_ = added ? DrawingHistory::Of(std::move(*added)) : DrawingHistory{};
  }

  void DrawingDone() {
    if (historyWanted_) {  // also when AutoCAD refused it: the record notes it was not read
      host_.record.History(processed_, history_);
      if (history_.HasErrors()) {
        erred_.push_back(PageOf(host_.main.StartPage(), processed_));
        errorLines_ = history_.Note();
      }
      history_ = {};
    }
    host_.record.Saved(processed_);
    ++processed_;
    current_.reset();
    drawing_.reset();
  }

  size_t Processed() const { return processed_; }
  // The pages of the drawings whose scripts went wrong, and the error lines of the last.
  const std::vector<std::wstring>& ErredPages() const { return erred_; }
  const std::wstring& LastErrorLines() const { return errorLines_; }
  // The first drawing not begun: after the one that failed, if one did.
  size_t NotBegunFrom() const { return current_ ? *current_ + 1 : processed_; }

  // After a failure: AutoCAD's file dialogs (and its trusted folders) as they were if the run
  // changed them, the record, and the message.
  void Report(const RunFailure& failure) {
    Undo(dialogsOff_, [this] { DialogsOn(); });
    Undo(trustedBefore_.has_value(), [this] { RestoreTrust(); });
    Undo(!changed_.empty(), [this] { RestoreVariables(); });
    if (current_) host_.record.Failed(*current_, failure.Number(), failure.Description());
    std::wstring text = L"运行已停止。\n\n错误 " + ErrorNumberText(failure.Number()) + L"：" +
                        failure.Description();
    if (drawing_) text += L"\n\n图纸：" + *drawing_;
    if (auto cadFate = cad_.AfterFailure()) text += L"\n\n" + *cadFate;
    message_ = std::move(text);
  }

  const std::wstring& Message() const { return message_; }

 private:
  struct Changed {
    std::wstring name;
    int before;
  };

  // Runs a call AutoCAD may refuse; false when it did. An AutoCAD that stopped answering is a
  // failure of the run.
  template <typename Call>
  bool Refusable(Call call) {
    try {
      call();
      return true;
    } catch (const RunFailure&) {
      if (!cad_.StillAnswers()) throw;
      return false;
    }
  }

  // Reads the integer `name` and sets it to `value` for the run when `change` says so; false
  // when AutoCAD refused either, or the value is no integer.
  template <typename Change>
  bool SetForRun(const wchar_t* name, int value, Change change) {
    std::wstring text;
    if (!Refusable([&] { text = cad_.GetVariable(name); })) return false;
    wchar_t* end = nullptr;
    long before = std::wcstol(text.c_str(), &end, 10);
    if (text.empty() || *end != L'\0') return false;
    if (!change(static_cast<int>(before))) return true;
    if (!Refusable([&] { cad_.SetIntegerVariable(name, value); })) return false;
    changed_.push_back({name, static_cast<int>(before)});
    return true;
  }

  template <typename Step>
  void Undo(bool needed, Step step) {
    if (!needed || !cad_.StillAnswers()) return;
    try {
      step();
    } catch (const RunFailure&) {
      // AutoCAD stopped answering; the message is what matters.
    }
  }

  RunHost& host_;
  CadApplication& cad_;
  bool r2000_;
  CadInUse inUse_;
  bool dialogsOff_ = false;
  size_t processed_ = 0;
  std::optional<size_t> current_;  // the drawing begun and not yet saved
  std::optional<std::wstring> drawing_;
  std::optional<std::wstring> trustedBefore_;
  std::vector<Changed> changed_;  // the variables set for the run, in order
  bool historyWanted_ = false;    // an R2000+ run asks for the command histories
  bool historyOn_ = false;        // LOGFILEMODE is 1 for the run
  std::wstring historyPath_;      // LOGFILENAME of the drawing at hand; empty: none
  uint64_t historySize_ = 0;
  DrawingHistory history_;
  std::vector<std::wstring> erred_;
  std::wstring errorLines_;
  std::wstring message_;
};

// Runs `steps`; a failure is reported through `run`. Returns whether all steps completed.
template <typename Steps>
bool Guarded(Run& run, Steps steps) {
  try {
    steps();
    return true;
  } catch (const RunFailure& failure) {
    run.Report(failure);
  } catch (const std::exception& e) {
    run.Report(RunFailure(0, Widen(e.what())));
  }
  return false;
}

// The first `count` drawings of the list (a preview passes 1), with the rest of the inputs.
RunInputs InputsOf(MainView& main, size_t count) {
  RunInputs inputs;
  inputs.drawings.reserve(count);
  for (size_t i = 0; i < count; ++i) inputs.drawings.push_back(main.Drawing(i));
  inputs.scriptTemplate = main.ScriptTemplate();
  inputs.startPage = main.StartPage();
  inputs.r2000 = main.TargetsR2000();
  inputs.cad = main.ChosenCad();
  return inputs;
}

CadApplication* Start(RunHost& host, const RunInputs& inputs, CadInUse& inUse, bool preview) {
  if (auto refusal = InputRefusal(inputs, host.script)) {
    host.main.ShowMessage(*refusal);
    return nullptr;
  }
  // The preview saves nothing: its drawing need only be there (and its script written).
  auto encodable = [&script = host.script](std::wstring_view text) {
    return !script.FirstUnwritable(text);
  };
  std::vector<DrawingProblem> problems = CheckDrawings(inputs, host.probe, encodable, preview);
  if (!problems.empty()) {
    host.main.ShowMessage(CheckRefusal(problems), MessageKind::Refusal);
    return nullptr;
  }
  inUse = host.connector.Choose(inputs.cad);
  if (inUse.refusal || (!inputs.r2000 && inUse.product != CadProduct::AutoCad)) {
    host.main.ShowMessage(inUse.refusal ? *inUse.refusal : R14Refusal(inUse.name));
    return nullptr;
  }
  std::wstring failure;
  CadApplication* cad = host.connector.ConnectCad(failure);
  if (!cad) host.main.ShowMessage(failure, MessageKind::Notice);
  return cad;
}

// The last lines of a stopped run's message: where the rest of the list now starts, and the log.
std::wstring StopLines(RunHost& host, const std::wstring& pageLine) {
  std::wstring lines = pageLine;
  std::wstring logPath = host.record.LogPath();
  if (!logPath.empty()) lines += (lines.empty() ? L"" : L"\n") + (L"运行记录：" + logPath);
  return lines.empty() ? lines : L"\n\n" + lines;
}

// After a stop with drawings left, Text2 moves on to the first of them, so that the next run
// numbers them as this one would have. Returns the line that says so.
std::wstring ContinuePages(RunHost& host, const std::wstring& startPage, size_t processed) {
  if (host.main.DrawingCount() == 0) return {};
  std::wstring page = PageOf(startPage, processed);
  host.main.SetStartPage(page);
  return L"起始页码已改为 " + page + L"。";
}

// "本次批量修改中有 K 张图纸的脚本报错（第 P1、P2 页）。", at most ten pages named; empty for none.
std::wstring ScriptErrorLine(const std::vector<std::wstring>& pages) {
  if (pages.empty()) return {};
  constexpr size_t kNamed = 10;
  std::wstring named;
  for (size_t i = 0; i < pages.size() && i < kNamed; ++i) named += (i > 0 ? L"、" : L"") + pages[i];
  return L"本次批量修改中有 " + std::to_wstring(pages.size()) + L" 张图纸的脚本报错（第 " + named +
         (pages.size() > kNamed ? L" 等页）。" : L" 页）。");
}

}  // namespace

void ModifyRun(RunHost& host) {
  RunInputs inputs = InputsOf(host.main, host.main.DrawingCount());
  CadInUse inUse;
  CadApplication* cad = Start(host, inputs, inUse, false);
  if (!cad) return;
  Run run(host, *cad, inUse);
  host.record.Started(inputs);
  bool progressShown = false;
  bool mainHidden = false;
  bool stopped = false;
  const size_t count = inputs.drawings.size();
  bool ok = Guarded(run, [&] {
    run.ActivateCad();
    host.progress.Show();
    progressShown = true;
    host.main.Hide();
    mainHidden = true;
    run.ActivateCad();
    host.progress.SetStartTime(host.timeOfDay());
    run.MakeTemplateDrawing();
    std::wstring scriptPath = host.script.ScriptPath();
    run.TrustScriptFolder(scriptPath);
    run.DialogsOff();
    run.VariablesForRun();
    for (size_t i = 0; i < count; ++i) {
      if (i > 0 && host.progress.StopRequested()) {
        stopped = true;
        break;
      }
      host.progress.SetCaption(ProgressCaption(i, count));
      run.OpenAndScript(scriptPath, i, false);
      run.Save();
      run.ReadHistory(false);
      run.DrawingDone();
      if (i + 1 == count) {
        host.progress.SetCaption(kCompletionCaption);
        host.progress.SetEndTime(host.timeOfDay());
      }
    }
    run.DialogsOn();  // also after an empty list: the dialogs were switched off above
    run.RestoreTrust();
    run.RestoreVariables();
  });
  host.main.RemoveFirstDrawings(run.Processed());
  host.record.Ended(ok ? run.Processed() : run.NotBegunFrom(), stopped);
  std::wstring erred = ScriptErrorLine(run.ErredPages());
  if (ok && !stopped) {
    // The main window comes back when the user dismisses Form3, with the scripts that went wrong.
    std::wstring message;
    if (!erred.empty()) message = erred + StopLines(host, L"");
    host.progress.RunEnded([&main = host.main, message] {
      main.Show();
      if (!message.empty()) main.ShowMessage(message, MessageKind::Warning);
    });
    return;
  }
  if (!erred.empty()) erred = L"\n\n" + erred;
  if (progressShown) host.progress.Close();
  if (mainHidden) host.main.Show();
  std::wstring pageLine = ContinuePages(host, inputs.startPage, run.Processed());
  if (ok) {
    host.main.ShowMessage(L"批量修改已停止：已完成 " + std::to_wstring(run.Processed()) +
                              L" 张，剩余 " + std::to_wstring(count - run.Processed()) + L" 张。" +
                              erred + StopLines(host, pageLine),
                          MessageKind::Notice);
  } else {
    host.main.ShowMessage(run.Message() + erred + StopLines(host, pageLine));
  }
}

void PreviewRun(RunHost& host) {
  const size_t count = host.main.DrawingCount() > 0 ? 1 : 0;
  RunInputs inputs = InputsOf(host.main, count);
  CadInUse inUse;
  CadApplication* cad = Start(host, inputs, inUse, true);
  if (!cad) return;
  Run run(host, *cad, inUse);
  host.record.Started(inputs);
  bool ok = Guarded(run, [&] {
    run.ActivateCad();
    run.MakeTemplateDrawing();
    std::wstring scriptPath = host.script.ScriptPath();
    run.TrustScriptFolder(scriptPath);
    run.DialogsOff();
    run.VariablesForRun();
    for (size_t i = 0; i < count; ++i) {
      run.OpenAndScript(scriptPath, i, true);
      run.ReadHistory(true);
      run.DialogsOn();
      run.DrawingDone();
    }
    if (count == 0) run.DialogsOn();
    run.RestoreTrust();
    run.RestoreVariables();
  });
  host.record.Ended(ok ? run.Processed() : run.NotBegunFrom(), false);
  if (!ok) {
    host.main.ShowMessage(run.Message() + StopLines(host, L""));
  } else if (!run.ErredPages().empty()) {
    host.main.ShowMessage(
        L"预览的脚本在 AutoCAD 中报错：\n" + run.LastErrorLines() + StopLines(host, L""),
        MessageKind::Warning);
  }
}

std::optional<std::wstring> InputRefusal(const RunInputs& inputs, ScriptFile& script) {
  const std::wstring& scriptTemplate = inputs.scriptTemplate;
  const std::wstring& startPage = inputs.startPage;
  if (auto at = script.FirstUnwritable(scriptTemplate)) {
    TextPlace place = PlaceOf(scriptTemplate, *at);
    return L"脚本第 " + std::to_wstring(place.line) + L" 行第 " + std::to_wstring(place.column) +
           L" 个字符“" + CharacterAt(scriptTemplate, *at) +
           L"”无法用系统的代码页写入脚本文件。\n请修改脚本后再运行，本次没有向 AutoCAD "
           L"发送任何内容。";
  }
  if (!std::isfinite(ReadLeadingNumber(startPage))) {
    return L"起始页码“" + startPage + L"”太大，无法使用。\n请修改起始页码后再运行。";
  }
  return std::nullopt;
}

std::wstring R14Refusal(const std::wstring& programName) {
  return L"“for R14”只用于 AutoCAD R14，不能用于" + programName +
         L"。\n请选择“for R2000+”或 AutoCAD 后再运行，本次没有向 " + programName +
         L" 发送任何内容。";
}

std::wstring ProgressCaption(size_t index, size_t count) {
  return L"正在处理第 " + std::to_wstring(index + 1) + L" 页" + L"   共 " + std::to_wstring(count) +
         L" 页";
}

std::wstring TemplatePath(const std::wstring& fullName) {
  if (fullName.size() < 9) {
    throw RunFailure(5, L"AutoCAD 的程序路径“" + fullName + L"”无法用于查找样板文件。");
  }
  return fullName.substr(0, fullName.size() - 9) + L"\\TEMPLATE\\acad.dwt";
}

std::wstring ScriptFolder(const std::wstring& programFolder, bool programFolderWritable,
                          const std::wstring& localAppData) {
  if (programFolderWritable || localAppData.empty()) return programFolder;
  return JoinFolder(localAppData, L"Kavro");
}

std::wstring ScriptPathIn(const std::wstring& folder) {
  return JoinFolder(folder, kScriptFileName);
}

std::wstring ErrorNumberText(long number) {
  std::wstring text = std::to_wstring(number);
  if (number < 0) {
    wchar_t hex[16];
    std::swprintf(hex, 16, L" (%08lX)", static_cast<unsigned long>(number) & 0xFFFFFFFFul);
    text += hex;
  }
  return text;
}

}  // namespace kavro::run
