#pragma once
// Stand-ins shared by the run tests: AutoCAD, the keyboard, the script file and both windows as one
// recorder of calls; a run record that writes its calls as short words; a record sink in memory.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "record/recorder.h"
#include "run/run_engine.h"

namespace kavro::run {

using Log = std::vector<std::wstring>;
inline const std::wstring kScript = L"C:\\Kavro\\kavro.scr";

// Records every call in one stream, "Name(argument)"; a call can be made to fail at its k-th
// occurrence.
class Recorder : public CadConnector,
                 public CadApplication,
                 public Keystrokes,
                 public ScriptFile,
                 public MainView,
                 public HistoryFiles {
 public:
  Log log, drawings, messages;
  std::wstring scriptTemplate = L"text page", startPage = L"1", version = L"15.0";
  std::wstring scriptPath = kScript;
  bool r2000 = true, connects = true, answers = true;
  std::map<std::wstring, std::wstring> variables;  // a name not here is refused
  // What AutoCAD adds to a drawing's history file (LOGFILENAME names it by the drawing's path)
  // while it is open; none: the file never appears.
  std::map<std::wstring, std::wstring> histories;
  std::optional<std::wstring> cadFate;
  size_t stopAfter = 0;  // StopRequested answers true once this many drawings were saved
  std::optional<size_t> unwritableAt;
  wchar_t unwritableChar = 0;     // also: the first place of this character
  size_t failedEntry = 0;         // index in `log` of the call made to fail
  std::function<void()> dismiss;  // what a double-click on Form3 does once the run ended

  // The `occurrence`-th call named `call` (1-based) throws.
  void FailAt(const std::wstring& call, int occurrence) { failures_[call] = occurrence; }
  // The arguments of the calls named `call`, in order.
  Log Args(const std::wstring& call) const {
    Log args;
    size_t open = call.size() + 1;
    for (const std::wstring& entry : log)
      if (entry.starts_with(call + L"("))
        args.push_back(entry.substr(open, entry.size() - open - 1));
    return args;
  }

  CadInUse inUse;  // what Choose answers
  CadInUse Choose(const std::wstring&) override { return inUse; }
  std::wstring ProductTemplateOf(CadProduct, const std::wstring& fullName) override {
    return fullName == L"C:\\ZW\\zwcad.exe" ? L"C:\\ZW\\TEMPLATE\\zwcad.dwt" : L"";
  }
  CadApplication* ConnectCad(std::wstring& failure) override {
    Note(L"ConnectCad");
    if (!connects) failure = L"no AutoCAD";
    return connects ? this : nullptr;
  }
  std::wstring Caption() override { return Note(L"Caption", {}, L"AutoCAD - [Drawing1.dwg]"); }
  std::wstring fullName = L"C:\\ACAD\\acad.exe";
  std::wstring FullName() override { return Note(L"FullName", {}, fullName); }
  void DocumentsAdd(const std::wstring& path) override { Note(L"Documents.Add", path); }
  void DocumentsOpen(const std::wstring& path) override {
    Note(L"Documents.Open", path);
    opened_ = path;
  }
  void ActiveDocumentOpen(const std::wstring& path) override { Note(L"ActiveDocument.Open", path); }
  void SendCommand(const std::wstring& text) override { Note(L"SendCommand", text); }
  void ActiveDocumentCloseSaving() override { Note(L"ActiveDocument.Close", L"true"); }
  void WaitUntilQuiescent() override { Note(L"Quiescent"); }
  bool StillAnswers() override { return answers || failedEntry == 0; }
  std::wstring Version() override { return Note(L"Version", {}, version); }
  std::wstring GetVariable(const std::wstring& name) override {
    Note(L"GetVariable", name);
    if (!variables.count(name)) throw RunFailure(-2147024809, L"refused");
    return name == L"LOGFILENAME" ? opened_ : variables[name];
  }
  void SetVariable(const std::wstring& name, const std::wstring& value) override {
    Note(L"SetVariable", name + L"=" + value);
    variables[name] = value;
  }
  void SetIntegerVariable(const std::wstring& name, int value) override {
    SetVariable(name, std::to_wstring(value));
  }
  uint64_t Size(const std::wstring&) override { return 0; }
  std::optional<std::wstring> Added(const std::wstring& path, uint64_t) override {
    Note(L"ReadHistory");
    auto found = histories.find(path);
    return found != histories.end() ? std::optional(found->second) : std::nullopt;
  }
  std::optional<std::wstring> AfterFailure() override { return cadFate; }
  void ActivateWindow(const std::wstring& title) override { Note(L"Activate", title); }
  void Type(const std::wstring& keys) override { Note(L"Type", keys); }
  void TypeScriptCommand(const std::wstring& path) override { Note(L"TypeScriptCommand", path); }
  std::wstring ScriptPath() override { return scriptPath; }
  std::optional<size_t> FirstUnwritable(std::wstring_view text) override {
    size_t at = unwritableChar ? text.find(unwritableChar) : std::wstring_view::npos;
    return at != std::wstring_view::npos ? std::optional(at) : unwritableAt;
  }
  void Write(const std::wstring&, const std::wstring& text) override { Note(L"Write", text); }
  void Show() override { Note(L"Main.Show"); }
  size_t DrawingCount() override { return drawings.size(); }
  std::wstring Drawing(size_t index) override { return drawings.at(index); }
  void RemoveFirstDrawings(size_t count) override {
    drawings.erase(drawings.begin(), drawings.begin() + static_cast<long>(count));
  }
  void SetStartPage(const std::wstring& text) override { startPage = text; }
  std::wstring ScriptTemplate() override { return scriptTemplate; }
  std::wstring StartPage() override { return startPage; }
  bool TargetsR2000() override { return r2000; }
  void Hide() override { Note(L"Main.Hide"); }
  // Each kind but Error as a word before the text.
  void ShowMessage(const std::wstring& text, MessageKind kind) override {
    const wchar_t* prefixes[] = {L"", L"notice: ", L"warning: ", L"refusal: "};
    messages.push_back(prefixes[static_cast<int>(kind)] + text);
  }

  // Form3: ProgressView and MainView both have Show().
  struct ProgressSide : ProgressView {
    Recorder& r;
    explicit ProgressSide(Recorder& owner) : r(owner) {}
    void Show() override { r.Note(L"Form3.Show"); }
    void SetCaption(const std::wstring& t) override { r.Note(L"Label1", t); }
    void SetStartTime(const std::wstring& t) override { r.Note(L"Label3", t); }
    void SetEndTime(const std::wstring& t) override { r.Note(L"Label5", t); }
    void RunEnded(std::function<void()> dismissed) override {
      r.Note(L"Form3.RunEnded");
      r.dismiss = std::move(dismissed);
    }
    void Close() override { r.Note(L"Form3.Close"); }
    bool StopRequested() override { return r.stopAfter > 0 && r.Saves() >= r.stopAfter; }
  };

  size_t Saves() const {
    return static_cast<size_t>(std::count_if(log.begin(), log.end(), [](const std::wstring& call) {
      return call == L"ActiveDocument.Close(true)" || call == L"Type(qsave~)";
    }));
  }

  void Run(bool preview, RunRecord* record = nullptr) {
    ProgressSide progress(*this);
    NoRecord none;
    auto clock = [] { return std::wstring(L"10:00"); };
    RunHost host{*this, *this, *this, progress, *this, clock, record ? *record : none, this};
    preview ? PreviewRun(host) : ModifyRun(host);
  }

  // Notes the call and returns `result`, or throws when it is the call made to fail.
  std::wstring Note(const std::wstring& call, const std::wstring& arg = {},
                    std::wstring result = {}) {
    log.push_back(arg.empty() ? call : call + L"(" + arg + L")");
    auto f = failures_.find(call);
    if (f != failures_.end() && --f->second == 0) {
      failedEntry = log.size() - 1;
      throw RunFailure(-2147352567, call + L" failed");
    }
    return result;
  }

 private:
  std::map<std::wstring, int> failures_;
  std::wstring opened_;  // the drawing open last
};

// The record's calls as short words: "start4" for four drawings, B3 begun, S3 saved, F3:-1 failed
// with its number, E3 ended, E3c ended by a cancel (and the histories, below).
class TraceRecord final : public RunRecord {
 public:
  Log calls;
  void Started(const RunInputs& in) override { Add(L"start", in.drawings.size()); }
  void Begun(size_t i) override {
    Add(L"B", i);
    unflushed = false;
  }
  void Saved(size_t i) override {
    Add(L"S", i);
    unflushed = savedLater;
  }
  void FlushSavedLater() override { savedLater = true; }
  void Settle() override { unflushed = false; }
  // H3 a history read, H3! one with error lines, H3? none read.
  void History(size_t i, const DrawingHistory& h) override {
    Add(L"H", i, h.HasErrors() ? L"!" : h.read ? L"" : L"?");
  }
  void Failed(size_t i, long number, const std::wstring&) override {
    Add(L"F", i, L":" + std::to_wstring(number));
  }
  void Ended(size_t from, bool cancelled) override {
    Add(L"E", from, cancelled ? L"c" : L"");
    unflushed = false;
  }
  std::wstring LogPath() const override { return logPath; }
  std::wstring logPath;
  bool savedLater = false, unflushed = false;  // a saved record still waits for the disk

 private:
  void Add(const wchar_t* word, size_t n, const std::wstring& more = {}) {
    calls.push_back(word + std::to_wstring(n) + more);
  }
};

// What a sink was given; it can be told to fail at its n-th append.
struct SinkTrace {
  std::vector<std::string> appends;
  size_t durable = 0;  // of the appends, how many are on the disk
  bool finished = false, kept = false, failFinish = false, failFlush = false;
  int failAt = 0;  // 0: never
  std::string Bytes() const {
    std::string all;
    for (const std::string& bytes : appends) all += bytes;
    return all;
  }
};

class MemorySink final : public RecordSink {
 public:
  explicit MemorySink(SinkTrace& trace) : trace_(trace) {}
  void Append(std::string_view bytes) override {
    AppendUnflushed(bytes);
    Flush();
  }
  void AppendUnflushed(std::string_view bytes) override {
    if (static_cast<int>(trace_.appends.size()) + 1 == trace_.failAt) {
      throw std::runtime_error("disk full");
    }
    trace_.appends.emplace_back(bytes);
  }
  void Flush() override {
    if (trace_.failFlush) throw std::runtime_error("disk gone");
    trace_.durable = trace_.appends.size();
  }
  void KeepForRetry() override {
    RecordSink::KeepForRetry();  // the default: nothing to keep
    trace_.kept = true;
  }
  void Finish() override {
    trace_.finished = true;
    if (trace_.failFinish) throw std::runtime_error("cannot close");
  }

 private:
  SinkTrace& trace_;
};

}  // namespace kavro::run
