#include "run/script_errors.h"

#include <algorithm>

#include "run/run_record.h"

namespace kavro::run {
namespace {

// "…" stands for any text (also none); a pattern that does not start with it is anchored at the
// line's start, one that does not end with it at the line's end. Written as AutoCAD prints the
// message; matched in the plain form of script_errors.h.
//
// Where each text was read (the search tool):
// [log]  The command history files AutoCAD 2026 writes (LOGFILENAME), as quoted by people who
//        read them, in the code index (find_string "Press F1 for help", "命令: *取消*"): an
//        English log "Command: HPGEOINFO" / "Unknown command "HPGEOINFO".  Press F1 for help.";
//        a Chinese one "命令: 240 未知命令“240”。按 F1 查看帮助。" (the message on the prompt's
//        line, after the echoed input); a field report that an English log writes that message
//        with the curly quotes of code page 1252 and a cancelled LINE as "*Cancel*" after its
//        prompt, and that a Chinese log shows "命令: *取消*".
// [core] A Core Console transcript in the code index (find_string "Press F1 for help"):
//        "Command: N  Unknown command "N".  Press F1 for help." and, for a plotter that does not
//        exist, "<"DWG To PDF.pc3"> not found.".
// [kw]   getkword: "Invalid option keyword."
//        https://help.autodesk.com/cloudhelp/2027/ESP/AutoCAD-AutoLISP-Reference/files/GUID-9F940144-0D7B-4DA1-BF50-BBF8FB8DFF21.htm
// [int]  getint: "Requires an integer value."
//        https://help.autodesk.com/cloudhelp/2027/ESP/AutoCAD-AutoLISP-Reference/files/GUID-18D6FF0F-B1DF-447D-BC6C-A46C933EF78B.htm
// [pt]   The point and distance prompts' refusals, as CAD programs that copy AutoCAD's command
//        line print them (code index, find_string): "Point or option keyword required.",
//        "Requires numeric distance or second point.", "Requires numeric distance or two
//        points."; in Chinese "需要点或选项关键字。", "需要数值距离、第二点或选项关键字。".
// [sel]  Object selection's refusal "*Invalid selection*" before "Expects a point or
//        Window/Last/Crossing/..." (code index, find_string "Expects a point or": a SELECT
//        command reference and a CAD library's command context); in Chinese "*无效选择*" (code
//        index, find_string "*无效选择*").
// [lisp] AutoLISP's standard error handler prints "error: " and the description, on the command
//        line after "; ":
//        https://help.autodesk.com/cloudhelp/2027/ESP/AutoCAD-AutoLISP-Reference/files/GUID-CF913180-17CC-43C7-B89F-3BC82FFBEFB9.htm
//        "; *** ERROR: too few arguments":
//        https://help.autodesk.com/cloudhelp/2017/CHS/AutoCAD-AutoLISP/files/GUID-027AD2E0-5AC5-48DA-B451-112B7EECE40F.htm
//        Chinese "; 错误: no function definition: STRINGP" (the description stays English), as
//        quoted from a Chinese AutoCAD in the code index (find_string "错误: no function
//        definition").
constexpr std::wstring_view kPatterns[] = {
    L"…Unknown command \"…\". Press F1 for help.…",  // [log] [core]
    L"…未知命令“…”。按 F1 查看帮助。…",              // [log]
    L"Invalid option keyword.",                      // [kw]
    L"Requires …value.",                             // [int]
    L"Requires …point.",                             // [pt]
    L"Requires …points.",                            // [pt]
    L"Requires …keyword.",                           // [pt]
    L"Point or option keyword required.",            // [pt]
    L"需要…关键字。",                                // [pt]
    L"*Invalid…*",                                   // [sel]
    L"*无效…*",                                      // [sel]
    L"; error:…",                                    // [lisp]
    L"; *** error:…",                                // [lisp]
    L"; 错误:…",                                     // [lisp]
    L"…*Cancel*…",                                   // [log]
    L"…*取消*…",                                     // [log]
    L"<…> not found.",                               // [core]
};

// Lines of AutoCAD's own that look like the above but come with loading a drawing's menu files,
// not from the script: "AutoCAD menu utilities loaded.*Cancel*" and a "Command: *Cancel*" right
// after it, as a user quoted AutoCAD's start (code index, find_string "menu utilities
// loaded.*Cancel*"). When the history is written late, what was added may begin with them.
constexpr std::wstring_view kLoadingNoise[] = {L"…menu utilities loaded.…"};
constexpr std::wstring_view kCancelAlone[] = {L"*Cancel*", L"*取消*"};

constexpr wchar_t kAny = L'…';

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\v' || c == L'\f' || c == 0xA0 || c == 0x3000;
}

// The plain form of a text, as script_errors.h says.
std::wstring Plain(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    if (IsBlank(c)) continue;
    if (c >= 0xFF01 && c <= 0xFF5E) c = static_cast<wchar_t>(c - 0xFEE0);
    switch (c) {
      case 0x201C:
      case 0x201D:
      case 0x201E:
      case 0x201F:
      case 0x301D:
      case 0x301E:
        c = L'"';
        break;
      case 0x2018:
      case 0x2019:
        c = L'\'';
        break;
      case 0x3002:
      case 0xFF61:
        c = L'.';
        break;
      default:
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    out += c;
  }
  return out;
}

struct Pattern {
  std::vector<std::wstring> parts;  // the plain texts between the "…"
  bool anchoredStart = true;
  bool anchoredEnd = true;
};

template <size_t N>
std::vector<Pattern> Compiled(const std::wstring_view (&texts)[N]) {
  std::vector<Pattern> patterns;
  for (std::wstring_view text : texts) {
    Pattern pattern;
    pattern.anchoredStart = text.front() != kAny;
    pattern.anchoredEnd = text.back() != kAny;
    size_t from = 0;
    while (from <= text.size()) {
      size_t at = std::min(text.find(kAny, from), text.size());
      std::wstring part = Plain(text.substr(from, at - from));
      if (!part.empty()) pattern.parts.push_back(std::move(part));
      from = at + 1;
    }
    patterns.push_back(std::move(pattern));
  }
  return patterns;
}

bool MatchesOne(const Pattern& pattern, std::wstring_view line) {
  const auto& parts = pattern.parts;
  size_t at = 0;
  for (size_t i = 0; i < parts.size(); ++i) {
    bool last = i + 1 == parts.size();
    if (last && pattern.anchoredEnd) {
      return line.size() >= at + parts[i].size() &&
             line.substr(line.size() - parts[i].size()) == parts[i] &&
             (i > 0 || !pattern.anchoredStart || line.size() == parts[i].size());
    }
    size_t found = (i == 0 && pattern.anchoredStart) ? (line.starts_with(parts[i]) ? 0 : line.npos)
                                                     : line.find(parts[i], at);
    if (found == line.npos) return false;
    at = found + parts[i].size();
  }
  return !pattern.anchoredEnd || at == line.size();
}

bool Matches(const std::vector<Pattern>& patterns, std::wstring_view line) {
  return std::any_of(patterns.begin(), patterns.end(),
                     [&](const Pattern& p) { return MatchesOne(p, line); });
}

// The line without the command prompt AutoCAD echoes before what was typed.
std::wstring_view WithoutPrompt(std::wstring_view plain) {
  for (std::wstring_view prompt : {std::wstring_view(L"command:"), std::wstring_view(L"命令:")}) {
    if (plain.starts_with(prompt)) return plain.substr(prompt.size());
  }
  return plain;
}

std::wstring_view Trimmed(std::wstring_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Long enough for any of AutoCAD's messages; an AutoLISP error may quote a whole list.
constexpr size_t kShownChars = 200;

std::wstring Shortened(const std::wstring& text) {
  if (text.size() <= kShownChars) return text;
  size_t cut = kShownChars;
  if (text[cut - 1] >= 0xD800 && text[cut - 1] <= 0xDBFF) --cut;  // not inside a pair
  return text.substr(0, cut) + L"…";
}

}  // namespace

std::vector<ScriptError> FindScriptErrors(std::wstring_view history) {
  static const std::vector<Pattern> errorLines = Compiled(kPatterns);
  static const std::vector<Pattern> noise = Compiled(kLoadingNoise);
  static const std::vector<Pattern> cancelAlone = Compiled(kCancelAlone);
  std::vector<ScriptError> errors;
  size_t number = 1;
  size_t start = 0;
  bool afterNoise = false;
  while (start <= history.size()) {
    size_t end = std::min(history.find_first_of(L"\r\n", start), history.size());
    std::wstring_view line = history.substr(start, end - start);
    std::wstring plain = Plain(line);
    std::wstring_view body = WithoutPrompt(plain);
    afterNoise = Matches(noise, body) || (afterNoise && Matches(cancelAlone, body));
    if (!body.empty() && !afterNoise && Matches(errorLines, body)) {
      errors.push_back({number, std::wstring(Trimmed(line))});
    }
    if (end == history.size()) break;
    start = end + (history.substr(end, 2) == L"\r\n" ? 2 : 1);
    ++number;
  }
  return errors;
}

std::wstring ScriptErrorsText(const std::vector<ScriptError>& errors) {
  constexpr size_t kShown = 3;
  std::wstring text;
  for (size_t i = 0; i < errors.size() && i < kShown; ++i) {
    if (i > 0) text += L"\r\n";
    text += L"第 " + std::to_wstring(errors[i].line) + L" 行：" + Shortened(errors[i].text);
  }
  if (errors.size() > kShown) text += L"\r\n（共 " + std::to_wstring(errors.size()) + L" 处）";
  return text;
}

DrawingHistory DrawingHistory::Of(std::wstring text) {
  DrawingHistory history;
  history.read = true;
  history.errors = FindScriptErrors(text);
  history.text = std::move(text);
  return history;
}

std::wstring DrawingHistory::Note() const {
  if (!read) return kHistoryUnreadNote;
  return ScriptErrorsText(errors);
}

}  // namespace kavro::run
