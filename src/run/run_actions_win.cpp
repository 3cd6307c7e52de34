#include "run/run_actions_win.h"

#include "base/program_folder.h"
#include "run/drawing_check_win.h"
#include "run/progress_rule.h"
#include "run/run_parts_win.h"
#include "win/file_win.h"
#include "win/message_loop_win.h"
#include "win/program_folder_win.h"
#include "win/text_win.h"

namespace kavro::run {

namespace {

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
  HistoryFilesOnDisk history;
  std::unique_ptr<RunRecord> record = environment_.makeRecord(kind);
  DrawingFilesOnDisk files;
  RunHost host{environment_.cad,       keys,    script,   progress, main_,
               environment_.timeOfDay, *record, &history, &files};
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
