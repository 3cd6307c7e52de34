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

// "|" ends a line with CR LF.
std::wstring Lines(std::wstring_view text) {
  std::wstring out;
  for (wchar_t c : text) out += c == L'|' ? std::wstring(L"\r\n") : std::wstring(1, c);
  return out;
}

// What scripts that set attributes, plot and save leave in the history, in English and Chinese
// AutoCAD, on the desktop and in the Core Console.
const std::wstring_view kCleanHistories[] = {
    L"Command: filedia|Enter new value for FILEDIA <1>: 0|Command: script|"
    L"Enter script file name <C:\\Users\\li\\Drawing1.scr>: C:\\Kavro\\00001.scr|"
    L"Command: -attedit|Edit attributes one at a time? [Yes/No] <Y>: N|"
    L"Performing global editing of attribute values.|"
    L"1 attributes selected.|Enter string to change: 1|Enter new string: 41|Regenerating model.|"
    L"Command: -plot|Detailed plot configuration? [Yes/No] <No>: N|"
    L"Enter an output device name or [?] <None>: DWG To PDF.pc3|Proceed with plot [Yes/No] <Y>: Y|"
    L"Effective plotting area:  406.40 wide by 215.90 high|Plotting viewport 2.|"
    L"Command: (princ \"error: none\")|error: none\"error: none\"|Command: -layer|"
    L"Enter an option [?/Make/Set/New/ON/OFF/Color/Ltype/Freeze/Thaw/LOck/Unlock/stAte]: S|"
    L"Select objects: 1 found|Command: _.qsave|Command: _.close|",
    L"Redirect stdout (file: C:\\Users\\li\\AppData\\Local\\Temp\\accc27362).|"
    L"AutoCAD Core Engine Console - Copyright 2024 Autodesk, Inc.  All rights reserved.|"
    L"Execution Path:|C:\\Program Files\\Autodesk\\AutoCAD 2025\\accoreconsole.exe|"
    L"LogFilePath has been set to the working folder.|Command:|Command: _.qsave|Command: _quit",
    L"AutoCAD menu utilities loaded.*Cancel*|Command: *Cancel*|Command: *Cancel*|Command: _.qsave",
    L"命令: FILEDIA|输入 FILEDIA 的新值 <1>: 0|命令: -ATTEDIT|"
    L"是否一次编辑一个属性? [是(Y)/否(N)] <Y>: N|正在执行属性值的全局编辑。|"
    L"输入块名定义 <*>: 图框|已选择 1 个属性。|输入新字符串: 41|正在重生成模型。|命令: -LAYER|"
    L"输入选项 [?/生成(M)/设置(S)/新建(N)/开(ON)/关(OFF)/冻结(F)/解冻(T)]: S|"
    L"选择对象: 找到 1 个|命令： _.qsave|命令: _.close",
    L"",
    L"||",
    L"Command: *",
    L"*Invalid",
};

TEST(ScriptErrors, CleanHistoriesAndTheFirstLinesOfErroneousOnes) {
  for (std::wstring_view history : kCleanHistories) {
    EXPECT_EQ(std::vector<ScriptError>{}, FindScriptErrors(Lines(history))) << ToUtf8(history);
  }
  struct Case {
    std::wstring_view history;
    std::vector<ScriptError> first;  // the first three found
    size_t count;
  };
  const Case cases[] = {
      {L"AutoCAD menu utilities loaded.|Command: N  Unknown command \"N\".  Press F1 for help.|"
       L"Command: ZZZ|"
       L"Unknown command “ZZZ”.  Press F1 for help.|Specify first point: *Cancel*|"
       L"*Cancel*|; error: no function definition: FOO",
       {{2, L"Command: N  Unknown command \"N\".  Press F1 for help."},
        {4, L"Unknown command “ZZZ”.  Press F1 for help."},
        {5, L"Specify first point: *Cancel*"}},
       5},
      // Lone CR and LF end lines too; the blanks around a line are not part of it.
      {L"命令: 240 未知命令“240”。按 F1 查看帮助。\n命令: *取消*\r  ; 错误: no function "
       L"definition: X  |"
       L"命令： ；　错误：参数太少",
       {{1, L"命令: 240 未知命令“240”。按 F1 查看帮助。"},
        {2, L"命令: *取消*"},
        {3, L"; 错误: no function definition: X"}},
       4},
      {L"Are you sure? [Yes/No]: Maybe|Invalid option keyword.|Requires an integer value.|"
       L"Point or option keyword required.|Requires numeric distance or two points.|"
       L"*Invalid selection*|Expects a point or Window/Last|<\"DWG To PDF.pc3\"> not found.|"
       L"; *** ERROR: too few arguments",
       {{2, L"Invalid option keyword."},
        {3, L"Requires an integer value."},
        {4, L"Point or option keyword required."}},
       7},
      {L"指定下一点: x|需要点或选项关键字。|需要数值距离、第二点或选项关键字。|*无效选择*",
       {{2, L"需要点或选项关键字。"},
        {3, L"需要数值距离、第二点或选项关键字。"},
        {4, L"*无效选择*"}},
       3},
  };
  for (const Case& c : cases) {
    std::vector<ScriptError> found = FindScriptErrors(Lines(c.history));
    EXPECT_EQ(c.count, found.size()) << ToUtf8(c.history);
    found.resize(std::min<size_t>(found.size(), 3));
    EXPECT_EQ(c.first, found) << ToUtf8(c.history);
  }
  // The text of the first three.
  std::vector<ScriptError> errors = {
      {3, L"*Cancel*"}, {9, L"; error: " + std::wstring(300, L'x')}, {12, L"*取消*"}, {40, L"x"}};
  EXPECT_EQ(L"第 3 行：*Cancel*\r\n第 9 行：; error: " + std::wstring(191, L'x') +
                L"…\r\n第 12 行：*取消*\r\n（共 4 处）",
            ScriptErrorsText(errors));
  EXPECT_EQ(L"第 3 行：*Cancel*", ScriptErrorsText({errors[0]}));
  EXPECT_EQ(L"", ScriptErrorsText({}));
}

// "<hex bytes>" stands for those bytes, the rest for itself.
std::string Bytes(std::string_view text) {
  std::string out;
  for (size_t at = 0; at < text.size(); ++at) {
    if (text[at] != '<') {
      out += text[at];
      continue;
    }
    for (++at; text[at] != '>'; at += text[at] == ' ' ? 1 : 2) {
      if (text[at] != ' ')
        out += static_cast<char>(std::stoi(std::string(text.substr(at, 2)), 0, 16));
    }
  }
  return out;
}

// A stand-in for the ANSI code page: GBK's "中" (D6 D0) and "文" (CE C4), code page 1252's curly
// quotes (93, 94), "?" for a lead byte alone, other bytes as Latin-1.
std::wstring FakeAnsi(std::string_view bytes) {
  std::wstring text;
  for (size_t at = 0; at < bytes.size(); ++at) {
    auto byte = static_cast<unsigned char>(bytes[at]);
    std::string_view pair = bytes.substr(at, 2);
    if (byte == 0xD6 || byte == 0xCE) {
      bool whole = pair == "\xD6\xD0" || pair == "\xCE\xC4";
      text += !whole ? L'?' : byte == 0xD6 ? L'中' : L'文';
      at += whole ? 1 : 0;
    } else {
      text += byte == 0x93 ? L'“' : byte == 0x94 ? L'”' : static_cast<wchar_t>(byte);
    }
  }
  return text;
}

TEST(HistoryText, EveryEncodingAndWhereTheAddedPartStarts) {
  struct Case {
    std::string_view bytes;
    uint64_t noted;
    std::wstring_view text;
  };
  const Case cases[] = {
      {"<EF BB BF>a<E4 B8 AD>", 0, L"a中"},
      {"<EF BB BF>a<E4 B8 AD>", 1, L"a中"},         // inside the mark
      {"<EF BB BF>a<E4 B8 AD>b", 5, L"中b"},        // inside a character: read whole
      {"<EF BB BF>a<FF>b<E4 B8>", 0, L"a\uFFFDb"},  // the mark decides; a cut end waits
      {"<FF FE>a<00 2D 4E>", 3, L"a中"},            // inside a code unit
      {"<FF FE>a<00 3D D8 00 DE 00 DC>", 6, L"\U0001F600\uFFFD"},  // inside a pair
      {"<FE FF 00>a<4E 2D>", 4, L"中"},
      {"Command: a<E4 B8 AD>", 0, L"Command: a中"},                    // well-formed UTF-8
      {"a<E4 B8 AD>b<E6 96>", 2, L"中b"},                              // still being written
      {"Unknown command <93>ZZZ<94>.", 0, L"Unknown command “ZZZ”."},  // ANSI
      {"x<0D 0A D6 D0 CE C4>", 5, L"文"},
      {"x<0D 0A D6 D0 CE C4>", 4, L"中文"},  // a double-byte character read whole
      {"x<0D 0A D6 D0 CE C4>", 2, L"\n中文"},
      {"<D6 D0 CE C4>", 99, L"中文"},  // begun anew
      {"abc", 3, L""},
      {"a<00>b\\U+4E2D\\U+d83d\\U+DE00\\U+DE00\\U+12G4\\U+0000", 0,
       L"ab中\U0001F600\\U+DE00\\U+12G4\\U+0000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.text, DecodeAddedHistory(Bytes(c.bytes), c.noted, FakeAnsi)) << c.bytes;
  }
  EXPECT_EQ(L"\uFFFD\uFFFD", DecodeHistory("\xD6\xD0", nullptr));  // no code page to ask
}

}  // namespace
}  // namespace kavro::run
