#pragma once
// The judge of a drawing's command history: the lines by which AutoCAD says that a script line
// went wrong (an unknown command, input it refused, an AutoLISP error, a cancelled command, a file
// it could not find), in English and Simplified Chinese. One table, in script_errors.cpp.
//
// How a line is matched: its text is first put in a plain form, the same for the line and for
// the table's patterns: full-width ASCII forms and the ideographic space become their ASCII
// forms, curly quotes become straight ones, "。" becomes ".", ASCII letters are lower-cased and
// every blank is dropped (AutoCAD puts one or two spaces, or none, between the sentences of a
// message). A leading echo of the command prompt ("Command:", "命令:") is then dropped. Each
// pattern is a few fragments that must appear in that order, anchored at the line's start, at
// its end, at both (the whole line) or at neither, as its row says. Lines end at CR LF, LF or CR.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kavro::run {

struct ScriptError {
  size_t line = 0;    // 1 for the history's first line
  std::wstring text;  // the line as written, without the blanks around it
  friend bool operator==(const ScriptError&, const ScriptError&) = default;
};

// Every line of `history` that one of the table's patterns matches, in order.
std::vector<ScriptError> FindScriptErrors(std::wstring_view history);

// The log's error text for a drawing whose script went wrong: the first three such lines, one a
// line, each as "第 N 行：<text>" (a long text cut at 200 characters), and "（共 K 处）" when
// there were more.
std::wstring ScriptErrorsText(const std::vector<ScriptError>& errors);

}  // namespace kavro::run
