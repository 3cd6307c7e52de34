// A drawing's command history: its bytes read into text, and the lines that mean the script went
// wrong.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/utf8.h"
#include "run/history_text.h"
#include "run/script_errors.h"

namespace kavro::run {
namespace {

std::wstring Lines(std::initializer_list<std::wstring_view> lines) {
  std::wstring text;
  for (std::wstring_view line : lines) text.append(line).append(L"\r\n");
  return text;
}

// What a script that sets attributes, plots and saves leaves in the history, in English and
// Chinese AutoCAD, on the desktop and in the Core Console.
const std::wstring kCleanHistories[] = {
    Lines({L"Command: filedia",
           L"Enter new value for FILEDIA <1>: 0",
           L"Command: script",
           L"Enter script file name <C:\\Users\\li\\Drawing1.scr>: C:\\Kavro\\00001.scr",
           L"Command: -attedit",
           L"Edit attributes one at a time? [Yes/No] <Y>: N",
           L"Performing global editing of attribute values.",
           L"Enter block name specification <*>: TITLE",
           L"Enter attribute value specification <*>:",
           L"1 attributes selected.",
           L"Enter string to change: 1",
           L"Enter new string: 41",
           L"Regenerating model.",
           L"Command: -plot",
           L"Detailed plot configuration? [Yes/No] <No>: N",
           L"Enter an output device name or [?] <None>: DWG To PDF.pc3",
           L"Save changes to page setup [Yes/No]? <N> N",
           L"Proceed with plot [Yes/No] <Y>: Y",
           L"Effective plotting area:  406.40 wide by 215.90 high",
           L"Plotting viewport 2.",
           L"Command: (princ \"error: none\")",
           L"error: none\"error: none\"",
           L"Command: -layer",
           L"Current layer:  \"0\"",
           L"Enter an option [?/Make/Set/New/ON/OFF/Color/Ltype/Freeze/Thaw/LOck/Unlock/stAte]: S",
           L"Enter layer name to make current or <select object>: 0",
           L"Select objects: 1 found",
           L"Command: _.qsave",
           L"Command: _.close"}),
    Lines({L"Redirect stdout (file: C:\\Users\\li\\AppData\\Local\\Temp\\accc27362).",
           L"AutoCAD Core Engine Console - Copyright 2024 Autodesk, Inc.  All rights reserved. "
           L"(V.116.0.0)",
           L"Execution Path:", L"C:\\Program Files\\Autodesk\\AutoCAD 2025\\accoreconsole.exe",
           L"Version Number: V.116.0.0 (UNICODE)",
           L"LogFilePath has been set to the working folder.", L"Regenerating model.", L"Command:",
           L"Command:", L"Command: _.qsave", L"Command: _quit"}),
    Lines({L"命令: FILEDIA", L"输入 FILEDIA 的新值 <1>: 0", L"命令: -ATTEDIT",
           L"是否一次编辑一个属性? [是(Y)/否(N)] <Y>: N", L"正在执行属性值的全局编辑。",
           L"输入块名定义 <*>: 图框", L"已选择 1 个属性。", L"输入新字符串: 41",
           L"正在重生成模型。", L"命令: -LAYER", L"当前图层:  \"0\"",
           L"输入选项 [?/生成(M)/设置(S)/新建(N)/开(ON)/关(OFF)/颜色(C)/冻结(F)/解冻(T)]: S",
           L"输入要置为当前的图层名或 <选择对象>: 0", L"选择对象: 找到 1 个", L"命令： _.qsave",
           L"命令: _.close"}),
    L"",
    L"\r\n\r\n",
    L"Command: *",
    L"*Invalid",
};

TEST(ScriptErrors, CleanHistoriesJudgeClean) {
  for (const std::wstring& history : kCleanHistories) {
    EXPECT_EQ(std::vector<ScriptError>{}, FindScriptErrors(history)) << ToUtf8(history);
  }
}

TEST(ScriptErrors, FirstLinesOfErroneousHistories) {
  struct Case {
    std::wstring history;
    std::vector<ScriptError> first;  // the first three found
    size_t count;
  };
  const Case cases[] = {
      {Lines({L"Command: -plot", L"Enter paper size or [?] <Letter>: L",
              L"Command: N  Unknown command \"N\".  Press F1 for help.", L"Command: ZZZ",
              L"Unknown command “ZZZ”.  Press F1 for help.", L"Specify first point: *Cancel*",
              L"; error: no function definition: FOO"}),
       {{3, L"Command: N  Unknown command \"N\".  Press F1 for help."},
        {5, L"Unknown command “ZZZ”.  Press F1 for help."},
        {6, L"Specify first point: *Cancel*"}},
       4},
      // Lone CR and LF end lines too; blanks around a line are not part of it.
      {L"命令: 240 未知命令“240”。按 F1 查看帮助。\n命令: *取消*\r  ; 错误: no function "
       L"definition: "
       L"STRINGP  \r\n命令： ；　错误：参数太少",
       {{1, L"命令: 240 未知命令“240”。按 F1 查看帮助。"},
        {2, L"命令: *取消*"},
        {3, L"; 错误: no function definition: STRINGP"}},
       4},
      {Lines({L"Are you sure? [Yes/No]: Maybe", L"Invalid option keyword.", L"15.0",
              L"Requires an integer value.", L"Specify next point:",
              L"Point or option keyword required.", L"Requires numeric distance or two points.",
              L"*Invalid selection*", L"Expects a point or Window/Last/Crossing/BOX/ALL",
              L"<\"DWG To PDF.pc3\"> not found.", L"; *** ERROR: too few arguments"}),
       {{2, L"Invalid option keyword."},
        {4, L"Requires an integer value."},
        {6, L"Point or option keyword required."}},
       7},
      {Lines({L"指定下一点: x", L"需要点或选项关键字。", L"需要数值距离、第二点或选项关键字。",
              L"*无效选择*"}),
       {{2, L"需要点或选项关键字。"},
        {3, L"需要数值距离、第二点或选项关键字。"},
        {4, L"*无效选择*"}},
       3},
  };
  for (const Case& c : cases) {
    std::vector<ScriptError> found = FindScriptErrors(c.history);
    EXPECT_EQ(c.count, found.size()) << ToUtf8(c.history);
    found.resize(std::min<size_t>(found.size(), 3));
    EXPECT_EQ(c.first, found) << ToUtf8(c.history);
  }
}

TEST(ScriptErrors, TextOfTheFirstThree) {
  std::vector<ScriptError> errors = {{3, L"Unknown command \"N\".  Press F1 for help."},
                                     {9, L"; error: " + std::wstring(300, L'x')},
                                     {12, L"*Cancel*"},
                                     {40, L"*Cancel*"}};
  EXPECT_EQ(L"第 3 行：Unknown command \"N\".  Press F1 for help.\r\n第 9 行：; error: " +
                std::wstring(191, L'x') + L"…\r\n第 12 行：*Cancel*\r\n（共 4 处）",
            ScriptErrorsText(errors));
  errors.resize(1);
  EXPECT_EQ(L"第 3 行：Unknown command \"N\".  Press F1 for help.", ScriptErrorsText(errors));
  EXPECT_EQ(L"", ScriptErrorsText({}));
}

// A stand-in for the ANSI code page: GBK's "中" (D6 D0) and "文" (CE C4), code page 1252's curly
// quotes (93, 94), "?" for a byte left alone, other bytes as Latin-1.
std::wstring FakeAnsi(std::string_view bytes) {
  std::wstring text;
  for (size_t at = 0; at < bytes.size(); ++at) {
    auto byte = static_cast<unsigned char>(bytes[at]);
    std::string_view pair = bytes.substr(at, 2);
    if (byte == 0xD6 || byte == 0xCE) {
      text += pair == "\xD6\xD0" ? L'中' : pair == "\xCE\xC4" ? L'文' : L'?';
      at += pair.size() == 2 && (pair == "\xD6\xD0" || pair == "\xCE\xC4") ? 1 : 0;
    } else {
      text += byte == 0x93 ? L'“' : byte == 0x94 ? L'”' : static_cast<wchar_t>(byte);
    }
  }
  return text;
}

TEST(HistoryText, EveryEncodingAndWhereTheAddedPartStarts) {
  using namespace std::string_literals;
  struct Case {
    std::string bytes;
    uint64_t noted;
    std::wstring text;
  };
  const Case cases[] = {
      {"\xEF\xBB\xBF"
       "a\xE4\xB8\xAD",
       0, L"a中"},
      {"\xEF\xBB\xBF"
       "a\xE4\xB8\xAD",
       1, L"a中"},  // inside the mark
      {"\xEF\xBB\xBF"
       "a\xE4\xB8\xAD"
       "b",
       5, L"中b"},  // inside a character
      {"\xEF\xBB\xBF"
       "a\xFF"
       "b\xE4\xB8",
       0, L"a\uFFFDb"},  // the mark decides; a cut end waits
      {"\xFF\xFE"
       "a\0\x2D\x4E"s,
       0, L"a中"},
      {"\xFF\xFE"
       "a\0\x2D\x4E"s,
       3, L"a中"},  // inside a code unit
      {"\xFF\xFE"
       "a\0\x3D\xD8\x00\xDE\x00\xDC"s,
       2, L"a\U0001F600\uFFFD"},
      {"\xFE\xFF\0a\x4E\x2D"s, 4, L"中"},
      {"Command: a\xE4\xB8\xAD", 0, L"Command: a中"},  // well-formed UTF-8
      {"a\xE4\xB8\xAD"
       "b",
       2, L"中b"},
      {"a\xE4\xB8\xAD"
       "b\xE6\x96",
       1, L"中b"},                                                     // still being written
      {"Unknown command \x93ZZZ\x94.", 0, L"Unknown command “ZZZ”."},  // ANSI
      {"x\r\n\xD6\xD0\xCE\xC4", 5, L"文"},
      {"x\r\n\xD6\xD0\xCE\xC4", 4, L"中文"},  // a double-byte character kept whole
      {"x\r\n\xD6\xD0\xCE\xC4", 2, L"\n中文"},
      {"\xD6\xD0\xCE\xC4", 99, L"中文"},  // begun anew
      {"abc", 3, L""},
      {"a\0b\\U+4E2D\\U+d83d\\U+DE00\\U+DE00\\U+12G4\\U+0000"s, 0,
       L"ab中\U0001F600\\U+DE00\\U+12G4\\U+0000"},
      {"", 0, L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.text, DecodeAddedHistory(c.bytes, c.noted, FakeAnsi)) << c.bytes << " " << c.noted;
  }
  EXPECT_EQ(L"\uFFFD\uFFFD", DecodeHistory("\xD6\xD0", nullptr));  // no code page to ask
}

}  // namespace
}  // namespace kavro::run
