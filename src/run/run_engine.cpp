#include "run/run_engine.h"

#include <cmath>
#include <cstdio>

#include "base/program_folder.h"
#include "base/text_place.h"
#include "run/page_rule.h"

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

// Checks made before AutoCAD is touched: the script must fit the script file's code page and
// the start page must be a usable number. Returns the refusal, if any.
std::optional<std::wstring> RefusalOf(RunHost& host) {
  std::wstring scriptTemplate = host.main.ScriptTemplate();
  if (auto at = host.script.FirstUnwritable(scriptTemplate)) {
    TextPlace place = PlaceOf(scriptTemplate, *at);
    return L"脚本第 " + std::to_wstring(place.line) + L" 行第 " + std::to_wstring(place.column) +
           L" 个字符“" + CharacterAt(scriptTemplate, *at) +
           L"”无法用系统的代码页写入脚本文件。\n请修改脚本后再运行，本次没有向 AutoCAD "
           L"发送任何内容。";
  }
  if (!std::isfinite(ReadLeadingNumber(host.main.StartPage()))) {
    return L"起始页码“" + host.main.StartPage() + L"”太大，无法使用。\n请修改起始页码后再运行。";
  }
  return std::nullopt;
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
    std::wstring script =
        ScriptForDrawing(host_.main.ScriptTemplate(), host_.main.StartPage(), index);
    drawing_ = TrimSpaces(host_.main.Drawing(index));
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
    ++processed_;
    drawing_.reset();
  }

  size_t Processed() const { return processed_; }

  // After a failure: AutoCAD's file dialogs back on if the run turned them off, and the message.
  void Report(const RunFailure& failure) {
    if (dialogsOff_ && cad_.StillAnswers()) {
      try {
        DialogsOn();
      } catch (const RunFailure&) {
        // AutoCAD stopped answering; the message below is what matters.
      }
    }
    std::wstring text = L"运行已停止。\n\n错误 " + ErrorNumberText(failure.Number()) + L"：" +
                        failure.Description();
    if (drawing_) text += L"\n\n图纸：" + *drawing_;
    message_ = std::move(text);
  }

  const std::wstring& Message() const { return message_; }

 private:
  RunHost& host_;
  CadApplication& cad_;
  bool r2000_;
  bool dialogsOff_ = false;
  size_t processed_ = 0;
  std::optional<std::wstring> drawing_;
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

CadApplication* Start(RunHost& host) {
  if (auto refusal = RefusalOf(host)) {
    host.main.ShowMessage(*refusal);
    return nullptr;
  }
  std::wstring failure;
  CadApplication* cad = host.connector.ConnectCad(failure);
  if (!cad) host.main.ShowMessage(failure, MessageKind::Notice);
  return cad;
}

}  // namespace

void ModifyRun(RunHost& host) {
  CadApplication* cad = Start(host);
  if (!cad) return;
  Run run(host, *cad);
  bool progressShown = false;
  bool mainHidden = false;
  size_t count = 0;
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
    count = host.main.DrawingCount();
    run.DialogsOff();
    for (size_t i = 0; i < count; ++i) {
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
  });
  host.main.RemoveFirstDrawings(run.Processed());
  if (ok) {
    // The main window comes back when the user dismisses Form3.
    host.progress.RunEnded([&main = host.main] { main.Show(); });
    return;
  }
  if (progressShown) host.progress.Close();
  if (mainHidden) host.main.Show();
  host.main.ShowMessage(run.Message());
}

void PreviewRun(RunHost& host) {
  CadApplication* cad = Start(host);
  if (!cad) return;
  Run run(host, *cad);
  bool ok = Guarded(run, [&] {
    run.ActivateCad();
    run.MakeTemplateDrawing();
    std::wstring scriptPath = host.script.ScriptPath();
    size_t count = host.main.DrawingCount() > 0 ? 1 : 0;
    run.DialogsOff();
    for (size_t i = 0; i < count; ++i) {
      run.OpenAndScript(scriptPath, i, true);
      run.DialogsOn();
    }
    if (count == 0) run.DialogsOn();
  });
  if (!ok) host.main.ShowMessage(run.Message());
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
