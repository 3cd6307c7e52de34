// The check before the first drawing: its reasons and their order, the refusal's text, and the
// runs it stops before AutoCAD is reached.
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

TEST(DrawingCheck, FirstReasonThatApplies) {
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
      {State(true, false, true, L"wang"), true, L"正被 wang打开"},
      {State(true, false, false), false, L"路径含有当前代码页无法表示的字符"},
  };
  for (const Case& c : cases) {
    auto reason = ProblemReason(c.state, c.encodable);
    EXPECT_EQ(reason.value_or(L"-"), c.reason ? c.reason : L"-");
  }
}

// Problems in list order with their pages and the paths as opened; a drawing's script is asked
// about only when the template names files, and only for a drawing that is otherwise fine.
TEST(DrawingCheck, ListsProblemsInOrderAndCapsTheMessage) {
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
  inputs.scriptTemplate = L"x page";
  EXPECT_EQ(CheckDrawings(inputs, {3, 1}, nullptr, encodable).size(), 0u);

  std::vector<DrawingProblem> many(25, DrawingProblem{0, L"1", L"a", L"文件只读"});
  std::wstring text = CheckRefusal(many);
  EXPECT_EQ(std::count(text.begin(), text.end(), L'\n'), 21);
  EXPECT_TRUE(text.ends_with(L"共 25 张图纸无法修改，批量修改没有开始。"));
}

// A refused run sends nothing and leaves the list and the start page; the preview asks only
// whether its one drawing exists.
TEST(DrawingCheck, StopsARunBeforeAutoCad) {
  FakeFiles files;
  files.states = {{L"b", State(true, true, false)}};
  Recorder modify;
  modify.drawings = {L"a", L"b"};
  modify.probe = &files;
  modify.Run(false);
  EXPECT_TRUE(modify.log.empty());
  EXPECT_EQ(modify.drawings.size(), 2u);
  ASSERT_EQ(modify.messages.size(), 1u);
  EXPECT_TRUE(modify.messages[0].starts_with(L"refusal: 第 2 页 b：文件只读\n"))
      << modify.messages[0];

  files.asked.clear();
  Recorder preview = modify;
  preview.messages.clear();
  preview.Run(true);
  EXPECT_EQ(files.asked, (Log{L"a?"}));
  EXPECT_TRUE(preview.messages.empty());
  EXPECT_EQ(preview.log.front(), L"ConnectCad");
}

TEST(DrawingCheck, LockFileOwner) {
  struct Case {
    const wchar_t *text, *user, *machine;
  };
  const Case cases[] = {
      {L"wang\r\nCAD-07\r\n2026-12-07 09:00:00\r\n", L"wang", L"CAD-07"},
      {L"\r\n  li  \n", L"li", L""},
      {L" \r\n\t\n", nullptr, nullptr},
  };
  for (const Case& c : cases) {
    auto owner = LockOwnerOf(c.text);
    ASSERT_EQ(owner.has_value(), c.user != nullptr) << c.text;
    if (!owner) continue;
    EXPECT_EQ(owner->user, c.user);
    EXPECT_EQ(owner->machine, c.machine);
  }
}

}  // namespace
}  // namespace kavro::run
