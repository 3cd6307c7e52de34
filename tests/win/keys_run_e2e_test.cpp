// The runs "for R14" against the stand-in AutoCAD: drawings opened through ActiveDocument.Open,
// the rest typed into AutoCAD's window, in a Unicode window and in an ANSI one under code page 936.
// What its log shows is what R14 would have been typed, every key read before the next step.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "run/keyboard_win.h"
#include "run/progress_window_win.h"
#include "run/run_actions_win.h"
#include "support/run_fixture.h"
#include "support/support.h"
#include "win/com_win.h"

namespace kavro {
namespace {

using test::Lines;
using test::ReadBytes;
using test::Standin;
using test::TypedLine;

class R14Run : public test::RunFixture {
 protected:
  void SetUp() override {
    RunFixture::SetUp();
    // The script path is typed: a short-name "~", key-code characters and Chinese in it.
    Open(test::AwkwardFolder(L"r14_program"));
    SendMessageW(window_->Item(MainControl::Option2), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(window_->Item(MainControl::Option1), BM_SETCHECK, BST_CHECKED, 0);
  }
  std::wstring TypedScript() const { return TypedLine(L"script~" + ScriptPath() + L"~"); }
};

class R14ModifyRun : public R14Run, public ::testing::WithParamInterface<bool> {};

TEST_P(R14ModifyRun, TypesTheTableAndSavesEveryDrawingWithItsPage) {
  StartStandin({.ansiWindow = GetParam()});
  auto paths = AddDrawings(3, L"图");
  window_->SetItemText(MainControl::Text1, L"-text 0,0 page");
  window_->SetItemText(MainControl::Text2, L"7");
  window_->Runs().Modify();

  Lines expected = {L"put Application.Visible true", TypedLine(L"filedia~0~")};
  for (auto& path : paths) {
    expected.insert(expected.end(),
                    {L"Document.Open " + path, TypedScript(), TypedLine(L"qsave~")});
  }
  expected.insert(expected.end(), {TypedLine(L"filedia~1~"), TypedLine(L"filedia~1~")});
  EXPECT_EQ(expected, standin_->Calls());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(test::kDrawing + ("-text 0,0 " + std::to_string(7 + i)), ReadBytes(paths[i]));
  }
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(ListEntries().empty());
  // The last drawing stays open in AutoCAD, saved.
  EXPECT_EQ(L"AutoCAD - [图c.dwg]", test::WindowText(Standin::Window()));
}

INSTANTIATE_TEST_SUITE_P(UnicodeAndAnsiAutoCad, R14ModifyRun, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Ansi" : "Unicode"; });

TEST_F(R14Run, PreviewTypesFileDialogsOffTwiceAndLeavesTheDrawingUnsaved) {
  StartStandin();
  auto paths = AddDrawings(2, L"图");
  window_->SetItemText(MainControl::Text1, L"zoom page");
  window_->SetItemText(MainControl::Text2, L"5");
  window_->Runs().Preview();

  Lines expected = {L"put Application.Visible true",
                    TypedLine(L"filedia~0~"),
                    L"Document.Open " + paths[0],
                    TypedLine(L"filedia~0~"),
                    TypedScript(),
                    TypedLine(L"filedia~1~"),
                    TypedLine(L"filedia~1~")};
  EXPECT_EQ(expected, standin_->Calls());
  EXPECT_EQ(test::kDrawing, ReadBytes(paths[0]));
  EXPECT_EQ("zoom 5", ReadBytes(ScriptPath()));
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(paths, ListEntries());
  EXPECT_EQ(L"AutoCAD - [图a.dwg]", test::WindowText(Standin::Window()));
}

TEST_F(R14Run, NoWindowWithAutoCadsCaptionStopsTheRunBeforeAnythingIsTyped) {
  StartStandin({.captionDiffers = true});
  auto paths = AddDrawings(2, L"图");
  window_->Runs().Modify();
  EXPECT_EQ(Lines{L"put Application.Visible true"}, standin_->Calls());
  ExpectStopped(L"AutoCAD - [Drawing1.dwg] *", paths);
}

// The typing itself: only a window with exactly the title is activated, and a window that stopped
// reading keys ends the wait at the time limit.
TEST_F(R14Run, OnlyTheExactTitleIsActivatedAndAStuckWindowEndsTheWaitAtTheTimeLimit) {
  StartStandin({.hangAt = 1});
  ASSERT_TRUE(standin_->StartDirectly());
  EXPECT_FALSE(run::ActivateWindowByTitle(L"AutoCAD - [Drawing9.dwg]"));
  EXPECT_FALSE(run::ActivateWindowByTitle(L"AutoCAD - [Drawing1.dwg"));
  ASSERT_TRUE(run::ActivateWindowByTitle(L"AutoCAD - [Drawing1.dwg]"));
  EXPECT_EQ(Standin::Window(), GetForegroundWindow());
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    auto app = test::RunningAutoCad();
    ASSERT_TRUE(app);
    auto documents =
        win::Invoke(app.Get(), L"Documents", win::InvokeKind::PropertyGet).AsDispatch();
    win::UniqueVariant path = win::UniqueVariant::String(test::MakeDrawing(folder_, L"a.dwg"));
    win::UniqueVariant opened;  // held until the server is gone, like every proxy here
    // Answered; from now on it does not respond.
    ASSERT_NO_THROW(
        opened = win::Invoke(documents.Get(), L"Open", win::InvokeKind::Method, {path.Ptr()}));
    DWORD start = GetTickCount();
    EXPECT_FALSE(run::TypeKeys(L"qsave~", 800));
    EXPECT_LT(GetTickCount() - start, 3000u);
    // Releasing a proxy is a call too: it would wait for the stuck server. End it first.
    Standin::KillAll();
  }
  CoUninitialize();
}

}  // namespace
}  // namespace kavro
