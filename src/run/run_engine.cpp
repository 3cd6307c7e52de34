#include "run/run_engine.h"

#include <cmath>
#include <cstdio>
#include <utility>

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
  Run(RunHost& host, CadApplication& cad)
      : host_(host), cad_(cad), r2000_(host.main.TargetsR2000()) {}

  void ActivateCad() { host_.keys.ActivateWindow(cad_.Caption()); }

  void MakeTemplateDrawing() {
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
    if (!r2000_ || !VersionChecksScripts(cad_.Version())) return;
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

  void DrawingDone() {
    host_.record.Saved(processed_);
    ++processed_;
    current_.reset();
    drawing_.reset();
  }

  size_t Processed() const { return processed_; }
  // The first drawing not begun: after the one that failed, if one did.
  size_t NotBegunFrom() const { return current_ ? *current_ + 1 : processed_; }

  // After a failure: AutoCAD's file dialogs (and its trusted folders) as they were if the run
  // changed them, the record, and the message.
  void Report(const RunFailure& failure) {
    Undo(dialogsOff_, [this] { DialogsOn(); });
    Undo(trustedBefore_.has_value(), [this] { RestoreTrust(); });
    if (current_) host_.record.Failed(*current_, failure.Number(), failure.Description());
    std::wstring text = L"运行已停止。\n\n错误 " + ErrorNumberText(failure.Number()) + L"：" +
                        failure.Description();
    if (drawing_) text += L"\n\n图纸：" + *drawing_;
    if (auto cadFate = cad_.AfterFailure()) text += L"\n\n" + *cadFate;
    message_ = std::move(text);
  }

  const std::wstring& Message() const { return message_; }

 private:
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
  bool dialogsOff_ = false;
  size_t processed_ = 0;
  std::optional<size_t> current_;  // the drawing begun and not yet saved
  std::optional<std::wstring> drawing_;
  std::optional<std::wstring> trustedBefore_;
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
  return inputs;
}

CadApplication* Start(RunHost& host, const RunInputs& inputs, bool preview) {
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

}  // namespace

void ModifyRun(RunHost& host) {
  RunInputs inputs = InputsOf(host.main, host.main.DrawingCount());
  CadApplication* cad = Start(host, inputs, false);
  if (!cad) return;
  Run run(host, *cad);
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
    for (size_t i = 0; i < count; ++i) {
      if (i > 0 && host.progress.StopRequested()) {
        stopped = true;
        break;
      }
      host.progress.SetCaption(ProgressCaption(i, count));
      run.OpenAndScript(scriptPath, i, false);
      run.Save();
      run.DrawingDone();
      if (i + 1 == count) {
        host.progress.SetCaption(kCompletionCaption);
        host.progress.SetEndTime(host.timeOfDay());
      }
    }
    run.DialogsOn();  // also after an empty list: the dialogs were switched off above
    run.RestoreTrust();
  });
  host.main.RemoveFirstDrawings(run.Processed());
  host.record.Ended(ok ? run.Processed() : run.NotBegunFrom(), stopped);
  if (ok && !stopped) {
    // The main window comes back when the user dismisses Form3.
    host.progress.RunEnded([&main = host.main] { main.Show(); });
    return;
  }
  if (progressShown) host.progress.Close();
  if (mainHidden) host.main.Show();
  std::wstring pageLine = ContinuePages(host, inputs.startPage, run.Processed());
  if (ok) {
    host.main.ShowMessage(L"批量修改已停止：已完成 " + std::to_wstring(run.Processed()) +
                              L" 张，剩余 " + std::to_wstring(count - run.Processed()) + L" 张。" +
                              StopLines(host, pageLine),
                          MessageKind::Notice);
  } else {
    host.main.ShowMessage(run.Message() + StopLines(host, pageLine));
  }
}

void PreviewRun(RunHost& host) {
  const size_t count = host.main.DrawingCount() > 0 ? 1 : 0;
  RunInputs inputs = InputsOf(host.main, count);
  CadApplication* cad = Start(host, inputs, true);
  if (!cad) return;
  Run run(host, *cad);
  host.record.Started(inputs);
  bool ok = Guarded(run, [&] {
    run.ActivateCad();
    run.MakeTemplateDrawing();
    std::wstring scriptPath = host.script.ScriptPath();
    run.TrustScriptFolder(scriptPath);
    run.DialogsOff();
    for (size_t i = 0; i < count; ++i) {
      run.OpenAndScript(scriptPath, i, true);
      run.DialogsOn();
      run.DrawingDone();
    }
    if (count == 0) run.DialogsOn();
    run.RestoreTrust();
  });
  host.record.Ended(ok ? run.Processed() : run.NotBegunFrom(), false);
  if (!ok) host.main.ShowMessage(run.Message() + StopLines(host, L""));
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
