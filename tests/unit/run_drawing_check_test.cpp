// The check before the first drawing: its reasons and their order, the refusal's text, and who
// holds a drawing by its lock file.
#include "run/drawing_check.h"

#include <gtest/gtest.h>

#include "run_fakes.h"

namespace kavro::run {
namespace {

// Files by name; any other is fine. Records what it was asked.
struct FakeFiles final : DrawingProbe {
  std::map<std::wstring, DrawingFileState> states;
  Log asked;
  DrawingFileState Probe(const std::wstring& path, bool existenceOnly) override {
    asked.push_back(path + (existenceOnly ? L"?" : L""));
    auto found = states.find(path);
    return found == states.end() ? DrawingFileState{} : found->second;
  }
};

DrawingFileState State(bool isFile, bool readOnly, bool inUse, std::wstring user = {},
                       std::wstring machine = {}) {
  return {isFile, readOnly, inUse, std::move(user), std::move(machine)};
}

TEST(DrawingCheck, ReasonsInOrderAndTheMessage) {
  struct Case {
    DrawingFileState state;
    bool encodable;
    const wchar_t* reason;
  };
  const Case cases[] = {
      {State(true, false, false), true, nullptr},
      {State(false, true, true, L"u"), false, L"文件不存在"},
      {State(true, true, true, L"u"), false, L"文件只读"},
      {State(true, false, true), false, L"正被其他程序打开"},
      {State(true, false, true, L"王工", L"CAD-07"), false, L"正被 王工（CAD-07）打开"},
      {State(true, false, false), false, L"路径含有当前代码页无法表示的字符"},
  };
  for (const Case& c : cases) {
    auto reason = ProblemReason(c.state, c.encodable);
    EXPECT_EQ(reason.value_or(L"-"), c.reason ? c.reason : L"-");
  }
  // Who holds it: the first two lines of its lock file that hold anything.
  auto owner = LockOwnerOf(L"\r\n wang \r\nCAD-07\r\n2026-12-07 09:00:00\r\n");
  EXPECT_EQ(owner->user + L"|" + owner->machine, L"wang|CAD-07");
  EXPECT_FALSE(LockOwnerOf(L" \r\n\t\n"));
  // Problems in list order with their pages and the paths as opened; a drawing's script is asked
  // about only when the template names files, and only for a drawing that is otherwise fine.
  FakeFiles files;
  files.states = {{L"b.dwg", State(false, false, false)},
                  {L"c.dwg", State(true, false, true, L"li", L"PC")}};
  RunInputs inputs{{L" a.dwg ", L"b.dwg", L"c.dwg", L"d한.dwg"}, L"x <acet:cBaseName>", L"7"};
  auto encodable = [](std::wstring_view text) { return text.find(L'한') == text.npos; };
  auto problems = CheckDrawings(inputs, &files, encodable);
  EXPECT_EQ(files.asked, (Log{L"a.dwg", L"b.dwg", L"c.dwg", L"d한.dwg"}));
  ASSERT_EQ(problems.size(), 3u);
  EXPECT_EQ(CheckRefusal(problems),
            L"第 8 页 b.dwg：文件不存在\n第 9 页 c.dwg：正被 li（PC）打开\n"
            L"第 10 页 d한.dwg：路径含有当前代码页无法表示的字符\n\n"
            L"共 3 张图纸无法修改，批量修改没有开始。");
  // Without a keyword no script is asked about; a preview asks only whether its drawing exists.
  inputs.scriptTemplate = L"x page";
  files.asked.clear();
  EXPECT_EQ(CheckDrawings(inputs, {3, 0}, &files, encodable, true).size(), 0u);
  EXPECT_EQ(files.asked, (Log{L"d한.dwg?", L"a.dwg?"}));

  std::vector<DrawingProblem> many(25, DrawingProblem{0, L"1", L"a", L"文件只读"});
  std::wstring text = CheckRefusal(many);
  EXPECT_EQ(std::count(text.begin(), text.end(), L'\n'), 21);
  EXPECT_TRUE(text.ends_with(L"共 25 张图纸无法修改，批量修改没有开始。"));
}

}  // namespace
}  // namespace kavro::run
