#include "run/run_actions_win.h"

#include <shlobj.h>

#include "app/main_window_win.h"
#include "app/message_loop_win.h"
#include "base/program_folder.h"
#include "drawings/drawings_actions_win.h"
#include "run/keyboard_win.h"
#include "run/progress_window_win.h"
#include "run/run_engine.h"
#include "win/file_win.h"
#include "win/text_win.h"

namespace kavro::run {

namespace {

void ShowMessage(HWND owner, const std::wstring& text, UINT flags) {
  if (Settings().showMessage) {
    Settings().showMessage(owner, text, flags);
  } else {
    MessageBoxW(owner, text.c_str(), L"Kavro", flags);
  }
}

// While a run waits for AutoCAD the program's windows keep painting and its timers keep
// running, but the main window takes no input: the run reads its controls.
HWND blockedWindow = nullptr;
bool quitSeen = false;
int quitCode = 0;

bool IsInput(UINT msg) {
  return (msg >= WM_KEYFIRST && msg <= WM_KEYLAST) ||
         (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) ||
         (msg >= WM_NCMOUSEMOVE && msg <= WM_NCMBUTTONDBLCLK);
}

void PumpDuringRun(MSG& msg) {
  if (msg.message == WM_QUIT) {
    quitSeen = true;  // handed back to the message loop when the run is over
    quitCode = static_cast<int>(msg.wParam);
    return;
  }
  if (blockedWindow && msg.hwnd && IsInput(msg.message) &&
      GetAncestor(msg.hwnd, GA_ROOT) == blockedWindow) {
    return;
  }
  ProcessMessage(msg);
}

// The main window is disabled for the length of a run.
class RunScope {
 public:
  explicit RunScope(MainWindow& window) : window_(window.Hwnd()) {
    blockedWindow = window_;
    EnableWindow(window_, FALSE);
  }
  ~RunScope() {
    EnableWindow(window_, TRUE);
    blockedWindow = nullptr;
    if (quitSeen) {
      quitSeen = false;
      PostQuitMessage(quitCode);
    }
  }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;

 private:
  HWND window_;
};

class KeysToAutoCad final : public Keystrokes {
 public:
  void ActivateWindow(const std::wstring& title) override {
    if (!ActivateWindowByTitle(title)) {
      throw RunFailure(5, L"找不到标题为“" + title + L"”的 AutoCAD 窗口，或无法激活它。");
    }
  }
  void Type(const std::wstring& keys) override {
    if (!TypeKeys(keys, Settings().keysMs)) throw NotRead();
  }
  void TypeScriptCommand(const std::wstring& scriptPath) override {
    // One input: each wait for AutoCAD to read the keys costs a round trip to its window.
    if (!TypeKeySequence(ScriptCommandKeys(scriptPath), Settings().keysMs)) throw NotRead();
  }

 private:
  static RunFailure NotRead() {
    return RunFailure(ERROR_TIMEOUT, L"AutoCAD 窗口没有在 " +
                                         std::to_wstring(Settings().keysMs / 1000) +
                                         L" 秒内接收键盘输入。");
  }
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

std::wstring LocalAppDataFolder() {
  PWSTR path = nullptr;
  std::wstring folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &path))) {
    folder = path;
  }
  CoTaskMemFree(path);
  return folder;
}

class ScriptFileOnDisk final : public ScriptFile {
 public:
  // The program folder, unless it cannot be written (an install under Program Files): then the
  // user's own application-data folder.
  std::wstring ScriptPath() override {
    std::wstring folder =
        Settings().programFolder.empty() ? ProgramFolder() : Settings().programFolder;
    if (FolderWritable(folder)) return ScriptPathIn(folder);
    std::wstring own = LocalAppDataFolder();
    if (own.empty()) return ScriptPathIn(folder);  // the write will say what is wrong
    own = JoinFolder(own, L"Kavro");
    CreateDirectoryW(own.c_str(), nullptr);
    return ScriptPathIn(own);
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
};

class Form3View final : public ProgressView {
 public:
  explicit Form3View(MainWindow& main) : main_(main) {}
  void Show() override { ProgressWindow::Load(main_); }
  void SetCaption(const std::wstring& text) override { Set(ProgressLabel::Label1, text); }
  void SetStartTime(const std::wstring& text) override { Set(ProgressLabel::Label3, text); }
  void SetEndTime(const std::wstring& text) override { Set(ProgressLabel::Label5, text); }
  void RunEnded() override {
    if (auto* form = ProgressWindow::Current()) form->RunEnded();
  }
  void Close() override {
    if (auto* form = ProgressWindow::Current()) form->Unload();
  }

 private:
  void Set(ProgressLabel label, const std::wstring& text) {
    if (auto* form = ProgressWindow::Current()) {
      // AutoCAD was activated after Form3 was shown. Restacked when the times are set and at
      // the first progress caption, not at every drawing: it costs a few milliseconds.
      if (label != ProgressLabel::Label1 || !restacked_) form->ComeToFront();
      if (label == ProgressLabel::Label1) restacked_ = true;
      form->SetLabel(label, text);
    }
  }
  MainWindow& main_;
  bool restacked_ = false;
};

class MainWindowView final : public MainView {
 public:
  explicit MainWindowView(MainWindow& window) : window_(window) {}
  size_t DrawingCount() override { return drawings::Count(window_); }
  std::wstring Drawing(size_t index) override { return drawings::Entry(window_, index); }
  void RemoveFirstDrawings(size_t count) override { drawings::RemoveFirst(window_, count); }
  std::wstring ScriptTemplate() override { return window_.ItemText(MainControl::Text1); }
  std::wstring StartPage() override { return window_.ItemText(MainControl::Text2); }
  bool TargetsR2000() override { return window_.IsChecked(MainControl::Option2); }
  void Hide() override { ShowWindow(window_.Hwnd(), SW_HIDE); }
  void Show() override {
    EnableWindow(window_.Hwnd(), TRUE);
    window_.Show();
  }
  void ShowMessage(const std::wstring& text) override {
    run::ShowMessage(window_.Hwnd(), text, MB_OK | MB_ICONERROR);
  }

 private:
  MainWindow& window_;
};

std::wstring TimeOfDay() {
  wchar_t text[64] = L"";
  GetTimeFormatW(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, text, 64);
  return text;
}

template <typename RunFunction>
void RunFrom(MainWindow& window, RunFunction run) {
  RunScope scope(window);
  KeysToAutoCad keys;
  ScriptFileOnDisk script;
  Form3View progress(window);
  MainWindowView main(window);
  RunHost host{CadLink(), keys, script, progress, main, &TimeOfDay};
  run(host);
}

}  // namespace

RunSettings& Settings() {
  static RunSettings settings;
  return settings;
}

AutoCadLink& CadLink() {
  // Kept for the life of the program and never destroyed: its thread may be stuck in AutoCAD.
  static AutoCadLink* link = new AutoCadLink(
      [] { return Settings().automation; }, &PumpDuringRun,
      [](const std::wstring& text) { ShowMessage(GetActiveWindow(), text, MB_OK); });
  return *link;
}

void ModifyRun(MainWindow& window) {
  RunFrom(window, [](RunHost& host) { run::ModifyRun(host); });
}
void PreviewRun(MainWindow& window) {
  RunFrom(window, [](RunHost& host) { run::PreviewRun(host); });
}

}  // namespace kavro::run
