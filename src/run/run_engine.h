#pragma once
// The modify run and the preview run as plain code over the few things they drive: AutoCAD's
// automation interface, typed keys (R14), the script file, the progress window and the main
// window. The Windows side supplies the real ones; the tests supply recorders.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "run/cad_programs.h"
#include "run/drawing_check.h"
#include "run/run_inputs.h"
#include "run/run_record.h"

namespace kavro::run {

// A step that failed: the error number and description that the user is shown.
class RunFailure : public std::exception {
 public:
  RunFailure(long number, std::wstring description)
      : number_(number), description_(std::move(description)) {}
  long Number() const { return number_; }
  const std::wstring& Description() const { return description_; }
  const char* what() const noexcept override { return "run step failed"; }

 private:
  long number_;
  std::wstring description_;
};

// The application object `acadApp`. Every member either completes or throws RunFailure.
class CadApplication {
 public:
  virtual ~CadApplication() = default;
  virtual std::wstring Caption() = 0;
  virtual std::wstring FullName() = 0;
  virtual void DocumentsAdd(const std::wstring& templatePath) = 0;
  virtual void DocumentsOpen(const std::wstring& drawingPath) = 0;       // R2000+
  virtual void ActiveDocumentOpen(const std::wstring& drawingPath) = 0;  // R14
  virtual void SendCommand(const std::wstring& text) = 0;                // on ActiveDocument
  virtual void ActiveDocumentCloseSaving() = 0;                          // Close(true)
  // Returns once AutoCAD has finished what it was given; throws when it does not in time.
  virtual void WaitUntilQuiescent() = 0;
  // False once AutoCAD stopped answering (hung or gone): nothing more is sent to it.
  virtual bool StillAnswers() = 0;
  // Application.Version; empty when AutoCAD does not say.
  virtual std::wstring Version() = 0;
  // ActiveDocument.GetVariable / SetVariable, values as text.
  virtual std::wstring GetVariable(const std::wstring& name) = 0;
  virtual void SetVariable(const std::wstring& name, const std::wstring& value) = 0;
  // SetVariable of a variable that holds an integer: AutoCAD takes only a value of its own type.
  virtual void SetIntegerVariable(const std::wstring& name, int value) = 0;
  // The template of a new drawing in a program other than AutoCAD (see ProductTemplate); empty:
  // none. AutoCAD's own comes from FullName.
  virtual std::wstring ProductTemplateOf(CadProduct, const std::wstring&) { return {}; }
  // Called once a failure's message has been prepared. When AutoCAD hung, a started AutoCAD is
  // ended and the connection dropped; returns the line that says what became of AutoCAD, if any.
  virtual std::optional<std::wstring> AfterFailure() = 0;
};

// The program a run drives, as far as the run's steps differ by it.
struct CadInUse {
  CadProduct product = CadProduct::AutoCad;
  std::wstring name = L"AutoCAD";         // names it in messages
  std::optional<std::wstring> refusal{};  // the chosen name finds no program
};

// ConnectCad: attaches to or starts AutoCAD. Null when neither worked, with `failure` saying why
// (the run shows it).
class CadConnector {
 public:
  virtual ~CadConnector() = default;
  // Sets the program the next ConnectCad reaches: a name as ChooseCad reads it, empty for the
  // automatic choice. Sends nothing to any program.
  virtual CadInUse Choose(const std::wstring&) { return {}; }
  virtual CadApplication* ConnectCad(std::wstring& failure) = 0;
};

// The R14 keystroke path. "~" is Enter in Type.
// Each waits until the keys were processed and throws RunFailure otherwise.
class Keystrokes {
 public:
  virtual ~Keystrokes() = default;
  virtual void ActivateWindow(const std::wstring& title) = 0;
  virtual void Type(const std::wstring& keys) = 0;
  // Types "script~", the path literally (a "~" in it is a character), and "~", as one input.
  virtual void TypeScriptCommand(const std::wstring& scriptPath) = 0;
};

class ScriptFile {
 public:
  virtual ~ScriptFile() = default;
  // Where the script file goes (the program folder, or the user's own folder when the program
  // folder cannot be written).
  virtual std::wstring ScriptPath() = 0;
  // Index of the first character the script file's code page cannot hold.
  virtual std::optional<size_t> FirstUnwritable(std::wstring_view text) = 0;
  // Replaces the file with exactly `text`. Throws RunFailure.
  virtual void Write(const std::wstring& path, const std::wstring& text) = 0;
};

// The files AutoCAD writes each drawing's command history to (LOGFILENAME).
class HistoryFiles {
 public:
  virtual ~HistoryFiles() = default;
  // The file's size now; 0 when there is none yet.
  virtual uint64_t Size(const std::wstring& path) = 0;
  // What was added since it held `notedSize` bytes (DecodeAddedHistory); none when there is no
  // such file or it cannot be read.
  virtual std::optional<std::wstring> Added(const std::wstring& path, uint64_t notedSize) = 0;
};

// Form3.
class ProgressView {
 public:
  virtual ~ProgressView() = default;
  virtual void Show() = 0;
  virtual void SetCaption(const std::wstring& text) = 0;    // Label1, repainted at once
  virtual void SetStartTime(const std::wstring& text) = 0;  // Label3
  virtual void SetEndTime(const std::wstring& text) = 0;    // Label5
  // From now on a double-click closes Form3 and then calls `dismissed`.
  virtual void RunEnded(std::function<void()> dismissed) = 0;
  virtual void Close() = 0;  // after a failure or a stop
  // True once the user asked the run to stop after the drawing at hand. Never waits for the user.
  virtual bool StopRequested() = 0;
};

enum class MessageKind {
  Error,    // OK button and the error icon
  Notice,   // OK button only (the connection's failure)
  Warning,  // OK button and the warning icon (scripts that went wrong)
  Refusal,  // the error icon and the title "错误": the drawing check refused the run
};

// kavrofrm: the run's inputs and where it reports. It outlives the run: Form3 may bring it back
// after the run has returned.
class MainView {
 public:
  virtual ~MainView() = default;
  virtual size_t DrawingCount() = 0;
  virtual std::wstring Drawing(size_t index) = 0;
  virtual void RemoveFirstDrawings(size_t count) = 0;
  virtual void SetStartPage(const std::wstring& text) = 0;  // Text2
  virtual std::wstring ScriptTemplate() = 0;                // Text1
  virtual std::wstring StartPage() = 0;                     // Text2
  virtual bool TargetsR2000() = 0;                          // Option2
  virtual std::wstring ChosenCad() { return {}; }           // CAD; empty: 自动
  virtual void Hide() = 0;
  virtual void Show() = 0;
  // A message box with caption "Kavro": every message of a run comes here.
  virtual void ShowMessage(const std::wstring& text, MessageKind kind = MessageKind::Error) = 0;
};

struct RunHost {
  CadConnector& connector;
  Keystrokes& keys;
  ScriptFile& script;
  ProgressView& progress;
  MainView& main;
  std::function<std::wstring()> timeOfDay;
  RunRecord& record;  // the run's journal and log
  // Where the command histories are read; null: the run asks AutoCAD for none.
  HistoryFiles* history = nullptr;
  // Asked about every drawing before AutoCAD is reached; null: every file is taken as fine.
  DrawingProbe* probe = nullptr;
};

// A RunRecord that keeps nothing.
class NoRecord final : public RunRecord {
 public:
  void Started(const RunInputs&) override {}
  void Begun(size_t) override {}
  void Saved(size_t) override {}
  void Failed(size_t, long, const std::wstring&) override {}
  void Ended(size_t, bool) override {}
  std::wstring LogPath() const override { return {}; }
};

// Checks made before AutoCAD is touched: the template must fit the script file's code page and the
// start page must be a usable number. Returns the refusal, if any. Each drawing is checked after
// (drawing_check.h).
std::optional<std::wstring> InputRefusal(const RunInputs& inputs, ScriptFile& script);

void ModifyRun(RunHost& host);   // Command9
void PreviewRun(RunHost& host);  // xpcmdbutton7

// Texts of the run.
// The refusal of an R14 run for a program other than AutoCAD.
std::wstring R14Refusal(const std::wstring& programName);
std::wstring ProgressCaption(size_t index, size_t count);
inline constexpr wchar_t kCompletionCaption[] = L"Kavro完成 双击窗口返回";
// AutoCAD's program file path minus "\acad.exe" (its last 9 characters), then the template.
std::wstring TemplatePath(const std::wstring& fullName);
// The folder for the script file: the program folder, unless it cannot be written (an install
// under Program Files); then "Kavro" in the user's local application-data folder, or, when there
// is none, still the program folder (the write will say what is wrong).
std::wstring ScriptFolder(const std::wstring& programFolder, bool programFolderWritable,
                          const std::wstring& localAppData);
// kavro.scr in `folder`, joined with a single backslash.
std::wstring ScriptPathIn(const std::wstring& folder);
inline constexpr wchar_t kScriptFileName[] = L"kavro.scr";
// "-2147352567 (80020009)" for COM errors, plain digits otherwise.
std::wstring ErrorNumberText(long number);

}  // namespace kavro::run
