// Typing into the stand-in AutoCAD's window as the R14 path does: every key arrives, in order,
// before the typing call returns, in a Unicode window and in an ANSI one under code page 936.
#include <windows.h>
#include <gtest/gtest.h>

#include <vector>

#include "run/keyboard_win.h"
#include "support/run_fixture.h"
#include "support/standin.h"
#include "support/support.h"
#include "win/com_win.h"

namespace kavro::run {
namespace {

using test::Standin;
using test::TypedLine;

constexpr DWORD kTimeoutMs = 5000;
constexpr wchar_t kTitle[] = L"AutoCAD - [Drawing1.dwg]";

class KeysWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  void TearDown() override {
    standin_.reset();  // before the apartment goes: releasing a proxy is a call too
    CoUninitialize();
  }
  std::unique_ptr<Standin> standin_;
};

class KeysTest : public KeysWindowTest, public ::testing::WithParamInterface<bool> {};

TEST_P(KeysTest, TypedCommandsReachTheCommandLineWhole) {
  standin_ = std::make_unique<Standin>(test::StandinOptions{.ansiWindow = GetParam()});
  ASSERT_TRUE(standin_->StartDirectly());
  std::wstring script =
      test::MakeDrawing(test::AwkwardFolder(L"keys"), L"kavro.scr", "circle 0,0 5\r\n");
  ASSERT_TRUE(ActivateWindowByTitle(kTitle));
  EXPECT_EQ(Standin::Window(), GetForegroundWindow());
  EXPECT_TRUE(TypeKeys(L"filedia~0~", kTimeoutMs));
  // Pieces, as a caller may type them, and in one go.
  EXPECT_TRUE(TypeKeys(L"script~", kTimeoutMs));
  EXPECT_TRUE(TypeLiteral(script, kTimeoutMs));
  EXPECT_TRUE(TypeKeys(L"~", kTimeoutMs));
  EXPECT_TRUE(TypeKeySequence(ScriptCommandKeys(script), kTimeoutMs));
  EXPECT_TRUE(TypeKeys(L"filedia~1~", kTimeoutMs));
  // Returned only after the keys were read: the log holds them already.
  std::wstring typedScript = TypedLine(L"script~" + script + L"~");
  std::vector<std::wstring> expected = {TypedLine(L"filedia~0~"), typedScript, typedScript,
                                        TypedLine(L"filedia~1~")};
  EXPECT_EQ(expected, standin_->Calls());
  int scriptsRead = 0;
  for (const auto& line : standin_->LogLines()) {
    if (line.rfind(L"- script " + script + L" on Drawing1.dwg", 0) == 0) ++scriptsRead;
  }
  EXPECT_EQ(2, scriptsRead);
}

INSTANTIATE_TEST_SUITE_P(UnicodeAndAnsiWindow, KeysTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Ansi" : "Unicode"; });

TEST_F(KeysWindowTest, OnlyAWindowWithExactlyTheTitleIsActivated) {
  standin_ = std::make_unique<Standin>();
  ASSERT_TRUE(standin_->StartDirectly());
  EXPECT_FALSE(ActivateWindowByTitle(L"AutoCAD - [Drawing9.dwg]"));
  EXPECT_FALSE(ActivateWindowByTitle(L"AutoCAD - [Drawing1.dwg"));
  EXPECT_TRUE(ActivateWindowByTitle(kTitle));
}

TEST_F(KeysWindowTest, AStuckWindowEndsTheWaitAtTheTimeLimit) {
  standin_ = std::make_unique<Standin>(test::StandinOptions{.hangAt = 1});
  ASSERT_TRUE(standin_->StartDirectly());
  ASSERT_TRUE(ActivateWindowByTitle(kTitle));
  std::wstring drawing = test::MakeDrawing(test::MakeTempFolder(L"keys-stuck"), L"a.dwg");
  {
    auto app = test::RunningAutoCad();
    ASSERT_TRUE(app);
    auto documents =
        win::Invoke(app.Get(), L"Documents", win::InvokeKind::PropertyGet).AsDispatch();
    win::UniqueVariant path = win::UniqueVariant::String(drawing);
    win::UniqueVariant opened;  // held until the server is gone, like every proxy here
    // Answered; from now on it does not respond.
    ASSERT_NO_THROW(
        opened = win::Invoke(documents.Get(), L"Open", win::InvokeKind::Method, {path.Ptr()}));
    DWORD start = GetTickCount();
    EXPECT_FALSE(TypeKeys(L"qsave~", 800));
    EXPECT_LT(GetTickCount() - start, 3000u);
    // Releasing a proxy is a call too: it would wait for the stuck server. End it first.
    Standin::KillAll();
  }
}

}  // namespace
}  // namespace kavro::run
