// The runs "for R14" against the stand-in AutoCAD: drawings opened through ActiveDocument.Open,
// the rest typed into AutoCAD's window. What its log shows is what R14 would have been typed.
#include <windows.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "run/progress_window_win.h"
#include "run/run_actions_win.h"
#include "support/standin.h"
#include "support/support.h"

namespace kavro {
namespace {

using test::Standin;
using test::TypedLine;
using Lines = std::vector<std::wstring>;

constexpr char kDrawing[] = "drawing\r\n";

class R14RunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    run::RunSettings& settings = run::Settings();
    settings.automation.callMs = 8000;
    settings.automation.busyRetryMs = 4000;
    settings.automation.scriptMs = 8000;
    settings.automation.quiescentPollMs = 2;
    settings.keysMs = 4000;
    // The script path is typed: a short-name "~", key-code characters and Chinese in it.
    settings.programFolder = test::MakeTempFolder(L"r14_program") + L"\\程序~1 {A}+(1)^%";
    SHCreateDirectoryExW(nullptr, settings.programFolder.c_str(), nullptr);
    settings.showMessage = [this](HWND, const std::wstring& text, UINT) {
      messages_.push_back(text);
    };
    folder_ = test::MakeTempFolder(L"r14_drawings");
    window_ = MainWindow::Create();
    window_->Show();
    SendMessageW(window_->Item(MainControl::Option2), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(window_->Item(MainControl::Option1), BM_SETCHECK, BST_CHECKED, 0);
    test::PumpPending();
  }
  void TearDown() override {
    run::CadLink().Disconnect();
    if (auto* form = run::ProgressWindow::Current()) form->Unload();
    window_.reset();
    standin_.reset();
    run::Settings() = run::RunSettings{};
  }
  std::vector<std::wstring> AddDrawings(int count) {
    std::vector<std::wstring> paths;
    for (int i = 0; i < count; ++i) {
      std::wstring name = L"图" + std::wstring(1, static_cast<wchar_t>(L'a' + i)) + L".dwg";
      paths.push_back(test::MakeDrawing(folder_, name, kDrawing));
      SendMessageW(window_->Item(MainControl::List2), LB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(paths.back().c_str()));
    }
    return paths;
  }
  int ListCount() {
    return static_cast<int>(SendMessageW(window_->Item(MainControl::List2), LB_GETCOUNT, 0, 0));
  }
  std::wstring ScriptPath() const { return run::Settings().programFolder + L"\\kavro.scr"; }

  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<Standin> standin_;
  std::wstring folder_;
  Lines messages_;
};

class R14ModifyRunTest : public R14RunTest, public ::testing::WithParamInterface<bool> {};

TEST_P(R14ModifyRunTest, TypesTheTableAndSavesEveryDrawingWithItsPage) {
  test::StandinOptions options;
  options.ansiWindow = GetParam();
  standin_ = std::make_unique<Standin>(options);
  auto paths = AddDrawings(3);
  window_->SetItemText(MainControl::Text1, L"-text 0,0 page");
  window_->SetItemText(MainControl::Text2, L"7");
  run::ModifyRun(*window_);

  Lines expected = {L"put Application.Visible true", TypedLine(L"filedia~0~")};
  for (auto& path : paths) {
    expected.insert(expected.end(),
                    {L"Document.Open " + path, TypedLine(L"script~" + ScriptPath() + L"~"),
                     TypedLine(L"qsave~")});
  }
  expected.insert(expected.end(), {TypedLine(L"filedia~1~"), TypedLine(L"filedia~1~")});
  EXPECT_EQ(expected, standin_->Calls());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(kDrawing + ("-text 0,0 " + std::to_string(7 + i)), test::ReadBytes(paths[i]));
  }
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(0, ListCount());
  // The last drawing stays open in AutoCAD, saved.
  EXPECT_EQ(L"AutoCAD - [图c.dwg]", test::WindowText(Standin::Window()));
}

INSTANTIATE_TEST_SUITE_P(UnicodeAndAnsiAutoCad, R14ModifyRunTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Ansi" : "Unicode"; });

TEST_F(R14RunTest, PreviewTypesFileDialogsOffTwiceAndLeavesTheDrawingUnsaved) {
  standin_ = std::make_unique<Standin>();
  auto paths = AddDrawings(2);
  window_->SetItemText(MainControl::Text1, L"zoom page");
  window_->SetItemText(MainControl::Text2, L"5");
  run::PreviewRun(*window_);

  Lines expected = {L"put Application.Visible true",
                    TypedLine(L"filedia~0~"),
                    L"Document.Open " + paths[0],
                    TypedLine(L"filedia~0~"),
                    TypedLine(L"script~" + ScriptPath() + L"~"),
                    TypedLine(L"filedia~1~"),
                    TypedLine(L"filedia~1~")};
  EXPECT_EQ(expected, standin_->Calls());
  EXPECT_EQ(kDrawing, test::ReadBytes(paths[0]));
  EXPECT_EQ(kDrawing, test::ReadBytes(paths[1]));
  EXPECT_EQ("zoom 5", test::ReadBytes(ScriptPath()));
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(2, ListCount());
  EXPECT_EQ(L"AutoCAD - [图a.dwg]", test::WindowText(Standin::Window()));
}

TEST_F(R14RunTest, NoWindowWithAutoCadsCaptionStopsTheRunBeforeAnythingIsTyped) {
  test::StandinOptions options;
  options.captionDiffers = true;
  standin_ = std::make_unique<Standin>(options);
  AddDrawings(2);
  run::ModifyRun(*window_);

  EXPECT_EQ(Lines{L"put Application.Visible true"}, standin_->Calls());
  ASSERT_EQ(1u, messages_.size());
  EXPECT_NE(std::wstring::npos, messages_[0].find(L"AutoCAD - [Drawing1.dwg] *")) << messages_[0];
  EXPECT_EQ(2, ListCount());
  EXPECT_EQ(nullptr, run::ProgressWindow::Current());
  EXPECT_TRUE(IsWindowVisible(window_->Hwnd()));
}

}  // namespace
}  // namespace kavro
