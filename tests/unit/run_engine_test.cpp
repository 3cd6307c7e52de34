// The runs' call streams against recording stand-ins for AutoCAD, the keyboard and the windows.
#include "run/run_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <vector>

namespace kavro::run {
namespace {

using Log = std::vector<std::wstring>;
const std::wstring kScript = L"C:\\Kavro\\kavro.scr";
const std::wstring kTemplate = L"C:\\ACAD\\TEMPLATE\\acad.dwt";

// Records every call in one stream; a call can be made to fail at its k-th occurrence.
class Recorder : public CadConnector,
                 public CadApplication,
                 public Keystrokes,
                 public ScriptFile,
                 public MainView {
 public:
  Log log;
  std::vector<std::wstring> drawings;
  std::wstring scriptTemplate = L"text page";
  std::wstring startPage = L"1";
  bool r2000 = true;
  std::wstring version = L"15.0";
  std::wstring scriptPath = kScript;
  std::map<std::wstring, std::wstring> variables;
  std::optional<std::wstring> cadFate;
  size_t stopAfter = 0;  // StopRequested answers true once this many drawings were saved
  bool connects = true;
  bool answers = true;
  std::optional<size_t> unwritableAt;
  wchar_t unwritableChar = 0;  // also: the first place of this character
  std::map<std::wstring, std::wstring> files;
  std::vector<std::wstring> messages;
  size_t failedEntry = 0;         // index in `log` of the call made to fail
  std::function<void()> dismiss;  // what a double-click on Form3 does once the run ended

  // The `occurrence`-th call named `call` (1-based) throws.
  void FailAt(const std::wstring& call, int occurrence) { failures_[call] = occurrence; }

  CadApplication* ConnectCad(std::wstring& failure) override {
    Note(L"ConnectCad");
    if (!connects) failure = L"no AutoCAD";
    return connects ? this : nullptr;
  }
  std::wstring Caption() override {
    Note(L"Caption");
    return L"AutoCAD - [Drawing1.dwg]";
  }
  std::wstring FullName() override {
    Note(L"FullName");
    return L"C:\\ACAD\\acad.exe";
  }
  void DocumentsAdd(const std::wstring& path) override { Note(L"Documents.Add", path); }
  void DocumentsOpen(const std::wstring& path) override { Note(L"Documents.Open", path); }
  void ActiveDocumentOpen(const std::wstring& path) override { Note(L"ActiveDocument.Open", path); }
  void SendCommand(const std::wstring& text) override { Note(L"SendCommand", text); }
  void ActiveDocumentCloseSaving() override { Note(L"ActiveDocument.Close", L"true"); }
  void WaitUntilQuiescent() override { Note(L"Quiescent"); }
  bool StillAnswers() override { return answers; }
  std::wstring Version() override {
    Note(L"Version");
    return version;
  }
  std::wstring GetVariable(const std::wstring& name) override {
    Note(L"GetVariable", name);
    return variables.at(name);
  }
  void SetVariable(const std::wstring& name, const std::wstring& value) override {
    Note(L"SetVariable", name + L"=" + value);
    variables[name] = value;
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
  void Write(const std::wstring& path, const std::wstring& text) override {
    Note(L"Write", text);
    files[path] = text;
  }

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
  void ShowMessage(const std::wstring& text, MessageKind kind) override {
    messages.push_back(kind == MessageKind::Notice ? L"notice: " + text : text);
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
    RunHost host{*this,
                 *this,
                 *this,
                 progress,
                 *this,
                 [] { return std::wstring(L"10:00"); },
                 record ? *record : none};
    preview ? PreviewRun(host) : ModifyRun(host);
  }

  void Note(const std::wstring& call, const std::wstring& arg = {}) {
    log.push_back(arg.empty() ? call : call + L"(" + arg + L")");
    auto f = failures_.find(call);
    if (f != failures_.end() && --f->second == 0) {
      failedEntry = log.size() - 1;
      throw RunFailure(-2147352567, call + L" failed");
    }
  }

 private:
  std::map<std::wstring, int> failures_;
};

const std::wstring kOff = L"SendCommand(filedia\r0\r)";
const std::wstring kOn = L"SendCommand(filedia\r1\r)";
const std::wstring kR14Off = L"Type(filedia~0~)";
const std::wstring kR14On = L"Type(filedia~1~)";
// R2000 runs ask AutoCAD's version once the template drawing is there.
const Log kAdd = {L"Documents.Add(" + kTemplate + L")", L"Version"};
const std::wstring kRunScript = L"SendCommand(script\r" + kScript + L"\r)";
const std::wstring kActivate = L"Activate(AutoCAD - [Drawing1.dwg])";
const std::wstring kQuiescent = L"Quiescent";
const std::wstring kEnded = L"Form3.RunEnded";

void Append(Log& log, const std::wstring& call) { log.push_back(call); }
void Append(Log& log, const Log& calls) { log.insert(log.end(), calls.begin(), calls.end()); }
// Calls and runs of calls in one stream.
template <typename... Parts>
Log Calls(const Parts&... parts) {
  Log log;
  (Append(log, parts), ...);
  return log;
}

// Up to the first drawing: the modify run puts Form3 over AutoCAD first; the preview does not.
const Log kModifyStart = Calls(L"ConnectCad", L"Caption", kActivate, L"Form3.Show", L"Main.Hide",
                               L"Caption", kActivate, L"Label3(10:00)", L"FullName");
const Log kPreviewStart = Calls(L"ConnectCad", L"Caption", kActivate, L"FullName");
const Log kModifyDone = Calls(L"Label1(Kavro完成 双击窗口返回)", L"Label5(10:00)");
const Log kR14Script = Calls(L"TypeScriptCommand(" + kScript + L")", kQuiescent);

std::wstring Progress(const std::wstring& of) { return L"Label1(正在处理第 " + of + L" 页)"; }
std::wstring Page(const std::wstring& page) { return L"Write(text " + page + L")"; }

// A complete run with start page 5: its calls. No message; the modify run's drawings are gone
// from the list, the preview's all still there.
Log RunLog(bool r2000, bool preview, const Log& drawings) {
  Recorder r;
  r.r2000 = r2000;
  r.drawings = drawings;
  r.startPage = L"5";
  r.Run(preview);
  EXPECT_TRUE(r.messages.empty());
  EXPECT_EQ(r.drawings.size(), preview ? drawings.size() : 0u);
  // Dismissing Form3 after a completed modify run is what brings the main window back.
  EXPECT_EQ(static_cast<bool>(r.dismiss), !preview);
  Log log = r.log;
  if (r.dismiss) {
    r.dismiss();
    EXPECT_EQ(r.log.back(), L"Main.Show");
  }
  return log;
}

TEST(ModifyRun, R2000CallStreams) {
  EXPECT_EQ(RunLog(true, false, {}), Calls(kModifyStart, kAdd, kOff, kOn, kEnded));
  auto drawing = [](const wchar_t* of, const wchar_t* page, const std::wstring& path) {
    return Calls(Progress(of), Page(page), L"Documents.Open(" + path + L")", kRunScript, kQuiescent,
                 L"ActiveDocument.Close(true)");
  };
  EXPECT_EQ(RunLog(true, false, {L"  C:\\d\\a.dwg ", L"C:\\d\\b.dwg"}),
            Calls(kModifyStart, kAdd, kOff, drawing(L"1 页   共 2", L"5", L"C:\\d\\a.dwg"),
                  drawing(L"2 页   共 2", L"6", L"C:\\d\\b.dwg"), kModifyDone, kOn, kEnded));
}

TEST(ModifyRun, R14CallStreams) {
  EXPECT_EQ(RunLog(false, false, {}), Calls(kModifyStart, kR14Off, kR14On, kR14On, kEnded));
  auto drawing = [](const wchar_t* of, const wchar_t* page, const std::wstring& path) {
    return Calls(Progress(of), Page(page), L"ActiveDocument.Open(" + path + L")", kR14Script,
                 L"Type(qsave~)");
  };
  EXPECT_EQ(RunLog(false, false, {L"a"}),
            Calls(kModifyStart, kR14Off, drawing(L"1 页   共 1", L"5", L"a"), kModifyDone, kR14On,
                  kR14On, kEnded));
  EXPECT_EQ(RunLog(false, false, {L"a", L"b"}),
            Calls(kModifyStart, kR14Off, drawing(L"1 页   共 2", L"5", L"a"),
                  drawing(L"2 页   共 2", L"6", L"b"), kModifyDone, kR14On, kR14On, kEnded));
}

// Only the first drawing is opened and scripted, with the file dialogs switched off again after
// opening it; it is neither saved nor taken off the list.
TEST(PreviewRun, CallStreamsOfBothVersions) {
  EXPECT_EQ(RunLog(true, true, {}), Calls(kPreviewStart, kAdd, kOff, kOn));
  EXPECT_EQ(RunLog(true, true, {L"a", L"b"}),
            Calls(kPreviewStart, kAdd, kOff, Page(L"5"), L"Documents.Open(a)", kOff, kRunScript,
                  kQuiescent, kOn));
  EXPECT_EQ(RunLog(false, true, {}), Calls(kPreviewStart, kR14Off, kR14On, kR14On));
  EXPECT_EQ(RunLog(false, true, {L"a", L"b"}),
            Calls(kPreviewStart, kR14Off, Page(L"5"), L"ActiveDocument.Open(a)", kR14Off,
                  kR14Script, kR14On, kR14On));
}

// Nothing reaches AutoCAD: there is none (the connection's one message, without the error icon),
// or the script or the start page cannot be used (one message).
TEST(Runs, StopBeforeAutoCadIsTouched) {
  Recorder none;
  none.connects = false;
  none.drawings = {L"a"};
  none.Run(false);
  none.Run(true);
  EXPECT_EQ(none.log, (Log{L"ConnectCad", L"ConnectCad"}));
  EXPECT_EQ(none.messages, (Log{L"notice: no AutoCAD", L"notice: no AutoCAD"}));
  EXPECT_EQ(none.drawings.size(), 1u);

  Recorder unwritable;
  unwritable.scriptTemplate = L"line one\r\nab✓c";
  unwritable.unwritableAt = 12;
  unwritable.Run(false);
  EXPECT_TRUE(unwritable.log.empty());
  ASSERT_EQ(unwritable.messages.size(), 1u);
  EXPECT_NE(unwritable.messages[0].find(L"第 2 行第 3 个字符“✓”"), std::wstring::npos);

  // The place is counted as the template save counts it: CR LF is one line end, a surrogate pair
  // one character.
  Recorder farther;
  farther.scriptTemplate = std::wstring(L"a\r\nb\rc\n") + L"\xD83D\xDE00" + L"x\x2713";
  farther.unwritableAt = farther.scriptTemplate.size() - 1;
  farther.Run(false);
  ASSERT_EQ(farther.messages.size(), 1u);
  EXPECT_NE(farther.messages[0].find(L"第 4 行第 3 个字符“\x2713”"), std::wstring::npos)
      << farther.messages[0];

  Recorder huge;
  huge.startPage = L"1E999";
  huge.Run(true);
  EXPECT_TRUE(huge.log.empty());
  EXPECT_EQ(huge.messages.size(), 1u);

  // A name a keyword puts into a drawing's script counts as the template's own characters do.
  Recorder named;
  named.drawings = {L"C:\\图\\a.dwg", L"C:\\图\\한\\b.dwg"};
  named.unwritableChar = L'한';
  named.scriptTemplate = L"text <acet:cFolderName>";
  named.Run(false);
  EXPECT_TRUE(named.log.empty());
  ASSERT_EQ(named.messages.size(), 1u);
  EXPECT_NE(named.messages[0].find(L"图纸“C:\\图\\한\\b.dwg”的路径中的字符“한”"),
            std::wstring::npos)
      << named.messages[0];
  // Where the template does not use that name, or uses no keyword, the run goes on.
  for (const wchar_t* scriptTemplate : {L"text <acet:cFileName>", L"text page"}) {
    Recorder fine;
    fine.drawings = named.drawings;
    fine.unwritableChar = L'한';
    fine.scriptTemplate = scriptTemplate;
    fine.Run(false);
    EXPECT_TRUE(fine.messages.empty()) << scriptTemplate;
  }
}

// Every drawing's script names the file as it is opened (the list entry without its spaces);
// the preview's too.
TEST(Runs, FileKeywordsGiveEachScriptItsDrawingsNames) {
  for (bool preview : {false, true}) {
    Recorder r;
    r.drawings = {L"  C:\\图\\一.dwg ", L"C:\\图\\二.DWG"};
    r.scriptTemplate = L"text page \"<acet:cFolderName>\\PDF\\<acet:cBaseName>.pdf\"";
    r.Run(preview);
    Log writes;
    std::copy_if(r.log.begin(), r.log.end(), std::back_inserter(writes),
                 [](const std::wstring& call) { return call.rfind(L"Write(", 0) == 0; });
    Log expected = {L"Write(text 1 \"C:\\图\\PDF\\一.pdf\")",
                    L"Write(text 2 \"C:\\图\\PDF\\二.pdf\")"};
    if (preview) expected.pop_back();
    EXPECT_EQ(writes, expected);
  }
}

struct FailureCase {
  const wchar_t* call;
  int occurrence;
  bool r2000;
  size_t drawingsLeft;  // of three
  bool namesDrawing;
  bool dialogsRestored;
  bool preview = false;
  bool answers = true;  // false: AutoCAD stopped answering, so nothing more is sent to it
};

class StepFailure : public ::testing::TestWithParam<FailureCase> {};

// A failure at each kind of step: the run stops there, says why (and which drawing), turns
// AutoCAD's file dialogs back on if it had turned them off, and gives the main window back with
// the unprocessed drawings still listed.
TEST_P(StepFailure, StopsTheRunAndRecovers) {
  const FailureCase& c = GetParam();
  Recorder r;
  r.r2000 = c.r2000;
  r.answers = c.answers;
  r.drawings = {L"a", L"b", L"c"};
  r.FailAt(c.call, c.occurrence);
  r.Run(c.preview);
  EXPECT_EQ(r.drawings.size(), c.drawingsLeft);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_NE(r.messages[0].find(L"-2147352567 (80020009)"), std::wstring::npos) << r.messages[0];
  EXPECT_NE(r.messages[0].find(std::wstring(c.call) + L" failed"), std::wstring::npos);
  std::wstring failed = std::wstring(1, static_cast<wchar_t>(L'a' + 3 - c.drawingsLeft));
  EXPECT_EQ(r.messages[0].find(L"图纸：" + failed) != std::wstring::npos, c.namesDrawing);
  Log after(r.log.begin() + static_cast<long>(r.failedEntry) + 1, r.log.end());
  Log restore = c.r2000 ? Log{kOn} : Log{kR14On, kR14On};
  Log expectedAfter = c.dialogsRestored ? restore : Log{};
  bool shown = std::find(r.log.begin(), r.log.end(), L"Form3.Show") != r.log.end();
  if (shown) {
    expectedAfter.push_back(L"Form3.Close");
    expectedAfter.push_back(L"Main.Show");
  }
  EXPECT_EQ(after, expectedAfter);
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, StepFailure,
    ::testing::Values(FailureCase{L"Caption", 1, true, 3, false, false},
                      FailureCase{L"Activate", 2, true, 3, false, false},
                      FailureCase{L"Documents.Add", 1, true, 3, false, false},
                      FailureCase{L"SendCommand", 1, true, 3, false, true},
                      FailureCase{L"Write", 2, true, 2, true, true},
                      FailureCase{L"Documents.Open", 2, true, 2, true, true},
                      FailureCase{L"SendCommand", 3, true, 2, true, true},
                      FailureCase{L"Quiescent", 3, true, 1, true, true},
                      FailureCase{L"ActiveDocument.Close", 1, true, 3, true, true},
                      FailureCase{L"ActiveDocument.Open", 3, false, 1, true, true},
                      FailureCase{L"TypeScriptCommand", 1, false, 3, true, true},
                      FailureCase{L"Type", 2, false, 3, true, true},
                      FailureCase{L"Documents.Open", 1, true, 3, true, true, true},
                      FailureCase{L"Quiescent", 1, true, 3, true, false, false, false}));

TEST(ModifyRunFailure, FailedFinalSwitchStillRemovesEveryProcessedDrawing) {
  Recorder r;
  r.drawings = {L"a", L"b"};
  r.FailAt(L"SendCommand", 4);  // off, 2 scripts, then the final switch on
  r.Run(false);
  EXPECT_TRUE(r.drawings.empty());
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0].find(L"图纸："), std::wstring::npos);
}

// What the engine told the run's record.
class RecordSpy final : public RunRecord {
 public:
  Log calls;
  size_t drawings = 0;
  void Started(const RunInputs& inputs) override {
    drawings = inputs.drawings.size();
    calls.push_back(L"Started(" + std::to_wstring(drawings) + L")");
  }
  void Begun(size_t i) override { calls.push_back(L"Begun(" + std::to_wstring(i) + L")"); }
  void Saved(size_t i) override { calls.push_back(L"Saved(" + std::to_wstring(i) + L")"); }
  void Failed(size_t i, long, const std::wstring&) override {
    calls.push_back(L"Failed(" + std::to_wstring(i) + L")");
  }
  void Ended(size_t from, bool cancelled) override {
    calls.push_back(L"Ended(" + std::to_wstring(from) + (cancelled ? L", cancelled)" : L")"));
  }
  std::wstring LogPath() const override { return L"C:\\logs\\Kavro-1.csv"; }
};

bool EndsWith(const std::wstring& text, const std::wstring& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A run stopped by a failure or by the user leaves the rest of the list numbered as it would
// have been: the start page moves on, and the message says so and names the log.
TEST(StoppedRun, ContinuesThePagesAndNamesTheLog) {
  Recorder failed;
  failed.drawings = {L"a", L"b", L"c", L"d"};
  failed.startPage = L"5";
  failed.FailAt(L"Documents.Open", 3);
  RecordSpy failedRecord;
  failed.Run(false, &failedRecord);
  EXPECT_EQ(failed.drawings, (Log{L"c", L"d"}));
  EXPECT_EQ(failed.startPage, L"7");
  ASSERT_EQ(failed.messages.size(), 1u);
  EXPECT_TRUE(
      EndsWith(failed.messages[0], L"\n\n起始页码已改为 7。\n运行记录：C:\\logs\\Kavro-1.csv"))
      << failed.messages[0];
  EXPECT_EQ(failedRecord.calls, (Log{L"Started(4)", L"Begun(0)", L"Saved(0)", L"Begun(1)",
                                     L"Saved(1)", L"Begun(2)", L"Failed(2)", L"Ended(3)"}));

  Recorder stopped;
  stopped.drawings = {L"a", L"b", L"c", L"d"};
  stopped.startPage = L"5";
  stopped.stopAfter = 2;
  RecordSpy stoppedRecord;
  stopped.Run(false, &stoppedRecord);
  EXPECT_EQ(stopped.drawings, (Log{L"c", L"d"}));
  EXPECT_EQ(stopped.startPage, L"7");
  // The drawing at hand was saved, the dialogs switched back on, Form3 went.
  Log tail(stopped.log.end() - 4, stopped.log.end());
  EXPECT_EQ(tail, (Log{L"ActiveDocument.Close(true)", kOn, L"Form3.Close", L"Main.Show"}));
  EXPECT_EQ(stopped.messages,
            (Log{L"notice: 批量修改已停止：已完成 2 张，剩余 2 张。\n\n起始页码已改为 7。\n"
                 L"运行记录：C:\\logs\\Kavro-1.csv"}));
  EXPECT_EQ(stoppedRecord.calls.back(), L"Ended(2, cancelled)");

  // Stopped after the last drawing: nothing is left, the run simply completes.
  Recorder late;
  late.drawings = {L"a", L"b"};
  late.stopAfter = 2;
  late.Run(false);
  EXPECT_TRUE(late.messages.empty());
  EXPECT_EQ(late.log.back(), kEnded);
  EXPECT_EQ(late.startPage, L"1");

  // A failure once every drawing was saved leaves the start page alone.
  Recorder last;
  last.drawings = {L"a"};
  last.FailAt(L"SendCommand", 3);  // the final switch back on
  last.Run(false);
  EXPECT_EQ(last.startPage, L"1");
  ASSERT_EQ(last.messages.size(), 1u);
  EXPECT_EQ(last.messages[0].find(L"起始页码"), std::wstring::npos);
}

TEST(StoppedRun, SaysWhatBecameOfAHungAutoCad) {
  Recorder r;
  r.drawings = {L"a"};
  r.answers = false;
  r.cadFate = L"AutoCAD 没有响应，已结束由 Kavro 启动的 AutoCAD。";
  r.FailAt(L"Quiescent", 1);
  r.Run(false);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_NE(r.messages[0].find(L"图纸：a\n\nAutoCAD 没有响应，已结束由 Kavro 启动的 AutoCAD。"),
            std::wstring::npos)
      << r.messages[0];
}

struct TrustCase {
  const wchar_t* version;
  const wchar_t* secureLoad;
  const wchar_t* trusted;
  Log asked;     // between the template drawing and the first command
  Log restored;  // after the last command
};

class TrustedFolder : public ::testing::TestWithParam<TrustCase> {};

// Only AutoCAD 2014 to 2024 are asked about their trusted folders; the script's folder is added
// for the run when they would not run it, and TRUSTEDPATHS is put back at the end.
TEST_P(TrustedFolder, IsAddedForTheRunOnlyWhereNeeded) {
  const TrustCase& c = GetParam();
  Recorder r;
  r.version = c.version;
  r.variables = {{L"SECURELOAD", c.secureLoad}, {L"TRUSTEDPATHS", c.trusted}};
  r.drawings = {L"a"};
  r.Run(false);
  EXPECT_TRUE(r.messages.empty());
  auto add = std::find(r.log.begin(), r.log.end(), L"Version");
  auto off = std::find(r.log.begin(), r.log.end(), kOff);
  ASSERT_TRUE(add < off);
  EXPECT_EQ(Log(add + 1, off), c.asked);
  auto on = std::find(r.log.begin(), r.log.end(), kOn);
  EXPECT_EQ(Log(on + 1, r.log.end() - 1), c.restored);
  EXPECT_EQ(r.variables[L"TRUSTEDPATHS"], c.trusted);
}

const Log kAsk = {L"GetVariable(SECURELOAD)", L"GetVariable(TRUSTEDPATHS)"};

INSTANTIATE_TEST_SUITE_P(
    Versions, TrustedFolder,
    ::testing::Values(TrustCase{L"15.0", L"1", L"", {}, {}}, TrustCase{L"25.0", L"1", L"", {}, {}},
                      TrustCase{L"19.0s", L"1", L"", {}, {}},
                      TrustCase{L"23.1s (LMS Tech)",
                                L"1",
                                L"",
                                Calls(kAsk, L"SetVariable(TRUSTEDPATHS=C:\\Kavro)"),
                                {L"SetVariable(TRUSTEDPATHS=)"}},
                      TrustCase{L"19.1",
                                L"2",
                                L"D:\\x",
                                Calls(kAsk, L"SetVariable(TRUSTEDPATHS=D:\\x;C:\\Kavro)"),
                                {L"SetVariable(TRUSTEDPATHS=D:\\x)"}},
                      TrustCase{L"24.3", L"0", L"", kAsk, {}},
                      TrustCase{L"20.0", L"1", L"c:\\kavro\\", kAsk, {}}));

TEST(TrustedFolderRefused, StopsTheRunBeforeTheFirstDrawing) {
  Recorder r;
  r.version = L"23.1";
  r.variables = {{L"SECURELOAD", L"1"}, {L"TRUSTEDPATHS", L""}};
  r.drawings = {L"a", L"b"};
  r.FailAt(L"SetVariable", 1);
  r.Run(false);
  EXPECT_EQ(r.drawings.size(), 2u);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_NE(r.messages[0].find(L"“C:\\Kavro”"), std::wstring::npos) << r.messages[0];
  EXPECT_EQ(std::count(r.log.begin(), r.log.end(), kOff), 0);
  EXPECT_EQ(
      std::count_if(r.log.begin(), r.log.end(),
                    [](const std::wstring& call) { return call.starts_with(L"Documents.Open"); }),
      0);
  EXPECT_EQ(r.startPage, L"1");  // nothing was done: the pages stay

  // A folder with ";" in its name cannot be one of TRUSTEDPATHS' folders: refused up front
  // instead of added and still not trusted.
  Recorder semicolon;
  semicolon.version = L"23.1";
  semicolon.variables = {{L"SECURELOAD", L"1"}, {L"TRUSTEDPATHS", L""}};
  semicolon.drawings = {L"a"};
  semicolon.scriptPath = L"C:\\a;b\\kavro.scr";
  semicolon.Run(false);
  ASSERT_EQ(semicolon.messages.size(), 1u);
  EXPECT_NE(semicolon.messages[0].find(L"“C:\\a;b”"), std::wstring::npos);
  EXPECT_EQ(
      std::count_if(semicolon.log.begin(), semicolon.log.end(),
                    [](const std::wstring& call) { return call.starts_with(L"SetVariable"); }),
      0);
  EXPECT_EQ(semicolon.drawings.size(), 1u);

  // A failure in the middle of a run still puts TRUSTEDPATHS back, after the dialogs.
  Recorder mid;
  mid.version = L"23.1";
  mid.variables = {{L"SECURELOAD", L"1"}, {L"TRUSTEDPATHS", L"E:\\t"}};
  mid.drawings = {L"a", L"b"};
  mid.FailAt(L"Documents.Open", 2);
  mid.Run(false);
  EXPECT_EQ(mid.variables[L"TRUSTEDPATHS"], L"E:\\t");
  Log tail(mid.log.end() - 4, mid.log.end());
  EXPECT_EQ(tail, (Log{kOn, L"SetVariable(TRUSTEDPATHS=E:\\t)", L"Form3.Close", L"Main.Show"}));
}

TEST(RunTexts, TemplateAndScriptPaths) {
  EXPECT_EQ(TemplatePath(L"C:\\Program Files\\ACAD2000\\acad.exe"),
            L"C:\\Program Files\\ACAD2000\\TEMPLATE\\acad.dwt");
  EXPECT_THROW(TemplatePath(L"acad.exe"), RunFailure);
  EXPECT_EQ(ScriptPathIn(L"D:\\"), L"D:\\kavro.scr");
  EXPECT_EQ(ScriptPathIn(L"C:\\Tools"), L"C:\\Tools\\kavro.scr");
  EXPECT_EQ(ErrorNumberText(70), L"70");
}

}  // namespace
}  // namespace kavro::run
