#include "run/run_actions_win.h"

#include "base/program_folder.h"
#include "run/keyboard_win.h"
#include "run/progress_rule.h"
#include "run/record_files_win.h"
#include "win/file_win.h"
#include "win/message_loop_win.h"
#include "win/program_folder_win.h"
#include "win/text_win.h"

namespace kavro::run {

namespace {

class KeysToAutoCad final : public Keystrokes {
 public:
  explicit KeysToAutoCad(const RunLimits& limits) : limits_(limits) {}
  void ActivateWindow(const std::wstring& title) override {
    if (!ActivateWindowByTitle(title)) {
      throw RunFailure(5, L"找不到标题为“" + title + L"”的 AutoCAD 窗口，或无法激活它。");
    }
  }
  void Type(const std::wstring& keys) override {
    if (!TypeKeys(keys, limits_.keysMs)) throw NotRead();
  }
  void TypeScriptCommand(const std::wstring& scriptPath) override {
    // One input: each wait for AutoCAD to read the keys costs a round trip to its window.
    if (!TypeKeySequence(ScriptCommandKeys(scriptPath), limits_.keysMs)) throw NotRead();
  }

 private:
  RunFailure NotRead() const {
    return RunFailure(
        ERROR_TIMEOUT,
        L"AutoCAD 窗口没有在 " + std::to_wstring(limits_.keysMs / 1000) + L" 秒内接收键盘输入。");
  }
  const RunLimits& limits_;
};

bool FolderWritable(const std::wstring& folder) {
  std::wstring probe =
      JoinFolder(folder, L"~kavro" + std::to_wstring(GetCurrentProcessId()) + L".tmp");
  HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

class ScriptFileOnDisk final : public ScriptFile {
 public:
  explicit ScriptFileOnDisk(const std::wstring& programFolder) : programFolder_(programFolder) {}
  std::wstring ScriptPath() override {
    bool writable = FolderWritable(programFolder_);
    std::wstring folder =
        ScriptFolder(programFolder_, writable, writable ? L"" : win::LocalAppDataFolder());
    if (folder != programFolder_) CreateDirectoryW(folder.c_str(), nullptr);
    return ScriptPathIn(folder);
  }
  std::optional<size_t> FirstUnwritable(std::wstring_view text) override {
    return win::EncodeAnsi(text).unmappableAt;
  }
  void Write(const std::wstring& path, const std::wstring& text) override {
    win::AnsiEncoding ansi = win::EncodeAnsi(text);
    if (ansi.unmappableAt) {
      throw RunFailure(ERROR_NO_UNICODE_TRANSLATION,
                       L"脚本含有系统代码页无法保存的字符，无法写入 " + path);
    }
    win::FileResult result = win::WriteFileReplacing(path, ansi.bytes);
    if (!result.ok) {
      throw RunFailure(static_cast<long>(result.error),
                       L"无法写入脚本文件 " + path + L"：" + win::SystemMessage(result.error));
    }
  }

 private:
  const std::wstring& programFolder_;
};

// Form3 as the run sees it. The window itself belongs to Runs: it stays after the run returned.
class Form3View final : public ProgressView {
 public:
  Form3View(std::unique_ptr<ProgressWindow>& form3, win::Lifetime& lifetime,
            StopQuestion& stopQuestion)
      : form3_(form3), lifetime_(lifetime), stopQuestion_(stopQuestion) {}
  void Show() override {
    if (form3_) form3_->Unload();
    form3_ = ProgressWindow::Load(lifetime_, [&form3 = form3_] { form3.reset(); });
    form3_->OnStopAsked([this, window = form3_->Hwnd()] { stopQuestion_.Ask(window); });
  }
  void SetCaption(const std::wstring& text) override { Set(ProgressLabel::Label1, text); }
  void SetStartTime(const std::wstring& text) override { Set(ProgressLabel::Label3, text); }
  void SetEndTime(const std::wstring& text) override { Set(ProgressLabel::Label5, text); }
  void RunEnded(std::function<void()> dismissed) override {
    stopQuestion_.Reset();  // nothing is left to stop
    if (form3_) form3_->RunEnded(std::move(dismissed));
  }
  void Close() override {
    stopQuestion_.Reset();
    if (form3_) form3_->Unload();
  }
  bool StopRequested() override { return stopQuestion_.Answered(); }

 private:
  void Set(ProgressLabel label, const std::wstring& text) {
    if (!form3_) return;
    if (restack_.BeforeLabel(label == ProgressLabel::Label1)) form3_->ComeToFront();
    form3_->SetLabel(label, text);
  }
  std::unique_ptr<ProgressWindow>& form3_;
  win::Lifetime& lifetime_;
  StopQuestion& stopQuestion_;
  RestackRule restack_;
};

}  // namespace

Runs::Runs(RunEnvironment environment, MainView& main, HWND mainWindow)
    : environment_(std::move(environment)),
      main_(main),
      mainWindow_(mainWindow),
      stopQuestion_(environment_.messages) {}

Runs::~Runs() {
  stopQuestion_.Reset();
  if (form3_) form3_->Unload();
}

template <typename RunFunction>
void Runs::RunWith(RunKind kind, RunFunction run) {
  // While a run waits for AutoCAD the program's windows keep painting and its timers keep
  // running, but the main window takes no input: the run reads its controls.
  win::ModalScope modal(mainWindow_);
  environment_.cad.SetPump([&modal](MSG& msg) { modal.Pump(msg); });
  KeysToAutoCad keys(environment_.limits);
  ScriptFileOnDisk script(environment_.programFolder);
  Form3View progress(form3_, environment_.lifetime, stopQuestion_);
  std::unique_ptr<RunRecord> record =
      MakeRunRecord(kind, environment_.dataFolder, environment_.timeOfDay);
  RunHost host{environment_.cad, keys, script, progress, main_, environment_.timeOfDay, *record};
  try {
    run(host);
  } catch (...) {
    stopQuestion_.Reset();
    environment_.cad.SetPump({});
    throw;
  }
  stopQuestion_.Reset();
  environment_.cad.SetPump({});
}

void Runs::Modify() {
  RunWith(RunKind::Modify, [](RunHost& host) { ModifyRun(host); });
}

void Runs::Preview() {
  RunWith(RunKind::Preview, [](RunHost& host) { PreviewRun(host); });
}

}  // namespace kavro::run
