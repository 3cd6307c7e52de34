// The runs' call streams against recording stand-ins for AutoCAD, the keyboard and the windows.
#include "run/run_engine.h"

#include <gtest/gtest.h>

#include "run_fakes.h"

namespace kavro::run {
namespace {

const std::wstring kOff = L"SendCommand(filedia\r0\r)";
const std::wstring kOn = L"SendCommand(filedia\r1\r)";
const std::wstring kR14Off = L"Type(filedia~0~)";
const std::wstring kR14On = L"Type(filedia~1~)";
// R2000 runs ask AutoCAD's version once the template drawing is there.
const Log kAdd = {L"Documents.Add(C:\\ACAD\\TEMPLATE\\acad.dwt)", L"Version"};
// After `filedia 0` an R2000 run asks for the history and the two dialogs' settings; this
// AutoCAD refuses them all, and the run goes on as it would without.
const Log kRefused = {L"GetVariable(LOGFILEMODE)", L"GetVariable(PROXYNOTICE)",
                      L"GetVariable(DWGCHECK)"};
const std::wstring kRunScript = L"SendCommand(script\r" + kScript + L"\r)";
const std::wstring kActivate = L"Activate(AutoCAD - [Drawing1.dwg])";
const std::wstring kEnded = L"Form3.RunEnded";
const std::wstring kFate = L"AutoCAD 没有响应，已结束由 Kavro 启动的 AutoCAD。";

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
const Log kR14Script = Calls(L"TypeScriptCommand(" + kScript + L")", L"Quiescent");

// Drawing `n` of two in a modify run, with its page and path; or opened by a preview.
Log Drawing(bool r2000, int n, const std::wstring& path, bool preview = false) {
  Log opened = Calls(L"Write(text " + std::to_wstring(4 + n) + L")",
                     (r2000 ? L"Documents.Open(" : L"ActiveDocument.Open(") + path + L")");
  if (preview)
    return Calls(opened, r2000 ? kOff : kR14Off,
                 r2000 ? Log{kRunScript, L"Quiescent"} : kR14Script);
  return Calls(L"Label1(正在处理第 " + std::to_wstring(n) + L" 页   共 2 页)", opened,
               r2000 ? Log{kRunScript, L"Quiescent", L"ActiveDocument.Close(true)"}
                     : Calls(kR14Script, L"Type(qsave~)"));
}

// A complete run with start page 5: no message; the modify run's drawings are gone from the
// list, the preview's all still there; dismissing Form3 after a modify run brings the main window
// back.
TEST(Runs, CallStreamsOfBothRunsAndVersions) {
  struct Case {
    bool r2000, preview;
    Log drawings, calls;
  };
  const Log two = {L"  C:\\d\\a.dwg ", L"C:\\d\\b.dwg"}, ab = {L"a", L"b"}, a = {L"a"};
  const Case cases[] = {
      {true, false, {}, Calls(kModifyStart, kAdd, kOff, kRefused, kOn, kEnded)},
      {true, false, two,
       Calls(kModifyStart, kAdd, kOff, kRefused, Drawing(true, 1, L"C:\\d\\a.dwg"),
             Drawing(true, 2, L"C:\\d\\b.dwg"), kModifyDone, kOn, kEnded)},
      {false, false, {}, Calls(kModifyStart, kR14Off, kR14On, kR14On, kEnded)},
      {false, false, ab,
       Calls(kModifyStart, kR14Off, Drawing(false, 1, L"a"), Drawing(false, 2, L"b"), kModifyDone,
             kR14On, kR14On, kEnded)},
      // Only the first drawing is opened and scripted, with the file dialogs switched off again
      // after opening it; it is neither saved nor taken off the list.
      {true, true, {}, Calls(kPreviewStart, kAdd, kOff, kRefused, kOn)},
      {true, true, two,
       Calls(kPreviewStart, kAdd, kOff, kRefused, Drawing(true, 1, L"C:\\d\\a.dwg", true), kOn)},
      {false, true, {}, Calls(kPreviewStart, kR14Off, kR14On, kR14On)},
      {false, true, a,
       Calls(kPreviewStart, kR14Off, Drawing(false, 1, L"a", true), kR14On, kR14On)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "r2000 " << c.r2000 << ", preview " << c.preview << ", "
                                    << c.drawings.size() << " drawings");
    Recorder r;
    r.r2000 = c.r2000;
    r.drawings = c.drawings;
    r.startPage = L"5";
    r.Run(c.preview);
    EXPECT_EQ(r.log, c.calls);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(r.drawings.size(), c.preview ? c.drawings.size() : 0u);
    ASSERT_EQ(static_cast<bool>(r.dismiss), !c.preview);
    if (r.dismiss) r.dismiss();
    EXPECT_EQ(r.log.back(), c.preview ? c.calls.back() : L"Main.Show");
  }
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

  // The place is counted as the template save counts it: CR LF is one line end.
  Recorder unwritable;
  unwritable.scriptTemplate = L"line one\r\nab✓c";
  unwritable.unwritableAt = 12;
  unwritable.Run(false);
  Recorder huge;
  huge.startPage = L"1E999";
  huge.Run(true);
  for (const Recorder* r : {&unwritable, &huge}) {
    EXPECT_TRUE(r->log.empty());
    ASSERT_EQ(r->messages.size(), 1u);
  }
  EXPECT_NE(unwritable.messages[0].find(L"第 2 行第 3 个字符“✓”"), std::wstring::npos);

  // A name a keyword puts into a drawing's script counts as the template's own characters do;
  // where the template does not use that name, or uses no keyword, the run goes on.
  for (const wchar_t* scriptTemplate :
       {L"text <acet:cFolderName>", L"text <acet:cFileName>", L"text page"}) {
    Recorder r;
    r.drawings = {L"C:\\图\\a.dwg", L"C:\\图\\한\\b.dwg"};
    r.unwritableChar = L'한';
    r.scriptTemplate = scriptTemplate;
    r.Run(false);
    bool refused = std::wstring_view(scriptTemplate).find(L"Folder") != std::wstring_view::npos;
    EXPECT_EQ(r.log.empty(), refused) << scriptTemplate;
    EXPECT_EQ(r.messages.size(), refused ? 1u : 0u);
    if (refused) {
      EXPECT_TRUE(r.messages[0].starts_with(
          L"refusal: 第 2 页 C:\\图\\한\\b.dwg：路径含有当前代码页无法表示的字符\n"))
          << r.messages[0];
    }
  }
}

// A failure at each kind of step: the run stops there, says why (and which drawing, and what
// became of a hung AutoCAD), turns AutoCAD's file dialogs back on if it had turned them off, and
// gives the main window back with the unprocessed drawings still listed and the start page moved
// on to the first of them.
// Another program than AutoCAD: its own template or none, no trusted-folder step (no Version),
// and R14 or a name that finds nothing refused before it is touched.
TEST(Runs, OtherCadProgramsTheirWay) {
  struct Case {
    std::wstring fullName;
    bool r2000;
    std::optional<std::wstring> refusal;
    Log calls, messages;
  };
  const std::wstring r14 = R14Refusal(L"中望CAD 2025");
  const Case cases[] = {
      {L"C:\\ZW\\zwcad.exe",
       true,
       {},
       Calls(kPreviewStart, L"Documents.Add(C:\\ZW\\TEMPLATE\\zwcad.dwt)", kOff, kRefused, kOn),
       {}},
      {L"D:\\zwcad.exe", true, {}, Calls(kPreviewStart, L"Documents.Add", kOff, kRefused, kOn), {}},
      {L"C:\\ZW\\zwcad.exe", false, {}, {}, {r14}},
      {L"C:\\ZW\\zwcad.exe", true, L"no such", {}, {L"no such"}},
  };
  for (const Case& c : cases) {
    Recorder r;
    r.inUse = {CadProduct::ZwCad, L"中望CAD 2025", c.refusal};
    r.fullName = c.fullName;
    r.r2000 = c.r2000;
    r.version = L"24.0";  // would ask for the trusted folders, were it AutoCAD
    r.Run(true);
    EXPECT_EQ(r.log, c.calls);
    EXPECT_EQ(r.messages, c.messages);
  }
  EXPECT_NE(r14.find(L"本次没有向 中望CAD 2025 发送任何内容"), std::wstring::npos);
}

TEST(StepFailure, StopsTheRunAndRecovers) {
  struct Case {
    const wchar_t* call;
    int occurrence;
    bool r2000;
    size_t drawingsLeft;  // of three
    bool namesDrawing, dialogsRestored, preview = false;
    bool answers = true;  // false: AutoCAD stopped answering, so nothing more is sent to it
  };
  const Case cases[] = {
      {L"Caption", 1, true, 3, false, false},
      {L"Activate", 2, true, 3, false, false},
      {L"Documents.Add", 1, true, 3, false, false},
      {L"SendCommand", 1, true, 3, false, true},
      {L"Write", 2, true, 2, true, true},
      {L"Documents.Open", 2, true, 2, true, true},
      {L"SendCommand", 3, true, 2, true, true},
      {L"Quiescent", 3, true, 1, true, true},
      {L"ActiveDocument.Close", 1, true, 3, true, true},
      {L"SendCommand", 5, true, 0, false, true},  // the final switch back on: all saved and gone
      {L"ActiveDocument.Open", 3, false, 1, true, true},
      {L"TypeScriptCommand", 1, false, 3, true, true},
      {L"Type", 2, false, 3, true, true},
      {L"Documents.Open", 1, true, 3, true, true, true},
      {L"Quiescent", 1, true, 3, true, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.call << " " << c.occurrence);
    Recorder r;
    r.r2000 = c.r2000;
    r.answers = c.answers;
    if (!c.answers) r.cadFate = kFate;
    r.drawings = {L"a", L"b", L"c"};
    r.FailAt(c.call, c.occurrence);
    r.Run(c.preview);
    EXPECT_EQ(r.drawings.size(), c.drawingsLeft);
    ASSERT_EQ(r.messages.size(), 1u);
    const std::wstring& message = r.messages[0];
    EXPECT_NE(message.find(L"-2147352567 (80020009)：" + std::wstring(c.call) + L" failed"),
              std::wstring::npos)
        << message;
    std::wstring failed(1, static_cast<wchar_t>(L'a' + 3 - c.drawingsLeft));
    EXPECT_EQ(message.find(L"图纸：" + failed) != std::wstring::npos, c.namesDrawing);
    EXPECT_EQ(message.find(kFate) != std::wstring::npos, !c.answers);
    bool pagesMove = !c.preview && c.drawingsLeft > 0;
    EXPECT_EQ(r.startPage, pagesMove ? std::to_wstring(4 - c.drawingsLeft) : L"1");
    EXPECT_EQ(message.find(L"起始页码已改为") != std::wstring::npos, pagesMove);
    Log after(r.log.begin() + static_cast<long>(r.failedEntry) + 1, r.log.end());
    Log expected = !c.dialogsRestored ? Log{} : c.r2000 ? Log{kOn} : Log{kR14On, kR14On};
    if (std::find(r.log.begin(), r.log.end(), L"Form3.Show") != r.log.end()) {
      expected = Calls(expected, L"Form3.Close", L"Main.Show");
    }
    EXPECT_EQ(after, expected);
  }
}

// A run stopped by a failure or by the user leaves the rest of the list numbered as it would
// have been: the start page moves on, and the message says so and names the log.
TEST(StoppedRun, ContinuesThePagesAndNamesTheLog) {
  for (bool byUser : {false, true}) {
    Recorder r;
    r.drawings = {L"a", L"b", L"c", L"d"};
    r.startPage = L"5";
    if (byUser) r.stopAfter = 2;
    if (!byUser) r.FailAt(L"Documents.Open", 3);
    TraceRecord record;
    record.logPath = L"C:\\logs\\Kavro-1.csv";
    r.Run(false, &record);
    EXPECT_EQ(r.drawings, (Log{L"c", L"d"}));
    EXPECT_EQ(r.startPage, L"7");
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_TRUE(r.messages[0].ends_with(L"\n\n起始页码已改为 7。\n运行记录：C:\\logs\\Kavro-1.csv"))
        << r.messages[0];
    // This AutoCAD keeps no histories: each drawing is noted as saved without one.
    EXPECT_EQ(record.calls, Calls(L"start4", L"B0", L"H0?", L"S0", L"B1", L"H1?", L"S1",
                                  byUser ? Log{L"E2c"} : Log{L"B2", L"F2:-2147352567", L"E3"}));
    if (!byUser) continue;
    // The drawing at hand was saved, the dialogs switched back on, Form3 went.
    EXPECT_EQ(Log(r.log.end() - 4, r.log.end()),
              (Log{L"ActiveDocument.Close(true)", kOn, L"Form3.Close", L"Main.Show"}));
    EXPECT_TRUE(r.messages[0].starts_with(L"notice: 批量修改已停止：已完成 2 张，剩余 2 张。"));
  }

  // Stopped after the last drawing: nothing is left, the run simply completes.
  Recorder late;
  late.drawings = {L"a", L"b"};
  late.stopAfter = 2;
  late.Run(false);
  EXPECT_TRUE(late.messages.empty());
  EXPECT_EQ(late.log.back(), kEnded);
}

// Only AutoCAD 2014 to 2024 are asked about their trusted folders; the script's folder is added
// for the run when they would not run it, and TRUSTEDPATHS is put back at the end.
TEST(TrustedFolder, IsAddedForTheRunOnlyWhereNeededRefusedOrPutBack) {
  struct Case {
    const wchar_t *version, *secureLoad, *trusted;
    Log asked;     // between the template drawing and the first command
    Log restored;  // after the last command
  };
  const Log ask = {L"GetVariable(SECURELOAD)", L"GetVariable(TRUSTEDPATHS)"};
  const Case cases[] = {
      {L"15.0", L"1", L"", {}, {}},
      {L"25.0", L"1", L"", {}, {}},
      {L"23.1s (LMS Tech)",
       L"1",
       L"",
       Calls(ask, L"SetVariable(TRUSTEDPATHS=C:\\Kavro)"),
       {L"SetVariable(TRUSTEDPATHS=)"}},
      {L"19.1",
       L"2",
       L"D:\\x",
       Calls(ask, L"SetVariable(TRUSTEDPATHS=D:\\x;C:\\Kavro)"),
       {L"SetVariable(TRUSTEDPATHS=D:\\x)"}},
      {L"24.3", L"0", L"", ask, {}},
      {L"20.0", L"1", L"c:\\kavro\\", ask, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.version);
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
  // Refused, or impossible for a folder with ";" in its name (never one of TRUSTEDPATHS' folders):
  // the run stops before the first drawing and the pages stay. A failure later on still puts
  // TRUSTEDPATHS back, after the dialogs.
  struct Refused {
    std::wstring scriptPath;
    const wchar_t* failing;
    int occurrence;
    std::wstring named;  // in the message
  };
  for (const Refused& c : {Refused{kScript, L"SetVariable", 1, L"“C:\\Kavro”"},
                           Refused{L"C:\\a;b\\kavro.scr", nullptr, 0, L"“C:\\a;b”"},
                           Refused{kScript, L"Documents.Open", 2, L"图纸：b"}}) {
    SCOPED_TRACE(c.named);
    Recorder r;
    r.version = L"23.1";
    r.variables = {{L"SECURELOAD", L"1"}, {L"TRUSTEDPATHS", L"E:\\t"}};
    r.drawings = {L"a", L"b"};
    r.scriptPath = c.scriptPath;
    if (c.failing) r.FailAt(c.failing, c.occurrence);
    r.Run(false);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_NE(r.messages[0].find(c.named), std::wstring::npos) << r.messages[0];
    EXPECT_EQ(r.variables[L"TRUSTEDPATHS"], L"E:\\t");
    if (c.occurrence == 2) {
      EXPECT_EQ(Log(r.log.end() - 4, r.log.end()),
                (Log{kOn, L"SetVariable(TRUSTEDPATHS=E:\\t)", L"Form3.Close", L"Main.Show"}));
      continue;
    }
    EXPECT_EQ(r.drawings.size(), 2u);
    EXPECT_EQ(r.startPage, L"1");
    EXPECT_TRUE(r.Args(L"Documents.Open").empty());
    EXPECT_EQ(std::count(r.log.begin(), r.log.end(), kOff), 0);
    EXPECT_EQ(r.Args(L"SetVariable").size(), c.occurrence == 1 ? 1u : 0u);
  }
}

// With an AutoCAD that keeps command histories: the settings for the run after `filedia 0`, each
// drawing's history file named once it is open and read once it is closed (a preview's once the
// log is switched off), the judgement in the record and the message (a modify run's once Form3 is
// dismissed), and every setting put back after the dialogs, also after a failure.
TEST(CommandHistory, EachDrawingJudgedAndTheSettingsPutBack) {
  const Log set = {L"GetVariable(LOGFILEMODE)", L"SetVariable(LOGFILEMODE=1)",
                   L"GetVariable(PROXYNOTICE)", L"SetVariable(PROXYNOTICE=0)",
                   L"GetVariable(DWGCHECK)",    L"SetVariable(DWGCHECK=2)"};
  const Log putBack = {L"SetVariable(DWGCHECK=1)", L"SetVariable(PROXYNOTICE=1)",
                       L"SetVariable(LOGFILEMODE=0)"};
  const Log three = {L"start3", L"B0", L"H0!", L"S0", L"B1", L"H1", L"S1", L"B2"};
  struct Case {
    bool preview;
    int failAt;  // Documents.Open
    Log record;
    std::wstring message;
  };
  const Case cases[] = {
      {false, 0, Calls(three, L"H2?", L"S2", L"E3"),
       L"warning: 本次批量修改中有 1 张图纸的脚本报错（第 1 页）。\n\n运行记录：C:\\k.csv"},
      {true,
       0,
       {L"start1", L"B0", L"H0!", L"S0", L"E1"},
       L"warning: 预览的脚本在 AutoCAD 中报错：\n第 2 行：Unknown command \"BOGUS\".  Press F1 for "
       L"help.\n\n运行记录：C:\\k.csv"},
      {false, 3, Calls(three, L"F2:-2147352567", L"E3"),
       L"\n\n本次批量修改中有 1 张图纸的脚本报错（第 1 页）。\n\n起始页码"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    Recorder r;
    r.variables = {
        {L"LOGFILEMODE", L"0"}, {L"PROXYNOTICE", L"1"}, {L"DWGCHECK", L"1"}, {L"LOGFILENAME", L""}};
    r.drawings = {L"a", L"b", L"c"};
    // c's file never appears.
    r.histories = {{L"a", L"Command: bogus\r\nUnknown command \"BOGUS\".  Press F1 for help."},
                   {L"b", L"Command: zoom"}};
    if (c.failAt) r.FailAt(L"Documents.Open", c.failAt);
    TraceRecord record;
    record.logPath = L"C:\\k.csv";
    r.Run(c.preview, &record);
    EXPECT_EQ(record.calls, c.record);
    auto off = std::find(r.log.begin(), r.log.end(), kOff);
    EXPECT_EQ(Log(off + 1, off + 7), set);
    auto open = std::find(r.log.begin(), r.log.end(), L"Documents.Open(a)");
    Log read = c.preview
                   ? Calls(kOff, kRunScript, L"Quiescent", L"SetVariable(LOGFILEMODE=0)",
                           L"ReadHistory", L"SetVariable(LOGFILEMODE=1)", kOn)
                   : Log{kRunScript, L"Quiescent", L"ActiveDocument.Close(true)", L"ReadHistory"};
    EXPECT_EQ(Log(open + 1, open + 2 + static_cast<long>(read.size())),
              Calls(L"GetVariable(LOGFILENAME)", read));
    auto on = std::find(r.log.rbegin(), r.log.rend(), kOn).base();
    EXPECT_EQ(Log(on, on + 3), putBack);
    if (r.dismiss) {
      EXPECT_TRUE(r.messages.empty());
      r.dismiss();
    }
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_NE(r.messages[0].find(c.message), std::wstring::npos) << r.messages[0];
  }

  // Ten pages are named at most.
  Recorder many;
  many.variables = {{L"LOGFILEMODE", L"1"}, {L"LOGFILENAME", L""}};
  for (int i = 1; i <= 11; ++i)
    many.histories[many.drawings.emplace_back(std::to_wstring(i))] = L"*Cancel*";
  many.Run(false);
  many.dismiss();
  EXPECT_EQ(many.messages,
            Log{L"warning: 本次批量修改中有 11 张图纸的脚本报错（第 1、2、3、4、5、6、7、"
                L"8、9、10 等页）。"});
}

TEST(RunTexts, TemplateAndScriptPaths) {
  EXPECT_THROW(TemplatePath(L"acad.exe"), RunFailure);
  EXPECT_EQ(ScriptPathIn(L"D:\\"), L"D:\\kavro.scr");
  EXPECT_EQ(ErrorNumberText(70), L"70");
}

}  // namespace
}  // namespace kavro::run
