#include "run/drawing_check.h"

#include "run/file_keywords.h"
#include "run/page_rule.h"

namespace kavro::run {

namespace {

std::wstring_view TrimmedSpaces(std::wstring_view text) {
  size_t first = text.find_first_not_of(L' ');
  if (first == std::wstring_view::npos) return {};
  return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

std::wstring_view TrimmedLine(std::wstring_view line) {
  size_t first = line.find_first_not_of(L" \t\r");
  if (first == std::wstring_view::npos) return {};
  return line.substr(first, line.find_last_not_of(L" \t\r") - first + 1);
}

}  // namespace

std::optional<std::wstring> ProblemReason(const DrawingFileState& state, bool encodable) {
  if (!state.isFile) return L"文件不存在";
  if (state.readOnly) return L"文件只读";
  if (state.inUse) {
    if (state.lockUser.empty()) return L"正被其他程序打开";
    std::wstring reason = L"正被 " + state.lockUser;
    if (!state.lockMachine.empty()) reason += L"（" + state.lockMachine + L"）";
    return reason + L"打开";
  }
  if (!encodable) return L"路径含有当前代码页无法表示的字符";
  return std::nullopt;
}

std::vector<DrawingProblem> CheckDrawings(const RunInputs& inputs,
                                          const std::vector<size_t>& selection, DrawingProbe* probe,
                                          const ScriptEncodable& encodable, bool existenceOnly) {
  // Without a file keyword every script is the template's characters and a page number.
  const bool namesFiles = HasFileKeyword(inputs.scriptTemplate);
  std::vector<DrawingProblem> problems;
  for (size_t index : selection) {
    // Opened as the runs open it: without the spaces around the list entry.
    std::wstring drawing(TrimmedSpaces(inputs.drawings.at(index)));
    DrawingFileState state = probe ? probe->Probe(drawing, existenceOnly) : DrawingFileState{};
    bool fits = true;
    if (namesFiles && state.isFile && !state.readOnly && !state.inUse && encodable) {
      fits = encodable(ScriptForDrawing(inputs.scriptTemplate, inputs.startPage, index, drawing));
    }
    if (auto reason = ProblemReason(state, fits)) {
      problems.push_back({index, PageOf(inputs.startPage, index), drawing, *reason});
    }
  }
  return problems;
}

std::vector<DrawingProblem> CheckDrawings(const RunInputs& inputs, DrawingProbe* probe,
                                          const ScriptEncodable& encodable, bool existenceOnly) {
  std::vector<size_t> all(inputs.drawings.size());
  for (size_t i = 0; i < all.size(); ++i) all[i] = i;
  return CheckDrawings(inputs, all, probe, encodable, existenceOnly);
}

std::wstring ProblemLine(const DrawingProblem& problem) {
  return L"第 " + problem.page + L" 页 " + problem.drawing + L"：" + problem.reason;
}

std::wstring CheckSummary(size_t problems) {
  return L"共 " + std::to_wstring(problems) + L" 张图纸无法修改，批量修改没有开始。";
}

std::wstring CheckRefusal(const std::vector<DrawingProblem>& problems) {
  std::wstring text;
  for (size_t i = 0; i < problems.size() && i < kMostListedProblems; ++i) {
    text += ProblemLine(problems[i]) + L"\n";
  }
  return text + L"\n" + CheckSummary(problems.size());
}

// AutoCAD's WHOHAS information lives in the .dwl file, a plain text file holding the login name,
// the computer name and the time the drawing was opened, one to a line (WHOHAS command, AutoCAD
// help: help.autodesk.com .../GUID-7E20A4D7-EB74-4354-8ADE-7EF172F0E16D.htm; the line layout:
// blog.jtbworld.com/2007/04/dwl2-new-dwl-in-autocad-2008.html, whose .dwl2 twin holds the same
// fields as <username>, <machinename>, <datetime>).
std::optional<LockOwner> LockOwnerOf(std::wstring_view dwlText) {
  std::vector<std::wstring_view> lines;
  while (!dwlText.empty() && lines.size() < 2) {
    size_t end = dwlText.find(L'\n');
    std::wstring_view line = TrimmedLine(dwlText.substr(0, end));
    if (!line.empty()) lines.push_back(line);
    dwlText = end == std::wstring_view::npos ? std::wstring_view{} : dwlText.substr(end + 1);
  }
  if (lines.empty()) return std::nullopt;
  LockOwner owner{std::wstring(lines[0]), {}};
  if (lines.size() > 1) owner.machine = lines[1];
  return owner;
}

}  // namespace kavro::run
